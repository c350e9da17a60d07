// Whole-program figures under Wine, measured from outside the programs:
// Vistero.exe against the minimal tray program, both started the same way
// (CreateProcess with "/startup"), alternately, in the same run.
//
//   program_bench start RUNS MINIMAL_EXE VISTERO_EXE
//       Start to window and start to icon, and memory once started, for
//       Vistero with an empty profile and with 1,000 entries; each phase
//       measures the minimal program alongside. One line per figure:
//       <name> <median> <fastest> <slowest> <runs> (ms, or KiB for memory).
//   program_bench profile COUNT INTERVAL
//       Writes Vistero's profile with COUNT entries and that change interval.
//   program_bench ready NAME...   waits until each named window has its icon
//                                 and its process is idle in its message loop
//   program_bench close NAME...   closes those windows and waits for their processes
//
// "Window" is the moment the program's hidden window can be found by name;
// "icon" the moment the notification area knows the icon: an NIM_MODIFY that
// changes nothing succeeds only for an icon that has been added. Vistero
// adds its icon right after creating its window, so both are observed
// without anything in the program that helps the measurement.
#include "bench/BenchData.h"
#include "bench/Clock.h"
#include "profile/ProfileFile.h"
#include "wallpapers/WallpaperSet.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr DWORD StartTimeoutMs = 60000;

bool HasIcon(HWND window)
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    record.uFlags = 0;
    return ::Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

std::string BaseName(const std::string& path)
{
    const std::size_t slash = path.find_last_of("\\/");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// Vistero's profile in the user's application-data folder.
bool WriteProfile(const std::string& baseName, int count, int interval)
{
    char appData[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)))
        return false;
    const std::string file = std::string(appData) + "\\" + baseName + ".INI";
    ::DeleteFileA(file.c_str());
    ::DeleteFileA((file + ".bak").c_str());
    if (count < 0)
        return true; // no profile at all: a first start
    ProfileFile profile(baseName, appData, std::string(appData) + "\\none");
    WallpaperSet set;
    bench::Fill(set, bench::Entries(0, count));
    set.SetChangeInterval(interval);
    return set.Save(profile);
}

struct Sample {
    double window = 0;
    double icon = 0;
    double workingSetKiB = 0;
    double privateKiB = 0;
};

bool WaitGone(HANDLE process, HWND window)
{
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(process, 10000) == WAIT_OBJECT_0)
        return true;
    std::fprintf(stderr, "program_bench: a program did not end on WM_CLOSE; terminating it\n");
    ::TerminateProcess(process, 1);
    ::WaitForSingleObject(process, 10000);
    return false;
}

bool RunOnce(const std::string& exe, const char* windowName, Sample& sample)
{
    std::string commandLine = "\"" + exe + "\" /startup";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const LONGLONG start = Now();
    if (!::CreateProcessA(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                          &info)) {
        std::fprintf(stderr, "program_bench: cannot start %s (error %lu)\n", exe.c_str(), ::GetLastError());
        return false;
    }
    ::CloseHandle(info.hThread);

    HWND window = nullptr;
    bool ok = false;
    for (;;) {
        const double elapsed = Milliseconds(Now() - start);
        if (elapsed > StartTimeoutMs || ::WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0)
            break;
        if (!window) {
            window = ::FindWindowA(nullptr, windowName);
            if (window)
                sample.window = Milliseconds(Now() - start);
        }
        if (window && HasIcon(window)) {
            sample.icon = Milliseconds(Now() - start);
            ok = true;
            break;
        }
        ::Sleep(1);
    }
    if (!ok) {
        std::fprintf(stderr, "program_bench: %s showed no window and icon \"%s\"\n", exe.c_str(), windowName);
        ::TerminateProcess(info.hProcess, 1);
        ::CloseHandle(info.hProcess);
        return false;
    }

    // Memory once the program has finished starting: its thread waits in
    // the message loop.
    ::WaitForInputIdle(info.hProcess, 10000);
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(info.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        sample.workingSetKiB = static_cast<double>(memory.WorkingSetSize) / 1024.0;
        sample.privateKiB = static_cast<double>(memory.PrivateUsage) / 1024.0;
    }
    WaitGone(info.hProcess, window);
    ::CloseHandle(info.hProcess);
    return true;
}

void Print(const std::string& name, std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    std::printf("%s %.3f %.3f %.3f %zu\n", name.c_str(), median, values.front(), values.back(), n);
    std::fflush(stdout);
}

