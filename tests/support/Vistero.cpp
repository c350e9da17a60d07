#include "tests/support/Vistero.h"

#include "app/TrayWindow.h"
#include "res/resource.h"
#include "tests/support/Kit.h"

#include <commctrl.h>
#include <dlgs.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <algorithm>
#include <filesystem>
#include <functional>

#ifndef VISTERO_EXE
#error VISTERO_EXE must name the Vistero.exe under test
#endif
#if !defined(PLANTED_DLL) || !defined(PLANTED_NAMES) || !defined(CARELESS_PROGRAM)
#error PLANTED_DLL, PLANTED_NAMES and CARELESS_PROGRAM must name the planted DLL, its names and the careless program
#endif

namespace test_support {

namespace {

constexpr const char* FileDialogCaption = "Select Wallpaper Files";

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

// One snapshot: stepping with FindWindowEx while windows come and go can skip
// one that is there all along.
std::vector<HWND> AllTopLevel()
{
    std::vector<HWND> all;
    const std::function<bool(HWND)> collect = [&all](HWND window) {
        all.push_back(window);
        return true;
    };
    ::EnumWindows(Visit, reinterpret_cast<LPARAM>(&collect));
    return all;
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
        if (process && ::IsWow64Process(process.get(), &theirs) && ours != theirs) {
            ADD_FAILURE() << "the driver and Vistero.exe are built for different architectures";
            return;
        }
        if (process)
            base = static_cast<char*>(
                ::VirtualAllocEx(process.get(), nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        EXPECT_NE(nullptr, base) << "no memory in Vistero's process";
    }
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;
    ~RemoteMemory()
    {
        if (base)
            ::VirtualFreeEx(process.get(), base, 0, MEM_RELEASE);
    }

    LPARAM At(size_t offset) const { return reinterpret_cast<LPARAM>(base + offset); }
    void Write(size_t offset, const void* data, size_t size) const
    {
        if (base)
            ::WriteProcessMemory(process.get(), base + offset, data, size, nullptr);
    }
    void Read(size_t offset, void* data, size_t size) const
    {
        if (base)
            ::ReadProcessMemory(process.get(), base + offset, data, size, nullptr);
    }

private:
    UniqueKernelHandle process;
    char* base = nullptr;
};

// The names a DLL is planted under (tests/support/planted-dlls.txt).
std::vector<std::string> PlantedNames()
{
    std::vector<std::string> names;
    std::string text = FileBytes(Located("planted-dlls.txt", PLANTED_NAMES));
    EXPECT_NE("(missing)", text) << "no list of names to plant DLLs under";
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            names.push_back(line);
        at = end + 1;
    }
    return names;
}

std::string PlantedFile(const std::string& name)
{
    return name.find('.') != std::string::npos ? name : name + ".dll";
}

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

} // namespace

// ---- Files and windows

std::string BuiltExe()
{
    return Located("Vistero.exe", VISTERO_EXE);
}

std::string ProfilePath()
{
    return ShellFolder(CSIDL_APPDATA) + "\\Vistero.INI";
}

std::string StartupLinkPath()
{
    return ShellFolder(CSIDL_STARTUP) + "\\Vistero.lnk";
}

void RemoveProfile()
{
    for (const char* suffix : ProfileSuffixes) {
        const std::string file = ProfilePath() + suffix;
        ::SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(file.c_str());
    }
}

std::vector<HWND> TrayWindows()
{
    std::vector<HWND> found;
    for (HWND window : AllTopLevel())
        if (TextOf(window) == TrayWindow::WindowName)
            found.push_back(window);
    return found;
}

std::vector<HWND> TopLevelWindows(DWORD process, const char* className)
{
    std::vector<HWND> found;
    for (HWND window : AllTopLevel())
        if (ProcessOf(window) == process && ::IsWindowVisible(window)
            && lstrcmpiA(ClassOf(window).c_str(), className) == 0)
            found.push_back(window);
    return found;
}

HWND Control(HWND dialog, int id, const char* windowClass)
{
    HWND found = nullptr;
    const std::function<bool(HWND)> visit = [&](HWND window) {
        if (::GetDlgCtrlID(window) == id && (!windowClass || lstrcmpiA(ClassOf(window).c_str(), windowClass) == 0))
            found = window;
        return found == nullptr;
    };
    if (dialog)
        ::EnumChildWindows(dialog, Visit, reinterpret_cast<LPARAM>(&visit));
    EXPECT_NE(nullptr, found) << "no " << (windowClass ? windowClass : "control") << " " << id;
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
    Send(Control(dialog, id, "Button"), BM_CLICK);
}

void PostClick(HWND dialog, int id)
{
    ::PostMessageA(Control(dialog, id, "Button"), BM_CLICK, 0, 0);
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
    return Send(Control(dialog, id, "Button"), BM_GETCHECK) == BST_CHECKED;
}

std::string MessageBoxText(HWND box)
{
    // A message box's text is its static control 0xFFFF.
    return Text(::GetDlgItem(box, 0xFFFF));
}

// ---- Planted libraries

// Wine's setting for one program, by the name of its exe: which of its
// libraries to take from elsewhere before its own copies.
std::string WineOverridesKey(const char* exe)
{
    return std::string("Software\\Wine\\AppDefaults\\") + exe;
}

constexpr const char* PlantedIn[] = {"Vistero.exe", "careless.exe"};

PlantedLibraries::PlantedLibraries()
    : folder((std::filesystem::temp_directory_path() / "vistero-planted").string()), names(PlantedNames())
{
    namespace fs = std::filesystem;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder);
    fs::copy_file(BuiltExe(), Exe());
    fs::copy_file(Located("careless_program.exe", CARELESS_PROGRAM), folder + "\\careless.exe");
    for (const std::string& name : names)
        fs::copy_file(Located("planted_dll.dll", PLANTED_DLL), folder + "\\" + PlantedFile(name));
    // Native first, for these two programs alone: a Wine process reads it
    // as it starts, and WINEDLLOVERRIDES set here would not reach the
    // programs this one starts (Wine takes theirs from its Unix side).
    for (const char* exe : PlantedIn) {
        const std::string key = WineOverridesKey(exe) + "\\DllOverrides";
        for (const std::string& name : names)
            EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeyValueA(HKEY_CURRENT_USER, key.c_str(), name.c_str(), REG_SZ,
                                                       "native,builtin", sizeof "native,builtin"))
                << key;
    }
}

