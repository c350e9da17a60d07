// The real Vistero.exe, started from this test as a user, a logon or a second
// start would start it, and watched from outside: its hidden window, its
// dialog, its exit, its Startup shortcut. Each start begins with no profile,
// and ends every program it started.
//
// Whether an instance has its dialog open is asked the way an uninstaller
// would: Exit is refused while the dialog is open, so a program that ends on
// Exit had none.
#include "framework/core/Handles.h"
#include "tests/support/Kit.h"
#include "tests/support/Vistero.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

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
        ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, old.ReceiveVoid())));
    old->SetPath("C:\\Old\\Vistero.exe");
    old->SetArguments("/old");
    old->SetDescription("Old");
    const std::string file = StartupLinkPath();
    const std::wstring wide(file.begin(), file.end());
    ComPtr<IPersistFile> persist;
    ASSERT_TRUE(SUCCEEDED(old->QueryInterface(IID_IPersistFile, persist.ReceiveVoid())));
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
struct Start {
    When when;
    const char* arguments; // null: the Startup shortcut, as at a logon
};

const Start starts[] = {
    {When::Second, "/startup"},
    {When::Second, ""},
    {When::Second, "/Startup"},
    {When::Second, "/startup "},
    {When::TwiceAtOnce, ""},
    {When::TwiceAtOnce, "/startup"},
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
