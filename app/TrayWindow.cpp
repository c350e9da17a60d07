#include "app/TrayWindow.h"

#include "app/TrayApp.h"
#include "config/ConfigDialog.h"
#include "framework/core/UniqueHandle.h"
#include "framework/ui/AfxMessageBox.h"
#include "framework/ui/CMenu.h"
#include "framework/ui/WinApp.h"
#include "res/resource.h"
#include "wallpapers/WallpaperEntry.h"

#include <string>
#include <utility>

namespace {

// The shell announces with this message that it has (re)started and that
// every notification-area icon has to be added again. Zero if it can't be
// registered; a zero never arrives as a message, so nothing is mistaken.
UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// The system's text for an error code, without the line break it ends with.
std::string SystemReason(DWORD code)
{
    UniqueLocalMemory buffer;
    const DWORD length = ::FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        0, reinterpret_cast<char*>(buffer.receive()), 0, nullptr);
    std::string reason;
    if (length && buffer)
        reason.assign(static_cast<const char*>(buffer.get()), length);
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    if (reason.empty())
        reason = "Error " + std::to_string(code) + ".";
    return reason;
}

// Gives a member a value while a caller of ours is under way, and puts back
// the one before it when that ends, however it ends: otherwise Exit would
// stay refused for the rest of the run.
template <class Value>
class ScopedValue {
public:
    ScopedValue(Value& member, Value value) : member(member), previous(std::exchange(member, value)) {}
    ScopedValue(const ScopedValue&) = delete;
    ScopedValue& operator=(const ScopedValue&) = delete;
    ~ScopedValue() { member = previous; }

private:
    Value& member;
    Value previous;
};

} // namespace

const MessageMap TrayWindow::messageMap = MessageMapFor<TrayWindow, CWnd,
    OnMessage<WM_DESTROY, &TrayWindow::OnDestroy>,
    OnMessage<WM_ENDSESSION, &TrayWindow::OnEndSession>,
    OnMessage<WM_TIMER, &TrayWindow::OnTimer>,
    OnMessage<TrayCallbackMessage, &TrayWindow::OnTrayNotify>,
    OnCommand<ID_OPEN_CONFIGURATION, &TrayWindow::OnOpenConfigDialog>,
    OnCommand<ID_EXIT, &TrayWindow::OnExit>>;

const char* TrayWindow::ClassName()
{
    return AfxRegisterWndClass(0, nullptr, nullptr, nullptr);
}

TrayWindow::TrayWindow() = default;

TrayWindow::~TrayWindow() = default;

bool TrayWindow::Create()
{
    wallpaperSet.Load();
    const char* className = ClassName();
    const ScopedValue creating(phase, Phase::Creating);
    if (!className || !CreateEx(0, className, WindowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr))
        return false;
    // An icon the shell can't take now (a busy logon answers late) comes on
    // a later try: the session's end, the timer and a second start's command
    // need only the window.
    icon.emplace(m_hWnd, TrayCallbackMessage, IDI_TRAY, IDS_TRAY_TIP);
    icon->Show();
    if (wallpaperSet.GetChangeInterval() != 0) {
        minuteCount = 0;
        StartChangeTimer();
    }
    return !closedWhileCreating;
}

void TrayWindow::StartChangeTimer()
{
    timerId = static_cast<UINT>(SetTimer(ChangeTimerId, ChangeTimerPeriod));
}

void TrayWindow::OpenConfigDialog()
{
    if (openDialog) {
        if (openDialog->GetSafeHwnd())
            openDialog->SetForegroundWindow();
        return;
    }
    if (timerId != 0) {
        KillTimer(timerId);
        timerId = 0;
    }

    ConfigDialog dialog(&wallpaperSet);
    const ScopedValue configuring(openDialog, &dialog);

    if (dialog.DoModal() == IDOK) {
        // A failed save keeps the edits in the set: reloading would throw
        // away what the user just confirmed.
        if (!wallpaperSet.Save())
            ReportSaveFailure();
    } else {
        wallpaperSet.Load();
    }
    // The minutes counted before the dialog opened still count.
    if (wallpaperSet.GetChangeInterval() != 0)
        StartChangeTimer();
}

