// The application object: the argument text and name it derives from the
// command line and the module (and the path walk beneath it), the entry's sequence, and message boxes with
// the application name as caption through the test hook.
#include "framework/ui/AfxMessageBox.h"
#include "framework/ui/CWnd.h"
#include "framework/core/PathText.h"
#include "framework/ui/WinApp.h"
#include "tests/support/MessageBoxRecorder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(Application, ArgumentTextDropsTheProgramNameAndTheBlanksAfterIt)
{
    struct Case {
        std::string commandLine;
        std::string arguments;
    };
    const Case cases[] = {
        {"Vistero.exe /startup", "/startup"},
        {"\"C:\\Program Files\\Vistero\\Vistero.exe\" /startup", "/startup"},
        {"C:\\Vistero\\Vistero.exe /startup", "/startup"},
        {"Vistero.exe\t\t/startup", "/startup"},
        {"Vistero.exe /startup ", "/startup "},
        {"Vistero.exe  /Startup", "/Startup"},
        {"Vistero.exe /startup other", "/startup other"},
        {"Vistero.exe", ""},
        {"Vistero.exe   ", ""},
        {"\"C:\\Program Files\\Vistero.exe\"", ""},
        {"\"C:\\Program Files\\Vistero.exe\"/startup", "/startup"},
        {"\"C:\\Unclosed quote\\Vistero.exe /startup", ""},
        {"", ""},
        // Bytes above 127 belong to names, not to white space.
        {"C:\\\xC4rger.exe \xE9t\xE9", "\xE9t\xE9"},
        {std::string("Vistero.exe \x01\x1F/startup"), "/startup"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.arguments, ArgumentTextOf(c.commandLine)) << "command line [" << c.commandLine << "]";
}

TEST(Application, BaseNameIsTheFileNameWithoutItsLastExtension)
{
    struct Case {
        std::string path;
        std::string name;
    };
    const Case cases[] = {
        {"C:\\Program Files\\Vistero\\Vistero.exe", "Vistero"},
        {"C:\\Tools/Renamed.Copy.EXE", "Renamed.Copy"},
        {"Vistero", "Vistero"},
        {"C:\\dir.with.dots\\Vistero", "Vistero"},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.name, BaseNameOf(c.path)) << c.path;

    if (::IsValidCodePage(932)) {
        // The second byte of 0x95 0x5C is no folder separator in code page 932.
        EXPECT_EQ("\x95\x5C" "name", BaseNameOf("C:\\\x95\x5C" "name.exe", 932));
        EXPECT_EQ("name", BaseNameOf("C:\\\x95\x5C" "name.exe", 1252));
    }
}

// The profile's file and the Startup shortcut are named by joining a folder
// and a name; the profile's folders are created from the parent upward.
TEST(Application, PathsAreJoinedAndCutBetweenWholeCharacters)
{
    struct Case {
        const char* what;
        UINT codePage;
        std::string folder;
        std::string joined;  // with "Vistero.INI"
        std::string parent;  // of the folder
    };
    const Case cases[] = {
        {"a folder", CP_ACP, "C:\\Users\\Ann", "C:\\Users\\Ann\\Vistero.INI", "C:\\Users"},
        {"a root", CP_ACP, "C:\\", "C:\\Vistero.INI", "C:"},
        {"a forward slash", CP_ACP, "C:/Users/", "C:/Users/Vistero.INI", "C:/Users"},
        {"no folder", CP_ACP, "", "Vistero.INI", ""},
        // Where Windows ignores the manifest: "表" is 0x95 0x5C in code page
        // 932, and its second byte is no separator.
        {"a double-byte folder ending in a backslash byte", 932, "C:\\\x95\x5C",
         "C:\\\x95\x5C\\Vistero.INI", "C:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.codePage != CP_ACP && !::IsValidCodePage(c.codePage))
            GTEST_SKIP() << "code page " << c.codePage << " not installed";
        EXPECT_EQ(c.joined, JoinPath(c.folder, "Vistero.INI", c.codePage));
        EXPECT_EQ(c.parent, ParentFolder(c.folder, c.codePage));
    }
}

TEST(Application, ObjectKnowsItsModuleNameAndArguments)
{
    CWinApp* app = AfxGetApp();
    ASSERT_NE(nullptr, app);
    EXPECT_EQ(::GetModuleHandleA(nullptr), app->m_hInstance);
    EXPECT_EQ(::GetModuleHandleA(nullptr), AfxGetInstanceHandle());
    EXPECT_STREQ("framework_tests", app->m_pszAppName);
    EXPECT_STREQ("framework_tests", AfxGetAppName());
    EXPECT_EQ(ArgumentTextOf(::GetCommandLineA()), std::string(app->m_lpszCmdLine));
    EXPECT_EQ(std::string("framework_tests"), BaseNameOf(ModuleFileName(nullptr)));
}

TEST(Application, EntryRunsInitialisationThenTheLoop)
{
    // The plain application object has no main window: InitInstance
    // succeeds, Run returns at once, the exit code is 0.
    CWinApp* app = AfxGetApp();
    ASSERT_NE(nullptr, app);
    EXPECT_EQ(0, AfxWinMain(::GetModuleHandleA(nullptr), "framework_tests.exe /startup"));
    EXPECT_STREQ("/startup", app->m_lpszCmdLine);
    ASSERT_TRUE(AfxWinInit(::GetModuleHandleA(nullptr), ::GetCommandLineA()));
}

TEST(Application, MessageBoxesCarryTheApplicationNameThroughTheHook)
{
    test_support::MessageBoxRecorder boxes(IDCANCEL);
    boxes.QueueAnswer(IDRETRY);
    EXPECT_EQ(IDRETRY, AfxMessageBox("First", MB_RETRYCANCEL | MB_ICONERROR));
    EXPECT_EQ(IDCANCEL, AfxMessageBox("Second"));

    CWnd window;
    ASSERT_TRUE(window.CreateEx(0, AfxRegisterWndClass(0), "Owner", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr));
    window.MessageBox("Third");
    window.MessageBox("Fourth", "Own caption", MB_OK | MB_ICONEXCLAMATION);

    ASSERT_EQ(4u, boxes.Boxes().size());
    EXPECT_EQ("First", boxes.Boxes()[0].text);
    EXPECT_EQ("framework_tests", boxes.Boxes()[0].caption);
    EXPECT_EQ(static_cast<UINT>(MB_RETRYCANCEL | MB_ICONERROR), boxes.Boxes()[0].type);
    EXPECT_EQ(static_cast<UINT>(MB_OK), boxes.Boxes()[1].type);
    EXPECT_EQ(window.m_hWnd, boxes.Boxes()[2].owner);
    EXPECT_EQ("framework_tests", boxes.Boxes()[2].caption);
    EXPECT_EQ("Own caption", boxes.Boxes()[3].caption);
    EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), boxes.Boxes()[3].type);
}

TEST(Application, MessageBoxHooksNestAndRestore)
{
    test_support::MessageBoxRecorder outer(IDOK);
    {
        test_support::MessageBoxRecorder inner(IDNO);
        EXPECT_EQ(IDNO, AfxMessageBox("to inner"));
        EXPECT_EQ(1u, inner.Boxes().size());
    }
    EXPECT_EQ(IDOK, AfxMessageBox("to outer"));
    ASSERT_EQ(1u, outer.Boxes().size());
    EXPECT_EQ("to outer", outer.Boxes()[0].text);
}

} // namespace