int Start(int runs, const std::string& minimal, const std::string& vistero)
{
    struct Phase {
        const char* name;
        int count;
    };
    // A user with a timed change: the one-minute timer runs.
    for (const Phase phase : {Phase{"empty", -1}, Phase{"1000", 1000}}) {
        if (!WriteProfile(BaseName(vistero), phase.count, 60)) {
            std::fprintf(stderr, "program_bench: cannot write the profile\n");
            return 1;
        }
        std::vector<Sample> minimalSamples;
        std::vector<Sample> visteroSamples;
        // One warm-up round, then alternate which program goes first, so that
        // neither always follows the other.
        for (int round = 0; round <= runs; ++round) {
            Sample a;
            Sample b;
            const bool minimalFirst = round % 2 == 0;
            for (int i = 0; i < 2; ++i) {
                const bool isMinimal = (i == 0) == minimalFirst;
                if (!RunOnce(isMinimal ? minimal : vistero, isMinimal ? "MinimalTrayWnd" : "VisteroWnd",
                             isMinimal ? a : b))
                    return 1;
            }
            if (round > 0) {
                minimalSamples.push_back(a);
                visteroSamples.push_back(b);
            }
        }
        auto column = [](const std::vector<Sample>& samples, double Sample::*field) {
            std::vector<double> values;
            for (const Sample& s : samples)
                values.push_back(s.*field);
            return values;
        };
        const std::string suffix = std::string("_") + phase.name;
        Print("start_window_minimal" + suffix, column(minimalSamples, &Sample::window));
        Print("start_window_vistero" + suffix, column(visteroSamples, &Sample::window));
        Print("start_icon_minimal" + suffix, column(minimalSamples, &Sample::icon));
        Print("start_icon_vistero" + suffix, column(visteroSamples, &Sample::icon));
        Print("working_set_minimal" + suffix, column(minimalSamples, &Sample::workingSetKiB));
        Print("working_set_vistero" + suffix, column(visteroSamples, &Sample::workingSetKiB));
        Print("private_minimal" + suffix, column(minimalSamples, &Sample::privateKiB));
        Print("private_vistero" + suffix, column(visteroSamples, &Sample::privateKiB));
    }
    return 0;
}

int Ready(const std::vector<std::string>& names)
{
    const LONGLONG start = Now();
    for (const std::string& name : names) {
        HWND window = nullptr;
        while (!(window = ::FindWindowA(nullptr, name.c_str())) || !HasIcon(window)) {
            if (Milliseconds(Now() - start) > StartTimeoutMs) {
                std::fprintf(stderr, "program_bench: no window and icon \"%s\"\n", name.c_str());
                return 1;
            }
            ::Sleep(10);
        }
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        if (const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId)) {
            ::WaitForInputIdle(process, 10000);
            ::CloseHandle(process);
        }
    }
    return 0;
}

int Close(const std::vector<std::string>& names)
{
    int status = 0;
    for (const std::string& name : names) {
        const HWND window = ::FindWindowA(nullptr, name.c_str());
        if (!window)
            continue;
        DWORD processId = 0;
        ::GetWindowThreadProcessId(window, &processId);
        const HANDLE process = ::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, processId);
        if (!process) {
            ::PostMessageA(window, WM_CLOSE, 0, 0);
            continue;
        }
        if (!WaitGone(process, window))
            status = 1;
        ::CloseHandle(process);
    }
    return status;
}

} // namespace

// The shell's notification area comes up with the desktop, which asking
// for it starts, a moment later; a tray program started before it finds
// nowhere to put its icon and ends.
bool WaitForTheTray()
{
    ::GetDesktopWindow();
    for (DWORD waited = 0; waited < StartTimeoutMs; waited += 10) {
        if (::FindWindowA("Shell_TrayWnd", nullptr))
            return true;
        ::Sleep(10);
    }
    std::fprintf(stderr, "program_bench: the shell showed no notification area\n");
    return false;
}

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "start" && argc == 5)
        return WaitForTheTray() ? Start(std::max(1, std::atoi(argv[2])), argv[3], argv[4]) : 1;
    if (mode == "profile" && argc == 4)
        return WriteProfile("Vistero", std::atoi(argv[2]), std::atoi(argv[3])) ? 0 : 1;
    if (mode == "ready" && argc > 2 && !WaitForTheTray())
        return 1;
    if ((mode == "ready" || mode == "close") && argc > 2) {
        const std::vector<std::string> names(argv + 2, argv + argc);
        return mode == "ready" ? Ready(names) : Close(names);
    }
    std::fprintf(stderr,
                 "usage: program_bench start RUNS MINIMAL_EXE VISTERO_EXE\n"
                 "       program_bench profile COUNT INTERVAL\n"
                 "       program_bench ready|close WINDOW_NAME...\n");
    return 2;
}
