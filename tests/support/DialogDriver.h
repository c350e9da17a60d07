#pragma once

#include "framework/ui/CDialog.h"

#include <windows.h>

#include <chrono>
#include <cstddef>
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

// The one way the tests type: a user at the keyboard of a running dialog,
// through whatever loop runs it. Each key is pressed and released, posted to
// the window that has the focus when its turn comes, and its turn comes only
// once the loop has handled all that came before, the characters the keys
// made included (a thread timer drives the script, and the system makes
// WM_TIMER only when no other message waits). Steps run between keys.
// Control and Shift are held for a key by the thread's keyboard state, which
// is what the dialog manager and the dialog read: posted keys don't change
// it. Alt is held the same way and marks the key as a system key, as the
// system does; Alt's own key messages are left out, since Alt pressed and
// released alone would put the dialog into its system menu.
//
// After the last key the user waits for the dialog to go. If it is still
// there at the deadline, the test fails and the dialog is destroyed, which
// ends its loop with -1: a key that went astray never leaves a test hanging.
class KeyboardUser {
public:
    static constexpr UINT Control = 1;
    static constexpr UINT Shift = 2;
    static constexpr UINT Alt = 4;

    KeyboardUser() = default;
    KeyboardUser(const KeyboardUser&) = delete;
    KeyboardUser& operator=(const KeyboardUser&) = delete;
    ~KeyboardUser();

    KeyboardUser& Press(UINT virtualKey, UINT modifiers = 0);
    // A check, or a step the user takes otherwise (the focus put somewhere).
    KeyboardUser& Then(std::function<void()> step);

    // Begins at the dialog's next idle moment and returns at once; meant for
    // a ModalDialogDriver action, just before the dialog's loop runs.
    void Start(HWND dialog, std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Keys and checks not yet done.
    std::size_t Pending() const { return script.size(); }

private:
    struct Action {
        UINT virtualKey = 0;  // 0: a check
        UINT modifiers = 0;
        std::function<void()> check;
    };
    static void CALLBACK OnTick(HWND, UINT, UINT_PTR, DWORD);
    void Tick();
    void Stop();

    std::deque<Action> script;
    HWND dialog = nullptr;
    UINT_PTR timer = 0;
    std::chrono::steady_clock::time_point deadline;
};

} // namespace test_support
