// The file dialog: the walk over the names the dialog leaves in its buffer,
// and the real dialog under the flags the Wallpapers page uses, answered
// through the framework's hook as a user would answer it.
#include "framework/core/CodePage.h"
#include "framework/ui/CFileDialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD pageFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_ENABLEHOOK;

std::vector<std::wstring> Walk(const std::wstring& buffer, DWORD flags)
{
    std::vector<std::wstring> paths;
    const wchar_t* position = buffer.data();
    while (position && paths.size() < 1000)
        paths.push_back(NextSelectedPath(buffer.data(), buffer.size(), flags, position));
    return paths;
}

std::wstring Buffer(const std::vector<std::wstring>& parts)
{
    std::wstring buffer;
    for (const std::wstring& part : parts)
        buffer += part + L'\0';
    return buffer + L'\0';
}

// `count` names of 40 characters: as many bytes in UTF-8, more than the
// 16,384 bytes the Wallpapers page once had for them all from 410 on.
std::vector<std::wstring> ManyNames(int count)
{
    std::vector<std::wstring> names;
    for (int i = 0; i < count; ++i) {
        std::wstring number = std::to_wstring(1000 + i);
        names.push_back(L"a picture with a rather long name " + number + L".bmp");
    }
    return names;
}

std::vector<std::wstring> InFolder(const std::wstring& folder, const std::vector<std::wstring>& names)
{
    std::vector<std::wstring> paths;
    for (const std::wstring& name : names)
        paths.push_back(folder + L"\\" + name);
    return paths;
}

TEST(FileDialogNames, EachBufferGivesTheChosenPaths)
{
    std::vector<std::wstring> many = ManyNames(600);
    std::vector<std::wstring> manyBuffer = many;
    manyBuffer.insert(manyBuffer.begin(), L"C:\\Pictures");
    struct Case {
        const char* what;
        std::wstring buffer;
        std::vector<std::wstring> paths;
    };
    const Case cases[] = {
        {"one file", Buffer({L"C:\\Pictures\\a.bmp"}), {L"C:\\Pictures\\a.bmp"}},
        {"several files", Buffer({L"C:\\Pictures", L"a.bmp", L"b b.bmp", L"c.bmp"}),
         {L"C:\\Pictures\\a.bmp", L"C:\\Pictures\\b b.bmp", L"C:\\Pictures\\c.bmp"}},
        {"root folder", Buffer({L"C:\\", L"a.bmp", L"b.bmp"}), {L"C:\\a.bmp", L"C:\\b.bmp"}},
        {"network folder", Buffer({L"\\\\server\\share", L"a.bmp", L"b.bmp"}),
         {L"\\\\server\\share\\a.bmp", L"\\\\server\\share\\b.bmp"}},
        // Filled to the last unit, with no terminating NULs.
        {"several files, unterminated", std::wstring(L"C:\\Pictures") + L'\0' + L"a.bmp" + L'\0' + L"bbbb",
         {L"C:\\Pictures\\a.bmp", L"C:\\Pictures\\bbbb"}},
        {"one file, unterminated", L"C:\\Pictures\\a.bmp", {L"C:\\Pictures\\a.bmp"}},
        {"names in two scripts", Buffer({L"C:\\\u5C71\u7530", L"\u0141ucja.bmp"}), {L"C:\\\u5C71\u7530\\\u0141ucja.bmp"}},
        {"a pick larger than 16,384 bytes", Buffer(manyBuffer), InFolder(L"C:\\Pictures", many)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.paths, Walk(c.buffer, pageFlags));
    }
}

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        wchar_t base[MAX_PATH] = {};
        ::GetTempPathW(MAX_PATH, base);
        path = std::wstring(base) + L"VisteroFileDialogTest" + std::to_wstring(::GetCurrentProcessId());
        ::CreateDirectoryW(path.c_str(), nullptr);
    }
    ~TemporaryFolder()
    {
        for (const std::wstring& file : files)
            ::DeleteFileW(file.c_str());
        ::RemoveDirectoryW(path.c_str());
    }
    std::wstring Add(const std::wstring& name)
    {
        const std::wstring file = path + L"\\" + name;
        const HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        EXPECT_NE(INVALID_HANDLE_VALUE, handle);
        ::CloseHandle(handle);
        files.push_back(file);
        return file;
    }
    std::wstring path;

private:
    std::vector<std::wstring> files;
};

