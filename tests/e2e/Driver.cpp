#include "tests/e2e/Driver.h"

#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#ifndef VISTERO_EXE
#error VISTERO_EXE must name the Vistero.exe under test
#endif
#ifndef E2E_SHOTS
#error E2E_SHOTS must name the folder for the screenshots
#endif

namespace e2e {

namespace {

constexpr const char* DialogCaption = "Vistero 1.1";
constexpr const char* FileDialogCaption = "Select Wallpaper Files";

std::string WindowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    ::GetClassNameA(window, name, sizeof name);
    return name;
}

// The windows' enumerations call back with the platform's convention
// (stdcall on x86), which no lambda has: one named function calls `visit`,
// which returns false to stop.
BOOL CALLBACK Visit(HWND window, LPARAM visit)
{
    return (*reinterpret_cast<const std::function<bool(HWND)>*>(visit))(window) ? TRUE : FALSE;
}

void ForEachTopLevel(const std::function<bool(HWND)>& visit)
{
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&visit));
}

// The first visible top-level window that `match` accepts.
HWND FindTopLevel(const std::function<bool(HWND)>& match)
{
    HWND found = nullptr;
    ForEachTopLevel([&](HWND window) {
        if (::IsWindowVisible(window) && match(window))
            found = window;
        return found == nullptr;
    });
    return found;
}

// A block of memory in Vistero's process, for the messages of the common
// controls, whose pointers Wine passes between processes as they are.
class RemoteMemory {
public:
    RemoteMemory(DWORD processId, size_t size)
        : process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE |
                                    PROCESS_QUERY_LIMITED_INFORMATION,
                                FALSE, processId))
    {
        // The records written and read here are laid out for this program's
        // architecture: an x86-64 driver would misread an x86 Vistero's.
        BOOL ours = FALSE, theirs = FALSE;
        ::IsWow64Process(::GetCurrentProcess(), &ours);
        if (process && ::IsWow64Process(process, &theirs) && ours != theirs) {
            ADD_FAILURE() << "the driver and Vistero.exe are built for different architectures";
            return;
        }
        if (process)
            base = static_cast<char*>(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        EXPECT_NE(nullptr, base) << "no memory in Vistero's process";
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory()
    {
        if (base)
            ::VirtualFreeEx(process, base, 0, MEM_RELEASE);
        if (process)
            ::CloseHandle(process);
    }

    LPARAM At(size_t offset) const { return reinterpret_cast<LPARAM>(base + offset); }
    void Write(size_t offset, const void* data, size_t size) const
    {
        if (base)
            ::WriteProcessMemory(process, base + offset, data, size, nullptr);
    }
    void Read(size_t offset, void* data, size_t size) const
    {
        if (base)
            ::ReadProcessMemory(process, base + offset, data, size, nullptr);
    }

private:
    HANDLE process;
    char* base = nullptr;
};

std::string ItemText(HWND list, const RemoteMemory& memory, int row, int column)
{
    constexpr size_t TextSize = 1024;
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = reinterpret_cast<char*>(memory.At(sizeof item));
    item.cchTextMax = TextSize;
    memory.Write(0, &item, sizeof item);
    Send(list, LVM_GETITEMTEXTA, row, memory.At(0));
    char text[TextSize] = {};
    memory.Read(sizeof item, text, sizeof text - 1);
    return text;
}

void SetItemState(HWND list, const RemoteMemory& memory, int row, UINT state)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = state;
    memory.Write(0, &item, sizeof item);
    Send(list, LVM_SETITEMSTATE, row, memory.At(0));
}

// ---- The picture model of the desktop

