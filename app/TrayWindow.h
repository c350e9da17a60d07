#pragma once

#include "app/NotificationIcon.h"
#include "framework/ui/CWnd.h"
#include "wallpapers/WallpaperSet.h"

#include <windows.h>

#include <cstdint>
#include <optional>

class ConfigDialog;

// The resident instance's hidden main window: owns the one WallpaperSet of
// the run, keeps the icon in the notification area, shows the tray menu, runs
// the configuration dialog, and changes the wallpaper every N minutes and at
// the end of the Windows session.
//
// Always made with new: from a successful Create until WM_NCDESTROY the
// window owns its object, and PostNcDestroy deletes it. Destroying it ends
// the program, as it is the application's main window.
class TrayWindow : public CWnd {
public:
    // The window name that, with ClassName(), identifies a resident instance.
    static constexpr const char* WindowName = "VisteroWnd";
    // The private window class, registered through the framework with no
    // style, cursor, brush or icon. The framework names such a class after
    // those four arguments alone ("Afx:0:0:0:0"), so every process, and
    // every build of the program, finds the same name. Null if the class
    // can't be registered.
    static const char* ClassName();

    // The notification area's callback: the shell sends the mouse message
    // on the icon with it. Other programs (the uninstaller, scripts) post it
    // too, so its value stays WM_USER.
    static constexpr UINT TrayCallbackMessage = WM_USER;
    // Posted to the window itself right after the tray menu closes, so that
    // the menu goes away at the first click elsewhere; nothing handles it.
    static constexpr UINT MenuClosedMessage = WM_USER + 1;

    // The change timer ticks once a minute whatever the interval; OnTimer
    // counts the minutes. (The icon's retry timer is NotificationIcon's.)
    static constexpr UINT ChangeTimerId = 1;
    static constexpr UINT ChangeTimerPeriod = 60000;

    TrayWindow();
    ~TrayWindow() override;

    // Loads the set, creates the hidden window, adds the tray icon (or
    // starts the icon's tries, when the shell does not take it yet) and,
    // with a change interval, starts the change timer. True when the window
    // exists and nothing asked it to close meanwhile.
    bool Create();
    // Runs the configuration dialog modally, with the change timer stopped;
    // OK saves the set, anything else reads it again. With a dialog already
    // open, brings it to the front instead.
    void OpenConfigDialog();

    // The set the dialog edits in place; for tests, which stand in for the
    // dialog's pages.
    WallpaperSet& GetWallpaperSet() { return wallpaperSet; }
    std::int32_t GetMinuteCount() const { return minuteCount; }
    bool IsChangeTimerRunning() const { return timerId != 0; }
    bool IsDialogOpen() const { return openDialog != nullptr; }

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    // "TaskbarCreated" is numbered at run time, so it can't be a map entry.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    void OnDestroy();
    void OnEndSession(WPARAM sessionEnds);
    // The change timer's ticks, and the icon's tries (its retry timer).
    void OnTimer(UINT_PTR timer);
    LRESULT OnTrayNotify(WPARAM, LPARAM mouseMessage);
    void OnOpenConfigDialog();
    void OnExit();

private:
    // Which caller of ours is under way. Each but Resident runs a loop that
    // handles what other programs send, and still uses this object when it
    // returns, so the window must outlive it: a close is noted while Create
    // runs, and refused under the writer as under the dialog (openDialog).
    enum class Phase {
        // Create runs: adding the icon waits for the shell.
        Creating,
        // Nothing of ours is under way.
        Resident,
        // A timed change runs the writer, whose failure box goes on handling
        // the timer, the icon and other programs' messages. The dialog may
        // open under it.
        TimedChange,
    };

    // Exit, and WM_CLOSE from another program.
    void Close();
    void StartChangeTimer();
    void ShowTrayMenu();
    // After OK: the file and the system's reason, in a message box.
    static void ReportSaveFailure();

    WallpaperSet wallpaperSet;
    UINT timerId = 0;
    std::int32_t minuteCount = 0;
    Phase phase = Phase::Resident;
    // A close came while Create ran: Create fails, and its caller ends the
    // program.
    bool closedWhileCreating = false;
    // The running dialog, else null.
    ConfigDialog* openDialog = nullptr;
    // From Create, once the window exists, to WM_DESTROY.
    std::optional<NotificationIcon> icon;
};
