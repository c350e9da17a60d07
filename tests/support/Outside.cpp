#include "tests/support/Outside.h"

#include "framework/core/UniqueHandle.h"
#include "framework/ui/Com.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace test_support {

bool FileExists(const std::string& path)
{
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "(missing)";
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    EXPECT_TRUE(file.good()) << "cannot write " << path;
}

void WriteBitmapFile(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colourAt)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    header.bfSize = static_cast<DWORD>(header.bfOffBits + stride * height);
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string file(reinterpret_cast<const char*>(&header), sizeof header);
    file.append(reinterpret_cast<const char*>(&info), sizeof info);
    for (int y = height - 1; y >= 0; --y) { // bottom-up rows of blue, green, red
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = colourAt(x, y);
            row[x * 3] = static_cast<char>(GetBValue(colour));
            row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
            row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
        }
        file += row;
    }
    WriteFileBytes(path, file);
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

std::vector<COLORREF> ScreenPixels(const RECT& area)
{
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    std::vector<COLORREF> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const HDC display = ::GetDC(nullptr);
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = ::CreateCompatibleDC(display);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, width, height, display, area.left, area.top, SRCCOPY);
    ::GdiFlush();
    if (bits) {
        const auto* pixel = static_cast<const DWORD*>(bits);
        pixels.reserve(static_cast<size_t>(width) * height);
        for (size_t i = 0, n = static_cast<size_t>(width) * height; i < n; ++i)
            pixels.push_back(RGB((pixel[i] >> 16) & 0xFF, (pixel[i] >> 8) & 0xFF, pixel[i] & 0xFF));
    }
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, display);
    return pixels;
}

namespace {

// Where the icon drawn at `size` is opaque, and in which colour: drawn on
// black and on white, the pixels that come out the same.
std::vector<std::pair<POINT, COLORREF>> OpaquePixels(HICON icon, int size)
{
    std::vector<COLORREF> drawn[2];
    for (int background = 0; background < 2; ++background) {
        const HDC display = ::GetDC(nullptr);
        const HDC memory = ::CreateCompatibleDC(display);
        const HBITMAP bitmap = ::CreateCompatibleBitmap(display, size, size);
        const HGDIOBJ old = ::SelectObject(memory, bitmap);
        const RECT all{0, 0, size, size};
        ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(background ? WHITE_BRUSH : BLACK_BRUSH)));
        ::DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                drawn[background].push_back(::GetPixel(memory, x, y));
        ::SelectObject(memory, old);
        ::DeleteObject(bitmap);
        ::DeleteDC(memory);
        ::ReleaseDC(nullptr, display);
    }
    std::vector<std::pair<POINT, COLORREF>> opaque;
    for (int i = 0; i < size * size; ++i)
        if (drawn[0][i] == drawn[1][i])
            opaque.push_back({POINT{i % size, i / size}, drawn[0][i]});
    return opaque;
}

} // namespace

bool ScreenShowsIcon(HICON icon, int size, const RECT& area)
{
    const auto opaque = OpaquePixels(icon, size);
    if (opaque.empty())
        return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    const auto pixels = ScreenPixels(area);
    if (pixels.empty())
        return false;
    for (int top = 0; top + size <= height; ++top)
        for (int left = 0; left + size <= width; ++left)
            if (std::all_of(opaque.begin(), opaque.end(), [&](const auto& pixel) {
                    return pixels[static_cast<size_t>(top + pixel.first.y) * width + left + pixel.first.x] ==
                           pixel.second;
                }))
                return true;
    return false;
}

std::string AppliedWallpaper()
{
    // Room for a path of MAX_PATH characters in UTF-8.
    char path[3 * MAX_PATH + 1] = "<unknown>";
    ::SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
    return path;
}

namespace {
constexpr const char* DesktopKey = "Control Panel\\Desktop";
}

std::optional<std::string> DesktopValue(const char* name)
{
    // Room for a path of MAX_PATH characters in UTF-8.
    char data[3 * MAX_PATH + 1] = {};
    DWORD size = sizeof data - 1;
    if (::RegGetValueA(HKEY_CURRENT_USER, DesktopKey, name, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                       nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(data);
}

std::map<std::string, std::string> DesktopValues()
{
    return UserKeyValues(DesktopKey);
}

std::map<std::string, std::string> UserKeyValues(const char* keyName)
{
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, keyName, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return values;
    DWORD longestName = 0, longestData = 0;
    ::RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &longestName,
                       &longestData, nullptr, nullptr);
    std::string name(longestName + 1, '\0'), data(longestData, '\0');
    for (DWORD i = 0;; ++i) {
        DWORD nameLength = static_cast<DWORD>(name.size());
        DWORD size = static_cast<DWORD>(data.size());
        DWORD type = 0;
        if (::RegEnumValueA(key, i, name.data(), &nameLength, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                            &size) != ERROR_SUCCESS)
            break;
        values[name.substr(0, nameLength)] = std::to_string(type) + ":" + data.substr(0, size);
    }
    ::RegCloseKey(key);
    return values;
}

SavedUserKey::SavedUserKey(const char* key) : key(key), values(UserKeyValues(key)) {}

SavedUserKey::~SavedUserKey()
{
    const std::map<std::string, std::string> now = UserKeyValues(key);
    if (now == values)
        return;
    HKEY opened = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, key, 0, nullptr, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &opened,
                          nullptr) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : now)
        if (!values.count(name))
            ::RegDeleteValueA(opened, name.c_str());
    for (const auto& [name, value] : values) {
        const auto found = now.find(name);
        if (found != now.end() && found->second == value)
            continue;
        const std::size_t colon = value.find(':');
        const std::string data = value.substr(colon + 1);
        ::RegSetValueExA(opened, name.c_str(), 0, std::stoul(value.substr(0, colon)),
                         reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }
    ::RegCloseKey(opened);
}

