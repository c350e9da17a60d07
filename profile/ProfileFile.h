#pragma once

#include "framework/core/CodePage.h"
#include "profile/ProfileDocument.h"

#include <string>
#include <vector>

// The application's profile on disk: "<name>.INI" in the user's roaming
// application-data folder, read from the Windows directory when only an older
// copy there exists, saved by atomic replacement with the previous file kept
// as "<name>.INI.bak".
//
// Reading: the file is read at the first access and again at each
// RefreshProfile(); the reads in between come from that document.
//
// Writing: every change is an UpdateProfile (a single write is an update of
// one). On each try, an update reads the file as it is then (the user's
// file, else the older copy in the Windows directory), makes the caller's
// writes on that text, and replaces the file with the result. Whatever the
// user or another program put into the file since the last read stays, but
// for the keys written, as the platform's own per-key profile writes would
// keep it. After a good update the document read is the text written.
//
// The text goes to "<name>.INI.tmp" in the same folder and is flushed, the
// text it was made from goes to "<name>.INI.bak" the same way, and the
// temporary file is moved over the profile. Whenever the process stops, the
// profile is the old file or the new one, complete.
//
// Just before the move the file is read once more. When it is no longer byte
// for byte the text the try started from, or a read, a write or the move
// finds a file held open by another program, the update tries again from a
// fresh read: five tries at most, 50 ms apart, so that it waits 200 ms in all
// beyond the file operations' own time, and then fails with the last try's
// error (ERROR_SHARING_VIOLATION for a file that kept changing). What is left
// open is the time between that last read and the move, microseconds; a
// program that has the file open then, without sharing its deletion (as
// editors open it), makes the move fail, and the update tries again. Locking
// out other writers for the whole update would not close even that gap: the
// move cannot replace a file that our own lock holds open without sharing
// deletion, so the lock would have to go just before it, and meanwhile
// another program's save would fail instead of ours.
//
// An update that fails leaves the file and the document as they were and
// records the system's error code for the caller's message; the caller keeps
// what it meant to write and may try again. One whose edit a write refuses
// (a line break in a value, say) fails with ERROR_INVALID_DATA.
//
// A file that exists but cannot be read (locked by another program, access
// denied) is read the same five times 50 ms apart, then reads as empty, and
// no update replaces it until a RefreshProfile() has read it: the caller's
// values were read without seeing the file's contents and would throw them
// away. An update whose own read fails fails with that reason and leaves the
// file alone.
class ProfileFile : public Profile {
public:
    // `baseName` is the executable's base name, such as "Vistero".
    explicit ProfileFile(std::string baseName);
    // The same with other folders in place of the application-data folder and
    // of the Windows directory; relative paths are taken from the current one.
    ProfileFile(std::string baseName, std::string userFolder, std::string windowsFolder);
    virtual ~ProfileFile() = default;

    ProfileFile(const ProfileFile&) = delete;
    ProfileFile& operator=(const ProfileFile&) = delete;

    // The points of a save at which ContinueSave is asked: as each try
    // starts, and after its writes.
    enum class SaveStep { TryStarted, TemporaryWritten, BackupWritten };

    // The file that saves go to.
    const std::string& FileName() const;
    // The system error code of the last save that failed, 0 after a good one.
    unsigned long LastSaveError() const { return lastSaveError; }
    // The file the document was last read from or saved to: FileName(), the
    // older copy in the Windows directory, or empty when neither exists.
    const std::string& SourceFileName() const { return sourceFile; }
    // The system error code when the last read found a file it could not
    // read, 0 otherwise.
    unsigned long LastReadError() const { return lastReadError; }

    // Values are read in the process's code page; one that is not valid there
    // was written by an earlier version in the system's legacy code page, and
    // is read in that (see FromStoredText). Tests name other code pages.
    void UseCodePages(const CodePages& pages) { codePages = pages; }

    int GetProfileInt(const char* section, const char* entry, int defaultValue) override;
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr) override;
    bool WriteProfileString(const char* section, const char* entry, const char* value) override;
    std::vector<CString> GetProfileKeys(const char* section) override;

    void RefreshProfile() override;
    bool UpdateProfile(const Edit& edit) override;
    SaveFailure LastSaveFailure() override { return {FileName(), lastSaveError}; }

protected:
    // Asked at each step of a save; false stops the save right there, with
    // nothing cleaned up, as if the process had died. For tests, which also
    // play another program writing the file here, and count the tries.
    virtual bool ContinueSave(SaveStep) { return true; }

private:
    // The profile as found on disk at one moment.
    struct OnDisk;

    void ResolvePaths() const;
    void EnsureLoaded();
    OnDisk ReadFromDisk() const;
    unsigned long Replace(const Edit& edit);

    std::string baseName;
    // Empty when the platform's folder is to be used.
    std::string userFolderGiven;
    std::string windowsFolderGiven;
    bool foldersGiven = false;

    mutable bool pathsResolved = false;
    mutable std::string userFolder;
    mutable std::string userFile;
    mutable std::string windowsFile;
    // Why userFile is empty, when it is.
    mutable unsigned long pathError = 0;

    // The file as last read or written.
    ProfileDocument document;
    std::string sourceFile;
    bool loaded = false;
    unsigned long lastSaveError = 0;
    unsigned long lastReadError = 0;
    CodePages codePages;
};
