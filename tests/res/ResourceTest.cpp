// The string table, the tray menu, the icons and the show-state strip, read
// through the same calls the program makes.
#include "res/resource.h"
#include "tests/support/Vistero.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

HINSTANCE Module() { return GetModuleHandleA(nullptr); }

std::string LoadText(UINT id)
{
    char buffer[512] = "<missing>";
    if (LoadStringA(Module(), id, buffer, sizeof buffer) == 0)
        return "<missing>";
    return buffer;
}

TEST(StringTable, EveryTextAsTheProgramShowsIt)
{
    const struct {
        UINT id;
        const char* text;
    } strings[] = {
        {IDS_COLUMN_FILE, "Wallpaper File"},
        {IDS_FILE_FILTER, "Bitmaps (*.bmp)"},
        {IDS_FILE_DIALOG_TITLE, "Select Wallpaper Files"},
        {IDS_NO_WALLPAPER, "(none)"},
        {IDS_COLUMN_PRIORITY, "Priority"},
        {IDS_PRIORITY_LOW, "Low"},
        {IDS_PRIORITY_NORMAL, "Normal"},
        {IDS_PRIORITY_HIGH, "Hight"},
        {IDS_TRAY_TIP, "Vistero 1.1"},
        {IDS_RANGE_MESSAGE, "Please enter a number between %1!d! and %2!d!."},
        {IDS_TAB_WALLPAPERS, "Wallpapers"},
        {IDS_TAB_OPTIONS, "Options"},
    };
    for (const auto& entry : strings)
        EXPECT_EQ(entry.text, LoadText(entry.id)) << "string " << entry.id;

    // The tray icon's tooltip field holds 64 bytes, terminator included.
    EXPECT_LT(LoadText(IDS_TRAY_TIP).size(), 64u);
}

TEST(StringTable, RangeMessageFormatsBothBounds)
{
    // The Options page formats string 16 with FormatMessage-style inserts.
    const std::string pattern = LoadText(IDS_RANGE_MESSAGE);
    DWORD_PTR bounds[] = {100, 1000};
    char message[256] = {};
    ASSERT_NE(0u, FormatMessageA(FORMAT_MESSAGE_FROM_STRING | FORMAT_MESSAGE_ARGUMENT_ARRAY, pattern.c_str(), 0, 0,
                                 message, sizeof message, reinterpret_cast<va_list*>(bounds)));
    EXPECT_STREQ("Please enter a number between 100 and 1000.", message);
}

TEST(TrayMenu, OnePopupWithOpenThenExit)
{
    HMENU menu = LoadMenuA(Module(), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(nullptr, menu);
    ASSERT_EQ(1, GetMenuItemCount(menu));
    char text[128] = {};
    GetMenuStringA(menu, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ("Popup", text);

    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(nullptr, popup);
    ASSERT_EQ(2, GetMenuItemCount(popup));
    const struct {
        UINT id;
        const char* text;
    } items[] = {{ID_OPEN_CONFIGURATION, "Open Configuration Dialog"}, {ID_EXIT, "Exit Vistero"}};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(items[i].id, GetMenuItemID(popup, i)) << "item " << i;
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(items[i].text, text);
        // Both commands can be chosen: not greyed, not checked, not a separator.
        EXPECT_EQ(0u, GetMenuState(popup, i, MF_BYPOSITION) & (MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_SEPARATOR));
    }
    DestroyMenu(menu);
}

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
struct GroupIconHeader {
    WORD reserved, type, count;
};
#pragma pack(pop)

struct IconImage {
    int width, height;    // from the group directory
    int bitCount;         // from the image's own bitmap header
    int colorTableSize;   // entries the image carries
    WORD id;              // its RT_ICON resource
};

std::vector<IconImage> IconGroup(int id)
{
    std::vector<IconImage> images;
    HRSRC group = FindResourceA(Module(), MAKEINTRESOURCEA(id), RT_GROUP_ICON);
    if (!group || SizeofResource(Module(), group) < sizeof(GroupIconHeader))
        return images;
    const auto* header = static_cast<const GroupIconHeader*>(LockResource(LoadResource(Module(), group)));
    if (SizeofResource(Module(), group) < sizeof(GroupIconHeader) + header->count * sizeof(GroupIconEntry))
        return images;
    const auto* entries = reinterpret_cast<const GroupIconEntry*>(header + 1);
    for (WORD i = 0; i < header->count; ++i) {
        IconImage image{entries[i].width ? entries[i].width : 256, entries[i].height ? entries[i].height : 256, 0, 0,
                        entries[i].id};
        HRSRC icon = FindResourceA(Module(), MAKEINTRESOURCEA(entries[i].id), RT_ICON);
        if (icon && SizeofResource(Module(), icon) >= sizeof(BITMAPINFOHEADER)) {
            const auto* bits = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Module(), icon)));
            image.bitCount = bits->biBitCount;
            image.colorTableSize = bits->biClrUsed ? static_cast<int>(bits->biClrUsed) : 1 << bits->biBitCount;
            EXPECT_EQ(image.width, bits->biWidth);
            EXPECT_EQ(image.height * 2, bits->biHeight) << "colour bits and AND mask";
        }
        images.push_back(image);
    }
    return images;
}

