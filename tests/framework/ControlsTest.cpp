// The control wrappers where they do more than pass a message on: the list
// view's sorted rows with their data, image lists lent to a list, image lists
// from bitmap resources, menus as owned handles.
#include "FrameworkTestIds.h"

#include "framework/ui/CDialog.h"
#include "framework/ui/CImageList.h"
#include "framework/ui/CListCtrl.h"
#include "framework/ui/CMenu.h"

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

// What the list shows, read as the user's screen reader would.
std::string TextAt(const CListCtrl& list, int row, int column)
{
    char text[64] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    list.SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

int Count(const CListCtrl& list)
{
    return static_cast<int>(list.SendMessage(LVM_GETITEMCOUNT));
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
        LVITEMA item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.pszText = const_cast<char*>(paths[id]);
        item.lParam = id + 10;
        const int row = list.InsertItem(&item);
        ASSERT_GE(row, 0);
        EXPECT_TRUE(list.SetItem(row, 1, LVIF_TEXT, id == 2 ? "Low" : "Hight", 0, 0, 0, 0));
    }
    ASSERT_EQ(3, Count(list));
    EXPECT_EQ("C:\\a.bmp", TextAt(list, 0, 0));
    EXPECT_EQ("Low", TextAt(list, 0, 1));
    EXPECT_EQ(12u, list.GetItemData(0));
    EXPECT_EQ("C:\\c.bmp", TextAt(list, 2, 0));
    EXPECT_EQ(2, RowWithData(list, 11));
    EXPECT_EQ(-1, RowWithData(list, 99));

    EXPECT_TRUE(list.SetItem(0, 0, LVIF_STATE, nullptr, 0, LVIS_SELECTED, LVIS_SELECTED, 0));
    EXPECT_TRUE(list.SetItem(2, 0, LVIF_STATE, nullptr, 0, LVIS_SELECTED, LVIS_SELECTED, 0));
    EXPECT_EQ(2u, list.GetSelectedCount());
    EXPECT_EQ(2, list.GetNextItem(0, LVNI_SELECTED));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(2, Count(list));
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(0, Count(list));
}

#ifdef VISTERO_TEST_STRIP
TEST(Controls, ImageListFromABitmapResourceDrawsWithItsMask)
{
    CImageList images;
    ASSERT_TRUE(images.Create(IDB_TEST_STRIP, 16, 0, RGB(255, 0, 0)));
    EXPECT_EQ(3, ::ImageList_GetImageCount(images));

    const HDC screen = ::GetDC(nullptr);
    const HDC memory = ::CreateCompatibleDC(screen);
    const HBITMAP canvas = ::CreateCompatibleBitmap(screen, 48, 16);
    ::ReleaseDC(nullptr, screen);
    const HGDIOBJ old = ::SelectObject(memory, canvas);
    RECT all{0, 0, 48, 16};
    ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(::ImageList_Draw(images, i, memory, i * 16, 0, ILD_TRANSPARENT));
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

TEST(Controls, ImageListLentToTheListOutlivesTheList)
{
    CImageList images;
    ASSERT_TRUE(images.Create(IDB_TEST_STRIP, 16, 0, RGB(255, 0, 0)));
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
    EXPECT_EQ(3, ::ImageList_GetImageCount(images));
    EXPECT_TRUE(ImageList_SetImageCount(images.GetSafeHandle(), 2));
    EXPECT_EQ(2, ::ImageList_GetImageCount(images));
}
#endif

TEST(Controls, MenuFromResourcesWithItsPopup)
{
    HMENU loaded = nullptr;
    {
        CMenu menu;
        ASSERT_TRUE(menu.LoadMenu(IDR_TEST_MENU));
        loaded = menu.m_hMenu;
        const MenuRef popup = menu.GetSubMenu(0);
        ASSERT_NE(nullptr, popup.m_hMenu);
        EXPECT_EQ(2, ::GetMenuItemCount(popup.m_hMenu));
        EXPECT_EQ(static_cast<UINT>(ID_MENU_FIRST), ::GetMenuItemID(popup.m_hMenu, 0));
        EXPECT_EQ(static_cast<UINT>(ID_MENU_SECOND), ::GetMenuItemID(popup.m_hMenu, 1));
        EXPECT_EQ(nullptr, menu.GetSubMenu(1).m_hMenu);
    }
    // The menu went with its object.
    EXPECT_FALSE(::IsMenu(loaded));

    CMenu missing;
    EXPECT_FALSE(missing.LoadMenu(IDR_TEST_MENU + 1));
}

} // namespace
