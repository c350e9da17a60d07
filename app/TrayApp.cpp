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

bool TrayApp::TakeResidency()
{
    UniqueKernelHandle mutex(::CreateMutexA(nullptr, FALSE, ResidentMutexName));
    if (!mutex)
        // A mutex of the name that this process may not open was made by
        // another user's program in this session: that one is resident.
        // Otherwise the name is taken by another kind of object, or no
        // object can be made: the lookup is all there is.
        return ::GetLastError() != ERROR_ACCESS_DENIED;
    residentWindowEvent.reset(::CreateEventA(nullptr, TRUE, FALSE, ResidentWindowEventName));
    const HANDLE objects[] = {mutex.get(), residentWindowEvent.get()};
    DWORD watched = residentWindowEvent ? 2 : 1;
    for (;;) {
        switch (::WaitForMultipleObjects(watched, objects, FALSE, EarlierHolderLookupPeriod)) {
        case WAIT_OBJECT_0:
        // Its holder ended without letting go of it: it is ours now.
        case WAIT_ABANDONED_0:
            residentMutex.reset(mutex.release());
            // Left set by a holder that has ended, as its window went.
            if (residentWindowEvent)
                ::ResetEvent(residentWindowEvent.get());
            return true;
        case WAIT_OBJECT_0 + 1:
            if (IsAnotherInstanceRunning())
                return false;
            // It had its window and has it no more: it is ending, and its
            // mutex comes free when it has.
            watched = 1;
            break;
        case WAIT_TIMEOUT:
            if (IsAnotherInstanceRunning())
                return false;
            break;
        default:
            // The mutex can't be waited on: as when none can be made.
            return true;
        }
    }
}

void TrayApp::AnnounceResidentWindow() const
{
    if (residentMutex && residentWindowEvent)
        ::SetEvent(residentWindowEvent.get());
}

BOOL TrayApp::InitInstance()
{
    const bool silent = IsSilentStart(m_lpszCmdLine);
    // The mutex first, then the lookup: the lookup also finds a resident
    // copy of an earlier version, which holds no mutex.
    if (!TakeResidency() || IsAnotherInstanceRunning()) {
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
    AnnounceResidentWindow();

    CreateStartupShortcut();
    // COM may handle messages while the shortcut is written, and a close
    // among them destroys the window and deletes its object. The framework
    // forgets its main window as it goes, so `tray` is good only while it is
    // still the main window.
    if (!silent && m_pMainWnd != nullptr)
        tray->OpenConfigDialog();
    return TRUE;
}
