#pragma once

#include "framework/ui/CButton.h"
#include "config/ConfigPage.h"
#include "framework/ui/CImageList.h"
#include "framework/ui/CListCtrl.h"
#include "framework/core/CString.h"
#include "wallpapers/WallpaperEntry.h"

#include <commctrl.h>

#include <array>
#include <cstdint>

class WallpaperSet;

// The first tab of the configuration dialog: every entry of the set as a row
// of a sorted report list (path or "(none)" with its show-state image, and
// the priority), the show-state and priority radio buttons, and the six list
// commands. Every edit goes into the set at once; each row's item data is its
// entry's id, and the page keeps one row per entry and one entry per row.
//
// The radio buttons show what the selected rows have in common (a group with
// nothing checked means they differ), change all selected rows when clicked,
// and give the entries added next their show state and priority.
class WallpapersPage : public ConfigPage {
public:
    // `set` is not owned and must outlive the page's window.
    explicit WallpapersPage(WallpaperSet* set);
    ~WallpapersPage() override;

    BOOL OnInitDialog() override;

    static const MessageMap messageMap;

protected:
    const MessageMap* GetMessageMap() const override { return &messageMap; }

    void OnPaint();
    // The list commands (WallpaperListCommands.cpp).
    void OnAddFiles();
    void OnAddNone();
    void OnRemoveFiles();
    void OnEmptyList();
    void OnTest();
    void OnAbout();
    void OnShowStateClicked();
    void OnPriorityClicked();
    void OnListKillFocus(NMHDR* header, LRESULT* result);
    void OnListSetFocus(NMHDR* header, LRESULT* result);
    void OnListItemChanged(NMHDR* header, LRESULT* result);

    void FillList();
    void InsertRow(std::int32_t id, const WallpaperEntry& entry);
    // Image and priority text of the entry's row; nothing if it has none.
    void RefreshRow(std::int32_t id, const WallpaperEntry& entry);
    void SetRowColumns(int row, const WallpaperEntry& entry);
    // "Low", "Normal", "Hight", or empty for a priority outside them.
    static CString PriorityText(std::int32_t priority);

    // FALSE when no button of the group is checked.
    BOOL GetCheckedShowState(std::int32_t& showState) const;
    // Tiled, Centered or Stretched; any other value changes nothing.
    void CheckShowState(std::int32_t showState) const;
    void ClearShowState() const;
    BOOL GetCheckedPriority(std::int32_t& priority) const;
    // Low, Normal or High; any other value changes nothing.
    void CheckPriority(std::int32_t priority) const;
    void ClearPriority() const;
    void GetRowShowState(int row, std::int32_t& showState) const;
    void GetRowPriority(int row, std::int32_t& priority) const;
    // Test works on one entry: enabled exactly when one row is selected.
    void UpdateTestButton() const;

    // Add, or give the entry of the same path the new show state and priority.
    void AddEntry(const WallpaperEntry& entry);

private:
    using RadioGroup = std::array<const CButton*, 3>;
    RadioGroup ShowStateButtons() const;
    RadioGroup PriorityButtons() const;
    std::int32_t RowId(int row) const;
    // A copy of the row's entry.
    WallpaperEntry RowEntry(int row) const;
    // Makes `change` on the entry of every selected row, in the set and in
    // its row; a change that gives false leaves that entry as it was.
    template <class Change>
    void ChangeSelectedRows(Change change);

    WallpaperSet* set;
    CListCtrl listControl;
    CImageList imageList;
    CButton tiledButton;
    CButton centeredButton;
    CButton stretchedButton;
    CButton lowButton;
    CButton normalButton;
    CButton highButton;
};
