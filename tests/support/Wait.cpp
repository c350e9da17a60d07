#include "tests/support/Wait.h"

#include <windows.h>

namespace test_support {
namespace {

bool IsDialog(HWND window)
{
    char className[16] = {};
    return ::GetClassNameA(window, className, sizeof className) && lstrcmpA(className, "#32770") == 0;
}

// False after a WM_QUIT, which is posted again.
bool DispatchQueued()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            return false;
        }
        const HWND root = message.hwnd ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
        if (root && IsDialog(root) && ::IsDialogMessageA(root, &message))
            continue;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return true;
}

} // namespace

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (!DispatchQueued())
            return condition();
        if (condition())
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (now >= deadline)
            return false;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        ::MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(left < 20 ? left + 1 : 20), QS_ALLINPUT,
                                      MWMO_INPUTAVAILABLE);
    }
}

void PumpPending()
{
    DispatchQueued();
}

} // namespace test_support

namespace test_support {

bool WaitForTheTray()
{
    ::GetDesktopWindow();
    return WaitFor([] { return ::FindWindowA("Shell_TrayWnd", nullptr) != nullptr; });
}

} // namespace test_support
