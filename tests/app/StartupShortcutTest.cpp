// The Startup shortcut as the shell reads it back, and the paths that must
// not give a link under a cut-off name. The Startup folder is moved for a
// test through the user's shell-folder settings, as a user or an
// administrator may move it, and put back afterwards.
#include "app/TrayApp.h"

#include "framework/ui/WinApp.h"
#include "tests/support/Kit.h"
#include "tests/support/Outside.h"

#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <mbstring.h>

#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace {

using test_support::FileExists;
using test_support::ReadLink;

// Names of the files in a folder.
std::string FilesIn(const std::string& folder)
{
    std::string names;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names += std::string(found.cFileName) + ";";
    } while (::FindNextFileA(search, &found));
    ::FindClose(search);
    return names;
}

std::string TempFolder(const std::string& name)
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(sizeof temp, temp);
    std::string folder = std::string(temp) + name;
    ::CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

std::string ThisExecutable()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// An empty folder of exactly `length` characters under the temporary folder.
std::string FolderOfLength(const std::string& base, std::size_t length)
{
    std::string folder = base + "\\";
    folder += std::string(length - folder.size(), 'd');
    EXPECT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) << folder;
    WIN32_FIND_DATAA found;
    const HANDLE search = ::FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (::FindNextFileA(search, &found));
        ::FindClose(search);
    }
    return folder;
}

TEST(ShellLink, IsWrittenAsTheShellReadsItAndReplacesAnOlderOne)
{
    const std::string folder = TempFolder("vistero-link");
    const std::string file = folder + "\\Vistero.lnk";
    ::DeleteFileA(file.c_str());

    ASSERT_EQ(S_OK, TrayApp::CreateShellLink("C:\\Old\\Vistero.exe", file.c_str(), "/old", "Old"));
    ASSERT_EQ(S_OK, TrayApp::CreateShellLink("C:\\Program Files\\Vistero\\Vistero.exe", file.c_str(), "/startup",
                                             "Vistero"));
    const auto link = ReadLink(file);
    ASSERT_TRUE(link);
    EXPECT_EQ("C:\\Program Files\\Vistero\\Vistero.exe", link->target);
    EXPECT_EQ("/startup", link->arguments);
    EXPECT_EQ("Vistero", link->description);
    ::DeleteFileA(file.c_str());
}

TEST(ShellLink, PathThatDoesNotFitIsNotSavedUnderAShorterName)
{
    // 259 characters fit with the terminator; one more must not be cut to
    // a file of another name in the same folder.
    const std::string folder = FolderOfLength(TempFolder("vistero-long"), 240);
    for (std::size_t length : {259u, 260u, 400u}) {
        SCOPED_TRACE(length);
        const std::string file = folder + "\\" + std::string(length - folder.size() - 5, 'n') + ".lnk";
        ASSERT_EQ(length, file.size());
        const HRESULT result = TrayApp::CreateShellLink(ThisExecutable().c_str(), file.c_str(), "/startup", "Vistero");
        if (length < 260) {
            EXPECT_EQ(S_OK, result);
            EXPECT_TRUE(FileExists(file));
            ::DeleteFileA(file.c_str());
        } else {
            EXPECT_TRUE(FAILED(result));
            EXPECT_EQ("", FilesIn(folder));
        }
    }
}

// The Startup folder moved to another place for the length of a test.
class StartupFolderTest : public testing::Test {
protected:
    static void MoveStartupFolder(const std::string& folder)
    {
        ::RegSetKeyValueA(HKEY_CURRENT_USER, test_support::ShellFoldersKey, "Startup", REG_SZ, folder.c_str(),
                          static_cast<DWORD>(folder.size() + 1));
    }

    const test_support::SavedUserKey shellFolders{test_support::ShellFoldersKey};
};

TEST_F(StartupFolderTest, LinkGoesIntoTheFolderWithExactlyOneBackslash)
{
    // A folder at the root of a drive is named with its backslash; a folder
    // named in two scripts ("Łódź 東京") comes back whole.
    for (const std::string& folder : {TempFolder("vistero-startup"), std::string("C:\\"),
                                      TempFolder("vistero-startup-\xC5\x81\xC3\xB3" "d\xC5\xBA \xE6\x9D\xB1\xE4\xBA\xAC")}) {
        SCOPED_TRACE(folder);
        if (folder == "C:\\" && test_support::KitLeavesOut("a file at the root of drive C:"))
            continue;
        MoveStartupFolder(folder);
        const std::string file = folder + (folder.back() == '\\' ? "" : "\\") + "Vistero.lnk";
        ::DeleteFileA(file.c_str());

        TrayApp::CreateStartupShortcut();
        const auto link = ReadLink(file);
        ASSERT_TRUE(link) << file;
        EXPECT_EQ(0, lstrcmpiA(ThisExecutable().c_str(), link->target.c_str())) << link->target;
        EXPECT_EQ("/startup", link->arguments);
        EXPECT_EQ("Vistero", link->description);
        ::DeleteFileA(file.c_str());
    }
}

TEST_F(StartupFolderTest, FolderTooLongForTheLinkGetsNothing)
{
    // "\Vistero.lnk" makes 260 characters from 248: one too many.
    const std::string folder = FolderOfLength(TempFolder("vistero-startup-long"), 248);
    MoveStartupFolder(folder);
    TrayApp::CreateStartupShortcut();
    EXPECT_EQ("", FilesIn(folder));
}

// The program's manifest makes its code page UTF-8, which this test program
// shares; the runtime and system functions the program calls with paths
// then take them byte for byte and find separators by character.
TEST(ProcessCodePage, IsUtf8AndPathsKeepEveryByte)
{
    ASSERT_EQ(static_cast<UINT>(CP_UTF8), ::GetACP());
    const auto bytes = [](const std::string& text) { return reinterpret_cast<const unsigned char*>(text.c_str()); };
    const std::string lodz = "C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA";  // C:\Łódź
    const std::string tokyo = lodz + "\\\xE6\x9D\xB1\xE4\xBA\xAC";   // ...\東京
    // _mbscmp: equal only byte for byte, ordered as the characters are.
    EXPECT_EQ(0, ::_mbscmp(bytes(tokyo), bytes(std::string(tokyo))));
    EXPECT_LT(::_mbscmp(bytes("\xC5\x81"), bytes("\xE6\x9D\xB1")), 0) << "U+0141 before U+6771";
    // The writer's message: snprintf copies the text as it is.
    char text[256];
    std::snprintf(text, sizeof text, "%s failed with code %d", tokyo.c_str(), 5);
    EXPECT_EQ(tokyo + " failed with code 5", text);
    // The exe's name, cut at the last separator found by character.
    EXPECT_EQ("\xE6\x9D\xB1\xE4\xBA\xAC", BaseNameOf(tokyo + ".exe"));
}

} // namespace
