// The real Vistero.exe, started from this test as a user, a logon or a second
// start would start it, and watched from outside: its hidden window, its
// dialog, its exit, its Startup shortcut. Each start begins with no profile,
// and ends every program it started.
//
// Whether an instance has its dialog open is asked the way an uninstaller
// would: Exit is refused while the dialog is open, so a program that ends on
// Exit had none.
#include "framework/core/Handles.h"
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

// How Vistero is started, and whether an instance is resident already. Only
// the exact argument text "/startup" is silent: anything else is a start by
// hand, which opens the dialog, the resident instance's on a second start.
struct Start {
    bool second;
    const char* arguments; // null: the Startup shortcut, as at a logon
};

const Start starts[] = {
    {true, "/startup"},
    {true, ""},
    {true, "/Startup"},
    {true, "/startup "},
    {false, "/startup"},
    {false, ""},
    {false, "/Startup"},
    {false, "-startup"},
    {false, "/startup "},
    {false, "/startup other"},
    // The shortcut the row before wrote; it stays for the test that reads it
    // from the host.
    {false, nullptr},
};

TEST(InstanceTest, EachStartOpensTheDialogOnlyByHandAndOnlyTheFirstWritesTheShortcut)
{
    ASSERT_TRUE(WaitForTheTray()) << "the shell's notification area never came up";
    const std::string link = StartupLinkPath();
    for (const Start& start : starts) {
        SCOPED_TRACE(std::string(start.second ? "second start, " : "first start, ")
                     + (start.arguments ? "arguments [" + std::string(start.arguments) + "]" : "at logon"));
        ASSERT_TRUE(TrayWindows().empty()) << "a Vistero is still running from elsewhere";
        RemoveProfile();
        const bool byHand = start.arguments && std::string(start.arguments) != "/startup";

        if (!start.second) {
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
}

} // namespace
