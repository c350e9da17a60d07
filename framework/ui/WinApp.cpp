#include "framework/ui/WinApp.h"

#include "framework/ui/CWnd.h"
#include "framework/ui/SystemLibraries.h"
#include "framework/core/PathText.h"
#include "profile/ProfileFile.h"

#include <commctrl.h>

#include <exception>

namespace {

CWinApp* theApp = nullptr;
HINSTANCE initialisedInstance = nullptr;

} // namespace

CWinApp::CWinApp(const char* name) : appName(name ? name : ""), nameGiven(name && *name)
{
    m_pszAppName = appName.c_str();
    if (!theApp)
        theApp = this;
}

CWinApp::~CWinApp()
{
    if (theApp == this)
        theApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return theApp;
}

const char* AfxGetAppName()
{
    return theApp ? theApp->m_pszAppName : "";
}

HINSTANCE AfxGetInstanceHandle()
{
    if (theApp && theApp->m_hInstance)
        return theApp->m_hInstance;
    if (initialisedInstance)
        return initialisedInstance;
    return ::GetModuleHandleA(nullptr);
}

std::string ModuleFileName(HMODULE module)
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = ::GetModuleFileNameA(module, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        // A full buffer means the name may have been cut short.
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        if (path.size() >= 0x8000 * 4)
            return {};
        path.resize(path.size() * 2);
    }
}

std::string_view ArgumentTextOf(std::string_view commandLine)
{
    std::size_t i = 0;
    const auto at = [&](std::size_t index) { return static_cast<unsigned char>(commandLine[index]); };
    if (i < commandLine.size() && commandLine[i] == '"') {
        ++i;
        while (i < commandLine.size() && commandLine[i] != '"')
            ++i;
        if (i < commandLine.size())
            ++i;
    } else {
        while (i < commandLine.size() && at(i) > ' ')
            ++i;
    }
    while (i < commandLine.size() && at(i) >= 1 && at(i) <= ' ')
        ++i;
    // A NUL inside the view ends the text, as it would end a C string.
    const std::string_view rest = commandLine.substr(i);
    return rest.substr(0, rest.find('\0'));
}

std::string BaseNameOf(std::string_view path, UINT codePage)
{
    std::string_view name = path.substr(FindPathSeparators(path, codePage).afterLast);
    // The extension dot: '.' never appears as the second byte of a
    // double-byte character, so a plain search is safe.
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos)
        name = name.substr(0, dot);
    return std::string(name);
}

void AfxInitApplication(HINSTANCE instance, const char* commandLine)
{
    initialisedInstance = instance;
    if (CWinApp* app = AfxGetApp()) {
        app->m_hInstance = instance;
        if (!app->nameGiven) {
            app->appName = BaseNameOf(ModuleFileName(instance));
            app->m_pszAppName = app->appName.c_str();
        }
        app->arguments = ArgumentTextOf(commandLine ? commandLine : "");
        app->m_lpszCmdLine = app->arguments.c_str();
    }
}

BOOL AfxInitCommonControls()
{
    static const BOOL registered = [] {
        // Wine's theming of the controls binds msimg32 (AlphaBlend,
        // TransparentBlt) at the first themed paint by a road of its own,
        // which the search of the system folder alone does not govern: a
        // copy in the exe's folder came first. Bound ahead, it is found in
        // memory. Nothing else of the controls or the file dialog took that
        // road in a whole run.
        AfxBindSystemLibrary("msimg32.dll");
        INITCOMMONCONTROLSEX controls{};
        controls.dwSize = sizeof controls;
        controls.dwICC = ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES;
        return ::InitCommonControlsEx(&controls);
    }();
    return registered;
}

BOOL AfxWinInit(HINSTANCE instance, const char* commandLine)
{
    AfxInitApplication(instance, commandLine);
    return AfxInitCommonControls();
}

int AfxWinMain(HINSTANCE instance, const char* commandLine)
{
    CWinApp* app = AfxGetApp();
    if (!app)
        return 1;
    try {
        // The common controls wait for the first dialog (CDialog), which
        // a silent start never opens.
        AfxInitApplication(instance, commandLine);
        if (!app->InitInstance())
            return 0;
        app->Run();
        app->ExitInstance();
        return 0;
    } catch (const std::exception& error) {
        ::OutputDebugStringA("Vistero: the application stopped on an exception: ");
        ::OutputDebugStringA(error.what());
        ::OutputDebugStringA("\n");
    } catch (...) {
        ::OutputDebugStringA("Vistero: the application stopped on an exception\n");
    }
    return 1;
}

int CWinApp::Run()
{
    if (!m_pMainWnd || !m_pMainWnd->GetSafeHwnd())
        return 0;
    MSG message;
    for (;;) {
        const BOOL got = ::GetMessageA(&message, nullptr, 0, 0);
        if (got == 0)
            return static_cast<int>(message.wParam);
        if (got == -1)
            return -1;
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
        // The main window may have gone inside a loop of the system's own,
        // such as a popup menu's, which takes the quit message its end
        // posted and keeps it. Posted again, a quit still waiting stays one.
        if (!m_pMainWnd)
            ::PostQuitMessage(0);
    }
}

ProfileFile& CWinApp::GetProfileFile()
{
    if (!profile) {
        std::string name = appName.empty() ? BaseNameOf(ModuleFileName(m_hInstance)) : appName;
        profile = std::make_unique<ProfileFile>(std::move(name));
    }
    return *profile;
}

int CWinApp::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    return GetProfileFile().GetProfileInt(section, entry, defaultValue);
}

CString CWinApp::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    return GetProfileFile().GetProfileString(section, entry, defaultValue);
}

bool CWinApp::WriteProfileString(const char* section, const char* entry, const char* value)
{
    return GetProfileFile().WriteProfileString(section, entry, value);
}

std::vector<CString> CWinApp::GetProfileKeys(const char* section)
{
    return GetProfileFile().GetProfileKeys(section);
}

void CWinApp::RefreshProfile()
{
    GetProfileFile().RefreshProfile();
}

bool CWinApp::UpdateProfile(const Edit& edit)
{
    return GetProfileFile().UpdateProfile(edit);
}

Profile::SaveFailure CWinApp::LastSaveFailure()
{
    return GetProfileFile().LastSaveFailure();
}