// The colour a desktop that shows `picture` in the way `show` has at (x, y).
COLORREF ExpectedAt(const Picture* picture, Show show, int x, int y, int width, int height, COLORREF background)
{
    if (!picture)
        return background;
    int px = -1;
    int py = -1;
    switch (show) {
    case Show::Tiled:  // from the desktop's top left corner
        px = x % PictureWidth;
        py = y % PictureHeight;
        break;
    case Show::Centered:
        px = x - (width - PictureWidth) / 2;
        py = y - (height - PictureHeight) / 2;
        break;
    case Show::Stretched:
        px = x * PictureWidth / width;
        py = y * PictureHeight / height;
        break;
    case Show::None:
        return background;
    }
    if (px < 0 || py < 0 || px >= PictureWidth || py >= PictureHeight)
        return background;
    const bool border = px < 4 || py < 4 || px >= PictureWidth - 4 || py >= PictureHeight - 4;
    return border ? picture->border : picture->inside;
}

std::string Hex(COLORREF colour)
{
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(colour), GetGValue(colour), GetBValue(colour));
    return text;
}

std::string ModelMismatch(const Screen& screen, const Picture* picture, Show show)
{
    const COLORREF background = ::GetSysColor(COLOR_DESKTOP);
    const auto expected = [&](int x, int y) {
        return ExpectedAt(picture, show, x, y, screen.width, screen.height, background);
    };
    int compared = 0;
    int differing = 0;
    std::string first;
    for (int y = 1; y < screen.height - 1; y += 3) {
        for (int x = 1; x < screen.width - 1; x += 3) {
            const COLORREF want = expected(x, y);
            // Edges are left out: a stretch may round them either way.
            if (screen.Covered(x, y) || want != expected(x - 1, y - 1) || want != expected(x + 1, y + 1))
                continue;
            ++compared;
            if (screen.At(x, y) == want)
                continue;
            if (differing++ == 0)
                first = " first at (" + std::to_string(x) + ", " + std::to_string(y) + "): " + Hex(screen.At(x, y))
                      + " for " + Hex(want);
        }
    }
    if (compared < 100)
        return "only " + std::to_string(compared) + " pixels of the desktop are uncovered";
    if (differing == 0)
        return {};
    return std::to_string(differing) + " of " + std::to_string(compared) + " pixels differ," + first;
}

// A bitmap file of 24-bit pixels, as a paint program saves one.
void WriteBitmapFile(const std::string& path, int width, int height, const std::function<COLORREF(int, int)>& colourAt)
{
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    BITMAPFILEHEADER header{};
    header.bfType = 0x4D42;  // "BM"
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
    for (int y = height - 1; y >= 0; --y) {  // bottom-up rows of blue, green, red
        std::string row(stride, '\0');
        for (int x = 0; x < width; ++x) {
            const COLORREF colour = colourAt(x, y);
            row[x * 3] = static_cast<char>(GetBValue(colour));
            row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
            row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
        }
        file += row;
    }
    WriteText(path, file);
}

} // namespace

// ---- Disk and registry

std::string ProfilePath()
{
    return ShellFolder(CSIDL_APPDATA) + "\\Vistero.INI";
}

std::string StartupLinkPath()
{
    return ShellFolder(CSIDL_STARTUP) + "\\Vistero.lnk";
}

std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    ASSERT_TRUE(file.good()) << path;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

DesktopSettings ReadDesktopSettings()
{
    DesktopSettings settings;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return settings;
    const auto read = [key](const char* name) -> std::optional<std::string> {
        char data[MAX_PATH * 2] = {};
        DWORD size = sizeof data - 1;
        DWORD type = 0;
        if (::RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::string(data);
    };
    settings.wallpaper = read("Wallpaper");
    settings.tileWallpaper = read("TileWallpaper");
    settings.wallpaperStyle = read("WallpaperStyle");
    ::RegCloseKey(key);
    return settings;
}

void ForgetEverything()
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    for (const std::string& file : {ProfilePath(), ProfilePath() + ".bak", ProfilePath() + ".tmp",
                                    std::string(windows) + "\\Vistero.INI", StartupLinkPath()})
        ::DeleteFileA(file.c_str());
    // The desktop forgets its picture, then the registry its values.
    char none[] = "";
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, none, SPIF_UPDATEINIFILE);
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) == ERROR_SUCCESS) {
        for (const char* name : {"Wallpaper", "TileWallpaper", "WallpaperStyle"})
            ::RegDeleteValueA(key, name);
        ::RegCloseKey(key);
    }
}

