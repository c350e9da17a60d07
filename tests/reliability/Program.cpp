#include "tests/reliability/Program.h"

#include "app/TrayWindow.h"
#include "res/resource.h"

#include <commctrl.h>
#include <shlobj.h>

#include <fstream>
#include <iterator>

#ifndef VISTERO_EXE
#error VISTERO_EXE must name the Vistero.exe under test
#endif

namespace reliability {
namespace {

constexpr const char* DesktopKey = "Control Panel\\Desktop";

bool IsClass(HWND window, const char* name)
{
    char className[64] = {};
    ::GetClassNameA(window, className, sizeof className);
    return lstrcmpiA(className, name) == 0;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list)
{
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

struct ControlSearch {
    int id;
    HWND found;
};

BOOL CALLBACK FindControl(HWND window, LPARAM data)
{
    auto& search = *reinterpret_cast<ControlSearch*>(data);
    if (::GetDlgCtrlID(window) != search.id)
        return TRUE;
    search.found = window;
    return FALSE;
}

} // namespace

std::string FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "(missing)";
}

void WriteFileBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::string ProfilePath()
{
    return ShellFolder(CSIDL_APPDATA) + "\\Vistero.INI";
}

void RemoveProfile()
{
    for (const char* suffix : {"", ".bak", ".tmp", ".bak.tmp"}) {
        const std::string file = ProfilePath() + suffix;
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(file.c_str());
    }
}

std::map<std::string, std::string> DesktopValues()
{
    std::map<std::string, std::string> values;
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
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

void RestoreDesktopValues(const std::map<std::string, std::string>& values)
{
    HKEY key = nullptr;
    if (::RegOpenKeyExA(HKEY_CURRENT_USER, DesktopKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    for (const auto& [name, value] : DesktopValues())
        if (!values.count(name))
            ::RegDeleteValueA(key, name.c_str());
    for (const auto& [name, value] : values) {
        const std::size_t colon = value.find(':');
        const std::string data = value.substr(colon + 1);
        ::RegSetValueExA(key, name.c_str(), 0, std::stoul(value.substr(0, colon)),
                         reinterpret_cast<const BYTE*>(data.data()), static_cast<DWORD>(data.size()));
    }
    ::RegCloseKey(key);
}

std::vector<HWND> TopLevelWindows(DWORD process, const char* className)
{
    // One snapshot: stepping with FindWindowEx while windows come and go
    // can skip one that is there all along.
    std::vector<HWND> all, found;
    ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&all));
    for (HWND window : all)
        if (ProcessOf(window) == process && IsClass(window, className))
            found.push_back(window);
    return found;
}

Program::Program(const std::string& arguments)
{
    std::string commandLine = "\"";
    for (char c : std::string(VISTERO_EXE))
        commandLine += c == '/' ? '\\' : c;
    commandLine += "\"";
    if (!arguments.empty())
        commandLine.append(" ").append(arguments);
    if (test_support::StartProcess(commandLine, info)) {
        ::CloseHandle(info.hThread);
        info.hThread = nullptr;
    }
}

Program::~Program()
{
    if (!info.hProcess)
        return;
    if (Running()) {
        ::TerminateProcess(info.hProcess, 99);
        ::WaitForSingleObject(info.hProcess, 10000);
    }
    ::CloseHandle(info.hProcess);
}

bool Program::Running() const
{
    return info.hProcess && ::WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
}

bool Program::Ended(std::chrono::milliseconds timeout) const
{
    return WaitFor([this] { return !Running(); }, timeout);
}

DWORD Program::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(info.hProcess, &code);
    return code;
}

HWND Program::TrayWindow() const
{
    for (HWND window : TopLevelWindows(info.dwProcessId, TrayWindow::ClassName())) {
        char name[32] = {};
        ::GetWindowTextA(window, name, sizeof name);
        if (lstrcmpA(name, TrayWindow::WindowName) == 0)
            return window;
    }
    return nullptr;
}

bool Program::WaitForTrayWindow() const
{
    // The window exists before its icon and its timer: a message sent in
    // between would be handled by a half-made program. Once the thread waits
    // for input, start-up is over.
    return WaitFor([this] { return TrayWindow() != nullptr; }) &&
           ::WaitForInputIdle(info.hProcess, static_cast<DWORD>(Deadline.count() * 1000)) == 0;
}

std::vector<HWND> Program::TopLevelDialogs() const
{
    std::vector<HWND> dialogs;
    for (HWND window : TopLevelWindows(info.dwProcessId, "#32770"))
        if (::IsWindowVisible(window))
            dialogs.push_back(window);
    return dialogs;
}

HWND Program::ConfigDialog() const
{
    for (HWND dialog : TopLevelDialogs())
        if (const HWND tab = ::GetDlgItem(dialog, IDC_TAB); tab && IsClass(tab, WC_TABCONTROLA))
            return dialog;
    return nullptr;
}

bool Program::WaitForConfigDialog() const
{
    return WaitFor([this] { return ConfigDialog() != nullptr; });
}

HWND Program::MessageBox() const
{
    // A message box is the dialog whose text is the static control 0xFFFF.
    for (HWND dialog : TopLevelDialogs())
        if (const HWND text = ::GetDlgItem(dialog, 0xFFFF); text && IsClass(text, "Static"))
            return dialog;
    return nullptr;
}

std::string Program::MessageBoxText(HWND box)
{
    char text[1024] = {};
    ::GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    return text;
}

HWND Program::Control(HWND dialog, int id)
{
    ControlSearch search{id, nullptr};
    ::EnumChildWindows(dialog, FindControl, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

bool Program::OpenDialog() const
{
    const HWND window = TrayWindow();
    return window && ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0) &&
           WaitForConfigDialog();
}

bool Program::CloseDialog(int button) const
{
    const HWND dialog = ConfigDialog();
    if (!dialog)
        return false;
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
    return WaitFor([this] { return ConfigDialog() == nullptr || MessageBox() != nullptr; }) && !ConfigDialog();
}

bool Program::Exit() const
{
    const HWND window = TrayWindow();
    if (!window)
        return false;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
    return Ended() && ExitCode() == 0;
}

} // namespace reliability
