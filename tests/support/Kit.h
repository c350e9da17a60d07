#pragma once

// Where a test program finds the files it needs, and what of its tests the
// Windows test kit (tests/kit) leaves out. The kit holds every test program
// in one folder, with the program under test, the programs the tests start
// and the "data" folder beside them; a build tree keeps each where the build
// made it, which the test is told at compile time.
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace test_support {

#ifdef _WIN32
// This program's path, and its file name without the folder and extension.
inline std::string ThisProgramPath()
{
    char self[MAX_PATH * 3] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    return length < sizeof self ? std::string(self, length) : std::string();
}

inline std::string ThisProgramName()
{
    const std::string path = ThisProgramPath();
    const std::string file = path.substr(path.find_last_of('\\') + 1);
    return file.substr(0, file.rfind('.'));
}
#endif

// The file or folder `name` beside this program when it is there, as in the
// kit; else `buildPath`, the build's own, in Windows' spelling.
inline std::string Located(const char* name, std::string buildPath)
{
#ifdef _WIN32
    const std::string self = ThisProgramPath();
    const std::string beside = self.substr(0, self.find_last_of('\\') + 1) + name;
    if (!self.empty() && ::GetFileAttributesA(beside.c_str()) != INVALID_FILE_ATTRIBUTES)
        return beside;
    for (char& c : buildPath)
        if (c == '/')
            c = '\\';
#else
    (void)name;
#endif
    return buildPath;
}

// True when this program runs from the kit and the kit leaves out the part
// of its tests that needs `setup`, one that only a Wine prefix gives (a
// logon through wineboot, a file at the root of drive C:...); the reason is
// then printed. The kit's list of tests says so, from tests/kit/left-out.txt.
bool KitLeavesOut(const char* setup);

} // namespace test_support
