#pragma once

#include <chrono>
#include <functional>

namespace test_support {

// How long any test waits for what it expects before it fails.
inline constexpr std::chrono::milliseconds Deadline = std::chrono::seconds(30);

// The one wait of the tests: checks the condition until it holds or the
// timeout passes; true when it holds. Meanwhile this thread's messages are
// dispatched (keyboard input for a dialog through the dialog manager, as in
// a modal loop), so that a window of the test (a dialog, a stand-in for the
// shell) answers, and the condition is checked again at the next message or
// after 20 ms, for what another process does, which sends this thread
// nothing. Never sleeps blindly. A WM_QUIT stops the waiting and is put back
// for the loop it was meant for.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = Deadline);

// Dispatches what is queued now, without waiting.
void PumpPending();

// The shell's notification area, which comes up with the desktop (asking for
// the desktop starts it) a moment later: true once it is there.
bool WaitForTheTray();

} // namespace test_support
