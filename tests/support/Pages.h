// What the tests of the configuration dialog and its pages share: a window
// to hold a page, the rows, tabs and radio buttons as a user sees them, and a
// folder of real bitmaps for the file dialog to start in.
#pragma once

#include "framework/ui/CWnd.h"

#include <windows.h>
#include <commctrl.h>

#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace test_support {

// A visible top-level window for a page to live in, as the dialog would.
class PageParent : public CWnd {
public:
    PageParent();
};

// One row of the Wallpapers page's list.
struct Row {
    std::string text;
    LPARAM id = 0;
    int image = -1;
    std::string priority;

    friend bool operator==(const Row&, const Row&) = default;
    friend std::ostream& operator<<(std::ostream& out, const Row& row)
    {
        return out << '{' << row.text << ", id " << row.id << ", image " << row.image << ", \"" << row.priority
                   << "\"}";
    }
};

std::vector<Row> Rows(HWND list);
UINT RowState(HWND list, int row, UINT mask);
// Exactly these rows selected, one after another, as a user's clicks would
// leave them (each selection change notifies the page).
void SelectRows(HWND list, std::initializer_list<int> rows);

// A user's click on a tab, which the tab control answers with TCN_SELCHANGE.
// Inline: the screenshot program uses it too, without the rest.
inline void ClickTab(HWND tab, int index)
{
    RECT item{};
    ::SendMessageA(tab, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    ::SendMessageA(tab, WM_LBUTTONDOWN, MK_LBUTTON, at);
    ::SendMessageA(tab, WM_LBUTTONUP, 0, at);
}

// Which of three consecutive radio buttons is checked: 0, 1, 2, or -1 for none.
int CheckedOf(HWND page, int firstId);

// A folder in the temporary directory with small real bitmaps, removed again.
class BitmapFolder {
public:
    BitmapFolder();
    ~BitmapFolder();
    BitmapFolder(const BitmapFolder&) = delete;
    BitmapFolder& operator=(const BitmapFolder&) = delete;

    // A 2 x 2 true-colour bitmap; its full path.
    std::string Add(const std::string& name);
    const std::string& Path() const { return path; }

private:
    std::string path;
    std::vector<std::string> files;
};

// The file dialog of this process starts in `folder` while the scope lasts.
class CurrentDirectory {
public:
    explicit CurrentDirectory(const std::string& folder);
    ~CurrentDirectory();
    CurrentDirectory(const CurrentDirectory&) = delete;
    CurrentDirectory& operator=(const CurrentDirectory&) = delete;

private:
    std::string previous;
};

} // namespace test_support
