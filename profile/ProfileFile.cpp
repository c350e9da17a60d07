#include "profile/ProfileFile.h"

#include "framework/core/CodePage.h"
#include "framework/core/PathText.h"
#include "framework/core/UniqueHandle.h"
#include "profile/StoredText.h"

#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Virus scanners and indexers open files for a moment: a few short tries get
// past them without keeping the user waiting on a file that stays locked.
// A read of the profile and an update are each the one layer that tries
// again, and the file operations inside a try make one attempt each: an
// update waits (Attempts - 1) * RetryDelayMs, 200 ms, at most. With each
// operation's own tries inside the update's, it came to some 100 sleeps, 5 s
// with the dialog frozen on OK.
constexpr int Attempts = 5;
constexpr DWORD RetryDelayMs = 50;

// A profile is a few kilobytes; anything this large is not one, and reading
// it whole could exhaust a 32-bit address space.
constexpr LONGLONG LargestProfile = 64LL * 1024 * 1024;

// Closes the file now. False when the system reports that closing failed:
// for a file being written, that can mean the data did not reach the disk.
bool Close(UniqueFile& file)
{
    return !file || CloseHandle(file.release()) != FALSE;
}

bool IsTransient(DWORD error)
{
    return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// What one try gives: 0 or the system's error code, and whether another try
// may go better (the file was held open for a moment).
struct Outcome {
    DWORD error = 0;
    bool again = false;
};

Outcome Transient(DWORD error)
{
    return {error, IsTransient(error)};
}

// Tries until a try needs no other, at most Attempts times, RetryDelayMs
// apart; the error of the last try, 0 when it succeeded.
template <class Try>
DWORD Retry(Try attempt)
{
    Outcome outcome;
    for (int tries = 0; tries < Attempts; ++tries) {
        if (tries > 0)
            Sleep(RetryDelayMs);
        outcome = attempt();
        if (!outcome.again)
            break;
    }
    return outcome.error;
}

// Errors that say the file cannot exist at that path, as opposed to errors
// that say it exists and cannot be read.
bool IsAbsent(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_INVALID_NAME ||
           error == ERROR_BAD_PATHNAME || error == ERROR_FILENAME_EXCED_RANGE || error == ERROR_INVALID_DRIVE ||
           error == ERROR_BAD_NETPATH;
}

// The user's roaming application-data folder, whole. SHGetFolderPathA would
// give at most MAX_PATH bytes, fewer than a folder of MAX_PATH characters
// takes in UTF-8, and a look-alike for a letter that a legacy code page
// lacks: a folder that does not exist. A folder that the code page can't
// spell fails with ERROR_NO_UNICODE_TRANSLATION.
HRESULT RoamingAppDataFolder(std::string& folder)
{
    // Freed also when the call fails, as the shell asks.
    UniqueShellMemory<wchar_t*> wide;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, wide.receive());
    if (FAILED(result) || !wide)
        return FAILED(result) ? result : E_FAIL;
    std::optional<std::string> narrow = NarrowExact(wide.get());
    if (!narrow || narrow->empty())
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    folder = std::move(*narrow);
    return S_OK;
}

// Text that a system function writes into a buffer of the size it asks for:
// `call(buffer, size)` gives the text's length when it fits, the size it needs
// when not, 0 on failure. Of any length, whole or not at all.
template <class Call>
bool AskedText(Call call, std::string& text)
{
    DWORD size = call(nullptr, 0);
    for (int i = 0; i < 3 && size != 0; ++i) {
        std::string buffer(size, '\0');
        const DWORD length = call(buffer.data(), size);
        if (length == 0)
            break;
        if (length < size) {
            buffer.resize(length);
            text = std::move(buffer);
            return true;
        }
        size = length;
    }
    return false;
}

bool FullPath(const std::string& path, std::string& full)
{
    return AskedText([&](char* buffer, DWORD size) { return GetFullPathNameA(path.c_str(), size, buffer, nullptr); },
                     full);
}

