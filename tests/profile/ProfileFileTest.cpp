// The profile file on disk: where it is read from and saved to, and that a
// save never leaves a half-written, empty or missing profile behind.
#include "profile/ProfileFile.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

constexpr const char* List = "WallpaperList";

std::string ReadBytes(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return file ? std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()) : "(missing)";
}

void WriteBytes(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HANDLE LockExclusively(const std::string& path)
{
    return CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
}

// Each test gets a fresh folder with a "user" and a "windows" folder in it.
class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        root = (fs::temp_directory_path() / ("vistero-profile-" + std::to_string(GetCurrentProcessId()) + "-" + name))
                   .string();
        fs::remove_all(root);
        user = root + "\\user\\Roaming";
        windows = root + "\\windows";
        fs::create_directories(windows);
        userFile = user + "\\Vistero.INI";
        windowsFile = windows + "\\Vistero.INI";
    }

    void TearDown() override
    {
        SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }

    ProfileFile Open() { return ProfileFile("Vistero", user, windows); }

    void MakeUserFile(const std::string& text)
    {
        fs::create_directories(user);
        WriteBytes(userFile, text);
    }

    std::string root, user, windows, userFile, windowsFile;
};

const std::string Old = "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\old.bmp\r\n";

TEST_F(ProfileFileTest, UpdateIsSavedOnceAtTheOutermostCommitIntoANewUserFolder)
{
    ProfileFile profile = Open();
    EXPECT_EQ(userFile, profile.FileName());
    EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ("", profile.SourceFileName());

    profile.BeginProfileUpdate();
    profile.WriteProfileString(List, "File0", "C:\\Pictures\\sea.bmp");
    profile.BeginProfileUpdate();
    profile.WriteProfileString(List, "File1", "");
    profile.WriteProfileInt(List, "NumberOfFiles", 2);
    EXPECT_TRUE(profile.CommitProfileUpdate());
    EXPECT_FALSE(Exists(userFile));
    ASSERT_TRUE(profile.CommitProfileUpdate());
    EXPECT_EQ(0u, profile.LastSaveError());

    EXPECT_EQ("[WallpaperList]\r\nFile0=C:\\Pictures\\sea.bmp\r\nFile1=\r\nNumberOfFiles=2\r\n", ReadBytes(userFile));
    // No previous version, no leftovers.
    EXPECT_FALSE(Exists(userFile + ".bak"));
    EXPECT_FALSE(Exists(userFile + ".tmp"));
    EXPECT_FALSE(Exists(windowsFile));
}

TEST_F(ProfileFileTest, OlderCopyInTheWindowsFolderIsReadUntilTheUserFileExists)
{
    WriteBytes(windowsFile, Old);
    {
        ProfileFile profile = Open();
        EXPECT_EQ("C:\\old.bmp", profile.GetProfileString(List, "File0").str());
        EXPECT_EQ(windowsFile, profile.SourceFileName());
        // The save goes to the user's folder, created on the way, and leaves
        // the older copy alone.
        ASSERT_TRUE(profile.WriteProfileString(List, "File0", "C:\\new.bmp")) << profile.LastSaveError();
    }
    EXPECT_EQ(Old, ReadBytes(windowsFile));
    EXPECT_EQ("; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\new.bmp\r\n", ReadBytes(userFile));

    // From now on the user's file is the profile, whatever the older one says.
    WriteBytes(windowsFile, "[WallpaperList]\r\nFile0=C:\\changed.bmp\r\n");
    ProfileFile again = Open();
    EXPECT_EQ("C:\\new.bmp", again.GetProfileString(List, "File0").str());
    EXPECT_EQ(userFile, again.SourceFileName());
}

