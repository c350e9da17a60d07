#include "tests/e2e/Driver.h"

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
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = screen.width;
    info.bmiHeader.biHeight = -screen.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const HDC display = ::GetDC(nullptr);
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = ::CreateCompatibleDC(display);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, screen.width, screen.height, display, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* pixel = static_cast<const DWORD*>(bits);
    screen.pixels.reserve(static_cast<size_t>(screen.width) * screen.height);
    for (size_t i = 0, n = static_cast<size_t>(screen.width) * screen.height; i < n; ++i)
        screen.pixels.push_back(RGB((pixel[i] >> 16) & 0xFF, (pixel[i] >> 8) & 0xFF, pixel[i] & 0xFF));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, display);

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

bool TrayShowsIcon(const Screen& screen)
{
    // The icon drawn on black and on white: the pixels that come out the
    // same are its opaque ones.
    constexpr int Size = 16;
    static const std::vector<std::pair<POINT, COLORREF>> opaque = [] {
        std::vector<std::pair<POINT, COLORREF>> result;
        const HMODULE exe = ::LoadLibraryExA(BuiltExe().c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        const auto icon = static_cast<HICON>(::LoadImageA(exe, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, Size, Size, 0));
        if (!icon)
            return result;
        COLORREF drawn[2][Size][Size] = {};
        for (int background = 0; background < 2; ++background) {
            const HDC display = ::GetDC(nullptr);
            const HDC memory = ::CreateCompatibleDC(display);
            const HBITMAP bitmap = ::CreateCompatibleBitmap(display, Size, Size);
            const HGDIOBJ old = ::SelectObject(memory, bitmap);
            const RECT all{0, 0, Size, Size};
            ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(background ? WHITE_BRUSH : BLACK_BRUSH)));
            ::DrawIconEx(memory, 0, 0, icon, Size, Size, 0, nullptr, DI_NORMAL);
            for (int y = 0; y < Size; ++y)
                for (int x = 0; x < Size; ++x)
                    drawn[background][y][x] = ::GetPixel(memory, x, y);
            ::SelectObject(memory, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(memory);
            ::ReleaseDC(nullptr, display);
        }
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x)
                if (drawn[0][y][x] == drawn[1][y][x])
                    result.push_back({POINT{x, y}, drawn[0][y][x]});
        ::DestroyIcon(icon);
        ::FreeLibrary(exe);
        return result;
    }();
    if (opaque.empty())
        return false;
    // The notification area: the right end of the taskbar along the bottom.
    for (int top = screen.height - 40; top <= screen.height - Size; ++top)
        for (int left = screen.width / 2; left <= screen.width - Size; ++left)
            if (std::all_of(opaque.begin(), opaque.end(), [&](const auto& pixel) {
                    return screen.At(left + pixel.first.x, top + pixel.first.y) == pixel.second;
                }))
                return true;
    return false;
}

} // namespace e2e
