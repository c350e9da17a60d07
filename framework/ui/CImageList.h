#pragma once

#include "framework/ui/Handles.h"

#include <windows.h>
#include <commctrl.h>

// An image list the object owns and destroys. A list view given it through
// CListCtrl::SetImageList only borrows it.
class CImageList {
public:
    CImageList() = default;

    // The images of a bitmap resource of the program, each `cx` pixels wide,
    // with `maskColor` transparent. Replaces any list held before.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF maskColor);


    HIMAGELIST GetSafeHandle() const { return list.get(); }
    operator HIMAGELIST() const { return list.get(); }

private:
    UniqueImageList list;
};
