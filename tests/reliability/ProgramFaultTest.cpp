// The real Vistero.exe under bad input and faults of the platform, watched
// from this second process: hand-edited profiles and paths of any length
// through a whole run, a profile that can't be replaced at OK, a Startup
// folder it can't write, bitmaps that are gone or no bitmaps, a shell that
// restarts, or refuses the icon for a while or for good. Every test starts
// without a profile and puts the desktop settings back.
#include "app/NotificationIcon.h"
#include "framework/core/CodePage.h"
#include "profile/ProfileDocument.h"
#include "profile/StoredText.h"
#include "res/resource.h"
#include "tests/support/Kit.h"
#include "tests/support/Vistero.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <shellapi.h>
#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace test_support;

// The list as Vistero reads it: in UTF-8, each path that is not UTF-8 in the
// system's legacy code page, as an earlier version wrote it.
std::vector<WallpaperEntry> ListIn(const std::string& profileText)
{
    ProfileDocument document(profileText);
    WallpaperSet set;
    set.Load(document);
    std::vector<WallpaperEntry> entries;
    WallpaperSet::IteratorHolder it;
    const CodePages vistero{CP_UTF8, CodePages::SystemLegacy};
    for (set.Begin(it); !it->AtEnd(); it->Next()) {
        entries.push_back(it->Entry());
        entries.back().path = FromStoredText(entries.back().path.str(), vistero);
    }
    return entries;
}

std::string SystemText(DWORD code)
{
    char text[512] = {};
    ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0, text, sizeof text,
                     nullptr);
    std::string line = text;
    return line.substr(0, line.find_first_of("\r\n"));
}

class ProgramFaultTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TrayWindows().empty()) << "a Vistero is still running from elsewhere";
        ASSERT_TRUE(test_support::WaitForTheTray());
        RemoveProfile();
        link = StartupLinkPath();
        startup = link.substr(0, link.find_last_of('\\'));
    }

    void TearDown() override
    {
        EXPECT_TRUE(TrayWindows().empty()) << "a Vistero was left running";
    }

    // Put back after TearDown.
    const SavedDesktopSettings desktop;
    std::string startup;
    std::string link;
};

// Each file of tests/data/profiles as the profile of a whole run: started,
// dialog opened, OK, Exit. The program lives through it and saves the list
// it read. Frequencies the Options page can't show in its ranges make OK
// ask for sensible numbers first, as for a user.
TEST_F(ProgramFaultTest, HandEditedProfilesGoThroughAWholeRunAndTheListSurvivesOk)
{
    int files = 0, fieldsFixed = 0;
    for (const auto& item : fs::directory_iterator(fs::path(Located("data", VISTERO_TEST_DATA)) / "profiles")) {
        if (item.path().extension() != ".ini")
            continue;
        SCOPED_TRACE(item.path().filename().string());
        ++files;
        const std::string text = FileBytes(item.path().string());
        RemoveProfile();
        WriteFileBytes(ProfilePath(), text);

        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(vistero.WaitForTrayWindow());
        ASSERT_TRUE(vistero.OpenDialog());
        if (!vistero.CloseDialog(IDOK)) {
            const HWND box = vistero.MessageBox();
            ASSERT_NE(nullptr, box) << "OK neither closed the dialog nor said why";
            EXPECT_NE(std::string::npos, MessageBoxText(box).find("Please enter a number"));
            ::PostMessageA(box, WM_COMMAND, IDOK, 0);
            ASSERT_TRUE(WaitFor([&] { return vistero.MessageBox() == nullptr; }));
            const HWND page = ::GetParent(Control(vistero.Dialog(), IDC_LOW_FREQUENCY));
            ::SetDlgItemTextA(page, IDC_LOW_FREQUENCY, "50");
            ::SetDlgItemTextA(page, IDC_HIGH_FREQUENCY, "200");
            ::SetDlgItemTextA(page, IDC_INTERVAL, "30");
            ASSERT_TRUE(vistero.CloseDialog(IDOK));
            ++fieldsFixed;
        }
        ASSERT_TRUE(vistero.Exit()) << "the program did not end well after OK";
        EXPECT_EQ(text, FileBytes(ProfilePath() + ".bak")) << "OK saved nothing";
        EXPECT_EQ(ListIn(text), ListIn(FileBytes(ProfilePath())));
    }
    EXPECT_GT(files, 15);
    std::printf("hand-edited profiles: %d files through start, dialog, OK and Exit; %d needed the Options fields "
                "put in range before OK; lists lost: 0\n",
                files, fieldsFixed);
}

