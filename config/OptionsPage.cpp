#include "config/OptionsPage.h"

#include "res/resource.h"
#include "wallpapers/WallpaperSet.h"

#include <commctrl.h>

#include <climits>
#include <cstdint>

namespace {

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

void SetRangeAndStep(const CSpinButtonCtrl& spin, const OptionsPage::Field& field)
{
    spin.SetRange(field.lowest, field.highest);
    // nSec 0: every step moves by the same amount from the first click on.
    const UDACCEL accel{0, field.step};
    spin.SetAccel(1, &accel);
}

} // namespace

const MessageMap OptionsPage::messageMap = MessageMapFor<OptionsPage, ConfigPage,
    OnCommand<IDC_INTERVAL_CHECK, &OptionsPage::OnIntervalCheck>>;

OptionsPage::OptionsPage(WallpaperSet* set) : ConfigPage(IDD_OPTIONS), set(set)
{
}

OptionsPage::~OptionsPage() = default;

BOOL OptionsPage::OnInitDialog()
{
    lowFrequencySpin.SubclassDlgItem(LowFrequency.spin, this);
    highFrequencySpin.SubclassDlgItem(HighFrequency.spin, this);
    intervalSpin.SubclassDlgItem(Interval.spin, this);
    intervalCheck.SubclassDlgItem(IDC_INTERVAL_CHECK, this);

    SetRangeAndStep(lowFrequencySpin, LowFrequency);
    SetRangeAndStep(highFrequencySpin, HighFrequency);
    SetRangeAndStep(intervalSpin, Interval);

    // Shown as they come, in range or not: the check on OK deals with them.
    // The up-downs read their position from the field when an arrow is used.
    const std::int32_t low = set->GetFrequency(Priority::Low);
    const std::int32_t normal = set->GetFrequency(Priority::Normal);
    const std::int32_t high = set->GetFrequency(Priority::High);
    SetDlgItemInt(LowFrequency.edit, static_cast<UINT>(Percentage(low, normal)), TRUE);
    SetDlgItemInt(HighFrequency.edit, static_cast<UINT>(Percentage(high, normal)), TRUE);

    const std::int32_t interval = set->GetChangeInterval();
    if (interval != 0) {
        SetDlgItemInt(Interval.edit, static_cast<UINT>(interval), TRUE);
    } else {
        SetDlgItemText(Interval.edit, "");
        savedIntervalText.Format("%d", suggestedInterval);
        GetDlgItem(Interval.edit).EnableWindow(FALSE);
    }
    intervalCheck.SetCheck(interval != 0 ? BST_CHECKED : BST_UNCHECKED);
    return TRUE;
}

void OptionsPage::OnIntervalCheck()
{
    const WindowRef field = GetDlgItem(Interval.edit);
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

bool OptionsPage::CheckRange(const Field& field, int& value)
{
    // Read unsigned, so that a minus sign is no number, but compared signed,
    // so that a number beyond INT_MAX is out of range rather than huge.
    BOOL translated = FALSE;
    const int number = static_cast<int>(GetDlgItemInt(field.edit, &translated, FALSE));
    if (translated && field.lowest <= number && number <= field.highest) {
        value = number;
        return true;
    }

    const WindowRef edit = GetDlgItem(field.edit);
    edit.SendMessage(EM_SETSEL, 0, -1);
    edit.SetFocus();
    CString message;
    message.FormatMessage(IDS_RANGE_MESSAGE, static_cast<int>(field.lowest), static_cast<int>(field.highest));
    // The program's name and version, as the tray icon's tip gives them.
    CString caption;
    caption.LoadString(IDS_TRAY_TIP);
    MessageBox(message, caption, MB_OK | MB_ICONEXCLAMATION);
    return false;
}

OptionsPage::Validation OptionsPage::ValidateAndApply()
{
    int low = 0;
    int high = 0;
    int interval = 0;
    if (!CheckRange(LowFrequency, low))
        return Validation::Failed;
    if (!CheckRange(HighFrequency, high))
        return Validation::Failed;
    // A cleared check box means no timed changes, whatever the field holds.
    if (intervalCheck.GetCheck() != BST_UNCHECKED && !CheckRange(Interval, interval))
        return Validation::Failed;

    // Only now, with every field good: nothing is half stored.
    set->SetFrequency(Priority::Low, low);
    set->SetFrequency(Priority::Normal, 100);
    set->SetFrequency(Priority::High, high);
    set->SetChangeInterval(interval);
    return Validation::Applied;
}
