#pragma once

#include "framework/ui/CButton.h"
#include "config/ConfigPage.h"
#include "framework/ui/CSpinButtonCtrl.h"
#include "framework/core/CString.h"
#include "res/resource.h"

class WallpaperSet;

// The second tab of the configuration dialog: the low and high frequencies
// as percentages of the normal one, and the change interval behind its check
// box. Unlike the Wallpapers page it keeps its values in its controls and
// stores them into the set only when OK finds every field good.
class OptionsPage : public ConfigPage {
public:
    // `set` is not owned and must outlive the page's window.
    explicit OptionsPage(WallpaperSet* set);
    ~OptionsPage() override;

    BOOL OnInitDialog() override;

    // A field that takes a number: its edit and up-down controls, the range
    // that the up-down offers and the check on OK accepts (both ends good),
    // and the up-down's step.
    struct Field {
        int edit;
        int spin;
        short lowest;
        short highest;
        UINT step;
    };
    // Percentages of the normal frequency, and minutes.
    static constexpr Field LowFrequency{IDC_LOW_FREQUENCY, IDC_LOW_FREQUENCY_SPIN, 10, 100, 10};
    static constexpr Field HighFrequency{IDC_HIGH_FREQUENCY, IDC_HIGH_FREQUENCY_SPIN, 100, 1000, 50};
    static constexpr Field Interval{IDC_INTERVAL, IDC_INTERVAL_SPIN, 1, 120, 10};

    enum class Validation { Applied, Failed };
    // Checks the fields in order and stops at the first bad one, which gets
    // a message, the focus and its text selected (Failed); stores all of
    // them into the set only when every one is good (Applied).
    Validation ValidateAndApply();

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // True, with `value`, when the field holds a number in its range;
    // otherwise the user is told and `value` is left alone.
    bool CheckRange(const Field& field, int& value);
    void OnIntervalCheck();

private:
    WallpaperSet* set;
    CSpinButtonCtrl lowFrequencySpin;
    CSpinButtonCtrl highFrequencySpin;
    CSpinButtonCtrl intervalSpin;
    CButton intervalCheck;
    // What the interval field held when the check box was cleared, for when
    // it is ticked again.
    CString savedIntervalText;
};
