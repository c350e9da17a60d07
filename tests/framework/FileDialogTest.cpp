// The file dialog: the walk over the names the dialog leaves in its buffer,
// and the real dialog under the flags the Wallpapers page uses, answered
// through the framework's hook as a user would answer it.
#include "framework/ui/CFileDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD pageFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK;

std::vector<std::string> Walk(const std::string& buffer, DWORD flags, UINT codePage = CP_ACP)
{
    std::vector<std::string> paths;
    const char* position = buffer.data();
    while (position && paths.size() < 100)
        paths.push_back(NextSelectedPath(buffer.data(), buffer.size(), flags, position, codePage).str());
    return paths;
}

std::string Buffer(std::initializer_list<std::string> parts)
{
    std::string buffer;
    for (const std::string& part : parts)
        buffer += part + '\0';
    return buffer + '\0';
}

TEST(FileDialogNames, EachBufferGivesTheChosenPaths)
{
    // In code page 932, 0x95 0x5C is one character whose second byte is the
    // value of '\'; the folder does not end with a separator.
    const std::string doubleByteFolder = "C:\\\x95\x5C";
    struct Case {
        const char* what;
        std::string buffer;
        UINT codePage;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"one file", Buffer({"C:\\Pictures\\a.bmp"}), CP_ACP, {"C:\\Pictures\\a.bmp"}},
        {"several files", Buffer({"C:\\Pictures", "a.bmp", "b b.bmp", "c.bmp"}), CP_ACP,
         {"C:\\Pictures\\a.bmp", "C:\\Pictures\\b b.bmp", "C:\\Pictures\\c.bmp"}},
        {"root folder", Buffer({"C:\\", "a.bmp", "b.bmp"}), CP_ACP, {"C:\\a.bmp", "C:\\b.bmp"}},
        {"network folder", Buffer({"\\\\server\\share", "a.bmp", "b.bmp"}), CP_ACP,
         {"\\\\server\\share\\a.bmp", "\\\\server\\share\\b.bmp"}},
        // Filled to the last byte, with no terminating NULs.
        {"several files, unterminated", std::string("C:\\Pictures") + '\0' + "a.bmp" + '\0' + "bbbb", CP_ACP,
         {"C:\\Pictures\\a.bmp", "C:\\Pictures\\bbbb"}},
        {"one file, unterminated", "C:\\Pictures\\a.bmp", CP_ACP, {"C:\\Pictures\\a.bmp"}},
        {"double-byte folder ending in a backslash byte", Buffer({doubleByteFolder, "a.bmp", "b.bmp"}), 932,
         {doubleByteFolder + "\\a.bmp", doubleByteFolder + "\\b.bmp"}},
    };
    std::string missingCodePages;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.codePage != CP_ACP && !::IsValidCodePage(c.codePage)) {
            missingCodePages.append(" ").append(std::to_string(c.codePage));
            continue;
        }
        EXPECT_EQ(c.paths, Walk(c.buffer, pageFlags, c.codePage));
    }
    if (!missingCodePages.empty())
        GTEST_SKIP() << "code pages not installed:" << missingCodePages;
}

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        char base[MAX_PATH] = {};
        ::GetTempPathA(MAX_PATH, base);
        path = std::string(base) + "VisteroFileDialogTest" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TemporaryFolder()
    {
        for (const std::string& file : files)
            ::DeleteFileA(file.c_str());
        ::RemoveDirectoryA(path.c_str());
    }
    std::string Add(const std::string& name)
    {
        const std::string file = path + "\\" + name;
        const HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, handle);
        ::CloseHandle(handle);
        files.push_back(file);
        return file;
    }
    std::string path;

private:
    std::vector<std::string> files;
};

// What the Wallpapers page sets up before it runs the dialog.
struct PageSetup {
    explicit PageSetup(const std::string& folder) : dialog(TRUE), names(16384, '\0')
    {
        dialog.m_ofn.lpstrFilter = "Bitmaps (*.bmp)\0*.BMP\0\0";
        dialog.m_ofn.nFilterIndex = 1;
        dialog.m_ofn.lpstrFile = names.data();
        dialog.m_ofn.nMaxFile = static_cast<DWORD>(names.size());
        dialog.m_ofn.lpstrTitle = "Select Wallpaper Files";
        dialog.m_ofn.lpstrInitialDir = folder.c_str();
        dialog.m_ofn.Flags = 0x81224;
    }
    CFileDialog dialog;
    std::vector<char> names;
};

TEST(FileDialog, UserChoosesSeveralFilesThroughTheHook)
{
    TemporaryFolder folder;
    const std::string a = folder.Add("a.bmp");
    const std::string b = folder.Add("b.bmp");
    PageSetup setup(folder.path);
    ASSERT_EQ(pageFlags, setup.dialog.m_ofn.Flags);

    int calls = 0;
    char title[64] = {};
    ScopedFileDialogHook hook([&](HWND fileDialog) {
        ++calls;
        ::GetWindowTextA(fileDialog, title, sizeof title);
        ::SendMessageA(fileDialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>("\"a.bmp\" \"b.bmp\""));
        ::PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    ASSERT_EQ(IDOK, setup.dialog.DoModal());
    EXPECT_EQ(1, calls);
    EXPECT_STREQ("Select Wallpaper Files", title);

    std::vector<std::string> paths;
    for (POSITION position = setup.dialog.GetStartPosition(); position;)
        paths.push_back(setup.dialog.GetNextPathName(position).str());
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ(0, lstrcmpiA(a.c_str(), paths[0].c_str())) << paths[0];
    EXPECT_EQ(0, lstrcmpiA(b.c_str(), paths[1].c_str())) << paths[1];
}

TEST(FileDialog, CancelGivesIdCancel)
{
    TemporaryFolder folder;
    PageSetup setup(folder.path);
    ScopedFileDialogHook hook([](HWND fileDialog) {
        ::PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    });
    EXPECT_EQ(IDCANCEL, setup.dialog.DoModal());
}

} // namespace
