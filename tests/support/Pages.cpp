#include "tests/support/Pages.h"

#include "tests/support/Outside.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace test_support {

namespace {

std::string ItemText(HWND list, int row, int column)
{
    char text[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

} // namespace

PageParent::PageParent()
{
    EXPECT_TRUE(CreateEx(0, AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)),
                         "ConfigTestParent", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 600, 600, nullptr, nullptr));
}

std::vector<Row> Rows(HWND list)
{
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_PARAM | LVIF_IMAGE;
        item.iItem = row;
        ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(Row{ItemText(list, row, 0), item.lParam, item.iImage, ItemText(list, row, 1)});
    }
    return rows;
}

UINT RowState(HWND list, int row, UINT mask)
{
    return static_cast<UINT>(::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

void SelectRows(HWND list, std::initializer_list<int> rows)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows)
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int CheckedOf(HWND page, int firstId)
{
    int checked = -1;
    for (int i = 0; i < 3; ++i) {
        if (::SendDlgItemMessageA(page, firstId + i, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            // Two checked buttons in one group is a fault of its own.
            EXPECT_EQ(-1, checked) << "buttons " << firstId + checked << " and " << firstId + i;
            checked = i;
        }
    }
    return checked;
}

BitmapFolder::BitmapFolder()
{
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    // The long form: the file dialog gives back long names.
    char longBase[MAX_PATH] = {};
    if (::GetLongPathNameA(base, longBase, MAX_PATH) == 0)
        lstrcpynA(longBase, base, MAX_PATH);
    path = std::string(longBase) + "VisteroConfigTest" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(path.c_str(), nullptr);
}

BitmapFolder::~BitmapFolder()
{
    for (const std::string& file : files)
        ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(path.c_str());
}

std::string BitmapFolder::Add(const std::string& name)
{
    // 2 x 2 pixels: blue and cyan above, red and green below.
    const std::string filePath = path + "\\" + name;
    WriteBitmapFile(filePath, 2, 2, [](int x, int y) {
        return y == 0 ? (x ? RGB(0, 255, 255) : RGB(0, 0, 255)) : (x ? RGB(0, 255, 0) : RGB(255, 0, 0));
    });
    files.push_back(filePath);
    return filePath;
}

CurrentDirectory::CurrentDirectory(const std::string& folder)
{
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    previous = current;
    EXPECT_TRUE(::SetCurrentDirectoryA(folder.c_str())) << folder;
}

CurrentDirectory::~CurrentDirectory()
{
    ::SetCurrentDirectoryA(previous.c_str());
}

} // namespace test_support
