// The shortcut in the user's Startup folder that starts the program silently
// at every logon, so that it is resident when the session ends.
#include "app/TrayApp.h"

#include "framework/Handles.h"

#include <mbstring.h>
#include <objbase.h>
#include <shlobj.h>

#include <string>

namespace {

constexpr const char* LinkFileName = "Vistero.lnk";
constexpr const char* LinkDescription = "Vistero";
// The executable's path and the UTF-16 link path, terminator included.
constexpr DWORD PathCapacity = 260;

// The Startup folder's path, or empty when the shell can't name it.
std::string StartupFolder()
{
    ComPtr<IMalloc> allocator;
    if (FAILED(::SHGetMalloc(allocator.Receive())) || !allocator)
        return {};
    LPITEMIDLIST folderItem = nullptr;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, &folderItem)) || !folderItem)
        return {};
    char folder[MAX_PATH + 1] = {};
    const BOOL named = ::SHGetPathFromIDListA(folderItem, folder);
    allocator->Free(folderItem);
    if (!named)
        return {};
    return folder;
}

// True when the path's last character, not merely its last byte, is a
// backslash: in a double-byte code page the second byte of a character can
// have the backslash's value. The system's code page decides where the last
// character begins, as it decided how the shell spelled the path.
bool EndsInBackslash(const std::string& path)
{
    if (path.empty())
        return false;
    const char* last = ::CharPrevExA(CP_ACP, path.c_str(), path.c_str() + path.size(), 0);
    return ::_mbscmp(reinterpret_cast<const unsigned char*>(last), reinterpret_cast<const unsigned char*>("\\")) == 0;
}

} // namespace

void TrayApp::CreateStartupShortcut()
{
    std::string link = StartupFolder();
    // Without the folder the link would land in the current directory.
    if (link.empty())
        return;
    if (!EndsInBackslash(link))
        link += '\\';
    link += LinkFileName;

    char executable[PathCapacity] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, executable, PathCapacity);
    // A full buffer means the path was cut: such a link would start nothing.
    if (length == 0 || length >= PathCapacity)
        return;
    CreateShellLink(executable, link.c_str(), SilentStartArgument, LinkDescription);
}

HRESULT TrayApp::CreateShellLink(const char* target, const char* linkFile, const char* arguments,
                                 const char* description)
{
    // Uninitialised again only if this call initialised it; declared first,
    // so that the interfaces are released before.
    const ComInit com;
    if (!com.Succeeded())
        return com.Result();

    ComPtr<IShellLinkA> link;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                        link.ReceiveVoid());
    if (FAILED(result) || !link)
        return FAILED(result) ? result : E_NOINTERFACE;

    // The setters' results are not looked at: the link is saved with what
    // the object then holds.
    link->SetPath(target);
    link->SetArguments(arguments);
    link->SetDescription(description);

    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_IPersistFile, file.ReceiveVoid());
    if (FAILED(result) || !file)
        return FAILED(result) ? result : E_NOINTERFACE;

    wchar_t widePath[PathCapacity];
    // A path that does not fit is not saved under a shortened name.
    if (::MultiByteToWideChar(CP_ACP, 0, linkFile, -1, widePath, static_cast<int>(PathCapacity)) == 0)
        return HRESULT_FROM_WIN32(::GetLastError());
    return file->Save(widePath, TRUE);
}
