#include "tests/support/DialogDriver.h"

namespace test_support {

ModalDialogDriver::ModalDialogDriver() : hook([this](CDialog& dialog) { Act(dialog); })
{
}

void ModalDialogDriver::Act(CDialog& dialog)
{
    const UINT id = dialog.GetTemplateId();
    shown.push_back(id);
    for (auto it = expected.begin(); it != expected.end(); ++it) {
        if (it->first != id)
            continue;
        Action action = std::move(it->second);
        expected.erase(it);
        action(dialog);
        return;
    }
    unexpected.push_back(id);
    dialog.EndDialog(IDCANCEL);
}

void ClickButton(HWND dialog, int id)
{
    const HWND button = ::GetDlgItem(dialog, id);
    if (button && ::IsWindowEnabled(button))
        ::SendMessageA(button, BM_CLICK, 0, 0);
}

void PostKey(HWND dialog, UINT virtualKey)
{
    HWND target = ::GetFocus();
    if (!target || (target != dialog && !::IsChild(dialog, target)))
        target = dialog;
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    ::PostMessageA(target, WM_KEYDOWN, virtualKey, 1 | (static_cast<LPARAM>(scan) << 16));
    ::PostMessageA(target, WM_KEYUP, virtualKey,
                   1 | (static_cast<LPARAM>(scan) << 16) | (LPARAM{1} << 30) | (LPARAM{1} << 31));
}

} // namespace test_support
