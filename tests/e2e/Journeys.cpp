// Vistero as a user meets it: the real Vistero.exe in a Wine virtual desktop,
// driven from this program as a user would drive it, and judged by what the
// user gets: the profile's lines, the desktop settings in the registry, the
// Startup shortcut, and the pixels of the desktop.
//
// tests/e2e/journey runs each test in a Wine session of its own, on a display
// of its own; a journey that spans a logoff runs as two tests, one session
// each. The first test of a journey starts from a user who never ran Vistero.
#include "tests/e2e/Driver.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <map>

namespace e2e {
namespace {

const Picture Sea{"C:\\Wallpapers\\sea.bmp", RGB(255, 255, 255), RGB(0, 0, 192)};
const Picture Sky{"C:\\Wallpapers\\sky.bmp", RGB(255, 0, 0), RGB(0, 255, 255)};
const Picture Sun{"C:\\Wallpapers\\sun.bmp", RGB(0, 128, 0), RGB(255, 255, 0)};

enum Priority { Low, Normal, High };

// The list the first journey makes through the dialog; the others start
// from it as saved.
const std::vector<Entry> UsersList = {
    {&Sea, Show::Centered, High}, {&Sky, Show::Tiled, Low}, {&Sun, Show::Stretched, Normal}, {nullptr, Show::None, Low}};
const std::vector<std::string> UsersRows = {
    "(none)|Low", "C:\\Wallpapers\\sea.bmp|Hight", "C:\\Wallpapers\\sky.bmp|Low", "C:\\Wallpapers\\sun.bmp|Normal"};

const Picture* PictureAt(const std::string& path)
{
    for (const Picture* picture : {&Sea, &Sky, &Sun})
        if (picture->path == path)
            return picture;
    return nullptr;
}

std::string Shot(const char* moment)
{
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    return std::string(test->test_suite_name()) + "." + test->name() + "-" + moment;
}

// The user quits from the tray menu: Vistero ends, as a program ends.
void ExitFromTrayMenu(const Vistero& vistero)
{
    ASSERT_TRUE(vistero.ChooseFromTrayMenu(1)) << "no tray menu";
    ASSERT_TRUE(vistero.Ended()) << "Exit did not end Vistero";
    EXPECT_EQ(0u, vistero.ExitCode());
}

bool IconShown()
{
    return TrayShowsIcon();
}

class Journey : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TrayWindows().empty()) << "a Vistero runs from before";
        ForgetEverything();
        for (const Picture* picture : {&Sea, &Sky, &Sun})
            WritePicture(*picture);
        ASSERT_TRUE(DesktopShows(nullptr, Show::None, Shot("before")));
    }
};

