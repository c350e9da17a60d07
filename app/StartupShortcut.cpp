// The shortcut in the user's Startup folder that starts the program silently
// at every logon, so that it is resident when the session ends.
#include "app/TrayApp.h"

#include "framework/core/CodePage.h"
#include "framework/core/PathText.h"
#include "framework/core/UniqueHandle.h"
#include "framework/ui/Com.h"
#include "framework/ui/WinApp.h"

#include <objbase.h>
#include <shlobj.h>

#include <cwchar>
#include <string>

namespace {

constexpr const char* LinkFileName = "Vistero.lnk";
constexpr const char* LinkDescription = "Vistero";
// The longest path the system's wide functions take, terminator included.
constexpr DWORD LongestPath = 32768;
// The link file's path in UTF-16 characters, terminator included.
constexpr std::size_t LinkPathCapacity = 260;

// The Startup folder's path, or empty when the shell can't name it or the
// process's code page can't spell it. Asked for in UTF-16 and at any length:
// SHGetPathFromIDListA gives at most MAX_PATH bytes, fewer than a folder of
// MAX_PATH characters takes in UTF-8, and a look-alike for a letter that a
// legacy code page lacks, a folder that does not exist.
std::string StartupFolder()
{
    UniqueShellMemory<LPITEMIDLIST> folderItem;
    if (FAILED(::SHGetSpecialFolderLocation(nullptr, CSIDL_STARTUP, folderItem.receive())) || !folderItem)
        return {};
    std::wstring folder(LongestPath, L'\0');
    if (!::SHGetPathFromIDListEx(folderItem.get(), folder.data(), LongestPath, GPFIDL_DEFAULT))
        return {};
    folder.resize(std::wcslen(folder.c_str()));
    return NarrowExact(folder).value_or(std::string());
}

} // namespace

void TrayApp::CreateStartupShortcut()
{
    const std::string folder = StartupFolder();
    // Without the folder the link would land in the current directory.
    if (folder.empty())
        return;
    const std::string link = JoinPath(folder, LinkFileName);

    // Whole in the process's code page, UTF-8 where the manifest is honoured.
    const std::string executable = ModuleFileName(nullptr);
    if (executable.empty())
        return;
    CreateShellLink(executable.c_str(), link.c_str(), SilentStartArgument, LinkDescription);
}

HRESULT TrayApp::CreateShellLink(const char* target, const char* linkFile, const char* arguments,
                                 const char* description)
{
    // Uninitialised again only if this call initialised it; declared first,
    // so that the interfaces are released before.
    const ComInit com;
    if (!com.Succeeded())
        return com.Result();

    // The link is written through the shell's UTF-16 interface, which keeps
    // every string whole in the file, whatever the names hold; the strings
    // come in the process's code page.
    const std::wstring wideTarget = Widen(target ? target : "");
    const std::wstring wideArguments = Widen(arguments ? arguments : "");
    const std::wstring wideDescription = Widen(description ? description : "");
    const std::wstring wideLinkFile = Widen(linkFile ? linkFile : "");

    ComPtr<IShellLinkW> link;
    HRESULT result = ::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.receive()));
    if (FAILED(result) || !link)
        return FAILED(result) ? result : E_NOINTERFACE;

    // The setters' results are not looked at: the link is saved with what
    // the object then holds.
    link->SetPath(wideTarget.c_str());
    link->SetArguments(wideArguments.c_str());
    link->SetDescription(wideDescription.c_str());

    ComPtr<IPersistFile> file;
    result = link->QueryInterface(IID_PPV_ARGS(file.receive()));
    if (FAILED(result) || !file)
        return FAILED(result) ? result : E_NOINTERFACE;

    // A path that can't be read in the code page names no file, and the
    // shell saves links at paths of fewer than 260 UTF-16 characters (which
    // in UTF-8 may take three times as many bytes): nothing is saved, rather
    // than a link under another name.
    if (wideLinkFile.empty())
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    if (wideLinkFile.size() >= LinkPathCapacity)
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    return file->Save(wideLinkFile.c_str(), TRUE);
}
