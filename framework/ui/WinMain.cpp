// The program's entry: everything happens in the application object.
#include "framework/ui/WinApp.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    // The runtime's own lpCmdLine is not used: the argument text follows the
    // framework's rule for stripping the program name.
    return AfxWinMain(instance, ::GetCommandLineA());
}
