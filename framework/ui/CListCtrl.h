#pragma once

#include "framework/ui/CImageList.h"
#include "framework/core/CString.h"
#include "framework/ui/CWnd.h"

#include <commctrl.h>

// A list view ("SysListView32"), as the program uses it: a report with
// columns, rows carrying item data, images and states, set through SetItem.
class CListCtrl : public CWnd {
public:
    // The new column's index, or -1.
    int InsertColumn(int column, const LVCOLUMNA* definition) const;
    int InsertColumn(int column, const char* heading, int format = LVCFMT_LEFT, int width = -1,
                     int subItem = -1) const;

    // The new row's index (its sorted place in a sorted list), or -1.
    int InsertItem(const LVITEMA* item) const;

    BOOL SetItem(const LVITEMA* item) const;
    BOOL SetItem(int index, int subItem, UINT mask, const char* text, int image, UINT state,
                 UINT stateMask, LPARAM data) const;
    BOOL GetItem(LVITEMA* item) const;
    DWORD_PTR GetItemData(int index) const;

    // The next row after `start` (-1: from the top) with the LVNI_* flags, or -1.
    int GetNextItem(int start, int flags) const;
    // -1 when nothing matches.
    int FindItem(const LVFINDINFOA* find, int start = -1) const;
    UINT GetSelectedCount() const;

    BOOL DeleteItem(int index) const;
    BOOL DeleteAllItems() const;

    // Lends the list to the control (LVSIL_SMALL, LVSIL_NORMAL, LVSIL_STATE).
    // The control is told to share it, so that it never destroys what the
    // CImageList owns. Returns the control's previous list.
    HIMAGELIST SetImageList(const CImageList* images, int kind) const;
};
