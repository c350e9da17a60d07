#pragma once

#include "framework/ui/Handles.h"

#include <windows.h>

// The program's one icon in the notification area, on behalf of one window
// for the whole of its life: it keeps the shell's record (the first form, id
// 0), the icon handle, the tooltip and the callback message, so that the
// window never handles icon records, and it takes the icon away when it
// goes.
//
// At a logon the shell is often still starting, or too busy to answer in
// time: Shell_NotifyIcon then fails (with ERROR_TIMEOUT or
// ERROR_FILE_NOT_FOUND, or no code at all), and programs that must stay are
// expected to try again. So an icon the shell refuses is tried again on the
// window's retry timer, at a bounded pace for a bounded time, and at once
// when the shell announces it has started ("TaskbarCreated", which the
// window passes on as Show). Only the window receives messages, so it hands
// both on.
class NotificationIcon {
public:
    // The retry timer on the window, beside its change timer (1): a try
    // every 10 seconds for 5 minutes. A try can hold the thread for as long
    // as the shell's own time-out (4 seconds), so the pace leaves most of
    // each period to the program's other work.
    static constexpr UINT RetryTimerId = 2;
    static constexpr UINT RetryPeriod = 10000;
    static constexpr int Retries = 30;

    // The icon of `window`, which the shell sends `callbackMessage` with the
    // mouse message on the icon; icon `iconId` and string `tipId` come from
    // the program's resources. Nothing is shown before Show.
    NotificationIcon(HWND window, UINT callbackMessage, UINT iconId, UINT tipId);
    // Removes the icon and stops the retries, while the window is still
    // there for the shell to find the record by.
    ~NotificationIcon();
    NotificationIcon(const NotificationIcon&) = delete;
    NotificationIcon& operator=(const NotificationIcon&) = delete;

    // Adds the icon; when the shell does not take it, starts the retries
    // anew.
    void Show();
    // The retry timer's tick (or a WM_TIMER with its id from elsewhere): one
    // more try while tries are left, and the timer stops at the last.
    void OnRetryTimer();

private:
    // NIM_ADD; true when the icon is in place.
    bool Add();
    void StopRetries();

    HWND window;
    UINT callbackMessage;
    UINT iconId;
    UINT tipId;
    UniqueIcon icon;
    int triesLeft = 0;
};
