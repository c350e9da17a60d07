#include "framework/ui/CWnd.h"

#include "framework/ui/WinApp.h"

#include <cstdio>
#include <exception>
#include <map>
#include <string>
#include <tuple>
#include <unordered_map>
#include <utility>

namespace {

// Which object each window of this thread belongs to. A table of the
// thread's own rather than a window property: the lookup runs at every
// message, and under Wine every property lookup is a round trip to the
// server (nine tenths of the time it took to fill a list of 5,000 rows). A
// window only ever gets its messages on the thread that made it, and
// objects attach and detach on that thread, so a window of another thread
// is never found here.
//
// Only the table's address is thread_local: the thread's first attach makes
// the table and its last detach frees it. A thread_local table would be
// destroyed at the thread's exit after mingw-w64's runtime has freed the
// thread's storage, and its destructor walked freed nodes (Wine's heap
// checks, WINEDEBUG=warn+heap, caught it on a second UI thread).
class ThreadWindowTable {
public:
    static CWnd* Find(HWND window)
    {
        if (!table)
            return nullptr;
        const auto found = table->find(window);
        return found == table->end() ? nullptr : found->second;
    }
    static void Add(HWND window, CWnd* object)
    {
        if (!table)
            table = new std::unordered_map<HWND, CWnd*>;
        (*table)[window] = object;
    }
    static void Remove(HWND window)
    {
        if (!table)
            return;
        table->erase(window);
        if (table->empty()) {
            delete table;
            table = nullptr;
        }
    }

private:
    static thread_local std::unordered_map<HWND, CWnd*>* table;
};

thread_local std::unordered_map<HWND, CWnd*>* ThreadWindowTable::table = nullptr;

} // namespace

thread_local CWnd::CreationScope* CWnd::innermostCreation = nullptr;

const CWnd CWnd::wndTop{HWND_TOP};

const MessageMap CWnd::messageMap{nullptr, {}};

CWnd::~CWnd()
{
    if (attachment == Attachment::Subclassed) {
        UnsubclassWindow();
    } else if (attachment == Attachment::Created) {
        // Only CWnd's own handling remains reachable now, so the window ends
        // with the default processing and no PostNcDestroy of a derived class.
        // A dialog's procedure no longer recognises the object at all, so
        // nothing detached it on the way: do it here.
        ::DestroyWindow(m_hWnd);
        if (m_hWnd)
            Detach();
    }
}

CWnd::CreationScope::CreationScope(CWnd& window) : window(window), outer(innermostCreation)
{
    innermostCreation = this;
}

CWnd::CreationScope::~CreationScope()
{
    innermostCreation = outer;
}

bool CWnd::CreationScope::Attached() const
{
    return attached;
}

CWnd* CWnd::AttachCreatedWindow(HWND window)
{
    CreationScope* scope = innermostCreation;
    if (!scope || scope->attached || scope->window.m_hWnd)
        return nullptr;
    scope->window.Attach(window, Attachment::Created);
    scope->attached = true;
    return &scope->window;
}

void CWnd::Attach(HWND window, Attachment how)
{
    m_hWnd = window;
    attachment = how;
    ThreadWindowTable::Add(window, this);
}

void CWnd::Detach()
{
    if (m_hWnd)
        ThreadWindowTable::Remove(m_hWnd);
    m_hWnd = nullptr;
    attachment = Attachment::None;
    superProc = nullptr;
}

CWnd* CWnd::FromHandlePermanent(HWND window)
{
    return window ? ThreadWindowTable::Find(window) : nullptr;
}

BOOL CWnd::CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU idOrMenu, void* createParam)
{
    if (m_hWnd)
        return FALSE;
    HWND window = nullptr;
    bool attached = false;
    {
        CreationScope scope(*this);
        window = ::CreateWindowExA(exStyle, className, windowName, style, x, y, width, height,
                                   parent, idOrMenu, AfxGetInstanceHandle(), createParam);
        attached = scope.Attached();
    }
    if (!window)
        return FALSE;
    // A class with a procedure of its own (a control) never reached ours.
    if (!attached && !SubclassWindow(window)) {
        ::DestroyWindow(window);
        return FALSE;
    }
    if (!attached)
        attachment = Attachment::Created;
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd)
        return FALSE;
    // The object may be gone when this returns (PostNcDestroy).
    return ::DestroyWindow(m_hWnd);
}