// ---- Pictures

void WritePicture(const Picture& picture)
{
    ::CreateDirectoryA(picture.path.substr(0, picture.path.find_last_of('\\')).c_str(), nullptr);
    WriteBitmapFile(picture.path, PictureWidth, PictureHeight, [&picture](int x, int y) {
        return ExpectedAt(&picture, Show::Centered, x, y, PictureWidth, PictureHeight, 0);
    });
}

std::string ProfileText(const std::vector<Entry>& entries, int lowPercent, int highPercent, int interval)
{
    std::string text = "[WallpaperList]\r\n";
    int n = 0;
    for (const Entry& entry : entries) {
        const std::string number = std::to_string(n++);
        text += "File" + number + "=" + (entry.picture ? entry.picture->path : "") + "\r\n";
        text += "Showstate" + number + "=" + std::to_string(static_cast<int>(entry.show)) + "\r\n";
        text += "Priority" + number + "=" + std::to_string(entry.priority) + "\r\n";
    }
    text += "NumberOfFiles=" + std::to_string(n) + "\r\n";
    text += "FrequencyLow=" + std::to_string(lowPercent) + "\r\n";
    text += "FrequencyNormal=100\r\n";
    text += "FrequencyHigh=" + std::to_string(highPercent) + "\r\n";
    text += "ChangeInterval=" + std::to_string(interval) + "\r\n";
    return text;
}

// ---- Screen

Screen Screen::Capture()
{
    Screen screen;
    screen.width = ::GetSystemMetrics(SM_CXSCREEN);
    screen.height = ::GetSystemMetrics(SM_CYSCREEN);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = screen.width;
    info.bmiHeader.biHeight = -screen.height;  // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    const HDC display = ::GetDC(nullptr);
    void* bits = nullptr;
    const HBITMAP bitmap = ::CreateDIBSection(display, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    const HDC memory = ::CreateCompatibleDC(display);
    const HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, screen.width, screen.height, display, 0, 0, SRCCOPY);
    ::GdiFlush();
    const auto* pixel = static_cast<const DWORD*>(bits);
    screen.pixels.reserve(static_cast<size_t>(screen.width) * screen.height);
    for (size_t i = 0, n = static_cast<size_t>(screen.width) * screen.height; i < n; ++i)
        screen.pixels.push_back(RGB((pixel[i] >> 16) & 0xFF, (pixel[i] >> 8) & 0xFF, pixel[i] & 0xFF));
    ::SelectObject(memory, old);
    ::DeleteDC(memory);
    ::DeleteObject(bitmap);
    ::ReleaseDC(nullptr, display);

    ForEachTopLevel([&screen](HWND window) {
        RECT rect{};
        if (::IsWindowVisible(window) && ::GetWindowRect(window, &rect) && !::IsRectEmpty(&rect))
            screen.windows.push_back(rect);
        return true;
    });
    return screen;
}

bool Screen::Covered(int x, int y) const
{
    const POINT point{x, y};
    return std::any_of(windows.begin(), windows.end(), [point](const RECT& rect) { return ::PtInRect(&rect, point); });
}

void Screen::Save(const std::string& name) const
{
    const std::string folder = WindowsPath(E2E_SHOTS);
    ::CreateDirectoryA(folder.c_str(), nullptr);
    WriteBitmapFile(folder + "\\" + name + ".bmp", width, height, [this](int x, int y) { return At(x, y); });
}

std::string DesktopMismatch(const Screen& screen, const Picture* picture, Show show)
{
    std::string mismatch = ModelMismatch(screen, picture, show);
    // Wine 8 paints WallpaperStyle 2 centred: it knows no stretching. A
    // tiled desktop matches neither.
    if (!mismatch.empty() && show == Show::Stretched && ModelMismatch(screen, picture, Show::Centered).empty())
        return {};
    return mismatch;
}

