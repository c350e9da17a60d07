#pragma once

#include "framework/ui/CWnd.h"

#include <commctrl.h>

// A tab control ("SysTabControl32"), usually a dialog's control attached by
// SubclassDlgItem.
class CTabCtrl : public CWnd {
public:
    int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
    // TCM_SETCURSEL sends no TCN_SELCHANGE; returns the previous selection or -1.
    int SetCurSel(int index) const { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
    int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }

    // larger TRUE: the window rectangle for a display area of *rect;
    // FALSE: the display area of a window rectangle *rect.
    void AdjustRect(BOOL larger, RECT* rect) const
    {
        SendMessage(TCM_ADJUSTRECT, static_cast<WPARAM>(larger), reinterpret_cast<LPARAM>(rect));
    }

    // The new tab's index, or -1.
    LONG InsertItem(int index, const TCITEMA* item) const
    {
        return static_cast<LONG>(SendMessage(TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
    }
    LONG InsertItem(int index, const char* label) const
    {
        TCITEMA item{};
        item.mask = TCIF_TEXT;
        item.pszText = const_cast<char*>(label ? label : "");
        return InsertItem(index, &item);
    }
};
