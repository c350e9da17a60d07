// The real Vistero.exe, started from this test as a user, a logon or a second
// start would start it, and watched from outside: its hidden window, its
// dialog, its exit, its Startup shortcut. Each test begins with no profile
// and no shortcut, and ends every program it started.
//
// Whether a resident instance has its dialog open is asked the way an
// uninstaller would: Exit is refused while the dialog is open, so a program
// that ends on Exit had none.
#include "app/TrayWindow.h"
#include "framework/Handles.h"
#include "res/resource.h"
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#ifndef VISTERO_EXE
#error VISTERO_EXE must name the Vistero.exe under test
#endif

namespace {

using namespace std::chrono_literals;
constexpr auto Deadline = 30s;

std::string ExePath()
{
    std::string path = VISTERO_EXE;
    for (char& c : path)
        if (c == '/')
            c = '\\';
    return path;
}

using test_support::ProcessOf;
using test_support::ReadLink;
using test_support::ShellFolder;
using test_support::WaitFor;

// Every window of Vistero's class named "VisteroWnd".
std::vector<HWND> TrayWindows()
{
    std::vector<HWND> found;
    HWND after = nullptr;
    while ((after = ::FindWindowExA(nullptr, after, TrayWindow::ClassName(), TrayWindow::WindowName)))
        found.push_back(after);
    return found;
}

// A started Vistero.exe; ended, if it still runs, when the object goes.
class Vistero {
public:
    explicit Vistero(const std::string& arguments)
    {
        std::string commandLine = "\"" + ExePath() + "\"";
        if (!arguments.empty())
            commandLine += " " + arguments;
        if (test_support::StartProcess(commandLine, info)) {
            ::CloseHandle(info.hThread);
            info.hThread = nullptr;
        }
    }
    Vistero(const Vistero&) = delete;
    Vistero& operator=(const Vistero&) = delete;
    ~Vistero()
    {
        if (!info.hProcess)
            return;
        if (::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT) {
            ::TerminateProcess(info.hProcess, 99);
            ::WaitForSingleObject(info.hProcess, 10000);
        }
        ::CloseHandle(info.hProcess);
    }

    bool Started() const { return info.hProcess != nullptr; }

    bool Ended(std::chrono::milliseconds timeout = Deadline) const
    {
        return ::WaitForSingleObject(info.hProcess, static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
    }

    DWORD ExitCode() const
    {
        DWORD code = STILL_ACTIVE;
        ::GetExitCodeProcess(info.hProcess, &code);
        return code;
    }

    // Its hidden window, or null.
    HWND TrayWindow() const
    {
        for (HWND window : TrayWindows())
            if (ProcessOf(window) == info.dwProcessId)
                return window;
        return nullptr;
    }

    // Its visible configuration dialog, or null.
    HWND Dialog() const
    {
        DialogSearch search{info.dwProcessId, nullptr};
        ::EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    bool WaitForTrayWindow() const { return WaitFor([this] { return TrayWindow() != nullptr; }); }
    bool WaitForDialog() const { return WaitFor([this] { return Dialog() != nullptr; }); }

    // The user cancels the dialog.
    void CancelDialog() const
    {
        if (const HWND dialog = Dialog())
            ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    }

    // The tray menu's Exit; true when the program then ended with code 0.
    bool Exit() const
    {
        const HWND window = TrayWindow();
        if (!window)
            return false;
        ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
        return Ended() && ExitCode() == 0;
    }

private:
    struct DialogSearch {
        DWORD process;
        HWND found;
    };

    static BOOL CALLBACK FindDialog(HWND window, LPARAM data)
    {
        auto& search = *reinterpret_cast<DialogSearch*>(data);
        char className[16] = {};
        char caption[32] = {};
        ::GetClassNameA(window, className, sizeof className);
        ::GetWindowTextA(window, caption, sizeof caption);
        if (ProcessOf(window) == search.process && ::IsWindowVisible(window) && lstrcmpA(className, "#32770") == 0
            && lstrcmpA(caption, "Vistero 1.1") == 0) {
            search.found = window;
            return FALSE;
        }
        return TRUE;
    }

    PROCESS_INFORMATION info{};
};

class InstanceTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TrayWindows().empty()) << "a Vistero is still running from elsewhere";
        ASSERT_TRUE(test_support::WaitForTheTray()) << "the shell's notification area never came up";
        profile = ShellFolder(CSIDL_APPDATA) + "\\Vistero.INI";
        for (const char* suffix : {"", ".bak", ".tmp"})
            ::DeleteFileA((profile + suffix).c_str());
        shortcut = ShellFolder(CSIDL_STARTUP) + "\\Vistero.lnk";
        ::DeleteFileA(shortcut.c_str());
    }

    void TearDown() override { EXPECT_TRUE(TrayWindows().empty()) << "a Vistero was left running"; }

    std::string profile;
    std::string shortcut;
};

