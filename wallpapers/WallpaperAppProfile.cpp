// Load and Save of WallpaperSet through the application object's profile.
#include "framework/ui/WinApp.h"
#include "wallpapers/WallpaperSet.h"

void WallpaperSet::Load()
{
    if (CWinApp* app = AfxGetApp())
        Load(*app);
}

bool WallpaperSet::Save() const
{
    CWinApp* app = AfxGetApp();
    return app && Save(*app);
}
