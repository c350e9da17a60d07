#include "framework/CListCtrl.h"

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

int CListCtrl::InsertItem(int index, const char* text) const
{
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    return InsertItem(&item);
}

int CListCtrl::InsertItem(int index, const char* text, int image) const
{
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE;
    item.iItem = index;
    item.pszText = const_cast<char*>(text ? text : "");
    item.iImage = image;
    return InsertItem(&item);
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

BOOL CListCtrl::SetItemText(int index, int subItem, const char* text) const
{
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = const_cast<char*>(text ? text : "");
    return static_cast<BOOL>(SendMessage(LVM_SETITEMTEXTA, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(&item)));
}

CString CListCtrl::GetItemText(int index, int subItem) const
{
    // The control copies at most the buffer's size and says how much it
    // copied; a full buffer may mean more text, so try again with more room.
    std::string text;
    for (std::size_t capacity = 260; capacity <= (1u << 24); capacity *= 4) {
        text.assign(capacity, '\0');
        LVITEMA item{};
        item.iSubItem = subItem;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(capacity);
        const auto copied = static_cast<std::size_t>(
            SendMessage(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < capacity) {
            text.resize(copied);
            return CString(std::move(text));
        }
    }
    text.resize(text.find('\0') == std::string::npos ? text.size() : text.find('\0'));
    return CString(std::move(text));
}

BOOL CListCtrl::SetItemData(int index, DWORD_PTR data) const
{
    return SetItem(index, 0, LVIF_PARAM, nullptr, 0, 0, 0, static_cast<LPARAM>(data));
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

BOOL CListCtrl::SetItemState(int index, UINT state, UINT mask) const
{
    LVITEMA item{};
    item.state = state;
    item.stateMask = mask;
    return static_cast<BOOL>(SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(&item)));
}

UINT CListCtrl::GetItemState(int index, UINT mask) const
{
    return static_cast<UINT>(SendMessage(LVM_GETITEMSTATE, static_cast<WPARAM>(index), mask));
}

int CListCtrl::GetNextItem(int start, int flags) const
{
    return static_cast<int>(SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(start), MAKELPARAM(flags, 0)));
}

int CListCtrl::FindItem(const LVFINDINFOA* find, int start) const
{
    return static_cast<int>(SendMessage(LVM_FINDITEMA, static_cast<WPARAM>(start), reinterpret_cast<LPARAM>(find)));
}

int CListCtrl::GetItemCount() const
{
    return static_cast<int>(SendMessage(LVM_GETITEMCOUNT));
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
