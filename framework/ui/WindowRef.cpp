#include "framework/ui/WindowRef.h"

#include "framework/ui/AfxMessageBox.h"

#include <string>

namespace {

// The text of a window, whatever its length. The length the system reports
// can be larger than the text (it may count a multibyte conversion
// generously), never smaller, so one read with room for it suffices; the
// loop only guards against a text that grew in between.
int ReadWindowText(HWND window, CString& text)
{
    std::string& buffer = text.str();
    buffer.clear();
    if (!window)
        return 0;
    int capacity = ::GetWindowTextLengthA(window) + 1;
    for (;;) {
        buffer.assign(static_cast<std::size_t>(capacity), '\0');
        const int copied = ::GetWindowTextA(window, buffer.data(), capacity);
        if (copied < capacity - 1 || capacity >= (1 << 30)) {
            buffer.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
            return static_cast<int>(buffer.size());
        }
        capacity *= 2;
    }
}

} // namespace

LRESULT WindowRef::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageA(m_hWnd, message, wParam, lParam);
}

UINT_PTR WindowRef::SetTimer(UINT_PTR id, UINT elapse, TIMERPROC procedure) const
{
    return ::SetTimer(m_hWnd, id, elapse, procedure);
}

BOOL WindowRef::KillTimer(UINT_PTR id) const
{
    return ::KillTimer(m_hWnd, id);
}

void WindowRef::GetClientRect(RECT* rect) const
{
    if (!::GetClientRect(m_hWnd, rect))
        ::SetRectEmpty(rect);
}

void WindowRef::GetWindowRect(RECT* rect) const
{
    if (!::GetWindowRect(m_hWnd, rect))
        ::SetRectEmpty(rect);
}

void WindowRef::ScreenToClient(RECT* rect) const
{
    ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}

BOOL WindowRef::SetWindowPos(const WindowRef* insertAfter, int x, int y, int cx, int cy, UINT flags) const
{
    return ::SetWindowPos(m_hWnd, insertAfter ? insertAfter->m_hWnd : nullptr, x, y, cx, cy, flags);
}

BOOL WindowRef::ShowWindow(int command) const
{
    return ::ShowWindow(m_hWnd, command);
}

BOOL WindowRef::EnableWindow(BOOL enable) const
{
    return ::EnableWindow(m_hWnd, enable);
}

WindowRef WindowRef::SetFocus() const
{
    return ::SetFocus(m_hWnd);
}

BOOL WindowRef::SetForegroundWindow() const
{
    return ::SetForegroundWindow(m_hWnd);
}

void WindowRef::SetWindowText(const char* text) const
{
    ::SetWindowTextA(m_hWnd, text ? text : "");
}

int WindowRef::GetWindowText(CString& text) const
{
    return ReadWindowText(m_hWnd, text);
}

int WindowRef::MessageBox(const char* text, const char* caption, UINT type) const
{
    return AfxShowMessageBox(m_hWnd, text, caption, type);
}

WindowRef WindowRef::GetDlgItem(int id) const
{
    return ::GetDlgItem(m_hWnd, id);
}

void WindowRef::SetDlgItemText(int id, const char* text) const
{
    ::SetDlgItemTextA(m_hWnd, id, text ? text : "");
}

void WindowRef::SetDlgItemInt(int id, UINT value, BOOL isSigned) const
{
    ::SetDlgItemInt(m_hWnd, id, value, isSigned);
}

UINT WindowRef::GetDlgItemInt(int id, BOOL* translated, BOOL isSigned) const
{
    return ::GetDlgItemInt(m_hWnd, id, translated, isSigned);
}

