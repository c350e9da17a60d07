#pragma once

#include "framework/Handles.h"

#include <windows.h>

// The program's one icon in the notification area, on behalf of one window:
// it keeps the shell's record (the first form, id 0), the icon handle, the
// tooltip and the callback message, so that the window never handles icon
// records.
class NotificationIcon {
public:
    // The shell sends `callbackMessage` to `window` with the mouse message
    // on the icon; icon `iconId` and string `tipId` come from the program's
    // resources.
    NotificationIcon(UINT callbackMessage, UINT iconId, UINT tipId);
    NotificationIcon(const NotificationIcon&) = delete;
    NotificationIcon& operator=(const NotificationIcon&) = delete;

    // NIM_ADD for `window`; true when the shell took the icon.
    bool Add(HWND window);
    // NIM_DELETE; nothing happens for an icon that was never added.
    void Remove();
    bool IsShown() const { return shown; }

private:
    UINT callbackMessage;
    UINT iconId;
    UINT tipId;
    HWND window = nullptr;
    UniqueIcon icon;
    bool shown = false;
};
