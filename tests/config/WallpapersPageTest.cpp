// The Wallpapers page as a modeless page in a window of the test, driven
// through its controls' messages as a user's clicks would drive it; checked
// on the rows, the radio buttons, the Test button and the set together.
#include "config/WallpapersPage.h"
#include "framework/core/CodePage.h"
#include "framework/ui/CFileDialog.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "tests/support/Pages.h"
#include "wallpapers/WallpaperSet.h"

#include <commctrl.h>
#include <commdlg.h>
#include <dlgs.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using test_support::CheckedOf;
using test_support::ClickButton;
using test_support::Row;
using test_support::Rows;
using test_support::SelectRows;

constexpr int none = -1;

class WallpapersPageTest : public testing::Test {
protected:
    std::int32_t Add(const char* path, std::int32_t showState, std::int32_t priority)
    {
        std::int32_t id = 0;
        EXPECT_TRUE(set.Add(WallpaperEntry{path, showState, priority}, &id));
        return id;
    }

    void Open()
    {
        ASSERT_TRUE(page.CreatePage(&parent));
        page.ShowWindow(SW_SHOW);
        list = page.GetDlgItem(IDC_WALLPAPER_LIST);
        ASSERT_NE(nullptr, list);
    }

    void Click(int id) { ClickButton(page.m_hWnd, id); }
    int CheckedShowState() const { return CheckedOf(page.m_hWnd, IDC_TILED); }
    int CheckedPriority() const { return CheckedOf(page.m_hWnd, IDC_LOW); }
    bool TestEnabled() const { return ::IsWindowEnabled(page.GetDlgItem(IDC_TEST).m_hWnd) != FALSE; }

    WallpaperEntry EntryOf(std::int32_t id)
    {
        WallpaperEntry entry{"<missing>", -100, -100};
        set.Get(id, entry);
        return entry;
    }

    test_support::PageParent parent;
    WallpaperSet set;
    WallpapersPage page{&set};
    HWND list = nullptr;
};

