#include "config/ConfigDialog.h"

#include "config/OptionsPage.h"
#include "config/WallpapersPage.h"
#include "framework/core/CString.h"
#include "res/resource.h"

namespace {

constexpr int wallpapersTab = 0;
constexpr int optionsTab = 1;

} // namespace

const MessageMap ConfigDialog::messageMap = MessageMapFor<ConfigDialog, CDialog,
    OnCommand<IDOK, &ConfigDialog::OnOK>,
    OnNotify<IDC_TAB, TCN_SELCHANGE, &ConfigDialog::OnSelchangeTab>,
    OnOtherCommands<&ConfigDialog::OnPageCommand>>;

ConfigDialog::ConfigDialog(WallpaperSet* set)
    : CDialog(IDD_CONFIG, nullptr),
      wallpapersPage(std::make_unique<WallpapersPage>(set)),
      optionsPage(std::make_unique<OptionsPage>(set))
{
}

// Out of line: the pages are complete types only here.
ConfigDialog::~ConfigDialog() = default;

BOOL ConfigDialog::OnInitDialog()
{
    tabControl.SubclassDlgItem(IDC_TAB, this);
    okButton.SubclassDlgItem(IDOK, this);
    cancelButton.SubclassDlgItem(IDCANCEL, this);

    // The tab control selects the first tab by itself.
    CString label;
    label.LoadString(IDS_TAB_WALLPAPERS);
    tabControl.InsertItem(wallpapersTab, label);
    label.LoadString(IDS_TAB_OPTIONS);
    tabControl.InsertItem(optionsTab, label);

    wallpapersPage->CreatePage(this);
    optionsPage->CreatePage(this);

    LayOut();

    wallpapersPage->ShowWindow(SW_SHOW);
    return TRUE;
}

// The template's sizes are placeholders: the dialog is built around the
// Wallpapers page, in pixels, with a margin of 4 dialog units all round, so
// that it fits the page at any font size and DPI.
void ConfigDialog::LayOut()
{
    RECT margin{0, 0, 4, 4};
    MapDialogRect(&margin);
    const int mx = margin.right - margin.left;
    const int my = margin.bottom - margin.top;

    RECT tab{};
    wallpapersPage->GetClientRect(&tab);
    tabControl.AdjustRect(TRUE, &tab);
    ::OffsetRect(&tab, mx - tab.left, my - tab.top);
    tabControl.SetWindowPos(nullptr, tab.left, tab.top, tab.right - tab.left, tab.bottom - tab.top, SWP_NOZORDER);

    RECT display = tab;
    tabControl.AdjustRect(FALSE, &display);

    RECT button{};
    cancelButton.GetWindowRect(&button);
    const int cancelWidth = button.right - button.left;
    cancelButton.SetWindowPos(nullptr, tab.right - cancelWidth, tab.bottom + my, 0, 0, SWP_NOSIZE | SWP_NOZORDER);

    okButton.GetWindowRect(&button);
    const int okWidth = button.right - button.left;
    const int okHeight = button.bottom - button.top;
    okButton.SetWindowPos(nullptr, tab.right - cancelWidth - mx - okWidth, tab.bottom + my, 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER);

    SetWindowPos(nullptr, 0, 0, tab.right + mx + 2 * ::GetSystemMetrics(SM_CXDLGFRAME),
                 tab.bottom + my + okHeight + my + ::GetSystemMetrics(SM_CYCAPTION)
                     + 2 * ::GetSystemMetrics(SM_CYDLGFRAME),
                 SWP_NOMOVE | SWP_NOZORDER);

    // Above the tab control, which would otherwise paint over them.
    wallpapersPage->SetWindowPos(&CWnd::wndTop, display.left, display.top, 0, 0, SWP_NOSIZE);
    optionsPage->SetWindowPos(&CWnd::wndTop, display.left, display.top, 0, 0, SWP_NOSIZE);
}

void ConfigDialog::OnOK()
{
    // The Wallpapers page has stored its edits already; only the options
    // wait for OK.
    if (optionsPage->ValidateAndApply() == OptionsPage::Validation::Applied) {
        EndDialog(IDOK);
        return;
    }
    // The page has told the user and put the focus into the bad field; turn
    // to it by hand, as TCM_SETCURSEL sends no TCN_SELCHANGE.
    tabControl.SetCurSel(optionsTab);
    ShowPage(optionsTab);
}

void ConfigDialog::OnSelchangeTab(NMHDR*, LRESULT*)
{
    ShowPage(tabControl.GetCurSel());
}

void ConfigDialog::ShowPage(int tab)
{
    if (tab == wallpapersTab) {
        wallpapersPage->ShowWindow(SW_SHOW);
        optionsPage->ShowWindow(SW_HIDE);
    } else {
        wallpapersPage->ShowWindow(SW_HIDE);
        optionsPage->ShowWindow(SW_SHOW);
    }
}

CDialog& ConfigDialog::ShownPage() const
{
    if (tabControl.GetCurSel() == wallpapersTab)
        return *wallpapersPage;
    return *optionsPage;
}

void ConfigDialog::OnPageCommand(WPARAM command, LPARAM control)
{
    // The dialog manager sends the command of Enter on a focused push button
    // to the top-level dialog, not to the page that holds the button: the
    // page's commands would end here unheard. As in the system's property
    // sheets, whatever the frame does not handle goes to the page shown.
    ShownPage().SendMessage(WM_COMMAND, command, control);
}

BOOL ConfigDialog::PreTranslateMessage(MSG* message)
{
    // Only keys pressed in this dialog; the dialog manager would move to the
    // next control on Ctrl+Tab, and the controls would page on Ctrl+PageDown.
    if (message->message != WM_KEYDOWN || (::GetKeyState(VK_CONTROL) & 0x8000) == 0
        || (message->hwnd != m_hWnd && !::IsChild(m_hWnd, message->hwnd)))
        return FALSE;
    int step = 0;
    switch (message->wParam) {
    case VK_TAB:
        step = (::GetKeyState(VK_SHIFT) & 0x8000) != 0 ? -1 : 1;
        break;
    case VK_NEXT:
        step = 1;
        break;
    case VK_PRIOR:
        step = -1;
        break;
    default:
        return FALSE;
    }
    // A control that asks for every key keeps these too, as in property sheets.
    const LRESULT wants = ::SendMessageA(message->hwnd, WM_GETDLGCODE, message->wParam,
                                         reinterpret_cast<LPARAM>(message));
    if (wants & DLGC_WANTMESSAGE)
        return FALSE;
    TurnTab(step);
    return TRUE;
}

void ConfigDialog::TurnTab(int step)
{
    const int count = tabControl.GetItemCount();
    if (count <= 0)
        return;
    const int current = tabControl.GetCurSel();
    const int next = ((current < 0 ? 0 : current) + step % count + count) % count;
    // The focus first goes to the tab control, as with a click on the tab, so
    // that it never stays behind in the page about to be hidden, and the
    // dialog manager takes the default look from a button of that page.
    SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabControl.m_hWnd), TRUE);
    tabControl.SetCurSel(next);
    ShowPage(next);
    // The tab control is no tab stop, so the keyboard's user goes on in the
    // page: at its first control, as Tab from the dialog's start would.
    if (const HWND first = ::GetNextDlgTabItem(ShownPage().m_hWnd, nullptr, FALSE))
        SendMessage(WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);
}
