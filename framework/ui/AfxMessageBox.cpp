#include "framework/ui/AfxMessageBox.h"

#include "framework/ui/WinApp.h"

int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : AfxGetAppName();
    if (const MessageBoxHook* hook = ScopedMessageBoxHook::Installed(); hook && *hook)
        return (*hook)(owner, shownText, shownCaption, type);
    return ::MessageBoxA(owner, shownText, shownCaption, type);
}

int AfxMessageBox(const char* text, UINT type, UINT)
{
    return AfxShowMessageBox(::GetActiveWindow(), text, AfxGetAppName(), type);
}