// What the Wallpapers page sets up before it runs the dialog, with its
// buffer of 262,144 UTF-16 units.
struct PageSetup {
    explicit PageSetup(const std::wstring& folder) : names(1 << 18, L'\0')
    {
        dialog.m_ofn.lpstrFilter = L"Bitmaps (*.bmp)\0*.BMP\0\0";
        dialog.m_ofn.nFilterIndex = 1;
        dialog.m_ofn.lpstrFile = names.data();
        dialog.m_ofn.nMaxFile = static_cast<DWORD>(names.size());
        dialog.m_ofn.lpstrTitle = L"Select Wallpaper Files";
        dialog.m_ofn.lpstrInitialDir = folder.c_str();
        dialog.m_ofn.Flags = 0x81224;
    }
    CFileDialog dialog;
    std::vector<wchar_t> names;
};

// The user types the names, quoted, into the name field and presses Open.
ScopedFileDialogHook Choose(const std::vector<std::wstring>& names, int* calls = nullptr, char* title = nullptr)
{
    std::wstring typed;
    for (const std::wstring& name : names)
        typed += L"\"" + name + L"\" ";
    return ScopedFileDialogHook([typed, calls, title](HWND fileDialog) {
        if (calls)
            ++*calls;
        if (title)
            ::GetWindowTextA(fileDialog, title, 64);
        ::SendMessageW(fileDialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(typed.c_str()));
        ::PostMessageW(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
}

std::vector<std::wstring> Chosen(const CFileDialog& dialog)
{
    std::vector<std::wstring> paths;
    for (POSITION position = dialog.GetStartPosition(); position;)
        paths.push_back(dialog.GetNextPathName(position));
    return paths;
}

bool SamePaths(const std::vector<std::wstring>& expected, const std::vector<std::wstring>& actual)
{
    if (expected.size() != actual.size())
        return false;
    for (std::size_t i = 0; i < expected.size(); ++i)
        if (lstrcmpiW(expected[i].c_str(), actual[i].c_str()) != 0)
            return false;
    return true;
}

TEST(FileDialog, UserChoosesSeveralFilesThroughTheHook)
{
    TemporaryFolder folder;
    const std::wstring a = folder.Add(L"a.bmp");
    const std::wstring b = folder.Add(L"b.bmp");
    PageSetup setup(folder.path);
    ASSERT_EQ(pageFlags, setup.dialog.m_ofn.Flags);

    int calls = 0;
    char title[64] = {};
    const ScopedFileDialogHook hook = Choose({L"a.bmp", L"b.bmp"}, &calls, title);
    ASSERT_EQ(IDOK, setup.dialog.DoModal());
    EXPECT_EQ(1, calls);
    EXPECT_STREQ("Select Wallpaper Files", title);
    EXPECT_TRUE(SamePaths({a, b}, Chosen(setup.dialog)));
}

// More names than the 16,384 bytes the page once had for them, which made
// the dialog fail and dropped the whole pick without a word: all of them
// arrive. (A pick too large even for the page's buffer can't be shown here:
// Wine 8's dialog does not fail with FNERR_BUFFERTOOSMALL as Windows does,
// but ends with IDOK and writes past the buffer.)
TEST(FileDialog, APickLargerThanTheOldBufferArrivesWhole)
{
    TemporaryFolder folder;
    const std::vector<std::wstring> names = ManyNames(500);
    for (const std::wstring& name : names)
        folder.Add(name);
    PageSetup setup(folder.path);
    const ScopedFileDialogHook hook = Choose(names);
    ASSERT_EQ(IDOK, setup.dialog.DoModal());
    const std::vector<std::wstring> paths = Chosen(setup.dialog);
    EXPECT_EQ(names.size(), paths.size());
    EXPECT_TRUE(SamePaths(InFolder(folder.path, names), paths));
}

// A name the code page can't spell is given apart, whole, never as a
// look-alike among the paths.
TEST(FileDialog, NamesTheCodePageCannotSpellAreGivenApart)
{
    TemporaryFolder folder;
    const std::wstring plain = folder.Add(L"sea.bmp");
    const std::wstring western = folder.Add(L"caf\u00E9.bmp");
    const std::wstring eastern = folder.Add(L"\u5C71\u7530.bmp");
    PageSetup setup(folder.path);
    const ScopedFileDialogHook hook = Choose({L"sea.bmp", L"caf\u00E9.bmp", L"\u5C71\u7530.bmp"});
    ASSERT_EQ(IDOK, setup.dialog.DoModal());

    std::vector<std::wstring> unspellable;
    const std::vector<CString> paths = setup.dialog.GetPathNames(unspellable, 1252);
    ASSERT_EQ(2u, paths.size());
    EXPECT_EQ(NarrowExact(plain, 1252).value_or("-"), paths[0].str());
    EXPECT_EQ(NarrowExact(western, 1252).value_or("-"), paths[1].str());
    EXPECT_TRUE(SamePaths({eastern}, unspellable));

    unspellable.clear();
    EXPECT_EQ(3u, setup.dialog.GetPathNames(unspellable, CP_UTF8).size());
    EXPECT_TRUE(unspellable.empty());
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
