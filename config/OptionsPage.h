#pragma once

#include "framework/CButton.h"
#include "framework/CDialog.h"
#include "framework/CSpinButtonCtrl.h"
#include "framework/CString.h"

class WallpaperSet;

// The second tab of the configuration dialog: the low and high frequencies
// as percentages of the normal one, and the change interval behind its check
// box. Unlike the Wallpapers page it keeps its values in its controls and
// stores them into the set only when OK finds every field good.
class OptionsPage : public CDialog {
public:
    // `set` is not owned and must outlive the page's window.
    explicit OptionsPage(WallpaperSet* set);
    ~OptionsPage() override;

    BOOL OnInitDialog() override;

    // The page's window, hidden, as a child of `parent`; OnInitDialog fills
    // it from the set inside this call.
    virtual BOOL CreatePage(CWnd* parent);

    // Checks the fields in order and stops at the first bad one, which gets
    // a message, the focus and its text selected; stores all of them into
    // the set only when every one is good. Returns true when a check FAILED.
    bool ValidateAndApply();

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    // True, with `value`, when the field holds a number from `lowest` to
    // `highest`; otherwise the user is told and `value` is left alone.
    bool CheckRange(int controlId, int lowest, int highest, int& value);
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
