#include "framework/ui/CDialog.h"

#include "framework/ui/WinApp.h"

#include <cstring>
#include <utility>
#include <vector>

namespace {

// A private copy of a dialog template, DWORD-aligned as the system wants it,
// so that the modal loop can take WS_VISIBLE out and show the dialog itself
// once it stands where it belongs.
std::vector<DWORD> LoadDialogTemplate(HINSTANCE instance, UINT id)
{
    const HRSRC found = ::FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5) /* RT_DIALOG */);
    if (!found)
        return {};
    const HGLOBAL loaded = ::LoadResource(instance, found);
    const void* data = loaded ? ::LockResource(loaded) : nullptr;
    const DWORD size = ::SizeofResource(instance, found);
    // A template is a few kilobytes; anything huge is not one.
    if (!data || size < sizeof(DLGTEMPLATE) || size > 0x100000)
        return {};
    std::vector<DWORD> copy((size + sizeof(DWORD) - 1) / sizeof(DWORD));
    std::memcpy(copy.data(), data, size);
    return copy;
}

DWORD& TemplateStyle(std::vector<DWORD>& dialogTemplate)
{
    const auto* words = reinterpret_cast<const WORD*>(dialogTemplate.data());
    // DLGTEMPLATEEX: dlgVer 1, signature 0xFFFF, helpID, exStyle, style.
    const bool extended = words[0] == 1 && words[1] == 0xFFFF && dialogTemplate.size() >= 4;
    return extended ? dialogTemplate[3] : dialogTemplate[0];
}

BOOL CALLBACK CollectEnabledTopLevel(HWND window, LPARAM collected)
{
    if (::IsWindowVisible(window) && ::IsWindowEnabled(window))
        reinterpret_cast<std::vector<HWND>*>(collected)->push_back(window);
    return TRUE;
}

void CentreOnWorkArea(HWND window)
{
    RECT work{};
    if (!::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0))
        return;
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    int x = work.left + (work.right - work.left - width) / 2;
    int y = work.top + (work.bottom - work.top - height) / 2;
    // A dialog larger than the screen keeps its title bar reachable.
    if (x < work.left)
        x = work.left;
    if (y < work.top)
        y = work.top;
    ::SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Modal means the rest of the program waits: the owner, or, for a dialog
// without one, every other visible window of the thread (so an About box
// opened from a dialog is modal to that dialog too). Re-enabled in reverse,
// before the dialog goes, so that activation returns to them.
class DisabledWindows {
public:
    DisabledWindows(HWND owner, HWND dialog)
    {
        if (owner) {
            if (::IsWindowEnabled(owner))
                windows.push_back(owner);
        } else {
            ::EnumThreadWindows(::GetCurrentThreadId(), CollectEnabledTopLevel,
                                reinterpret_cast<LPARAM>(&windows));
            std::erase(windows, dialog);
        }
        for (HWND window : windows)
            ::EnableWindow(window, FALSE);
    }
    DisabledWindows(const DisabledWindows&) = delete;
    DisabledWindows& operator=(const DisabledWindows&) = delete;
    ~DisabledWindows() { Restore(); }

    void Restore()
    {
        for (auto it = windows.rbegin(); it != windows.rend(); ++it)
            if (::IsWindow(*it))
                ::EnableWindow(*it, TRUE);
        windows.clear();
    }

private:
    std::vector<HWND> windows;
};

bool ReturnsResultDirectly(UINT message)
{
    switch (message) {
    case WM_CHARTOITEM:
    case WM_COMPAREITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_INITDIALOG:
    case WM_QUERYDRAGICON:
    case WM_VKEYTOITEM:
        return true;
    default:
        return false;
    }
}

} // namespace

const MessageMap CDialog::messageMap = MessageMapFor<CDialog, CWnd,
    OnCommand<IDOK, &CDialog::OnOK>,
    OnCommand<IDCANCEL, &CDialog::OnCancel>>;

CDialog::CDialog(UINT templateId, CWnd* parent) : templateId(templateId), parent(parent)
{
}

HWND CDialog::CreateFromTemplate(UINT id, HWND parentOrOwner, bool forModal)
{
    const HINSTANCE instance = AfxGetInstanceHandle();
    std::vector<DWORD> dialogTemplate = LoadDialogTemplate(instance, id);
    if (dialogTemplate.empty())
        return nullptr;
    if (forModal)
        TemplateStyle(dialogTemplate) &= ~static_cast<DWORD>(WS_VISIBLE);

    // The common control classes of the template, registered at the first
    // dialog. They may refuse one of the classes on an old system; the
    // dialog then lacks a control but still opens.
    AfxInitCommonControls();
    initFailed = false;
    CreationScope scope(*this);
    HWND window = ::CreateDialogIndirectParamA(
        instance, reinterpret_cast<const DLGTEMPLATE*>(dialogTemplate.data()), parentOrOwner,
        FrameworkDialogProc, 0);
    if (window && (!scope.Attached() || (initFailed && !forModal))) {
        // Destroyed while still in creation: no PostNcDestroy, the caller
        // keeps the object and hears of the failure.
        ::DestroyWindow(window);
        window = nullptr;
    }
    return window;
}

