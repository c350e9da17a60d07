// The dialog templates as compiled into the program, read back from its own
// resources: the dialogs' code addresses controls by these ids and relies on
// these styles, and the resource compiler adds default styles of its own
// (WS_TABSTOP, WS_GROUP, WS_VISIBLE) that must not slip in or fall out.
#include "DialogTemplate.h"
#include "res/resource.h"

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct ExpectedControl {
    int id;
    const char* className;
    const char* text;
    DWORD style;
    DWORD exStyle;
    short x, y, cx, cy;
};

struct ExpectedDialog {
    bool extended;
    DWORD style;
    const char* caption;
    short cx, cy;
};

constexpr DWORD Shown = WS_CHILD | WS_VISIBLE;
constexpr DWORD TopLevel = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
constexpr DWORD Page = WS_CHILD | DS_SETFONT | DS_SETFOREGROUND;
constexpr DWORD Spin = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_AUTOBUDDY | UDS_ARROWKEYS;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// One line per control, so that a mismatch shows every field side by side.
// Class names compare without case, as the window manager compares them.
std::string Describe(int id, const std::string& className, const std::string& text, DWORD style, DWORD exStyle,
                     int x, int y, int cx, int cy)
{
    std::string shownText;
    for (char c : text)
        shownText += c == '\n' ? std::string("\\n") : std::string(1, c);
    char line[512];
    std::snprintf(line, sizeof line, "id %d, %s, \"%s\", style 0x%08lX, ex 0x%lX, %d,%d %dx%d", id,
                  Lower(className).c_str(), shownText.c_str(), static_cast<unsigned long>(style),
                  static_cast<unsigned long>(exStyle), x, y, cx, cy);
    return line;
}

void ExpectTemplate(int templateId, const ExpectedDialog& header, const std::vector<ExpectedControl>& controls)
{
    const auto dialog = LoadDialogTemplate(GetModuleHandleA(nullptr), templateId);
    ASSERT_TRUE(dialog.has_value()) << "template " << templateId << " is missing or cut short";

    EXPECT_EQ(header.extended, dialog->extended);
    EXPECT_EQ(header.style, dialog->style) << std::hex << "style 0x" << dialog->style;
    EXPECT_EQ(0u, dialog->exStyle);
    EXPECT_EQ(header.caption, dialog->caption);
    EXPECT_EQ(0, dialog->x);
    EXPECT_EQ(0, dialog->y);
    EXPECT_EQ(header.cx, dialog->cx);
    EXPECT_EQ(header.cy, dialog->cy);
    EXPECT_EQ("", dialog->menu);
    EXPECT_EQ("", dialog->windowClass);
    EXPECT_EQ(8, dialog->pointSize);
    EXPECT_EQ("MS Sans Serif", dialog->typeface);

    ASSERT_EQ(controls.size(), dialog->controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ExpectedControl& want = controls[i];
        const ControlTemplate& got = dialog->controls[i];
        EXPECT_EQ(Describe(want.id, want.className, want.text, want.style, want.exStyle, want.x, want.y, want.cx,
                           want.cy),
                  Describe(got.id, got.className, got.text, got.style, got.exStyle, got.x, got.y, got.cx, got.cy))
            << "control " << i + 1 << " of template " << templateId;
    }
}

TEST(DialogTemplates, ConfigurationDialogFrame)
{
    ExpectTemplate(IDD_CONFIG, {false, TopLevel, "Vistero 1.1", 201, 247},
                   {
                       {IDC_TAB, "SysTabControl32", "", Shown, 0, 7, 7, 187, 209},
                       {IDOK, "Button", "OK", Shown | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 82, 226, 50, 14},
                       {IDCANCEL, "Button", "Cancel", Shown | BS_PUSHBUTTON | WS_TABSTOP, 0, 144, 226, 50, 14},
                   });
}

TEST(DialogTemplates, AboutBox)
{
    ExpectTemplate(IDD_ABOUT, {false, TopLevel, "About Vistero", 186, 114},
                   {
                       {IDC_STATIC, "Static", "#104", Shown | SS_ICON, 0, 19, 18, 21, 20},
                       {IDC_STATIC, "Static", "Vistero Version 1.1", Shown | SS_LEFT, 0, 59, 18, 120, 8},
                       {IDC_STATIC, "Static", "Copyright (C) 2026 Vistero", Shown | SS_LEFT, 0, 59, 38, 120, 8},
                       {IDC_STATIC, "Static",
                        "Changes the desktop wallpaper at random\nfrom your own list of bitmaps.",
                        Shown | SS_CENTER, 0, 7, 58, 172, 18},
                       {IDOK, "Button", "OK", Shown | BS_DEFPUSHBUTTON | WS_TABSTOP, 0, 69, 93, 50, 14},
                   });
}

