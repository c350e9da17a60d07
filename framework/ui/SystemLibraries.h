#pragma once

// Where the program finds its libraries. Windows looks for a library that is
// not one of its KnownDLLs in the exe's own folder first, so a DLL put
// beside a downloaded Vistero.exe under a system DLL's name (version.dll and
// uxtheme.dll are the classic ones) would run inside it at every logon.

// Makes the system folder the one place where the program, and every system
// DLL on its behalf, finds a library loaded by name. Called first thing in
// the process (WinMain.cpp), before anything but kernel32 and the C runtime
// is bound: every other library is delay-loaded and so comes after it.
void AfxSearchOnlyTheSystemFolderForLibraries();

// Binds the system folder's copy of a library, by its path, for the rest of
// the process: a later load by that name, from whichever DLL asks and by
// whatever road, finds the one already in memory. False when there is none.
bool AfxBindSystemLibrary(const char* fileName);