// Each group's sizes, largest first: the program's icon at SM_CXICON and
// SM_CXSMICON, the tray icon at SM_CXSMICON, for 100, 125, 150 and 200 %.
const struct {
    int id;
    std::vector<int> sizes;
} iconGroups[] = {{IDI_MAIN, {64, 48, 40, 32, 24, 20, 16}}, {IDI_TRAY, {32, 24, 20, 16}}};

TEST(Icons, GroupsHoldTheirSizesInSixteenColours)
{
    for (const auto& group : iconGroups) {
        SCOPED_TRACE("group " + std::to_string(group.id));
        const auto images = IconGroup(group.id);
        ASSERT_EQ(group.sizes.size(), images.size());
        for (std::size_t i = 0; i < images.size(); ++i) {
            EXPECT_EQ(group.sizes[i], images[i].width);
            EXPECT_EQ(group.sizes[i], images[i].height);
            EXPECT_EQ(4, images[i].bitCount);
            EXPECT_EQ(16, images[i].colorTableSize);
        }
    }
    // The tray icon is the program's small icon, each picture stored once.
    const auto main = IconGroup(IDI_MAIN);
    for (const auto& image : IconGroup(IDI_TRAY))
        EXPECT_TRUE(std::any_of(main.begin(), main.end(),
                                [&](const IconImage& own) { return own.id == image.id && own.width == image.width; }))
            << "the tray's " << image.width << " x " << image.width << " image is not the program icon's";
}