TEST_F(Journey, FirstStartByHandSavesTheListMadeInTheDialog)
{
    Vistero vistero = Vistero::Start();
    ASSERT_TRUE(vistero.WaitForDialog());
    EXPECT_TRUE(WaitFor(IconShown)) << "no icon in the notification area";
    EXPECT_TRUE(FileExists(StartupLinkPath()));
    const HWND dialog = vistero.Dialog();
    EXPECT_TRUE(vistero.Rows().empty());

    // Three pictures at once through the file dialog, centred and high...
    Click(dialog, IDC_CENTERED);
    Click(dialog, IDC_HIGH);
    ASSERT_TRUE(vistero.AddFiles("C:\\Wallpapers", {"sea.bmp", "sky.bmp", "sun.bmp"}));
    ASSERT_TRUE(WaitFor([&] { return vistero.Rows().size() == 3; }));
    // ... then two of them changed row by row, and "(none)" added as low.
    vistero.SelectRows({Sky.path});
    Click(dialog, IDC_TILED);
    Click(dialog, IDC_LOW);
    vistero.SelectRows({Sun.path});
    Click(dialog, IDC_STRETCHED);
    Click(dialog, IDC_NORMAL);
    vistero.SelectRows({});
    Click(dialog, IDC_LOW);
    Click(dialog, IDC_ADD_NONE);
    EXPECT_EQ(UsersRows, vistero.Rows());

    vistero.ShowTab(1);
    Type(dialog, IDC_LOW_FREQUENCY, "50");
    Type(dialog, IDC_HIGH_FREQUENCY, "300");
    Click(dialog, IDC_INTERVAL_CHECK);
    EXPECT_EQ("30", Text(Control(dialog, IDC_INTERVAL, "Edit")));
    Type(dialog, IDC_INTERVAL, "2");
    Click(dialog, IDOK);
    ASSERT_TRUE(vistero.WaitForNoDialog());

    const std::vector<std::string> expected = {
        "[WallpaperList]",
        "File0=C:\\Wallpapers\\sea.bmp",
        "Showstate0=1",
        "Priority0=2",
        "File1=C:\\Wallpapers\\sky.bmp",
        "Showstate1=0",
        "Priority1=0",
        "File2=C:\\Wallpapers\\sun.bmp",
        "Showstate2=2",
        "Priority2=1",
        "File3=",
        "Showstate3=3",
        "Priority3=0",
        "NumberOfFiles=4",
        "FrequencyLow=50",
        "FrequencyNormal=100",
        "FrequencyHigh=300",
        "ChangeInterval=2",
    };
    WaitFor([&] { return Lines(FileBytes(ProfilePath())) == expected; });
    EXPECT_EQ(expected, Lines(FileBytes(ProfilePath())));
    EXPECT_EQ(Lines(ProfileText(UsersList, 50, 300, 2)), expected) << "the other journeys start from this list";

    ExitFromTrayMenu(vistero);
    // (Wine's shell also drops the icon of a window that is gone.)
    EXPECT_TRUE(WaitFor([] { return !IconShown(); })) << "the icon stayed after Exit";
}

TEST_F(Journey, CancelKeepsTheSavedListAndExitWaitsForTheDialog)
{
    const std::string saved = ProfileText(UsersList, 50, 300, 2);
    WriteFileBytes(ProfilePath(), saved);
    Vistero vistero = Vistero::Start();
    ASSERT_TRUE(vistero.WaitForDialog());
    HWND dialog = vistero.Dialog();
    ASSERT_EQ(UsersRows, vistero.Rows());

    // Edits on both pages.
    vistero.SelectRows({Sea.path});
    Click(dialog, IDC_REMOVE_FILES);
    vistero.SelectRows({Sky.path, Sun.path});
    Click(dialog, IDC_CENTERED);
    Click(dialog, IDC_HIGH);
    vistero.ShowTab(1);
    Type(dialog, IDC_LOW_FREQUENCY, "70");
    Click(dialog, IDC_INTERVAL_CHECK);
    EXPECT_EQ((std::vector<std::string>{"(none)|Low", "C:\\Wallpapers\\sky.bmp|Hight", "C:\\Wallpapers\\sun.bmp|Hight"}),
              vistero.Rows());

    // Exit from the tray menu while the dialog is open does nothing; the
    // Cancel posted after the menu's command reaches a dialog still there.
    ASSERT_TRUE(vistero.ChooseFromTrayMenu(1));
    PostClick(dialog, IDCANCEL);
    ASSERT_TRUE(vistero.WaitForNoDialog());
    EXPECT_TRUE(vistero.Running());
    EXPECT_NE(nullptr, vistero.TrayWindow());
    EXPECT_EQ(saved, FileBytes(ProfilePath()));
    EXPECT_FALSE(FileExists(ProfilePath() + ".bak")) << "something was saved";

    // A second start by hand opens the resident instance's dialog again,
    // with the saved list and options.
    Vistero second = Vistero::Start();
    ASSERT_TRUE(second.Ended());
    EXPECT_EQ(0u, second.ExitCode());
    ASSERT_TRUE(vistero.WaitForDialog());
    dialog = vistero.Dialog();
    EXPECT_EQ(UsersRows, vistero.Rows());
    EXPECT_EQ("50", Text(Control(dialog, IDC_LOW_FREQUENCY, "Edit")));
    EXPECT_EQ("300", Text(Control(dialog, IDC_HIGH_FREQUENCY, "Edit")));
    EXPECT_TRUE(Checked(dialog, IDC_INTERVAL_CHECK));
    EXPECT_EQ("2", Text(Control(dialog, IDC_INTERVAL, "Edit")));
    Click(dialog, IDCANCEL);
    ASSERT_TRUE(vistero.WaitForNoDialog());
    ExitFromTrayMenu(vistero);
}

