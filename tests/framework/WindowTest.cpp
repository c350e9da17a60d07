// The life of a window object: attached at creation, detached after
// WM_NCDESTROY with PostNcDestroy last, the main window ending the message
// loop, subclassed controls handed back intact, exceptions stopped at the
// window procedure, and dialog-item texts and numbers of any size.
#include "framework/ui/CButton.h"
#include "framework/ui/CWnd.h"
#include "framework/ui/WinApp.h"
#include "tests/support/Wait.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using test_support::WaitFor;

constexpr UINT WM_DESTROY_ME = WM_APP + 10;
constexpr UINT WM_THROW = WM_APP + 11;
constexpr UINT WM_PING = WM_APP + 12;

// Records its life in a log that outlives it.
class LoggedWindow : public CWnd {
public:
    explicit LoggedWindow(std::vector<std::string>& log, bool deleteSelf = false)
        : log(log), deleteSelf(deleteSelf)
    {
    }
    ~LoggedWindow() override { log.push_back("deleted"); }

    bool Create(HWND parent = nullptr, DWORD style = WS_POPUP)
    {
        return CreateEx(0, AfxRegisterWndClass(0), "WindowTest", style, 0, 0, 50, 50, parent, nullptr);
    }

    static const MessageMap messageMap;
    bool throwOnCreate = false;
    int timerTicks = 0;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    LRESULT OnCreate(WPARAM, LPARAM)
    {
        log.push_back("create");
        if (throwOnCreate)
            throw std::runtime_error("creation failed");
        return 0;
    }
    void OnDestroy() { log.push_back(m_hWnd ? "destroy (attached)" : "destroy (detached)"); }
    void OnDestroyMe() { DestroyWindow(); }
    void OnThrow() { throw std::runtime_error("handler failed"); }
    LRESULT OnPing() { return 77; }
    void OnTimer(UINT_PTR) { ++timerTicks; }
    void PostNcDestroy() override
    {
        log.push_back(m_hWnd ? "post-nc-destroy (attached)" : "post-nc-destroy (detached)");
        if (deleteSelf)
            delete this;
    }

private:
    std::vector<std::string>& log;
    bool deleteSelf;
};

const MessageMap LoggedWindow::messageMap = MessageMapFor<LoggedWindow, CWnd,
    OnMessage<WM_CREATE, &LoggedWindow::OnCreate>,
    OnMessage<WM_DESTROY, &LoggedWindow::OnDestroy>,
    OnMessage<WM_DESTROY_ME, &LoggedWindow::OnDestroyMe>,
    OnMessage<WM_THROW, &LoggedWindow::OnThrow>,
    OnMessage<WM_PING, &LoggedWindow::OnPing>,
    OnMessage<WM_TIMER, &LoggedWindow::OnTimer>>;

TEST(Window, AttachedFromCreationAndDetachedBeforePostNcDestroy)
{
    std::vector<std::string> log;
    {
        LoggedWindow window(log);
        ASSERT_TRUE(window.Create());
        const HWND handle = window.m_hWnd;
        EXPECT_EQ(&window, CWnd::FromHandlePermanent(handle));

        EXPECT_TRUE(window.DestroyWindow());
        EXPECT_EQ(nullptr, window.m_hWnd);
        EXPECT_FALSE(::IsWindow(handle));
        EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(handle));
    }
    EXPECT_EQ((std::vector<std::string>{"create", "destroy (attached)", "post-nc-destroy (detached)", "deleted"}), log);
}

TEST(Window, HeapWindowDeletesItselfFromItsOwnHandler)
{
    std::vector<std::string> log;
    auto* window = new LoggedWindow(log, true);
    ASSERT_TRUE(window->Create());
    const HWND handle = window->m_hWnd;

    // The handler destroys the window; the object is gone when SendMessage
    // returns, and nothing may have touched it after.
    ::SendMessageA(handle, WM_DESTROY_ME, 0, 0);
    EXPECT_FALSE(::IsWindow(handle));
    EXPECT_EQ((std::vector<std::string>{"create", "destroy (attached)", "post-nc-destroy (detached)", "deleted"}), log);
}

TEST(Window, ObjectDestroyedFirstTakesItsWindowAlong)
{
    std::vector<std::string> log;
    HWND handle = nullptr;
    {
        LoggedWindow window(log);
        ASSERT_TRUE(window.Create());
        handle = window.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(handle));
}

