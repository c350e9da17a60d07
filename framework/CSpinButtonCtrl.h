#pragma once

#include "framework/CWnd.h"

#include <commctrl.h>

// An up-down control ("msctls_updown32").
class CSpinButtonCtrl : public CWnd {
public:
    void SetRange(short lower, short upper) const { SendMessage(UDM_SETRANGE, 0, MAKELPARAM(upper, lower)); }
    void SetRange32(int lower, int upper) const
    {
        SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), static_cast<LPARAM>(upper));
    }
    void GetRange32(int& lower, int& upper) const
    {
        SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
    }
    BOOL SetAccel(int count, const UDACCEL* steps) const
    {
        return static_cast<BOOL>(SendMessage(UDM_SETACCEL, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(steps)));
    }
    int SetPos32(int position) const { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, position)); }
    // With a buddy, the number its text holds; *failed is set when the text
    // is no number within the range.
    int GetPos32(BOOL* failed = nullptr) const
    {
        return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(failed)));
    }
};
