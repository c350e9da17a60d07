#pragma once

#include "framework/ui/MessageMap.h"
#include "framework/ui/WindowRef.h"

#include <windows.h>

// A window the object owns or has subclassed, with messages routed through
// the class's message map. The object is attached to its window at the first
// message the window receives, and detached after WM_NCDESTROY, when
// PostNcDestroy runs. An object can't be moved or copied: its window holds
// its address.
class CWnd : public WindowRef {
public:
    CWnd() = default;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;
    // A window made by Create/CreateEx is destroyed; a subclassed one gets its
    // own procedure back and lives on.
    virtual ~CWnd();

    // SetWindowPos's place at the top of the siblings, as &CWnd::wndTop.
    static const CWnd wndTop;

    // idOrMenu is the child id for a WS_CHILD window, else a menu. A window of
    // a class with another procedure (a control class) is subclassed once it
    // exists. FALSE leaves the object as it was, without a window.
    BOOL CreateEx(DWORD exStyle, const char* className, const char* windowName, DWORD style,
                  int x, int y, int width, int height, HWND parent, HMENU idOrMenu,
                  void* createParam = nullptr);
    virtual BOOL DestroyWindow();

    // Routes an existing window of this thread through this object, e.g. a
    // dialog's control; detached again (with the original procedure back) at
    // the window's WM_NCDESTROY or by UnsubclassWindow.
    BOOL SubclassWindow(HWND window);
    BOOL SubclassDlgItem(UINT id, CWnd* parent);
    HWND UnsubclassWindow();

    // The object attached to a window of this thread, or null.
    static CWnd* FromHandlePermanent(HWND window);

    static const MessageMap messageMap;

protected:
    virtual const MessageMap* GetMessageMap() const { return &messageMap; }

    // Handlers first, else DefWindowProc.
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The subclassed window's own procedure, or the system's default.
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Runs after WM_NCDESTROY, when the object no longer has a window. An
    // object that lives on the heap may delete itself here. Not called when
    // the window goes away inside a CreateEx that then reports failure.
    virtual void PostNcDestroy() {}

    // Calls the map's handler for the message, if any; TRUE when one ran.
    // Nothing of the object is touched after the handler, which may have
    // destroyed (and deleted) it.
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);

    // For window kinds whose windows the framework makes by other routes
    // (dialogs): the object that a window in creation belongs to.
    class CreationScope {
    public:
        explicit CreationScope(CWnd& window);
        CreationScope(const CreationScope&) = delete;
        CreationScope& operator=(const CreationScope&) = delete;
        ~CreationScope();
        // True when the window was attached to the object at its first message.
        bool Attached() const;

    private:
        CWnd& window;
        CreationScope* outer;
        bool attached = false;
        friend class CWnd;
    };
    // Attaches the object waiting in the innermost CreationScope, if any, to
    // a window that has just sent its first message.
    static CWnd* AttachCreatedWindow(HWND window);
    // What the framework does for every window at WM_NCDESTROY after the
    // window's own processing: the main window ends the message loop, the
    // object is detached, PostNcDestroy runs.
    void FinishWindow();
    void ReportEscapedException(UINT message) const;

private:
    enum class Attachment { None, Created, Subclassed };

    explicit CWnd(HWND special) : WindowRef(special) {}
    void Attach(HWND window, Attachment how);
    void Detach();
    LRESULT RouteWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    Attachment attachment = Attachment::None;
    WNDPROC superProc = nullptr;
    static thread_local CreationScope* innermostCreation;

    friend LRESULT CALLBACK FrameworkWindowProc(HWND, UINT, WPARAM, LPARAM);
};

// The procedure of every window class the framework registers.
LRESULT CALLBACK FrameworkWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The name of a window class with the framework's procedure and the given
// look; the same arguments give the same class, also in another instance of
// the program (the name doesn't depend on where the module is loaded).
// Null if the class can't be registered.
const char* AfxRegisterWndClass(UINT classStyle, HCURSOR cursor = nullptr,
                                HBRUSH background = nullptr, HICON icon = nullptr);