TEST_F(Journey, TestShowsTheSelectedRowOnTheDesktopAsChosen)
{
    WriteFileBytes(ProfilePath(), ProfileText(UsersList, 50, 300, 2));
    struct Case {
        const Picture* picture;
        Show show;
        const char* tile;
        const char* style;
        const char* shot;
    };
    const Case cases[] = {{&Sky, Show::Tiled, "1", "0", "tiled"},
                          {&Sea, Show::Centered, "0", "0", "centered"},
                          {&Sun, Show::Stretched, "0", "2", "stretched"},
                          {nullptr, Show::None, nullptr, nullptr, "none"}};

    Vistero vistero = Vistero::Start();
    for (const Case& test : cases) {
        const std::string row = test.picture ? test.picture->path : "(none)";
        SCOPED_TRACE(row);
        // Started by hand the first time, then a double-click on the icon.
        if (&test != cases)
            vistero.DoubleClickIcon();
        ASSERT_TRUE(vistero.WaitForDialog());
        vistero.SelectRows({row});
        Click(vistero.Dialog(), IDC_TEST);
        // The dialog covers the desktop's middle: closed to look at it.
        Click(vistero.Dialog(), IDCANCEL);
        ASSERT_TRUE(vistero.WaitForNoDialog());

        EXPECT_TRUE(DesktopShows(test.picture, test.show, Shot(test.shot)));
        EXPECT_EQ(test.picture ? test.picture->path : "", DesktopValue("Wallpaper").value_or("(missing)"));
        if (test.tile) {
            EXPECT_EQ(test.tile, DesktopValue("TileWallpaper").value_or("(missing)"));
            EXPECT_EQ(test.style, DesktopValue("WallpaperStyle").value_or("(missing)"));
        }
    }
    ExitFromTrayMenu(vistero);
}

TEST_F(Journey, TimedChangesFollowThePriorities)
{
    // Weights 200, 100 and 50 of 350 for High, Normal and Low.
    WriteFileBytes(ProfilePath(), ProfileText({{&Sea, Show::Tiled, High}, {&Sky, Show::Tiled, Normal}, {&Sun, Show::Tiled, Low}},
                                         50, 200, 1));
    Vistero vistero = Vistero::StartSilently();

    // A minute's tick each, one after the other. High is expected four
    // times as often as Low; over 400 ticks it comes up less than twice as
    // often with a chance below 1e-7 (none in two million simulated runs),
    // and a choice that ignored the priorities would not pass.
    std::map<std::string, int> chosen;
    for (int tick = 0; tick < 400; ++tick) {
        Send(vistero.TrayWindow(), WM_TIMER, 1);
        ++chosen[DesktopValue("Wallpaper").value_or("(nothing)")];
    }
    EXPECT_EQ((std::vector<std::string>{Sea.path, Sky.path, Sun.path}), [&] {
        std::vector<std::string> paths;
        for (const auto& [path, count] : chosen)
            paths.push_back(path);
        return paths;
    }());
    EXPECT_GT(chosen[Sea.path], 2 * chosen[Sun.path]);
    EXPECT_TRUE(DesktopShows(PictureAt(DesktopValue("Wallpaper").value_or("")), Show::Tiled, Shot("last")));
    ExitFromTrayMenu(vistero);
}

