#pragma once

#include "framework/ui/CButton.h"
#include "framework/ui/CDialog.h"
#include "framework/ui/CTabCtrl.h"

#include <commctrl.h>

#include <memory>

class OptionsPage;
class WallpaperSet;
class WallpapersPage;

// The modal configuration dialog: a tab control with the Wallpapers and the
// Options page, OK and Cancel. The pages are modeless children of this
// dialog (siblings of the tab control, above it), laid over the tab control's
// display area and shown or hidden as the tab changes.
//
// Keyboard as in the system's property sheets: Ctrl+Tab and Ctrl+PageDown
// turn to the next tab, Ctrl+Shift+Tab and Ctrl+PageUp to the previous one,
// and a command that the frame does not handle itself (Enter on a focused
// page button arrives here, at the top-level dialog) goes to the page shown.
//
// The caller runs it with DoModal and then decides about the set: IDOK means
// the options were checked and stored and the set is to be saved; anything
// else leaves the set holding the Wallpapers page's edits, which the caller
// drops by reloading it.
class ConfigDialog : public CDialog {
public:
    // Both pages are made here and edit `set`, which the dialog doesn't own.
    explicit ConfigDialog(WallpaperSet* set);
    ~ConfigDialog() override;

    BOOL OnInitDialog() override;

    // The pages, for whoever needs to reach them while the dialog runs.
    WallpapersPage& GetWallpapersPage() const { return *wallpapersPage; }
    OptionsPage& GetOptionsPage() const { return *optionsPage; }

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }
    void OnOK() override;
    BOOL PreTranslateMessage(MSG* message) override;
    void OnSelchangeTab(NMHDR* header, LRESULT* result);
    void OnPageCommand(WPARAM command, LPARAM control);

private:
    void LayOut();
    // Shows the page of the tab and hides the other, as a click on the tab does.
    void ShowPage(int tab);
    CDialog& ShownPage() const;
    // The tab `step` places on, wrapping round, with the focus in its page.
    void TurnTab(int step);

    CTabCtrl tabControl;
    CButton okButton;
    CButton cancelButton;
    std::unique_ptr<WallpapersPage> wallpapersPage;
    std::unique_ptr<OptionsPage> optionsPage;
};
