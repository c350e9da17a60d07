#pragma once

#include "framework/core/CString.h"

#include <windows.h>

// A window the holder does not own: the operations the program performs on
// any window, its own or a control of a dialog. Copying it copies the handle
// only; the window's life is somebody else's business. CWnd extends it with
// ownership and message routing.
class WindowRef {
public:
    WindowRef() = default;
    WindowRef(HWND window) : m_hWnd(window) {}

    HWND GetSafeHwnd() const { return m_hWnd; }
    operator HWND() const { return m_hWnd; }

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    UINT_PTR SetTimer(UINT_PTR id, UINT elapse, TIMERPROC procedure = nullptr) const;
    BOOL KillTimer(UINT_PTR id) const;

    void GetClientRect(RECT* rect) const;
    void GetWindowRect(RECT* rect) const;
    void ScreenToClient(RECT* rect) const;
    // insertAfter: a sibling or CWnd::wndTop; null when the flags hold
    // SWP_NOZORDER.
    BOOL SetWindowPos(const WindowRef* insertAfter, int x, int y, int cx, int cy, UINT flags) const;
    BOOL ShowWindow(int command) const;
    BOOL EnableWindow(BOOL enable = TRUE) const;
    // Returns the window that had the focus before.
    WindowRef SetFocus() const;
    BOOL SetForegroundWindow() const;

    void SetWindowText(const char* text) const;
    // Any length.
    int GetWindowText(CString& text) const;

    // Through the framework's message-box hook; a null caption stands for the
    // application name.
    int MessageBox(const char* text, const char* caption = nullptr, UINT type = MB_OK) const;

    WindowRef GetDlgItem(int id) const;
    void SetDlgItemText(int id, const char* text) const;
    void SetDlgItemInt(int id, UINT value, BOOL isSigned = TRUE) const;
    UINT GetDlgItemInt(int id, BOOL* translated = nullptr, BOOL isSigned = TRUE) const;

    HWND m_hWnd = nullptr;
};
