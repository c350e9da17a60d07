#include "tests/support/DialogDriver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

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

namespace {

HWND FocusIn(HWND dialog)
{
    const HWND focus = ::GetFocus();
    return focus && (focus == dialog || ::IsChild(dialog, focus)) ? focus : dialog;
}

void PostKeyMessage(HWND target, UINT virtualKey, bool up, bool alt)
{
    const UINT scan = ::MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC);
    LPARAM data = 1 | (static_cast<LPARAM>(scan) << 16);
    if (alt)
        data |= LPARAM{1} << 29;
    if (up)
        data |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
    ::PostMessageA(target, alt ? (up ? WM_SYSKEYUP : WM_SYSKEYDOWN) : (up ? WM_KEYUP : WM_KEYDOWN), virtualKey, data);
}

// The one user at work: thread timers carry no data of their own.
KeyboardUser* activeUser = nullptr;

void HoldModifiers(UINT modifiers)
{
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    const auto hold = [&state](std::initializer_list<int> keys, bool down) {
        for (int key : keys)
            state[key] = down ? 0x80 : 0;
    };
    hold({VK_CONTROL, VK_LCONTROL}, (modifiers & KeyboardUser::Control) != 0);
    hold({VK_SHIFT, VK_LSHIFT}, (modifiers & KeyboardUser::Shift) != 0);
    hold({VK_MENU, VK_LMENU}, (modifiers & KeyboardUser::Alt) != 0);
    ::SetKeyboardState(state);
}

} // namespace

KeyboardUser::~KeyboardUser()
{
    Stop();
}

KeyboardUser& KeyboardUser::Press(UINT virtualKey, UINT modifiers)
{
    script.push_back(Action{virtualKey, modifiers, {}});
    return *this;
}

KeyboardUser& KeyboardUser::Then(std::function<void()> step)
{
    script.push_back(Action{0, 0, std::move(step)});
    return *this;
}

void KeyboardUser::Start(HWND window, std::chrono::milliseconds timeout)
{
    Stop();
    dialog = window;
    deadline = std::chrono::steady_clock::now() + timeout;
    activeUser = this;
    timer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, OnTick);
}

void KeyboardUser::Stop()
{
    if (timer)
        ::KillTimer(nullptr, timer);
    timer = 0;
    HoldModifiers(0);
    if (activeUser == this)
        activeUser = nullptr;
}

void CALLBACK KeyboardUser::OnTick(HWND, UINT, UINT_PTR, DWORD)
{
    if (activeUser)
        activeUser->Tick();
}

void KeyboardUser::Tick()
{
    // The keys of the last turn have been handled: let go of their modifiers.
    HoldModifiers(0);
    if (!::IsWindow(dialog)) {
        EXPECT_EQ(0u, script.size()) << "the dialog went before the last key";
        Stop();
        return;
    }
    if (std::chrono::steady_clock::now() > deadline) {
        ADD_FAILURE() << "the dialog was still open at the deadline, " << script.size() << " steps left";
        Stop();
        ::DestroyWindow(dialog);
        return;
    }
    // The checks up to the next key, then that key.
    while (!script.empty()) {
        Action action = std::move(script.front());
        script.pop_front();
        if (!action.virtualKey) {
            action.check();
            continue;
        }
        // Down in the order a hand presses them, up in reverse.
        std::vector<UINT> keys;
        if (action.modifiers & Control)
            keys.push_back(VK_CONTROL);
        if (action.modifiers & Shift)
            keys.push_back(VK_SHIFT);
        keys.push_back(action.virtualKey);
        HoldModifiers(action.modifiers);
        const HWND target = FocusIn(dialog);
        const bool alt = (action.modifiers & Alt) != 0;
        for (UINT key : keys)
            PostKeyMessage(target, key, false, alt);
        for (auto key = keys.rbegin(); key != keys.rend(); ++key)
            PostKeyMessage(target, *key, true, alt);
        return;
    }
}

} // namespace test_support
