#pragma once

#include "framework/core/CString.h"
#include "framework/ui/CWnd.h"
#include "framework/core/ScopedHook.h"

#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <functional>
#include <vector>

// Where GetNextPathName continues; null when no name is left.
struct PositionTag;
using POSITION = PositionTag*;

// The system's Open or Save As dialog. Callers may change m_ofn before DoModal
// (owner, filter, buffer, title, flags); with OFN_ENABLEHOOK the framework's
// own hook procedure is used unless the caller set one.
class CFileDialog {
public:
    // `filter` in the form "Name|*.ext|Name|*.ext||".
    explicit CFileDialog(BOOL openFileDialog, const char* defaultExtension = nullptr,
                         const char* fileName = nullptr,
                         DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                         const char* filter = nullptr, CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    virtual ~CFileDialog() = default;

    // IDOK when the user chose, IDCANCEL when not or when the dialog failed
    // (such as a choice too long for the buffer).
    virtual INT_PTR DoModal();

    // The chosen names, each as a full path: one file, or several in the
    // folder that the buffer names first.
    POSITION GetStartPosition() const;
    CString GetNextPathName(POSITION& position) const;

    OPENFILENAMEA m_ofn{};

private:
    bool openFileDialog;
    std::vector<char> fileName;
    std::vector<char> filter;
    CString defaultExtension;
};

// The name walk on a file dialog's buffer of `size` bytes, from `position`
// (the buffer's start for the first name), which moves to the next name or
// becomes null after the last. Without OFN_ALLOWMULTISELECT in `flags` the
// buffer holds one path. With it, the buffer holds either one full path, or
// a folder, NUL, names separated by NULs, and NUL NUL. Never reads past `size`.
CString NextSelectedPath(const char* buffer, std::size_t size, DWORD flags, const char*& position,
                         UINT codePage = CP_ACP);

// The seam for tests: called with the file dialog's window once it is ready
// for input, to fill in a name and press a button, in place of a user.
using FileDialogHook = std::function<void(HWND fileDialog)>;
using ScopedFileDialogHook = ScopedHook<FileDialogHook>;

UINT_PTR CALLBACK FrameworkFileDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
