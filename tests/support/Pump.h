#pragma once

#include <chrono>
#include <functional>

namespace test_support {

// Dispatches this thread's messages until `condition` holds or `timeout` has
// passed; true when the condition holds. Keyboard input for a dialog goes
// through the dialog manager, as in a modal loop. Never sleeps blindly: it
// waits for the next message, at most until the deadline. A WM_QUIT stops
// the pumping and is put back for the loop it was meant for.
bool PumpUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::seconds(10));

// Dispatches what is queued now, without waiting.
void PumpPending();

} // namespace test_support
