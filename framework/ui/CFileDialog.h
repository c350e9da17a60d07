#pragma once

#include "framework/core/CString.h"
#include "framework/ui/CWnd.h"
#include "framework/core/ScopedHook.h"

#include <windows.h>
#include <commdlg.h>

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

// Where GetNextPathName continues; null when no name is left.
struct PositionTag;
using POSITION = PositionTag*;

// The system's Open dialog, in its UTF-16 form: the names come whole,
// whatever the process's code page can spell, and a multiple pick is bounded
// by the caller's buffer alone (the ANSI form caps it at about 32 KiB
// whatever the buffer). Callers may change m_ofn before DoModal (owner,
// filter, buffer, title, flags); with OFN_ENABLEHOOK the framework's own hook
// procedure is used unless the caller set one. Without a buffer of the
// caller's it takes one name of up to MAX_PATH characters.
class CFileDialog {
public:
    explicit CFileDialog(DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, CWnd* parent = nullptr);
    CFileDialog(const CFileDialog&) = delete;
    CFileDialog& operator=(const CFileDialog&) = delete;
    virtual ~CFileDialog() = default;

    // IDOK when the user chose, IDCANCEL when not or when the dialog failed;
    // CommDlgExtendedError then tells which (FNERR_BUFFERTOOSMALL: the names
    // chosen did not fit the buffer, and none is given).
    virtual INT_PTR DoModal();

    // The chosen names, each as a full path in UTF-16: one file, or several
    // in the folder that the buffer names first.
    POSITION GetStartPosition() const;
    std::wstring GetNextPathName(POSITION& position) const;
    // All of them in `codePage`, each spelt exactly (NarrowExact); a name the
    // code page can't spell goes to `unspellable` instead, never into the
    // paths as a look-alike, which would name another file or none.
    std::vector<CString> GetPathNames(std::vector<std::wstring>& unspellable, UINT codePage = CP_ACP) const;

    OPENFILENAMEW m_ofn{};

private:
    std::vector<wchar_t> fileName;
};

// The name walk on a file dialog's buffer of `size` units, from `position`
// (the buffer's start for the first name), which moves to the next name or
// becomes null after the last. Without OFN_ALLOWMULTISELECT in `flags` the
// buffer holds one path. With it, the buffer holds either one full path, or
// a folder, NUL, names separated by NULs, and NUL NUL. Never reads past `size`.
std::wstring NextSelectedPath(const wchar_t* buffer, std::size_t size, DWORD flags, const wchar_t*& position);

// The seam for tests: called with the file dialog's window once it is ready
// for input, to fill in a name and press a button, in place of a user.
using FileDialogHook = std::function<void(HWND fileDialog)>;
using ScopedFileDialogHook = ScopedHook<FileDialogHook>;

UINT_PTR CALLBACK FrameworkFileDialogHook(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