BOOL CWnd::SubclassWindow(HWND window)
{
    if (m_hWnd || !window || !::IsWindow(window)
        || ::GetWindowThreadProcessId(window, nullptr) != ::GetCurrentThreadId()
        || ThreadWindowTable::Find(window))
        return FALSE;
    Attach(window, Attachment::Subclassed);
    const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (current == FrameworkWindowProc)
        return TRUE;  // a window of one of our classes: nothing to chain to
    ::SetLastError(0);
    const LONG_PTR old = ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FrameworkWindowProc));
    if (old == 0 && ::GetLastError() != 0) {
        Detach();
        return FALSE;
    }
    superProc = reinterpret_cast<WNDPROC>(old);
    return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent)
{
    if (!parent || !parent->m_hWnd)
        return FALSE;
    return SubclassWindow(::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow()
{
    if (attachment != Attachment::Subclassed)
        return nullptr;
    HWND window = m_hWnd;
    // Only put the old procedure back if nobody chained onto ours since;
    // otherwise the later subclass would be cut off.
    const auto current = reinterpret_cast<WNDPROC>(::GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (superProc && current == FrameworkWindowProc)
        ::SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(superProc));
    Detach();
    return window;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (OnWndMsg(message, wParam, lParam, &result))
        return result;
    return DefWindowProc(message, wParam, lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam)
{
    if (superProc)
        return ::CallWindowProcA(superProc, m_hWnd, message, wParam, lParam);
    return ::DefWindowProcA(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result)
{
    const MessageMapEntry* entry = GetMessageMap()->Find(message, wParam, lParam);
    if (!entry)
        return FALSE;
    const LRESULT handled = entry->call(*this, wParam, lParam);
    if (result)
        *result = handled;
    return TRUE;
}

void CWnd::FinishWindow()
{
    if (CWinApp* app = AfxGetApp(); app && app->m_pMainWnd == this) {
        app->m_pMainWnd = nullptr;
        ::PostQuitMessage(0);
    }
    if (attachment == Attachment::Subclassed)
        UnsubclassWindow();
    else
        Detach();
    // A window that dies inside its own creation was never handed to the
    // caller, who still owns the object and learns of the failure from
    // CreateEx.
    for (CreationScope* scope = innermostCreation; scope; scope = scope->outer)
        if (&scope->window == this)
            return;
    try {
        PostNcDestroy();
    } catch (...) {
        ReportEscapedException(WM_NCDESTROY);
    }
}

void CWnd::ReportEscapedException(UINT message) const
{
    // Nothing may cross the system's code between us and the sender; the
    // message is answered as unhandled-but-harmless instead. The note is for
    // a developer with a debugger; the program keeps no log.
    char note[160];
    std::snprintf(note, sizeof note, "Vistero: an exception was stopped at window %p, message 0x%04X\n",
                  static_cast<void*>(m_hWnd), message);
    ::OutputDebugStringA(note);
    try {
        throw;
    } catch (const std::exception& error) {
        ::OutputDebugStringA(error.what());
        ::OutputDebugStringA("\n");
    } catch (...) {
    }
}

LRESULT CWnd::RouteWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept
{
    if (message == WM_NCDESTROY) {
        LRESULT result = 0;
        try {
            result = DefWindowProc(message, wParam, lParam);
        } catch (...) {
            ReportEscapedException(message);
        }
        FinishWindow();
        return result;
    }
    try {
        return WindowProc(message, wParam, lParam);
    } catch (...) {
        ReportEscapedException(message);
        // A failure in creation makes the creation fail.
        if (message == WM_NCCREATE)
            return FALSE;
        if (message == WM_CREATE)
            return -1;
        return 0;
    }
}

LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    CWnd* object = ThreadWindowTable::Find(window);
    if (!object)
        object = CWnd::AttachCreatedWindow(window);
    if (!object)
        return ::DefWindowProcA(window, message, wParam, lParam);
    return object->RouteWindowMessage(message, wParam, lParam);
}

const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor, HBRUSH background, HICON icon)
{
    // Handles of the system's shared cursors, brushes and icons are the same
    // in every process and fit in 32 bits on both architectures, so the name
    // is too; only the class of one module is looked up by it.
    static std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> registered;
    const auto key = std::make_tuple(classStyle, cursor, background, icon);
    if (const auto found = registered.find(key); found != registered.end())
        return found->second.c_str();

    char name[80];
    std::snprintf(name, sizeof name, "Afx:%x:%lx:%lx:%lx", classStyle,
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(cursor)),
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(background)),
                  static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(icon)));

    const HINSTANCE instance = AfxGetInstanceHandle();
    WNDCLASSA existing{};
    if (!::GetClassInfoA(instance, name, &existing)) {
        WNDCLASSA windowClass{};
        windowClass.style = classStyle;
        windowClass.lpfnWndProc = FrameworkWindowProc;
        windowClass.hInstance = instance;
        windowClass.hCursor = cursor;
        windowClass.hbrBackground = background;
        windowClass.hIcon = icon;
        windowClass.lpszClassName = name;
        if (!::RegisterClassA(&windowClass))
            return nullptr;
    } else if (existing.lpfnWndProc != FrameworkWindowProc) {
        return nullptr;
    }
    return registered.emplace(key, name).first->second.c_str();
}
