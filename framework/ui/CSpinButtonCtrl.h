#pragma once

#include "framework/ui/CWnd.h"

#include <commctrl.h>

// An up-down control ("msctls_updown32").
class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) const { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
    BOOL SetAccel(int count, const UDACCEL* steps) const
    {
        return static_cast<BOOL>(SendMessage(UDM_SETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(steps)));
    }
};
