#pragma once

#include "framework/ui/Handles.h"
#include "framework/ui/WindowRef.h"

#include <windows.h>


// A menu the holder does not own, such as a popup inside a loaded menu.
class MenuRef {
public:
    MenuRef() = default;
    MenuRef(HMENU menu) : m_hMenu(menu) {}

    // The popup at `position`, or an empty reference.
    MenuRef GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }

    // A chosen item reaches `owner` as WM_COMMAND (unless TPM_RETURNCMD).
    BOOL TrackPopupMenu(UINT flags, int x, int y, const WindowRef* owner, const RECT* exclude = nullptr) const
    {
        return ::TrackPopupMenu(m_hMenu, flags, x, y, 0, owner ? owner->m_hWnd : nullptr, exclude);
    }

    HMENU m_hMenu = nullptr;
};

// A menu loaded from the program's resources, destroyed with the object.
class CMenu : public MenuRef {
public:
    CMenu() = default;

    // Replaces any menu held before.
    BOOL LoadMenu(UINT id);

private:
    UniqueMenu owned;
};
