// What the installer test cannot do from the Linux side: ask Windows where
// its shell folders are, read and write shell links as the program and the
// shell do, and stand in for a running Vistero.
//
//   helper folders                       NAME=path lines, one per shell folder
//   helper link TARGET LINK ARGUMENTS    writes a shell link, as Vistero does
//   helper link-target LINK              prints the link's target and arguments
//   helper window READY DONE [refuse]    a hidden "VisteroWnd" window that ends
//                                        on the Exit command (or, with refuse,
//                                        only on WM_CLOSE); READY is written
//                                        once it exists, DONE once it is gone
//   helper close                         posts WM_CLOSE to that window
//   helper find                          succeeds while a "VisteroWnd" window
//                                        (the real program's or the stand-in's)
//                                        exists
//   helper exit                          posts the Exit command to it, as the
//                                        tray menu does
//
// Exit code 0 on success, 1 on failure (with a line on stderr), 2 on misuse.
#include "framework/ui/Com.h"

#include <shlobj.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

constexpr char WindowName[] = "VisteroWnd";
constexpr char WindowClass[] = "VisteroPackageTestWindow";
constexpr WORD IdExit = 40002;

int Fail(const char* what, DWORD code)
{
    std::fprintf(stderr, "helper: %s failed (%lu)\n", what, static_cast<unsigned long>(code));
    return 1;
}

int PrintFolders()
{
    struct Folder {
        const char* name;
        int csidl;
    };
    static constexpr Folder folders[] = {
        {"LOCALAPPDATA", CSIDL_LOCAL_APPDATA},
        {"APPDATA", CSIDL_APPDATA},
        {"PROGRAMS", CSIDL_PROGRAMS},
        {"COMMON_PROGRAMS", CSIDL_COMMON_PROGRAMS},
        {"STARTUP", CSIDL_STARTUP},
        {"PROGRAM_FILES", CSIDL_PROGRAM_FILES},
    };
    for (const Folder& folder : folders) {
        char path[MAX_PATH] = {};
        const HRESULT result = SHGetFolderPathA(nullptr, folder.csidl, nullptr, SHGFP_TYPE_CURRENT, path);
        if (FAILED(result))
            return Fail(folder.name, static_cast<DWORD>(result));
        std::printf("%s=%s\n", folder.name, path);
    }
    return 0;
}

ComPtr<IShellLinkA> NewShellLink()
{
    ComPtr<IShellLinkA> link;
    CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.receive()));
    return link;
}

std::wstring Wide(const char* text)
{
    const int length = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring wide(length > 0 ? length : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), length);
    return wide;
}

int WriteLink(const char* target, const char* linkFile, const char* arguments)
{
    const ComInit com;
    const ComPtr<IShellLinkA> link = NewShellLink();
    if (!link)
        return Fail("CoCreateInstance", 0);
    link->SetPath(target);
    link->SetArguments(arguments);
    link->SetDescription("Vistero");
    ComPtr<IPersistFile> file;
    link->QueryInterface(IID_PPV_ARGS(file.receive()));
    if (!file)
        return Fail("IPersistFile", 0);
    const HRESULT result = file->Save(Wide(linkFile).c_str(), TRUE);
    return FAILED(result) ? Fail("IPersistFile::Save", static_cast<DWORD>(result)) : 0;
}

int PrintLinkTarget(const char* linkFile)
{
    const ComInit com;
    const ComPtr<IShellLinkA> link = NewShellLink();
    ComPtr<IPersistFile> file;
    if (link)
        link->QueryInterface(IID_PPV_ARGS(file.receive()));
    if (!file)
        return Fail("IPersistFile", 0);
    const HRESULT result = file->Load(Wide(linkFile).c_str(), STGM_READ);
    if (FAILED(result))
        return Fail("IPersistFile::Load", static_cast<DWORD>(result));
    char target[MAX_PATH] = {};
    char arguments[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, MAX_PATH);
    std::printf("%s|%s\n", target, arguments);
    return 0;
}

bool TouchFile(const char* path)
{
    const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    return true;
}

bool refuseExit = false;

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        // The real program refuses Exit while its dialog is open.
        if (LOWORD(wParam) == IdExit && !refuseExit)
            DestroyWindow(window);
        return 0;
    case WM_CLOSE:
        DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int RunStandIn(const char* readyFile, const char* doneFile, bool refuse)
{
    refuseExit = refuse;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = StandInProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = WindowClass;
    if (!RegisterClassA(&windowClass))
        return Fail("RegisterClassA", GetLastError());
    // Hidden and top-level, like Vistero's own window, so FindWindow sees it.
    const HWND window = CreateWindowExA(0, WindowClass, WindowName, WS_POPUP, 0, 0, 0, 0,
                                        nullptr, nullptr, windowClass.hInstance, nullptr);
    if (!window)
        return Fail("CreateWindowExA", GetLastError());
    if (!TouchFile(readyFile))
        return Fail("writing the ready file", GetLastError());
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return TouchFile(doneFile) ? 0 : Fail("writing the done file", GetLastError());
}

int CloseStandIn()
{
    const HWND window = FindWindowA(nullptr, WindowName);
    if (!window)
        return Fail("FindWindowA", GetLastError());
    return PostMessageA(window, WM_CLOSE, 0, 0) ? 0 : Fail("PostMessageA", GetLastError());
}

int FindVistero()
{
    return FindWindowA(nullptr, WindowName) ? 0 : 1;
}

int ExitVistero()
{
    const HWND window = FindWindowA(nullptr, WindowName);
    if (!window)
        return Fail("FindWindowA", GetLastError());
    return PostMessageA(window, WM_COMMAND, MAKEWPARAM(IdExit, 0), 0) ? 0 : Fail("PostMessageA", GetLastError());
}

int Usage()
{
    std::fprintf(stderr, "usage: helper folders | link TARGET LINK ARGUMENTS | link-target LINK"
                         " | window READY DONE [refuse] | close | find | exit\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const std::string command = argv[1];
    if (command == "folders" && argc == 2)
        return PrintFolders();
    if (command == "link" && argc == 5)
        return WriteLink(argv[2], argv[3], argv[4]);
    if (command == "link-target" && argc == 3)
        return PrintLinkTarget(argv[2]);
    if (command == "window" && (argc == 4 || (argc == 5 && std::strcmp(argv[4], "refuse") == 0)))
        return RunStandIn(argv[2], argv[3], argc == 5);
    if (command == "close" && argc == 2)
        return CloseStandIn();
    if (command == "find" && argc == 2)
        return FindVistero();
    if (command == "exit" && argc == 2)
        return ExitVistero();
    return Usage();
}
