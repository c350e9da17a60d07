// The real Vistero.exe, started from this test as a user, a logon or a second
// start would start it, and watched from outside: its hidden window, its
// dialog, its exit, its Startup shortcut. Each start begins with no profile,
// and ends every program it started.
//
// Whether an instance has its dialog open is asked the way an uninstaller
// would: Exit is refused while the dialog is open, so a program that ends on
// Exit had none.
#include "app/TrayApp.h"
#include "app/TrayWindow.h"
#include "framework/ui/Com.h"
#include "res/resource.h"
#include "tests/support/Kit.h"
#include "tests/support/Vistero.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace test_support;

// A link the program wrote from another place, earlier.
void WriteOldLink()
{
    ASSERT_TRUE(::CreateDirectoryA(ShellFolder(CSIDL_STARTUP).c_str(), nullptr)
                || ::GetLastError() == ERROR_ALREADY_EXISTS);
    const ComInit com;
    ComPtr<IShellLinkA> old;
    ASSERT_TRUE(SUCCEEDED(
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(old.receive()))));
    old->SetPath("C:\\Old\\Vistero.exe");
    old->SetArguments("/old");
    old->SetDescription("Old");
    const std::string file = StartupLinkPath();
    const std::wstring wide(file.begin(), file.end());
    ComPtr<IPersistFile> persist;
    ASSERT_TRUE(SUCCEEDED(old->QueryInterface(IID_PPV_ARGS(persist.receive()))));
    ASSERT_TRUE(SUCCEEDED(persist->Save(wide.c_str(), TRUE)));
}

// A plain wineboot does what a logon does: it starts the Startup folder's
// items through the shell.
Vistero LogOn()
{
    EXPECT_TRUE(RunToEnd("wineboot.exe"));
    EXPECT_TRUE(WaitFor([] { return TrayWindows().size() == 1; })) << "the shortcut started no Vistero";
    return Vistero::Resident();
}

// How Vistero is started: alone, while an instance is resident already, or
// twice at the same moment. Only the exact argument text "/startup" is
// silent: anything else is a start by hand, which opens the dialog, the
// resident instance's on a second start.
enum class When { First, Second, TwiceAtOnce };
// Who else has the resident instance's kernel objects as Vistero starts,
// played by this test: nobody; a holder of the mutex that is still starting,
// whose window then comes; one whose window has gone after Exit and which
// then ends; an object of another kind that has the mutex's name, so that no
// mutex can be made.
enum class Holder { None, Starting, Ending, NameTaken };
struct Start {
    When when;
    const char* arguments; // null: the Startup shortcut, as at a logon
    Holder holder = Holder::None;
};

const Start starts[] = {
    {When::Second, "/startup"},
    {When::Second, ""},
    {When::Second, "/Startup"},
    {When::Second, "/startup "},
    {When::TwiceAtOnce, ""},
    {When::TwiceAtOnce, "/startup"},
    {When::First, "", Holder::Starting},
    {When::First, "/startup", Holder::Starting},
    {When::First, "", Holder::Ending},
    {When::First, "/startup", Holder::Ending},
    {When::First, "", Holder::NameTaken},
    {When::Second, "", Holder::NameTaken},
    {When::First, "/startup"},
    {When::First, ""},
    {When::First, "/Startup"},
    {When::First, "-startup"},
    {When::First, "/startup "},
    {When::First, "/startup other"},
    // The shortcut the row before wrote. A copy of it stays in the working
    // folder for the test that reads it from the host: the Startup folder is
    // put back when this program ends.
    {When::First, nullptr},
};

// The holder a row plays, from this thread, with the names and the class
// the program uses: it takes the mutex, or gives its name to an event, at
// once; its window comes (or its end) when the row says.
class StandInHolder {
public:
    explicit StandInHolder(Holder holder) : holder(holder)
    {
        if (holder == Holder::NameTaken) {
            mutex.reset(::CreateEventA(nullptr, TRUE, FALSE, TrayApp::ResidentMutexName));
            EXPECT_TRUE(mutex) << "the mutex's name can't be given to an event";
            return;
        }
        if (holder == Holder::None)
            return;
        mutex.reset(::CreateMutexA(nullptr, TRUE, TrayApp::ResidentMutexName));
        EXPECT_TRUE(mutex && ::GetLastError() != ERROR_ALREADY_EXISTS) << "the mutex is someone else's";
        event.reset(::CreateEventA(nullptr, TRUE, holder == Holder::Ending, TrayApp::ResidentWindowEventName));
    }
    StandInHolder(const StandInHolder&) = delete;
    StandInHolder& operator=(const StandInHolder&) = delete;
    ~StandInHolder()
    {
        if (window)
            ::DestroyWindow(window);
        if (holder == Holder::Starting || holder == Holder::Ending)
            ::ReleaseMutex(mutex.get());
    }

