// The profile file on disk: where it is read from and saved to, and that a
// save never leaves a half-written, empty or missing profile behind.
#include "framework/ProfileFile.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <string>

namespace {

constexpr const char* List = "WallpaperList";

std::string ReadBytes(const std::string& path)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "(missing)";
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    return text;
}

void WriteBytes(const std::string& path, const std::string& text)
{
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file) << path;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr));
    CloseHandle(file);
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::string& path)
{
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name == "." || name == "..")
                continue;
            const std::string child = path + "\\" + name;
            SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                DeleteFileA(child.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
}

// Each test gets a fresh folder with a "user" and a "windows" folder in it.
class ProfileFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH + 1];
        ASSERT_NE(0u, GetTempPathA(sizeof temp, temp));
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = test->name();
        for (char& c : name) {
            if (c == '/')
                c = '-';
        }
        root = std::string(temp) + "vistero-profile-" + std::to_string(GetCurrentProcessId()) + "-" + name;
        RemoveTree(root);
        ASSERT_TRUE(CreateDirectoryA(root.c_str(), nullptr));
        user = root + "\\user\\Roaming";
        windows = root + "\\windows";
        ASSERT_TRUE(CreateDirectoryA(windows.c_str(), nullptr));
        userFile = user + "\\Vistero.INI";
        windowsFile = windows + "\\Vistero.INI";
    }

    void TearDown() override { RemoveTree(root); }

    ProfileFile Open() { return ProfileFile("Vistero", user, windows); }

    void MakeUserFile(const std::string& text)
    {
        CreateDirectoryA((root + "\\user").c_str(), nullptr);
        CreateDirectoryA(user.c_str(), nullptr);
        WriteBytes(userFile, text);
    }

    std::string root, user, windows, userFile, windowsFile;
};

const std::string Old = "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\old.bmp\r\n";

TEST_F(ProfileFileTest, FirstSaveWritesTheDocumentedLinesToTheUserFolder)
{
    ProfileFile profile = Open();
    EXPECT_EQ(userFile, profile.FileName());
    EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ("", profile.SourceFileName());

    profile.BeginProfileUpdate();
    profile.WriteProfileString(List, "File0", "C:\\Pictures\\sea.bmp");
    profile.WriteProfileInt(List, "Showstate0", 2);
    profile.WriteProfileInt(List, "Priority0", 1);
    profile.WriteProfileString(List, "File1", "");
    profile.WriteProfileInt(List, "Showstate1", 3);
    profile.WriteProfileInt(List, "Priority1", 0);
    profile.WriteProfileInt(List, "NumberOfFiles", 2);
    profile.WriteProfileInt(List, "FrequencyLow", 50);
    profile.WriteProfileInt(List, "FrequencyNormal", 100);
    profile.WriteProfileInt(List, "FrequencyHigh", 200);
    // Nothing reaches the disk before the commit.
    EXPECT_FALSE(Exists(userFile));
    profile.BeginProfileUpdate();
    profile.WriteProfileInt(List, "ChangeInterval", 30);
    EXPECT_TRUE(profile.CommitProfileUpdate());
    EXPECT_FALSE(Exists(userFile));
    ASSERT_TRUE(profile.CommitProfileUpdate());
    EXPECT_EQ(0u, profile.LastSaveError());

    EXPECT_EQ("[WallpaperList]\r\nFile0=C:\\Pictures\\sea.bmp\r\nShowstate0=2\r\nPriority0=1\r\n"
              "File1=\r\nShowstate1=3\r\nPriority1=0\r\nNumberOfFiles=2\r\nFrequencyLow=50\r\n"
              "FrequencyNormal=100\r\nFrequencyHigh=200\r\nChangeInterval=30\r\n",
              ReadBytes(userFile));
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

class InterruptedSaveTest : public ProfileFileTest,
                            public ::testing::WithParamInterface<int> {};

TEST_P(InterruptedSaveTest, LeavesTheOldFileWholeAndTheNextSaveSucceeds)
{
    MakeUserFile(Old);
    const auto step = GetParam() == 0 ? ProfileFile::SaveStep::TemporaryWritten : ProfileFile::SaveStep::BackupWritten;
    {
        InterruptedProfile crashing(user, windows, step);
        EXPECT_FALSE(crashing.WriteProfileString(List, "File0", "C:\\new.bmp"));
        // The process "dies" here: the new text lies beside the profile.
        EXPECT_TRUE(Exists(userFile + ".tmp"));
    }
    EXPECT_EQ(Old, ReadBytes(userFile));
    if (GetParam() == 1) {
        EXPECT_EQ(Old, ReadBytes(userFile + ".bak"));
    }

    ProfileFile next = Open();
    EXPECT_EQ("C:\\old.bmp", next.GetProfileString(List, "File0").str());
    ASSERT_TRUE(next.WriteProfileString(List, "File0", "C:\\next.bmp"));
    EXPECT_EQ("C:\\next.bmp", ProfileDocument(ReadBytes(userFile)).GetProfileString(List, "File0").str());
    EXPECT_FALSE(Exists(userFile + ".tmp"));
}

INSTANTIATE_TEST_SUITE_P(AfterEachStep, InterruptedSaveTest, ::testing::Values(0, 1));

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
    RemoveTree(root + "\\user");
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
    HANDLE lock = CreateFileA(userFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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

    HANDLE lock = CreateFileA(userFile.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
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
}

TEST(ProfileFileLocation, IsTheApplicationDataFolder)
{
    char appData[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    const ProfileFile profile("Vistero");
    EXPECT_EQ(std::string(appData) + "\\Vistero.INI", profile.FileName());
}

} // namespace
