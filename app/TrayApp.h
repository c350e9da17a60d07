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

    // The two kernel objects of the session by which the resident instance
    // is known before its window exists and after it has gone: the mutex it
    // holds for its run, and the event it sets once its window is there.
    // "Local\\" makes them one per user session, as the window lookup is: the
    // lookup alone let two starts at the same moment both miss each other
    // and both stay.
    static constexpr const char* ResidentMutexName = "Local\\Vistero.Resident";
    static constexpr const char* ResidentWindowEventName = "Local\\Vistero.ResidentWindow";
    // An earlier version holds the mutex but sets no event: while a start
    // waits, it looks for such a holder's window at this pace.
    static constexpr DWORD EarlierHolderLookupPeriod = 10000;

    // Takes the mutex for this process, waiting on the kernel objects while
    // another holds it: true when it is ours (its holder ended, however),
    // false when the holder's window exists, to hand over to. A holder still
    // starting is waited for until its window comes; one whose window has
    // gone, until it ends. False at once when the mutex is another user's
    // (a copy run as administrator). True also when no mutex can be made or
    // waited on at all: the window lookup then decides alone, as it did
    // before there was one.
    bool TakeResidency();
    // Tells the starts that wait that this resident instance's window is
    // there; nothing when it holds no mutex.
    void AnnounceResidentWindow() const;

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
    // Ours from TakeResidency to the end of the process.
    HeldMutex residentMutex;
    // Open while this process is, or may become, the resident instance.
    UniqueKernelHandle residentWindowEvent;
};
