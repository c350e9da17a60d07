#pragma once

#include "framework/ui/CWnd.h"
#include "framework/core/ScopedHook.h"

#include <windows.h>

#include <functional>

// A dialog built from a template in the program's resources: modal, with a
// message loop of its own (DoModal), or modeless, such as a page inside
// another dialog (Create). Handlers answer through the message map as for any
// window; a notification's result reaches the sender through DWLP_MSGRESULT.
class CDialog : public CWnd {
public:
    CDialog() = default;
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the dialog, disables the owner (the parent's top-level window,
    // if a parent was given), runs the dialog's message loop until EndDialog
    // and destroys the dialog. Returns EndDialog's value, or -1 when the
    // dialog can't be created (or the program quits while it is open).
    // A dialog with no parent is owned by no window and is centred on the
    // screen's work area before it is shown.
    virtual INT_PTR DoModal();

    // A modeless dialog; OnInitDialog runs inside the call. Shown only if its
    // template says WS_VISIBLE.
    BOOL Create(UINT templateId, CWnd* parent = nullptr);

    // Ends the modal loop with the result. The window goes once the loop has
    // returned to DoModal; nothing happens to a modeless dialog.
    void EndDialog(int result);

    BOOL MapDialogRect(RECT* rect) const;
    UINT GetTemplateId() const { return templateId; }

    // TRUE lets the system put the focus on the first control that takes it.
    virtual BOOL OnInitDialog() { return TRUE; }

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // Reached through the map by IDOK (the default button, Enter) and IDCANCEL
    // (the Cancel button, Escape, the close box).
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // DoModal's loop offers the dialog every message it takes from the queue
    // before the dialog manager sees it; TRUE keeps it from going further.
    // For keys the dialog should read otherwise than the dialog manager does,
    // such as Ctrl+Tab, which the dialog manager takes for Tab.
    virtual BOOL PreTranslateMessage(MSG*) { return FALSE; }

private:
    HWND CreateFromTemplate(UINT id, HWND parentOrOwner, bool forModal);
    INT_PTR RouteDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    UINT templateId = 0;
    CWnd* parent = nullptr;
    bool inModalLoop = false;
    bool continueModal = false;
    INT_PTR modalResult = -1;
    bool initFailed = false;
    bool movedDuringInit = false;

    friend INT_PTR CALLBACK FrameworkDialogProc(HWND, UINT, WPARAM, LPARAM);
};

INT_PTR CALLBACK FrameworkDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The seam for tests: called once for each modal dialog when it is shown and
// its loop is about to run, with the dialog; the hook can find it by
// GetTemplateId, send it messages, post input for the loop, or EndDialog it.
using ModalDialogHook = std::function<void(CDialog& dialog)>;
using ScopedModalDialogHook = ScopedHook<ModalDialogHook>;
