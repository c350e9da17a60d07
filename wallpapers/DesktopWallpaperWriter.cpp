#include "wallpapers/DesktopWallpaperWriter.h"

#include "framework/core/UniqueHandle.h"
#include "framework/ui/AfxMessageBox.h"
#include "wallpapers/WallpaperEntry.h"

#include <cstdio>
#include <cstring>

namespace {

struct StyleValues {
    const char* tileWallpaper;
    const char* wallpaperStyle;
};

StyleValues StyleFor(int showState)
{
    switch (showState) {
    case ShowState::Tiled: return {"1", "0"};
    case ShowState::Stretched: return {"0", "2"};
    // Centered, and every value that names no way of showing a bitmap: the
    // no-wallpaper entry's style does not matter, and a hand-edited number
    // gets the plainest display rather than keeping whatever was stored.
    default: return {"0", "0"};
    }
}

constexpr const char* DesktopKey = "Control Panel\\Desktop";
constexpr const char* DesktopSection = "Desktop";
constexpr std::size_t LongestProfileValue = 32766;

} // namespace

const DesktopWallpaperWriter::RegistryCalls& DesktopWallpaperWriter::Registry()
{
    static const RegistryCalls system;
    const RegistryCalls* replaced = ScopedRegistryCalls::Installed();
    return replaced ? *replaced : system;
}

void DesktopWallpaperWriter::SetWallpaper(const char* path, int showState, bool applyNow, Failures failures)
{
    const RegistryCalls& registry = Registry();
    const auto report = [failures](LONG code, const char* stepName) {
        if (failures == Failures::Shown)
            ReportFailure(code, stepName);
    };
    const char* wallpaper = path ? path : "";
    const StyleValues style = StyleFor(showState);

    // REG_SZ with its terminating zero counted, as the readers of these
    // values expect.
    auto setString = [&](HKEY key, const char* name, const char* value) {
        const DWORD size = static_cast<DWORD>(std::strlen(value) + 1);
        return static_cast<LONG>(
            registry.setValue(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), size));
    };

    HKEY opened = nullptr;
    const LONG openStatus = registry.openKey(HKEY_CURRENT_USER, DesktopKey, 0, KEY_SET_VALUE, &opened);
    if (openStatus != ERROR_SUCCESS) {
        report(openStatus, "RegOpenKeyEx");
    } else {
        // Owned until the close step, so that the key is not left open if a
        // message box's handler throws.
        UniqueHKey key(opened);
        report(setString(key.get(), "TileWallpaper", style.tileWallpaper), "RegSetValueEx on TileWallpaper");
        report(setString(key.get(), "WallpaperStyle", style.wallpaperStyle), "RegSetValueEx on WallpaperStyle");
        // When applying now, the system call below stores the path itself.
        if (!applyNow)
            report(setString(key.get(), "Wallpaper", wallpaper), "RegSetValueEx on Wallpaper");
        report(static_cast<LONG>(registry.flushKey(key.get())), "RegFlushKey");
        report(static_cast<LONG>(registry.closeKey(key.release())), "RegCloseKey");

        // A path of 32767 bytes or more names no file (no Windows path is that
        // long), and the profile functions are not safe with such a value:
        // Wine's WriteProfileStringA faults on it. The registry has it whole.
        if (std::strlen(wallpaper) <= LongestProfileValue)
            ::WriteProfileStringA(DesktopSection, "Wallpaper", wallpaper);
        ::WriteProfileStringA(DesktopSection, "TileWallpaper", style.tileWallpaper);
        ::WriteProfileStringA(DesktopSection, "WallpaperStyle", style.wallpaperStyle);
    }

    // Even after a failed open: a timed change or the Test button still
    // switches the bitmap, with the style stored before.
    if (applyNow)
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, const_cast<char*>(wallpaper), SPIF_UPDATEINIFILE);
}

void DesktopWallpaperWriter::ReportFailure(LONG code, const char* stepName)
{
    if (code == 0)
        return;
    char text[256];
    std::snprintf(text, sizeof text, "%s failed with code %d", stepName ? stepName : "", static_cast<int>(code));
    AfxMessageBox(text, MB_OK, 0);
}
