#include "app/NotificationIcon.h"

#include "framework/ui/WinApp.h"

#include <shellapi.h>

namespace {

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

} // namespace

NotificationIcon::NotificationIcon(HWND window, UINT callbackMessage, UINT iconId, UINT tipId)
    : window(window), callbackMessage(callbackMessage), iconId(iconId), tipId(tipId)
{
}

NotificationIcon::~NotificationIcon()
{
    StopRetries();
    NOTIFYICONDATAA record = IconRecord(window);
    ::Shell_NotifyIconA(NIM_DELETE, &record);
}

void NotificationIcon::Show()
{
    StopRetries();
    if (Add())
        return;
    triesLeft = Retries;
    if (::SetTimer(window, RetryTimerId, RetryPeriod, nullptr) == 0)
        triesLeft = 0;
}

void NotificationIcon::OnRetryTimer()
{
    if (triesLeft <= 0)
        return;
    --triesLeft;
    if (Add() || triesLeft == 0)
        StopRetries();
}

bool NotificationIcon::Add()
{
    const HINSTANCE instance = AfxGetInstanceHandle();
    // The size the notification area draws at the screen's scale; not
    // shared, so the owner destroys it.
    if (!icon)
        icon.reset(static_cast<HICON>(::LoadImageA(instance, MAKEINTRESOURCEA(iconId), IMAGE_ICON,
                                                   ::GetSystemMetrics(SM_CXSMICON),
                                                   ::GetSystemMetrics(SM_CYSMICON), 0)));
    NOTIFYICONDATAA record = IconRecord(window);
    record.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    record.uCallbackMessage = callbackMessage;
    record.hIcon = icon.get();
    // LoadString cuts the text to fit and always terminates it.
    ::LoadStringA(instance, tipId, record.szTip, sizeof record.szTip);
    // A shell that answered too late for the call may still have added the
    // icon; then only NIM_MODIFY finds it, and NIM_ADD fails for good.
    return ::Shell_NotifyIconA(NIM_ADD, &record) != FALSE || ::Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

void NotificationIcon::StopRetries()
{
    ::KillTimer(window, RetryTimerId);
    triesLeft = 0;
}
