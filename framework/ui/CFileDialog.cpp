#include "framework/ui/CFileDialog.h"

#include "framework/core/PathText.h"
#include "framework/ui/WinApp.h"

#include <cstring>
#include <exception>
#include <string>
#include <utility>

namespace {

const char* EndOfString(const char* text, const char* end)
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

CFileDialog::CFileDialog(BOOL openFileDialog, const char* defaultExtensionText, const char* fileNameText,
                         DWORD flags, const char* filterText, CWnd* parent)
    : openFileDialog(openFileDialog != FALSE), defaultExtension(defaultExtensionText)
{
    const std::size_t nameLength = fileNameText ? std::strlen(fileNameText) : 0;
    fileName.assign(nameLength + 1 > MAX_PATH ? nameLength + 1 : MAX_PATH, '\0');
    if (nameLength)
        std::memcpy(fileName.data(), fileNameText, nameLength);

    if (filterText) {
        // "|" separates; the dialog wants NULs and a double NUL at the end.
        const std::size_t filterLength = std::strlen(filterText);
        filter.assign(filterText, filterText + filterLength);
        for (char& c : filter)
            if (c == '|')
                c = '\0';
        filter.push_back('\0');
        filter.push_back('\0');
    }

    m_ofn.lStructSize = sizeof m_ofn;
    m_ofn.hwndOwner = parent ? parent->m_hWnd : nullptr;
    m_ofn.hInstance = AfxGetInstanceHandle();
    m_ofn.lpstrFilter = filter.empty() ? nullptr : filter.data();
    m_ofn.nFilterIndex = filter.empty() ? 0 : 1;
    m_ofn.lpstrFile = fileName.data();
    m_ofn.nMaxFile = static_cast<DWORD>(fileName.size());
    m_ofn.lpstrDefExt = defaultExtension.IsEmpty() ? nullptr : defaultExtension.GetString();
    m_ofn.Flags = flags | OFN_EXPLORER | OFN_ENABLEHOOK;
    m_ofn.lpfnHook = FrameworkFileDialogHook;
}

INT_PTR CFileDialog::DoModal()
{
    if ((m_ofn.Flags & OFN_ENABLEHOOK) && !m_ofn.lpfnHook)
        m_ofn.lpfnHook = FrameworkFileDialogHook;
    const BOOL chosen = openFileDialog ? ::GetOpenFileNameA(&m_ofn) : ::GetSaveFileNameA(&m_ofn);
    return chosen ? IDOK : IDCANCEL;
}

POSITION CFileDialog::GetStartPosition() const
{
    if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0 || m_ofn.lpstrFile[0] == '\0')
        return nullptr;
    return reinterpret_cast<POSITION>(m_ofn.lpstrFile);
}

CString CFileDialog::GetNextPathName(POSITION& position) const
{
    const char* at = reinterpret_cast<const char*>(position);
    CString path = NextSelectedPath(m_ofn.lpstrFile, m_ofn.nMaxFile, m_ofn.Flags, at);
    position = reinterpret_cast<POSITION>(const_cast<char*>(at));
    return path;
}

CString NextSelectedPath(const char* buffer, std::size_t size, DWORD flags, const char*& position, UINT codePage)
{
    if (!buffer || !position || position < buffer || position >= buffer + size) {
        position = nullptr;
        return {};
    }
    const char* end = buffer + size;
    const std::string_view first(buffer, static_cast<std::size_t>(EndOfString(buffer, end) - buffer));
    const char* name = position;
    if (position == buffer) {
        const char* afterFirst = buffer + first.size() + 1;
        // One path: the whole first string, however the dialog was set up.
        if (!(flags & OFN_ALLOWMULTISELECT) || afterFirst >= end || *afterFirst == '\0') {
            position = nullptr;
            return CString(first);
        }
        name = afterFirst;
    }
    const std::string_view fileName(name, static_cast<std::size_t>(EndOfString(name, end) - name));
    const char* next = name + fileName.size() + 1;
    position = next < end && *next ? next : nullptr;

    std::string path(first);
    // A folder at the root of a drive ("C:\") already ends with its separator.
    if (!path.empty() && !FindPathSeparators(path, codePage).atEnd)
        path += '\\';
    path += fileName;
    return CString(std::move(path));
}
