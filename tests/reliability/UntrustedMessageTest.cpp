// Other programs reach Vistero only through window messages. From this
// process, every command id with notification codes 0 and 1 and every tray
// callback value goes to the running program's window, which must answer
// each one and write nothing beyond what the handlers are meant to write.
// The three messages that open something (command 40005, a double-click and
// a right-click) are posted and what they open is closed again; Exit comes
// last.
#include "res/resource.h"
#include "tests/support/Vistero.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <random>
#include <string>

namespace {

namespace fs = std::filesystem;
using namespace test_support;

// Everything the handlers could write: the profile with its backup, the
// Startup folder, the user's desktop settings.
struct Snapshot {
    std::map<std::string, std::string> files;
    std::map<std::string, std::string> desktop;
    friend bool operator==(const Snapshot&, const Snapshot&) = default;
};

Snapshot Take()
{
    Snapshot snapshot;
    for (const char* suffix : {"", ".bak", ".tmp"})
        snapshot.files[ProfilePath() + suffix] = FileBytes(ProfilePath() + suffix);
    for (const auto& item : fs::directory_iterator(ShellFolder(CSIDL_STARTUP)))
        snapshot.files[item.path().string()] = FileBytes(item.path().string());
    snapshot.desktop = DesktopValues();
    return snapshot;
}

TEST(UntrustedMessages, EveryCommandAndTrayCallbackIsAnsweredAndWritesNothing)
{
    ASSERT_TRUE(TrayWindows().empty()) << "a Vistero is still running from elsewhere";
    ASSERT_TRUE(test_support::WaitForTheTray());
    RemoveProfile();
    WriteFileBytes(ProfilePath(), "[WallpaperList]\r\nNumberOfFiles=2\r\nFile0=C:\\Pictures\\sea.bmp\r\nFile1=\r\n"
                                  "ChangeInterval=5\r\n");
    // The shortcut comes just after the window; from then on nothing is due.
    const Vistero vistero = Vistero::StartSilently();
    ASSERT_FALSE(HasFailure());
    const HWND window = vistero.TrayWindow();
    const Snapshot before = Take();

    std::mt19937_64 random(20240612);
    long long answered = 0;
    int dialogs = 0, menus = 0;
    const auto answers = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        DWORD_PTR result = 0;
        ++answered;
        return ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL,
                                     static_cast<UINT>(Deadline.count()), &result) != 0;
    };
    const auto dialogOpensAndCancels = [&](UINT message, WPARAM wParam, LPARAM lParam) {
        ::PostMessageA(window, message, wParam, lParam);
        ++dialogs;
        return vistero.WaitForDialog() && vistero.CloseDialog(IDCANCEL);
    };
    const auto menuOpensAndEscapes = [&](LPARAM lParam) {
        ::PostMessageA(window, WM_USER, 0, lParam);
        ++menus;
        HWND menu = nullptr;
        if (!WaitFor([&] { return (menu = vistero.Menu()) != nullptr; }))
            return false;
        ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
        return WaitFor([&] { return vistero.Menu() == nullptr; }) && answers(WM_NULL, 0, 0);
    };

    // Code 0 as a menu sends it; code 1 as an accelerator would, with a
    // stray control handle as the long parameter.
    for (WORD code : {0, 1}) {
        for (UINT id = 0; id <= 0xFFFF; ++id) {
            const WPARAM wParam = MAKEWPARAM(id, code);
            const LPARAM lParam = code == 0 ? 0 : static_cast<LPARAM>(random());
            if (code == 0 && id == ID_EXIT)
                continue;
            if (code == 0 && id == ID_OPEN_CONFIGURATION)
                ASSERT_TRUE(dialogOpensAndCancels(WM_COMMAND, wParam, lParam));
            else
                ASSERT_TRUE(answers(WM_COMMAND, wParam, lParam)) << "command " << id << " code " << code;
        }
    }

    // The tray callback's mouse message, every 16-bit value, then large ones.
    std::vector<LPARAM> callbacks;
    for (LPARAM value = 0; value <= 0xFFFF; ++value)
        callbacks.push_back(value);
    for (LPARAM value : {LPARAM{0x10000}, LPARAM{0x7FFFFFFF}, static_cast<LPARAM>(0x80000000u),
                         static_cast<LPARAM>(0xFFFFFFFFu), LPARAM{-1}, static_cast<LPARAM>(0xFFFF0203u),
                         static_cast<LPARAM>(0x100000203ull)})
        callbacks.push_back(value);
    for (int i = 0; i < 1000; ++i)
        callbacks.push_back(static_cast<LPARAM>(random()));
    for (LPARAM value : callbacks) {
        const WPARAM wParam = static_cast<WPARAM>(random());
        // The shell's mouse message is 32 bits; the window looks at no more.
        const UINT mouse = static_cast<UINT>(value);
        if (mouse == WM_LBUTTONDBLCLK)
            ASSERT_TRUE(dialogOpensAndCancels(WM_USER, wParam, value)) << value;
        else if (mouse == WM_RBUTTONUP)
            ASSERT_TRUE(menuOpensAndEscapes(value)) << value;
        else
            ASSERT_TRUE(answers(WM_USER, wParam, value)) << "callback " << value;
    }

    EXPECT_EQ(nullptr, vistero.Dialog());
    EXPECT_EQ(nullptr, vistero.Menu());
    EXPECT_TRUE(Take() == before) << "a message wrote a file or a desktop setting";
    EXPECT_TRUE(vistero.Exit());
    std::printf("untrusted messages: %lld answered (commands 0-65535 with codes 0 and 1, %zu tray callback values), "
                "%d dialogs opened and cancelled, %d menus shown and escaped; crashes, hangs and writes: 0\n",
                answered, callbacks.size(), dialogs, menus);
}

// The tray menu's loop handles what other programs send: a WM_CLOSE or an
// Exit sent while the menu is open ends the program as at any other time.
TEST(UntrustedMessages, CloseOrExitSentWhileTheMenuIsOpenEndsTheProgram)
{
    for (const WPARAM command : {WPARAM{0}, WPARAM{ID_EXIT}}) {
        SCOPED_TRACE(command ? "Exit" : "WM_CLOSE");
        Vistero vistero = Vistero::Start("/startup");
        ASSERT_TRUE(vistero.WaitForTrayWindow());
        const HWND window = vistero.TrayWindow();
        ::PostMessageA(window, WM_USER, 0, WM_RBUTTONUP);
        ASSERT_TRUE(WaitFor([&] { return vistero.Menu() != nullptr; }));
        DWORD_PTR result = 0;
        ::SendMessageTimeoutA(window, command ? WM_COMMAND : WM_CLOSE, command, 0, SMTO_NORMAL, 10000, &result);
        EXPECT_TRUE(vistero.Ended());
        EXPECT_EQ(0u, vistero.ExitCode());
    }
}

} // namespace
