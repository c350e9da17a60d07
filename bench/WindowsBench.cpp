// The Windows side of the core under Wine, timed with QueryPerformanceCounter:
// Load and Save through the real profile file, FillList of the Wallpapers
// page, and the desktop wallpaper writer. Prints one line per figure,
//   <name> <median ms> <fastest ms> <slowest ms> <runs>
// for bench/report. Usage: windows_bench.exe [runs [group]], where a group
// ("file", "fill" or "wallpaper") runs only those figures.
//
// Not a test: it asserts nothing about speed; the goals live in the report.
#include "bench/BenchData.h"
#include "bench/Clock.h"
#include "config/WallpapersPage.h"
#include "framework/ui/CWnd.h"
#include "framework/ui/WinApp.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"
#include "wallpapers/DesktopWallpaperWriter.h"
#include "wallpapers/WallpaperSet.h"

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

// Runs `prepare` (untimed) and `measured` (timed) `runs` times, after one
// warm-up run, and prints the median.
void Figure(const char* name, int runs, const std::function<void()>& prepare, const std::function<void()>& measured,
            const std::function<void()>& finish = {})
{
    std::vector<double> times;
    for (int run = 0; run <= runs; ++run) {
        if (prepare)
            prepare();
        const LONGLONG start = Now();
        measured();
        const LONGLONG stop = Now();
        if (finish)
            finish();
        if (run > 0)
            times.push_back(Milliseconds(stop - start));
    }
    std::sort(times.begin(), times.end());
    const double median = times.size() % 2 ? times[times.size() / 2]
                                           : (times[times.size() / 2 - 1] + times[times.size() / 2]) / 2;
    std::printf("%s %.4f %.4f %.4f %d\n", name, median, times.front(), times.back(), runs);
    std::fflush(stdout);
}

