// The program's entry: everything happens in the application object.
#include "framework/ui/WinApp.h"

#include <windows.h>

namespace {

// Windows looks for a library that is not one of its KnownDLLs in the exe's
// own folder first, so a DLL put beside a downloaded Vistero.exe (version.dll
// and uxtheme.dll are the classic names) would run inside it at every logon.
// The exe binds only kernel32 and msvcrt at start, both KnownDLLs; every
// other library is delay-loaded (cmake/DelayLoad.cmake) and so comes after
// this, which makes the system folder the only place where the program, and
// every system DLL on its behalf, finds a library: the delay-load helper's
// LoadLibrary, the libraries those bind in turn, and those that system DLLs
// load themselves (uxtheme for the controls, winspool for the file dialog).
//
// SetDefaultDllDirectories is Windows 8's, and Vista's and 7's with update
// KB2533623; without it, at least the current folder goes from the search.
void SearchOnlyTheSystemFolderForLibraries()
{
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
    // Named here: the SDK declares it only for Windows 8 and later.
    constexpr DWORD SearchSystem32 = 0x00000800; // LOAD_LIBRARY_SEARCH_SYSTEM32
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (!setDefaultDllDirectories || !setDefaultDllDirectories(SearchSystem32))
        ::SetDllDirectoryA("");
}

// Before the constructor of any global object (the highest priority a
// program may give), so that none of them can load a library first.
[[gnu::constructor(101)]] void RestrictLibrarySearchAtStart()
{
    SearchOnlyTheSystemFolderForLibraries();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The runtime's own lpCmdLine is not used: the argument text follows the
    // framework's rule for stripping the program name.
    return AfxWinMain(instance, ::GetCommandLineA());
}
