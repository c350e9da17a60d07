#pragma once

#include "framework/Handles.h"
#include "framework/WindowRef.h"

#include <windows.h>

#include <utility>

// A menu the holder does not own, such as a popup inside a loaded menu.
class MenuRef {
public:
    MenuRef() = default;
    MenuRef(HMENU menu) : m_hMenu(menu) {}

    HMENU GetSafeHmenu() const { return m_hMenu; }
    explicit operator bool() const { return m_hMenu != nullptr; }

    // The popup at `position`, or an empty reference.
    MenuRef GetSubMenu(int position) const { return ::GetSubMenu(m_hMenu, position); }
    int GetMenuItemCount() const { return ::GetMenuItemCount(m_hMenu); }
    UINT GetMenuItemID(int position) const { return ::GetMenuItemID(m_hMenu, position); }

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
    CMenu(CMenu&& other) noexcept : MenuRef(other.m_hMenu), owned(std::move(other.owned)) { other.m_hMenu = nullptr; }
    CMenu& operator=(CMenu&& other) noexcept
    {
        owned = std::move(other.owned);
        m_hMenu = std::exchange(other.m_hMenu, nullptr);
        return *this;
    }

    // Replaces any menu held before.
    BOOL LoadMenu(UINT id);
    BOOL DestroyMenu();

private:
    UniqueMenu owned;
};
