#include "framework/AfxMessageBox.h"

#include "framework/WinApp.h"

#include <utility>

namespace {

ScopedMessageBoxHook*& InstalledHook()
{
    static ScopedMessageBoxHook* installed = nullptr;
    return installed;
}

} // namespace

ScopedMessageBoxHook::ScopedMessageBoxHook(MessageBoxHook hook)
    : hook(std::move(hook)), previous(std::exchange(InstalledHook(), this))
{
}

ScopedMessageBoxHook::~ScopedMessageBoxHook()
{
    InstalledHook() = previous;
}

int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type)
{
    const char* shownText = text ? text : "";
    const char* shownCaption = caption ? caption : AfxGetAppName();
    if (ScopedMessageBoxHook* installed = InstalledHook(); installed && installed->hook)
        return installed->hook(owner, shownText, shownCaption, type);
    return ::MessageBoxA(owner, shownText, shownCaption, type);
}

int AfxMessageBox(const char* text, UINT type, UINT)
{
    return AfxShowMessageBox(::GetActiveWindow(), text, AfxGetAppName(), type);
}
