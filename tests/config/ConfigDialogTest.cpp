// The configuration dialog run modally, with the test acting inside its loop
// as the user: the layout around the Wallpapers page, the tabs, OK with the
// check of the options, Cancel, and the real file dialog opened from it.
#include "config/ConfigDialog.h"
#include "config/OptionsPage.h"
#include "config/WallpapersPage.h"
#include "framework/ui/CFileDialog.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "tests/support/Pages.h"
#include "tests/support/Wait.h"
#include "wallpapers/WallpaperSet.h"

#include <commctrl.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using test_support::ClickButton;
using test_support::ClickTab;
using test_support::ModalDialogDriver;
using test_support::PlaceOf;
using test_support::Rows;

struct Frame {
    HWND dialog;
    HWND tab;
    HWND wallpapers;
    HWND options;
};

Frame FrameOf(ConfigDialog& dialog)
{
    return {dialog.m_hWnd, dialog.GetDlgItem(IDC_TAB), dialog.GetWallpapersPage().m_hWnd,
            dialog.GetOptionsPage().m_hWnd};
}

int CurrentTab(HWND tab)
{
    return static_cast<int>(::SendMessageA(tab, TCM_GETCURSEL, 0, 0));
}

std::string TabLabel(HWND tab, int index)
{
    char text[64] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(tab, TCM_GETITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    return text;
}

bool Above(HWND upper, HWND lower)
{
    for (HWND window = ::GetWindow(upper, GW_HWNDNEXT); window; window = ::GetWindow(window, GW_HWNDNEXT))
        if (window == lower)
            return true;
    return false;
}

void SetText(HWND page, int id, const char* text)
{
    ::SendDlgItemMessageA(page, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
}

std::string TextIn(HWND page, int id)
{
    return test_support::TextOf(::GetDlgItem(page, id));
}

TEST(ConfigDialog, OpensOnTheWallpapersTabLaidOutAroundThePage)
{
    WallpaperSet set;
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        const Frame frame = FrameOf(dialog);
        EXPECT_EQ(2, ::SendMessageA(frame.tab, TCM_GETITEMCOUNT, 0, 0));
        EXPECT_EQ("Wallpapers", TabLabel(frame.tab, 0));
        EXPECT_EQ("Options", TabLabel(frame.tab, 1));
        EXPECT_EQ(0, CurrentTab(frame.tab));
        EXPECT_TRUE(::IsWindowVisible(frame.wallpapers));
        ASSERT_TRUE(::IsWindow(frame.options));
        EXPECT_FALSE(::IsWindowVisible(frame.options));

        // The margins are 4 dialog units of the dialog's own font.
        RECT margin{0, 0, 4, 4};
        ::MapDialogRect(frame.dialog, &margin);
        const int mx = margin.right;
        const int my = margin.bottom;
        const RECT tab = PlaceOf(frame.tab);
        const RECT ok = PlaceOf(::GetDlgItem(frame.dialog, IDOK));
        const RECT cancel = PlaceOf(::GetDlgItem(frame.dialog, IDCANCEL));
        EXPECT_EQ(mx, tab.left);
        EXPECT_EQ(my, tab.top);
        EXPECT_EQ(tab.right, cancel.right);
        EXPECT_EQ(mx, cancel.left - ok.right);
        EXPECT_EQ(tab.bottom + my, ok.top);
        EXPECT_EQ(tab.bottom + my, cancel.top);

        RECT client{};
        ::GetClientRect(frame.dialog, &client);
        EXPECT_EQ(tab.right + mx, client.right);
        EXPECT_EQ(ok.bottom + my, client.bottom);

        // The pages keep their template size and lie on the display area,
        // above the tab control.
        RECT display = tab;
        ::SendMessageA(frame.tab, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&display));
        RECT pageSize{0, 0, 220, 240};
        ::MapDialogRect(frame.wallpapers, &pageSize);
        for (HWND page : {frame.wallpapers, frame.options}) {
            const RECT place = PlaceOf(page);
            EXPECT_EQ(display.left, place.left);
            EXPECT_EQ(display.top, place.top);
            EXPECT_EQ(pageSize.right, place.right - place.left);
            EXPECT_EQ(pageSize.bottom, place.bottom - place.top);
            EXPECT_TRUE(Above(page, frame.tab));
        }
        // The display area is the page's size: the tab control fits it.
        EXPECT_EQ(pageSize.right, display.right - display.left);
        EXPECT_EQ(pageSize.bottom, display.bottom - display.top);
        ClickButton(frame.dialog, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(0u, driver.Pending());
}

TEST(ConfigDialog, TabsSwitchThePagesWhichKeepWhatTheyHold)
{
    WallpaperSet set;
    set.Add(WallpaperEntry{"C:\\a.bmp", ShowState::Tiled, Priority::Low});
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        const Frame frame = FrameOf(dialog);
        SetText(frame.options, IDC_LOW_FREQUENCY, "70");
        test_support::ClickButton(frame.wallpapers, IDC_STRETCHED);

        ClickTab(frame.tab, 1);
        EXPECT_EQ(1, CurrentTab(frame.tab));
        EXPECT_FALSE(::IsWindowVisible(frame.wallpapers));
        EXPECT_TRUE(::IsWindowVisible(frame.options));

        ClickTab(frame.tab, 0);
        EXPECT_EQ(0, CurrentTab(frame.tab));
        EXPECT_TRUE(::IsWindowVisible(frame.wallpapers));
        EXPECT_FALSE(::IsWindowVisible(frame.options));
        EXPECT_EQ("70", TextIn(frame.options, IDC_LOW_FREQUENCY));
        EXPECT_EQ(BST_CHECKED, ::SendDlgItemMessageA(frame.wallpapers, IDC_STRETCHED, BM_GETCHECK, 0, 0));
        EXPECT_EQ(1u, Rows(::GetDlgItem(frame.wallpapers, IDC_WALLPAPER_LIST)).size());
        ClickButton(frame.dialog, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
}

TEST(ConfigDialog, OkStoresTheOptionsEvenIfTheirTabWasNeverOpened)
{
    WallpaperSet set;
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    driver.Expect(IDD_CONFIG, [](CDialog& running) { ClickButton(running.m_hWnd, IDOK); });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(50, set.GetFrequency(Priority::Low));
    EXPECT_EQ(100, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(200, set.GetFrequency(Priority::High));
    EXPECT_EQ(0, set.GetChangeInterval());
}

TEST(ConfigDialog, OkWithABadOptionTurnsToTheOptionsTabAtTheBadField)
{
    WallpaperSet set;
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    test_support::MessageBoxRecorder boxes;
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        const Frame frame = FrameOf(dialog);
        SetText(frame.options, IDC_HIGH_FREQUENCY, "2000");
        ClickButton(frame.dialog, IDOK);

        ASSERT_EQ(1u, boxes.Boxes().size());
        EXPECT_EQ("Please enter a number between 100 and 1000.", boxes.Boxes()[0].text);
        EXPECT_EQ(1, CurrentTab(frame.tab));
        EXPECT_FALSE(::IsWindowVisible(frame.wallpapers));
        EXPECT_TRUE(::IsWindowVisible(frame.options));
        const HWND field = ::GetDlgItem(frame.options, IDC_HIGH_FREQUENCY);
        EXPECT_EQ(field, ::GetFocus());
        DWORD start = 1;
        DWORD end = 0;
        ::SendMessageA(field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(0u, start);
        EXPECT_EQ(4u, end);
        EXPECT_EQ(2, set.GetFrequency(Priority::Normal));

        // Corrected, the next OK ends the dialog.
        SetText(frame.options, IDC_HIGH_FREQUENCY, "300");
        ClickButton(frame.dialog, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(300, set.GetFrequency(Priority::High));
}

TEST(ConfigDialog, CancelLeavesTheWallpaperEditsInTheSetButNoOptions)
{
    WallpaperSet set;
    set.Add(WallpaperEntry{"C:\\a.bmp", ShowState::Tiled, Priority::Low});
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        const Frame frame = FrameOf(dialog);
        ClickButton(frame.wallpapers, IDC_ADD_NONE);
        SetText(frame.options, IDC_LOW_FREQUENCY, "20");
        ClickButton(frame.dialog, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    // The caller drops these by reloading the set.
    EXPECT_EQ(2, set.GetCount());
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
}

bool Contains(const std::vector<HWND>& windows, HWND window)
{
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

TEST(ConfigDialog, TabReachesTheControlsOfTheShownPage)
{
    WallpaperSet set;
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    test_support::KeyboardUser user;
    using Keys = test_support::KeyboardUser;
    HWND ok = nullptr;
    // Where the focus is after each Tab from OK: more presses than either
    // page has tab stops, so at least once round.
    std::vector<HWND> rounds[2];
    const auto tabRound = [&](std::vector<HWND>& round) {
        user.Then([&] { ::SetFocus(ok); });
        for (int press = 0; press < 20; ++press)
            user.Press(VK_TAB).Then([&round] { round.push_back(::GetFocus()); });
    };
    tabRound(rounds[0]);
    // Alt+N, the mnemonic of "Add (&none)".
    user.Press('N', Keys::Alt).Then([&] { EXPECT_EQ(1, set.GetCount()); });
    user.Then([&] { ClickTab(FrameOf(dialog).tab, 1); });
    tabRound(rounds[1]);
    user.Then([&] {
        const Frame frame = FrameOf(dialog);
        const HWND list = ::GetDlgItem(frame.wallpapers, IDC_WALLPAPER_LIST);
        const HWND lowField = ::GetDlgItem(frame.options, IDC_LOW_FREQUENCY);
        EXPECT_TRUE(Contains(rounds[0], list));
        EXPECT_TRUE(Contains(rounds[0], ::GetDlgItem(frame.wallpapers, IDC_ADD_FILES)));
        EXPECT_TRUE(Contains(rounds[0], ::GetDlgItem(frame.dialog, IDCANCEL)));
        EXPECT_FALSE(Contains(rounds[0], lowField));
        EXPECT_TRUE(Contains(rounds[1], lowField));
        EXPECT_FALSE(Contains(rounds[1], list));
    });
    user.Press(VK_ESCAPE);
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        ok = ::GetDlgItem(dialog.m_hWnd, IDOK);
        user.Start(dialog.m_hWnd);
    });
    EXPECT_EQ(IDCANCEL, dialog.DoModal());
    EXPECT_EQ(0u, user.Pending());
}

TEST(ConfigDialog, AddFilesFromTheRunningDialogAddsEveryChosenBitmap)
{
    test_support::BitmapFolder folder;
    for (const char* name : {"b.bmp", "c.bmp", "a.bmp"})
        folder.Add(name);
    test_support::CurrentDirectory inFolder(folder.Path());
    WallpaperSet set;
    ConfigDialog dialog(&set);
    ModalDialogDriver driver;
    int fileDialogs = 0;
    HWND fileDialogOwner = nullptr;
    ScopedFileDialogHook chooser([&](HWND fileDialog) {
        ++fileDialogs;
        fileDialogOwner = ::GetWindow(fileDialog, GW_OWNER);
        // The dialog is the system's UTF-16 form, which takes its text so.
        ::SendMessageW(fileDialog, CDM_SETCONTROLTEXT, cmb13,
                       reinterpret_cast<LPARAM>(L"\"a.bmp\" \"b.bmp\" \"c.bmp\""));
        ::PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    std::vector<test_support::Row> rows;
    driver.Expect(IDD_CONFIG, [&](CDialog&) {
        const Frame frame = FrameOf(dialog);
        ClickButton(frame.wallpapers, IDC_ADD_FILES);
        rows = Rows(::GetDlgItem(frame.wallpapers, IDC_WALLPAPER_LIST));
        ClickButton(frame.dialog, IDOK);
    });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1, fileDialogs);
    EXPECT_EQ(dialog.m_hWnd, nullptr);
    EXPECT_NE(nullptr, fileDialogOwner);
    ASSERT_EQ(3u, rows.size());
    const char* names[] = {"a.bmp", "b.bmp", "c.bmp"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(0, lstrcmpiA((folder.Path() + "\\" + names[i]).c_str(), rows[i].text.c_str())) << rows[i];
        EXPECT_EQ(ShowState::Tiled, rows[i].image);
        EXPECT_EQ("Normal", rows[i].priority);
    }
    EXPECT_EQ(3, set.GetCount());
}

} // namespace
