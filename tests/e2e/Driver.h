#pragma once

// The steps of the end-to-end journeys: what a user does to Vistero.exe and
// what they then see, taken by a program of its own that runs beside Vistero
// in the same Wine desktop. It knows Vistero only from outside: the window
// name, the dialogs' captions and control ids, the tray callback, the files
// and the registry. Every wait is a condition with a deadline.
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using namespace std::chrono_literals;
inline constexpr std::chrono::milliseconds Deadline = 30s;

using test_support::ProcessOf;
using test_support::ShellFolder;
using test_support::WaitFor;

// ---- What stays on the disk and in the registry

std::string ProfilePath();      // %APPDATA%\Vistero.INI
std::string StartupLinkPath();  // the user's Startup folder\Vistero.lnk
using test_support::FileExists;
std::string ReadText(const std::string& path);  // empty when missing
void WriteText(const std::string& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);

// HKCU\Control Panel\Desktop, where Wine also keeps win.ini's [Desktop].
struct DesktopSettings {
    std::optional<std::string> wallpaper;
    std::optional<std::string> tileWallpaper;
    std::optional<std::string> wallpaperStyle;
};
DesktopSettings ReadDesktopSettings();

// A user who never ran Vistero: no profile, no Startup shortcut, no
// wallpaper values, a plain desktop.
void ForgetEverything();

// ---- Pictures

enum class Show { Tiled = 0, Centered = 1, Stretched = 2, None = 3 };

// A 64 x 48 bitmap with a 4-pixel border of one colour around another, so
// that tiling, centring and stretching leave different pixels on the screen.
struct Picture {
    std::string path;
    COLORREF border;
    COLORREF inside;
};
inline constexpr int PictureWidth = 64;
inline constexpr int PictureHeight = 48;
void WritePicture(const Picture& picture);

// One entry of a list written as Vistero writes it; no picture is "(none)".
struct Entry {
    const Picture* picture;
    Show show;
    int priority;  // 0 Low, 1 Normal, 2 High
};
std::string ProfileText(const std::vector<Entry>& entries, int lowPercent, int highPercent, int interval);

// ---- The screen of the virtual desktop

class Screen {
public:
    // The pixels now on the display (Wine reads them back from the X
    // server: the same as `import -window` of the desktop), and where the
    // visible top-level windows lie over the desktop.
    static Screen Capture();
    COLORREF At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
    bool Covered(int x, int y) const;
    // A .bmp in the build tree, for a person to look at.
    void Save(const std::string& name) const;

    int width = 0;
    int height = 0;

private:
    std::vector<COLORREF> pixels;
    std::vector<RECT> windows;
};

// What differs from a desktop that shows `picture` in the way `show` (no
// picture: none at all); empty when nothing does. Only the desktop's own
// pixels are compared, not those under windows.
std::string DesktopMismatch(const Screen& screen, const Picture* picture, Show show);
// Waits until the desktop shows it; saves the last picture taken as `shot`.
::testing::AssertionResult DesktopShows(const Picture* picture, Show show, const std::string& shot);

// Vistero's tray icon in the notification area of the taskbar, pixel for
// pixel as its resource draws it.
bool TrayShowsIcon(const Screen& screen);

// ---- Windows of Vistero

// A control of a dialog or of one of its pages, by id and window class.
HWND Control(HWND dialog, int id, const char* windowClass = "Button");
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
std::string Text(HWND window);
bool Checked(HWND dialog, int id);

// The running Vistero.exe that a test started, or found.
class Vistero {
public:
    // Started as a user starts it by hand (no arguments) or as the Startup
    // shortcut does ("/startup"); the build's exe unless another is named.
    static Vistero Start(const std::string& arguments = {}, const std::string& exe = {});
    // Started with "/startup", and waited for until it is resident: its
    // window, icon and change timer come before the Startup shortcut it
    // writes, which is removed first for the purpose.
    static Vistero StartSilently();
    // The resident instance, however it was started; empty when none runs.
    static Vistero Resident();
    Vistero(Vistero&& other) noexcept;
    Vistero& operator=(Vistero&&) = delete;
    // Ends the process if it still runs: no test leaves one behind.
    ~Vistero();

    bool Running() const;
    bool Ended() const;  // waits
    DWORD ExitCode() const;

    HWND TrayWindow() const;
    // The visible configuration dialog, or null.
    HWND Dialog() const;
    bool WaitForDialog() const { return WaitFor([this] { return Dialog() != nullptr; }); }
    bool WaitForNoDialog() const { return WaitFor([this] { return Dialog() == nullptr; }); }

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
    HWND FileDialog() const;

    HANDLE process = nullptr;
    DWORD processId = 0;
};

// The build's Vistero.exe, by its Windows path.
std::string BuiltExe();

// Runs a program of the system (wineboot) to its end.
bool RunToEnd(const std::string& commandLine);

} // namespace e2e
