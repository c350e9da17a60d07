// Dispatch through the static message maps: each kind of entry reaches its
// handler with the right arguments and answers the sender; a derived class's
// entry wins over its base's, and a catch-all for commands takes only those
// no entry names; the rest goes to the default processing.
#include "framework/ui/CWnd.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

constexpr UINT WM_SUM = WM_APP + 1;
constexpr UINT WM_WORD_ONLY = WM_APP + 2;
constexpr UINT WM_NO_PARAMETERS = WM_APP + 3;
constexpr UINT WM_POINTER_RESULT = WM_APP + 4;
constexpr UINT ID_BASE_ONLY = 100;
constexpr UINT ID_SHARED = 101;
constexpr UINT ID_CHANGE = 102;
constexpr UINT ID_RANGE_FIRST = 200;
constexpr UINT ID_RANGE_LAST = 202;
constexpr UINT ID_NOTIFIER = 300;

class BaseWindow : public CWnd {
public:
    static const MessageMap messageMap;

    bool Create()
    {
        return CreateEx(0, AfxRegisterWndClass(0), "MessageMapTest", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr);
    }

    std::vector<std::string> calls;
    std::vector<UINT> rangeIds;
    UINT_PTR wordSeen = 0;
    NMHDR* headerSeen = nullptr;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    LRESULT OnSum(WPARAM a, LPARAM b)
    {
        calls.push_back("sum");
        return static_cast<LRESULT>(a) + b;
    }
    void OnWordOnly(UINT_PTR word)
    {
        calls.push_back("word");
        wordSeen = word;
    }
    void OnNoParameters() { calls.push_back("none"); }
    const char* OnPointerResult() { return "answer"; }
    void OnBaseOnly() { calls.push_back("base only"); }
    void OnShared() { calls.push_back("base shared"); }
    void OnChange() { calls.push_back("change"); }
    void OnRange(UINT id) { rangeIds.push_back(id); }
    void OnNotifier(NMHDR* header, LRESULT* result)
    {
        headerSeen = header;
        *result = 42;
    }
};

const MessageMap BaseWindow::messageMap = MessageMapFor<BaseWindow, CWnd,
    OnMessage<WM_SUM, &BaseWindow::OnSum>,
    OnMessage<WM_WORD_ONLY, &BaseWindow::OnWordOnly>,
    OnMessage<WM_NO_PARAMETERS, &BaseWindow::OnNoParameters>,
    OnMessage<WM_POINTER_RESULT, &BaseWindow::OnPointerResult>,
    OnCommand<ID_BASE_ONLY, &BaseWindow::OnBaseOnly>,
    OnCommand<ID_SHARED, &BaseWindow::OnShared>,
    OnCommand<ID_CHANGE, &BaseWindow::OnChange, EN_CHANGE>,
    OnCommandRange<ID_RANGE_FIRST, ID_RANGE_LAST, &BaseWindow::OnRange>,
    OnNotify<ID_NOTIFIER, NM_CLICK, &BaseWindow::OnNotifier>>;

class DerivedWindow : public BaseWindow {
public:
    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    void OnSharedHere() { calls.push_back("derived shared"); }
    // The notification's own structure in place of the bare header.
    void OnListNotify(NMLISTVIEW* notification, LRESULT* result) { *result = notification->iItem; }
    void OnOther(WPARAM command, LPARAM control)
    {
        calls.push_back("other " + std::to_string(LOWORD(command)) + "/" + std::to_string(HIWORD(command)) + "/"
                        + std::to_string(control));
    }
};

// The catch-all stands first, and still leaves every named command, the
// base's included, to its own entry.
const MessageMap DerivedWindow::messageMap = MessageMapFor<DerivedWindow, BaseWindow,
    OnOtherCommands<&DerivedWindow::OnOther>,
    OnCommand<ID_SHARED, &DerivedWindow::OnSharedHere>,
    OnNotify<ID_NOTIFIER, LVN_ITEMCHANGED, &DerivedWindow::OnListNotify>>;

LRESULT Command(const CWnd& window, UINT id, UINT code = BN_CLICKED)
{
    return window.SendMessage(WM_COMMAND, MAKEWPARAM(id, code), 0);
}