::testing::AssertionResult DesktopShows(const Picture* picture, Show show, const std::string& shot)
{
    std::string mismatch;
    const bool shown = WaitFor([&] {
        const Screen screen = Screen::Capture();
        mismatch = DesktopMismatch(screen, picture, show);
        if (mismatch.empty())
            screen.Save(shot);
        return mismatch.empty();
    });
    if (shown)
        return ::testing::AssertionSuccess();
    Screen::Capture().Save(shot);
    return ::testing::AssertionFailure() << "the desktop does not show " << (picture ? picture->path : "no picture")
                                         << " as style " << static_cast<int>(show) << ": " << mismatch
                                         << " (see " << E2E_SHOTS << "/" << shot << ".bmp)";
}

bool TrayShowsIcon(const Screen& screen)
{
    // The icon drawn on black and on white: the pixels that come out the
    // same are its opaque ones.
    constexpr int Size = 16;
    static const std::vector<std::pair<POINT, COLORREF>> opaque = [] {
        std::vector<std::pair<POINT, COLORREF>> result;
        const HMODULE exe = ::LoadLibraryExA(WindowsPath(VISTERO_EXE).c_str(), nullptr,
                                             LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        const auto icon = static_cast<HICON>(::LoadImageA(exe, MAKEINTRESOURCEA(IDI_TRAY), IMAGE_ICON, Size, Size, 0));
        if (!icon)
            return result;
        COLORREF drawn[2][Size][Size] = {};
        for (int background = 0; background < 2; ++background) {
            const HDC display = ::GetDC(nullptr);
            const HDC memory = ::CreateCompatibleDC(display);
            const HBITMAP bitmap = ::CreateCompatibleBitmap(display, Size, Size);
            const HGDIOBJ old = ::SelectObject(memory, bitmap);
            const RECT all{0, 0, Size, Size};
            ::FillRect(memory, &all, static_cast<HBRUSH>(::GetStockObject(background ? WHITE_BRUSH : BLACK_BRUSH)));
            ::DrawIconEx(memory, 0, 0, icon, Size, Size, 0, nullptr, DI_NORMAL);
            for (int y = 0; y < Size; ++y)
                for (int x = 0; x < Size; ++x)
                    drawn[background][y][x] = ::GetPixel(memory, x, y);
            ::SelectObject(memory, old);
            ::DeleteObject(bitmap);
            ::DeleteDC(memory);
            ::ReleaseDC(nullptr, display);
        }
        for (int y = 0; y < Size; ++y)
            for (int x = 0; x < Size; ++x)
                if (drawn[0][y][x] == drawn[1][y][x])
                    result.push_back({POINT{x, y}, drawn[0][y][x]});
        ::DestroyIcon(icon);
        ::FreeLibrary(exe);
        return result;
    }();
    if (opaque.empty())
        return false;
    // The notification area: the right end of the taskbar along the bottom.
    for (int top = screen.height - 40; top <= screen.height - Size; ++top)
        for (int left = screen.width / 2; left <= screen.width - Size; ++left)
            if (std::all_of(opaque.begin(), opaque.end(), [&](const auto& pixel) {
                    return screen.At(left + pixel.first.x, top + pixel.first.y) == pixel.second;
                }))
                return true;
    return false;
}

// ---- Controls

HWND Control(HWND dialog, int id, const char* windowClass)
{
    HWND found = nullptr;
    const std::function<bool(HWND)> visit = [&](HWND window) {
        if (::GetDlgCtrlID(window) == id && lstrcmpiA(ClassOf(window).c_str(), windowClass) == 0)
            found = window;
        return found == nullptr;
    };
    if (dialog)
        ::EnumChildWindows(dialog, Visit, reinterpret_cast<LPARAM>(&visit));
    EXPECT_NE(nullptr, found) << "no " << windowClass << " " << id;
    return found;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    const auto timeout = static_cast<UINT>(Deadline.count());
    EXPECT_NE(0, ::SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result))
        << "message " << message << " was not answered";
    return static_cast<LRESULT>(result);
}

