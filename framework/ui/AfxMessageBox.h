#pragma once

#include "framework/core/ScopedHook.h"

#include <windows.h>

#include <functional>

// A message box with the application name as its caption, owned by the
// thread's active window (the open dialog, if any). Returns the button chosen,
// 0 if the box could not be shown. The help context is accepted for the
// familiar signature; the program has no help file.
int AfxMessageBox(const char* text, UINT type = MB_OK, UINT helpContext = 0);

// Every message box of the framework (AfxMessageBox, CWnd::MessageBox) comes
// here: to the installed hook if there is one, else to the system.
int AfxShowMessageBox(HWND owner, const char* text, const char* caption, UINT type);

// The seam for tests: while a hook is installed, no box appears; the hook
// sees what would have been shown and gives the answer (IDOK, IDYES...).
using MessageBoxHook = std::function<int(HWND owner, const char* text, const char* caption, UINT type)>;
using ScopedMessageBoxHook = ScopedHook<MessageBoxHook>;
