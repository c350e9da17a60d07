#pragma once

#include "framework/core/UniqueHandle.h"

#include <windows.h>
#include <commctrl.h>

// The owners of the window system's objects: menus, icons and image lists.
// The template and the owners of the base system's objects (kernel objects,
// memory, registry keys) are in framework/core/UniqueHandle.h; COM's in
// framework/ui/Com.h.
namespace handle_release {
inline void Icon(HICON icon) { ::DestroyIcon(icon); }
inline void Menu(HMENU menu) { ::DestroyMenu(menu); }
inline void ImageList(HIMAGELIST list) { ::ImageList_Destroy(list); }
} // namespace handle_release

using UniqueIcon = UniqueHandle<HICON, handle_release::Icon>;
using UniqueMenu = UniqueHandle<HMENU, handle_release::Menu>;
using UniqueImageList = UniqueHandle<HIMAGELIST, handle_release::ImageList>;
