// The tray window in this process, with the test program's own application
// object (and so its own profile file, app_tests.INI): the change timer's
// counting across dialogs, the end of the session, the guards while the
// dialog is open, the icon after a shell restart, a save that fails, and the
// dialog used by keyboard alone from the first key to the saved profile.
//
// Ticks are sent as WM_TIMER. Whether the writer ran is seen in what it
// leaves behind, the registry value "Wallpaper" under Control Panel\Desktop,
// which every change writes; whether it stored the choice for the next logon
// or applied it at once is told by the registry calls it made (through the
// writer's own seam, which passes them on to the registry). The value is put
// back after each test.
#include "app/TrayWindow.h"

#include "config/ConfigDialog.h"
#include "config/OptionsPage.h"
#include "config/WallpapersPage.h"
#include "framework/ui/WinApp.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "wallpapers/DesktopWallpaperWriter.h"
#include "wallpapers/WallpaperEntry.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using test_support::IconShown;

constexpr const char* DesktopKey = "Control Panel\\Desktop";
constexpr const char* Mark = "C:\\mark.bmp";
constexpr const char* Picture = "C:\\Pictures\\tick.bmp";

std::string RegistryWallpaper()
{
    char value[1024] = {};
    DWORD size = sizeof value - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, DesktopKey, "Wallpaper", RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<missing>";
    return value;
}

void SetRegistryWallpaper(const std::string& path)
{
    ::RegSetKeyValueA(HKEY_CURRENT_USER, DesktopKey, "Wallpaper", REG_SZ, path.c_str(),
                      static_cast<DWORD>(path.size() + 1));
}

// What one step did to the desktop settings.
struct Change {
    bool stored = false;         // the path reached the user's settings
    bool forNextLogon = false;   // the writer set the registry path itself, so
                                 // the system was not told to show it now
};

// The writer's registry calls, passed on; records a "Wallpaper" value.
bool wallpaperValueSet = false;

LSTATUS WINAPI RecordingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (name && lstrcmpiA(name, "Wallpaper") == 0)
        wallpaperValueSet = true;
    return ::RegSetValueExA(key, name, reserved, type, data, size);
}

DesktopWallpaperWriter::RegistryCalls Recording()
{
    DesktopWallpaperWriter::RegistryCalls calls;
    calls.setValue = RecordingSetValue;
    return calls;
}

// The desktop key as an administrator may lock it: users may only read it.
LSTATUS WINAPI RefusedOpen(HKEY, LPCSTR, DWORD, REGSAM, PHKEY)
{
    return ERROR_ACCESS_DENIED;
}

class TrayWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(test_support::WaitForTheTray());
        ProfileFile& profile = AfxGetApp()->GetProfileFile();
        profileFile = profile.FileName();
        ASSERT_FALSE(profileFile.empty());
        for (const char* suffix : {"", ".bak", ".tmp"}) {
            const std::string file = profileFile + suffix;
            ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
            ::DeleteFileA(file.c_str());
        }
    }

    void TearDown() override
    {
        if (window && ::IsWindow(window))
            ::DestroyWindow(window);
        ::SetFileAttributesA(profileFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    }

    // The profile the window loads: one stretched picture (unless `entries`
    // is 0) and the change interval.
    void WriteProfile(int changeInterval, int entries = 1)
    {
        std::ofstream file(profileFile, std::ios::binary | std::ios::trunc);
        file << "[WallpaperList]\r\n";
        if (entries)
            file << "File0=" << Picture << "\r\nShowstate0=2\r\nPriority0=1\r\n";
        file << "NumberOfFiles=" << entries << "\r\nChangeInterval=" << changeInterval << "\r\n";
    }

    TrayWindow& MakeWindow(int changeInterval, int entries = 1)
    {
        WriteProfile(changeInterval, entries);
        return MakeWindowFromProfile();
    }

    TrayWindow& MakeWindowFromProfile()
    {
        auto* made = new TrayWindow;
        const bool created = made->Create();
        window = made->GetSafeHwnd();
        EXPECT_TRUE(created);
        if (!window)
            delete made;  // no window, so nothing else deletes it
        tray = made;
        return *made;
    }

    // Runs `step` and reports what it did to the desktop settings.
    template <class Step>
    Change Observe(Step step)
    {
        SetRegistryWallpaper(Mark);
        wallpaperValueSet = false;
        step();
        Change change;
        change.stored = RegistryWallpaper() != Mark;
        change.forNextLogon = wallpaperValueSet;
        if (change.stored) {
            EXPECT_EQ(Picture, RegistryWallpaper());
        }
        return change;
    }

    Change Tick()
    {
        return Observe([this] { ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0); });
    }

    // Ticks that must not change the wallpaper.
    void QuietTicks(int count)
    {
        for (int i = 0; i < count; ++i) {
            const Change change = Tick();
            ASSERT_FALSE(change.stored) << "tick " << i + 1 << " of " << count;
        }
    }

    // The user opens the dialog from the tray menu; `inside` runs while it
    // is open (standing in for the pages' edits), then the dialog ends with
    // `result`.
    void RunDialog(int result, const std::function<void(CDialog&)>& inside = {})
    {
        dialogs.Expect(IDD_CONFIG, [this, result, inside](CDialog& dialog) {
            EXPECT_TRUE(tray->IsDialogOpen());
            EXPECT_FALSE(tray->IsChangeTimerRunning()) << "no timed change while the user edits";
            if (inside)
                inside(dialog);
            dialog.EndDialog(result);
        });
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0);
        EXPECT_EQ(0u, dialogs.Pending()) << "the dialog did not open";
        EXPECT_FALSE(tray->IsDialogOpen());
    }

    void SetIntervalInDialog(int minutes)
    {
        RunDialog(IDOK, [this, minutes](CDialog&) { tray->GetWallpaperSet().SetChangeInterval(minutes); });
    }

    // Timed changes told the system to show a bitmap: the desktop is put
    // back after each test as the other tests expect it.
    const test_support::SavedDesktopSettings desktop;
    std::string profileFile;
    HWND window = nullptr;
    TrayWindow* tray = nullptr;
    test_support::MessageBoxRecorder boxes;
    test_support::ModalDialogDriver dialogs;
    DesktopWallpaperWriter::ScopedRegistryCalls recording{Recording()};
};

TEST_F(TrayWindowTest, CreateShowsTheIconAndStartsTheTimerOnlyWithAnInterval)
{
    TrayWindow& withInterval = MakeWindow(10);
    EXPECT_TRUE(IconShown(window));
    EXPECT_FALSE(::IsWindowVisible(window));
    EXPECT_TRUE(withInterval.IsChangeTimerRunning());
    EXPECT_EQ(10, withInterval.GetWallpaperSet().GetChangeInterval()) << "the set was loaded";
    ::DestroyWindow(window);

    TrayWindow& without = MakeWindow(0);
    EXPECT_TRUE(IconShown(window));
    EXPECT_FALSE(without.IsChangeTimerRunning());
}

TEST_F(TrayWindowTest, IntervalZeroNeverCountsAndIntervalOneChangesOnEveryTick)
{
    TrayWindow& idle = MakeWindow(0);
    // Ticks from elsewhere (no change timer runs) don't count.
    QuietTicks(3);
    EXPECT_EQ(0, idle.GetMinuteCount());
    ::DestroyWindow(window);

    MakeWindow(1);
    for (int i = 0; i < 3; ++i) {
        const Change change = Tick();
        EXPECT_TRUE(change.stored) << "tick " << i + 1;
        EXPECT_FALSE(change.forNextLogon) << "a timed change shows at once";
    }
}

