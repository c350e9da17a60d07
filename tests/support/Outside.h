#pragma once

// What every test needs that watches Vistero.exe from another process, as a
// user, the shell or an installer would: waiting on what the other process
// does, whose a window is, where the shell keeps a folder, and how it reads
// a shortcut.
#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace test_support {

// Checks the condition every 20 ms until it holds or the timeout passes;
// true when it holds. Meanwhile this thread's messages are handled, so that
// a window of the test (a stand-in for the shell, say) answers the program.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(30));

// The id of the process that made the window.
DWORD ProcessOf(HWND window);

// The shell's path for the folder (CSIDL_APPDATA, CSIDL_STARTUP...).
std::string ShellFolder(int csidl);

struct Link {
    std::string target;
    std::string arguments;
    std::string description;
};

// The shortcut as the shell reads it, or nothing when it can't be read.
std::optional<Link> ReadLink(const std::string& file);

} // namespace test_support
