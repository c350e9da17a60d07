#pragma once

#include "framework/ui/CDialog.h"

#include <windows.h>

// A tab of the configuration dialog: a modeless child dialog from the page's
// own template, created hidden; the dialog around it places, shows and hides
// it.
class ConfigPage : public CDialog {
public:
    // The page's window, hidden, as a child of `parent`; the page's
    // OnInitDialog fills it inside this call.
    virtual BOOL CreatePage(CWnd* parent)
    {
        if (!Create(GetTemplateId(), parent))
            return FALSE;
        // The dialog around the page would otherwise stop at the page: Tab
        // would never reach the page's controls, and a user without a mouse
        // could change nothing. What DS_CONTROL gives a page.
        ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
        return TRUE;
    }

protected:
    explicit ConfigPage(UINT templateId) : CDialog(templateId) {}
};