// Each thread keeps which object each of its windows belongs to: a window
// made on another thread reaches its own object there, is nobody's here,
// and leaves nothing behind when it goes with its thread's object.
TEST(Window, WindowOfAnotherThreadReachesItsObjectOnlyThere)
{
    std::vector<std::string> mainLog;
    LoggedWindow mainWindow(mainLog);
    ASSERT_TRUE(mainWindow.Create());

    std::vector<std::string> otherLog;
    HWND otherHandle = nullptr;
    LRESULT otherPing = 0;
    bool otherFoundMain = true;
    std::thread other([&] {
        LoggedWindow window(otherLog);
        if (!window.Create())
            return;
        otherHandle = window.m_hWnd;
        otherPing = ::SendMessageA(window.m_hWnd, WM_PING, 0, 0);
        otherFoundMain = CWnd::FromHandlePermanent(mainWindow.m_hWnd) != nullptr;
        window.DestroyWindow();
    });
    other.join();

    EXPECT_EQ(77, otherPing);
    EXPECT_FALSE(otherFoundMain) << "a window of this thread was another thread's object";
    EXPECT_FALSE(::IsWindow(otherHandle));
    EXPECT_EQ((std::vector<std::string>{"create", "destroy (attached)", "post-nc-destroy (detached)", "deleted"}),
              otherLog);
    // This thread's window still reaches its own object.
    EXPECT_EQ(&mainWindow, CWnd::FromHandlePermanent(mainWindow.m_hWnd));
    EXPECT_EQ(77, ::SendMessageA(mainWindow.m_hWnd, WM_PING, 0, 0));
}

TEST(Window, FailedCreationLeavesTheObjectToItsOwner)
{
    std::vector<std::string> log;
    auto* window = new LoggedWindow(log, true);
    window->throwOnCreate = true;
    // The exception stops at the window procedure and fails the creation;
    // PostNcDestroy doesn't run, so the object is still the caller's.
    EXPECT_FALSE(window->Create());
    EXPECT_EQ(nullptr, window->m_hWnd);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ("create", log.front());
    EXPECT_EQ(log.end(), std::find(log.begin(), log.end(), "post-nc-destroy (detached)"));
    delete window;
    EXPECT_EQ("deleted", log.back());
}

TEST(Window, ExceptionInAHandlerStopsAtTheWindowProcedure)
{
    std::vector<std::string> log;
    LoggedWindow window(log);
    ASSERT_TRUE(window.Create());

    EXPECT_EQ(0, window.SendMessage(WM_THROW));
    EXPECT_EQ(77, window.SendMessage(WM_PING));
    EXPECT_TRUE(::IsWindow(window.m_hWnd));
}

TEST(Window, DestroyingTheMainWindowEndsRun)
{
    CWinApp* app = AfxGetApp();
    ASSERT_NE(nullptr, app);
    std::vector<std::string> log;
    LoggedWindow window(log);
    ASSERT_TRUE(window.Create());
    app->m_pMainWnd = &window;

    ::PostMessageA(window.m_hWnd, WM_DESTROY_ME, 0, 0);
    EXPECT_EQ(0, app->Run());
    EXPECT_EQ(nullptr, app->m_pMainWnd);
    EXPECT_EQ(nullptr, window.m_hWnd);
}

TEST(Window, RunReturnsAtOnceWithoutAMainWindow)
{
    CWinApp* app = AfxGetApp();
    ASSERT_NE(nullptr, app);
    ASSERT_EQ(nullptr, app->m_pMainWnd);
    EXPECT_EQ(0, app->Run());
}

TEST(Window, TimerTicksArriveAsMessages)
{
    std::vector<std::string> log;
    LoggedWindow window(log);
    ASSERT_TRUE(window.Create());
    ASSERT_EQ(1u, window.SetTimer(1, 10));
    EXPECT_TRUE(WaitFor([&] { return window.timerTicks >= 2; }));
    EXPECT_TRUE(window.KillTimer(1));
}

// A button whose clicks the test sees through its own map, while the button
// keeps doing its own work through the original procedure.
class WatchedButton : public CButton {
public:
    static const MessageMap messageMap;
    std::vector<UINT> checksSet;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    LRESULT OnSetCheck(WPARAM state, LPARAM lParam)
    {
        checksSet.push_back(static_cast<UINT>(state));
        return DefWindowProc(BM_SETCHECK, state, lParam);
    }
};

const MessageMap WatchedButton::messageMap = MessageMapFor<WatchedButton, CButton,
    OnMessage<BM_SETCHECK, &WatchedButton::OnSetCheck>>;

struct ParentWithCheckBox {
    ParentWithCheckBox() : log(), parent(log)
    {
        EXPECT_TRUE(parent.Create());
        checkBox = ::CreateWindowExA(0, "BUTTON", "Check", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 40, 12,
                                     parent.m_hWnd, reinterpret_cast<HMENU>(INT_PTR{5}), ::GetModuleHandleA(nullptr), nullptr);
        EXPECT_NE(nullptr, checkBox);
        originalProc = ::GetWindowLongPtrA(checkBox, GWLP_WNDPROC);
    }
    std::vector<std::string> log;
    LoggedWindow parent;
    HWND checkBox = nullptr;
    LONG_PTR originalProc = 0;
};

TEST(Window, SubclassedControlIsDetachedWhenItsWindowGoes)
{
    ParentWithCheckBox fixture;
    WatchedButton button;
    ASSERT_TRUE(button.SubclassDlgItem(5, &fixture.parent));
    EXPECT_EQ(fixture.checkBox, button.m_hWnd);
    // A window can belong to one object only.
    WatchedButton second;
    EXPECT_FALSE(second.SubclassDlgItem(5, &fixture.parent));

    button.SetCheck(BST_CHECKED);
    EXPECT_EQ(BST_CHECKED, button.GetCheck());
    EXPECT_EQ((std::vector<UINT>{BST_CHECKED}), button.checksSet);

    fixture.parent.DestroyWindow();
    EXPECT_EQ(nullptr, button.m_hWnd);
    EXPECT_FALSE(::IsWindow(fixture.checkBox));
    // The object's own end now touches no window.
}

