#include "tests/support/Outside.h"

#include "framework/Handles.h"
#include "tests/support/Pump.h"

#include <shlobj.h>

namespace test_support {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        // What the other process does sends this thread nothing: look again
        // after a short wait, or sooner when a message comes.
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpPending();
    }
}

DWORD ProcessOf(HWND window)
{
    DWORD process = 0;
    ::GetWindowThreadProcessId(window, &process);
    return process;
}

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
