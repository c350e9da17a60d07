// The six push buttons of the Wallpapers page: Add Files..., Add (none),
// Remove Files, Empty List, Test and About...
#include "config/AboutDialog.h"
#include "config/WallpapersPage.h"
#include "framework/core/CodePage.h"
#include "framework/ui/AfxMessageBox.h"
#include "framework/ui/CFileDialog.h"
#include "res/resource.h"
#include "wallpapers/DesktopWallpaperWriter.h"
#include "wallpapers/WallpaperSet.h"

#include <commdlg.h>

#include <string>
#include <vector>

namespace {

constexpr DWORD fileDialogFlags = OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY
                                  | OFN_ENABLEHOOK;
static_assert(fileDialogFlags == 0x81224);

// Room for the names chosen in the file dialog, in UTF-16 units: 262,144,
// sixteen times the 16,384 bytes the names once had, some 6,000 names of 40
// characters. The dialog's UTF-16 form takes the buffer whole (its ANSI form
// caps a multiple pick at about 32 KiB, whatever the buffer). Growing the
// buffer and opening the dialog again would make the user pick everything
// again; a pick that does not fit even this is refused with a message, and
// no name is ever cut. Made for each use, not kept for the run: half a MiB.
constexpr std::size_t FileNamesLength = 1 << 18;

// Names in a message: more would make a box taller than the screen.
constexpr std::size_t NamesShown = 10;

// The filter: its name, NUL, "*.BMP", NUL NUL.
std::wstring Filter()
{
    CString name;
    name.LoadString(IDS_FILE_FILTER);
    std::wstring filter = Widen(name.GetString());
    filter += L'\0';
    filter += L"*.BMP";
    filter += L'\0';
    filter += L'\0';
    return filter;
}

// A name for the user to read, in the process's code page: characters it
// can't spell show as the system's look-alike or "?". For reading only,
// never for adding.
std::string Readable(const std::wstring& name)
{
    if (name.empty() || name.size() > 0x7FFFFFFF)
        return {};
    const int units = static_cast<int>(name.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, name.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return {};
    std::string text(static_cast<std::size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, name.data(), units, text.data(), bytes, nullptr, nullptr);
    return text;
}

// Windows before 10 version 1903 ignores the manifest's UTF-8 code page,
// and the system's legacy one can't spell every name: such files are left
// out, by name, rather than added as a look-alike that names another file
// or none.
void ReportUnspellable(const std::vector<std::wstring>& names)
{
    std::string text = "These files were not added: their names hold characters that the code page of "
                       "programs like Vistero on this computer can't spell. Rename them, or use Windows 10 "
                       "version 1903 or later, and add them again.\n";
    for (std::size_t i = 0; i < names.size() && i < NamesShown; ++i) {
        text += '\n';
        text += Readable(names[i]);
    }
    if (names.size() > NamesShown) {
        text += "\n(and ";
        text += std::to_string(names.size() - NamesShown);
        text += " more)";
    }
    AfxMessageBox(text.c_str(), MB_OK | MB_ICONEXCLAMATION);
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
    CFileDialog dialog(OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, nullptr);
    const std::wstring filter = Filter();
    CString titleText;
    titleText.LoadString(IDS_FILE_DIALOG_TITLE);
    const std::wstring title = Widen(titleText.GetString());
    // No name preset.
    std::vector<wchar_t> fileNames(FileNamesLength, L'\0');

    dialog.m_ofn.hwndOwner = m_hWnd;
    dialog.m_ofn.lpstrFilter = filter.c_str();
    dialog.m_ofn.nFilterIndex = 1;
    dialog.m_ofn.lpstrFile = fileNames.data();
    dialog.m_ofn.nMaxFile = static_cast<DWORD>(fileNames.size());
    dialog.m_ofn.lpstrTitle = title.c_str();
    dialog.m_ofn.Flags = fileDialogFlags;
    if (dialog.DoModal() != IDOK) {
        // The user's pick is lost when it does not fit: say so, rather than
        // leave the user to wonder where the files went.
        if (::CommDlgExtendedError() == FNERR_BUFFERTOOSMALL)
            AfxMessageBox("So many files were chosen that their names don't fit in the room Vistero has for "
                          "them. None was added: choose fewer files at a time.",
                          MB_OK | MB_ICONEXCLAMATION);
        return;
    }

    // Read once: every chosen file gets the same. A group with nothing
    // checked (the selected rows differed) gives the defaults.
    WallpaperEntry entry;
    if (!GetCheckedShowState(entry.showState))
        entry.showState = ShowState::Tiled;
    if (!GetCheckedPriority(entry.priority))
        entry.priority = Priority::Normal;
    std::vector<std::wstring> unspellable;
    for (CString& path : dialog.GetPathNames(unspellable)) {
        entry.path = std::move(path);
        AddEntry(entry);
    }
    if (!unspellable.empty())
        ReportUnspellable(unspellable);
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
    const WallpaperEntry entry = RowEntry(row);
    DesktopWallpaperWriter::SetWallpaper(entry.path, entry.showState, true);
}

void WallpapersPage::OnAbout()
{
    AboutDialog about;
    about.DoModal();
}