// The icon drawn at its size onto magenta, which never occurs in the art, row
// by row from the top: magenta is left where the icon is transparent.
constexpr DWORD Probe = 0xFF00FF;
std::vector<DWORD> DrawnOnMagenta(HICON icon, int size)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, target);
    HBRUSH brush = CreateSolidBrush(RGB(255, 0, 255));
    RECT all{0, 0, size, size};
    FillRect(dc, &all, brush);
    DrawIconEx(dc, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<DWORD> pixels;
    for (int i = 0; i < size * size; ++i)
        pixels.push_back(static_cast<const DWORD*>(bits)[i] & 0xFFFFFF);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

// The group's icon at `size`: of a size the group holds, that image as it
// is; of another, one of them scaled.
HICON IconOfSize(int id, int size)
{
    return static_cast<HICON>(LoadImageA(Module(), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0));
}

// An icon without any transparent pixels would be a square block in the
// tray, one with nothing but them invisible.
TEST(Icons, DrawWithTransparentSurroundings)
{
    for (const auto& group : iconGroups)
        for (int size : group.sizes) {
            HICON handle = IconOfSize(group.id, size);
            ASSERT_NE(nullptr, handle) << group.id << " at " << size;
            const auto pixels = DrawnOnMagenta(handle, size);
            const auto transparent = std::count(pixels.begin(), pixels.end(), Probe);
            EXPECT_GT(transparent, 0) << group.id << " at " << size;
            EXPECT_LT(transparent, size * size / 2) << group.id << " at " << size;
            DestroyIcon(handle);
        }
    // The way the tray window loads its icon: at the size the notification
    // area asks for.
    HICON tray = IconOfSize(IDI_TRAY, GetSystemMetrics(SM_CXSMICON));
    EXPECT_NE(nullptr, tray);
    DestroyIcon(tray);
}

// A picture scaled from another size repeats or drops rows and columns; one
// drawn for its size is not what any other image of its group gives when
// scaled to it by the nearest pixel, rounded either way, but for a row's
// worth of pixels.
TEST(Icons, EachSizeIsDrawnForItself)
{
    for (const auto& group : iconGroups) {
        std::vector<std::vector<DWORD>> drawn;
        for (int size : group.sizes) {
            HICON handle = IconOfSize(group.id, size);
            ASSERT_NE(nullptr, handle) << group.id << " at " << size;
            drawn.push_back(DrawnOnMagenta(handle, size));
            DestroyIcon(handle);
        }
        for (std::size_t i = 0; i < drawn.size(); ++i)
            for (std::size_t j = 0; j < drawn.size(); ++j) {
                const int size = group.sizes[i];
                const int from = group.sizes[j];
                if (i == j)
                    continue;
                for (const bool centre : {true, false}) {
                    const auto source = [&](int at) {
                        return centre ? (2 * at + 1) * from / (2 * size) : at * from / size;
                    };
                    int differing = 0;
                    for (int y = 0; y < size; ++y)
                        for (int x = 0; x < size; ++x)
                            differing += drawn[i][y * size + x] != drawn[j][source(y) * from + source(x)];
                    EXPECT_GE(differing, size) << "group " << group.id << ": the " << size << " x " << size
                                               << " image is the " << from << " x " << from << " one scaled";
                }
            }
    }
}

// The notification area draws its icons at SM_CXSMICON, and so does the
// program load its own: the image drawn for the screen's scale shows there
// pixel for pixel. (The DPI runner runs this at 144 DPI too.)
TEST(Icons, TrayShowsTheImageDrawnForTheScreensScale)
{
    const int size = GetSystemMetrics(SM_CXSMICON);
    ASSERT_EQ(size, GetSystemMetrics(SM_CYSMICON));
    const auto tray = IconGroup(IDI_TRAY);
    ASSERT_TRUE(std::any_of(tray.begin(), tray.end(), [&](const IconImage& image) { return image.width == size; }))
        << "the tray icon has no image of " << size << " x " << size;
    HICON expected = IconOfSize(IDI_TRAY, size);
    ASSERT_NE(nullptr, expected);

    test_support::Vistero vistero = test_support::Vistero::StartSilently();
    ASSERT_TRUE(vistero.WaitForTrayWindow());
    const RECT screen{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    EXPECT_TRUE(test_support::WaitFor([&] { return test_support::ScreenShowsIcon(expected, size, screen); }))
        << "the notification area does not show the " << size << " x " << size << " image";
    EXPECT_TRUE(vistero.Exit());
    DestroyIcon(expected);
}

COLORREF Rgb(const RGBQUAD& quad) { return RGB(quad.rgbRed, quad.rgbGreen, quad.rgbBlue); }

TEST(ShowStateStrip, FourCellsOfSixteenColoursInTheStandardPalette)
{
    HBITMAP strip = static_cast<HBITMAP>(
        LoadImageA(Module(), MAKEINTRESOURCEA(IDB_SHOW_STATES), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(nullptr, strip);
    DIBSECTION section{};
    ASSERT_EQ(static_cast<int>(sizeof section), GetObjectA(strip, sizeof section, &section));
    EXPECT_EQ(64, section.dsBm.bmWidth);
    EXPECT_EQ(16, section.dsBm.bmHeight);
    EXPECT_EQ(4, section.dsBmih.biBitCount);

    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, strip);
    RGBQUAD palette[16] = {};
    ASSERT_EQ(16u, GetDIBColorTable(dc, 0, 16, palette));
    const COLORREF standard[16] = {
        RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),   RGB(128, 128, 0),
        RGB(0, 0, 128),   RGB(128, 0, 128), RGB(0, 128, 128), RGB(192, 192, 192),
        RGB(128, 128, 128), RGB(255, 0, 0), RGB(0, 255, 0),   RGB(255, 255, 0),
        RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255), RGB(255, 255, 255),
    };
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(standard[i], Rgb(palette[i])) << "palette entry " << i;

    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(strip);
}

// Draws one image of the list onto green and reads back what is there.
std::vector<COLORREF> DrawOnGreen(HIMAGELIST list, int image)
{
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, 16, 16);
    HGDIOBJ old = SelectObject(dc, target);
    HBRUSH green = CreateSolidBrush(RGB(0, 255, 0));
    RECT all{0, 0, 16, 16};
    FillRect(dc, &all, green);
    ImageList_Draw(list, image, dc, 0, 0, ILD_TRANSPARENT);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            pixels.push_back(GetPixel(dc, x, y));
    SelectObject(dc, old);
    DeleteObject(green);
    DeleteObject(target);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST(ShowStateStrip, RedIsTransparentInTheImageList)
{
    // As the Wallpapers page makes its image list: 16 wide, red as the mask.
    HIMAGELIST list = ImageList_LoadImageA(Module(), MAKEINTRESOURCEA(IDB_SHOW_STATES), 16, 0, RGB(255, 0, 0),
                                           IMAGE_BITMAP, 0);
    ASSERT_NE(nullptr, list);
    EXPECT_EQ(4, ImageList_GetImageCount(list));

    for (int image = 0; image < 4; ++image) {
        const auto pixels = DrawOnGreen(list, image);
        int green = 0, red = 0;
        for (COLORREF pixel : pixels) {
            green += pixel == RGB(0, 255, 0);
            red += pixel == RGB(255, 0, 0);
        }
        EXPECT_EQ(0, red) << "image " << image << " lets its mask colour through";
        if (image == 3)
            EXPECT_EQ(256, green) << "the no-wallpaper image draws nothing";
        else
            EXPECT_LT(green, 256) << "image " << image << " draws nothing";
    }
    // Centered leaves its surroundings alone and draws its picture in the middle.
    const auto centered = DrawOnGreen(list, 1);
    EXPECT_EQ(RGB(0, 255, 0), centered[0]);
    EXPECT_EQ(RGB(255, 255, 255), centered[7 * 16 + 7]);
    ImageList_Destroy(list);
}

} // namespace