// A folder of our own in the temporary directory, removed with what is in it.
class TemporaryFolder {
public:
    TemporaryFolder()
    {
        char base[MAX_PATH + 1] = {};
        ::GetTempPathA(sizeof base, base);
        path = std::string(base) + "vistero-bench-" + std::to_string(::GetCurrentProcessId());
        ::CreateDirectoryA(path.c_str(), nullptr);
    }
    ~TemporaryFolder()
    {
        WIN32_FIND_DATAA found{};
        const HANDLE search = ::FindFirstFileA((path + "\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do {
                if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    ::DeleteFileA((path + "\\" + found.cFileName).c_str());
            } while (::FindNextFileA(search, &found));
            ::FindClose(search);
        }
        ::RemoveDirectoryA(path.c_str());
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::string& Path() const { return path; }

private:
    std::string path;
};

// Load and Save of `count` entries through a profile file of their own.
void ProfileFileFigures(const TemporaryFolder& folder, int count, int runs)
{
    const std::string baseName = "Bench" + std::to_string(count);
    // The Windows directory's older copy is looked for in a folder that does
    // not exist, as on a machine that never had one.
    ProfileFile profile(baseName, folder.Path(), folder.Path() + "\\none");
    {
        WallpaperSet written;
        bench::Fill(written, bench::Entries(0, count));
        if (!written.Save(profile)) {
            std::fprintf(stderr, "windows_bench: cannot write %s (error %lu)\n", profile.FileName().c_str(),
                         profile.LastSaveError());
            std::exit(1);
        }
    }

    // Load into a new set, as at start-up: the file is read and parsed again.
    std::unique_ptr<WallpaperSet> set;
    Figure(("file_load_" + std::to_string(count)).c_str(), runs, [&] { set = std::make_unique<WallpaperSet>(); },
           [&] { set->Load(profile); },
           [&] {
               if (set->GetCount() != count) {
                   std::fprintf(stderr, "windows_bench: loaded %d of %d entries\n", set->GetCount(), count);
                   std::exit(1);
               }
               set.reset();
           });

    // Save over the file the list came from, as after OK.
    WallpaperSet loaded;
    loaded.Load(profile);
    Figure(("file_save_" + std::to_string(count)).c_str(), runs, {}, [&] {
        if (!loaded.Save(profile)) {
            std::fprintf(stderr, "windows_bench: save failed (error %lu)\n", profile.LastSaveError());
            std::exit(1);
        }
    });

    // What the platform alone costs for the same bytes: reading the file, and
    // the save's file work (temporary file written and flushed, the backup the
    // same way, both moved into place), with no parsing or formatting.
    const std::string file = profile.FileName();
    std::string text;
    Figure(("file_read_only_" + std::to_string(count)).c_str(), runs, {}, [&] {
        const HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                            FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        LARGE_INTEGER size{};
        ::GetFileSizeEx(handle, &size);
        text.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        ::ReadFile(handle, text.data(), static_cast<DWORD>(text.size()), &got, nullptr);
        ::CloseHandle(handle);
    });
    const std::string scratch = folder.Path() + "\\scratch.INI";
    auto writeFlushMove = [&](const std::string& to) {
        const HANDLE handle =
            ::CreateFileA((to + ".tmp").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD done = 0;
        ::WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
        ::FlushFileBuffers(handle);
        ::CloseHandle(handle);
        ::MoveFileExA((to + ".tmp").c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    };
    Figure(("file_write_only_" + std::to_string(count)).c_str(), runs, {}, [&] {
        writeFlushMove(scratch + ".bak");
        writeFlushMove(scratch);
    });
}

// A visible top-level window for the page, as the configuration tests use.
class PageParent : public CWnd {
public:
    PageParent()
    {
        CreateEx(0, AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)), "BenchParent",
                 WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 600, 600, nullptr, nullptr);
    }
};

class BenchWallpapersPage : public WallpapersPage {
public:
    using WallpapersPage::WallpapersPage;
    using WallpapersPage::FillList;
};

void PumpPending()
{
    MSG message;
    while (::PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
}

// FillList of the page, created modeless and hidden as the dialog creates it,
// into an empty list each time.
void FillListFigure(int count, int runs)
{
    WallpaperSet set;
    bench::Fill(set, bench::Entries(0, count));
    PageParent parent;
    BenchWallpapersPage page(&set);
    if (!page.CreatePage(&parent)) {
        std::fprintf(stderr, "windows_bench: the Wallpapers page was not created\n");
        std::exit(1);
    }
    const HWND list = page.GetDlgItem(IDC_WALLPAPER_LIST);
    Figure(("fill_list_" + std::to_string(count)).c_str(), runs,
           [&] {
               ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
               PumpPending();
           },
           [&] { page.FillList(); },
           [&] {
               PumpPending();
               const auto rows = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
               if (rows != count) {
                   std::fprintf(stderr, "windows_bench: %d rows for %d entries\n", rows, count);
                   std::exit(1);
               }
           });
    page.DestroyWindow();
    parent.DestroyWindow();
}

// The floor under FillList: the same rows put straight into a bare list
// control of the page's styles, with no page, no framework and no sorting of
// our own (given in the order in which each lands at the top). What FillList
// costs above this figure is ours; the rest is the control's.
void BareListFigure(int count, int runs)
{
    WallpaperSet set;
    bench::Fill(set, bench::Entries(0, count));
    std::vector<std::string> texts;
    WallpaperSet::IteratorHolder holder;
    for (WallpaperSet::Iterator& it = set.Begin(holder); !it.AtEnd(); it.Next())
        texts.emplace_back(it.Entry().path.GetString());
    std::sort(texts.begin(), texts.end(),
              [](const std::string& a, const std::string& b) { return ::lstrcmpA(a.c_str(), b.c_str()) > 0; });
    PageParent parent;
    const HWND list = ::CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "",
                                        WS_CHILD | WS_VISIBLE | WS_BORDER | LVS_REPORT | LVS_SORTASCENDING, 10, 10,
                                        400, 300, parent.m_hWnd, nullptr, ::GetModuleHandleA(nullptr), nullptr);
    const HIMAGELIST images = ::ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 4, 0);
    ::SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
    for (int column = 0; column < 2; ++column) {
        LVCOLUMNA header{};
        header.mask = LVCF_WIDTH | LVCF_TEXT;
        header.cx = column == 0 ? 300 : 80;
        header.pszText = const_cast<char*>(column == 0 ? "File" : "Priority");
        ::SendMessageA(list, LVM_INSERTCOLUMNA, column, reinterpret_cast<LPARAM>(&header));
    }
    Figure(("bare_list_" + std::to_string(count)).c_str(), runs,
           [&] {
               ::SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
               PumpPending();
           },
           [&] {
               ::SendMessageA(list, WM_SETREDRAW, FALSE, 0);
               LPARAM id = 0;
               for (const std::string& text : texts) {
                   LVITEMA item{};
                   item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
                   item.pszText = const_cast<char*>(text.c_str());
                   item.iImage = static_cast<int>(id % 3);
                   item.lParam = ++id;
                   const auto row = static_cast<int>(::SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
                   LVITEMA priority{};
                   priority.mask = LVIF_TEXT;
                   priority.iItem = row;
                   priority.iSubItem = 1;
                   priority.pszText = const_cast<char*>("Normal");
                   ::SendMessageA(list, LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&priority));
               }
               ::SendMessageA(list, WM_SETREDRAW, TRUE, 0);
           });
    ::DestroyWindow(list);
    ::ImageList_Destroy(images);
    parent.DestroyWindow();
}

