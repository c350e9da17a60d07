// The smallest resident tray program: one hidden window, one icon in the
// notification area, a message loop, nothing else. Vistero.exe's start-up,
// memory, idle cost and size are measured against it, side by side in the
// same run, so that the figures are ratios to what any tray program costs on
// this platform rather than absolute times.
//
// It is started the same way as Vistero.exe (with "/startup", which it
// ignores) and ends on WM_CLOSE, taking its icon away.
#include <windows.h>
#include <shellapi.h>

namespace {

constexpr char ClassName[] = "MinimalTrayClass";
constexpr char WindowName[] = "MinimalTrayWnd";

NOTIFYICONDATAA IconRecord(HWND window)
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    return record;
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        NOTIFYICONDATAA record = IconRecord(window);
        ::Shell_NotifyIconA(NIM_DELETE, &record);
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcA(window, message, wParam, lParam);
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = ClassName;
    if (!::RegisterClassA(&windowClass))
        return 1;
    const HWND window =
        ::CreateWindowExA(0, ClassName, WindowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;

    NOTIFYICONDATAA record = IconRecord(window);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = WM_USER;
    record.hIcon = ::LoadIconA(nullptr, MAKEINTRESOURCEA(32512)); // IDI_APPLICATION
    ::lstrcpynA(record.szTip, "Minimal tray program", sizeof record.szTip);
    if (!::Shell_NotifyIconA(NIM_ADD, &record)) {
        ::DestroyWindow(window);
        return 1;
    }

    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
