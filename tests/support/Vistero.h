#pragma once

// The one driver of the real Vistero.exe from another process, as a user, a
// logon, a second start or another program meets it: started, watched
// through its windows and files, asked through the messages it answers, and
// ended. It knows Vistero only from outside: the window name, the dialogs'
// controls, the tray callback, the files and the registry. Every wait is a
// condition with a deadline.
#include "framework/core/UniqueHandle.h"
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace test_support {

// The Vistero.exe under test, by its Windows path: the build's, or the one
// beside this program in the Windows test kit.
std::string BuiltExe();
// %APPDATA%\Vistero.INI.
std::string ProfilePath();
// The user's Startup folder\Vistero.lnk.
std::string StartupLinkPath();
// Removes the profile with its backup and temporary files.
void RemoveProfile();

// Every resident instance's hidden window ("VisteroWnd"), of any process.
std::vector<HWND> TrayWindows();
// The visible top-level windows of the process with the class name, at one
// moment.
std::vector<HWND> TopLevelWindows(DWORD process, const char* className);

// ---- Windows of Vistero, from outside

// A control of a dialog or of one of its pages, by id and, when given, window
// class.
HWND Control(HWND dialog, int id, const char* windowClass = nullptr);
// A message that must be answered within the deadline.
LRESULT Send(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
// A click whose effects are over when it returns...
void Click(HWND dialog, int id);
// ... and one that Vistero takes from its queue after what is already there:
// for a click that opens a modal window, which would keep Send waiting, or
// that must come after a command a menu has posted.
void PostClick(HWND dialog, int id);
// What the user types into an edit field.
void Type(HWND dialog, int id, const std::string& text, const char* windowClass = "Edit");
// A control's text, asked of the process that owns it.
std::string Text(HWND window);
bool Checked(HWND dialog, int id);
// The text of a message box.
std::string MessageBoxText(HWND box);

// A copy of Vistero.exe in a folder of its own, beside a DLL under the name
// of each system DLL that is not one of Windows' KnownDLLs (those come from
// the system folder whatever a program does), as a DLL planted beside a
// downloaded exe would lie. Windows looks for such a DLL in the exe's folder
// first; Wine uses its own copies unless told to prefer others, so while the
// object lives, Wine is told to prefer them (native first) in the programs
// started from the folder. Each planted DLL exports nothing and leaves a
// marker when a process loads it. The folder goes with the object.
class PlantedLibraries {
public:
    PlantedLibraries();
    ~PlantedLibraries();
    PlantedLibraries(const PlantedLibraries&) = delete;
    PlantedLibraries& operator=(const PlantedLibraries&) = delete;

    // The copy of Vistero.exe among them.
    std::string Exe() const { return folder + "\\Vistero.exe"; }
    // Each planted DLL that a process loaded, with the program that did,
    // "version.dll by C:\...\Vistero.exe"; none, when all is well.
    std::vector<std::string> Loaded() const;
    void ForgetLoaded() const;
    // A program beside them that asks for version.dll by name and takes no
    // care where it comes from: true when it ran, and it is then in
    // Loaded(), unless nothing planted is ever found (and the test of a
    // careful program would prove nothing).
    bool RunCarelessProgram() const;
    // The modules a process has loaded from this folder, the exe apart.
    std::vector<std::string> ModulesFromTheFolder(DWORD process) const;

private:
    std::string folder;
    // Read once from the list of names.
    std::vector<std::string> names;
};

// A started or found Vistero.exe; ended, if it still runs, when the object
// goes, so that no test leaves one behind.
class Vistero {
public:
    // Started as from Explorer, in the program's folder: by hand (no
    // arguments) or as the Startup shortcut does ("/startup"); the build's
    // exe unless another is named.
    static Vistero Start(const std::string& arguments = {}, const std::string& exe = {});
    // Started with "/startup", and waited for until it is resident: its
    // window, icon and change timer come before the Startup shortcut it
    // writes, which is removed first for the purpose.
    static Vistero StartSilently();
    // The resident instance, however it was started; empty when none runs.
    static Vistero Resident();
    Vistero(Vistero&&) noexcept = default;
    Vistero& operator=(Vistero&&) = delete;
    ~Vistero();

    bool Started() const { return static_cast<bool>(process); }
    DWORD Id() const { return processId; }
    bool Running() const;
    // Waits, handling this thread's messages meanwhile: a stand-in for the
    // shell in this thread must answer while Vistero waits on it.
    bool Ended(std::chrono::milliseconds timeout = Deadline) const;
    DWORD ExitCode() const;

    // Its hidden window, or null.
    HWND TrayWindow() const;
    // Until the window exists and start-up is over.
    bool WaitForTrayWindow() const;
    // Its visible configuration dialog, or null.
    HWND Dialog() const;
    bool WaitForDialog() const;
    bool WaitForNoDialog() const;
    // Its visible message box, or null.
    HWND MessageBox() const;
    // Its visible popup menu, or null.
    HWND Menu() const;

    // "Open Configuration Dialog" as a second start posts it; true when the
    // dialog came up.
    bool OpenDialog() const;
    // The dialog's OK or Cancel; true when the dialog then went away. A
    // message box that comes up instead is left for the caller.
    bool CloseDialog(int button) const;
    // The tray menu's Exit as a command; true when the program then ended
    // with code 0. Exit is refused while the dialog is open, so a program
    // that ends on it had none.
    bool Exit() const;

    // The tray icon's callback as the shell sends it.
    void DoubleClickIcon() const;
    // Right-click on the icon, then the popup menu's item at `position`
    // chosen with the keyboard (0 "Open Configuration Dialog", 1 "Exit
    // Vistero"). True when the menu came up and closed; its command is then
    // in Vistero's queue.
    bool ChooseFromTrayMenu(int position) const;

    // The rows of the Wallpapers list, "path|priority" in the list's order.
    std::vector<std::string> Rows() const;
    // Selects exactly the rows whose first column reads as given.
    void SelectRows(const std::vector<std::string>& texts) const;
    // Clicks the tab at `index`, as the mouse does.
    void ShowTab(int index) const;
    // "Add Files...", then the file dialog: the folder typed and opened,
    // then the names, quoted, and Open.
    ::testing::AssertionResult AddFiles(const std::string& folder, const std::vector<std::string>& names) const;

private:
    Vistero(HANDLE process, DWORD id) : process(process), processId(id) {}
    std::vector<HWND> Dialogs() const;
    HWND FileDialog() const;

    UniqueKernelHandle process;
    DWORD processId = 0;
};

} // namespace test_support
