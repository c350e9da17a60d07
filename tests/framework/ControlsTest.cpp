// The control wrappers on real controls of a dialog: the list view the way
// the Wallpapers page uses it, the tab control, the up-down control, buttons,
// image lists, menus.
#include "FrameworkTestIds.h"

#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CImageList.h"
#include "framework/CListCtrl.h"
#include "framework/CMenu.h"
#include "framework/CSpinButtonCtrl.h"
#include "framework/CTabCtrl.h"

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

TEST(Controls, ListKeepsSortedRowsWithDataTextsAndStates)
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

    // Images and states, the way the page marks and finds rows.
    EXPECT_TRUE(list.SetItem(1, 0, LVIF_IMAGE, nullptr, 2, 0, 0, 0));
    LVITEMA item{};
    item.mask = LVIF_IMAGE;
    item.iItem = 1;
    ASSERT_TRUE(list.GetItem(&item));
    EXPECT_EQ(2, item.iImage);

    EXPECT_TRUE(list.SetItemState(0, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED));
    EXPECT_EQ(2u, list.GetSelectedCount());
    EXPECT_EQ(0, list.GetNextItem(-1, LVNI_SELECTED));
    EXPECT_EQ(2, list.GetNextItem(0, LVNI_SELECTED));
    EXPECT_EQ(-1, list.GetNextItem(2, LVNI_SELECTED));
    EXPECT_TRUE(list.SetItemState(2, LVIS_DROPHILITED, LVIS_DROPHILITED));
    EXPECT_EQ(static_cast<UINT>(LVIS_DROPHILITED | LVIS_SELECTED),
              list.GetItemState(2, LVIS_DROPHILITED | LVIS_SELECTED));
    EXPECT_EQ(2, list.GetNextItem(-1, LVNI_DROPHILITED));

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(2, list.GetItemCount());
    EXPECT_EQ(1u, list.GetSelectedCount());
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

TEST(Controls, TabsInsertSelectAndAdjust)
{
    ControlsDialog dialog;
    CTabCtrl tabs;
    ASSERT_TRUE(tabs.SubclassDlgItem(IDC_TAB, &dialog));
    EXPECT_EQ(0, tabs.InsertItem(0, "Wallpapers"));
    EXPECT_EQ(1, tabs.InsertItem(1, "Options"));
    EXPECT_EQ(2, tabs.GetItemCount());
    EXPECT_EQ(0, tabs.GetCurSel());
    EXPECT_EQ(0, tabs.SetCurSel(1));
    EXPECT_EQ(1, tabs.GetCurSel());

    char label[32] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = label;
    item.cchTextMax = sizeof label;
    ASSERT_TRUE(tabs.SendMessage(TCM_GETITEMA, 1, reinterpret_cast<LPARAM>(&item)));
    EXPECT_STREQ("Options", label);

    // Display area -> window -> display area is the identity.
    RECT display{0, 0, 200, 150};
    RECT window = display;
    tabs.AdjustRect(TRUE, &window);
    EXPECT_LT(window.top, display.top);
    EXPECT_GT(window.bottom - window.top, display.bottom - display.top);
    tabs.AdjustRect(FALSE, &window);
    EXPECT_TRUE(::EqualRect(&display, &window));
}

TEST(Controls, SpinWritesItsBuddyWithinRange)
{
    ControlsDialog dialog;
    CSpinButtonCtrl spin;
    ASSERT_TRUE(spin.SubclassDlgItem(IDC_SPIN, &dialog));
    spin.SetRange(100, 1000);
    const LRESULT range = spin.SendMessage(UDM_GETRANGE);
    EXPECT_EQ(1000, LOWORD(range));
    EXPECT_EQ(100, HIWORD(range));

    UDACCEL step{0, 50};
    EXPECT_TRUE(spin.SetAccel(1, &step));
    UDACCEL readBack{};
    EXPECT_EQ(1, spin.SendMessage(UDM_GETACCEL, 1, reinterpret_cast<LPARAM>(&readBack)));
    EXPECT_EQ(50u, readBack.nInc);

    spin.SetPos32(1000);
    CString text;
    dialog.GetDlgItemText(IDC_SPIN_EDIT, text);
    EXPECT_EQ("1000", text);

    spin.SetRange32(-5, 5);
    int lower = 0, upper = 0;
    spin.GetRange32(lower, upper);
    EXPECT_EQ(-5, lower);
    EXPECT_EQ(5, upper);
}

TEST(Controls, RadioButtonsAndCheckBoxes)
{
    ControlsDialog dialog;
    CButton first, second, check;
    ASSERT_TRUE(first.SubclassDlgItem(IDC_RADIO_FIRST, &dialog));
    ASSERT_TRUE(second.SubclassDlgItem(IDC_RADIO_SECOND, &dialog));
    ASSERT_TRUE(check.SubclassDlgItem(IDC_CHECK, &dialog));
    EXPECT_EQ(BST_UNCHECKED, first.GetCheck());
    first.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, first.GetCheck());
    // SetCheck is the plain message: the group is not touched.
    second.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, first.GetCheck());
    check.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, check.GetCheck());
}

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
