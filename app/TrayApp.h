#pragma once

#include "framework/ui/WinApp.h"
#include "wallpapers/DesktopWallpaperWriter.h"

#include <windows.h>

// The application object: decides at each start whether this process becomes
// the one resident instance or only signals the instance that already runs.
// There is exactly one, global (app/main.cpp), and it holds no data: the
// resident state lives in the TrayWindow. The desktop wallpaper writer comes
// with it, so TrayApp::SetWallpaper is the writer's.
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
};