// The profile can't be replaced when the user presses OK: a message names
// the file and the system's reason, the file stays as it was, and the edits
// wait in memory for the next OK. Two ways: another program holds the file
// open without sharing, or the temporary file can't be made beside it (a
// folder has its name), as in a folder that takes no new files.
TEST_F(ProgramFaultTest, ProfileThatCannotBeReplacedAtOkIsReportedAndTheEditsWaitForTheNextOk)
{
    const std::string file = ProfilePath();
    const std::string temporary = file + ".tmp";
    const std::string old = "[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\Pictures\\sea.bmp\r\n";
    HANDLE lock = INVALID_HANDLE_VALUE;
    struct Case {
        const char* name;
        std::function<void()> make, undo;
    };
    const Case cases[] = {
        {"locked by another program",
         [&] { lock = ::CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr); },
         [&] { ::CloseHandle(lock); }},
        {"no temporary file can be made", [&] { ::CreateDirectoryA(temporary.c_str(), nullptr); },
         [&] { ::RemoveDirectoryA(temporary.c_str()); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RemoveProfile();
        WriteFileBytes(file, old);
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(vistero.WaitForTrayWindow());
        c.make();
        ASSERT_TRUE(vistero.OpenDialog());
        ::SendMessageA(Control(vistero.Dialog(), IDC_ADD_NONE), BM_CLICK, 0, 0);
        ASSERT_TRUE(vistero.CloseDialog(IDOK));
        const bool told = WaitFor([&] { return vistero.MessageBox() != nullptr; });
        const std::string message = told ? MessageBoxText(vistero.MessageBox()) : "";
        if (told)
            ::PostMessageA(vistero.MessageBox(), WM_COMMAND, IDOK, 0);
        c.undo();
        ASSERT_TRUE(told) << "the failure went unsaid";
        std::string oneLine = message;
        std::replace(oneLine.begin(), oneLine.end(), '\n', ' ');
        std::printf("profile not replaceable at OK (%s): the message reads \"%s\"\n", c.name, oneLine.c_str());
        EXPECT_NE(std::string::npos, message.find(file)) << message;
        EXPECT_TRUE(message.find(SystemText(ERROR_SHARING_VIOLATION)) != std::string::npos ||
                    message.find(SystemText(ERROR_ACCESS_DENIED)) != std::string::npos)
            << message;
        ASSERT_TRUE(WaitFor([&] { return vistero.MessageBox() == nullptr; }));
        EXPECT_EQ(old, FileBytes(file));
        EXPECT_EQ("(missing)", FileBytes(temporary)) << "a temporary file was left";

        // The dialog shows the kept edit, and OK now saves it.
        ASSERT_TRUE(vistero.OpenDialog());
        EXPECT_EQ(2, ListView_GetItemCount(Control(vistero.Dialog(), IDC_WALLPAPER_LIST)));
        ASSERT_TRUE(vistero.CloseDialog(IDOK));
        ASSERT_TRUE(vistero.Exit());
        EXPECT_EQ((std::vector<WallpaperEntry>{{"C:\\Pictures\\sea.bmp", ShowState::Tiled, Priority::Normal},
                                               {"", ShowState::None, Priority::Normal}}),
                  ListIn(FileBytes(file)));
    }
}

// Paths far beyond MAX_PATH in a hand-edited profile: shown, applied by a
// timed change and by the end of the session, and saved whole.
TEST_F(ProgramFaultTest, PathsOfAnyLengthGoThroughAWholeRun)
{
    std::string text = "[WallpaperList]\r\nNumberOfFiles=3\r\nChangeInterval=1\r\n";
    int n = 0;
    for (std::size_t length : {261u, 40000u, 100000u}) {
        std::string path = "C:\\";
        while (path.size() < length - 4)
            path += "folder\xE9\\";
        path.resize(length - 4);
        text += "File" + std::to_string(n++) + "=" + path + ".bmp\r\n";
    }
    WriteFileBytes(ProfilePath(), text);
    Vistero vistero = Vistero::Start("/startup");
    ASSERT_TRUE(vistero.WaitForTrayWindow());
    for (int i = 0; i < 6; ++i)
        Send(vistero.TrayWindow(), i % 2 ? WM_ENDSESSION : WM_TIMER, 1, 0);
    ASSERT_FALSE(HasFailure());
    ASSERT_TRUE(vistero.OpenDialog());
    EXPECT_EQ(3, ListView_GetItemCount(Control(vistero.Dialog(), IDC_WALLPAPER_LIST)));
    ASSERT_TRUE(vistero.CloseDialog(IDOK));
    ASSERT_TRUE(vistero.Exit());
    EXPECT_EQ(text, FileBytes(ProfilePath() + ".bak")) << "OK saved nothing";
    EXPECT_EQ(ListIn(text), ListIn(FileBytes(ProfilePath())));
}

// The shortcut can't be written: start-up goes on all the same.
TEST_F(ProgramFaultTest, StartupFolderMissingOrUnwritableDoesNotStopTheStart)
{
    struct Case {
        const char* name;
        std::function<void()> make;
    };
    const Case cases[] = {
        {"the Startup folder is missing", [] {}},
        {"a folder takes the shortcut's name", [this] { ::CreateDirectoryA(link.c_str(), nullptr); }},
        {"a file takes the Startup folder's name", [this] { WriteFileBytes(startup, "not a folder"); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileA(link.c_str());
        ::RemoveDirectoryA(link.c_str());
        ASSERT_TRUE(::RemoveDirectoryA(startup.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND);
        c.make();

        Vistero vistero = Vistero::Start("/startup");
        EXPECT_TRUE(vistero.WaitForTrayWindow());
        EXPECT_TRUE(vistero.Exit());

        ::RemoveDirectoryA(link.c_str());
        ::DeleteFileA(startup.c_str());
        ::CreateDirectoryA(startup.c_str(), nullptr);
    }
}

// A timed change and the end of the session write a path whose file is gone
// or is no bitmap all the same; what the desktop shows is the system's affair
// (Wine's own wallpaper setting drops an empty file's path, for one).
TEST_F(ProgramFaultTest, BitmapsThatAreGoneOrNoBitmapsAreWrittenAllTheSame)
{
    const std::string folder = (fs::temp_directory_path() / "vistero-not-bitmaps").string();
    fs::create_directories(folder);
    WriteFileBytes(folder + "\\text.bmp", "this is no bitmap\r\n");
    WriteFileBytes(folder + "\\empty.bmp", "");
    WriteFileBytes(folder + "\\cut.bmp", "BM\x36\x30");
    const auto value = [](const char* name) { return DesktopValues()[name]; };
    const auto sz = [](const std::string& text) { return std::to_string(REG_SZ) + ":" + text + '\0'; };
    for (const std::string& path : {folder + "\\gone.bmp", folder + "\\text.bmp", folder + "\\empty.bmp",
                                    folder + "\\cut.bmp", std::string("Z:\\no\\such\\folder\\sea.bmp")}) {
        SCOPED_TRACE(path);
        WriteFileBytes(ProfilePath(), "[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=" + path +
                                                                    "\r\nShowstate0=2\r\nChangeInterval=1\r\n");
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(vistero.WaitForTrayWindow());
        for (UINT message : {UINT{WM_TIMER}, UINT{WM_ENDSESSION}}) {
            SCOPED_TRACE(message == WM_TIMER ? "timed change" : "end of the session");
            for (const char* name : {"Wallpaper", "TileWallpaper", "WallpaperStyle"})
                ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", name, REG_SZ, "before", 7);
            Send(vistero.TrayWindow(), message, message == WM_TIMER ? 1 : TRUE, 0);
            ASSERT_FALSE(HasFailure());
            EXPECT_EQ(sz("0"), value("TileWallpaper"));
            EXPECT_EQ(sz("2"), value("WallpaperStyle"));
            if (message == WM_ENDSESSION)
                EXPECT_EQ(sz(path), value("Wallpaper"));
            else
                EXPECT_NE(sz("before"), value("Wallpaper"));
        }
        EXPECT_TRUE(vistero.Exit());
    }
    std::error_code ignored;
    fs::remove_all(folder, ignored);
}

// A shell that starts again has lost every icon and says so with
// "TaskbarCreated" to all top-level windows: the icon comes back.
TEST_F(ProgramFaultTest, IconComesBackWhenTheShellAnnouncesItsRestart)
{
    Vistero vistero = Vistero::Start("/startup");
    ASSERT_TRUE(vistero.WaitForTrayWindow());
    const HWND window = vistero.TrayWindow();
    ASSERT_TRUE(WaitFor([window] { return IconShown(window); }));
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    ASSERT_TRUE(::Shell_NotifyIconA(NIM_DELETE, &record));
    ASSERT_FALSE(IconShown(window));

    DWORD_PTR result = 0;
    ::SendMessageTimeoutA(HWND_BROADCAST, ::RegisterWindowMessageA("TaskbarCreated"), 0, 0, SMTO_ABORTIFHUNG, 10000,
                          &result);
    EXPECT_TRUE(WaitFor([window] { return IconShown(window); }));
    EXPECT_TRUE(vistero.Exit());
}

// A stand-in for the shell's notification area: a window of its class in
// this process, found before Wine's, that answers the program's requests for
// its icon as the case says. The program finds it only while this thread
// handles messages, which every wait of the tests does.
enum class IconAnswer { Refuse, GrantFromTheSecond, CloseMeanwhile, ExitMeanwhile };
IconAnswer iconAnswer = IconAnswer::Refuse;
int iconRequests = 0;  // NIM_ADD, each try
bool iconGranted = false;

LRESULT CALLBACK StandInTrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message != WM_COPYDATA)
        return ::DefWindowProcA(window, message, wParam, lParam);
    switch (reinterpret_cast<const COPYDATASTRUCT*>(lParam)->dwData) {
    case NIM_ADD:
        break;
    case NIM_MODIFY:
        return iconGranted;  // only an icon that is there can be changed
    case NIM_DELETE:
        iconGranted = false;
        return TRUE;
    default:
        return TRUE;
    }
    ++iconRequests;
    // The program waits for this answer with its window made: another
    // program's message reaches it right now.
    const auto sender = reinterpret_cast<HWND>(wParam);
    DWORD_PTR result = 0;
    if (iconAnswer == IconAnswer::CloseMeanwhile)
        ::SendMessageTimeoutA(sender, WM_CLOSE, 0, 0, SMTO_NORMAL, 10000, &result);
    if (iconAnswer == IconAnswer::ExitMeanwhile)
        ::SendMessageTimeoutA(sender, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0, SMTO_NORMAL, 10000, &result);
    iconGranted = iconAnswer == IconAnswer::CloseMeanwhile || iconAnswer == IconAnswer::ExitMeanwhile ||
                  (iconAnswer == IconAnswer::GrantFromTheSecond && iconRequests >= 2);
    return iconGranted;
}

class StandInTray {
public:
    StandInTray()
    {
        WNDCLASSA trayClass{};
        trayClass.lpfnWndProc = StandInTrayProc;
        trayClass.hInstance = ::GetModuleHandleA(nullptr);
        trayClass.lpszClassName = "Shell_TrayWnd";
        registered = ::RegisterClassA(&trayClass) != 0;
        window = ::CreateWindowExA(0, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   trayClass.hInstance, nullptr);
    }
    ~StandInTray()
    {
        ::DestroyWindow(window);
        ::UnregisterClassA("Shell_TrayWnd", ::GetModuleHandleA(nullptr));
    }
    // The program asks this window, not the real shell.
    bool Answers() const { return registered && window && window == ::FindWindowA("Shell_TrayWnd", nullptr); }
    void Answer(IconAnswer answer)
    {
        iconAnswer = answer;
        iconRequests = 0;
        iconGranted = false;
    }

private:
    bool registered = false;
    HWND window = nullptr;
};

// A program closed while it starts was asked to go: it ends at once, with
// code 0, no window, no dialog and no shortcut.
TEST_F(ProgramFaultTest, CloseDuringStartEndsTheProgramCleanly)
{
    StandInTray tray;
    ASSERT_TRUE(tray.Answers()) << "the real shell would still answer";
    const std::pair<IconAnswer, const char*> cases[] = {
        {IconAnswer::CloseMeanwhile, "WM_CLOSE sent while the icon is added"},
        {IconAnswer::ExitMeanwhile, "Exit sent while the icon is added"},
    };
    for (const auto& [answer, name] : cases) {
        SCOPED_TRACE(name);
        ::DeleteFileA(link.c_str());
        tray.Answer(answer);
        Vistero vistero = Vistero::Start();  // a start by hand, which would open the dialog
        EXPECT_TRUE(vistero.Ended()) << "the program stayed";
        EXPECT_EQ(0u, vistero.ExitCode());
        EXPECT_EQ(1, iconRequests);
        EXPECT_FALSE(FileExists(link)) << "a shortcut was written";
    }
}

// At a busy logon the shell refuses the icon, or answers too late. The
// program stays for its one job at the session's end, tries again at its own
// pace, takes the icon as soon as the shell does (at a try, or when the shell
// announces its start) and ends well on Exit or a close meanwhile.
TEST_F(ProgramFaultTest, RefusedIconLeavesTheProgramResidentUntilTheShellTakesIt)
{
    StandInTray tray;
    ASSERT_TRUE(tray.Answers()) << "the real shell would still answer";
    WriteFileBytes(ProfilePath(), "[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\Pictures\\sea.bmp\r\n");
    const auto resident = [](const Vistero& vistero) {
        return WaitFor([&] { return vistero.TrayWindow() != nullptr && iconRequests >= 1; }) && vistero.Running();
    };

    {
        SCOPED_TRACE("granted at a try");
        tray.Answer(IconAnswer::GrantFromTheSecond);
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(resident(vistero)) << "the program left without its icon";
        EXPECT_TRUE(WaitFor([] { return iconGranted; })) << "no try came";
        EXPECT_EQ(2, iconRequests);
        EXPECT_TRUE(WaitFor([&] { return FileExists(link); })) << "the start was not finished";
        EXPECT_TRUE(vistero.Exit());
        EXPECT_FALSE(iconGranted) << "the icon was left behind";
    }
    {
        SCOPED_TRACE("granted when the shell announces its start");
        tray.Answer(IconAnswer::Refuse);
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(resident(vistero));
        iconAnswer = IconAnswer::GrantFromTheSecond;
        Send(vistero.TrayWindow(), ::RegisterWindowMessageA("TaskbarCreated"));
        ASSERT_FALSE(HasFailure());
        EXPECT_TRUE(iconGranted);
        EXPECT_TRUE(vistero.Exit());
    }
    {
        SCOPED_TRACE("refused for good");
        tray.Answer(IconAnswer::Refuse);
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(resident(vistero));
        const HWND window = vistero.TrayWindow();
        // Ticks of the retry timer, sent faster than it ticks: the tries end
        // after their number, whoever sends the ticks.
        for (int i = 0; i < 2 * NotificationIcon::Retries; ++i)
            Send(window, WM_TIMER, NotificationIcon::RetryTimerId);
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(1 + NotificationIcon::Retries, iconRequests);
        // The one job at the session's end is done all the same...
        ::RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", REG_SZ, "before", 7);
        Send(window, WM_ENDSESSION, TRUE);
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(std::to_string(REG_SZ) + ":C:\\Pictures\\sea.bmp" + '\0', DesktopValues()["Wallpaper"]);
        // ... and a start by hand reaches the dialog through the window.
        Vistero second = Vistero::Start();
        EXPECT_TRUE(second.Ended());
        ASSERT_TRUE(vistero.WaitForDialog());
        ASSERT_TRUE(vistero.CloseDialog(IDCANCEL));
        EXPECT_TRUE(vistero.Exit());
    }
    for (const UINT close : {UINT{WM_CLOSE}, UINT{WM_COMMAND}}) {
        SCOPED_TRACE(close == WM_CLOSE ? "WM_CLOSE while the icon waits" : "Exit while the icon waits");
        tray.Answer(IconAnswer::Refuse);
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(resident(vistero));
        ::PostMessageA(vistero.TrayWindow(), close, close == WM_COMMAND ? MAKEWPARAM(ID_EXIT, 0) : 0, 0);
        EXPECT_TRUE(vistero.Ended());
        EXPECT_EQ(0u, vistero.ExitCode());
    }
}

} // namespace