TEST(Window, SubclassedControlOutlivesItsObject)
{
    ParentWithCheckBox fixture;
    {
        WatchedButton button;
        ASSERT_TRUE(button.SubclassDlgItem(5, &fixture.parent));
        EXPECT_NE(fixture.originalProc, ::GetWindowLongPtrA(fixture.checkBox, GWLP_WNDPROC));
    }
    ASSERT_TRUE(::IsWindow(fixture.checkBox));
    EXPECT_EQ(fixture.originalProc, ::GetWindowLongPtrA(fixture.checkBox, GWLP_WNDPROC));
    ::SendMessageA(fixture.checkBox, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(BST_CHECKED, ::SendMessageA(fixture.checkBox, BM_GETCHECK, 0, 0));
}

TEST(Window, ControlClassMadeByCreateExIsRoutedAndOwned)
{
    std::vector<std::string> log;
    LoggedWindow parent(log);
    ASSERT_TRUE(parent.Create());
    HWND handle = nullptr;
    {
        WatchedButton button;
        ASSERT_TRUE(button.CreateEx(0, "BUTTON", "Made", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 40, 12, parent.m_hWnd,
                                    reinterpret_cast<HMENU>(INT_PTR{6})));
        handle = button.m_hWnd;
        button.SetCheck(BST_CHECKED);
        EXPECT_EQ(BST_CHECKED, button.GetCheck());
        EXPECT_EQ(1u, button.checksSet.size());
    }
    EXPECT_FALSE(::IsWindow(handle));
}

TEST(Window, RegisteredClassIsTheSameForTheSameLook)
{
    const char* first = AfxRegisterWndClass(0);
    ASSERT_NE(nullptr, first);
    EXPECT_EQ(first, AfxRegisterWndClass(0));
    const char* other = AfxRegisterWndClass(CS_DBLCLKS, ::LoadCursorA(nullptr, MAKEINTRESOURCEA(32512)));
    ASSERT_NE(nullptr, other);
    EXPECT_STRNE(first, other);

    WNDCLASSA info{};
    ASSERT_TRUE(::GetClassInfoA(AfxGetInstanceHandle(), first, &info));
    EXPECT_EQ(&FrameworkWindowProc, info.lpfnWndProc);
    EXPECT_EQ(nullptr, info.hbrBackground);
    EXPECT_EQ(nullptr, info.hCursor);
    EXPECT_EQ(nullptr, info.hIcon);
    EXPECT_EQ(0u, info.style);

    // A window of the class that no object claims just gets the default
    // processing, and can be found by class and name as another instance of
    // the program would look for it.
    HWND plain = ::CreateWindowExA(0, first, "PlainOfTheClass", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                   AfxGetInstanceHandle(), nullptr);
    ASSERT_NE(nullptr, plain);
    EXPECT_EQ(plain, ::FindWindowA(first, "PlainOfTheClass"));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(plain));
    ::DestroyWindow(plain);
}

TEST(Window, DialogItemOperationsOnBorrowedControls)
{
    std::vector<std::string> log;
    LoggedWindow parent(log);
    ASSERT_TRUE(parent.Create());
    const HWND edit = ::CreateWindowExA(0, "EDIT", "", WS_CHILD | ES_AUTOHSCROLL, 0, 0, 80, 20, parent.m_hWnd,
                                        reinterpret_cast<HMENU>(INT_PTR{7}), ::GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, edit);

    const WindowRef item = parent.GetDlgItem(7);
    EXPECT_EQ(edit, item.m_hWnd);
    EXPECT_EQ(7, ::GetDlgCtrlID(item.m_hWnd));
    EXPECT_EQ(nullptr, parent.GetDlgItem(8).m_hWnd);

    BOOL translated = FALSE;
    parent.SetDlgItemInt(7, static_cast<UINT>(-15), TRUE);
    EXPECT_EQ(-15, static_cast<int>(parent.GetDlgItemInt(7, &translated, TRUE)));
    EXPECT_TRUE(translated);
    parent.SetDlgItemText(7, "abc");
    parent.GetDlgItemInt(7, &translated, FALSE);
    EXPECT_FALSE(translated);
    parent.SetDlgItemText(7, "");
    parent.GetDlgItemInt(7, &translated, FALSE);
    EXPECT_FALSE(translated);

    // Texts longer than any fixed buffer come back whole.
    const std::string longText(5000, 'x');
    parent.SetDlgItemText(7, longText.c_str());
    CString read;
    EXPECT_EQ(5000, parent.GetDlgItem(7).GetWindowText(read));
    EXPECT_EQ(longText, read.str());
    EXPECT_EQ(0, parent.GetDlgItem(8).GetWindowText(read));
    EXPECT_TRUE(read.IsEmpty());

}

} // namespace
