// The six push buttons of the Wallpapers page: Add Files..., Add (none),
// Remove Files, Empty List, Test and About...
#include "config/AboutDialog.h"
#include "config/WallpapersPage.h"
#include "framework/ui/CFileDialog.h"
#include "res/resource.h"
#include "wallpapers/DesktopWallpaperWriter.h"
#include "wallpapers/WallpaperSet.h"

#include <commdlg.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD fileDialogFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY
                                  | OFN_ENABLEHOOK;
static_assert(fileDialogFlags == 0x81224);

// Room for the names chosen in the file dialog: 16,384 characters in UTF-8,
// where one UTF-16 unit may take three bytes. A choice whose names don't fit
// makes the dialog fail, and nothing is added: no name is ever cut. Made for
// each use, not kept for the run: a static buffer sits in the exe's data,
// 48 KiB of its file.
constexpr std::size_t FileNamesSize = 3 * 16384;

// The filter: its name, NUL, "*.BMP", NUL NUL. A name too long for the
// buffer is cut short rather than written past it.
void BuildFilter(char (&filter)[256])
{
    static constexpr char pattern[] = "*.BMP";
    CString name;
    name.LoadString(IDS_FILE_FILTER);
    const std::size_t room = sizeof filter - sizeof pattern - 2;
    const std::size_t nameLength = std::min(static_cast<std::size_t>(name.GetLength()), room);
    std::memset(filter, 0, sizeof filter);
    std::memcpy(filter, name.GetString(), nameLength);
    std::memcpy(filter + nameLength + 1, pattern, sizeof pattern - 1);
}

} // namespace

void WallpapersPage::AddEntry(const WallpaperEntry& entry)
{
    std::int32_t id = 0;
    if (set->Add(entry, &id)) {
        InsertRow(id, entry);
        return;
    }
    // Already in the list: it takes the show state and priority now chosen.
    set->Update(id, entry);
    RefreshRow(id, entry);
}

void WallpapersPage::OnAddFiles()
{
    CFileDialog dialog(TRUE, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr, nullptr);
    char filter[256];
    BuildFilter(filter);
    CString title;
    title.LoadString(IDS_FILE_DIALOG_TITLE);
    // No name preset.
    std::vector<char> fileNames(FileNamesSize, '\0');

    dialog.m_ofn.hwndOwner = m_hWnd;
    dialog.m_ofn.lpstrFilter = filter;
    dialog.m_ofn.nFilterIndex = 1;
    dialog.m_ofn.lpstrFile = fileNames.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(fileNames.size());
    dialog.m_ofn.lpstrTitle = title;
    dialog.m_ofn.Flags = fileDialogFlags;
    if (dialog.DoModal() != IDOK)
        return;

    // Read once: every chosen file gets the same. A group with nothing
    // checked (the selected rows differed) gives the defaults.
    WallpaperEntry entry;
    if (!GetCheckedShowState(entry.showState))
        entry.showState = ShowState::Tiled;
    if (!GetCheckedPriority(entry.priority))
        entry.priority = Priority::Normal;
    for (POSITION position = dialog.GetStartPosition(); position;) {
        entry.path = dialog.GetNextPathName(position);
        AddEntry(entry);
    }
}

void WallpapersPage::OnAddNone()
{
    WallpaperEntry entry;
    entry.showState = ShowState::None;
    if (!GetCheckedPriority(entry.priority))
        entry.priority = Priority::Normal;
    AddEntry(entry);
}

void WallpapersPage::OnRemoveFiles()
{
    for (int row = listControl.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = listControl.GetNextItem(-1, LVNI_SELECTED)) {
        // The row goes first: a row that won't go keeps its entry, so that
        // no row ever names an entry that is gone, and the loop stops, as it
        // would find that row again and again.
        const std::int32_t id = RowId(row);
        if (!listControl.DeleteItem(row))
            break;
        set->Remove(id);
    }
    UpdateTestButton();
}

void WallpapersPage::OnEmptyList()
{
    listControl.DeleteAllItems();
    set->Clear();
    UpdateTestButton();
}

void WallpapersPage::OnTest()
{
    const int row = listControl.GetNextItem(-1, LVNI_SELECTED);
    if (row < 0)
        return;
    WallpaperEntry entry;
    set->Get(RowId(row), entry);
    DesktopWallpaperWriter::SetWallpaper(entry.path, entry.showState, true);
}

void WallpapersPage::OnAbout()
{
    AboutDialog about;
    about.DoModal();
}
