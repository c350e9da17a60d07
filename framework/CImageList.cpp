#include "framework/CImageList.h"

#include "framework/WinApp.h"

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF maskColor)
{
    list.reset(::ImageList_LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(bitmapId), cx, grow,
                                      maskColor, IMAGE_BITMAP, 0));
    return list ? TRUE : FALSE;
}

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow)
{
    list.reset(::ImageList_Create(cx, cy, flags, initial, grow));
    return list ? TRUE : FALSE;
}

BOOL CImageList::DeleteImageList()
{
    if (!list)
        return FALSE;
    list.reset();
    return TRUE;
}

int CImageList::GetImageCount() const
{
    return list ? ::ImageList_GetImageCount(list.get()) : 0;
}

BOOL CImageList::Draw(HDC dc, int image, POINT point, UINT style) const
{
    return list ? ::ImageList_Draw(list.get(), image, dc, point.x, point.y, style) : FALSE;
}