TEST_F(ProfileFileTest, FileIsReadOncePerRefreshAndTheBackupHoldsThePreviousVersion)
{
    MakeUserFile(Old);
    ProfileFile profile = Open();
    EXPECT_EQ(1, profile.GetProfileInt(List, "NumberOfFiles", 0));

    // A change by someone else is seen only after a refresh.
    WriteBytes(userFile, "[WallpaperList]\r\nNumberOfFiles=5\r\n");
    EXPECT_EQ(1, profile.GetProfileInt(List, "NumberOfFiles", 0));
    profile.RefreshProfile();
    EXPECT_EQ(5, profile.GetProfileInt(List, "NumberOfFiles", 0));

    ASSERT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 6));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=5\r\n", ReadBytes(userFile + ".bak"));
    ASSERT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 7));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=6\r\n", ReadBytes(userFile + ".bak"));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=7\r\n", ReadBytes(userFile));
    EXPECT_FALSE(Exists(userFile + ".tmp"));
    EXPECT_FALSE(Exists(userFile + ".bak.tmp"));
}

// Stops a save after the given step, as a crash would.
class InterruptedProfile : public ProfileFile {
public:
    InterruptedProfile(const std::string& user, const std::string& windows, SaveStep stopAfter)
        : ProfileFile("Vistero", user, windows), stopAfter(stopAfter)
    {
    }

protected:
    bool ContinueSave(SaveStep step) override { return step != stopAfter; }

private:
    SaveStep stopAfter;
};

TEST_F(ProfileFileTest, InterruptedSaveLeavesTheOldFileWholeAndTheNextSaveSucceeds)
{
    for (const auto step : {ProfileFile::SaveStep::TemporaryWritten, ProfileFile::SaveStep::BackupWritten}) {
        MakeUserFile(Old);
        DeleteFileA((userFile + ".bak").c_str());
        {
            InterruptedProfile crashing(user, windows, step);
            EXPECT_FALSE(crashing.WriteProfileString(List, "File0", "C:\\new.bmp"));
            // The process "dies" here: the new text lies beside the profile.
            EXPECT_TRUE(Exists(userFile + ".tmp"));
        }
        EXPECT_EQ(Old, ReadBytes(userFile));
        EXPECT_EQ(step == ProfileFile::SaveStep::BackupWritten ? Old : "(missing)", ReadBytes(userFile + ".bak"));

        ProfileFile next = Open();
        EXPECT_EQ("C:\\old.bmp", next.GetProfileString(List, "File0").str());
        ASSERT_TRUE(next.WriteProfileString(List, "File0", "C:\\next.bmp"));
        EXPECT_EQ("C:\\next.bmp", ProfileDocument(ReadBytes(userFile)).GetProfileString(List, "File0").str());
        EXPECT_FALSE(Exists(userFile + ".tmp"));
    }
}

