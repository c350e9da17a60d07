// The parts of CString that need the platform: string resources and the
// system's message formatting.
#include "framework/core/CString.h"

#include "framework/core/UniqueHandle.h"
#include "framework/ui/WinApp.h"

#include <string>

bool CString::LoadString(unsigned id)
{
    text.clear();
    // String resources come in blocks of sixteen counted UTF-16 strings;
    // reading the block directly has no length limit, unlike LoadStringA
    // into a fixed buffer, and tells a missing string from an empty one.
    const HINSTANCE instance = AfxGetInstanceHandle();
    const HRSRC block = ::FindResourceA(instance, MAKEINTRESOURCEA((id >> 4) + 1), MAKEINTRESOURCEA(6) /* RT_STRING */);
    if (!block)
        return false;
    const HGLOBAL loaded = ::LoadResource(instance, block);
    const auto* data = static_cast<const WCHAR*>(loaded ? ::LockResource(loaded) : nullptr);
    const DWORD words = ::SizeofResource(instance, block) / sizeof(WCHAR);
    if (!data)
        return false;
    DWORD at = 0;
    for (unsigned skip = id & 15; skip > 0; --skip) {
        if (at >= words)
            return false;
        at += 1 + data[at];
    }
    if (at >= words || data[at] == 0)
        return false;
    const int length = data[at];
    if (at + 1 + static_cast<DWORD>(length) > words)
        return false;
    const WCHAR* wide = data + at + 1;
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, wide, length, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    text.assign(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, wide, length, text.data(), bytes, nullptr, nullptr);
    return true;
}

namespace {

// FormatMessageA with the caller's arguments; empty when the format can't be
// used (the system reports that, it doesn't crash on it).
std::string FormatWithSystem(const char* format, va_list* arguments)
{
    if (!format)
        return {};
    char* formatted = nullptr;
    const DWORD length = ::FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ALLOCATE_BUFFER, format, 0, 0,
                                          reinterpret_cast<char*>(&formatted), 0, arguments);
    UniqueLocalMemory owner(formatted);
    if (length == 0 || !formatted)
        return {};
    return std::string(formatted, length);
}

} // namespace

void CString::FormatMessage(unsigned formatId, ...)
{
    CString format;
    format.LoadString(formatId);
    va_list arguments;
    va_start(arguments, formatId);
    text = format.IsEmpty() ? std::string() : FormatWithSystem(format.GetString(), &arguments);
    va_end(arguments);
}
