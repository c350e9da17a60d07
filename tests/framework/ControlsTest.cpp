// The control wrappers where they do more than pass a message on: the list
// view's item data and texts of any length, image lists lent to a list,
// image lists from bitmap resources, menus as owned handles.
#include "FrameworkTestIds.h"

#include "framework/CDialog.h"
#include "framework/CImageList.h"
#include "framework/CListCtrl.h"
#include "framework/CMenu.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The controls dialog as a modeless top-level dialog: no loop needed, the
// controls answer sent messages directly.
class ControlsDialog : public CDialog {
public:
    ControlsDialog() { EXPECT_TRUE(Create(IDD_CONTROLS)); }
};

int RowWithData(const CListCtrl& list, LPARAM data)
{
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return list.FindItem(&find);
}

TEST(Controls, ListKeepsSortedRowsWithTheirDataAndTexts)
{
    ControlsDialog dialog;
    CListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, &dialog));

    RECT client{};
    list.GetClientRect(&client);
    EXPECT_EQ(0, list.InsertColumn(0, "Wallpaper File", LVCFMT_LEFT, client.right * 15 / 20));
    EXPECT_EQ(1, list.InsertColumn(1, "Priority", LVCFMT_LEFT, client.right * 4 / 20));

    // Rows land at their sorted place whatever index they were inserted at.
    const char* paths[] = {"C:\\b.bmp", "C:\\c.bmp", "C:\\a.bmp"};
    for (LPARAM id = 0; id < 3; ++id) {
        const int row = list.InsertItem(0, paths[id]);
        ASSERT_GE(row, 0);
        EXPECT_TRUE(list.SetItemData(row, static_cast<DWORD_PTR>(id + 10)));
        EXPECT_TRUE(list.SetItem(row, 1, LVIF_TEXT, id == 2 ? "Low" : "Hight", 0, 0, 0, 0));
    }
    ASSERT_EQ(3, list.GetItemCount());
    EXPECT_EQ("C:\\a.bmp", list.GetItemText(0, 0));
    EXPECT_EQ("Low", list.GetItemText(0, 1));
    EXPECT_EQ(12u, list.GetItemData(0));
    EXPECT_EQ("C:\\c.bmp", list.GetItemText(2, 0));
    EXPECT_EQ(2, RowWithData(list, 11));
    EXPECT_EQ(-1, RowWithData(list, 99));
    EXPECT_TRUE(list.GetItemText(7, 0).IsEmpty());

    EXPECT_TRUE(list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(2u, list.GetSelectedCount());
    EXPECT_EQ(2, list.GetNextItem(0, LVNI_SELECTED));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, list.GetItemCount());
}

TEST(Controls, ListTextOfAnyLength)
{
    ControlsDialog dialog;
    CListCtrl list;
    ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, &dialog));
    list.InsertColumn(0, "Path");
    const std::string longPath = "C:\\" + std::string(2000, 'd') + "\\wallpaper.bmp";
    const int row = list.InsertItem(0, longPath.c_str());
    ASSERT_EQ(0, row);
    EXPECT_EQ(longPath, list.GetItemText(row, 0).str());
}

TEST(Controls, ImageListLentToTheListOutlivesTheList)
{
    CImageList images;
    ASSERT_TRUE(images.Create(16, 16, ILC_COLOR24 | ILC_MASK, 4, 0));
    {
        ControlsDialog dialog;
        CListCtrl list;
        ASSERT_TRUE(list.SubclassDlgItem(IDC_LIST, &dialog));
        EXPECT_EQ(nullptr, list.SetImageList(&images, LVSIL_SMALL));
        EXPECT_TRUE(::GetWindowLongPtrA(list.m_hWnd, GWL_STYLE) & LVS_SHAREIMAGELISTS);
        EXPECT_EQ(images.GetSafeHandle(),
                  reinterpret_cast<HIMAGELIST>(list.SendMessage(LVM_GETIMAGELIST, LVSIL_SMALL)));
    }
    // The list view is gone; had it destroyed the image list, this handle
    // would be dead and its destruction here a double free.
    EXPECT_EQ(0, images.GetImageCount());
    EXPECT_TRUE(ImageList_SetImageCount(images.GetSafeHandle(), 2));
    EXPECT_EQ(2, images.GetImageCount());
}

#ifdef VISTERO_TEST_STRIP
TEST(Controls, ImageListFromABitmapResourceDrawsWithItsMask)
{
    CImageList images;
    ASSERT_TRUE(images.Create(IDB_TEST_STRIP, 16, 0, RGB(255, 0, 0)));
    EXPECT_EQ(3, images.GetImageCount());

    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP canvas = ::CreateCompatibleBitmap(screen, 48, 16);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(memory, canvas);
    RECT all{0, 0, 48, 16};
    ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(images.Draw(memory, i, POINT{i * 16, 0}, ILD_TRANSPARENT));
    EXPECT_EQ(RGB(0, 0, 255), ::GetPixel(memory, 8, 8));
    EXPECT_EQ(RGB(0, 255, 0), ::GetPixel(memory, 24, 8));
    // The mask colour is transparent: the white background shows.
    EXPECT_EQ(RGB(255, 255, 255), ::GetPixel(memory, 40, 8));
    ::SelectObject(memory, old);
    ::DeleteObject(canvas);
    ::DeleteDC(memory);

    CImageList missing;
    EXPECT_FALSE(missing.Create(IDB_TEST_STRIP + 1, 16, 0, RGB(255, 0, 0)));
}
#endif

TEST(Controls, MenuFromResourcesWithItsPopup)
{
    CMenu menu;
    ASSERT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
    const MenuRef popup = menu.GetSubMenu(0);
    ASSERT_TRUE(popup);
    EXPECT_EQ(2, popup.GetMenuItemCount());
    EXPECT_EQ(static_cast<UINT>(ID_MENU_FIRST), popup.GetMenuItemID(0));
    EXPECT_EQ(static_cast<UINT>(ID_MENU_SECOND), popup.GetMenuItemID(1));
    EXPECT_FALSE(menu.GetSubMenu(1));

    const HMENU handle = menu.m_hMenu;
    CMenu moved(std::move(menu));
    EXPECT_EQ(handle, moved.m_hMenu);
    EXPECT_EQ(nullptr, menu.m_hMenu);
    EXPECT_TRUE(moved.DestroyMenu());
    EXPECT_FALSE(::IsMenu(handle));
    EXPECT_FALSE(moved.DestroyMenu());

    CMenu missing;
    EXPECT_FALSE(missing.LoadMenu(IDR_TEST_MENU + 1));
}

} // namespace