SavedDesktopSettings::SavedDesktopSettings() : applied(AppliedWallpaper()), values(DesktopKey) {}

SavedDesktopSettings::~SavedDesktopSettings()
{
    // Shown again only when another picture is shown: each setting redraws
    // the desktop and tells every window.
    if (AppliedWallpaper() != applied)
        ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, applied.data(), SPIF_UPDATEINIFILE);
}

SavedUserSettings::File SavedUserSettings::Keep(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    const bool file = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    return {path, attributes, file ? FileBytes(path) : std::string()};
}

void SavedUserSettings::PutBack(const File& kept)
{
    const DWORD now = ::GetFileAttributesA(kept.path.c_str());
    const bool wasFolder = kept.attributes != INVALID_FILE_ATTRIBUTES && (kept.attributes & FILE_ATTRIBUTE_DIRECTORY);
    const bool isFolder = now != INVALID_FILE_ATTRIBUTES && (now & FILE_ATTRIBUTE_DIRECTORY);
    if (now != INVALID_FILE_ATTRIBUTES && isFolder != wasFolder) {
        // Made by a test in the place of what was there: ours to remove.
        std::error_code ignored;
        ::SetFileAttributesA(kept.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::filesystem::remove_all(kept.path, ignored);
    }
    if (kept.attributes == INVALID_FILE_ATTRIBUTES) {
        ::SetFileAttributesA(kept.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(kept.path.c_str());
    } else if (wasFolder) {
        ::CreateDirectoryA(kept.path.c_str(), nullptr);
    } else if (now != kept.attributes || FileBytes(kept.path) != kept.bytes) {
        ::SetFileAttributesA(kept.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        WriteFileBytes(kept.path, kept.bytes);
        ::SetFileAttributesA(kept.path.c_str(), kept.attributes);
    }
}

SavedUserSettings::SavedUserSettings(const std::vector<std::string>& programs)
{
    // A folder the shell can't name is left alone, rather than taken for
    // the root of the drive.
    if (const std::string startup = ShellFolder(CSIDL_STARTUP); !startup.empty()) {
        files.push_back(Keep(startup));
        files.push_back(Keep(startup + "\\Vistero.lnk"));
    }
    if (const std::string appData = ShellFolder(CSIDL_APPDATA); !appData.empty())
        for (const std::string& program : programs)
            for (const char* suffix : ProfileSuffixes)
                files.push_back(Keep(appData + "\\" + program + ".INI" + suffix));
}

SavedUserSettings::~SavedUserSettings()
{
    for (const File& file : files)
        PutBack(file);
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

bool RunToEnd(const std::string& commandLine, std::chrono::milliseconds timeout, const char* folder)
{
    PROCESS_INFORMATION info{};
    if (!StartProcess(commandLine, info, folder))
        return false;
    ::CloseHandle(info.hThread);
    const UniqueKernelHandle process(info.hProcess);
    DWORD code = 1;
    return ::WaitForSingleObject(process.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0
        && ::GetExitCodeProcess(process.get(), &code) && code == 0;
}

std::vector<DWORD> ProcessesOf(const char* fileName)
{
    std::vector<DWORD> found;
    // Fails with INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return found;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = ::Process32First(snapshot.get(), &entry); more; more = ::Process32Next(snapshot.get(), &entry))
        if (::lstrcmpiA(entry.szExeFile, fileName) == 0 && entry.th32ProcessID != ::GetCurrentProcessId())
            found.push_back(entry.th32ProcessID);
    return found;
}

void EndStrayPrograms()
{
    // Every program the tests start, by the file name Windows gives it.
    for (const char* started : {"Vistero.exe", "reliability_save_child.exe", "MinimalTray.exe"})
        for (DWORD id : ProcessesOf(started)) {
            const UniqueKernelHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id));
            if (!process)
                continue;
            std::fprintf(stderr, "test: ending %s (process %lu), left running by a test program\n", started,
                         static_cast<unsigned long>(id));
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
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.receive()))))
        return std::nullopt;
    ComPtr<IPersistFile> persist;
    link->QueryInterface(IID_PPV_ARGS(persist.receive()));
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