TEST(DialogTemplates, WallpapersPage)
{
    constexpr DWORD Radio = Shown | BS_AUTORADIOBUTTON;
    constexpr DWORD Push = Shown | BS_PUSHBUTTON | WS_TABSTOP;
    constexpr DWORD HiddenFrame = WS_CHILD | SS_BLACKFRAME;
    ExpectTemplate(
        IDD_WALLPAPERS, {true, Page, "", 220, 240},
        {
            {IDC_STATIC, "Static", "List of wallpapers that will be selected from at system startup:",
             Shown | WS_GROUP | SS_LEFT, 0, 7, 7, 191, 8},
            {IDC_WALLPAPER_LIST, "SysListView32", "List1",
             Shown | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_SORTASCENDING, WS_EX_CLIENTEDGE, 7, 21, 204, 114},
            {IDC_STATIC, "Button", "&Show", Shown | BS_GROUPBOX, 0, 7, 140, 204, 24},
            {IDC_TILED, "Button", "Tiled", Radio | WS_GROUP | WS_TABSTOP, 0, 13, 151, 31, 10},
            {IDC_TILED_IMAGE, "Static", "", HiddenFrame, 0, 46, 150, 10, 10},
            {IDC_CENTERED, "Button", "Centered", Radio, 0, 71, 151, 45, 10},
            {IDC_CENTERED_IMAGE, "Static", "", HiddenFrame, 0, 117, 150, 10, 10},
            {IDC_STRETCHED, "Button", "Stretched", Radio, 0, 136, 151, 47, 10},
            {IDC_STRETCHED_IMAGE, "Static", "", HiddenFrame, 0, 184, 150, 10, 10},
            {IDC_STATIC, "Button", "&Priority", Shown | BS_GROUPBOX, 0, 7, 169, 204, 24},
            {IDC_LOW, "Button", "Low", Radio | WS_GROUP | WS_TABSTOP, 0, 14, 180, 37, 10},
            {IDC_NORMAL, "Button", "Normal", Radio, 0, 71, 180, 38, 10},
            {IDC_HIGH, "Button", "High", Radio, 0, 136, 180, 33, 10},
            {IDC_ADD_FILES, "Button", "&Add Files...", Push, 0, 7, 200, 64, 14},
            {IDC_ADD_NONE, "Button", "Add (&none)", Push, 0, 77, 200, 64, 14},
            {IDC_REMOVE_FILES, "Button", "&Remove Files", Push, 0, 147, 200, 64, 14},
            {IDC_EMPTY_LIST, "Button", "&Empty List", Push, 0, 7, 219, 64, 14},
            {IDC_TEST, "Button", "&Test", Push, 0, 77, 219, 64, 14},
            {IDC_ABOUT, "Button", "A&bout...", Push, 0, 147, 219, 64, 14},
        });
}

TEST(DialogTemplates, OptionsPage)
{
    constexpr DWORD Label = Shown | WS_GROUP | SS_LEFT;
    constexpr DWORD Field = Shown | WS_BORDER | WS_TABSTOP | ES_LEFT | ES_AUTOHSCROLL;
    ExpectTemplate(
        IDD_OPTIONS, {true, Page, "", 220, 240},
        {
            {IDC_STATIC, "Button", "Frequencies", Shown | BS_GROUPBOX, 0, 7, 7, 206, 92},
            {IDC_STATIC, "Static", "Frequency for showing wallpapers\nwith low priority:", Label, 0, 14, 22, 113, 16},
            {IDC_LOW_FREQUENCY, "Edit", "", Field, 0, 132, 23, 30, 14},
            {IDC_LOW_FREQUENCY_SPIN, "msctls_updown32", "Spin1", Shown | Spin | UDS_NOTHOUSANDS, 0, 179, 25, 9, 12},
            {IDC_STATIC, "Static", "%", Label, 0, 163, 26, 10, 8},
            {IDC_STATIC, "Static", "Frequency for showing wallpapers\nwith high priority:", Label, 0, 14, 47, 113,
             16},
            {IDC_HIGH_FREQUENCY, "Edit", "", Field, 0, 132, 48, 30, 14},
            {IDC_HIGH_FREQUENCY_SPIN, "msctls_updown32", "Spin1", Shown | Spin | UDS_NOTHOUSANDS, 0, 179, 49, 9, 12},
            {IDC_STATIC, "Static", "%", Label, 0, 163, 51, 12, 8},
            {IDC_STATIC, "Static", "(Wallpapers with normal priority are\nshown with a frequency of 100%.)", Label,
             0, 14, 72, 113, 20},
            {IDC_INTERVAL_CHECK, "Button", "", Shown | BS_AUTOCHECKBOX | BS_TOP | WS_TABSTOP, WS_EX_TRANSPARENT, 7,
             120, 9, 11},
            {IDC_STATIC, "Static", "Wallpaper changes every", Label, 0, 19, 121, 82, 8},
            {IDC_INTERVAL, "Edit", "", Field, 0, 106, 118, 30, 14},
            {IDC_INTERVAL_SPIN, "msctls_updown32", "Spin1", Shown | Spin, 0, 139, 136, 9, 12},
            {IDC_STATIC, "Static", "Minutes", Label, 0, 139, 121, 26, 8},
        });
}

