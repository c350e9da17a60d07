#include <windows.h>

// Until the application object takes over: show that the program starts.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    MessageBoxA(nullptr, "Vistero 1.1 is starting.", "Vistero", MB_OK | MB_ICONINFORMATION);
    return 0;
}
