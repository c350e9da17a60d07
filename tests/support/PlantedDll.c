/* A stand-in for a DLL planted beside a downloaded program under the name of
 * a system DLL: it exports nothing, and all it does when a process loads it
 * is leave "<its own path>.loaded" beside itself, naming that process. The
 * test copies it under each name it plants. Plain C with kernel32 alone and
 * no runtime, so that loading it loads nothing else. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved)
{
    char path[MAX_PATH + sizeof ".loaded"];
    char exe[MAX_PATH + 2];
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    DWORD length = GetModuleFileNameA(self, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcatA(path, ".loaded");
    HANDLE marker = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (marker == INVALID_HANDLE_VALUE)
        return TRUE;
    DWORD exeLength = GetModuleFileNameA(NULL, exe, MAX_PATH);
    if (exeLength < MAX_PATH) {
        exe[exeLength++] = '\r';
        exe[exeLength++] = '\n';
        DWORD written;
        WriteFile(marker, exe, exeLength, &written, NULL);
    }
    CloseHandle(marker);
    return TRUE;
}