void TrayWindow::ReportSaveFailure()
{
    std::string file = "the profile";
    DWORD code = 0;
    if (CWinApp* app = AfxGetApp()) {
        const Profile::SaveFailure failure = app->LastSaveFailure();
        if (!failure.file.empty())
            file = failure.file;
        code = failure.code;
    }
    // The path on a line of its own: it may be long, and a full stop after
    // it would read as part of the name.
    std::string text = "The settings could not be saved to\n" + file + "\n\n";
    text += code != 0 ? SystemReason(code) : std::string("The reason is not known.");
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONERROR);
}

void TrayWindow::OnTimer(UINT_PTR timer)
{
    if (timer == NotificationIcon::RetryTimerId) {
        if (icon)
            icon->OnRetryTimer();
        return;
    }
    // A WM_TIMER that is not the change timer's (sent by another program, or
    // queued before the timer stopped, as it is under the dialog) must not
    // count: with the interval at 0 it would otherwise change the wallpaper
    // on every such message. Under the writer's failure box, a change due
    // would most likely fail as this one did, and show a box in the box, one
    // more each minute, all night: the ticks are skipped, and since the count
    // was reset before the writer ran, a full interval runs from the moment
    // the box closes.
    if (timerId == 0 || phase == Phase::TimedChange)
        return;
    ++minuteCount;
    if (minuteCount < wallpaperSet.GetChangeInterval())
        return;
    minuteCount = 0;
    WallpaperEntry entry;
    if (!wallpaperSet.PickRandom(entry))
        return;
    const ScopedValue changing(phase, Phase::TimedChange);
    TrayApp::SetWallpaper(entry.path, entry.showState, true);
}

void TrayWindow::OnEndSession(WPARAM sessionEnds)
{
    if (sessionEnds == 0)
        return;
    // Answered at once, with nothing shown: a message box now would hold up
    // the sign-out for a message nobody can act on. So it needs no box of
    // its own, and writes also under the dialog or the writer's box.
    WallpaperEntry entry;
    if (wallpaperSet.PickRandom(entry))
        TrayApp::SetWallpaper(entry.path, entry.showState, false, TrayApp::Failures::Dropped);
}

LRESULT TrayWindow::OnTrayNotify(WPARAM, LPARAM mouseMessage)
{
    switch (static_cast<UINT>(mouseMessage)) {
    case WM_LBUTTONDBLCLK:
        OpenConfigDialog();
        break;
    case WM_RBUTTONUP:
        ShowTrayMenu();
        break;
    default:
        break;
    }
    return 0;
}

void TrayWindow::ShowTrayMenu()
{
    CMenu menu;
    if (!menu.LoadMenu(IDR_TRAY_MENU))
        return;
    POINT cursor{};
    if (!::GetCursorPos(&cursor))
        return;
    // Without the foreground the menu would not close when the user clicks
    // elsewhere, and the message after it lets it close on the first click.
    SetForegroundWindow();
    // The menu's loop handles what other programs send; a WM_CLOSE among it
    // destroys the window and deletes this object before the menu returns.
    const HWND window = m_hWnd;
    menu.GetSubMenu(0).TrackPopupMenu(TPM_RIGHTALIGN | TPM_LEFTBUTTON, cursor.x, cursor.y, this);
    ::PostMessageA(window, MenuClosedMessage, 0, 0);
}

void TrayWindow::OnOpenConfigDialog()
{
    OpenConfigDialog();
}

void TrayWindow::OnExit()
{
    Close();
}

void TrayWindow::Close()
{
    // Destroying the window deletes this object, and with it the set, under
    // the dialog that edits it or under the writer: refused.
    if (openDialog || phase == Phase::TimedChange)
        return;
    // Under Create: Create fails instead, and its caller ends the program.
    if (phase == Phase::Creating) {
        closedWhileCreating = true;
        return;
    }
    DestroyWindow();
}

void TrayWindow::OnDestroy()
{
    if (timerId != 0) {
        KillTimer(timerId);
        timerId = 0;
    }
    // While the shell can still find the icon's record by the window.
    icon.reset();
}

LRESULT TrayWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shell (re)started: without this the program would run on with no
    // icon and no way to reach it, also after a logon at which the shell
    // came too late for the tries.
    if (message != 0 && message == TaskbarCreatedMessage()) {
        if (icon)
            icon->Show();
        return 0;
    }
    // WM_CLOSE from another program (a task manager, an installer) is
    // treated as Exit.
    if (message == WM_CLOSE) {
        Close();
        return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
}

void TrayWindow::PostNcDestroy()
{
    // The window owned this object from Create to WM_NCDESTROY; with the
    // window gone, nothing else refers to it. The set is not saved: only OK
    // in the dialog saves.
    delete this;
}
