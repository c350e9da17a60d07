#include "app/TrayWindow.h"

#include "app/TrayApp.h"
#include "config/ConfigDialog.h"
#include "framework/ui/AfxMessageBox.h"
#include "framework/ui/CMenu.h"
#include "framework/core/Handles.h"
#include "framework/ui/WinApp.h"
#include "res/resource.h"
#include "wallpapers/WallpaperEntry.h"

#include <shellapi.h>

#include <string>

namespace {

// The shell announces with this message that it has (re)started and that
// every notification-area icon has to be added again. Zero if it can't be
// registered; a zero never arrives as a message, so nothing is mistaken.
UINT TaskbarCreatedMessage()
{
    static const UINT message = ::RegisterWindowMessageA("TaskbarCreated");
    return message;
}

// The record's first form, which every shell accepts: up to szTip, 88 bytes
// on x86 (104 on x86-64, where the handles are 8 bytes).
static_assert(NOTIFYICONDATAA_V1_SIZE == (sizeof(void*) == 4 ? 88 : 104),
              "the shell reads the first form of the record at this size");
NOTIFYICONDATAA IconRecord(HWND window)
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    return record;
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
    // Adding the icon waits for the shell, and meanwhile the thread handles
    // messages that other programs send to the new window. Closing it then
    // would delete this object under Create: a close is only noted, and
    // Create fails, so that the caller ends the program.
    creating = true;
    closedWhileCreating = false;
    const bool created = className && CreateEx(0, className, WindowName, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr);
    const bool iconAdded = created && AddTrayIcon() != FALSE;
    // Started even without an icon: the caller then ends the program anyway.
    if (created && wallpaperSet.GetChangeInterval() != 0) {
        minuteCount = 0;
        StartChangeTimer();
    }
    creating = false;
    return iconAdded && !closedWhileCreating;
}

BOOL TrayWindow::AddTrayIcon()
{
    const HINSTANCE instance = AfxGetInstanceHandle();
    const UniqueIcon icon(::LoadIconA(instance, MAKEINTRESOURCEA(IDI_TRAY)));
    NOTIFYICONDATAA record = IconRecord(m_hWnd);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = TrayCallbackMessage;
    record.hIcon = icon.get();
    // LoadString cuts the text to fit and always terminates it.
    ::LoadStringA(instance, IDS_TRAY_TIP, record.szTip, sizeof record.szTip);
    return ::Shell_NotifyIconA(NIM_ADD, &record);
}

void TrayWindow::StartChangeTimer()
{
    timerId = static_cast<UINT>(SetTimer(ChangeTimerId, ChangeTimerPeriod));
}

void TrayWindow::OpenConfigDialog()
{
    if (dialogOpen) {
        if (openDialog && openDialog->GetSafeHwnd())
            openDialog->SetForegroundWindow();
        return;
    }
    if (timerId != 0) {
        KillTimer(timerId);
        timerId = 0;
    }

    ConfigDialog dialog(&wallpaperSet);
    // Whatever happens inside the dialog, the guards come down with it:
    // otherwise Exit would stay refused for the rest of the run.
    struct OpenDialogScope {
        TrayWindow& window;
        OpenDialogScope(TrayWindow& window, ConfigDialog& dialog) : window(window)
        {
            window.dialogOpen = TRUE;
            window.openDialog = &dialog;
        }
        ~OpenDialogScope()
        {
            window.dialogOpen = FALSE;
            window.openDialog = nullptr;
        }
    } scope(*this, dialog);

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

void TrayWindow::OnTimer()
{
    // A WM_TIMER that is not the change timer's (sent by another program, or
    // queued before the timer stopped) must not count: with the interval at
    // 0 it would otherwise change the wallpaper on every such message.
    if (timerId == 0)
        return;
    ++minuteCount;
    if (minuteCount < wallpaperSet.GetChangeInterval())
        return;
    // Reset before the writer runs: a failure box of the writer runs a
    // message loop under which the timer keeps ticking.
    minuteCount = 0;
    WallpaperEntry entry;
    if (wallpaperSet.PickRandom(entry))
        TrayApp::SetWallpaper(entry.path, entry.showState, true);
}

void TrayWindow::OnEndSession(WPARAM sessionEnds)
{
    if (sessionEnds == 0)
        return;
    // Answered at once, with nothing shown: a message box now would hold up
    // the sign-out for a message nobody can act on.
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
    if (MayClose())
        DestroyWindow();
}

bool TrayWindow::MayClose()
{
    // Destroying the window deletes this object. Under the open dialog, whose
    // caller still uses both when it ends, a close is refused; during Create,
    // it is noted, and Create fails, so that the caller ends the program.
    if (creating)
        closedWhileCreating = true;
    return !dialogOpen && !creating;
}

void TrayWindow::OnDestroy()
{
    if (timerId != 0) {
        KillTimer(timerId);
        timerId = 0;
    }
    NOTIFYICONDATAA record = IconRecord(m_hWnd);
    ::Shell_NotifyIconA(NIM_DELETE, &record);
}

LRESULT TrayWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    // The shell restarted: without this the program would run on with no
    // icon and no way to reach it.
    if (message != 0 && message == TaskbarCreatedMessage()) {
        AddTrayIcon();
        return 0;
    }
    // WM_CLOSE from another program (a task manager, an installer) is
    // treated as Exit.
    if (message == WM_CLOSE && !MayClose())
        return 0;
    return CWnd::WindowProc(message, wParam, lParam);
}

void TrayWindow::PostNcDestroy()
{
    // The window owned this object from Create to WM_NCDESTROY; with the
    // window gone, nothing else refers to it. The set is not saved: only OK
    // in the dialog saves.
    delete this;
}
