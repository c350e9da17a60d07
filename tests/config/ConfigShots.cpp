// Screenshots of the configuration dialog, for looking at it: the Wallpapers
// tab with a few rows, the Options tab and the About box, each cropped to its
// window. Not a test: the script config-shots beside it runs it and takes the
// pictures, at 96 DPI or at any other.
//   config_shots.exe OUTPUT_FOLDER NAME_PREFIX
// For each picture the program leaves OUTPUT_FOLDER/NAME_PREFIX-<view>.request
// holding the window's geometry for ImageMagick's -crop, and waits until the
// script has taken the picture and removed the request. OUTPUT_FOLDER is a
// Unix path (Wine's drive Z: is the Unix root).
#include "config/ConfigDialog.h"
#include "config/WallpapersPage.h"
#include "framework/ui/CDialog.h"
#include "framework/ui/WinApp.h"
#include "res/resource.h"
#include "tests/support/Pages.h"
#include "wallpapers/WallpaperSet.h"

#include <windows.h>
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <string>

namespace {

CWinApp application("Vistero");

std::string outputFolder = ".";
std::string namePrefix = "shot";
int failures = 0;

// Lets the windows paint and Wine hand their pixels to the X server. Only
// for pictures: no test waits like this.
void Settle()
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(700);
    while (std::chrono::steady_clock::now() < until) {
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

bool Exists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void Shoot(HWND window, const char* name)
{
    ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Settle();
    RECT frame{};
    ::GetWindowRect(window, &frame);
    const std::string base = "Z:" + outputFolder + "/" + namePrefix + "-" + name;
    const std::string request = base + ".request";
    FILE* file = std::fopen(request.c_str(), "w");
    if (!file) {
        std::fprintf(stderr, "config_shots: cannot write %s\n", request.c_str());
        ++failures;
        return;
    }
    std::fprintf(file, "%ldx%ld+%ld+%ld\n", frame.right - frame.left, frame.bottom - frame.top, frame.left, frame.top);
    std::fclose(file);

    // The window stays as it is, painting when asked, until the picture is there.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (Exists(request)) {
        if (std::chrono::steady_clock::now() > deadline) {
            std::fprintf(stderr, "config_shots: nobody took %s\n", request.c_str());
            ::DeleteFileA(request.c_str());
            ++failures;
            return;
        }
        MSG message;
        while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&message);
            ::DispatchMessageA(&message);
        }
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
}

void SelectRow(HWND list, int row)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc > 1)
        outputFolder = argv[1];
    if (argc > 2)
        namePrefix = argv[2];
    if (!AfxWinInit(::GetModuleHandleA(nullptr), ""))
        return 2;

    WallpaperSet set;
    set.Add(WallpaperEntry{"C:\\Wallpapers\\Mountain lake at dawn.bmp", ShowState::Stretched, Priority::High});
    set.Add(WallpaperEntry{"C:\\Wallpapers\\Beach.bmp", ShowState::Centered, Priority::Normal});
    set.Add(WallpaperEntry{"C:\\Windows\\Forest.bmp", ShowState::Tiled, Priority::Low});
    set.Add(WallpaperEntry{"", ShowState::None, Priority::Normal});
    set.SetChangeInterval(45);

    ConfigDialog dialog(&set);
    ScopedModalDialogHook hook([&](CDialog& shown) {
        if (shown.GetTemplateId() == IDD_ABOUT) {
            Shoot(shown.m_hWnd, "about");
            shown.EndDialog(IDOK);
            return;
        }
        if (shown.GetTemplateId() != IDD_CONFIG) {
            shown.EndDialog(IDCANCEL);
            return;
        }
        const HWND wallpapers = dialog.GetWallpapersPage().m_hWnd;
        const HWND list = ::GetDlgItem(wallpapers, IDC_WALLPAPER_LIST);
        // The About box first: the dialog is active again after it, with
        // its caption drawn so, as a user sees it once working in it.
        ::SendDlgItemMessageA(wallpapers, IDC_ABOUT, BM_CLICK, 0, 0);
        // "Beach", so that the radio buttons show its state.
        SelectRow(list, 1);
        ::SetFocus(list);
        Shoot(shown.m_hWnd, "wallpapers");
        const HWND tab = ::GetDlgItem(shown.m_hWnd, IDC_TAB);
        test_support::ClickTab(tab, 1);
        Shoot(shown.m_hWnd, "options");
        shown.EndDialog(IDCANCEL);
    });
    dialog.DoModal();
    return failures == 0 ? 0 : 1;
}
