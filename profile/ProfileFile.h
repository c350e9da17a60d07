#pragma once

#include "profile/ProfileDocument.h"

#include <string>

// The application's profile on disk: "<name>.INI" in the user's roaming
// application-data folder, read from the Windows directory when only an older
// copy there exists, saved by atomic replacement with the previous file kept
// as "<name>.INI.bak".
//
// The file is read at the first access and again at each RefreshProfile();
// in between, reads come from the document in memory. A write outside
// BeginProfileUpdate/CommitProfileUpdate saves at once; inside, the one save
// happens at the outermost Commit.
//
// A save writes the whole text to "<name>.INI.tmp" in the same folder, flushes
// it, copies the current file to "<name>.INI.bak" the same way, and moves the
// temporary file over the profile. Whenever the process stops, the profile is
// the old file or the new one, complete. A save that fails leaves the old file
// as it was, keeps the writes in memory, and records the system's error code
// for the caller's message.
//
// A file that exists but cannot be read (locked by another program, access
// denied) is tried a few times, then reads as empty, and no save replaces it
// until a RefreshProfile() has read it: saving a document that never saw the
// file's contents would throw them away.
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

    // The points of a save at which ContinueSave is asked.
    enum class SaveStep { TemporaryWritten, BackupWritten };

    // The file that saves go to.
    const std::string& FileName() const;
    // The system error code of the last save that failed, 0 after a good one.
    unsigned long LastSaveError() const { return lastSaveError; }
    // The file the document was last read from: FileName(), the older copy in
    // the Windows directory, or empty when neither exists.
    const std::string& SourceFileName() const;
    // The system error code when the last read found a file it could not
    // read, 0 otherwise.
    unsigned long LastReadError() const { return lastReadError; }

    int GetProfileInt(const char* section, const char* entry, int defaultValue) override;
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr) override;
    bool WriteProfileInt(const char* section, const char* entry, int value) override;
    bool WriteProfileString(const char* section, const char* entry, const char* value) override;
    std::vector<CString> GetProfileKeys(const char* section) override;

    void RefreshProfile() override;
    void BeginProfileUpdate() override;
    bool CommitProfileUpdate() override;

protected:
    // Asked after each step of a save; false stops the save right there, with
    // nothing cleaned up, as if the process had died. For tests.
    virtual bool ContinueSave(SaveStep) { return true; }

private:
    void ResolvePaths() const;
    void EnsureLoaded();
    void Read();
    bool Written();
    bool Save();
    unsigned long Replace(const std::string& text);

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

    ProfileDocument document;
    std::string sourceFile;
    bool loaded = false;
    // The document holds writes that are not on disk yet.
    bool dirty = false;
    int updateDepth = 0;
    unsigned long lastSaveError = 0;
    unsigned long lastReadError = 0;
};