// The whole file, read to its end whatever its size said: it may have changed
// in between. 0 and the text in `whole`, or the system's error code and
// `whole` left as it was.
DWORD ReadWholeFile(const std::string& path, std::string& whole)
{
    std::string text;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size{};
    if (!file || !GetFileSizeEx(file.get(), &size))
        return GetLastError();
    if (size.QuadPart > LargestProfile)
        return ERROR_FILE_TOO_LARGE;
    try {
        text.resize(static_cast<std::size_t>(size.QuadPart));
    } catch (const std::bad_alloc&) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::size_t filled = 0;
    for (DWORD got = 1; got != 0; filled += got) {
        if (filled > static_cast<std::size_t>(LargestProfile))
            return ERROR_FILE_TOO_LARGE;
        if (filled == text.size())
            text.resize(text.size() + 4096);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - filled, 1u << 20));
        if (!ReadFile(file.get(), text.data() + filled, chunk, &got, nullptr))
            return GetLastError();
    }
    text.resize(filled);
    whole = std::move(text);
    return 0;
}

// Writes a file from nothing and makes sure it is on the disk before the
// caller moves it into place; on failure nothing of it remains.
DWORD WriteWholeFile(const std::string& path, std::string_view text)
{
    UniqueFile file(
        CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError();

    DWORD error = 0;
    std::size_t written = 0;
    while (written < text.size()) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - written, 1u << 20));
        DWORD done = 0;
        if (!WriteFile(file.get(), text.data() + written, chunk, &done, nullptr) || done == 0) {
            error = GetLastError();
            break;
        }
        written += done;
    }
    if (written == text.size() && !FlushFileBuffers(file.get()))
        error = GetLastError();
    if (!Close(file) && error == 0)
        error = GetLastError();
    if (written != text.size() && error == 0)
        error = ERROR_WRITE_FAULT;
    if (error != 0)
        DeleteFileA(path.c_str());
    return error;
}

// The move that replaces a file whole.
DWORD MoveOnce(const std::string& from, const std::string& to)
{
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                                       : GetLastError();
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and any missing folders above it, up to a drive ("C:")
// or the start of a UNC name ("\\\\server").
DWORD CreateFolders(std::string_view folder, UINT codePage)
{
    while (FindPathSeparators(folder, codePage).atEnd)
        folder.remove_suffix(1);
    const std::string path(folder);
    if (path.empty() || path.back() == ':' || path.find_first_not_of("\\/") == std::string::npos || IsFolder(path))
        return 0;
    if (const DWORD error = CreateFolders(ParentFolder(folder, codePage), codePage))
        return error;
    if (CreateDirectoryA(path.c_str(), nullptr))
        return 0;
    const DWORD error = GetLastError();
    return error != ERROR_ALREADY_EXISTS ? error : IsFolder(path) ? 0 : ERROR_DIRECTORY;
}

} // namespace

ProfileFile::ProfileFile(std::string baseName) : baseName(std::move(baseName)) {}

ProfileFile::ProfileFile(std::string baseName, std::string userFolder, std::string windowsFolder)
    : baseName(std::move(baseName)), userFolderGiven(std::move(userFolder)),
      windowsFolderGiven(std::move(windowsFolder)), foldersGiven(true)
{
}

void ProfileFile::ResolvePaths() const
{
    if (pathsResolved)
        return;
    pathsResolved = true;
    const std::string fileName = baseName + ".INI";

    std::string user = userFolderGiven;
    std::string windows = windowsFolderGiven;
    if (!foldersGiven) {
        const HRESULT result = RoamingAppDataFolder(user);
        if (FAILED(result))
            pathError = HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : ERROR_PATH_NOT_FOUND;

        AskedText([](char* buffer, DWORD size) { return GetWindowsDirectoryA(buffer, size); }, windows);
    }

    if (!user.empty()) {
        // A folder the system cannot resolve still names the file in the
        // caller's message; saves to it fail with the system's reason.
        if (!FullPath(user, userFolder)) {
            pathError = GetLastError() != 0 ? GetLastError() : ERROR_BAD_PATHNAME;
            userFolder = user;
        }
        userFile = JoinPath(userFolder, fileName, codePages.process);
    } else if (pathError == 0) {
        pathError = ERROR_PATH_NOT_FOUND;
    }
    std::string windowsFolder;
    if (!windows.empty() && FullPath(windows, windowsFolder))
        windowsFile = JoinPath(windowsFolder, fileName, codePages.process);
}

const std::string& ProfileFile::FileName() const
{
    ResolvePaths();
    return userFile;
}

struct ProfileFile::OnDisk {
    // The file that was read, empty when neither exists.
    std::string path;
    std::string text;
    // Why the file that exists could not be read; 0 when it was, or when
    // neither exists.
    DWORD error = 0;

