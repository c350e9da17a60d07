#include "config/WallpapersPage.h"

#include "framework/ui/CPaintDC.h"
#include "res/resource.h"
#include "wallpapers/WallpaperSet.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

namespace {

// The image strip's red is transparent.
constexpr COLORREF maskColor = RGB(255, 0, 0);
constexpr int imageWidth = 16;
// Image 3 of the strip is all mask: the no-wallpaper entry's "no image".
constexpr int emptyImage = ShowState::None;

// The image of a row: its show state, which indexes the strip. A show state
// beyond the strip (only a hand-edited profile holds one) shows no image, as
// the no-wallpaper entry does; -1 would ask the page for the image by
// callback, and a large index would leave the choice to the control.
int RowImage(std::int32_t showState)
{
    return showState >= ShowState::Tiled && showState <= ShowState::None ? showState : emptyImage;
}

// What a row shows in the first column: the path, or "(none)".
CString RowText(const WallpaperEntry& entry)
{
    CString text = entry.path;
    if (text.IsEmpty())
        text.LoadString(IDS_NO_WALLPAPER);
    return text;
}

// A key whose byte order is the order in which the sorted list places its
// rows: the user's locale's collation of the row text, as lstrcmp compares.
std::string CollationKey(const CString& text)
{
    const int size = ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, nullptr, 0);
    if (size <= 0)
        return std::string();
    std::string key(static_cast<std::size_t>(size), '\0');
    ::LCMapStringA(LOCALE_USER_DEFAULT, LCMAP_SORTKEY, text, -1, key.data(), size);
    return key;
}

// The buttons of a radio group stand for the values 0, 1 and 2 in order:
// Tiled, Centered, Stretched, or Low, Normal, High.
BOOL GetCheckedOf(const std::array<const CButton*, 3>& group, std::int32_t& value)
{
    for (std::size_t i = 0; i < group.size(); ++i) {
        if (group[i]->GetCheck() == BST_CHECKED) {
            value = static_cast<std::int32_t>(i);
            return TRUE;
        }
    }
    return FALSE;
}

// Any other value (None, or a number from a hand-edited profile) changes nothing.
void CheckOf(const std::array<const CButton*, 3>& group, std::int32_t value)
{
    if (value < 0 || value >= static_cast<std::int32_t>(group.size()))
        return;
    for (std::size_t i = 0; i < group.size(); ++i)
        group[i]->SetCheck(static_cast<std::int32_t>(i) == value ? BST_CHECKED : BST_UNCHECKED);
}

void ClearOf(const std::array<const CButton*, 3>& group)
{
    for (const CButton* button : group)
        button->SetCheck(BST_UNCHECKED);
}

} // namespace

const MessageMap WallpapersPage::messageMap = MessageMapFor<WallpapersPage, ConfigPage,
    OnMessage<WM_PAINT, &WallpapersPage::OnPaint>,
    OnCommand<IDC_ADD_FILES, &WallpapersPage::OnAddFiles>,
    OnCommand<IDC_ADD_NONE, &WallpapersPage::OnAddNone>,
    OnCommand<IDC_REMOVE_FILES, &WallpapersPage::OnRemoveFiles>,
    OnCommand<IDC_EMPTY_LIST, &WallpapersPage::OnEmptyList>,
    OnCommand<IDC_TEST, &WallpapersPage::OnTest>,
    OnCommand<IDC_ABOUT, &WallpapersPage::OnAbout>,
    OnCommandRange<IDC_TILED, IDC_STRETCHED, &WallpapersPage::OnShowStateClicked>,
    OnCommandRange<IDC_LOW, IDC_HIGH, &WallpapersPage::OnPriorityClicked>,
    OnNotify<IDC_WALLPAPER_LIST, NM_KILLFOCUS, &WallpapersPage::OnListKillFocus>,
    OnNotify<IDC_WALLPAPER_LIST, NM_SETFOCUS, &WallpapersPage::OnListSetFocus>,
    OnNotify<IDC_WALLPAPER_LIST, LVN_ITEMCHANGED, &WallpapersPage::OnListItemChanged>>;

WallpapersPage::WallpapersPage(WallpaperSet* set) : ConfigPage(IDD_WALLPAPERS), set(set)
{
}

WallpapersPage::~WallpapersPage()
{
    // The list borrows the image list: let the window go while both exist.
    if (m_hWnd)
        DestroyWindow();
}