TEST_F(WallpapersPageTest, RowsShowTheSetSortedWithIdsImagesAndPriorityTexts)
{
    const auto b = Add("C:\\b.bmp", ShowState::Centered, Priority::High);
    const auto a = Add("C:\\a.bmp", ShowState::Tiled, Priority::Low);
    const auto noWallpaper = Add("", ShowState::None, Priority::Normal);
    // From a hand-edited profile: no image and no priority text.
    const auto odd = Add("C:\\c.bmp", 7, 9);
    const auto negative = Add("C:\\d.bmp", -1, -1);
    Open();

    EXPECT_EQ((std::vector<Row>{{"(none)", noWallpaper, 3, "Normal"},
                                {"C:\\a.bmp", a, 0, "Low"},
                                {"C:\\b.bmp", b, 1, "Hight"},
                                {"C:\\c.bmp", odd, 3, ""},
                                {"C:\\d.bmp", negative, 3, ""}}),
              Rows(list));
    EXPECT_EQ(ShowState::Tiled, CheckedShowState());
    EXPECT_EQ(Priority::Normal, CheckedPriority());
    EXPECT_FALSE(TestEnabled());

    char heading[64] = {};
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 0, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ("Wallpaper File", heading);
    ASSERT_TRUE(::SendMessageA(list, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ("Priority", heading);
}

TEST_F(WallpapersPageTest, RowsOfALongListComeInTheOrderTheControlSortsThemInto)
{
    // The page hands the rows over in an order of its own making; the rows
    // must end where the control puts them when given one by one in id
    // order, each with its own entry's id, image and priority.
    std::vector<std::string> texts;
    // "ä" in UTF-8, the program's code page.
    const char* const stems[] = {"C:\\Pictures\\", "C:\\pictures\\", "c:\\", "D:\\a b\\", "!", "\xC3\xA4", "_"};
    for (int i = 0; i < 400; ++i) {
        const int scrambled = (i * 149) % 400;
        texts.push_back(std::string(stems[scrambled % 7]) + (scrambled % 2 ? "Sea" : "sea") +
                        std::to_string(scrambled) + ".bmp");
    }
    texts.insert(texts.begin() + 123, "");
    std::vector<std::int32_t> ids;
    for (std::size_t i = 0; i < texts.size(); ++i)
        ids.push_back(Add(texts[i].c_str(), static_cast<std::int32_t>(i % 4), static_cast<std::int32_t>(i % 3)));
    Open();

    const HWND reference = ::CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT | LVS_SORTASCENDING, 0, 0,
                                             100, 100, parent.m_hWnd, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, reference);
    LVCOLUMNA column{};
    column.mask = LVCF_WIDTH;
    column.cx = 50;
    ::SendMessageA(reference, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    for (const std::string& text : texts) {
        LVITEMA item{};
        item.mask = LVIF_TEXT;
        item.pszText = const_cast<char*>(text.empty() ? "(none)" : text.c_str());
        ::SendMessageA(reference, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    }
    std::vector<std::string> expectedOrder;
    for (const Row& row : Rows(reference))
        expectedOrder.push_back(row.text);
    ::DestroyWindow(reference);

    const std::vector<Row> rows = Rows(list);
    ASSERT_EQ(texts.size(), rows.size());
    std::vector<std::string> order;
    for (const Row& row : rows) {
        order.push_back(row.text);
        const WallpaperEntry entry = EntryOf(static_cast<std::int32_t>(row.id));
        EXPECT_EQ(entry.path.IsEmpty() ? std::string("(none)") : entry.path.str(), row.text);
        EXPECT_EQ(entry.showState, row.image) << row;
        const char* const priorities[] = {"Low", "Normal", "Hight"};
        EXPECT_EQ(priorities[entry.priority], row.priority) << row;
    }
    EXPECT_EQ(expectedOrder, order);
}

TEST_F(WallpapersPageTest, RadioButtonsShowWhatTheSelectedRowsShare)
{
    // A relative path (from a hand-edited profile) sorts before "(none)",
    // so that "(none)" is met both first and after another row.
    Add("!c.bmp", ShowState::Centered, Priority::High);
    Add("", ShowState::None, Priority::High);
    Add("C:\\a.bmp", ShowState::Tiled, Priority::Low);
    Add("C:\\b.bmp", ShowState::Stretched, Priority::Low);
    Open();
    ASSERT_EQ("!c.bmp", Rows(list)[0].text);
    ASSERT_EQ("(none)", Rows(list)[1].text);
    // Each step ends with the list's own notifications for the rows that
    // left and joined the selection, so only its final selection counts.
    struct Step {
        const char* what;
        int clickFirst;
        std::initializer_list<int> rows;
        int showState;
        int priority;
        bool testEnabled;
    };
    const Step steps[] = {
        {"one row", 0, {2}, ShowState::Tiled, Priority::Low, true},
        {"show states differ", 0, {2, 3}, none, Priority::Low, false},
        {"(none) after Centered", 0, {0, 1}, ShowState::Centered, Priority::High, false},
        {"(none) before Tiled", 0, {1, 2}, ShowState::Tiled, none, false},
        {"both differ", 0, {0, 1, 2}, none, none, false},
        {"one row again", 0, {3}, ShowState::Stretched, Priority::Low, true},
        {"nothing selected keeps both groups", 0, {}, ShowState::Stretched, Priority::Low, false},
        // Chosen with nothing selected, so that no row could have checked it.
        {"(none) alone keeps the show state", IDC_CENTERED, {1}, ShowState::Centered, Priority::High, true},
    };
    for (const Step& step : steps) {
        if (step.clickFirst)
            Click(step.clickFirst);
        SelectRows(list, step.rows);
        EXPECT_EQ(step.showState, CheckedShowState()) << step.what;
        EXPECT_EQ(step.priority, CheckedPriority()) << step.what;
        EXPECT_EQ(step.testEnabled, TestEnabled()) << step.what;
    }
}

TEST_F(WallpapersPageTest, RadioClicksChangeEverySelectedRowAndOnlyTheirOwnAttribute)
{
    const auto a = Add("C:\\a.bmp", ShowState::Tiled, Priority::Low);
    const auto b = Add("C:\\b.bmp", ShowState::Centered, Priority::Normal);
    const auto noWallpaper = Add("", ShowState::None, Priority::Low);
    const auto c = Add("C:\\c.bmp", ShowState::Tiled, Priority::Normal);
    Open();
    SelectRows(list, {0, 1, 2});
    ASSERT_EQ(none, CheckedShowState());
    ASSERT_EQ(none, CheckedPriority());

    Click(IDC_STRETCHED);
    EXPECT_EQ((std::vector<Row>{{"(none)", noWallpaper, 3, "Low"},
                                {"C:\\a.bmp", a, 2, "Low"},
                                {"C:\\b.bmp", b, 2, "Normal"},
                                {"C:\\c.bmp", c, 0, "Normal"}}),
              Rows(list));
    EXPECT_EQ((WallpaperEntry{"", ShowState::None, Priority::Low}), EntryOf(noWallpaper));
    EXPECT_EQ((WallpaperEntry{"C:\\b.bmp", ShowState::Stretched, Priority::Normal}), EntryOf(b));
    EXPECT_EQ(none, CheckedPriority());

    Click(IDC_HIGH);
    EXPECT_EQ((std::vector<Row>{{"(none)", noWallpaper, 3, "Hight"},
                                {"C:\\a.bmp", a, 2, "Hight"},
                                {"C:\\b.bmp", b, 2, "Hight"},
                                {"C:\\c.bmp", c, 0, "Normal"}}),
              Rows(list));
    EXPECT_EQ((WallpaperEntry{"", ShowState::None, Priority::High}), EntryOf(noWallpaper));
    EXPECT_EQ((WallpaperEntry{"C:\\a.bmp", ShowState::Stretched, Priority::High}), EntryOf(a));
    EXPECT_EQ(ShowState::Stretched, CheckedShowState());

    // With nothing selected a click only chooses for the next additions.
    SelectRows(list, {});
    const std::vector<Row> before = Rows(list);
    Click(IDC_LOW);
    Click(IDC_TILED);
    EXPECT_EQ(before, Rows(list));
    EXPECT_EQ((WallpaperEntry{"C:\\c.bmp", ShowState::Tiled, Priority::Normal}), EntryOf(c));
    EXPECT_EQ(Priority::Low, CheckedPriority());
}

TEST_F(WallpapersPageTest, SelectionStaysVisibleAsDropHighlightWhileTheListHasNoFocus)
{
    Add("C:\\a.bmp", ShowState::Tiled, Priority::Low);
    Add("C:\\b.bmp", ShowState::Tiled, Priority::Low);
    Add("C:\\c.bmp", ShowState::Tiled, Priority::Low);
    Open();
    SelectRows(list, {0, 2});
    ::SetFocus(list);
    ASSERT_EQ(list, ::GetFocus());

    // A push button: an unchecked radio button would click itself on focus.
    ::SetFocus(page.GetDlgItem(IDC_ADD_FILES));
    for (int row : {0, 1, 2}) {
        const UINT expected = row == 1 ? 0 : LVIS_SELECTED | LVIS_DROPHILITED;
        EXPECT_EQ(expected, test_support::RowState(list, row, LVIS_SELECTED | LVIS_DROPHILITED)) << row;
    }

    ::SetFocus(list);
    for (int row : {0, 1, 2}) {
        const UINT expected = row == 1 ? 0 : LVIS_SELECTED;
        EXPECT_EQ(expected, test_support::RowState(list, row, LVIS_SELECTED | LVIS_DROPHILITED)) << row;
    }
}

TEST_F(WallpapersPageTest, AddNoneKeepsOneNoWallpaperRowWithTheCheckedPriority)
{
    Open();
    Click(IDC_HIGH);
    Click(IDC_ADD_NONE);
    const std::vector<Row> rows = Rows(list);
    ASSERT_EQ(1u, rows.size());
    EXPECT_EQ((Row{"(none)", rows[0].id, 3, "Hight"}), rows[0]);

    Click(IDC_LOW);
    Click(IDC_ADD_NONE);
    EXPECT_EQ((std::vector<Row>{{"(none)", rows[0].id, 3, "Low"}}), Rows(list));
    EXPECT_EQ(1, set.GetCount());
    EXPECT_EQ((WallpaperEntry{"", ShowState::None, Priority::Low}), EntryOf(static_cast<std::int32_t>(rows[0].id)));
}

// Answers the file dialog as a user would: the names typed into the file
// name field, then Open.
class FileChooser {
public:
    explicit FileChooser(std::string typed)
        : typed(std::move(typed)), hook([this](HWND fileDialog) { Choose(fileDialog); })
    {
    }
    int calls = 0;
    std::string title;
    std::vector<std::string> filters;
    std::string nameAtStart = "<not read>";

private:
    void Choose(HWND fileDialog)
    {
        ++calls;
        title = test_support::TextOf(fileDialog);
        const HWND filterBox = ::GetDlgItem(fileDialog, cmb1);
        const int count = static_cast<int>(::SendMessageA(filterBox, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[256] = {};
            ::SendMessageA(filterBox, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            filters.push_back(text);
        }
        // The dialog is the system's UTF-16 form, which gives and takes its
        // texts so.
        wchar_t name[MAX_PATH] = {};
        ::SendMessageW(fileDialog, CDM_GETSPEC, MAX_PATH, reinterpret_cast<LPARAM>(name));
        nameAtStart = NarrowExact(name).value_or("<unspellable>");
        if (typed.empty()) {
            ::PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        const std::wstring wide = Widen(typed);
        ::SendMessageW(fileDialog, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(wide.c_str()));
        ::PostMessageA(fileDialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    }

    std::string typed;
    ScopedFileDialogHook hook;
};

bool SamePath(const std::string& expected, const std::string& actual)
{
    return lstrcmpiA(expected.c_str(), actual.c_str()) == 0;
}

TEST_F(WallpapersPageTest, AddFilesAddsNewRowsAndGivesExistingOnesTheCheckedAttributes)
{
    test_support::BitmapFolder folder;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp", "d.bmp"})
        folder.Add(name);
    test_support::CurrentDirectory inFolder(folder.Path());
    const auto noWallpaper = Add("", ShowState::None, Priority::Low);
    Open();

    Click(IDC_CENTERED);
    Click(IDC_LOW);
    {
        FileChooser chooser("\"c.bmp\" \"a.bmp\" \"b.bmp\"");
        Click(IDC_ADD_FILES);
        EXPECT_EQ(1, chooser.calls);
        EXPECT_EQ("Select Wallpaper Files", chooser.title);
        EXPECT_EQ(std::vector<std::string>{"Bitmaps (*.bmp)"}, chooser.filters);
        EXPECT_EQ("", chooser.nameAtStart);
    }
    std::vector<Row> rows = Rows(list);
    ASSERT_EQ(4u, rows.size());
    EXPECT_EQ((Row{"(none)", noWallpaper, 3, "Low"}), rows[0]);
    const char* names[] = {"a.bmp", "b.bmp", "c.bmp"};
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_TRUE(SamePath(folder.Path() + "\\" + names[i - 1], rows[i].text)) << rows[i];
        EXPECT_GT(rows[i].id, noWallpaper);
        EXPECT_EQ(ShowState::Centered, rows[i].image);
        EXPECT_EQ("Low", rows[i].priority);
        EXPECT_EQ((WallpaperEntry{rows[i].text.c_str(), ShowState::Centered, Priority::Low}),
                  EntryOf(static_cast<std::int32_t>(rows[i].id)));
    }
    const Row b = rows[2];

    // b becomes Stretched and High; selected with c the two differ in both.
    SelectRows(list, {2});
    Click(IDC_STRETCHED);
    Click(IDC_HIGH);
    SelectRows(list, {2, 3});
    ASSERT_EQ(none, CheckedShowState());
    ASSERT_EQ(none, CheckedPriority());
    {
        // Names as the dialog's name field takes them, and the earlier use
        // leaves no name behind.
        FileChooser chooser("\"b.bmp\" \"d.bmp\"");
        Click(IDC_ADD_FILES);
        EXPECT_EQ("", chooser.nameAtStart);
    }
    rows = Rows(list);
    ASSERT_EQ(5u, rows.size());
    EXPECT_EQ((Row{b.text, b.id, ShowState::Tiled, "Normal"}), rows[2]);
    EXPECT_TRUE(SamePath(folder.Path() + "\\d.bmp", rows[4].text)) << rows[4];
    EXPECT_EQ(ShowState::Tiled, rows[4].image);
    EXPECT_EQ("Normal", rows[4].priority);
    EXPECT_EQ(5, set.GetCount());

    // Cancel adds nothing.
    {
        FileChooser chooser("");
        Click(IDC_ADD_FILES);
        EXPECT_EQ(1, chooser.calls);
    }
    EXPECT_EQ(rows, Rows(list));
}

TEST_F(WallpapersPageTest, RemoveTakesExactlyTheSelectedRowsAndEmptyListTakesAll)
{
    const auto a = Add("C:\\a.bmp", ShowState::Tiled, Priority::Low);
    const auto b = Add("C:\\b.bmp", ShowState::Centered, Priority::Normal);
    const auto c = Add("C:\\c.bmp", ShowState::Stretched, Priority::High);
    const auto d = Add("C:\\d.bmp", ShowState::Tiled, Priority::High);
    Open();

    SelectRows(list, {0, 2});
    Click(IDC_REMOVE_FILES);
    EXPECT_EQ((std::vector<Row>{{"C:\\b.bmp", b, 1, "Normal"}, {"C:\\d.bmp", d, 0, "Hight"}}), Rows(list));
    EXPECT_EQ(2, set.GetCount());
    EXPECT_EQ("<missing>", EntryOf(a).path);
    EXPECT_EQ("<missing>", EntryOf(c).path);
    EXPECT_FALSE(TestEnabled());

    SelectRows(list, {1});
    EXPECT_TRUE(TestEnabled());
    Click(IDC_EMPTY_LIST);
    EXPECT_TRUE(Rows(list).empty());
    EXPECT_EQ(0, set.GetCount());
    EXPECT_FALSE(TestEnabled());
    // The buttons keep what they showed, and ids are never given twice.
    EXPECT_EQ(ShowState::Tiled, CheckedShowState());
    EXPECT_EQ(Priority::High, CheckedPriority());
    Click(IDC_ADD_NONE);
    ASSERT_EQ(1u, Rows(list).size());
    EXPECT_GT(Rows(list)[0].id, d);
    EXPECT_EQ("Hight", Rows(list)[0].priority);
}

TEST_F(WallpapersPageTest, TestMakesTheSelectedEntryTheDesktopWallpaperAtOnce)
{
    test_support::SavedDesktopSettings restore;
    test_support::MessageBoxRecorder boxes;
    test_support::BitmapFolder folder;
    const std::string sea = folder.Add("sea.bmp");
    Add(sea.c_str(), ShowState::Stretched, Priority::Normal);
    Add("", ShowState::None, Priority::Normal);
    Open();
    const std::vector<Row> rows = Rows(list);

    SelectRows(list, {1});
    ASSERT_TRUE(TestEnabled());
    Click(IDC_TEST);
    EXPECT_EQ(sea, test_support::AppliedWallpaper());
    EXPECT_EQ("0", test_support::DesktopValue("TileWallpaper"));
    EXPECT_EQ("2", test_support::DesktopValue("WallpaperStyle"));

    // "(none)" takes the bitmap off the desktop.
    SelectRows(list, {0});
    Click(IDC_TEST);
    EXPECT_EQ("", test_support::AppliedWallpaper());

    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_EQ(rows, Rows(list));
    EXPECT_EQ(2, set.GetCount());
}

TEST_F(WallpapersPageTest, AboutOpensTheAboutBoxOwnedByNoWindow)
{
    Open();
    test_support::ModalDialogDriver driver;
    HWND owner = reinterpret_cast<HWND>(1);
    std::string caption;
    driver.Expect(IDD_ABOUT, [&](CDialog& about) {
        owner = ::GetWindow(about.m_hWnd, GW_OWNER);
        caption = test_support::TextOf(about.m_hWnd);
        ClickButton(about.m_hWnd, IDOK);
    });
    Click(IDC_ABOUT);
    EXPECT_EQ(0u, driver.Pending());
    EXPECT_EQ(nullptr, owner);
    EXPECT_EQ("About Vistero", caption);
    EXPECT_TRUE(::IsWindowEnabled(parent.m_hWnd));
}

} // namespace
