#include "framework/ui/CFileDialog.h"

#include "framework/core/CodePage.h"
#include "framework/ui/WinApp.h"

#include <cstring>
#include <exception>
#include <optional>
#include <string>
#include <utility>

namespace {

const wchar_t* EndOfString(const wchar_t* text, const wchar_t* end)
{
    while (text < end && *text)
        ++text;
    return text;
}

} // namespace

UINT_PTR CALLBACK FrameworkFileDialogHook(HWND window, UINT message, WPARAM, LPARAM lParam)
{
    // An Explorer-style hook is a child of the dialog and hears of it through
    // notifications; the old style hook is the dialog itself.
    HWND fileDialog = nullptr;
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lParam)->code == CDN_INITDONE)
        fileDialog = ::GetParent(window);
    else if (message == WM_INITDIALOG && !(::GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD))
        fileDialog = window;
    const FileDialogHook* hook = ScopedFileDialogHook::Installed();
    if (fileDialog && hook && *hook) {
        try {
            (*hook)(fileDialog);
        } catch (...) {
            ::OutputDebugStringA("Vistero: an exception was stopped in the file dialog's hook\n");
        }
    }
    return 0;
}

CFileDialog::CFileDialog(DWORD flags, CWnd* parent) : fileName(MAX_PATH, L'\0')
{
    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.lpstrFile = fileName.data();
    m_ofn.nMaxFile = static_cast<DWORD>(fileName.size());
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
    m_ofn.lpfnHook = FrameworkFileDialogHook;
}

INT_PTR CFileDialog::DoModal()
{
    if ((m_ofn.Flags & OFN_ENABLEHOOK) && !m_ofn.lpfnHook)
        m_ofn.lpfnHook = FrameworkFileDialogHook;
    return ::GetOpenFileNameW(&m_ofn) ? IDOK : IDCANCEL;
}

POSITION CFileDialog::GetStartPosition() const
{
    if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0 || m_ofn.lpstrFile[0] == L'\0')
        return nullptr;
    return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

std::wstring CFileDialog::GetNextPathName(POSITION& position) const
{
    const wchar_t* at = reinterpret_cast<const wchar_t*>(position);
    std::wstring path = NextSelectedPath(m_ofn.lpstrFile, m_ofn.nMaxFile, m_ofn.Flags, at);
    position = reinterpret_cast<POSITION>(const_cast<wchar_t*>(at));
    return path;
}

std::vector<CString> CFileDialog::GetPathNames(std::vector<std::wstring>& unspellable, UINT codePage) const
{
    std::vector<CString> paths;
    for (POSITION position = GetStartPosition(); position;) {
        std::wstring path = GetNextPathName(position);
        if (std::optional<std::string> spelt = NarrowExact(path, codePage))
            paths.emplace_back(std::move(*spelt));
        else
            unspellable.push_back(std::move(path));
    }
    return paths;
}

std::wstring NextSelectedPath(const wchar_t* buffer, std::size_t size, DWORD flags, const wchar_t*& position)
{
    if (!buffer || !position || position < buffer || position >= buffer + size) {
        position = nullptr;
        return {};
    }
    const wchar_t* end = buffer + size;
    const std::wstring_view first(buffer, static_cast<std::size_t>(EndOfString(buffer, end) - buffer));
    const wchar_t* name = position;
    if (position == buffer) {
        const wchar_t* afterFirst = buffer + first.size() + 1;
        // One path: the whole first string, however the dialog was set up.
        if (!(flags & OFN_ALLOWMULTISELECT) || afterFirst >= end || *afterFirst == L'\0') {
            position = nullptr;
            return std::wstring(first);
        }
        name = afterFirst;
    }
    const std::wstring_view fileName(name, static_cast<std::size_t>(EndOfString(name, end) - name));
    const wchar_t* next = name + fileName.size() + 1;
    position = next < end && *next ? next : nullptr;

    std::wstring path(first);
    // A folder at the root of a drive ("C:\") already ends with its
    // separator. In UTF-16 no character's unit is taken for one, as a
    // double-byte code page's second byte could be.
    if (!path.empty() && path.back() != L'\\' && path.back() != L'/')
        path += L'\\';
    path += fileName;
    return path;
}