TEST(MessageMap, WindowMessageHandlersGetTheirParametersAndAnswer)
{
    BaseWindow window;
    ASSERT_TRUE(window.Create());

    EXPECT_EQ(7, window.SendMessage(WM_SUM, 3, 4));
    EXPECT_EQ(0, window.SendMessage(WM_WORD_ONLY, 0x12345, 99));
    EXPECT_EQ(0x12345u, window.wordSeen);
    EXPECT_EQ(0, window.SendMessage(WM_NO_PARAMETERS));
    EXPECT_STREQ("answer", reinterpret_cast<const char*>(window.SendMessage(WM_POINTER_RESULT)));
    EXPECT_EQ((std::vector<std::string>{"sum", "word", "none"}), window.calls);
}

TEST(MessageMap, CommandsMatchIdAndNotificationCode)
{
    BaseWindow window;
    ASSERT_TRUE(window.Create());

    Command(window, ID_BASE_ONLY);
    // Same id, another notification: not this entry's.
    Command(window, ID_BASE_ONLY, BN_DOUBLECLICKED);
    Command(window, ID_CHANGE, EN_CHANGE);
    Command(window, ID_CHANGE, BN_CLICKED);
    // A menu item's command carries code 0, like BN_CLICKED.
    window.SendMessage(WM_COMMAND, ID_BASE_ONLY, 0);
    EXPECT_EQ((std::vector<std::string>{"base only", "change", "base only"}), window.calls);
}

TEST(MessageMap, RangeHandlerGetsTheIdOfEachMemberOnly)
{
    BaseWindow window;
    ASSERT_TRUE(window.Create());

    for (UINT id = ID_RANGE_FIRST - 1; id <= ID_RANGE_LAST + 1; ++id)
        Command(window, id);
    EXPECT_EQ((std::vector<UINT>{200, 201, 202}), window.rangeIds);
}

TEST(MessageMap, NotificationHandlerGetsTheHeaderAndSetsTheResult)
{
    BaseWindow window;
    ASSERT_TRUE(window.Create());

    NMHDR header{window.m_hWnd, ID_NOTIFIER, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(42, window.SendMessage(WM_NOTIFY, ID_NOTIFIER, reinterpret_cast<LPARAM>(&header)));
    EXPECT_EQ(&header, window.headerSeen);

    window.headerSeen = nullptr;
    NMHDR otherCode{window.m_hWnd, ID_NOTIFIER, static_cast<UINT>(NM_DBLCLK)};
    NMHDR otherControl{window.m_hWnd, ID_NOTIFIER + 1, static_cast<UINT>(NM_CLICK)};
    EXPECT_EQ(0, window.SendMessage(WM_NOTIFY, ID_NOTIFIER, reinterpret_cast<LPARAM>(&otherCode)));
    EXPECT_EQ(0, window.SendMessage(WM_NOTIFY, ID_NOTIFIER + 1, reinterpret_cast<LPARAM>(&otherControl)));
    EXPECT_EQ(nullptr, window.headerSeen);
}

TEST(MessageMap, DerivedEntryWinsAndBaseEntriesStillServe)
{
    DerivedWindow window;
    ASSERT_TRUE(window.Create());

    Command(window, ID_SHARED);
    Command(window, ID_BASE_ONLY);
    EXPECT_EQ(5, window.SendMessage(WM_SUM, 2, 3));
    // The base's range, then commands that no entry names, with what they carry.
    Command(window, ID_RANGE_FIRST);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(ID_BASE_ONLY, BN_DOUBLECLICKED), 7);
    window.SendMessage(WM_COMMAND, MAKEWPARAM(999, 0), 8);
    EXPECT_EQ((std::vector<std::string>{"derived shared", "base only", "sum", "other 100/5/7", "other 999/0/8"}),
              window.calls);
    EXPECT_EQ((std::vector<UINT>{ID_RANGE_FIRST}), window.rangeIds);

    NMLISTVIEW change{};
    change.hdr = NMHDR{window.m_hWnd, ID_NOTIFIER, static_cast<UINT>(LVN_ITEMCHANGED)};
    change.iItem = 9;
    EXPECT_EQ(9, window.SendMessage(WM_NOTIFY, ID_NOTIFIER, reinterpret_cast<LPARAM>(&change)));
}

TEST(MessageMap, UnhandledMessagesReachTheDefaultProcedure)
{
    BaseWindow window;
    ASSERT_TRUE(window.Create());

    window.SendMessage(WM_SETTEXT, 0, reinterpret_cast<LPARAM>("set by default"));
    CString text;
    window.GetWindowText(text);
    EXPECT_EQ("set by default", text);
    EXPECT_TRUE(window.calls.empty());
}

} // namespace
