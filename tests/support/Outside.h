#pragma once

// What every test needs that watches Vistero.exe from another process, as a
// user, the shell or an installer would: waiting on what the other process
// does, whose a window is, where the shell keeps a folder, and how it reads
// a shortcut.
#include "tests/support/Wait.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace test_support {

// A file or folder of that name exists.
bool FileExists(const std::string& path);
// The file's bytes, or "(missing)".
std::string FileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// A bitmap file of 24-bit pixels, as a paint program saves one.
void WriteBitmapFile(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colourAt);

// The window's icon is in the notification area: the shell accepts a change
// to it.
bool IconShown(HWND window);

// The pixels the screen shows within `area`, row by row from the top, as the
// display reads them back (under Wine, from the X server).
std::vector<COLORREF> ScreenPixels(const RECT& area);
// The screen shows `icon` as it draws at `size` pixels, pixel for pixel
// wherever its picture is opaque, with its top left corner within `area`.
// A picture drawn for another size and scaled to this one shows other
// pixels.
bool ScreenShowsIcon(HICON icon, int size, const RECT& area);

// The picture the desktop shows, as the system says.
std::string AppliedWallpaper();

// HKCU\Control Panel\Desktop, where the wallpaper is kept for the next
// logon: a value as text, or nothing when it is missing...
std::optional<std::string> DesktopValue(const char* name);
// ... and every value, name -> type and data, to compare whole.
std::map<std::string, std::string> DesktopValues();
// Every value of a key of HKEY_CURRENT_USER, the same way.
std::map<std::string, std::string> UserKeyValues(const char* key);

// Where the shell keeps the user's folders (Startup among them), under
// HKEY_CURRENT_USER.
inline constexpr const char* ShellFoldersKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The values of a key of HKEY_CURRENT_USER as they are now, put back when the
// object goes: each changed or deleted value written again, each added one
// deleted. Nothing is written when nothing changed.
class SavedUserKey {
public:
    explicit SavedUserKey(const char* key);
    ~SavedUserKey();
    SavedUserKey(const SavedUserKey&) = delete;
    SavedUserKey& operator=(const SavedUserKey&) = delete;

private:
    const char* key;
    std::map<std::string, std::string> values;
};

// The desktop's settings as they are now, the picture shown and every value,
// put back when the object goes: what a test changes there, no later test
// sees.
class SavedDesktopSettings {
public:
    SavedDesktopSettings();
    ~SavedDesktopSettings();
    SavedDesktopSettings(const SavedDesktopSettings&) = delete;
    SavedDesktopSettings& operator=(const SavedDesktopSettings&) = delete;

private:
    std::string applied;
    // Written back after the picture, which the system stores as a value too.
    SavedUserKey values;
};

// The suffixes of the files of a profile: the file itself, its backup and
// the temporary files of a save.
inline constexpr const char* ProfileSuffixes[] = {"", ".bak", ".tmp", ".bak.tmp"};

// All that is the user's own and a test may change, as it is now, put back
// when the object goes: the desktop's settings; where the shell keeps the
// user's folders; the Startup folder and its "Vistero.lnk"; and the profile
// of each program named, %APPDATA%\NAME.INI with the files saved beside it. A
// file is written back with its bytes and attributes, a file or folder that
// came since is removed, a folder that went is made again (empty). Every
// Windows test program keeps one for its whole run, and the Windows test kit
// one more around each program, so that on a user's own machine nothing of
// theirs stays changed, however a test ended.
class SavedUserSettings {
public:
    explicit SavedUserSettings(const std::vector<std::string>& programs);
    ~SavedUserSettings();
    SavedUserSettings(const SavedUserSettings&) = delete;
    SavedUserSettings& operator=(const SavedUserSettings&) = delete;

private:
    struct File {
        std::string path;
        DWORD attributes;  // INVALID_FILE_ATTRIBUTES: there was none
        std::string bytes;
    };
    static File Keep(const std::string& path);
    static void PutBack(const File& kept);

    SavedDesktopSettings desktop;
    SavedUserKey shellFolders{ShellFoldersKey};
    // In the order they are put back: a folder before what it holds.
    std::vector<File> files;
};

// A window's text, whole.
std::string TextOf(HWND window);
// Where a child window lies in its parent's client area.
RECT PlaceOf(HWND child);

// The id of the process that made the window.
DWORD ProcessOf(HWND window);

// Starts a program, in `folder` when one is given (else in this one's). When
// Windows refuses, says why on stderr (the system's error) and tries twice
// more; false, with the last error in `error`, when all three fail.
bool StartProcess(const std::string& commandLine, PROCESS_INFORMATION& info, const char* folder = nullptr,
                  DWORD* error = nullptr);

// Runs a program (wineboot, or one in `folder`) to its end; true when it
// ended within the timeout with code 0.
bool RunToEnd(const std::string& commandLine, std::chrono::milliseconds timeout = std::chrono::seconds(60),
              const char* folder = nullptr);

// The processes other than this one that run a program of that file name
// ("Vistero.exe").
std::vector<DWORD> ProcessesOf(const char* fileName);

// Ends what an earlier test program of the same prefix may have left running
// when it failed or ran out of time (Vistero.exe with its window and its
// files open, a save child), so that each one starts from a clean state.
// Every test program that links this file does so before its first test.
void EndStrayPrograms();

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