void Click(HWND dialog, int id)
{
    Send(Control(dialog, id), BM_CLICK);
}

void PostClick(HWND dialog, int id)
{
    ::PostMessageA(Control(dialog, id), BM_CLICK, 0, 0);
}

void Type(HWND dialog, int id, const std::string& text, const char* windowClass)
{
    Send(Control(dialog, id, windowClass), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string Text(HWND window)
{
    char text[1024] = {};
    Send(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

bool Checked(HWND dialog, int id)
{
    return Send(Control(dialog, id), BM_GETCHECK) == BST_CHECKED;
}

// ---- Vistero

std::string BuiltExe()
{
    return WindowsPath(VISTERO_EXE);
}

Vistero Vistero::Start(const std::string& arguments, const std::string& otherExe)
{
    const std::string exe = otherExe.empty() ? BuiltExe() : otherExe;
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    // As from Explorer: in the program's own folder.
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    PROCESS_INFORMATION info{};
    DWORD error = 0;
    if (!test_support::StartProcess(commandLine, info, folder.c_str(), &error)) {
        ADD_FAILURE() << "cannot start " << commandLine << ": error " << error;
        return Vistero(nullptr, 0);
    }
    ::CloseHandle(info.hThread);
    return Vistero(info.hProcess, info.dwProcessId);
}

Vistero Vistero::StartSilently()
{
    ::DeleteFileA(StartupLinkPath().c_str());
    Vistero vistero = Start("/startup");
    EXPECT_TRUE(WaitFor([&] { return vistero.TrayWindow() && FileExists(StartupLinkPath()); }))
        << "Vistero did not become resident";
    return vistero;
}

Vistero Vistero::Resident()
{
    const HWND window = ::FindWindowA(nullptr, "VisteroWnd");
    if (!window)
        return Vistero(nullptr, 0);
    const DWORD id = ProcessOf(window);
    return Vistero(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id), id);
}

Vistero::Vistero(Vistero&& other) noexcept : process(other.process), processId(other.processId)
{
    other.process = nullptr;
    other.processId = 0;
}

Vistero::~Vistero()
{
    if (!process)
        return;
    if (Running()) {
        ::TerminateProcess(process, 99);
        ::WaitForSingleObject(process, static_cast<DWORD>(Deadline.count()));
    }
    ::CloseHandle(process);
}

bool Vistero::Running() const
{
    return process && ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

bool Vistero::Ended() const
{
    return process && ::WaitForSingleObject(process, static_cast<DWORD>(Deadline.count())) == WAIT_OBJECT_0;
}

DWORD Vistero::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process, &code);
    return code;
}

HWND Vistero::TrayWindow() const
{
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, nullptr, "VisteroWnd")))
        if (ProcessOf(window) == processId)
            return window;
    return nullptr;
}

HWND Vistero::Dialog() const
{
    return FindTopLevel([this](HWND window) {
        char caption[64] = {};
        ::GetWindowTextA(window, caption, sizeof caption);
        return ProcessOf(window) == processId && ClassOf(window) == "#32770" && lstrcmpA(caption, DialogCaption) == 0;
    });
}

HWND Vistero::FileDialog() const
{
    return FindTopLevel([this](HWND window) {
        char caption[64] = {};
        ::GetWindowTextA(window, caption, sizeof caption);
        // A message box of the file dialog has the same caption, no name field.
        return ProcessOf(window) == processId && lstrcmpA(caption, FileDialogCaption) == 0
            && ::GetDlgItem(window, cmb13) != nullptr;
    });
}

void Vistero::DoubleClickIcon() const
{
    ::PostMessageA(TrayWindow(), WM_USER, 0, WM_LBUTTONDBLCLK);
}