    // A holder still starting gets its window, as the program's holder does,
    // and announces it; one that is ending ends.
    void GoOn()
    {
        if (holder == Holder::Ending) {
            ::ReleaseMutex(mutex.get());
            mutex.reset();
            event.reset();
            holder = Holder::None;
        }
        if (holder != Holder::Starting)
            return;
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = Record;
        windowClass.hInstance = ::GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "Afx:0:0:0:0";
        ::RegisterClassA(&windowClass);
        window = ::CreateWindowExA(0, windowClass.lpszClassName, TrayWindow::WindowName, WS_POPUP, 0, 0, 0, 0,
                                   nullptr, nullptr, windowClass.hInstance, nullptr);
        EXPECT_NE(nullptr, window);
        ::SetEvent(event.get());
    }
    // The commands a second start posted to the stand-in's window.
    static std::vector<WPARAM>& Commands()
    {
        static std::vector<WPARAM> commands;
        return commands;
    }
    bool HasWindow() const { return window != nullptr; }

private:
    static LRESULT CALLBACK Record(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_COMMAND)
            Commands().push_back(wParam);
        return ::DefWindowProcA(window, message, wParam, lParam);
    }

    Holder holder;
    UniqueKernelHandle mutex;
    UniqueKernelHandle event;
    HWND window = nullptr;
};

