// The program's entry: everything happens in the application object.
#include "framework/ui/SystemLibraries.h"
#include "framework/ui/WinApp.h"

#include <windows.h>

namespace {

// Before the constructor of any global object (the highest priority a
// program may give), so that none of them can load a library first.
[[gnu::constructor(101)]] void SearchOnlyTheSystemFolderAtStart()
{
    AfxSearchOnlyTheSystemFolderForLibraries();
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The runtime's own lpCmdLine is not used: the argument text follows the
    // framework's rule for stripping the program name.
    return AfxWinMain(instance, ::GetCommandLineA());
}
