#pragma once

#include "framework/CDialog.h"

#include <windows.h>

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace test_support {

// Stands in for the user at every modal dialog while it exists. Each dialog
// that comes up gets the first expected action for its template id; the
// action runs inside the dialog's loop, just before the loop starts, and may
// send messages, click buttons, post keys for the loop to handle, open
// nested dialogs or end the dialog. A dialog nobody expected is ended with
// IDCANCEL and its template id recorded, so a test never hangs on it.
class ModalDialogDriver {
public:
    using Action = std::function<void(CDialog&)>;

    ModalDialogDriver();
    ModalDialogDriver(const ModalDialogDriver&) = delete;
    ModalDialogDriver& operator=(const ModalDialogDriver&) = delete;

    void Expect(UINT templateId, Action action) { expected.emplace_back(templateId, std::move(action)); }
    // Actions still waiting for their dialog.
    std::size_t Pending() const { return expected.size(); }
    const std::vector<UINT>& Unexpected() const { return unexpected; }
    // Template ids of the dialogs that came up, in order.
    const std::vector<UINT>& Shown() const { return shown; }

private:
    void Act(CDialog& dialog);

    std::deque<std::pair<UINT, Action>> expected;
    std::vector<UINT> unexpected;
    std::vector<UINT> shown;
    ScopedModalDialogHook hook;
};

// What a user's click does: BM_CLICK on the dialog's button, which updates an
// automatic check box or radio button and notifies the dialog. Nothing
// happens on a disabled button, as for a user.
void ClickButton(HWND dialog, int id);

// A key pressed and released, posted to the window with the focus in the
// dialog (or the dialog), for the dialog's loop to translate.
void PostKey(HWND dialog, UINT virtualKey);

} // namespace test_support