BOOL WallpapersPage::OnInitDialog()
{
    imageList.Create(IDB_SHOW_STATES, imageWidth, 0, maskColor);
    listControl.SubclassDlgItem(IDC_WALLPAPER_LIST, this);
    listControl.SetImageList(&imageList, LVSIL_SMALL);

    RECT client{};
    listControl.GetClientRect(&client);

    tiledButton.SubclassDlgItem(IDC_TILED, this);
    centeredButton.SubclassDlgItem(IDC_CENTERED, this);
    stretchedButton.SubclassDlgItem(IDC_STRETCHED, this);
    tiledButton.SetCheck(BST_CHECKED);
    lowButton.SubclassDlgItem(IDC_LOW, this);
    normalButton.SubclassDlgItem(IDC_NORMAL, this);
    highButton.SubclassDlgItem(IDC_HIGH, this);
    normalButton.SetCheck(BST_CHECKED);

    const int width = client.right - client.left;
    CString heading;
    heading.LoadString(IDS_COLUMN_FILE);
    listControl.InsertColumn(0, heading, LVCFMT_LEFT, width * 15 / 20);
    heading.LoadString(IDS_COLUMN_PRIORITY);
    listControl.InsertColumn(1, heading, LVCFMT_LEFT, width * 4 / 20);

    FillList();
    return TRUE;
}

void WallpapersPage::FillList()
{
    listControl.DeleteAllItems();
    // The sorted list finds a new row's place by comparing it with its rows
    // from the top down, one by one (Wine's list control does), so rows given
    // in ascending order each walk the whole list: n * n / 2 comparisons in
    // the user's locale, 50 s for 5,000 entries. Given from the last row to
    // the first, each row's place is the top, found at the first comparison.
    // The control still sorts every row into place itself: a collation that
    // differed from its own would cost time, never change the order.
    struct Pending {
        std::string key;
        std::int32_t id;
        const WallpaperEntry* entry;
    };
    std::vector<Pending> rows;
    rows.reserve(static_cast<std::size_t>(set->GetCount()));
    WallpaperSet::IteratorHolder holder;
    for (WallpaperSet::Iterator& it = set->Begin(holder); !it.AtEnd(); it.Next())
        rows.push_back(Pending{CollationKey(RowText(it.Entry())), it.Id(), &it.Entry()});
    std::stable_sort(rows.begin(), rows.end(), [](const Pending& a, const Pending& b) { return a.key > b.key; });
    // Without this the control updates its scroll bars and scrolls its
    // window for every row it takes.
    listControl.SendMessage(WM_SETREDRAW, FALSE);
    for (const Pending& row : rows)
        InsertRow(row.id, *row.entry);
    listControl.SendMessage(WM_SETREDRAW, TRUE);
    UpdateTestButton();
}

void WallpapersPage::InsertRow(std::int32_t id, const WallpaperEntry& entry)
{
    // The control sorts the row into place and says where. Text, id and
    // image in one message: each message after it would notify the page.
    const CString text = RowText(entry);
    LVITEMA item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.pszText = const_cast<char*>(text.GetString());
    item.iImage = RowImage(entry.showState);
    item.lParam = static_cast<LPARAM>(id);
    const int row = listControl.InsertItem(&item);
    if (row < 0)
        return;
    listControl.SetItem(row, 1, LVIF_TEXT, PriorityText(entry.priority), 0, 0, 0, 0);
}

void WallpapersPage::RefreshRow(std::int32_t id, const WallpaperEntry& entry)
{
    LVFINDINFOA find{};
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(id);
    const int row = listControl.FindItem(&find, -1);
    if (row >= 0)
        SetRowColumns(row, entry);
}

void WallpapersPage::SetRowColumns(int row, const WallpaperEntry& entry)
{
    listControl.SetItem(row, 0, LVIF_IMAGE, nullptr, RowImage(entry.showState), 0, 0, 0);
    const CString priority = PriorityText(entry.priority);
    listControl.SetItem(row, 1, LVIF_TEXT, priority, 0, 0, 0, 0);
}

CString WallpapersPage::PriorityText(std::int32_t priority)
{
    // Loaded at the first call and kept until the program ends.
    static const std::array<CString, 3> texts = [] {
        std::array<CString, 3> loaded;
        loaded[Priority::Low].LoadString(IDS_PRIORITY_LOW);
        loaded[Priority::Normal].LoadString(IDS_PRIORITY_NORMAL);
        loaded[Priority::High].LoadString(IDS_PRIORITY_HIGH);
        return loaded;
    }();
    if (priority < Priority::Low || priority > Priority::High)
        return CString();
    return texts[static_cast<std::size_t>(priority)];
}

BOOL WallpapersPage::GetCheckedShowState(std::int32_t& showState) const
{
    return GetCheckedOf(ShowStateButtons(), showState);
}

void WallpapersPage::CheckShowState(std::int32_t showState) const
{
    CheckOf(ShowStateButtons(), showState);
}

void WallpapersPage::ClearShowState() const
{
    ClearOf(ShowStateButtons());
}

BOOL WallpapersPage::GetCheckedPriority(std::int32_t& priority) const
{
    return GetCheckedOf(PriorityButtons(), priority);
}

void WallpapersPage::CheckPriority(std::int32_t priority) const
{
    CheckOf(PriorityButtons(), priority);
}

void WallpapersPage::ClearPriority() const
{
    ClearOf(PriorityButtons());
}

WallpapersPage::RadioGroup WallpapersPage::ShowStateButtons() const
{
    return {&tiledButton, &centeredButton, &stretchedButton};
}