BOOL CDialog::Create(UINT id, CWnd* parentWindow)
{
    if (m_hWnd)
        return FALSE;
    templateId = id;
    parent = parentWindow;
    return CreateFromTemplate(id, parentWindow ? parentWindow->m_hWnd : nullptr, false) != nullptr;
}

INT_PTR CDialog::DoModal()
{
    if (m_hWnd || inModalLoop)
        return -1;
    HWND owner = parent && parent->m_hWnd ? ::GetAncestor(parent->m_hWnd, GA_ROOT) : nullptr;

    const HWND previouslyActive = ::GetActiveWindow();
    inModalLoop = true;
    continueModal = true;
    modalResult = -1;
    movedDuringInit = false;
    const HWND window = CreateFromTemplate(templateId, owner, true);
    if (!window) {
        inModalLoop = false;
        continueModal = false;
        return -1;
    }

    // Whatever happens below, the windows that waited get their input back
    // and the dialog goes; the object stays, as it belongs to the caller.
    struct Finish {
        CDialog& dialog;
        HWND window;
        HWND previouslyActive;
        DisabledWindows disabled;
        ~Finish()
        {
            dialog.inModalLoop = false;
            dialog.continueModal = false;
            disabled.Restore();
            // With an owner the system gives activation back to it; without
            // one it would pick any window, so hand it back to the window
            // that had it, such as the dialog that opened this one.
            if (::GetActiveWindow() == window && previouslyActive && ::IsWindowVisible(previouslyActive)
                && ::IsWindowEnabled(previouslyActive))
                ::SetActiveWindow(previouslyActive);
            if (::IsWindow(window)) {
                ::SetWindowPos(window, nullptr, 0, 0, 0, 0,
                               SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                ::DestroyWindow(window);
            }
        }
    } finish{*this, window, previouslyActive, DisabledWindows(owner, window)};

    if (!owner && !movedDuringInit)
        CentreOnWorkArea(window);
    if (continueModal)
        ::ShowWindow(window, SW_SHOWNORMAL);
    if (const ModalDialogHook* hook = ScopedModalDialogHook::Installed(); continueModal && hook && *hook)
        (*hook)(*this);

    MSG message;
    while (continueModal) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            // The program is ending: leave the quit for the outer loop.
            ::PostQuitMessage(static_cast<int>(message.wParam));
            modalResult = -1;
            break;
        }
        if (got == -1) {
            modalResult = -1;
            break;
        }
        // Not a window procedure, but what escapes here would end the
        // dialog under the user: the message goes on as if not taken.
        BOOL taken = FALSE;
        try {
            taken = PreTranslateMessage(&message);
        } catch (...) {
            ReportEscapedException(message.message);
        }
        if (taken)
            continue;
        if (!::IsDialogMessageA(window, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
    }
    return modalResult;
}

void CDialog::EndDialog(int result)
{
    if (!inModalLoop)
        return;
    modalResult = result;
    continueModal = false;
}

BOOL CDialog::MapDialogRect(RECT* rect) const
{
    return ::MapDialogRect(m_hWnd, rect);
}

INT_PTR CDialog::RouteDialogMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCDESTROY) {
        // A modal dialog destroyed by someone else ends its loop.
        if (inModalLoop)
            continueModal = false;
        FinishWindow();
        return FALSE;
    }
    try {
        if (message == WM_INITDIALOG) {
            RECT before{};
            ::GetWindowRect(window, &before);
            BOOL focusDefault = FALSE;
            try {
                focusDefault = OnInitDialog();
            } catch (...) {
                ReportEscapedException(message);
                initFailed = true;
                EndDialog(-1);
                return FALSE;
            }
            RECT after{};
            ::GetWindowRect(window, &after);
            movedDuringInit = after.left != before.left || after.top != before.top;
            return focusDefault;
        }
        LRESULT result = 0;
        if (!OnWndMsg(message, wParam, lParam, &result))
            return FALSE;
        // The handler may have destroyed the dialog; only the handle is used.
        if (ReturnsResultDirectly(message))
            return static_cast<INT_PTR>(result);
        ::SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
        return TRUE;
    } catch (...) {
        ReportEscapedException(message);
        return FALSE;
    }
}

INT_PTR CALLBACK FrameworkDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* object = CWnd::FromHandlePermanent(window);
    if (!object)
        object = CDialog::AttachCreatedWindow(window);
    auto* dialog = dynamic_cast<CDialog*>(object);
    if (!dialog)
        return FALSE;
    return dialog->RouteDialogMessage(window, message, wParam, lParam);
}
