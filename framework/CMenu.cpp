#include "framework/CMenu.h"

#include "framework/WinApp.h"

BOOL CMenu::LoadMenu(UINT id)
{
    owned.reset(::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id)));
    m_hMenu = owned.get();
    return m_hMenu ? TRUE : FALSE;
}

BOOL CMenu::DestroyMenu()
{
    if (!owned)
        return FALSE;
    owned.reset();
    m_hMenu = nullptr;
    return TRUE;
}