TEST_F(ProfileFileTest, UnwritableTargetFailsTheSaveAndKeepsBothCopies)
{
    // A read-only profile.
    MakeUserFile(Old);
    ASSERT_TRUE(SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_READONLY));
    {
        ProfileFile profile = Open();
        EXPECT_FALSE(profile.WriteProfileString(List, "File0", "C:\\new.bmp"));
        EXPECT_EQ(static_cast<unsigned long>(ERROR_ACCESS_DENIED), profile.LastSaveError());
        EXPECT_EQ(userFile, profile.FileName());
        // The edit stays in memory, and goes to disk once that is possible.
        EXPECT_EQ("C:\\new.bmp", profile.GetProfileString(List, "File0").str());
        EXPECT_EQ(Old, ReadBytes(userFile));
        EXPECT_FALSE(Exists(userFile + ".tmp"));

        ASSERT_TRUE(SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_NORMAL));
        profile.BeginProfileUpdate();
        EXPECT_TRUE(profile.CommitProfileUpdate());
        EXPECT_EQ(0u, profile.LastSaveError());
        EXPECT_EQ("C:\\new.bmp", ProfileDocument(ReadBytes(userFile)).GetProfileString(List, "File0").str());
    }

    // A folder where the profile should be.
    DeleteFileA(userFile.c_str());
    ASSERT_TRUE(CreateDirectoryA(userFile.c_str(), nullptr));
    {
        ProfileFile profile = Open();
        EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
        EXPECT_FALSE(profile.WriteProfileInt(List, "NumberOfFiles", 3));
        EXPECT_NE(0u, profile.LastSaveError());
        EXPECT_TRUE(GetFileAttributesA(userFile.c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    }

    // A file where the user's folder should be.
    fs::remove_all(root + "\\user");
    WriteBytes(root + "\\user", "not a folder");
    {
        ProfileFile profile = Open();
        EXPECT_FALSE(profile.WriteProfileInt(List, "NumberOfFiles", 3));
        EXPECT_NE(0u, profile.LastSaveError());
        EXPECT_EQ("not a folder", ReadBytes(root + "\\user"));
    }
}

TEST_F(ProfileFileTest, LockedFileReadsAsEmptyAndIsNotSavedOver)
{
    MakeUserFile(Old);
    const HANDLE lock = LockExclusively(userFile);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);

    ProfileFile profile = Open();
    EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ("", profile.GetProfileString(List, "File0").str());
    EXPECT_EQ(static_cast<unsigned long>(ERROR_SHARING_VIOLATION), profile.LastReadError());
    EXPECT_FALSE(profile.WriteProfileInt(List, "NumberOfFiles", 0));
    EXPECT_NE(0u, profile.LastSaveError());

    // Still refused once the lock is gone: the document never saw the file.
    CloseHandle(lock);
    EXPECT_FALSE(profile.WriteProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ(Old, ReadBytes(userFile));
    EXPECT_FALSE(Exists(userFile + ".tmp"));

    profile.RefreshProfile();
    EXPECT_EQ(0u, profile.LastReadError());
    EXPECT_EQ("C:\\old.bmp", profile.GetProfileString(List, "File0").str());
    EXPECT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 0));
}

TEST_F(ProfileFileTest, FileLockedDuringTheSaveFailsItCleanly)
{
    MakeUserFile(Old);
    ProfileFile profile = Open();
    EXPECT_EQ(1, profile.GetProfileInt(List, "NumberOfFiles", 0));

    const HANDLE lock = LockExclusively(userFile);
    ASSERT_NE(INVALID_HANDLE_VALUE, lock);
    EXPECT_FALSE(profile.WriteProfileString(List, "File0", "C:\\new.bmp"));
    EXPECT_NE(0u, profile.LastSaveError());
    CloseHandle(lock);

    EXPECT_EQ(Old, ReadBytes(userFile));
    EXPECT_FALSE(Exists(userFile + ".tmp"));
    // The next save carries the edit that failed.
    ASSERT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 1));
    EXPECT_EQ("C:\\new.bmp", ProfileDocument(ReadBytes(userFile)).GetProfileString(List, "File0").str());
}

TEST_F(ProfileFileTest, LongPathsAndValuesNeverCrash)
{
    // A value of 100,000 bytes goes to disk and back whole.
    std::string path = "C:\\";
    while (path.size() < 100000)
        path += "folder\xE9\\";
    {
        ProfileFile profile = Open();
        ASSERT_TRUE(profile.WriteProfileString(List, "File0", path.c_str())) << profile.LastSaveError();
    }
    EXPECT_EQ(path, Open().GetProfileString(List, "File0").str());

    // A folder too long for the ANSI functions: the save reports an error.
    std::string deep = root;
    while (deep.size() < 400)
        deep += "\\abcdefghijklmnopqrstuvwxyz0123456789";
    ProfileFile profile("Vistero", deep, windows);
    EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_FALSE(profile.WriteProfileInt(List, "NumberOfFiles", 1));
    EXPECT_NE(0u, profile.LastSaveError());
    EXPECT_TRUE(profile.FileName().ends_with("0123456789\\Vistero.INI")) << profile.FileName();
}

TEST(ProfileFileLocation, IsTheApplicationDataFolder)
{
    char appData[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    const ProfileFile profile("Vistero");
    EXPECT_EQ(std::string(appData) + "\\Vistero.INI", profile.FileName());
}

} // namespace