// Names the legacy code page (Windows-1252 in the test's prefix) can't spell:
// a user called "Łucja 山田", a picture "Łódź 東京.bmp", both in two scripts.
const std::string UserFolder = "C:\\users\\\xC5\x81ucja \xE5\xB1\xB1\xE7\x94\xB0";
const Picture Tokyo{"C:\\Wallpapers\\\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC.bmp", RGB(128, 0, 128),
                    RGB(255, 255, 255)};

// The user's AppData and Startup folders in a user folder of that name, as
// Windows sets them up for such a user, until the object goes. The driver's
// own code page is UTF-8, as Vistero's.
class UserShellFolders {
public:
    static constexpr const char* Key = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

    explicit UserShellFolders(const std::string& user)
        : appData(user + "\\AppData\\Roaming"), startup(appData + "\\Microsoft\\Windows\\Start Menu\\Programs\\Startup")
    {
        for (auto& [name, folder, before] : values) {
            char value[1024] = {};
            DWORD size = sizeof value - 1;
            if (::RegGetValueA(HKEY_CURRENT_USER, Key, name, RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND, nullptr, value,
                               &size) == ERROR_SUCCESS)
                before = value;
            Set(name, folder);
        }
        ::SHCreateDirectoryExA(nullptr, startup.c_str(), nullptr);
    }
    UserShellFolders(const UserShellFolders&) = delete;
    UserShellFolders& operator=(const UserShellFolders&) = delete;
    ~UserShellFolders()
    {
        for (const auto& [name, folder, before] : values)
            Set(name, before);
    }

    const std::string appData;
    const std::string startup;

private:
    static void Set(const char* name, const std::string& folder)
    {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, Key, name, REG_EXPAND_SZ, folder.c_str(),
                          static_cast<DWORD>(folder.size() + 1));
    }

    struct Value {
        const char* name;
        const std::string& folder;
        std::string before;
    };
    Value values[2] = {{"AppData", appData, {}}, {"Startup", startup, {}}};
};

TEST_F(Journey, AUserAndAPictureNamedOutsideTheLegacyCodePage)
{
    const UserShellFolders folders(UserFolder);
    ASSERT_EQ(folders.appData, ShellFolder(CSIDL_APPDATA)) << "the prefix's shell did not move the folder";
    // Installed for this user alone, as the installer does by default.
    const std::string programs = UserFolder + "\\AppData\\Local\\Programs\\Vistero";
    const std::string exe = programs + "\\Vistero.exe";
    ::SHCreateDirectoryExA(nullptr, programs.c_str(), nullptr);
    ASSERT_TRUE(::CopyFileA(BuiltExe().c_str(), exe.c_str(), FALSE));
    WritePicture(Tokyo);
    const std::string link = folders.startup + "\\Vistero.lnk";
    const std::string profile = folders.appData + "\\Vistero.INI";
    ::DeleteFileA(link.c_str());
    ::DeleteFileA(profile.c_str());

    // The logon's start: the shortcut goes into the user's real Startup
    // folder. (Its target Wine keeps only in the legacy code page.)
    Vistero vistero = Vistero::Start("/startup", exe);
    ASSERT_TRUE(WaitFor([&] { return vistero.TrayWindow() && FileExists(link); }))
        << "no Startup shortcut in " << folders.startup;
    const auto written = test_support::ReadLink(link);
    ASSERT_TRUE(written);
    EXPECT_EQ("/startup", written->arguments);

    // The picture added through the file dialog, a timed change every minute.
    vistero.DoubleClickIcon();
    ASSERT_TRUE(vistero.WaitForDialog());
    HWND dialog = vistero.Dialog();
    Click(dialog, IDC_TILED);
    Click(dialog, IDC_NORMAL);
    ASSERT_TRUE(vistero.AddFiles("C:\\Wallpapers", {Tokyo.path.substr(Tokyo.path.find_last_of('\\') + 1)}));
    ASSERT_TRUE(WaitFor([&] { return vistero.Rows() == std::vector<std::string>{Tokyo.path + "|Normal"}; }));
    vistero.ShowTab(1);
    Click(dialog, IDC_INTERVAL_CHECK);
    Type(dialog, IDC_INTERVAL, "1");
    Click(dialog, IDOK);
    ASSERT_TRUE(vistero.WaitForNoDialog());
    // Saved in UTF-8, in the user's AppData.
    EXPECT_TRUE(WaitFor([&] { return FileBytes(profile).find("\nFile0=" + Tokyo.path + "\r\n") != std::string::npos; }))
        << FileBytes(profile);

    Send(vistero.TrayWindow(), WM_TIMER, 1);
    EXPECT_EQ(Tokyo.path, DesktopValue("Wallpaper").value_or("(missing)")) << "after a timed change";
    EXPECT_TRUE(DesktopShows(&Tokyo, Show::Tiled, Shot("timed")));

    // The desktop back to no picture, then Test on the row.
    char none[] = "";
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, none, SPIF_UPDATEINIFILE);
    vistero.DoubleClickIcon();
    ASSERT_TRUE(vistero.WaitForDialog());
    vistero.SelectRows({Tokyo.path});
    Click(vistero.Dialog(), IDC_TEST);
    Click(vistero.Dialog(), IDCANCEL);
    ASSERT_TRUE(vistero.WaitForNoDialog());
    EXPECT_EQ(Tokyo.path, DesktopValue("Wallpaper").value_or("(missing)")) << "after Test";
    EXPECT_TRUE(DesktopShows(&Tokyo, Show::Tiled, Shot("test")));
    ExitFromTrayMenu(vistero);
}