// One script per case: quiet ticks, dialogs closed with OK after the pages
// set an interval, and the tick on which the change is due.
TEST_F(TrayWindowTest, CountedMinutesSurviveTheDialog)
{
    struct Step {
        enum Kind { Quiet, Dialog, Change } kind;
        int value;  // ticks for Quiet, minutes for Dialog (-1: left as it is)
    };
    struct Case {
        const char* name;
        int interval;
        std::vector<Step> steps;
    };
    const Case cases[] = {
        {"OK after 7 of 10 minutes: due 3 ticks later", 10,
         {{Step::Quiet, 7}, {Step::Dialog, -1}, {Step::Quiet, 2}, {Step::Change, 0}, {Step::Quiet, 9},
          {Step::Change, 0}}},
        {"lowered below the count: due on the first tick", 10,
         {{Step::Quiet, 7}, {Step::Dialog, 5}, {Step::Change, 0}, {Step::Quiet, 4}, {Step::Change, 0}}},
        {"0, then N: due N ticks after OK", 0,
         {{Step::Quiet, 2}, {Step::Dialog, 3}, {Step::Quiet, 2}, {Step::Change, 0}}},
        {"10 -> 0 at 7 -> 5: the count resumes at 7", 10,
         {{Step::Quiet, 7}, {Step::Dialog, 0}, {Step::Quiet, 4}, {Step::Dialog, 5}, {Step::Change, 0}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeWindow(c.interval);
        // One case's first wrong step says it all; the next case starts anew.
        const auto* result = testing::UnitTest::GetInstance()->current_test_info()->result();
        const int failuresBefore = result->total_part_count();
        for (const Step& step : c.steps) {
            switch (step.kind) {
            case Step::Quiet:
                QuietTicks(step.value);
                break;
            case Step::Dialog:
                if (step.value < 0)
                    RunDialog(IDOK);
                else
                    SetIntervalInDialog(step.value);
                EXPECT_EQ(tray->GetWallpaperSet().GetChangeInterval() != 0, tray->IsChangeTimerRunning());
                break;
            case Step::Change:
                EXPECT_TRUE(Tick().stored);
                EXPECT_EQ(0, tray->GetMinuteCount());
                break;
            }
            if (result->total_part_count() != failuresBefore)
                break;
        }
        ::DestroyWindow(window);
    }
}

TEST_F(TrayWindowTest, CancelDropsTheEditsAndTheTimerFollowsTheProfile)
{
    TrayWindow& tray = MakeWindow(0);
    RunDialog(IDCANCEL, [&tray](CDialog&) {
        tray.GetWallpaperSet().SetChangeInterval(2);
        tray.GetWallpaperSet().Add(WallpaperEntry{"C:\\Pictures\\dropped.bmp", ShowState::Tiled, Priority::High});
    });
    EXPECT_EQ(0, tray.GetWallpaperSet().GetChangeInterval());
    EXPECT_EQ(1, tray.GetWallpaperSet().GetCount());
    EXPECT_FALSE(tray.IsChangeTimerRunning());

    // The profile changed behind the program's back: Cancel reads it again.
    WriteProfile(1);
    RunDialog(IDCANCEL);
    EXPECT_TRUE(tray.IsChangeTimerRunning());
    EXPECT_TRUE(Tick().stored);
}

TEST_F(TrayWindowTest, EndOfSessionStoresAChoiceOnlyWhenTheSessionEnds)
{
    MakeWindow(0);
    const auto endSession = [this](WPARAM ends) {
        return Observe([this, ends] { ::SendMessageA(window, WM_ENDSESSION, ends, 0); });
    };
    Change change = endSession(0);
    EXPECT_FALSE(change.stored) << "a cancelled logoff writes nothing";

    change = endSession(TRUE);
    EXPECT_TRUE(change.stored);
    EXPECT_TRUE(change.forNextLogon);
    EXPECT_TRUE(::IsWindow(window)) << "the system ends the process, not the window";
    EXPECT_TRUE(IconShown(window));
    ::DestroyWindow(window);

    MakeWindow(0, 0);
    EXPECT_FALSE(endSession(TRUE).stored) << "an empty list writes nothing";
    EXPECT_TRUE(boxes.Boxes().empty());
}

// A box shown while the session ends would hold up the sign-out; a timed
// change has the user there to read it.
TEST_F(TrayWindowTest, AFailedWriteIsShownOnATimedChangeButNotAtTheEndOfTheSession)
{
    MakeWindow(1);
    DesktopWallpaperWriter::RegistryCalls locked = Recording();
    locked.openKey = RefusedOpen;
    DesktopWallpaperWriter::ScopedRegistryCalls lockedKey{locked};

    const LRESULT answer = ::SendMessageA(window, WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(0, answer);
    EXPECT_TRUE(boxes.Boxes().empty()) << "nothing shown while the session ends";

    ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("RegOpenKeyEx failed with code 5", boxes.Boxes()[0].text);
}

// With the key locked every timed change fails. The box's loop goes on
// handling the timer: the changes due under it are skipped, not shown as
// boxes nested one a minute, and the count starts when the box closes. The
// end of the session still writes, silently, under the box.
TEST_F(TrayWindowTest, ATimedChangeFailingUnderItsOwnOpenBoxShowsNoSecondBox)
{
    TrayWindow& tray = MakeWindow(1);
    DesktopWallpaperWriter::RegistryCalls locked = Recording();
    locked.openKey = RefusedOpen;
    DesktopWallpaperWriter::ScopedRegistryCalls lockedKey{locked};

    boxes.WhileNextBoxIsOpen([&] {
        for (int i = 0; i < 3; ++i)
            ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
        EXPECT_EQ(1u, boxes.Boxes().size()) << "a box under the box";
        EXPECT_EQ(0, tray.GetMinuteCount());
        ::SendMessageA(window, WM_ENDSESSION, TRUE, 0);
        EXPECT_EQ(1u, boxes.Boxes().size());
    });
    ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
    EXPECT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ(0, tray.GetMinuteCount());

    // The box closed: the next change is due a full interval later, and
    // says again that it failed.
    ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
    EXPECT_EQ(2u, boxes.Boxes().size());
}

TEST_F(TrayWindowTest, WhileTheDialogIsOpenExitAndCloseAreRefusedAndNoSecondDialogOpens)
{
    MakeWindow(10);
    RunDialog(IDCANCEL, [this](CDialog& dialog) {
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
        ::SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(::IsWindow(window));
        // Double-click on the icon, and the command of a second instance.
        ::SendMessageA(window, TrayWindow::TrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
        ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0);
        EXPECT_TRUE(::IsWindow(dialog.GetSafeHwnd()));
        // A tick sent meanwhile does not count either.
        ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
        EXPECT_EQ(0, tray->GetMinuteCount());
    });
    EXPECT_EQ(1u, dialogs.Shown().size()) << "no second dialog";

    // Closed again: Exit takes the icon away and the window with its object.
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_FALSE(IconShown(window));
}

// "path show-state priority;" for each entry, in id order.
std::string EntriesOf(WallpaperSet& set)
{
    std::string entries;
    WallpaperSet::IteratorHolder holder;
    for (WallpaperSet::Iterator& it = set.Begin(holder); !it.AtEnd(); it.Next())
        entries += std::string(it.Entry().path.GetString()) + " " + std::to_string(it.Entry().showState) + " "
                   + std::to_string(it.Entry().priority) + ";";
    return entries;
}

// The whole dialog by keyboard alone, through its own loop, as the system's
// dialog manager reads typed keys: a row is chosen and given a show state
// and a priority with the radio buttons, then removed with Enter on "Remove
// Files"; Ctrl+Tab turns to the Options tab for a frequency, Ctrl+Shift+Tab
// back, Ctrl+PageUp and Ctrl+PageDown round both ends; Enter is OK.
TEST_F(TrayWindowTest, KeyboardAloneEditsTheListAndTheOptionsAndOkSaves)
{
    constexpr const char* Chosen = "C:\\Pictures\\a.bmp";
    {
        // Tiled and Low, each the first button of its group, where Tab lands.
        std::ofstream file(profileFile, std::ios::binary | std::ios::trunc);
        file << "[WallpaperList]\r\nFile0=" << Chosen << "\r\nShowstate0=0\r\nPriority0=0\r\nFile1=" << Picture
             << "\r\nShowstate1=2\r\nPriority1=1\r\nNumberOfFiles=2\r\n";
    }
    TrayWindow& tray = MakeWindowFromProfile();
    WallpaperSet& set = tray.GetWallpaperSet();

    HWND tab = nullptr;
    HWND pages[2] = {};
    HWND list = nullptr;
    HWND lowFrequency = nullptr;
    const auto shows = [&](int index, HWND focus) {
        EXPECT_EQ(index, ::SendMessageA(tab, TCM_GETCURSEL, 0, 0));
        EXPECT_TRUE(::IsWindowVisible(pages[index]));
        EXPECT_FALSE(::IsWindowVisible(pages[1 - index]));
        EXPECT_EQ(focus, ::GetFocus());
    };
    test_support::KeyboardUser user;
    using Keys = test_support::KeyboardUser;
    user.Then([&] { EXPECT_EQ(list, ::GetFocus()); })
        .Press(VK_DOWN)
        .Press(VK_TAB).Press(VK_RIGHT)
        .Press(VK_TAB).Press(VK_RIGHT).Press(VK_RIGHT)
        .Then([&] {
            // Centered and High.
            EXPECT_EQ(std::string(Chosen) + " 1 2;" + Picture + " 2 1;", EntriesOf(set));
        })
        .Press(VK_TAB).Press(VK_TAB).Press(VK_TAB)
        .Then([&] { EXPECT_EQ(::GetDlgItem(pages[0], IDC_REMOVE_FILES), ::GetFocus()); })
        .Press(VK_RETURN)
        .Then([&] {
            EXPECT_EQ(1, ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            EXPECT_EQ(1, set.GetCount());
        })
        .Press(VK_TAB, Keys::Control)
        .Then([&] { shows(1, lowFrequency); })
        .Press('7').Press('0')
        .Press(VK_TAB, Keys::Control | Keys::Shift)
        .Then([&] { shows(0, list); })
        .Press(VK_PRIOR, Keys::Control)
        .Then([&] { shows(1, lowFrequency); })
        .Press(VK_NEXT, Keys::Control)
        .Then([&] { shows(0, list); })
        .Press(VK_RETURN);
    dialogs.Expect(IDD_CONFIG, [&](CDialog& dialog) {
        auto& config = static_cast<ConfigDialog&>(dialog);
        tab = ::GetDlgItem(dialog.m_hWnd, IDC_TAB);
        pages[0] = config.GetWallpapersPage().m_hWnd;
        pages[1] = config.GetOptionsPage().m_hWnd;
        list = ::GetDlgItem(pages[0], IDC_WALLPAPER_LIST);
        lowFrequency = ::GetDlgItem(pages[1], IDC_LOW_FREQUENCY);
        user.Start(dialog.m_hWnd);
    });
    ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0);

    EXPECT_EQ(0u, user.Pending());
    EXPECT_EQ(std::string(Picture) + " 2 1;", EntriesOf(set));
    EXPECT_EQ(70, set.GetFrequency(Priority::Low));
    const std::string saved = test_support::FileBytes(profileFile);
    // The entry left moved up to the first place.
    EXPECT_NE(std::string::npos, saved.find("File0=" + std::string(Picture) + "\r\nShowstate0=2\r\n")) << saved;
    EXPECT_NE(std::string::npos, saved.find("NumberOfFiles=1\r\n")) << saved;
    EXPECT_NE(std::string::npos, saved.find("FrequencyLow=70\r\n")) << saved;
}

TEST_F(TrayWindowTest, DoubleClickOpensTheDialogAndOtherMouseMessagesDoNothing)
{
    MakeWindow(0);
    for (UINT mouse : {WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_RBUTTONDOWN})
        EXPECT_EQ(0, ::SendMessageA(window, TrayWindow::TrayCallbackMessage, 0, mouse));
    EXPECT_TRUE(dialogs.Shown().empty());

    dialogs.Expect(IDD_CONFIG, [](CDialog& dialog) { dialog.EndDialog(IDCANCEL); });
    EXPECT_EQ(0, ::SendMessageA(window, TrayWindow::TrayCallbackMessage, 0, WM_LBUTTONDBLCLK));
    EXPECT_EQ(std::vector<UINT>{IDD_CONFIG}, dialogs.Shown());
}

// The menu's loop runs inside the tray callback; a thread timer acts for the
// user in it once the menu is on the screen: it notes the items and presses
// the keys.
struct MenuUser {
    std::vector<UINT> keys;
    std::vector<UINT> items;
} menuUser;

void CALLBACK ActInMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND menuWindow = ::FindWindowA("#32768", nullptr);
    if (!menuWindow || !::IsWindowVisible(menuWindow))
        return;  // next tick
    ::KillTimer(nullptr, timer);
    const auto menu = reinterpret_cast<HMENU>(::SendMessageA(menuWindow, MN_GETHMENU, 0, 0));
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i)
        menuUser.items.push_back(::GetMenuItemID(menu, i));
    for (UINT key : menuUser.keys)
        ::PostMessageA(menuWindow, WM_KEYDOWN, key, 0);
}

TEST_F(TrayWindowTest, RightClickMenuOpensTheDialogOrExits)
{
    MakeWindow(0);
    const auto chooseInMenu = [this](std::vector<UINT> keys) {
        menuUser = MenuUser{std::move(keys), {}};
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 10, ActInMenu);
        EXPECT_EQ(0, ::SendMessageA(window, TrayWindow::TrayCallbackMessage, 0, WM_RBUTTONUP));
        ::KillTimer(nullptr, timer);  // when no menu came up
        EXPECT_EQ((std::vector<UINT>{ID_OPEN_CONFIGURATION, ID_EXIT}), menuUser.items);
    };

    // The chosen command arrives as a message after the menu has closed.
    dialogs.Expect(IDD_CONFIG, [](CDialog& dialog) { dialog.EndDialog(IDCANCEL); });
    chooseInMenu({VK_DOWN, VK_RETURN});
    EXPECT_TRUE(test_support::WaitFor([this] { return dialogs.Pending() == 0; }));

    chooseInMenu({VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_TRUE(test_support::WaitFor([this] { return !::IsWindow(window); }));
    EXPECT_EQ(std::vector<UINT>{IDD_CONFIG}, dialogs.Shown());
}

TEST_F(TrayWindowTest, IconComesBackWhenTheShellRestarts)
{
    MakeWindow(0);
    ASSERT_TRUE(IconShown(window));
    // A restarted shell has lost every icon.
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &record));
    ASSERT_FALSE(IconShown(window));

    ::SendMessageA(window, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(IconShown(window));
}

TEST_F(TrayWindowTest, FailedSaveAfterOkIsReportedAndTheEditsStay)
{
    // The file refuses the save, or the profile refuses a value of it.
    struct Cause {
        const char* what;
        DWORD reason;
        std::function<void(TrayWindow&)> make;
        std::function<void(TrayWindow&)> remove;
    };
    std::int32_t refusedId = 0;
    const Cause causes[] = {
        {"a read-only file", ERROR_ACCESS_DENIED,
         [this](TrayWindow&) { ASSERT_TRUE(::SetFileAttributesA(profileFile.c_str(), FILE_ATTRIBUTE_READONLY)); },
         [this](TrayWindow&) { ASSERT_TRUE(::SetFileAttributesA(profileFile.c_str(), FILE_ATTRIBUTE_NORMAL)); }},
        {"a path with a line break", ERROR_INVALID_DATA,
         [&refusedId](TrayWindow& tray) {
             tray.GetWallpaperSet().Add(WallpaperEntry{"C:\\Pictures\\line\r\nbreak.bmp"}, &refusedId);
         },
         [&refusedId](TrayWindow& tray) { tray.GetWallpaperSet().Remove(refusedId); }},
    };
    for (const Cause& cause : causes) {
        SCOPED_TRACE(cause.what);
        TrayWindow& tray = MakeWindow(0);
        boxes.Clear();
        RunDialog(IDOK, [&tray, &cause](CDialog&) {
            tray.GetWallpaperSet().Add(WallpaperEntry{"C:\\Pictures\\kept.bmp", ShowState::Centered, Priority::Low});
            tray.GetWallpaperSet().SetChangeInterval(1);
            cause.make(tray);
        });

        ASSERT_EQ(1u, boxes.Boxes().size());
        const std::string& text = boxes.Boxes()[0].text;
        EXPECT_NE(std::string::npos, text.find(profileFile)) << text;
        char reason[256] = {};
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, cause.reason, 0,
                         reason, sizeof reason, nullptr);
        std::string firstLine(reason);
        firstLine = firstLine.substr(0, firstLine.find_first_of("\r\n"));
        EXPECT_NE(std::string::npos, text.find(firstLine)) << text;
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), boxes.Boxes()[0].type);

        // Not reloaded: the confirmed edits are still what the program uses.
        EXPECT_EQ(1, tray.GetWallpaperSet().GetChangeInterval());
        EXPECT_TRUE(tray.IsChangeTimerRunning());
        EXPECT_EQ(std::string::npos, test_support::FileBytes(profileFile).find("kept.bmp")) << "the file is as it was";

        // Without the cause, the next OK saves.
        cause.remove(tray);
        boxes.Clear();
        RunDialog(IDOK);
        EXPECT_TRUE(boxes.Boxes().empty());
        EXPECT_NE(std::string::npos, test_support::FileBytes(profileFile).find("kept.bmp"));
        ::DestroyWindow(window);
    }
}

} // namespace