PlantedLibraries::~PlantedLibraries()
{
    for (const char* exe : PlantedIn)
        ::RegDeleteTreeA(HKEY_CURRENT_USER, WineOverridesKey(exe).c_str());
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

std::vector<std::string> PlantedLibraries::Loaded() const
{
    std::vector<std::string> loaded;
    for (const std::string& name : names) {
        const std::string marker = folder + "\\" + PlantedFile(name) + ".loaded";
        if (!FileExists(marker))
            continue;
        std::string by = FileBytes(marker);
        by = by.substr(0, by.find_first_of("\r\n"));
        loaded.push_back(PlantedFile(name) + " by " + by);
    }
    return loaded;
}

void PlantedLibraries::ForgetLoaded() const
{
    for (const std::string& name : names)
        ::DeleteFileA((folder + "\\" + PlantedFile(name) + ".loaded").c_str());
}

bool PlantedLibraries::RunCarelessProgram() const
{
    return RunToEnd("\"" + folder + "\\careless.exe\"", Deadline, folder.c_str());
}

std::vector<std::string> PlantedLibraries::ModulesFromTheFolder(DWORD process) const
{
    std::vector<std::string> found;
    // Fails with INVALID_HANDLE_VALUE, as CreateFile does.
    const UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, process));
    EXPECT_TRUE(snapshot) << "the modules of process " << process << " can't be listed";
    if (!snapshot)
        return found;
    MODULEENTRY32 module{};
    module.dwSize = sizeof module;
    const std::string prefix = folder + "\\";
    for (BOOL more = ::Module32First(snapshot.get(), &module); more; more = ::Module32Next(snapshot.get(), &module)) {
        const std::string path = module.szExePath;
        if (path.size() > prefix.size() && lstrcmpiA(path.substr(0, prefix.size()).c_str(), prefix.c_str()) == 0
            && lstrcmpiA(path.c_str(), Exe().c_str()) != 0)
            found.push_back(path);
    }
    return found;
}

// ---- Vistero

Vistero Vistero::Start(const std::string& arguments, const std::string& otherExe)
{
    const std::string exe = otherExe.empty() ? BuiltExe() : otherExe;
    std::string commandLine = "\"" + exe + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    const std::string folder = exe.substr(0, exe.find_last_of('\\'));
    PROCESS_INFORMATION info{};
    DWORD error = 0;
    if (!StartProcess(commandLine, info, folder.c_str(), &error)) {
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
    EXPECT_TRUE(vistero.WaitForTrayWindow() && WaitFor([] { return FileExists(StartupLinkPath()); }))
        << "Vistero did not become resident";
    return vistero;
}

Vistero Vistero::Resident()
{
    const std::vector<HWND> windows = TrayWindows();
    if (windows.empty())
        return Vistero(nullptr, 0);
    const DWORD id = ProcessOf(windows.front());
    return Vistero(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION, FALSE, id), id);
}

