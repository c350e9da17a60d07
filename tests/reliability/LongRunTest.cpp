// One long run of the tray window in this process, with the test program's
// own application object and profile: rounds of ten timed changes, one
// configuration dialog (OK and Cancel in turn, through the framework's modal
// hook) and one tray menu (shown by the right-click callback, escaped by a
// thread timer acting in its loop). 1,000 rounds with VISTERO_SOAK=1 (make
// soak), 200 otherwise. What the process holds after the first hundred
// rounds and at the end must be the same, where the program decides it.
//
// Its private pages are the machine's figure more than the program's: under
// Wine they are the process's resident anonymous memory, the Unix side
// included, and what the kernel makes resident differs between machines.
// Counting the GDI objects below reads every entry of Wine's GDI handle
// table, 65,536 entries of 24 bytes, 1.5 MiB reserved at start and never
// written: where reading such memory maps the kernel's one zero page, that
// costs nothing; on kernels that give each page read its own frame, the first
// count made the whole table resident, a step of about 2 MiB between the
// figure taken before it and every later one. So the figures are taken only
// after one count has been made, and a loss of private pages is growth that
// goes on in every stretch of rounds after the warm-up, not a step in one.
//
// Wine 8 itself loses 72 bytes of its own heap each time a dialog window
// takes the focus: the same dialogs opened with the bare DialogBoxParamA lose
// the same amount. So the heap of the C runtime, which holds everything the
// program's own code allocates, is held to its size, and the heaps of the
// system DLLs to what the bare dialogs lose.
#include "app/TrayWindow.h"

#include "framework/ui/WinApp.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"
#include "tests/support/DialogDriver.h"
#include "tests/support/MessageBoxRecorder.h"
#include "tests/support/Outside.h"
#include "wallpapers/DesktopWallpaperWriter.h"

#include <gtest/gtest.h>

#include <malloc.h>
#include <psapi.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// What the process holds. The first three come from the system where it
// counts them; Wine 8 answers PrivateUsage, GetProcessHandleCount and
// GetGuiResources with 0, so there they are counted by other means.
struct Figures {
    SIZE_T privateBytes = 0; // PrivateUsage, or on Wine its private pages (PagefileUsage)
    SIZE_T programHeap = 0;  // bytes in use in the C runtime's heap: new, malloc
    SIZE_T systemHeaps = 0;  // bytes in use in every other heap
    DWORD handles = 0;       // kernel handles
    DWORD gdiObjects = 0;
    DWORD windows = 0;       // windows of this thread, children included
    DWORD menus = 0;
    DWORD icons = 0;         // icons and cursors
};

BOOL CALLBACK CountWindow(HWND window, LPARAM count)
{
    ++*reinterpret_cast<DWORD*>(count);
    ::EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

// Wine finds a GDI or USER object from the low word of its handle alone (a
// high word of 0 matches any generation), so trying every low word counts
// the objects of this process.
template <class Exists>
DWORD CountHandles(Exists exists)
{
    DWORD count = 0;
    for (ULONG_PTR low = 1; low <= 0xFFFF; ++low)
        count += exists(low) ? 1 : 0;
    return count;
}

Figures Measure()
{
    Figures figures;
    const HANDLE process = ::GetCurrentProcess();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    ::GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
    figures.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;

    HANDLE heaps[256];
    const DWORD heapCount = std::min<DWORD>(::GetProcessHeaps(256, heaps), 256);
    const auto runtimeHeap = reinterpret_cast<HANDLE>(_get_heap_handle());
    for (DWORD i = 0; i < heapCount; ++i) {
        SIZE_T& inUse = heaps[i] == runtimeHeap ? figures.programHeap : figures.systemHeaps;
        ::HeapLock(heaps[i]);
        PROCESS_HEAP_ENTRY entry{};
        while (::HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                inUse += entry.cbData;
        ::HeapUnlock(heaps[i]);
    }

    if (!::GetProcessHandleCount(process, &figures.handles) || figures.handles == 0) {
        figures.handles = 0;
        DWORD flags = 0;
        for (ULONG_PTR value = 4; value < 0x40000; value += 4)
            figures.handles += ::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags) ? 1 : 0;
    }
    figures.gdiObjects = ::GetGuiResources(process, GR_GDIOBJECTS);
    if (figures.gdiObjects == 0)
        figures.gdiObjects = CountHandles([](ULONG_PTR low) { return ::GetObjectType(reinterpret_cast<HGDIOBJ>(low)) != 0; });
    ::EnumThreadWindows(::GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&figures.windows));
    figures.menus = CountHandles([](ULONG_PTR low) { return ::IsMenu(reinterpret_cast<HMENU>(low)) != FALSE; });
    figures.icons = CountHandles([](ULONG_PTR low) {
        ICONINFO info{};
        if (!::GetIconInfo(reinterpret_cast<HICON>(low), &info))
            return false;
        ::DeleteObject(info.hbmMask);
        if (info.hbmColor)
            ::DeleteObject(info.hbmColor);
        return true;
    });
    return figures;
}

