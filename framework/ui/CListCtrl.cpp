#include "framework/ui/CListCtrl.h"

#include <string>

int CListCtrl::InsertColumn(int column, const LVCOLUMNA* definition) const
{
    return static_cast<int>(SendMessage(LVM_INSERTCOLUMNA, static_cast<WPARAM>(column),
                                        reinterpret_cast<LPARAM>(definition)));
}

int CListCtrl::InsertColumn(int column, const char* heading, int format, int width, int subItem) const
{
    LVCOLUMNA definition{};
    definition.mask = LVCF_FMT | LVCF_TEXT;
    definition.fmt = format;
    definition.pszText = const_cast<char*>(heading ? heading : "");
    if (width != -1) {
        definition.mask |= LVCF_WIDTH;
        definition.cx = width;
    }
    if (subItem != -1) {
        definition.mask |= LVCF_SUBITEM;
        definition.iSubItem = subItem;
    }
    return InsertColumn(column, &definition);
}

int CListCtrl::InsertItem(const LVITEMA* item) const
{
    return static_cast<int>(SendMessage(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CListCtrl::SetItem(const LVITEMA* item) const
{
    return static_cast<BOOL>(SendMessage(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

BOOL CListCtrl::SetItem(int index, int subItem, UINT mask, const char* text, int image, UINT state,
                        UINT stateMask, LPARAM data) const
{
    LVITEMA item{};
    item.mask = mask;
    item.iItem = index;
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text);
    item.iImage = image;
    item.state = state;
    item.stateMask = stateMask;
    item.lParam = data;
    return SetItem(&item);
}

BOOL CListCtrl::GetItem(LVITEMA* item) const
{
    return static_cast<BOOL>(SendMessage(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(item)));
}

DWORD_PTR CListCtrl::GetItemData(int index) const
{
    LVITEMA item{};
    item.mask = LVIF_PARAM;
    item.iItem = index;
    if (!GetItem(&item))
        return 0;
    return static_cast<DWORD_PTR>(item.lParam);
}

int CListCtrl::GetNextItem(int start, int flags) const
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

int CListCtrl::FindItem(const LVFINDINFOA* find, int start) const
{
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
}

UINT CListCtrl::GetSelectedCount() const
{
    return static_cast<UINT>(SendMessage(LVM_GETSELECTEDCOUNT));
}

BOOL CListCtrl::DeleteItem(int index) const
{
    return static_cast<BOOL>(SendMessage(LVM_DELETEITEM, static_cast<WPARAM>(index)));
}

BOOL CListCtrl::DeleteAllItems() const
{
    return static_cast<BOOL>(SendMessage(LVM_DELETEALLITEMS));
}

HIMAGELIST CListCtrl::SetImageList(const CImageList* images, int kind) const
{
    const LONG_PTR style = ::GetWindowLongPtrA(m_hWnd, GWL_STYLE);
    if (!(style & LVS_SHAREIMAGELISTS))
        ::SetWindowLongPtrA(m_hWnd, GWL_STYLE, style | LVS_SHAREIMAGELISTS);
    return reinterpret_cast<HIMAGELIST>(SendMessage(LVM_SETIMAGELIST, static_cast<WPARAM>(kind),
                                                    reinterpret_cast<LPARAM>(images ? images->GetSafeHandle() : nullptr)));
}