// The first session of a logoff and the next logon.
TEST_F(Journey, EndOfSessionStoresAChoiceForTheNextLogon)
{
    // With an empty list the end of the session stores nothing.
    {
        Vistero vistero = Vistero::StartSilently();
        // As the shell ends a session: WM_QUERYENDSESSION and WM_ENDSESSION
        // to every top-level window, then the programs end.
        ASSERT_TRUE(RunToEnd("wineboot.exe --end-session --shutdown"));
        EXPECT_FALSE(DesktopValue("Wallpaper") || DesktopValue("TileWallpaper") || DesktopValue("WallpaperStyle"));
    }

    WriteFileBytes(ProfilePath(), ProfileText({{&Sea, Show::Centered, Normal}, {&Sky, Show::Tiled, Normal}}, 50, 200, 0));
    Vistero vistero = Vistero::StartSilently();
    ASSERT_TRUE(RunToEnd("wineboot.exe --end-session --shutdown"));
    const Picture* stored = PictureAt(DesktopValue("Wallpaper").value_or(""));
    ASSERT_NE(nullptr, stored) << DesktopValue("Wallpaper").value_or("no wallpaper stored");
    EXPECT_EQ(stored == &Sky ? "1" : "0", DesktopValue("TileWallpaper").value_or("(missing)"));
    EXPECT_EQ("0", DesktopValue("WallpaperStyle").value_or("(missing)"));
}

// Runs in the session after EndOfSessionStoresAChoiceForTheNextLogon: the
// desktop comes up with the stored choice, and the logon starts Vistero from
// its Startup shortcut, silently.
TEST(NextLogon, ShowsTheStoredChoiceAndStartsVisteroSilently)
{
    const Picture* picture = PictureAt(DesktopValue("Wallpaper").value_or(""));
    ASSERT_NE(nullptr, picture) << "no choice stored by the session before";
    EXPECT_TRUE(
        DesktopShows(picture, DesktopValue("TileWallpaper") == "1" ? Show::Tiled : Show::Centered, Shot("desktop")));

    // A plain wineboot runs the Startup folder's items, as a logon does.
    ASSERT_TRUE(RunToEnd("wineboot.exe"));
    ASSERT_TRUE(WaitFor([] { return !TrayWindows().empty(); }))
        << "the Startup shortcut started no Vistero";
    const Vistero vistero = Vistero::Resident();
    // Exit is refused while a dialog is open: that it ends Vistero shows
    // that the logon opened none.
    ExitFromTrayMenu(vistero);
}

} // namespace
} // namespace e2e
