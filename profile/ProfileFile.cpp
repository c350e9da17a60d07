#include "profile/ProfileFile.h"

#include "framework/CodePage.h"
#include "framework/PathText.h"
#include "framework/UniqueHandle.h"
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
    wchar_t* wide = nullptr;
    const HRESULT result = SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &wide);
    // The shell's allocator is COM's task allocator; taking it from the
    // shell keeps COM itself unloaded until the Startup shortcut needs it.
    IMalloc* allocator = nullptr;
    const auto free = [&] {
        if (wide && SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(wide);
            allocator->Release();
        }
    };
    if (FAILED(result) || !wide) {
        free();
        return FAILED(result) ? result : E_FAIL;
    }
    std::optional<std::string> narrow = NarrowExact(wide);
    free();
    if (!narrow || narrow->empty())
        return HRESULT_FROM_WIN32(ERROR_NO_UNICODE_TRANSLATION);
    folder = std::move(*narrow);
    return S_OK;
}

// GetFullPathNameA sized by asking first: a folder of any length comes back
// whole or not at all.
bool FullPath(const std::string& path, std::string& full)
{
    DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
    for (int i = 0; i < 3 && size != 0; ++i) {
        std::string buffer(size, '\0');
        const DWORD length = GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
        if (length == 0)
            break;
        if (length < size) {
            buffer.resize(length);
            full = std::move(buffer);
            return true;
        }
        size = length;
    }
    return false;
}

enum class ReadResult { Read, Absent, Failed };

ReadResult ReadWholeFile(const std::string& path, std::string& text, DWORD& error)
{
    text.clear();
    error = 0;
    for (int attempt = 0;; ++attempt) {
        if (attempt > 0)
            Sleep(RetryDelayMs);
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!file) {
            error = GetLastError();
            if (IsAbsent(error))
                return ReadResult::Absent;
            if (IsTransient(error) && attempt + 1 < Attempts)
                continue;
            return ReadResult::Failed;
        }

        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file.get(), &size)) {
            error = GetLastError();
            return ReadResult::Failed;
        }
        if (size.QuadPart > LargestProfile) {
            error = ERROR_FILE_TOO_LARGE;
            return ReadResult::Failed;
        }
        try {
            text.resize(static_cast<std::size_t>(size.QuadPart));
        } catch (const std::bad_alloc&) {
            error = ERROR_NOT_ENOUGH_MEMORY;
            return ReadResult::Failed;
        }

        // Read to the end of the file, whatever the size said: the file may
        // have changed in between.
        std::size_t filled = 0;
        bool failed = false;
        for (;;) {
            if (filled == text.size())
                text.resize(text.size() + 4096);
            DWORD got = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - filled, 1u << 20));
            if (!ReadFile(file.get(), text.data() + filled, chunk, &got, nullptr)) {
                error = GetLastError();
                failed = true;
                break;
            }
            if (got == 0)
                break;
            filled += got;
            if (filled > static_cast<std::size_t>(LargestProfile)) {
                error = ERROR_FILE_TOO_LARGE;
                return ReadResult::Failed;
            }
        }
        text.resize(filled);
        if (!failed)
            return ReadResult::Read;
        text.clear();
        if (!(IsTransient(error) && attempt + 1 < Attempts))
            return ReadResult::Failed;
    }
}

// Writes a file from nothing and makes sure it is on the disk before the
// caller moves it into place; on failure nothing of it remains.
DWORD WriteWholeFile(const std::string& path, std::string_view text)
{
    DWORD error = 0;
    UniqueFile file;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0)
            Sleep(RetryDelayMs);
        file = UniqueFile(
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (file)
            break;
        error = GetLastError();
        if (!IsTransient(error))
            return error;
    }
    if (!file)
        return error;

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

DWORD MoveIntoPlace(const std::string& from, const std::string& to)
{
    DWORD error = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0)
            Sleep(RetryDelayMs);
        if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return 0;
        error = GetLastError();
        if (!IsTransient(error))
            break;
    }
    return error;
}

