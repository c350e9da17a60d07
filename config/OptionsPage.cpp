#include "config/OptionsPage.h"

#include "res/resource.h"
#include "wallpapers/WallpaperSet.h"

#include <commctrl.h>

#include <climits>
#include <cstdint>

namespace {

// The caption of the range message: the dialog's own title.
constexpr char messageCaption[] = "Vistero 1.1";
// What the interval field offers when the check box is first ticked.
constexpr int suggestedInterval = 30;

// A frequency as a percentage of the normal one, truncated. A hand-edited
// profile can hold frequencies up to INT_MAX, whose product with 100 does not
// fit 32 bits; the result is clamped to int instead, where it is still out of
// every range, so the next OK asks the user for a sensible number.
int Percentage(std::int32_t frequency, std::int32_t normal)
{
    // The set keeps every frequency at least 1; never divide by zero anyway.
    const std::int64_t divisor = normal >= 1 ? normal : 1;
    const std::int64_t percentage = static_cast<std::int64_t>(frequency) * 100 / divisor;
    if (percentage > INT_MAX)
        return INT_MAX;
    if (percentage < INT_MIN)
        return INT_MIN;
    return static_cast<int>(percentage);
}

void SetRangeAndStep(const CSpinButtonCtrl& spin, short lowest, short highest, UINT step)
{
    spin.SetRange(lowest, highest);
    // nSec 0: every step moves by the same amount from the first click on.
    const UDACCEL accel{0, step};
    spin.SetAccel(1, &accel);
}

} // namespace

const MessageMap OptionsPage::messageMap = MessageMapFor<OptionsPage, CDialog,
    OnCommand<IDC_INTERVAL_CHECK, &OptionsPage::OnIntervalCheck>>;

OptionsPage::OptionsPage(WallpaperSet* set) : set(set)
{
}

OptionsPage::~OptionsPage() = default;

BOOL OptionsPage::CreatePage(CWnd* parent)
{
    if (!Create(IDD_OPTIONS, parent))
        return FALSE;
    // The dialog around the page would otherwise stop at the page: Tab
    // would never reach the page's controls, and a user without a mouse
    // could change nothing. What DS_CONTROL gives a page.
    ::SetWindowLongPtrA(m_hWnd, GWL_EXSTYLE, ::GetWindowLongPtrA(m_hWnd, GWL_EXSTYLE) | WS_EX_CONTROLPARENT);
    return TRUE;
}

BOOL OptionsPage::OnInitDialog()
{
    lowFrequencySpin.SubclassDlgItem(IDC_LOW_FREQUENCY_SPIN, this);
    highFrequencySpin.SubclassDlgItem(IDC_HIGH_FREQUENCY_SPIN, this);
    intervalSpin.SubclassDlgItem(IDC_INTERVAL_SPIN, this);
    intervalCheck.SubclassDlgItem(IDC_INTERVAL_CHECK, this);

    SetRangeAndStep(lowFrequencySpin, 10, 100, 10);
    SetRangeAndStep(highFrequencySpin, 100, 1000, 50);
    SetRangeAndStep(intervalSpin, 1, 120, 10);

    // Shown as they come, in range or not: the check on OK deals with them.
    // The up-downs read their position from the field when an arrow is used.
    const std::int32_t low = set->GetFrequency(Priority::Low);
    const std::int32_t normal = set->GetFrequency(Priority::Normal);
    const std::int32_t high = set->GetFrequency(Priority::High);
    SetDlgItemInt(IDC_LOW_FREQUENCY, static_cast<UINT>(Percentage(low, normal)), TRUE);
    SetDlgItemInt(IDC_HIGH_FREQUENCY, static_cast<UINT>(Percentage(high, normal)), TRUE);

    const std::int32_t interval = set->GetChangeInterval();
    if (interval != 0) {
        SetDlgItemInt(IDC_INTERVAL, static_cast<UINT>(interval), TRUE);
    } else {
        SetDlgItemText(IDC_INTERVAL, "");
        savedIntervalText.Format("%d", suggestedInterval);
        GetDlgItem(IDC_INTERVAL).EnableWindow(FALSE);
    }
    intervalCheck.SetCheck(interval != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void OptionsPage::OnIntervalCheck()
{
    const WindowRef field = GetDlgItem(IDC_INTERVAL);
    if (intervalCheck.GetCheck() == BST_CHECKED) {
        field.SetWindowText(savedIntervalText);
        field.EnableWindow(TRUE);
        field.SendMessage(EM_SETSEL, 0, -1);
        field.SetFocus();
    } else {
        // Kept whatever it holds, number or not, to come back exactly.
        field.GetWindowText(savedIntervalText);
        field.SetWindowText("");
        field.EnableWindow(FALSE);
    }
}

bool OptionsPage::CheckRange(int controlId, int lowest, int highest, int& value)
{
    // Read unsigned, so that a minus sign is no number, but compared signed,
    // so that a number beyond INT_MAX is out of range rather than huge.
    BOOL translated = FALSE;
    const int number = static_cast<int>(GetDlgItemInt(controlId, &translated, FALSE));
    if (translated && lowest <= number && number <= highest) {
        value = number;
        return true;
    }

    const WindowRef field = GetDlgItem(controlId);
    field.SendMessage(EM_SETSEL, 0, -1);
    field.SetFocus();
    CString message;
    message.FormatMessage(IDS_RANGE_MESSAGE, lowest, highest);
    MessageBox(message, messageCaption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

bool OptionsPage::ValidateAndApply()
{
    int low = 0;
    int high = 0;
    int interval = 0;
    if (!CheckRange(IDC_LOW_FREQUENCY, 10, 100, low))
        return true;
    if (!CheckRange(IDC_HIGH_FREQUENCY, 100, 1000, high))
        return true;
    // A cleared check box means no timed changes, whatever the field holds.
    if (intervalCheck.GetCheck() != BST_UNCHECKED && !CheckRange(IDC_INTERVAL, 1, 120, interval))
        return true;

    // Only now, with every field good: nothing is half stored.
    set->SetFrequency(Priority::Low, low);
    set->SetFrequency(Priority::Normal, 100);
    set->SetFrequency(Priority::High, high);
    set->SetChangeInterval(interval);
    return false;
}
