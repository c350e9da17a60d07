#pragma once

// Vistero.exe as another program sees it: started as a user would, watched
// through its windows, asked through the messages it answers, and ended.
#include "tests/support/Outside.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace reliability {

using namespace std::chrono_literals;
constexpr auto Deadline = 30s;

using test_support::ProcessOf;
using test_support::ShellFolder;
// Handles this thread's messages meanwhile: a fake shell window of this
// thread must answer while Vistero waits on it.
using test_support::WaitFor;
// The file's bytes, or "(missing)".
std::string FileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The user's profile of Vistero.exe: %APPDATA%\Vistero.INI.
std::string ProfilePath();
// Removes the profile with its backup and temporary file.
void RemoveProfile();

// The values of HKCU\Control Panel\Desktop, name -> type and data.
std::map<std::string, std::string> DesktopValues();
// Puts the values back as they were, removing any added since.
void RestoreDesktopValues(const std::map<std::string, std::string>& values);

// The top-level windows of the process with the class name, at one moment.
std::vector<HWND> TopLevelWindows(DWORD process, const char* className);


class Program {
public:
    explicit Program(const std::string& arguments);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;
    // Ends the program if it still runs.
    ~Program();

    bool Started() const { return info.hProcess != nullptr; }
    DWORD Id() const { return info.dwProcessId; }
    bool Running() const;
    bool Ended(std::chrono::milliseconds timeout = Deadline) const;
    DWORD ExitCode() const;

    // Its hidden "VisteroWnd", or null.
    HWND TrayWindow() const;
    // Until the window exists and start-up is over.
    bool WaitForTrayWindow() const;
    // Its visible configuration dialog, or null.
    HWND ConfigDialog() const;
    bool WaitForConfigDialog() const;
    // Its visible message box, or null.
    HWND MessageBox() const;
    // The text of a message box.
    static std::string MessageBoxText(HWND box);
    // A control of the dialog or of one of its pages.
    static HWND Control(HWND dialog, int id);

    // The tray menu's "Open Configuration Dialog", as a second start posts it.
    bool OpenDialog() const;
    // The dialog's OK or Cancel; true when the dialog then went away. A
    // message box that comes up instead is left for the caller.
    bool CloseDialog(int button) const;
    // The tray menu's Exit; true when the program then ended with code 0.
    bool Exit() const;

private:
    std::vector<HWND> TopLevelDialogs() const;

    PROCESS_INFORMATION info{};
};

} // namespace reliability
