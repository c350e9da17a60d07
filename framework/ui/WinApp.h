#pragma once

#include "framework/core/CString.h"
#include "profile/Profile.h"

#include <windows.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

class CWnd;
class ProfileFile;

// The application object: exactly one, global, constructed before WinMain.
// WinMain (framework_main) initialises it, calls InitInstance and, if that
// returns TRUE, Run and ExitInstance. Its profile operations read and write
// the program's profile file, named after the executable.
class CWinApp : public Profile {
public:
    // Without a name, the application is named after the executable's base
    // name (once AfxInitApplication knows the module).
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    virtual BOOL InitInstance() { return TRUE; }
    // Runs the message loop until the main window is destroyed; returns at
    // once when there is no main window.
    virtual int Run();
    virtual int ExitInstance() { return 0; }


    // The profile file, made on first use from the application name.
    ProfileFile& GetProfileFile();

    int GetProfileInt(const char* section, const char* entry, int defaultValue) override;
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr) override;
    bool WriteProfileString(const char* section, const char* entry, const char* value) override;
    std::vector<CString> GetProfileKeys(const char* section) override;
    void RefreshProfile() override;
    bool UpdateProfile(const Edit& edit) override;
    SaveFailure LastSaveFailure() override;

    // Destroying this window ends Run.
    CWnd* m_pMainWnd = nullptr;
    HINSTANCE m_hInstance = nullptr;
    const char* m_pszAppName = "";
    // The argument text: the command line without the program name and the
    // white space after it.
    const char* m_lpszCmdLine = "";

private:
    friend void AfxInitApplication(HINSTANCE instance, const char* commandLine);

    std::string appName;
    bool nameGiven;
    std::string arguments;
    std::unique_ptr<ProfileFile> profile;
};

// The one application object, or null before it is constructed.
CWinApp* AfxGetApp();
// The application's name, or "" without an application object.
const char* AfxGetAppName();
// The module whose resources the framework loads: the application's, else
// the executable's.
HINSTANCE AfxGetInstanceHandle();

// What WinMain does for the application object before InitInstance: the
// module, the application name and the argument text.
void AfxInitApplication(HINSTANCE instance, const char* commandLine);

// Registers the common control classes the dialogs use, at the first call
// only. Every dialog asks for them before it is created, so a program that
// opens none never loads the controls' library (the program delay-loads it:
// megabytes of memory a silent start does not need). TRUE when registered.
BOOL AfxInitCommonControls();

// Both of the above, for test programs, which have their own main. TRUE
// unless the controls can't be registered.
BOOL AfxWinInit(HINSTANCE instance, const char* commandLine);

// The body of the framework's WinMain: AfxInitApplication, InitInstance, and
// when it returns TRUE, Run and ExitInstance. Returns the process's exit code.
int AfxWinMain(HINSTANCE instance, const char* commandLine);

// The command line without the program name (quoted or not) and the
// characters 1 to 32 that follow it; white space at the end stays.
std::string_view ArgumentTextOf(std::string_view commandLine);

// "C:\Dir\Vistero.exe" -> "Vistero": no folder, no last extension. The
// folder separators are found as characters of the code page, so the second
// byte of a double-byte character is never taken for one.
std::string BaseNameOf(std::string_view path, UINT codePage = CP_ACP);

// The full path of a module, however long.
std::string ModuleFileName(HMODULE module);