Vistero::~Vistero()
{
    if (Running()) {
        ::TerminateProcess(process.get(), 99);
        ::WaitForSingleObject(process.get(), static_cast<DWORD>(Deadline.count()));
    }
}

bool Vistero::Running() const
{
    return process && ::WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT;
}

bool Vistero::Ended(std::chrono::milliseconds timeout) const
{
    return process && WaitFor([this] { return !Running(); }, timeout);
}

DWORD Vistero::ExitCode() const
{
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process.get(), &code);
    return code;
}

HWND Vistero::TrayWindow() const
{
    for (HWND window : TrayWindows())
        if (ProcessOf(window) == processId)
            return window;
    return nullptr;
}

bool Vistero::WaitForTrayWindow() const
{
    // The window exists before its icon and its timer: a message sent in
    // between would be handled by a half-made program. Once the thread waits
    // for input, start-up is over.
    return WaitFor([this] { return TrayWindow() != nullptr; })
        && ::WaitForInputIdle(process.get(), static_cast<DWORD>(Deadline.count())) == 0;
}

std::vector<HWND> Vistero::Dialogs() const
{
    return TopLevelWindows(processId, "#32770");
}

HWND Vistero::Dialog() const
{
    // The dialog with the tab control; a message box has the same caption.
    for (HWND dialog : Dialogs())
        if (const HWND tab = ::GetDlgItem(dialog, IDC_TAB); tab && ClassOf(tab) == WC_TABCONTROLA)
            return dialog;
    return nullptr;
}

bool Vistero::WaitForDialog() const
{
    return WaitFor([this] { return Dialog() != nullptr; });
}

bool Vistero::WaitForNoDialog() const
{
    return WaitFor([this] { return Dialog() == nullptr; });
}

HWND Vistero::MessageBox() const
{
    for (HWND dialog : Dialogs())
        if (const HWND text = ::GetDlgItem(dialog, 0xFFFF); text && lstrcmpiA(ClassOf(text).c_str(), "Static") == 0)
            return dialog;
    return nullptr;
}

HWND Vistero::Menu() const
{
    const std::vector<HWND> menus = TopLevelWindows(processId, "#32768");
    return menus.empty() ? nullptr : menus.front();
}

HWND Vistero::FileDialog() const
{
    for (HWND dialog : Dialogs())
        // A message box of the file dialog has the same caption, no name field.
        if (TextOf(dialog) == FileDialogCaption && ::GetDlgItem(dialog, cmb13))
            return dialog;
    return nullptr;
}

bool Vistero::OpenDialog() const
{
    const HWND window = TrayWindow();
    return window && ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_OPEN_CONFIGURATION, 0), 0) && WaitForDialog();
}

bool Vistero::CloseDialog(int button) const
{
    const HWND dialog = Dialog();
    if (!dialog)
        return false;
    ::PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(dialog, button)));
    return WaitFor([this] { return Dialog() == nullptr || MessageBox() != nullptr; }) && !Dialog();
}

bool Vistero::Exit() const
{
    const HWND window = TrayWindow();
    if (!window)
        return false;
    ::PostMessageA(window, WM_COMMAND, MAKEWPARAM(ID_EXIT, 0), 0);
    return Ended() && ExitCode() == 0;
}

void Vistero::DoubleClickIcon() const
{
    ::PostMessageA(TrayWindow(), TrayWindow::TrayCallbackMessage, 0, WM_LBUTTONDBLCLK);
}

bool Vistero::ChooseFromTrayMenu(int position) const
{
    const HWND window = TrayWindow();
    if (!window)
        return false;
    ::PostMessageA(window, TrayWindow::TrayCallbackMessage, 0, WM_RBUTTONUP);
    HWND menu = nullptr;
    if (!WaitFor([&] { return (menu = Menu()) != nullptr; }))
        return false;
    // The keys go to the menu's own loop, as a user's would.
    for (int i = 0; i <= position; ++i)
        ::PostMessageA(menu, WM_KEYDOWN, VK_DOWN, 0);
    ::PostMessageA(menu, WM_KEYDOWN, VK_RETURN, 0);
    return WaitFor([this] { return Menu() == nullptr; });
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

} // namespace test_support