// The menu's loop runs inside the right-click callback; this thread timer
// escapes each menu once it is on the screen.
int menusEscaped = 0;

void CALLBACK EscapeMenu(HWND, UINT, UINT_PTR timer, DWORD)
{
    const HWND menu = ::FindWindowA("#32768", nullptr);
    if (!menu || !::IsWindowVisible(menu))
        return;
    ::KillTimer(nullptr, timer);
    ++menusEscaped;
    ::PostMessageA(menu, WM_KEYDOWN, VK_ESCAPE, 0);
}

// Counts the timed changes on their way to the registry.
int changes = 0;

LSTATUS WINAPI CountingSetValue(HKEY key, LPCSTR name, DWORD reserved, DWORD type, const BYTE* data, DWORD size)
{
    if (lstrcmpiA(name, "TileWallpaper") == 0)
        ++changes;
    return ::RegSetValueExA(key, name, reserved, type, data, size);
}

INT_PTR CALLBACK BarePage(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

INT_PTR CALLBACK BareFrame(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message == WM_INITDIALOG) {
        const HINSTANCE instance = AfxGetInstanceHandle();
        ::ShowWindow(::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_WALLPAPERS), dialog, BarePage, 0), SW_SHOW);
        ::CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_OPTIONS), dialog, BarePage, 0);
        ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        return TRUE;
    }
    if (message == WM_COMMAND)
        ::EndDialog(dialog, IDCANCEL);
    return message == WM_COMMAND;
}

// What the system DLLs' heaps lose per opening of the configuration dialog's
// three templates through the bare API: the frame, both pages as its
// children, the first one shown, as the program lays them out.
// The major version of the Wine that runs this program; 0 on Windows.
int WineMajorVersion()
{
    using GetVersion = const char*(CDECL*)();
    const auto version = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("ntdll.dll"), "wine_get_version")));
    return version ? std::atoi(version()) : 0;
}

double BareDialogLoss()
{
    constexpr int Openings = 100;
    SIZE_T before = 0;
    for (int i = -10; i < Openings; ++i) {
        if (i == 0)
            before = Measure().systemHeaps;
        ::DialogBoxParamA(AfxGetInstanceHandle(), MAKEINTRESOURCEA(IDD_CONFIG), nullptr, BareFrame, 0);
    }
    return static_cast<double>(Measure().systemHeaps - before) / Openings;
}

