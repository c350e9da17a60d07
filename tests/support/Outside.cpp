#include "tests/support/Outside.h"

#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <cstdio>

namespace test_support {

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IconShown(HWND window)
{
    NOTIFYICONDATAA record{};
    record.cbSize = NOTIFYICONDATAA_V1_SIZE;
    record.hWnd = window;
    record.uID = 0;
    record.uFlags = NIF_TIP;
    lstrcpyA(record.szTip, "Vistero 1.1");
    return ::Shell_NotifyIconA(NIM_MODIFY, &record) != FALSE;
}

std::string AppliedWallpaper()
{
    // Room for a path of MAX_PATH characters in UTF-8.
    char path[3 * MAX_PATH + 1] = "<unknown>";
    ::SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
    return path;
}

std::string TextOf(HWND window)
{
    std::string text(static_cast<std::size_t>(::GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

RECT PlaceOf(HWND child)
{
    RECT place{};
    ::GetWindowRect(child, &place);
    ::MapWindowPoints(nullptr, ::GetParent(child), reinterpret_cast<POINT*>(&place), 2);
    return place;
}

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

bool StartProcess(const std::string& commandLine, PROCESS_INFORMATION& info, const char* folder, DWORD* error)
{
    constexpr int Tries = 3;
    DWORD lastError = 0;
    for (int attempt = 1; attempt <= Tries; ++attempt) {
        std::string line = commandLine;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        info = PROCESS_INFORMATION{};
        if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup, &info))
            return true;
        lastError = ::GetLastError();
        std::fprintf(stderr, "test: CreateProcessA failed with error %lu (try %d of %d): %s\n",
                     static_cast<unsigned long>(lastError), attempt, Tries, commandLine.c_str());
    }
    if (error)
        *error = lastError;
    return false;
}

void EndStrayPrograms()
{
    // Every program the tests start, by the file name Windows gives it.
    static constexpr const char* started[] = {"Vistero.exe", "reliability_save_child.exe", "MinimalTray.exe"};
    // Fails with INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry)) {
        bool stray = false;
        for (const char* name : started)
            stray = stray || ::lstrcmpiA(entry.szExeFile, name) == 0;
        if (!stray || entry.th32ProcessID == ::GetCurrentProcessId())
            continue;
        const UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, entry.th32ProcessID));
        if (!process)
            continue;
        std::fprintf(stderr, "test: ending %s (process %lu), left running by an earlier test program\n",
                     entry.szExeFile, static_cast<unsigned long>(entry.th32ProcessID));
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), 10000);
    }
}

namespace {

class CleanStart : public testing::Environment {
public:
    void SetUp() override { EndStrayPrograms(); }
};

[[maybe_unused]] testing::Environment* const cleanStart = testing::AddGlobalTestEnvironment(new CleanStart);

} // namespace

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    ::SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::optional<Link> ReadLink(const std::string& file)
{
    const ComInit com;
    ComPtr<IShellLinkA> link;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                  link.ReceiveVoid())))
        return std::nullopt;
    const ComPtr<IPersistFile> persist = link.As<IPersistFile>(IID_IPersistFile);
    // Wide enough for the long folders of the shortcut tests.
    wchar_t wide[1024] = {};
    if (!persist || ::MultiByteToWideChar(CP_ACP, 0, file.c_str(), -1, wide, 1024) == 0 ||
        FAILED(persist->Load(wide, STGM_READ)))
        return std::nullopt;
    char text[3][MAX_PATH] = {};
    link->GetPath(text[0], MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(text[1], MAX_PATH);
    link->GetDescription(text[2], MAX_PATH);
    return Link{text[0], text[1], text[2]};
}

} // namespace test_support
