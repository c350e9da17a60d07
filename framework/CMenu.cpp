#include "framework/CMenu.h"

#include "framework/WinApp.h"

BOOL CMenu::LoadMenu(UINT id)
{
    owned.reset(::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id)));
    m_hMenu = owned.get();
    return m_hMenu ? TRUE : FALSE;
}
