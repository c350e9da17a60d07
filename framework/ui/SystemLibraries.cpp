#include "framework/ui/SystemLibraries.h"

#include <windows.h>

#include <string>

namespace {

// Named here: the SDK declares them only for Windows 8 and later.
constexpr DWORD SearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

bool IsWindowsVista()
{
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    version.dwMinorVersion = 0;
    ULONGLONG condition = 0;
    condition = ::VerSetConditionMask(condition, VER_MAJORVERSION, VER_EQUAL);
    condition = ::VerSetConditionMask(condition, VER_MINORVERSION, VER_EQUAL);
    return ::VerifyVersionInfoW(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

} // namespace

void AfxSearchOnlyTheSystemFolderForLibraries()
{
    // Windows 8's, and Vista's and 7's with update KB2533623; it covers every
    // load by name that follows, the system DLLs' own among them. On Vista
    // the shell's link object is reported not to be made after it, and
    // without it the Startup shortcut would never be written, so there the
    // older way below serves instead.
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefaultDllDirectories && !IsWindowsVista() && setDefaultDllDirectories(SearchSystem32))
        return;
    // The current folder goes from the search; the exe's stays first, so the
    // libraries that the system DLLs the program uses load by name are bound
    // from the system folder now, ahead of them: the controls' theming, the
    // shell's and COM's helpers, the file dialog's.
    ::SetDllDirectoryA("");
    for (const char* name : {"uxtheme.dll", "dwmapi.dll", "version.dll", "userenv.dll", "propsys.dll",
                             "cryptbase.dll", "oleacc.dll", "clbcatq.dll", "apphelp.dll", "setupapi.dll",
                             "msimg32.dll", "winspool.drv"})
        AfxBindSystemLibrary(name);
}

bool AfxBindSystemLibrary(const char* fileName)
{
    std::string path(MAX_PATH, '\0');
    const UINT length = ::GetSystemDirectoryA(path.data(), MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    path.resize(length);
    path += '\\';
    path += fileName;
    // Its own libraries are looked for beside it, in the system folder,
    // first. Never freed: the point is that it stays.
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH) != nullptr;
}