TEST(LongRun, TicksDialogsAndMenusLeaveNothingBehind)
{
    const char* soak = std::getenv("VISTERO_SOAK");
    const int rounds = soak && std::string(soak) == "1" ? 1000 : 200;
    constexpr int TicksPerRound = 10;
    constexpr int Warmup = 100;

    ASSERT_TRUE(test_support::WaitForTheTray());
    // A real bitmap, one that is gone, and the no-wallpaper entry, each
    // applied at once on every tick (interval 1).
    const std::string bitmap = (fs::temp_directory_path() / "vistero-long-run.bmp").string();
    test_support::WriteBitmapFile(bitmap, 2, 2, [](int, int) { return RGB(0x7F, 0x7F, 0x7F); });
    const std::string profile = AfxGetApp()->GetProfileFile().FileName();
    std::ofstream(profile, std::ios::binary | std::ios::trunc)
        << "[WallpaperList]\r\nNumberOfFiles=3\r\nFile0=" << bitmap << "\r\nShowstate0=2\r\nFile1=C:\\gone.bmp\r\n"
        << "File2=\r\nChangeInterval=1\r\n";
    const test_support::SavedDesktopSettings restored;

    test_support::MessageBoxRecorder boxes;
    DesktopWallpaperWriter::RegistryCalls counting;
    counting.setValue = CountingSetValue;
    const DesktopWallpaperWriter::ScopedRegistryCalls countingChanges(counting);
    auto* tray = new TrayWindow;
    ASSERT_TRUE(tray->Create());
    const HWND window = tray->GetSafeHwnd();

    // The first count reads every table it walks; from then on the figures
    // compare like with like.
    Measure();
    constexpr int Stretches = 4;
    std::vector<Figures> points; // at the end of the warm-up and of each stretch after it
    const auto stretchEnds = [&](int round) {
        return round >= Warmup && (round - Warmup) % ((rounds - Warmup) / Stretches) == 0;
    };
    int dialogsShown = 0;
    for (int round = 1; round <= rounds; ++round) {
        for (int tick = 0; tick < TicksPerRound; ++tick)
            ::SendMessageA(window, WM_TIMER, TrayWindow::ChangeTimerId, 0);
        {
            test_support::ModalDialogDriver dialogs;
            dialogs.Expect(IDD_CONFIG, [round](CDialog& dialog) { dialog.EndDialog(round % 2 ? IDOK : IDCANCEL); });
            ::SendMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0);
            dialogsShown += static_cast<int>(dialogs.Shown().size());
        }
        const UINT_PTR timer = ::SetTimer(nullptr, 0, 1, EscapeMenu);
        ::SendMessageA(window, TrayWindow::TrayCallbackMessage, 0, WM_RBUTTONUP);
        ::KillTimer(nullptr, timer);
        test_support::PumpPending();
        if (stretchEnds(round))
            points.push_back(Measure());
        if (::testing::Test::HasFatalFailure())
            break;
    }
    ASSERT_EQ(static_cast<std::size_t>(Stretches + 1), points.size());
    const Figures& warm = points.front();
    const Figures& end = points.back();
    ASSERT_TRUE(::IsWindow(window));
    ::DestroyWindow(window);

    const double bareLoss = BareDialogLoss();

    EXPECT_EQ(rounds * TicksPerRound, changes);
    EXPECT_EQ(rounds, dialogsShown);
    EXPECT_EQ(rounds, menusEscaped);
    EXPECT_TRUE(boxes.Boxes().empty());
    // Handles and objects come back exactly, and so does everything the
    // program's code allocates, but for a few kilobytes the runtime may keep
    // (far below the 200 rounds after which even 16 bytes a round would
    // show). The system DLLs may lose what they lose without the program;
    // private memory follows the heaps a page at a time.
    EXPECT_EQ(warm.handles, end.handles);
    EXPECT_EQ(warm.gdiObjects, end.gdiObjects);
    EXPECT_EQ(warm.windows, end.windows);
    EXPECT_EQ(warm.menus, end.menus);
    EXPECT_EQ(warm.icons, end.icons);
    const SIZE_T later = rounds - Warmup;
    EXPECT_LE(end.programHeap, warm.programHeap + 4096);
    // From Wine 10 on, Wine's own DLLs lose memory at each opening of these
    // templates in a measure that depends on what the pages show: without
    // any of our code, the frame and its pages with two tabs, two columns,
    // three rows and the image list lose 600 to 1,200 bytes an opening under
    // Wine 10, 192 under Wine 8, which the bare frame here reproduces. The
    // bound then would measure Wine, not Vistero; the program's own heap and
    // every handle and object above are held to it under every Wine.
    if (WineMajorVersion() < 10) {
        EXPECT_LE(end.systemHeaps, warm.systemHeaps + static_cast<SIZE_T>(bareLoss * later) + 16 * later);
    }
    // Private pages follow the heaps a page at a time, and may step once
    // where the machine decides (above); a loss grows in every stretch.
    const auto grown = [](SIZE_T from, SIZE_T to) { return to > from ? to - from : 0; };
    bool grewInEveryStretch = true;
    for (std::size_t i = 1; i < points.size(); ++i) {
        const SIZE_T heaps = grown(points[i - 1].programHeap + points[i - 1].systemHeaps,
                                   points[i].programHeap + points[i].systemHeaps);
        grewInEveryStretch = grewInEveryStretch
                             && grown(points[i - 1].privateBytes, points[i].privateBytes) > 2 * heaps + 64 * 1024;
    }
    EXPECT_FALSE(grewInEveryStretch) << "private pages grew in each of the " << Stretches << " stretches";

    const auto line = [](const char* name, long long warmValue, long long endValue) {
        std::printf("  %-24s %12lld %12lld %+10lld\n", name, warmValue, endValue, endValue - warmValue);
    };
    std::printf("long run: %d rounds: %d timed changes, %d dialogs (OK and Cancel in turn), %d tray menus\n", rounds,
                changes, dialogsShown, menusEscaped);
    std::printf("  %-24s %12s %12s %10s\n", "", "round 100", "end", "change");
    std::printf("  %-24s", "private bytes by stretch");
    for (std::size_t i = 1; i < points.size(); ++i)
        std::printf(" %+lld", static_cast<long long>(points[i].privateBytes) - static_cast<long long>(points[i - 1].privateBytes));
    std::printf("\n");
    line("private bytes", warm.privateBytes, end.privateBytes);
    line("program heap in use", warm.programHeap, end.programHeap);
    line("system heaps in use", warm.systemHeaps, end.systemHeaps);
    line("kernel handles", warm.handles, end.handles);
    line("GDI objects", warm.gdiObjects, end.gdiObjects);
    line("windows of the thread", warm.windows, end.windows);
    line("menus", warm.menus, end.menus);
    line("icons and cursors", warm.icons, end.icons);
    std::printf("  the same dialogs through the bare DialogBoxParamA lose %.0f bytes of the system heaps an opening\n",
                bareLoss);
    std::error_code ignored;
    fs::remove(bitmap, ignored);
}

} // namespace
