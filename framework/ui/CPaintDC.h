#pragma once

#include "framework/ui/WindowRef.h"

#include <windows.h>

// BeginPaint for the scope, EndPaint at its end: the answer to WM_PAINT.
class CPaintDC {
public:
    explicit CPaintDC(const WindowRef* window) : m_hWnd(window ? window->m_hWnd : nullptr)
    {
        m_hDC = ::BeginPaint(m_hWnd, &m_ps);
    }
    CPaintDC(const CPaintDC&) = delete;
    CPaintDC& operator=(const CPaintDC&) = delete;
    ~CPaintDC()
    {
        if (m_hDC)
            ::EndPaint(m_hWnd, &m_ps);
    }

    operator HDC() const { return m_hDC; }

    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_hDC = nullptr;
};