WallpapersPage::RadioGroup WallpapersPage::PriorityButtons() const
{
    return {&lowButton, &normalButton, &highButton};
}

std::int32_t WallpapersPage::RowId(int row) const
{
    return static_cast<std::int32_t>(listControl.GetItemData(row));
}

WallpaperEntry WallpapersPage::RowEntry(int row) const
{
    WallpaperEntry entry;
    set->Get(RowId(row), entry);
    return entry;
}

void WallpapersPage::GetRowShowState(int row, std::int32_t& showState) const
{
    showState = RowEntry(row).showState;
}

void WallpapersPage::GetRowPriority(int row, std::int32_t& priority) const
{
    priority = RowEntry(row).priority;
}

template <class Change>
void WallpapersPage::ChangeSelectedRows(Change change)
{
    for (int row = listControl.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = listControl.GetNextItem(row, LVNI_SELECTED)) {
        WallpaperEntry entry = RowEntry(row);
        if (!change(entry))
            continue;
        set->Update(RowId(row), entry);
        SetRowColumns(row, entry);
    }
}

void WallpapersPage::UpdateTestButton() const
{
    GetDlgItem(IDC_TEST).EnableWindow(listControl.GetSelectedCount() == 1);
}

void WallpapersPage::OnListItemChanged(NMHDR* header, LRESULT*)
{
    UpdateTestButton();
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (((change->uNewState ^ change->uOldState) & LVIS_SELECTED) == 0)
        return;

    int row = listControl.GetNextItem(-1, LVNI_SELECTED);
    // Nothing selected: the buttons keep what they show, for the next add.
    if (row < 0)
        return;
    std::int32_t showState = ShowState::Tiled;
    std::int32_t priority = Priority::Normal;
    GetRowShowState(row, showState);
    GetRowPriority(row, priority);
    bool showStatesAgree = true;
    bool prioritiesAgree = true;
    for (; row >= 0; row = listControl.GetNextItem(row, LVNI_SELECTED)) {
        std::int32_t rowShowState = ShowState::Tiled;
        std::int32_t rowPriority = Priority::Normal;
        GetRowShowState(row, rowShowState);
        GetRowPriority(row, rowPriority);
        // The no-wallpaper entry has no show state to agree or disagree with.
        if (showState == ShowState::None)
            showState = rowShowState;
        else if (rowShowState != showState && rowShowState != ShowState::None)
            showStatesAgree = false;
        if (rowPriority != priority)
            prioritiesAgree = false;
    }

    // With only "(none)" selected the show state is still None, which
    // CheckShowState leaves alone.
    if (showStatesAgree)
        CheckShowState(showState);
    else
        ClearShowState();
    if (prioritiesAgree)
        CheckPriority(priority);
    else
        ClearPriority();
}

void WallpapersPage::OnShowStateClicked()
{
    std::int32_t showState = ShowState::Tiled;
    if (!GetCheckedShowState(showState))
        return;
    ChangeSelectedRows([showState](WallpaperEntry& entry) {
        // The no-wallpaper entry keeps None: it has no bitmap to show.
        if (entry.path.IsEmpty())
            return false;
        entry.showState = showState;
        return true;
    });
}

void WallpapersPage::OnPriorityClicked()
{
    std::int32_t priority = Priority::Normal;
    if (!GetCheckedPriority(priority))
        return;
    ChangeSelectedRows([priority](WallpaperEntry& entry) {
        entry.priority = priority;
        return true;
    });
}

// The list has no LVS_SHOWSELALWAYS: while another control has the focus,
// the selection is kept visible as drop highlight.
void WallpapersPage::OnListKillFocus(NMHDR*, LRESULT*)
{
    for (int row = listControl.GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = listControl.GetNextItem(row, LVNI_SELECTED))
        listControl.SetItem(row, 0, LVIF_STATE, nullptr, 0, LVIS_DROPHILITED, LVIS_DROPHILITED, 0);
}

void WallpapersPage::OnListSetFocus(NMHDR*, LRESULT*)
{
    for (int row = listControl.GetNextItem(-1, LVNI_DROPHILITED); row >= 0;
         row = listControl.GetNextItem(row, LVNI_DROPHILITED))
        listControl.SetItem(row, 0, LVIF_STATE, nullptr, 0, 0, LVIS_DROPHILITED, 0);
}

// The show-state images beside the radio buttons, at the hidden frames that
// mark their places.
void WallpapersPage::OnPaint()
{
    CPaintDC dc(this);
    const int frames[] = {IDC_TILED_IMAGE, IDC_CENTERED_IMAGE, IDC_STRETCHED_IMAGE};
    for (int image = 0; image < 3; ++image) {
        RECT place{};
        GetDlgItem(frames[image]).GetWindowRect(&place);
        ScreenToClient(&place);
        ::ImageList_Draw(imageList, image, dc, place.left, place.top, ILD_TRANSPARENT);
    }
}
