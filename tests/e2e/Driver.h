#pragma once

// The steps of the end-to-end journeys that the driver of Vistero.exe does
// not take itself: a user who never ran Vistero, pictures whose tiling,
// centring and stretching tell apart on the screen, and the screen of the
// virtual desktop read back pixel for pixel.
#include "tests/support/Vistero.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

using namespace test_support;

std::vector<std::string> Lines(const std::string& text);

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
// pixel as its resource draws it at the size the area asks for.
bool TrayShowsIcon();

} // namespace e2e
