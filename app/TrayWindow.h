#pragma once

#include "framework/ui/CWnd.h"
#include "wallpapers/WallpaperSet.h"

#include <windows.h>

#include <cstdint>

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
    // counts the minutes.
    static constexpr UINT ChangeTimerId = 1;
    static constexpr UINT ChangeTimerPeriod = 60000;

    TrayWindow();
    ~TrayWindow() override;

    // Loads the set, creates the hidden window, adds the tray icon and, with
    // a change interval, starts the change timer. True when the window
    // exists and the icon was added.
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
    bool IsDialogOpen() const { return dialogOpen != FALSE; }

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    // "TaskbarCreated" is numbered at run time, so it can't be a map entry.
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void PostNcDestroy() override;

    void OnDestroy();
    void OnEndSession(WPARAM sessionEnds);
    void OnTimer();
    LRESULT OnTrayNotify(WPARAM, LPARAM mouseMessage);
    void OnOpenConfigDialog();
    void OnExit();
    // Whether the window may be destroyed now; notes a close during Create.
    bool MayClose();

private:
    // NIM_ADD with the icon, the tooltip and the callback message.
    BOOL AddTrayIcon();
    void StartChangeTimer();
    void ShowTrayMenu();
    // After OK: the file and the system's reason, in a message box.
    static void ReportSaveFailure();

    WallpaperSet wallpaperSet;
    UINT timerId = 0;
    std::int32_t minuteCount = 0;
    // Valid only while dialogOpen.
    ConfigDialog* openDialog = nullptr;
    BOOL dialogOpen = FALSE;
    // While Create runs, and whether something asked the window to close
    // meanwhile (Create then fails, and the caller ends the program).
    bool creating = false;
    bool closedWhileCreating = false;
};