// Sign-outs of one list, each in a fresh start, as a user meets them day
// after day with the timer off: the choice stored at the end of each session
// is the first the process draws, and must be new at every start. 30 entries
// of one priority weighing 1,000, the sum of weights 30,000: far above the
// first number a generator seeded with the milliseconds since the start
// gives (about 38 + 3.27 for each millisecond, under 7,000 for any start
// within two seconds), which kept every such sign-out among the first seven.
TEST(InstanceTest, SignOutsOfFreshStartsSpreadOverTheWholeList)
{
    ASSERT_TRUE(WaitForTheTray()) << "the shell's notification area never came up";
    const SavedDesktopSettings restored;
    constexpr int Entries = 30;
    constexpr int SignOuts = 10;
    constexpr int Early = 7;
    const auto path = [](int n) { return "C:\\Sign-outs\\picture" + std::to_string(n) + ".bmp"; };
    std::string profile = "[WallpaperList]\r\nNumberOfFiles=" + std::to_string(Entries) + "\r\nFrequencyHigh=1000\r\n";
    for (int n = 0; n < Entries; ++n)
        profile += "File" + std::to_string(n) + "=" + path(n) + "\r\nPriority" + std::to_string(n) + "=2\r\n";

    std::string chosen;
    int early = 0;
    for (int signOut = 0; signOut < SignOuts; ++signOut) {
        RemoveProfile();
        WriteFileBytes(ProfilePath(), profile);
        const Vistero vistero = Vistero::StartSilently();
        ASSERT_TRUE(vistero.WaitForTrayWindow());
        EXPECT_NE(0, Send(vistero.TrayWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
        Send(vistero.TrayWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        const std::string stored = DesktopValue("Wallpaper").value_or("(none stored)");
        int n = 0;
        while (n < Entries && path(n) != stored)
            ++n;
        ASSERT_LT(n, Entries) << stored;
        early += n < Early ? 1 : 0;
        chosen += " " + std::to_string(n);
        EXPECT_TRUE(vistero.Exit());
    }
    RemoveProfile();
    // A fair choice lands among the first seven of 30 with a chance of 7/30
    // at each sign-out, and at all ten with (7/30)^10, 4.8 in ten million: a
    // false failure comes less than once in a million runs.
    EXPECT_LT(early, SignOuts) << "every sign-out chose one of the first " << Early << " entries:" << chosen;
}

// On Windows a DLL beside the exe under the name of a system DLL that is not
// a KnownDLL runs inside it, at every logon through the Startup shortcut. A
// user's whole journey with a copy of Vistero among such DLLs, Wine told to
// prefer them: each step still works, and none of them is ever loaded. (Before
// the table of starts, whose last shortcut stays for the test that reads it
// from the host.)
TEST(InstanceTest, LibrariesPlantedBesideTheExeAreNeverLoaded)
{
    ASSERT_TRUE(WaitForTheTray()) << "the shell's notification area never came up";
    const SavedDesktopSettings restored;
    RemoveProfile();
    const PlantedLibraries planted;
    ASSERT_TRUE(planted.RunCarelessProgram());
    ASSERT_EQ(1u, planted.Loaded().size()) << "a program that asks for version.dll by name got none of the "
                                               "planted ones: the test would prove nothing";
    planted.ForgetLoaded();

    const std::string pictures = ShellFolder(CSIDL_APPDATA) + "\\Planted pictures";
    ::CreateDirectoryA(pictures.c_str(), nullptr);
    for (const char* name : {"one.bmp", "two.bmp"})
        WriteBitmapFile(pictures + "\\" + name, 8, 8, [](int x, int y) { return RGB(x * 30, y * 30, 90); });
    WriteFileBytes(ProfilePath(), "[WallpaperList]\r\nChangeInterval=1\r\n");

    const Vistero vistero = Vistero::Start({}, planted.Exe());
    const std::string one = pictures + "\\one.bmp";
    const std::string two = pictures + "\\two.bmp";
    const auto journey = [&] {
        ASSERT_TRUE(vistero.WaitForDialog()) << "the dialog of a start by hand never came";
        ASSERT_TRUE(vistero.AddFiles(pictures, {"one.bmp", "two.bmp"}));
        vistero.SelectRows({one});
        Click(vistero.Dialog(), IDC_TEST);
        EXPECT_EQ(one, DesktopValue("Wallpaper").value_or("(none stored)")) << "Test";
        ASSERT_TRUE(vistero.CloseDialog(IDOK));

        // Handled after the save that OK began.
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
        Send(vistero.TrayWindow(), WM_TIMER, 1, 0);
        EXPECT_NE(std::string::npos, FileBytes(ProfilePath()).find(two)) << "OK saved no list";
        const std::string timed = DesktopValue("Wallpaper").value_or("(none stored)");
        EXPECT_TRUE(timed == one || timed == two) << "the timed change wrote " << timed;
        ::RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
        EXPECT_NE(0, Send(vistero.TrayWindow(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF));
        Send(vistero.TrayWindow(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        const std::string stored = DesktopValue("Wallpaper").value_or("(none stored)");
        EXPECT_TRUE(stored == one || stored == two) << "the end of the session stored " << stored;

        EXPECT_EQ(std::vector<std::string>{}, planted.ModulesFromTheFolder(vistero.Id()));
        EXPECT_TRUE(vistero.Exit());
    };
    journey();
    // Also when the journey broke off: a planted DLL that exports nothing
    // stops the program where it takes the real one's place.
    EXPECT_EQ(std::vector<std::string>{}, planted.Loaded());
    RemoveProfile();
    std::error_code ignored;
    std::filesystem::remove_all(pictures, ignored);
}

TEST(InstanceTest, EachStartOpensTheDialogOnlyByHandAndOnlyTheFirstWritesTheShortcut)
{
    ASSERT_TRUE(WaitForTheTray()) << "the shell's notification area never came up";
    const std::string link = StartupLinkPath();
    ::DeleteFileA("Vistero.lnk");
    for (const Start& start : starts) {
        const char* when = start.when == When::First    ? "first start, "
                           : start.when == When::Second ? "second start, "
                                                        : "two starts at once, ";
        SCOPED_TRACE(std::string(when)
                     + (start.arguments ? "arguments [" + std::string(start.arguments) + "]" : "at logon"));
        if (!start.arguments && KitLeavesOut("a logon through wineboot"))
            continue;
        ASSERT_TRUE(TrayWindows().empty()) << "a Vistero is still running from elsewhere";
        RemoveProfile();
        const bool byHand = start.arguments && std::string(start.arguments) != "/startup";
        StandInHolder holder(start.holder);
        StandInHolder::Commands().clear();

        if (start.when == When::TwiceAtOnce) {
            // Both look for each other before either has its window: one
            // stays, and the other hands over to it and ends.
            const Vistero one = Vistero::Start(start.arguments);
            const Vistero other = Vistero::Start(start.arguments);
            ASSERT_TRUE(WaitFor([&] { return !one.Running() || !other.Running(); })) << "both stayed";
            const Vistero& resident = one.Running() ? one : other;
            const Vistero& ended = one.Running() ? other : one;
            EXPECT_EQ(0u, ended.ExitCode());
            ASSERT_TRUE(resident.WaitForTrayWindow());
            if (byHand) {
                ASSERT_TRUE(resident.WaitForDialog());
                ASSERT_TRUE(resident.CloseDialog(IDCANCEL));
            }
            EXPECT_EQ(1u, TrayWindows().size());
            EXPECT_TRUE(resident.Exit()) << "Exit was refused: a second dialog is open";
        } else if (start.when == When::First) {
            if (start.arguments)
                WriteOldLink();
            const Vistero vistero = start.arguments ? Vistero::Start(start.arguments) : LogOn();
            holder.GoOn();
            if (holder.HasWindow()) {
                // It waited for the holder's window, and handed over to it.
                ASSERT_TRUE(vistero.Ended()) << "it did not hand over to the holder";
                PumpPending();
                EXPECT_EQ(0u, vistero.ExitCode());
                const std::vector<WPARAM> asked{MAKEWPARAM(ID_OPEN_CONFIGURATION, 0)};
                EXPECT_EQ(byHand ? asked : std::vector<WPARAM>{}, StandInHolder::Commands());
                EXPECT_EQ(1u, TrayWindows().size()) << "a window beside the holder's";
                continue;
            }
            ASSERT_TRUE(vistero.WaitForTrayWindow());
            EXPECT_FALSE(::IsWindowVisible(vistero.TrayWindow()));
            if (byHand) {
                // The icon is in place, and the shortcut written anew, before
                // the dialog opens.
                ASSERT_TRUE(vistero.WaitForDialog());
                EXPECT_NE(nullptr, vistero.TrayWindow());
                EXPECT_EQ("/startup", ReadLink(link).value_or(Link{}).arguments) << "the shortcut came after";
                ASSERT_TRUE(vistero.CloseDialog(IDCANCEL));
            }
            EXPECT_TRUE(vistero.Exit()) << "Exit was refused: a dialog is open";
            const auto written = ReadLink(link);
            ASSERT_TRUE(written) << link;
            EXPECT_EQ(0, lstrcmpiA(BuiltExe().c_str(), written->target.c_str())) << written->target;
            EXPECT_EQ("/startup", written->arguments);
            EXPECT_EQ("Vistero", written->description);
        } else {
            const Vistero resident = Vistero::StartSilently();
            ASSERT_TRUE(::DeleteFileA(link.c_str()));
            const Vistero second = Vistero::Start(start.arguments);
            ASSERT_TRUE(second.Ended());
            EXPECT_EQ(0u, second.ExitCode());
            if (byHand) {
                ASSERT_TRUE(resident.WaitForDialog()) << "the resident instance was not asked";
                ASSERT_TRUE(resident.CloseDialog(IDCANCEL));
            }
            const std::vector<HWND> windows = TrayWindows();
            ASSERT_EQ(1u, windows.size()) << "the second start left a window behind";
            EXPECT_EQ(resident.TrayWindow(), windows[0]);
            // Anything the second start had posted is handled before this
            // Exit, and a dialog it opened would refuse it.
            EXPECT_TRUE(resident.Exit()) << "Exit was refused: a dialog is open";
            EXPECT_FALSE(FileExists(link)) << "a second start writes no shortcut";
        }
        EXPECT_TRUE(TrayWindows().empty());
        EXPECT_FALSE(FileExists(ProfilePath())) << "nothing was saved";
    }
    EXPECT_TRUE(::CopyFileA(link.c_str(), "Vistero.lnk", FALSE));
}

} // namespace
