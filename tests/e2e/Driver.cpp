#include "tests/e2e/Driver.h"

#include "framework/ui/Handles.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#ifndef E2E_SHOTS
#error E2E_SHOTS must name the folder for the screenshots
#endif

namespace e2e {

namespace {

std::string WindowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// ---- The picture model of the desktop

// The colour a desktop that shows `picture` in the way `show` has at (x, y).
COLORREF ExpectedAt(const Picture* picture, Show show, int x, int y, int width, int height, COLORREF background)
{
    if (!picture)
        return background;
    int px = -1;
    int py = -1;
    switch (show) {
    case Show::Tiled:  // from the desktop's top left corner
        px = x % PictureWidth;
        py = y % PictureHeight;
        break;
    case Show::Centered:
        px = x - (width - PictureWidth) / 2;
        py = y - (height - PictureHeight) / 2;
        break;
    case Show::Stretched:
        px = x * PictureWidth / width;
        py = y * PictureHeight / height;
        break;
    case Show::None:
        return background;
    }
    if (px < 0 || py < 0 || px >= PictureWidth || py >= PictureHeight)
        return background;
    const bool border = px < 4 || py < 4 || px >= PictureWidth - 4 || py >= PictureHeight - 4;
    return border ? picture->border : picture->inside;
}

std::string Hex(COLORREF colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

std::string ModelMismatch(const Screen& screen, const Picture* picture, Show show)
{
    const COLORREF background = ::GetSysColor(COLOR_DESKTOP);
    const auto expected = [&](int x, int y) {
        return ExpectedAt(picture, show, x, y, screen.width, screen.height, background);
    };
    int compared = 0;
    int differing = 0;
    std::string first;
    for (int y = 1; y < screen.height - 1; y += 3) {
        for (int x = 1; x < screen.width - 1; x += 3) {
            const COLORREF want = expected(x, y);
            // Edges are left out: a stretch may round them either way.
            if (screen.Covered(x, y) || want != expected(x - 1, y - 1) || want != expected(x + 1, y + 1))
                continue;
            ++compared;
            if (screen.At(x, y) == want)
                continue;
            if (differing++ == 0)
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + "): " + Hex(screen.At(x, y))
                      + " for " + Hex(want);
        }
    }
    if (compared < 100)
        return "only " + std::to_string(compared) + " pixels of the desktop are uncovered";
    if (differing == 0)
        return {};
    return std::to_string(differing) + " of " + std::to_string(compared) + " pixels differ," + first;
}

} // namespace


std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

void ForgetEverything()
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    RemoveProfile();
    for (const std::string& file : {std::string(windows) + "\\Vistero.INI", StartupLinkPath()})
        ::DeleteFileA(file.c_str());
    // The desktop forgets its picture, then the registry its values.
    char none[] = "";
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, none, SPIF_UPDATEINIFILE);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (const char* name : {"Wallpaper", "TileWallpaper", "WallpaperStyle"})
            ::RegDeleteValueA(key, name);
        ::RegCloseKey(key);
    }
}

// ---- Pictures

void WritePicture(const Picture& picture)
{
    ::CreateDirectoryA(picture.path.substr(0, picture.path.find_last_of('\\')).c_str(), nullptr);
    WriteBitmapFile(picture.path, PictureWidth, PictureHeight, [&picture](int x, int y) {
        return ExpectedAt(&picture, Show::Centered, x, y, PictureWidth, PictureHeight, 0);
    });
}

std::string ProfileText(const std::vector<Entry>& entries, int lowPercent, int highPercent, int interval)
{
    std::string text = "[WallpaperList]\r\n";
    int n = 0;
    for (const Entry& entry : entries) {
        const std::string number = std::to_string(n++);
        text += "File" + number + "=" + (entry.picture ? entry.picture->path : "") + "\r\n";
        text += "Showstate" + number + "=" + std::to_string(static_cast<int>(entry.show)) + "\r\n";
        text += "Priority" + number + "=" + std::to_string(entry.priority) + "\r\n";
    }
    text += "NumberOfFiles=" + std::to_string(n) + "\r\n";
    text += "FrequencyLow=" + std::to_string(lowPercent) + "\r\n";
    text += "FrequencyNormal=100\r\n";
    text += "FrequencyHigh=" + std::to_string(highPercent) + "\r\n";
    text += "ChangeInterval=" + std::to_string(interval) + "\r\n";
    return text;
}

// ---- Screen

Screen Screen::Capture()
{
    Screen screen;
    screen.width = ::GetSystemMetrics(SM_CXSCREEN);
    screen.height = ::GetSystemMetrics(SM_CYSCREEN);
    screen.pixels = ScreenPixels(RECT{0, 0, screen.width, screen.height});

    for (HWND window = ::GetTopWindow(nullptr); window; window = ::GetWindow(window, GW_HWNDNEXT)) {
        RECT rect{};
        if (::IsWindowVisible(window) && ::GetWindowRect(window, &rect) && !::IsRectEmpty(&rect))
            screen.windows.push_back(rect);
    }
    return screen;
}

bool Screen::Covered(int x, int y) const
{
    const POINT point{x, y};
    return std::any_of(windows.begin(), windows.end(), [point](const RECT& rect) { return ::PtInRect(&rect, point); });
}

void Screen::Save(const std::string& name) const
{
    const std::string folder = WindowsPath(E2E_SHOTS);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteBitmapFile(folder + "\\" + name + ".bmp", width, height, [this](int x, int y) { return At(x, y); });
}

std::string DesktopMismatch(const Screen& screen, const Picture* picture, Show show)
{
    std::string mismatch = ModelMismatch(screen, picture, show);
    // Wine 8 paints WallpaperStyle 2 centred: it knows no stretching. A
    // tiled desktop matches neither.
    if (!mismatch.empty() && show == Show::Stretched && ModelMismatch(screen, picture, Show::Centered).empty())
        return {};
    return mismatch;
}

::testing::AssertionResult DesktopShows(const Picture* picture, Show show, const std::string& shot)
{
    std::string mismatch;
    const bool shown = WaitFor([&] {
        const Screen screen = Screen::Capture();
        mismatch = DesktopMismatch(screen, picture, show);
        if (mismatch.empty())
            screen.Save(shot);
        return mismatch.empty();
    });
    if (shown)
        return ::testing::AssertionSuccess();
    Screen::Capture().Save(shot);
    return ::testing::AssertionFailure() << "the desktop does not show " << (picture ? picture->path : "no picture")
                                         << " as style " << static_cast<int>(show) << ": " << mismatch
                                         << " (see " << E2E_SHOTS << "/" << shot << ".bmp)";
}

bool TrayShowsIcon()
{
    // The size the notification area draws its icons at, as Vistero loads it.
    static const int size = ::GetSystemMetrics(SM_CXSMICON);
    static const UniqueIcon icon = [] {
        const HMODULE exe = ::LoadLibraryExA(BuiltExe().c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        UniqueIcon loaded(static_cast<HICON>(::LoadImageA(exe, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, size, size, 0)));
        ::FreeLibrary(exe);
        return loaded;
    }();
    // The notification area: the right end of the taskbar along the bottom.
    const int width = ::GetSystemMetrics(SM_CXSCREEN);
    const int height = ::GetSystemMetrics(SM_CYSCREEN);
    return icon && ScreenShowsIcon(icon.get(), size, RECT{width / 2, height - 40, width, height});
}

} // namespace e2e