// The desktop values the writer changes, put back afterwards exactly.
class SavedDesktopValues {
public:
    SavedDesktopValues()
    {
        for (const char* name : names) {
            HKEY key = nullptr;
            std::optional<Value> value;
            if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS) {
                DWORD type = 0;
                DWORD size = 0;
                if (::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
                    Value read{type, std::string(size, '\0')};
                    if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(read.data.data()),
                                           &size) == ERROR_SUCCESS) {
                        read.data.resize(size);
                        value = std::move(read);
                    }
                }
                ::RegCloseKey(key);
            }
            values.push_back(std::move(value));
        }
    }
    ~SavedDesktopValues()
    {
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
            return;
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (values[i])
                ::RegSetValueExA(key, names[i], 0, values[i]->type, reinterpret_cast<const BYTE*>(values[i]->data.data()),
                                 static_cast<DWORD>(values[i]->data.size()));
            else
                ::RegDeleteValueA(key, names[i]);
        }
        ::RegCloseKey(key);
    }
    SavedDesktopValues(const SavedDesktopValues&) = delete;
    SavedDesktopValues& operator=(const SavedDesktopValues&) = delete;

private:
    struct Value {
        DWORD type = 0;
        std::string data;
    };
    // Wine keeps win.ini's [Desktop] section in this same key.
    static constexpr const char* keyName = "Control Panel\\Desktop";
    static constexpr const char* names[] = {"Wallpaper", "TileWallpaper", "WallpaperStyle"};
    std::vector<std::optional<Value>> values;
};

void SetWallpaperFigure(int runs)
{
    const SavedDesktopValues saved;
    int n = 0;
    Figure("set_wallpaper_stored", runs, {}, [&] {
        // A different path and show state each time, so nothing is skipped as unchanged.
        const CString path = bench::PathOf(n);
        DesktopWallpaperWriter::SetWallpaper(path, n % 3, false);
        ++n;
    });
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 11;
    const std::string only = argc > 2 ? argv[2] : "";
    auto wanted = [&](const char* group) { return only.empty() || only == group; };
    CWinApp application("VisteroBench");
    if (!AfxWinInit(::GetModuleHandleA(nullptr), ::GetCommandLineA())) {
        std::fprintf(stderr, "windows_bench: the framework did not start\n");
        return 1;
    }
    if (wanted("file")) {
        const TemporaryFolder folder;
        ProfileFileFigures(folder, 1000, runs);
        ProfileFileFigures(folder, 10000, runs);
    }
    if (wanted("fill")) {
        FillListFigure(1000, runs);
        FillListFigure(5000, runs);
        BareListFigure(5000, runs);
    }
    if (wanted("wallpaper"))
        SetWallpaperFigure(runs);
    return 0;
}