TEST_F(InstanceTest, SilentStartStaysHiddenAndRewritesTheShortcut)
{
    // A link the program wrote from another place, earlier.
    ASSERT_TRUE(::CreateDirectoryA(ShellFolder(CSIDL_STARTUP).c_str(), nullptr)
                || ::GetLastError() == ERROR_ALREADY_EXISTS);
    {
        const ComInit com;
        ComPtr<IShellLinkA> old;
        ASSERT_TRUE(SUCCEEDED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                                 old.ReceiveVoid())));
        old->SetPath("C:\\Old\\Vistero.exe");
        old->SetArguments("/old");
        old->SetDescription("Old");
        std::wstring wide(shortcut.begin(), shortcut.end());
        ASSERT_TRUE(SUCCEEDED(old.As<IPersistFile>(IID_IPersistFile)->Save(wide.c_str(), TRUE)));
    }

    Vistero vistero("/startup");
    ASSERT_TRUE(vistero.Started());
    ASSERT_TRUE(vistero.WaitForTrayWindow());
    EXPECT_FALSE(::IsWindowVisible(vistero.TrayWindow()));
    // The shortcut is written before a dialog could open; Exit then shows
    // that none did.
    EXPECT_TRUE(vistero.Exit()) << "Exit was refused: a dialog is open";
    EXPECT_TRUE(TrayWindows().empty());

    const auto link = ReadLink(shortcut);
    ASSERT_TRUE(link) << shortcut;
    EXPECT_EQ(0, lstrcmpiA(ExePath().c_str(), link->target.c_str())) << link->target;
    EXPECT_EQ("/startup", link->arguments);
    EXPECT_EQ("Vistero", link->description);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(profile.c_str())) << "nothing was saved";
}

TEST_F(InstanceTest, AnyOtherArgumentTextIsAStartByHandAndOpensTheDialog)
{
    for (const char* arguments : {"", "/Startup", "-startup", "/startup ", "/startup other"}) {
        SCOPED_TRACE(std::string("arguments [") + arguments + "]");
        Vistero vistero(arguments);
        ASSERT_TRUE(vistero.Started());
        ASSERT_TRUE(vistero.WaitForDialog());
        EXPECT_NE(nullptr, vistero.TrayWindow()) << "the icon is in place while the dialog is open";
        EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(shortcut.c_str())) << "the shortcut came first";
        vistero.CancelDialog();
        ASSERT_TRUE(WaitFor([&vistero] { return vistero.Dialog() == nullptr; }));
        EXPECT_TRUE(vistero.Exit());
    }
}

TEST_F(InstanceTest, SecondStartByHandOpensTheResidentDialogAndEnds)
{
    Vistero resident("/startup");
    ASSERT_TRUE(resident.WaitForTrayWindow());
    // The resident instance writes its shortcut just after its window.
    ASSERT_TRUE(WaitFor([this] { return ::GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES; }));
    ASSERT_TRUE(::DeleteFileA(shortcut.c_str()));

    for (const char* arguments : {"", "/Startup", "/startup "}) {
        SCOPED_TRACE(std::string("arguments [") + arguments + "]");
        Vistero second(arguments);
        ASSERT_TRUE(second.Started());
        ASSERT_TRUE(second.Ended());
        EXPECT_EQ(0u, second.ExitCode());
        ASSERT_TRUE(resident.WaitForDialog()) << "the resident instance was not asked";
        const std::vector<HWND> windows = TrayWindows();
        ASSERT_EQ(1u, windows.size()) << "the second start left a window behind";
        EXPECT_EQ(resident.TrayWindow(), windows[0]);
        resident.CancelDialog();
        ASSERT_TRUE(WaitFor([&resident] { return resident.Dialog() == nullptr; }));
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesA(shortcut.c_str())) << "a second start writes no shortcut";
    EXPECT_TRUE(resident.Exit());
}

TEST_F(InstanceTest, SecondSilentStartDoesNothing)
{
    Vistero resident("/startup");
    ASSERT_TRUE(resident.WaitForTrayWindow());

    Vistero second("/startup");
    ASSERT_TRUE(second.Started());
    ASSERT_TRUE(second.Ended());
    EXPECT_EQ(0u, second.ExitCode());
    EXPECT_EQ(1u, TrayWindows().size());
    // Anything the second start had posted would be handled before this
    // Exit, and a dialog it opened would refuse it.
    EXPECT_TRUE(resident.Exit()) << "the resident instance opened its dialog";
}

TEST_F(InstanceTest, LogonStartsTheShortcutSilently)
{
    {
        Vistero first("/startup");
        ASSERT_TRUE(first.WaitForTrayWindow());
        ASSERT_TRUE(WaitFor([this] { return ::GetFileAttributesA(shortcut.c_str()) != INVALID_FILE_ATTRIBUTES; }));
        ASSERT_TRUE(first.Exit());
    }

    // A plain wineboot does what a logon does: it starts the Startup
    // folder's items through the shell.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION boot{};
    char commandLine[] = "wineboot.exe";
    ASSERT_TRUE(::CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &boot));
    ::CloseHandle(boot.hThread);
    EXPECT_EQ(WAIT_OBJECT_0, ::WaitForSingleObject(boot.hProcess, 60000));
    ::CloseHandle(boot.hProcess);

    ASSERT_TRUE(WaitFor([] { return TrayWindows().size() == 1; })) << "the shortcut started no Vistero";
    const HWND window = TrayWindows()[0];
    const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE,
                                         ProcessOf(window));
    ASSERT_NE(nullptr, process);
    // Only the exact argument text "/startup" starts without the dialog,
    // and only a program without its dialog ends on Exit.
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
    const bool ended = ::WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the program started at logon opened its dialog";
    if (!ended) {
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, 10000);
    }
    ::CloseHandle(process);
}

} // namespace
