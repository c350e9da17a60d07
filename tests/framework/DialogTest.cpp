// Modal dialogs with their own loop, driven from inside the loop as a user
// would; modeless child pages; nested loops; owners waiting meanwhile.
#include "FrameworkTestIds.h"

#include "framework/ui/CDialog.h"
#include "framework/ui/WinApp.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace {

using test_support::ClickButton;
using test_support::ModalDialogDriver;
using test_support::KeyboardUser;

class PlainDialog : public CDialog {
public:
    explicit PlainDialog(CWnd* parent = nullptr, UINT templateId = IDD_PLAIN) : CDialog(templateId, parent) {}

    static const MessageMap messageMap;
    int initCount = 0;
    bool editExistedAtInit = false;
    int endDuringInit = 0;
    bool throwDuringInit = false;
    std::function<void(PlainDialog&)> onNested;

    BOOL OnInitDialog() override
    {
        ++initCount;
        editExistedAtInit = GetDlgItem(IDC_EDIT).m_hWnd != nullptr;
        if (throwDuringInit)
            throw std::runtime_error("initialisation failed");
        if (endDuringInit)
            EndDialog(endDuringInit);
        return TRUE;
    }

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    void OnNested()
    {
        if (onNested)
            onNested(*this);
    }
    void OnEditClick(NMHDR*, LRESULT* result) { *result = 1234; }
};

const MessageMap PlainDialog::messageMap = MessageMapFor<PlainDialog, CDialog,
    OnCommand<IDC_NESTED, &PlainDialog::OnNested>,
    OnNotify<IDC_EDIT, NM_CLICK, &PlainDialog::OnEditClick>>;

class Page : public CDialog {
public:
    int initCount = 0;
    bool visibleAtInit = true;

    BOOL OnInitDialog() override
    {
        ++initCount;
        visibleAtInit = ::IsWindowVisible(m_hWnd) != FALSE;
        return TRUE;
    }
};

// A frame that makes a page of itself during its own initialisation, as the
// configuration dialog does.
class FrameDialog : public CDialog {
public:
    FrameDialog() : CDialog(IDD_PLAIN) {}
    Page page;
    BOOL createResult = FALSE;

    BOOL OnInitDialog() override
    {
        createResult = page.Create(IDD_PAGE, this);
        page.ShowWindow(SW_SHOW);
        return TRUE;
    }
};

// A plain top-level window to own dialogs or to wait while one runs.
class TopWindow : public CWnd {
public:
    explicit TopWindow(bool visible = true)
    {
        EXPECT_TRUE(CreateEx(0, AfxRegisterWndClass(0), "DialogTestTop", WS_POPUP | (visible ? WS_VISIBLE : 0), 0, 0,
                             100, 100, nullptr, nullptr));
    }
};

TEST(Dialog, EndDialogValueComesBackFromDoModal)
{
    ModalDialogDriver driver;
    bool visibleInLoop = false;
    driver.Expect(IDD_PLAIN, [&](CDialog& dialog) {
        visibleInLoop = ::IsWindowVisible(dialog.m_hWnd) != FALSE;
        dialog.EndDialog(4321);
    });
    PlainDialog dialog;
    EXPECT_EQ(4321, dialog.DoModal());
    EXPECT_EQ(1, dialog.initCount);
    EXPECT_TRUE(dialog.editExistedAtInit);
    EXPECT_TRUE(visibleInLoop);
    EXPECT_EQ(nullptr, dialog.m_hWnd);
    EXPECT_EQ(0u, driver.Pending());
    EXPECT_TRUE(driver.Unexpected().empty());

    // The object can run again.
    driver.Expect(IDD_PLAIN, [](CDialog& again) { again.EndDialog(IDOK); });
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(2, dialog.initCount);
}

TEST(Dialog, ButtonsKeysAndTheCloseBoxEndTheDialog)
{
    struct Case {
        const char* what;
        std::function<void(CDialog&, KeyboardUser&)> act;
        INT_PTR expected;
    };
    const Case cases[] = {
        {"OK button", [](CDialog& d, KeyboardUser&) { ClickButton(d.m_hWnd, IDOK); }, IDOK},
        {"Cancel button", [](CDialog& d, KeyboardUser&) { ClickButton(d.m_hWnd, IDCANCEL); }, IDCANCEL},
        {"Escape", [](CDialog& d, KeyboardUser& user) { user.Press(VK_ESCAPE).Start(d.m_hWnd); }, IDCANCEL},
        {"Enter", [](CDialog& d, KeyboardUser& user) { user.Press(VK_RETURN).Start(d.m_hWnd); }, IDOK},
        {"close box",
         [](CDialog& d, KeyboardUser&) { ::PostMessageA(d.m_hWnd, WM_SYSCOMMAND, SC_CLOSE, 0); }, IDCANCEL},
    };
    for (const Case& c : cases) {
        KeyboardUser user;
        ModalDialogDriver driver;
        driver.Expect(IDD_PLAIN, [&](CDialog& d) { c.act(d, user); });
        PlainDialog dialog;
        EXPECT_EQ(c.expected, dialog.DoModal()) << c.what;
    }
}

