#pragma once

#include "framework/Handles.h"

#include <windows.h>
#include <commctrl.h>

// An image list the object owns and destroys. A list view given it through
// CListCtrl::SetImageList only borrows it.
class CImageList {
public:
    CImageList() = default;
    CImageList(CImageList&&) noexcept = default;
    CImageList& operator=(CImageList&&) noexcept = default;

    // The images of a bitmap resource of the program, each `cx` pixels wide,
    // with `maskColor` transparent. Replaces any list held before.
    BOOL Create(UINT bitmapId, int cx, int grow, COLORREF maskColor);
    // An empty list of cx x cy images (ILC_* flags).
    BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
    BOOL DeleteImageList();

    int GetImageCount() const;
    BOOL Draw(HDC dc, int image, POINT point, UINT style) const;

    HIMAGELIST GetSafeHandle() const { return list.get(); }
    operator HIMAGELIST() const { return list.get(); }

private:
    UniqueImageList list;
};
