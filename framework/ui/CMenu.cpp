#include "framework/ui/CMenu.h"

#include "framework/ui/WinApp.h"

BOOL CMenu::LoadMenu(UINT id)
{
    owned.reset(::LoadMenuA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(id)));
    m_hMenu = owned.get();
    return m_hMenu ? TRUE : FALSE;
}