TEST(Dialog, DialogThatCannotBeCreatedGivesMinusOne)
{
    ModalDialogDriver driver;
    PlainDialog missing(nullptr, IDD_MISSING);
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_EQ(0, missing.initCount);

    // A control of an unknown class makes the system refuse the dialog.
    PlainDialog broken(nullptr, IDD_BROKEN);
    EXPECT_EQ(-1, broken.DoModal());
    EXPECT_EQ(nullptr, broken.m_hWnd);

    PlainDialog noTemplate(nullptr, 0);
    EXPECT_EQ(-1, noTemplate.DoModal());
    EXPECT_TRUE(driver.Shown().empty());
}

TEST(Dialog, EndingOrFailingDuringInitialisationSkipsTheLoop)
{
    ModalDialogDriver driver;
    PlainDialog ended;
    ended.endDuringInit = 77;
    EXPECT_EQ(77, ended.DoModal());

    PlainDialog failed;
    failed.throwDuringInit = true;
    EXPECT_EQ(-1, failed.DoModal());
    EXPECT_EQ(nullptr, failed.m_hWnd);
    EXPECT_TRUE(driver.Shown().empty());
}

TEST(Dialog, DialogDestroyedFromOutsideEndsItsLoop)
{
    ModalDialogDriver driver;
    driver.Expect(IDD_PLAIN, [](CDialog& dialog) { ::DestroyWindow(dialog.m_hWnd); });
    PlainDialog dialog;
    EXPECT_EQ(-1, dialog.DoModal());
    EXPECT_EQ(nullptr, dialog.m_hWnd);
}

TEST(Dialog, OwnerWaitsWhileTheDialogRuns)
{
    TopWindow owner;
    ModalDialogDriver driver;
    bool ownerEnabledInLoop = true;
    HWND ownerOfDialog = nullptr;
    driver.Expect(IDD_PLAIN, [&](CDialog& dialog) {
        ownerEnabledInLoop = ::IsWindowEnabled(owner.m_hWnd) != FALSE;
        ownerOfDialog = ::GetWindow(dialog.m_hWnd, GW_OWNER);
        dialog.EndDialog(IDOK);
    });
    PlainDialog dialog(&owner);
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_FALSE(ownerEnabledInLoop);
    EXPECT_EQ(owner.m_hWnd, ownerOfDialog);
    EXPECT_TRUE(::IsWindowEnabled(owner.m_hWnd));
}

