// The Options page as a modeless page in a window of the test: what it shows
// of the set, the check of its fields on OK with the message for the first
// bad one, the interval's check box and the up-down steps.
#include "config/OptionsPage.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "tests/support/Pages.h"
#include "wallpapers/WallpaperSet.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using test_support::ClickButton;

struct Options {
    std::int32_t low;
    std::int32_t normal;
    std::int32_t high;
    std::int32_t interval;
};

// A page on a set with the given options, shown in a window of its own.
class OpenPage {
public:
    explicit OpenPage(const Options& options)
    {
        // SetFrequency would adjust nothing here: every value is at least 1.
        set.SetFrequency(Priority::Low, options.low);
        set.SetFrequency(Priority::Normal, options.normal);
        set.SetFrequency(Priority::High, options.high);
        set.SetChangeInterval(options.interval);
        EXPECT_TRUE(page.CreatePage(&parent));
        page.ShowWindow(SW_SHOW);
    }

    HWND Field(int id) const { return page.GetDlgItem(id); }
    std::string Text(int id) const { return test_support::TextOf(Field(id)); }
    void Type(int id, const char* text) const { ::SendMessageA(Field(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)); }
    bool Checked() const { return ::SendMessageA(Field(IDC_INTERVAL_CHECK), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    Options Stored() const
    {
        return {set.GetFrequency(Priority::Low), set.GetFrequency(Priority::Normal),
                set.GetFrequency(Priority::High), set.GetChangeInterval()};
    }
    // Whether the field has the focus with all of its text selected.
    bool FocusedAndSelected(int id) const
    {
        DWORD start = 1;
        DWORD end = 0;
        ::SendMessageA(Field(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return ::GetFocus() == Field(id) && start == 0 && end == Text(id).size();
    }

    test_support::PageParent parent;
    WallpaperSet set;
    OptionsPage page{&set};
};

bool operator==(const Options& a, const Options& b)
{
    return a.low == b.low && a.normal == b.normal && a.high == b.high && a.interval == b.interval;
}

std::ostream& operator<<(std::ostream& out, const Options& o)
{
    return out << '{' << o.low << ", " << o.normal << ", " << o.high << ", " << o.interval << '}';
}

TEST(OptionsPage, ShowsTheFrequenciesAsPercentagesOfNormalAndTheInterval)
{
    struct Case {
        Options options;
        const char* low;
        const char* high;
        const char* interval;
    };
    const Case cases[] = {
        {{1, 2, 4, 0}, "50", "200", ""},
        // Truncated, not rounded.
        {{1, 3, 4, 15}, "33", "133", "15"},
        // Outside the ranges: shown as they are, for OK to reject.
        {{5, 2, 1, 120}, "250", "50", "120"},
        // Hand-edited frequencies whose product with 100 leaves 32 bits.
        {{INT_MAX, 1, INT_MAX / 50, 0}, "2147483647", "2147483647", ""},
        {{1, INT_MAX, 1, 0}, "0", "0", ""},
    };
    for (const Case& c : cases) {
        OpenPage open(c.options);
        EXPECT_EQ(c.low, open.Text(IDC_LOW_FREQUENCY)) << c.options;
        EXPECT_EQ(c.high, open.Text(IDC_HIGH_FREQUENCY)) << c.options;
        EXPECT_EQ(c.interval, open.Text(IDC_INTERVAL)) << c.options;
        const bool timed = c.options.interval != 0;
        EXPECT_EQ(timed, open.Checked()) << c.options;
        EXPECT_EQ(timed, ::IsWindowEnabled(open.Field(IDC_INTERVAL)) != FALSE) << c.options;
        EXPECT_TRUE(::IsWindowEnabled(open.Field(IDC_INTERVAL_SPIN))) << c.options;
        // Nothing is stored before OK.
        EXPECT_EQ(c.options, open.Stored());
    }
}

TEST(OptionsPage, OkStoresEveryFieldOrNothingAndNamesTheFirstBadOne)
{
    const Options before{3, 5, 7, 9};
    const std::string lowMessage = "Please enter a number between 10 and 100.";
    const std::string highMessage = "Please enter a number between 100 and 1000.";
    const std::string intervalMessage = "Please enter a number between 1 and 120.";
    struct Case {
        const char* low;
        const char* high;
        bool timed;
        const char* interval;
        int badField;  // 0 when all are good
        const std::string* message;
        Options stored;
    };
    const Case cases[] = {
        {"10", "100", true, "1", 0, nullptr, {10, 100, 100, 1}},
        {"100", "1000", true, "120", 0, nullptr, {100, 100, 1000, 120}},
        // A cleared check box stores 0, whatever the field holds.
        {"50", "200", false, "nonsense", 0, nullptr, {50, 100, 200, 0}},
        {"9", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        {"101", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        {"", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        {"-50", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        {"fifty", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        // Read unsigned, this is 0xFFFFFFFF: -1 when compared, not huge.
        {"4294967295", "200", true, "30", IDC_LOW_FREQUENCY, &lowMessage, before},
        {"50", "99", true, "30", IDC_HIGH_FREQUENCY, &highMessage, before},
        {"50", "1001", true, "30", IDC_HIGH_FREQUENCY, &highMessage, before},
        {"50", "200", true, "0", IDC_INTERVAL, &intervalMessage, before},
        {"50", "200", true, "121", IDC_INTERVAL, &intervalMessage, before},
        {"50", "200", true, "", IDC_INTERVAL, &intervalMessage, before},
        // Only the first bad field is looked at.
        {"5", "2000", true, "500", IDC_LOW_FREQUENCY, &lowMessage, before},
    };
    for (const Case& c : cases) {
        const std::string what = std::string(c.low) + " / " + c.high + " / " + (c.timed ? c.interval : "unticked");
        OpenPage open(before);
        open.Type(IDC_LOW_FREQUENCY, c.low);
        open.Type(IDC_HIGH_FREQUENCY, c.high);
        if (!c.timed)
            ClickButton(open.page.m_hWnd, IDC_INTERVAL_CHECK);
        open.Type(IDC_INTERVAL, c.interval);
        ASSERT_EQ(c.timed, open.Checked());

        test_support::MessageBoxRecorder boxes;
        EXPECT_EQ(c.badField != 0 ? OptionsPage::Validation::Failed : OptionsPage::Validation::Applied,
                  open.page.ValidateAndApply())
            << what;
        EXPECT_EQ(c.stored, open.Stored()) << what;
        if (c.badField == 0) {
            EXPECT_TRUE(boxes.Boxes().empty()) << what;
            continue;
        }
        ASSERT_EQ(1u, boxes.Boxes().size()) << what;
        EXPECT_EQ(*c.message, boxes.Boxes()[0].text) << what;
        EXPECT_EQ("Vistero 1.1", boxes.Boxes()[0].caption) << what;
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION), boxes.Boxes()[0].type) << what;
        EXPECT_EQ(open.page.m_hWnd, boxes.Boxes()[0].owner) << what;
        EXPECT_TRUE(open.FocusedAndSelected(c.badField)) << what;
    }
}

TEST(OptionsPage, CheckBoxBringsBackExactlyTheTextTheFieldHeld)
{
    OpenPage open({1, 2, 4, 0});
    const HWND check = open.Field(IDC_INTERVAL_CHECK);
    ::SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_TRUE(open.Checked());
    EXPECT_EQ("30", open.Text(IDC_INTERVAL));
    EXPECT_TRUE(::IsWindowEnabled(open.Field(IDC_INTERVAL)));
    EXPECT_TRUE(open.FocusedAndSelected(IDC_INTERVAL));

    open.Type(IDC_INTERVAL, " 4x ");
    ::SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_FALSE(open.Checked());
    EXPECT_EQ("", open.Text(IDC_INTERVAL));
    EXPECT_FALSE(::IsWindowEnabled(open.Field(IDC_INTERVAL)));
    EXPECT_TRUE(::IsWindowEnabled(open.Field(IDC_INTERVAL_SPIN)));

    ::SendMessageA(check, BM_CLICK, 0, 0);
    EXPECT_EQ(" 4x ", open.Text(IDC_INTERVAL));
    EXPECT_TRUE(open.FocusedAndSelected(IDC_INTERVAL));
}

// One click on the upper or lower arrow of an up-down control.
void ClickArrow(HWND upDown, bool up)
{
    RECT client{};
    ::GetClientRect(upDown, &client);
    const LPARAM at = MAKELPARAM(client.right / 2, up ? client.bottom / 4 : client.bottom * 3 / 4);
    ::SendMessageA(upDown, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(upDown, WM_LBUTTONUP, 0, at);
}

TEST(OptionsPage, ArrowsStepByTheirAmountWithinTheRange)
{
    OpenPage open({1, 2, 4, 30});
    struct Case {
        int field;
        int upDown;
        const char* start;
        bool up;
        const char* result;
    };
    const Case cases[] = {
        {IDC_LOW_FREQUENCY, IDC_LOW_FREQUENCY_SPIN, "50", true, "60"},
        {IDC_LOW_FREQUENCY, IDC_LOW_FREQUENCY_SPIN, "100", true, "100"},
        {IDC_LOW_FREQUENCY, IDC_LOW_FREQUENCY_SPIN, "20", false, "10"},
        {IDC_HIGH_FREQUENCY, IDC_HIGH_FREQUENCY_SPIN, "950", true, "1000"},
        {IDC_HIGH_FREQUENCY, IDC_HIGH_FREQUENCY_SPIN, "150", false, "100"},
        {IDC_INTERVAL, IDC_INTERVAL_SPIN, "30", true, "40"},
        {IDC_INTERVAL, IDC_INTERVAL_SPIN, "120", true, "120"},
    };
    for (const Case& c : cases) {
        open.Type(c.field, c.start);
        ClickArrow(open.Field(c.upDown), c.up);
        EXPECT_EQ(c.result, open.Text(c.field)) << c.start << (c.up ? " up" : " down");
    }
    // 1000 has no thousands separator, so OK takes it.
    open.Type(IDC_LOW_FREQUENCY, "50");
    open.Type(IDC_HIGH_FREQUENCY, "950");
    open.Type(IDC_INTERVAL, "30");
    ClickArrow(open.Field(IDC_HIGH_FREQUENCY_SPIN), true);
    test_support::MessageBoxRecorder boxes;
    EXPECT_EQ(OptionsPage::Validation::Applied, open.page.ValidateAndApply());
    EXPECT_EQ((Options{50, 100, 1000, 30}), open.Stored());
}

} // namespace