bool Vistero::ChooseFromTrayMenu(int position) const
{
    const HWND window = TrayWindow();
    if (!window)
        return false;
    ::PostMessageA(window, WM_USER, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    const auto findMenu = [this] {
        return FindTopLevel([this](HWND window) { return ProcessOf(window) == processId && ClassOf(window) == "#32768"; });
    };
    if (!WaitFor([&] { return (menu = findMenu()) != nullptr; }))
        return false;
    // The keys go to the menu's own loop, as a user's would.
    for (int i = 0; i <= position; ++i)
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return WaitFor([&] { return findMenu() == nullptr; });
}

std::vector<std::string> Vistero::Rows() const
{
    const HWND list = Control(Dialog(), IDC_WALLPAPER_LIST, WC_LISTVIEWA);
    const RemoteMemory memory(processId, 4096);
    std::vector<std::string> rows;
    const auto count = static_cast<int>(Send(list, LVM_GETITEMCOUNT));
    for (int row = 0; row < count; ++row)
        rows.push_back(ItemText(list, memory, row, 0) + "|" + ItemText(list, memory, row, 1));
    return rows;
}

void Vistero::SelectRows(const std::vector<std::string>& texts) const
{
    const HWND list = Control(Dialog(), IDC_WALLPAPER_LIST, WC_LISTVIEWA);
    const RemoteMemory memory(processId, 4096);
    SetItemState(list, memory, -1, 0);
    const auto count = static_cast<int>(Send(list, LVM_GETITEMCOUNT));
    size_t selected = 0;
    for (int row = 0; row < count; ++row) {
        if (std::find(texts.begin(), texts.end(), ItemText(list, memory, row, 0)) == texts.end())
            continue;
        SetItemState(list, memory, row, selected++ == 0 ? LVIS_SELECTED | LVIS_FOCUSED : LVIS_SELECTED);
    }
    EXPECT_EQ(texts.size(), selected) << "not every row to select is in the list";
}

void Vistero::ShowTab(int index) const
{
    const HWND tab = Control(Dialog(), IDC_TAB, WC_TABCONTROLA);
    const RemoteMemory memory(processId, sizeof(RECT));
    Send(tab, TCM_GETITEMRECT, index, memory.At(0));
    RECT item{};
    memory.Read(0, &item, sizeof item);
    const LPARAM point = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    Send(tab, WM_LBUTTONDOWN, MK_LBUTTON, point);
    Send(tab, WM_LBUTTONUP, 0, point);
}

::testing::AssertionResult Vistero::AddFiles(const std::string& folder, const std::vector<std::string>& names) const
{
    PostClick(Dialog(), IDC_ADD_FILES);
    HWND files = nullptr;
    if (!WaitFor([&] { return (files = FileDialog()) != nullptr; }))
        return ::testing::AssertionFailure() << "no file dialog came up";
    Type(files, cmb13, folder);
    Click(files, IDOK);
    const std::string leaf = folder.substr(folder.find_last_of('\\') + 1);
    if (!WaitFor([&] { return Text(Control(files, cmb2, "ComboBox")) == leaf; }))
        return ::testing::AssertionFailure() << "the file dialog did not open " << folder;
    std::string quoted;
    for (const std::string& name : names)
        quoted += "\"" + name + "\" ";
    Type(files, cmb13, quoted);
    Click(files, IDOK);
    if (!WaitFor([&] { return !::IsWindow(files); }))
        return ::testing::AssertionFailure() << "the file dialog did not take " << quoted;
    return ::testing::AssertionSuccess();
}

bool RunToEnd(const std::string& commandLine)
{
    PROCESS_INFORMATION info{};
    if (!test_support::StartProcess(commandLine, info))
        return false;
    ::CloseHandle(info.hThread);
    const bool ended = ::WaitForSingleObject(info.hProcess, static_cast<DWORD>(Deadline.count())) == WAIT_OBJECT_0;
    DWORD code = 1;
    ::GetExitCodeProcess(info.hProcess, &code);
    ::CloseHandle(info.hProcess);
    return ended && code == 0;
}

} // namespace e2e