    bool operator==(const OnDisk&) const = default;
};

// The user's file, else the older copy in the Windows directory.
ProfileFile::OnDisk ProfileFile::ReadFromDisk() const
{
    OnDisk disk;
    for (const std::string* path : {&userFile, &windowsFile}) {
        if (path->empty())
            continue;
        disk.error = ReadWholeFile(*path, disk.text);
        if (!IsAbsent(disk.error)) {
            disk.path = *path;
            return disk;
        }
    }
    disk.error = 0;
    return disk;
}

void ProfileFile::RefreshProfile()
{
    ResolvePaths();
    OnDisk disk;
    Retry([&] {
        disk = ReadFromDisk();
        return Transient(disk.error);
    });
    loaded = true;
    sourceFile = std::move(disk.path);
    lastReadError = disk.error;
    document.Parse(disk.text);
}

void ProfileFile::EnsureLoaded()
{
    if (!loaded)
        ProfileFile::RefreshProfile();
}

int ProfileFile::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    EnsureLoaded();
    return document.GetProfileInt(section, entry, defaultValue);
}

CString ProfileFile::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    EnsureLoaded();
    return FromStoredText(document.GetProfileString(section, entry, defaultValue).str(), codePages);
}

std::vector<CString> ProfileFile::GetProfileKeys(const char* section)
{
    EnsureLoaded();
    return document.GetProfileKeys(section);
}

bool ProfileFile::WriteProfileString(const char* section, const char* entry, const char* value)
{
    return UpdateProfile([&](Profile& file) { return file.WriteProfileString(section, entry, value); });
}

bool ProfileFile::UpdateProfile(const Edit& edit)
{
    // Reading resolves the paths too.
    EnsureLoaded();
    if (pathError != 0)
        lastSaveError = pathError;
    else if (lastReadError != 0)
        lastSaveError = lastReadError;
    else
        lastSaveError = Replace(edit);
    return lastSaveError == 0;
}

unsigned long ProfileFile::Replace(const Edit& edit)
{
    if (const DWORD error = CreateFolders(userFolder, codePages.process))
        return error;

    // A read-only profile is the user's way of saying "leave it"; a folder of
    // that name is not ours to remove.
    const DWORD attributes = GetFileAttributesA(userFile.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return ERROR_ACCESS_DENIED;

    const std::string temporary = userFile + ".tmp";
    // A save that ContinueSave stops leaves everything as a crash would.
    bool stopped = false;
    const auto stop = [&stopped] {
        stopped = true;
        return Outcome{ERROR_OPERATION_ABORTED};
    };
    // Each try starts from a fresh read: whatever held a file for a moment
    // may have been a program writing the profile.
    const DWORD error = Retry([&]() -> Outcome {
        if (!ContinueSave(SaveStep::TryStarted))
            return stop();
        const OnDisk before = ReadFromDisk();
        if (before.error != 0)
            return Transient(before.error);
        ProfileDocument changed(before.text);
        if (!edit(changed))
            return {ERROR_INVALID_DATA};
        if (const DWORD written = WriteWholeFile(temporary, changed.Serialize()))
            return Transient(written);
        if (!ContinueSave(SaveStep::TemporaryWritten))
            return stop();

        // The previous version, kept the same safe way. It is a courtesy: a
        // backup that cannot be made (its file is locked, say) does not stop
        // the save or make it try again; the older backup stays.
        if (before.path == userFile) {
            const std::string backup = userFile + ".bak";
            const std::string backupTemporary = backup + ".tmp";
            if (WriteWholeFile(backupTemporary, before.text) == 0 && MoveOnce(backupTemporary, backup) != 0)
                DeleteFileA(backupTemporary.c_str());
        }
        if (!ContinueSave(SaveStep::BackupWritten))
            return stop();

        // Someone wrote the file since it was read: start over from what they
        // wrote rather than put back what they replaced.
        if (ReadFromDisk() != before)
            return {ERROR_SHARING_VIOLATION, true};
        // Held open by a scanner, or by a program writing it.
        if (const DWORD moved = MoveOnce(temporary, userFile))
            return Transient(moved);
        document = std::move(changed);
        sourceFile = userFile;
        return {};
    });
    if (error != 0 && !stopped)
        DeleteFileA(temporary.c_str());
    return error;
}
