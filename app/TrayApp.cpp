#include "app/TrayApp.h"

#include "app/TrayWindow.h"
#include "res/resource.h"

#include <cstring>
#include <memory>

bool TrayApp::IsSilentStart(const char* argumentText)
{
    return argumentText && std::strcmp(argumentText, SilentStartArgument) == 0;
}

bool TrayApp::IsAnotherInstanceRunning()
{
    // Without the class name the lookup would match any window of that name.
    const char* className = TrayWindow::ClassName();
    return className && ::FindWindowA(className, TrayWindow::WindowName) != nullptr;
}

void TrayApp::ActivateRunningInstance()
{
    const char* className = TrayWindow::ClassName();
    if (!className)
        return;
    const HWND window = ::FindWindowA(className, TrayWindow::WindowName);
    if (!window)
        return;
    // The resident instance answers by bringing its dialog to the front, but
    // Windows lets a process in the background take the foreground only when
    // the process that has it allows it. That is this one, which the user
    // has just started: allow it before the command can arrive.
    DWORD residentProcess = 0;
    if (::GetWindowThreadProcessId(window, &residentProcess) != 0 && residentProcess != 0)
        ::AllowSetForegroundWindow(residentProcess);
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0);
}

BOOL TrayApp::InitInstance()
{
    const bool silent = IsSilentStart(m_lpszCmdLine);
    if (IsAnotherInstanceRunning()) {
        if (!silent)
            ActivateRunningInstance();
        // No main window: the message loop ends at once, exit code 0.
        return TRUE;
    }

    auto window = std::make_unique<TrayWindow>();
    if (!window->Create()) {
        // A window that exists deletes its object as it goes; without a
        // window, the object is still ours to delete.
        if (window->GetSafeHwnd())
            window.release()->DestroyWindow();
        return FALSE;
    }
    // From here the window owns itself (TrayWindow::PostNcDestroy).
    TrayWindow* tray = window.release();
    m_pMainWnd = tray;

    CreateStartupShortcut();
    // COM may handle messages while the shortcut is written, and a close
    // among them destroys the window and deletes its object. The framework
    // forgets its main window as it goes, so `tray` is good only while it is
    // still the main window.
    if (!silent && m_pMainWnd != nullptr)
        tray->OpenConfigDialog();
    return TRUE;
}