TEST(Dialog, DialogWithoutOwnerMakesTheOtherWindowsWaitAndIsCentred)
{
    TopWindow visible;
    TopWindow hidden(false);
    ModalDialogDriver driver;
    bool visibleEnabledInLoop = true;
    bool hiddenEnabledInLoop = false;
    RECT frame{};
    driver.Expect(IDD_PLAIN, [&](CDialog& dialog) {
        visibleEnabledInLoop = ::IsWindowEnabled(visible.m_hWnd) != FALSE;
        hiddenEnabledInLoop = ::IsWindowEnabled(hidden.m_hWnd) != FALSE;
        dialog.GetWindowRect(&frame);
        dialog.EndDialog(IDOK);
    });
    // The active window lies under another one; the system alone would
    // activate the upper one after the dialog.
    ::SetActiveWindow(visible.m_hWnd);
    TopWindow above(false);
    above.SetWindowPos(&CWnd::wndTop, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
    ASSERT_EQ(visible.m_hWnd, ::GetActiveWindow());
    PlainDialog dialog;
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(visible.m_hWnd, ::GetActiveWindow());
    EXPECT_FALSE(visibleEnabledInLoop);
    // A hidden window (such as the tray window) keeps getting its input.
    EXPECT_TRUE(hiddenEnabledInLoop);
    EXPECT_TRUE(::IsWindowEnabled(visible.m_hWnd));

    RECT work{};
    ASSERT_TRUE(::SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    EXPECT_NEAR((work.left + work.right) / 2, (frame.left + frame.right) / 2, 1);
    EXPECT_NEAR((work.top + work.bottom) / 2, (frame.top + frame.bottom) / 2, 1);
}

TEST(Dialog, TemplateThatIsVisibleAlreadyIsShownOnce)
{
    ModalDialogDriver driver;
    bool visibleInLoop = false;
    driver.Expect(IDD_VISIBLE, [&](CDialog& dialog) {
        visibleInLoop = ::IsWindowVisible(dialog.m_hWnd) != FALSE;
        ClickButton(dialog.m_hWnd, IDOK);
    });
    CDialog dialog(IDD_VISIBLE);
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_TRUE(visibleInLoop);
}

TEST(Dialog, NotificationResultReachesTheSender)
{
    ModalDialogDriver driver;
    LRESULT handled = 0;
    LRESULT unhandled = -1;
    RECT mapped{0, 0, 4, 8};
    driver.Expect(IDD_PLAIN, [&](CDialog& dialog) {
        NMHDR click{dialog.GetDlgItem(IDC_EDIT).m_hWnd, IDC_EDIT, static_cast<UINT>(NM_CLICK)};
        handled = dialog.SendMessage(WM_NOTIFY, IDC_EDIT, reinterpret_cast<LPARAM>(&click));
        NMHDR other{click.hwndFrom, IDC_EDIT, static_cast<UINT>(NM_DBLCLK)};
        unhandled = dialog.SendMessage(WM_NOTIFY, IDC_EDIT, reinterpret_cast<LPARAM>(&other));
        dialog.MapDialogRect(&mapped);
        dialog.EndDialog(IDOK);
    });
    PlainDialog dialog;
    EXPECT_EQ(IDOK, dialog.DoModal());
    EXPECT_EQ(1234, handled);
    EXPECT_EQ(0, unhandled);
    // Dialog units became pixels of the dialog's font.
    EXPECT_GT(mapped.right, 0);
    EXPECT_GT(mapped.bottom, mapped.right);
}

TEST(Dialog, NestedModalLoopsAndMessageBoxesInsideADialog)
{
    ModalDialogDriver driver;
    test_support::MessageBoxRecorder boxes(IDYES);
    INT_PTR innerResult = 0;
    int boxAnswer = 0;
    PlainDialog outer;
    outer.onNested = [&](PlainDialog& self) {
        PlainDialog inner;
        innerResult = inner.DoModal();
        boxAnswer = self.MessageBox("Inside", "Caption", MB_YESNO);
        self.EndDialog(IDOK);
    };
    // The outer dialog's click arrives through its running loop, so the
    // inner loop runs nested inside it.
    driver.Expect(IDD_PLAIN, [](CDialog& dialog) { ::PostMessageA(dialog.m_hWnd, WM_COMMAND, MAKEWPARAM(IDC_NESTED, BN_CLICKED), 0); });
    driver.Expect(IDD_PLAIN, [](CDialog& dialog) { dialog.EndDialog(7); });

    EXPECT_EQ(IDOK, outer.DoModal());
    EXPECT_EQ(7, innerResult);
    EXPECT_EQ(IDYES, boxAnswer);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("Inside", boxes.Boxes()[0].text);
    EXPECT_EQ("Caption", boxes.Boxes()[0].caption);
    EXPECT_NE(nullptr, boxes.Boxes()[0].owner);
    EXPECT_EQ(2u, driver.Shown().size());
}

TEST(Dialog, ModelessPageIsCreatedHiddenWithItsInitialisation)
{
    TopWindow parent;
    Page page;
    ASSERT_TRUE(page.Create(IDD_PAGE, &parent));
    EXPECT_EQ(1, page.initCount);
    EXPECT_FALSE(page.visibleAtInit);
    EXPECT_FALSE(::IsWindowVisible(page.m_hWnd));
    EXPECT_EQ(IDD_PAGE, page.GetTemplateId());
    EXPECT_EQ(parent.m_hWnd, ::GetParent(page.m_hWnd));
    EXPECT_NE(nullptr, page.GetDlgItem(IDC_PAGE_EDIT).m_hWnd);
    // A second window for the same object is refused.
    EXPECT_FALSE(page.Create(IDD_PAGE, &parent));

    // Ending a page is no business of a page: it stays as it is.
    page.ShowWindow(SW_SHOW);
    page.EndDialog(IDCANCEL);
    EXPECT_TRUE(::IsWindowVisible(page.m_hWnd));

    parent.DestroyWindow();
    EXPECT_EQ(nullptr, page.m_hWnd);
}

TEST(Dialog, PageObjectEndingFirstTakesItsWindowAlong)
{
    TopWindow parent;
    HWND window = nullptr;
    {
        Page page;
        ASSERT_TRUE(page.Create(IDD_PAGE, &parent));
        window = page.m_hWnd;
    }
    EXPECT_FALSE(::IsWindow(window));
    EXPECT_EQ(nullptr, ::GetWindow(parent.m_hWnd, GW_CHILD));
}

TEST(Dialog, PageMadeDuringTheFramesInitialisationGoesWithTheFrame)
{
    ModalDialogDriver driver;
    HWND pageParent = nullptr;
    HWND frameWindow = nullptr;
    bool pageVisible = false;
    FrameDialog frame;
    KeyboardUser user;
    driver.Expect(IDD_PLAIN, [&](CDialog& dialog) {
        frameWindow = dialog.m_hWnd;
        pageParent = ::GetParent(frame.page.m_hWnd);
        pageVisible = ::IsWindowVisible(frame.page.m_hWnd) != FALSE;
        user.Press(VK_ESCAPE).Start(dialog.m_hWnd);
    });
    EXPECT_EQ(IDCANCEL, frame.DoModal());
    EXPECT_TRUE(frame.createResult);
    EXPECT_EQ(frameWindow, pageParent);
    EXPECT_TRUE(pageVisible);
    EXPECT_EQ(1, frame.page.initCount);
    EXPECT_EQ(nullptr, frame.page.m_hWnd);
}

} // namespace
