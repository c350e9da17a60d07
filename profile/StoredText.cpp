#include "profile/StoredText.h"

#include <cstdlib>

namespace {

// The code page Windows gives programs without the manifest: the system's
// "ACP", which the manifest does not change (the locale's default is only a
// fallback, for a system that does not say).
UINT LookUpLegacyCodePage()
{
    char value[16] = {};
    DWORD size = sizeof value - 1;
    if (::RegGetValueA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Nls\\CodePage", "ACP",
                       RRF_RT_REG_SZ, nullptr, value, &size) == ERROR_SUCCESS) {
        const UINT codePage = static_cast<UINT>(std::strtoul(value, nullptr, 10));
        if (codePage != 0 && ::IsValidCodePage(codePage))
            return codePage;
    }
    DWORD number = 0;
    if (::GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<char*>(&number), sizeof number / sizeof(char)) != 0 &&
        number != 0 && ::IsValidCodePage(number))
        return number;
    return ::GetACP();
}

UINT LegacyCodePage(const CodePages& pages)
{
    if (pages.legacy != CodePages::SystemLegacy)
        return pages.legacy;
    static const UINT system = LookUpLegacyCodePage();
    return system;
}

} // namespace

std::string FromStoredText(std::string_view text, const CodePages& pages)
{
    const UINT process = pages.process == CP_ACP ? ::GetACP() : pages.process;
    if (process != CP_UTF8 || IsValidUtf8(text))
        return std::string(text);
    const UINT legacy = LegacyCodePage(pages);
    if (legacy == CP_UTF8 || text.size() > 0x7FFFFFFF)
        return std::string(text);
    // Read as the system reads it for a program without the manifest: the
    // few bytes a legacy code page leaves unassigned included.
    const int bytes = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(legacy, 0, text.data(), bytes, nullptr, 0);
    if (units <= 0)
        return std::string(text);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    ::MultiByteToWideChar(legacy, 0, text.data(), bytes, wide.data(), units);
    return NarrowExact(wide, CP_UTF8).value_or(std::string(text));
}
