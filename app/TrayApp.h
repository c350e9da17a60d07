#pragma once

#include "framework/core/UniqueHandle.h"
#include "framework/ui/WinApp.h"
#include "wallpapers/DesktopWallpaperWriter.h"

#include <windows.h>

// The application object: decides at each start whether this process becomes
// the one resident instance or only signals the instance that already runs.
// There is exactly one, global (app/main.cpp); it holds only the mutex that
// makes the resident instance the one of its session, and the resident state
// lives in the TrayWindow. The desktop wallpaper writer comes with it, so
// TrayApp::SetWallpaper is the writer's.
class TrayApp : public CWinApp, public DesktopWallpaperWriter {
public:
    // No name: the application, its message boxes and its profile file are
    // named after the executable.
    TrayApp() = default;

    // The start-up table: a second instance hands over to the first and ends;
    // the first creates the tray window, rewrites the Startup shortcut and,
    // unless started silently, opens the configuration dialog.
    BOOL InitInstance() override;

    // The argument text the Startup shortcut passes. Compared byte for byte
    // with the whole argument text: "/Startup", "-startup" or "/startup "
    // are starts by hand.
    static constexpr const char* SilentStartArgument = "/startup";
    static bool IsSilentStart(const char* argumentText);

    // The resident instance holds this mutex for its run. "Local\\" makes
    // it one per user session, as the window lookup is: the lookup alone
    // let two starts at the same moment both miss each other and both stay.
    static constexpr const char* ResidentMutexName = "Local\\Vistero.Resident";
    // How long a start that finds the mutex taken waits for its holder's
    // window, which comes once the holder has loaded its list.
    static constexpr DWORD ResidentWindowWait = 10000;

    // Takes the mutex for this process; when another holds it, waits for
    // that one's window (true only if the holder ends first, and the mutex
    // is ours). True also when no mutex can be made at all, so that the
    // window lookup decides alone, as before.
    bool TakeResidency();

    // A resident instance's hidden window exists (its class and its name
    // both match).
    static bool IsAnotherInstanceRunning();
    // Asks the resident instance to open its configuration dialog (or bring
    // the open one to the front), having allowed its process the foreground;
    // nothing when it has gone meanwhile.
    static void ActivateRunningInstance();

    // Writes "Vistero.lnk" into the user's Startup folder, starting this
    // executable with "/startup". Writes nothing when the folder can't be
    // found or a path does not fit (no truncated link); failures are silent.
    static void CreateStartupShortcut();
    // Writes one shell link, its strings whole whatever characters they hold;
    // the status of the last COM step that ran. A link path that does not
    // fit 260 UTF-16 characters is not saved.
    static HRESULT CreateShellLink(const char* target, const char* linkFile, const char* arguments,
                                   const char* description);

private:
    // Held from TakeResidency to the end of the process.
    UniqueKernelHandle residentMutex;
};