// The reader itself, on templates whose bytes are known: a reader that
// misplaced one field would make every comparison above meaningless.
TEST(DialogTemplates, ReaderFollowsBothTemplateForms)
{
    // DLGTEMPLATE with one "Button" control (atom 0x80), font 8 "A".
    const WORD plain[] = {
        LOWORD(WS_POPUP | DS_SETFONT), HIWORD(WS_POPUP | DS_SETFONT), 0, 0, // style, ex style
        1, 1, 2, 30, 40,                                                   // count, x, y, cx, cy
        0, 0, L'T', 0,                                                     // menu, class, caption "T"
        8, L'A', 0,                                                        // font
        LOWORD(WS_CHILD), HIWORD(WS_CHILD), 0, 0,                          // item style, ex style
        3, 4, 5, 6, 0xFFFF,                                                // x, y, cx, cy, id (none)
        0xFFFF, 0x0080, 0xFFFF, 104, 0,                                    // class atom, text ordinal, no data
    };
    const auto parsed = ParseDialogTemplate(plain, sizeof plain);
    ASSERT_TRUE(parsed.has_value());
    EXPECT_FALSE(parsed->extended);
    EXPECT_EQ("T", parsed->caption);
    EXPECT_EQ("A", parsed->typeface);
    ASSERT_EQ(1u, parsed->controls.size());
    EXPECT_EQ(Describe(-1, "Button", "#104", WS_CHILD, 0, 3, 4, 5, 6),
              Describe(parsed->controls[0].id, parsed->controls[0].className, parsed->controls[0].text,
                       parsed->controls[0].style, parsed->controls[0].exStyle, parsed->controls[0].x,
                       parsed->controls[0].y, parsed->controls[0].cx, parsed->controls[0].cy));

    // Cut short anywhere, it reads as nothing rather than as a partial template.
    for (std::size_t length = 0; length < sizeof plain; length += 2)
        EXPECT_FALSE(ParseDialogTemplate(plain, length).has_value()) << length << " bytes";

    // DLGTEMPLATEEX with one control named by string, id 1001, ex style 0x200.
    const WORD extended[] = {
        1, 0xFFFF, 0, 0, 0, 0,                                       // version, signature, help id, ex style
        LOWORD(WS_CHILD | DS_SETFONT), HIWORD(WS_CHILD | DS_SETFONT), // style
        1, 0, 0, 220, 240,                                           // count, x, y, cx, cy
        0, 0, 0,                                                     // menu, class, caption
        8, 400, 0x0100, L'B', 0,                                     // point size, weight, italic + charset, font
        0,                                                           // padding to the item's DWORD boundary
        0, 0, 0x200, 0, LOWORD(WS_CHILD), HIWORD(WS_CHILD),          // help id, ex style, style
        7, 21, 204, 114, 1001, 0,                                    // x, y, cx, cy, id
        L'L', L'V', 0, L'x', 0, 0,                                   // class "LV", text "x", no data
    };
    const auto parsedEx = ParseDialogTemplate(extended, sizeof extended);
    ASSERT_TRUE(parsedEx.has_value());
    EXPECT_TRUE(parsedEx->extended);
    EXPECT_EQ(8, parsedEx->pointSize);
    EXPECT_EQ("B", parsedEx->typeface);
    ASSERT_EQ(1u, parsedEx->controls.size());
    const ControlTemplate& item = parsedEx->controls[0];
    EXPECT_EQ(Describe(1001, "LV", "x", WS_CHILD, 0x200, 7, 21, 204, 114),
              Describe(item.id, item.className, item.text, item.style, item.exStyle, item.x, item.y, item.cx,
                       item.cy));
}

} // namespace
