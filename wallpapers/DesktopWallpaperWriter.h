#pragma once

#include "framework/core/ScopedHook.h"

#include <windows.h>

// Makes a bitmap the current user's desktop wallpaper: the registry key
// "Control Panel\Desktop", win.ini's [Desktop] section and, when asked to
// apply at once, the system's own wallpaper setting. Stateless; the
// application object inherits it, so that TrayApp::SetWallpaper names it,
// and the Wallpapers page calls it without knowing the application.
class DesktopWallpaperWriter {
public:
    // Whether a failed step is shown to the user. While the Windows session
    // ends nobody can act on a message, and a window shown then holds up the
    // sign-out (Windows lists the program as blocking it, and ends it after
    // about five seconds without an answer): the end of the session writes
    // what it can and drops the failures.
    enum class Failures { Shown, Dropped };

    // Every failing registry step shows one message box (unless `failures`
    // drops them) and the sequence goes on; only a key that can't be opened
    // skips the registry and win.ini.
    // With `applyNow` false only the stored settings change (the registry
    // also gets the path), for the next logon; with it true the system is
    // told to show the bitmap now. An empty path is the desktop without a
    // bitmap. Show states outside Tiled, Centered and Stretched (the
    // no-wallpaper entry's None, or a hand-edited number) are written as
    // Centered: the bitmap once, at its own size. A path too long for any
    // file (32767 bytes or more) is not mirrored into win.ini.
    static void SetWallpaper(const char* path, int showState, bool applyNow,
                             Failures failures = Failures::Shown);
    // "<stepName> failed with code <code>" in a message box; nothing for 0.
    static void ReportFailure(LONG code, const char* stepName);

    // The registry functions the writer calls. Tests replace them, through
    // ScopedRegistryCalls, to make one step fail.
    struct RegistryCalls {
        LSTATUS(WINAPI* openKey)(HKEY, LPCSTR, DWORD, REGSAM, PHKEY) = ::RegOpenKeyExA;
        LSTATUS(WINAPI* setValue)(HKEY, LPCSTR, DWORD, DWORD, const BYTE*, DWORD) = ::RegSetValueExA;
        LSTATUS(WINAPI* flushKey)(HKEY) = ::RegFlushKey;
        LSTATUS(WINAPI* closeKey)(HKEY) = ::RegCloseKey;
    };

    using ScopedRegistryCalls = ScopedHook<RegistryCalls>;

private:
    // The calls of the innermost ScopedRegistryCalls, else the system's.
    static const RegistryCalls& Registry();
};