bool IsFolder(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates the folder and any missing folders above it.
DWORD CreateFolders(const std::string& folder, UINT codePage)
{
    std::vector<std::string> missing;
    std::string path = folder;
    while (FindPathSeparators(path, codePage).atEnd)
        path.pop_back();
    while (!path.empty() && !IsFolder(path)) {
        missing.push_back(path);
        const std::size_t separator = LastPathSeparator(path, codePage);
        if (separator == std::string::npos)
            break;
        path.erase(separator);
        // Stop at a drive ("C:") or the start of a UNC name ("\\server").
        if (path.empty() || path.back() == ':' || path.find_first_not_of("\\/") == std::string::npos)
            break;
    }
    for (auto next = missing.rbegin(); next != missing.rend(); ++next) {
        if (!CreateDirectoryA(next->c_str(), nullptr)) {
            const DWORD error = GetLastError();
            if (error != ERROR_ALREADY_EXISTS || !IsFolder(*next))
                return error == ERROR_ALREADY_EXISTS ? ERROR_DIRECTORY : error;
        }
    }
    return 0;
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

        const UINT size = GetWindowsDirectoryA(nullptr, 0);
        if (size != 0) {
            std::string buffer(size, '\0');
            const UINT length = GetWindowsDirectoryA(buffer.data(), size);
            if (length != 0 && length < size) {
                buffer.resize(length);
                windows = std::move(buffer);
            }
        }
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

const std::string& ProfileFile::SourceFileName() const
{
    return sourceFile;
}

struct ProfileFile::OnDisk {
    ReadResult result = ReadResult::Absent;
    // The file that was read, empty when neither exists.
    std::string path;
    std::string text;
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
        disk.result = ReadWholeFile(*path, disk.text, disk.error);
        if (disk.result != ReadResult::Absent) {
            disk.path = *path;
            break;
        }
    }
    return disk;
}

void ProfileFile::Read()
{
    ResolvePaths();
    OnDisk disk = ReadFromDisk();
    loaded = true;
    sourceFile = std::move(disk.path);
    lastReadError = disk.result == ReadResult::Failed ? disk.error : 0;
    document.Parse(disk.result == ReadResult::Read ? disk.text : std::string());
}

void ProfileFile::EnsureLoaded()
{
    if (!loaded)
        Read();
}

void ProfileFile::RefreshProfile()
{
    Read();
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

bool ProfileFile::WriteProfileInt(const char* section, const char* entry, int value)
{
    return WriteProfileString(section, entry, std::to_string(value).c_str());
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
    auto fail = [&temporary](DWORD error) {
        DeleteFileA(temporary.c_str());
        return error;
    };
    DWORD error = 0;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        if (attempt > 0)
            Sleep(RetryDelayMs);

        const OnDisk before = ReadFromDisk();
        if (before.result == ReadResult::Failed)
            return fail(before.error);
        ProfileDocument changed(before.text);
        if (!edit(changed))
            return fail(ERROR_INVALID_DATA);
        const std::string text = changed.Serialize();

        if (const DWORD written = WriteWholeFile(temporary, text))
            return written;
        if (!ContinueSave(SaveStep::TemporaryWritten))
            return ERROR_OPERATION_ABORTED;

        // The previous version, kept the same safe way. It is a courtesy: a
        // backup that cannot be made (its file is locked, say) does not stop
        // the save, which replaces the profile as completely as ever.
        if (before.path == userFile) {
            const std::string backup = userFile + ".bak";
            const std::string backupTemporary = backup + ".tmp";
            if (WriteWholeFile(backupTemporary, before.text) == 0 && MoveIntoPlace(backupTemporary, backup) != 0)
                DeleteFileA(backupTemporary.c_str());
        }
        if (!ContinueSave(SaveStep::BackupWritten))
            return ERROR_OPERATION_ABORTED;

        // Someone wrote the file since it was read: start over from what they
        // wrote rather than put back what they replaced.
        if (ReadFromDisk() != before) {
            error = ERROR_SHARING_VIOLATION;
            continue;
        }
        if (MoveFileExA(temporary.c_str(), userFile.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            document = std::move(changed);
            sourceFile = userFile;
            return 0;
        }
        // Held open by a scanner, or by a program writing it: read it again
        // before the next try, in case it was the latter.
        error = GetLastError();
        if (!IsTransient(error))
            break;
    }
    return fail(error);
}
