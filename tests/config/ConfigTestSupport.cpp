#include "ConfigTestSupport.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdint>

namespace config_test {

namespace {

constexpr char desktopKey[] = "Control Panel\\Desktop";
const char* const desktopValues[] = {"Wallpaper", "TileWallpaper", "WallpaperStyle"};

std::string ItemText(HWND list, int row, int column)
{
    char text[1024] = {};
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

} // namespace

PageParent::PageParent()
{
    EXPECT_TRUE(CreateEx(0, AfxRegisterWndClass(0, nullptr, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)),
                         "ConfigTestParent", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 600, 600, nullptr, nullptr));
}

std::vector<Row> Rows(HWND list)
{
    std::vector<Row> rows;
    const int count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item{};
        item.mask = LVIF_PARAM | LVIF_IMAGE;
        item.iItem = row;
        ::SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        rows.push_back(Row{ItemText(list, row, 0), item.lParam, item.iImage, ItemText(list, row, 1)});
    }
    return rows;
}

UINT RowState(HWND list, int row, UINT mask)
{
    return static_cast<UINT>(::SendMessageA(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), mask));
}

void SelectRows(HWND list, std::initializer_list<int> rows)
{
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    item.state = LVIS_SELECTED;
    for (int row : rows)
        ::SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

int CheckedOf(HWND page, int firstId)
{
    int checked = -1;
    for (int i = 0; i < 3; ++i) {
        if (::SendDlgItemMessageA(page, firstId + i, BM_GETCHECK, 0, 0) == BST_CHECKED) {
            // Two checked buttons in one group is a fault of its own.
            EXPECT_EQ(-1, checked) << "buttons " << firstId + checked << " and " << firstId + i;
            checked = i;
        }
    }
    return checked;
}

BitmapFolder::BitmapFolder()
{
    char base[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, base);
    // The long form: the file dialog gives back long names.
    char longBase[MAX_PATH] = {};
    if (::GetLongPathNameA(base, longBase, MAX_PATH) == 0)
        lstrcpynA(longBase, base, MAX_PATH);
    path = std::string(longBase) + "VisteroConfigTest" + std::to_string(::GetCurrentProcessId());
    ::CreateDirectoryA(path.c_str(), nullptr);
}

BitmapFolder::~BitmapFolder()
{
    for (const std::string& file : files)
        ::DeleteFileA(file.c_str());
    ::RemoveDirectoryA(path.c_str());
}

std::string BitmapFolder::Add(const std::string& name)
{
    // 2 x 2 pixels, 24 bits, rows padded to 4 bytes.
    constexpr DWORD pixelBytes = 2 * 8;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixelBytes;
    info.biSize = sizeof info;
    info.biWidth = 2;
    info.biHeight = 2;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biCompression = BI_RGB;
    const std::uint8_t pixels[pixelBytes] = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};

    const std::string filePath = path + "\\" + name;
    const HANDLE handle = ::CreateFileA(filePath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, handle) << filePath;
    DWORD written = 0;
    ::WriteFile(handle, &file, sizeof file, &written, nullptr);
    ::WriteFile(handle, &info, sizeof info, &written, nullptr);
    ::WriteFile(handle, pixels, sizeof pixels, &written, nullptr);
    ::CloseHandle(handle);
    files.push_back(filePath);
    return filePath;
}

CurrentDirectory::CurrentDirectory(const std::string& folder)
{
    char current[MAX_PATH] = {};
    ::GetCurrentDirectoryA(MAX_PATH, current);
    previous = current;
    EXPECT_TRUE(::SetCurrentDirectoryA(folder.c_str())) << folder;
}

CurrentDirectory::~CurrentDirectory()
{
    ::SetCurrentDirectoryA(previous.c_str());
}

SavedDesktopSettings::SavedDesktopSettings()
{
    char path[MAX_PATH + 1] = {};
    ::SystemParametersInfoA(SPI_GETDESKWALLPAPER, sizeof path, path, 0);
    applied = path;
    HKEY key = nullptr;
    const bool opened = ::RegOpenKeyExA(HKEY_CURRENT_USER, desktopKey, 0, KEY_QUERY_VALUE, &key) == ERROR_SUCCESS;
    for (const char* name : desktopValues) {
        std::optional<Value> saved;
        DWORD type = 0;
        DWORD size = 0;
        if (opened && ::RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            Value value{type, std::string(size, '\0')};
            if (::RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(value.data.data()),
                                   &size) == ERROR_SUCCESS) {
                value.data.resize(size);
                saved = value;
            }
        }
        values.push_back(saved);
    }
    if (opened)
        ::RegCloseKey(key);
}

SavedDesktopSettings::~SavedDesktopSettings()
{
    ::SystemParametersInfoA(SPI_SETDESKWALLPAPER, 0, applied.data(), SPIF_UPDATEINIFILE);
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, desktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
        != ERROR_SUCCESS)
        return;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (values[i])
            ::RegSetValueExA(key, desktopValues[i], 0, values[i]->type,
                             reinterpret_cast<const BYTE*>(values[i]->data.data()),
                             static_cast<DWORD>(values[i]->data.size()));
        else
            ::RegDeleteValueA(key, desktopValues[i]);
    }
    ::RegCloseKey(key);
}

std::string DesktopValue(const char* name)
{
    char data[MAX_PATH * 4] = {};
    DWORD size = sizeof data - 1;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, desktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    ::RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    ::RegCloseKey(key);
    return data;
}

} // namespace config_test
