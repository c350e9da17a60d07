#include "framework/ui/CImageList.h"

#include "framework/ui/WinApp.h"

BOOL CImageList::Create(UINT bitmapId, int cx, int grow, COLORREF maskColor)
{
    list.reset(::ImageList_LoadImageA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(bitmapId), cx, grow,
                                      maskColor, IMAGE_BITMAP, 0));
    return list ? TRUE : FALSE;
}
