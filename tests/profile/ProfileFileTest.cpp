// The profile file on disk: where it is read from and saved to, and that a
// save never leaves a half-written, empty or missing profile behind.
#include "profile/ProfileFile.h"
#include "tests/support/Outside.h"

#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

namespace fs = std::filesystem;
using test_support::FileBytes;
using test_support::WriteFileBytes;

constexpr const char* List = "WallpaperList";

std::string SizeText(std::uintmax_t size)
{
    // Appended, not "<" + ...: GCC 12 warns falsely (-Wrestrict) on that.
    std::string text = "<";
    text += std::to_string(size);
    text += " bytes>";
    return text;
}

// The file's text, or its size when it is too large to be a profile, or
// "<folder>" when a folder has the name.
std::string Contents(const std::string& path)
{
    std::error_code error;
    if (fs::is_directory(path, error))
        return "<folder>";
    const auto size = fs::file_size(path, error);
    return !error && size > (1u << 20) ? SizeText(size) : FileBytes(path);
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
        WriteFileBytes(userFile, text);
    }

    std::string root, user, windows, userFile, windowsFile;
};

const std::string Old = "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\old.bmp\r\n";

TEST_F(ProfileFileTest, UpdateIsSavedOnceIntoANewUserFolder)
{
    ProfileFile profile = Open();
    EXPECT_EQ(userFile, profile.FileName());
    EXPECT_EQ(0, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ("", profile.SourceFileName());

    int runs = 0;
    ASSERT_TRUE(profile.UpdateProfile([&](Profile& file) {
        ++runs;
        EXPECT_FALSE(test_support::FileExists(userFile)) << "written before the update ends";
        return file.WriteProfileString(List, "File0", "C:\\Pictures\\sea.bmp") &&
               file.WriteProfileString(List, "File1", "") && file.WriteProfileInt(List, "NumberOfFiles", 2);
    }));
    EXPECT_EQ(1, runs);
    EXPECT_EQ(0u, profile.LastSaveError());

    EXPECT_EQ("[WallpaperList]\r\nFile0=C:\\Pictures\\sea.bmp\r\nFile1=\r\nNumberOfFiles=2\r\n", FileBytes(userFile));
    // No previous version, no leftovers.
    EXPECT_FALSE(test_support::FileExists(userFile + ".bak"));
    EXPECT_FALSE(test_support::FileExists(userFile + ".tmp"));
    EXPECT_FALSE(test_support::FileExists(windowsFile));
}

TEST_F(ProfileFileTest, OlderCopyInTheWindowsFolderIsReadUntilTheUserFileExists)
{
    WriteFileBytes(windowsFile, Old);
    {
        ProfileFile profile = Open();
        EXPECT_EQ("C:\\old.bmp", profile.GetProfileString(List, "File0").str());
        EXPECT_EQ(windowsFile, profile.SourceFileName());
        // The save goes to the user's folder, created on the way, and leaves
        // the older copy alone.
        ASSERT_TRUE(profile.WriteProfileString(List, "File0", "C:\\new.bmp")) << profile.LastSaveError();
    }
    EXPECT_EQ(Old, FileBytes(windowsFile));
    EXPECT_EQ("; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\new.bmp\r\n", FileBytes(userFile));

    // From now on the user's file is the profile, whatever the older one says.
    WriteFileBytes(windowsFile, "[WallpaperList]\r\nFile0=C:\\changed.bmp\r\n");
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
    WriteFileBytes(userFile, "[WallpaperList]\r\nNumberOfFiles=5\r\n");
    EXPECT_EQ(1, profile.GetProfileInt(List, "NumberOfFiles", 0));
    profile.RefreshProfile();
    EXPECT_EQ(5, profile.GetProfileInt(List, "NumberOfFiles", 0));

    ASSERT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 6));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=5\r\n", FileBytes(userFile + ".bak"));
    ASSERT_TRUE(profile.WriteProfileInt(List, "NumberOfFiles", 7));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=6\r\n", FileBytes(userFile + ".bak"));
    EXPECT_EQ("[WallpaperList]\r\nNumberOfFiles=7\r\n", FileBytes(userFile));
    EXPECT_FALSE(test_support::FileExists(userFile + ".tmp"));
    EXPECT_FALSE(test_support::FileExists(userFile + ".bak.tmp"));
}

// Stops a save after the given step, if one is given, as a crash would, and
// counts the tries the saves made.
class InterruptedProfile : public ProfileFile {
public:
    InterruptedProfile(const std::string& user, const std::string& windows, std::optional<SaveStep> stopAfter)
        : ProfileFile("Vistero", user, windows), stopAfter(stopAfter)
    {
    }
    int Tries() const { return tries; }

protected:
    bool ContinueSave(SaveStep step) override
    {
        tries += step == SaveStep::TryStarted;
        return step != stopAfter;
    }

private:
    std::optional<SaveStep> stopAfter;
    int tries = 0;
};

// What a faulted save leaves to the one after it.
enum class Then {
    Stays,               // the fault lasts: only what it left is seen
    SavesAgain,          // the same profile saves at once
    SavesAfterARefresh,  // refused until a refresh reads the file that the document never saw
    SavesAtTheNextStart, // the process starts again: a new profile reads the old text and saves
};

// A save that meets a fault fails, and changes nothing on disk or in what
// reads but what the fault itself leaves; once the fault is undone, the same
// save succeeds.
TEST_F(ProfileFileTest, EachFaultFailsTheSaveCleanly)
{
    constexpr unsigned long AnyError = ~0ul;
    std::string deep = root;
    while (deep.size() < 400)
        deep += "\\abcdefghijklmnopqrstuvwxyz0123456789";
    // The profile open in another program, which lets others do what
    // `sharing` allows: nothing at all, when it is 0.
    HANDLE held = INVALID_HANDLE_VALUE;
    const auto holdOpen = [&](DWORD sharing) {
        return [&, sharing] {
            held = CreateFileA(userFile.c_str(), GENERIC_READ | GENERIC_WRITE, sharing, nullptr, OPEN_EXISTING, 0,
                               nullptr);
            EXPECT_NE(INVALID_HANDLE_VALUE, held);
        };
    };
    const auto closeFile = [&] { CloseHandle(std::exchange(held, INVALID_HANDLE_VALUE)); };
    struct Fault {
        const char* what;
        // Made before the profile's first read, or between it and the save.
        std::function<void()> beforeRead;
        std::function<void()> beforeSave;
        // The save stops after this step, as if the process died there.
        std::optional<ProfileFile::SaveStep> crashAfter;
        // The profile's folder, when it is not the user's.
        std::string folder;
        // The save's writes, when they are not File0's new path.
        Profile::Edit edit;
        unsigned long error = AnyError;
        // The save's tries: none when it is refused before it reads, five
        // for a fault that lasts through them.
        int tries = 1;
        // What the profile reads while the fault lasts.
        bool readsNothing = false;
        unsigned long readError = 0;
        // What lies on disk once the fault is undone: at the profile's file
        // unless another path is named, beside it, and in its backup.
        std::string at;
        std::string left = Old;
        bool temporaryLeft = false;
        std::string backup = "(missing)";
        std::function<void()> undo;
        Then then = Then::SavesAgain;
    };
    const Fault faults[] = {
        // The new text lies beside the profile, which is the old one, whole.
        {.what = "a save stopped after the temporary file", .crashAfter = ProfileFile::SaveStep::TemporaryWritten,
         .temporaryLeft = true, .then = Then::SavesAtTheNextStart},
        {.what = "a save stopped after the backup", .crashAfter = ProfileFile::SaveStep::BackupWritten,
         .temporaryLeft = true, .backup = Old, .then = Then::SavesAtTheNextStart},
        // The caller tries again once that is possible.
        {.what = "a read-only profile",
         .beforeRead = [&] { EXPECT_TRUE(SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_READONLY)); },
         .error = ERROR_ACCESS_DENIED, .tries = 0,
         .undo = [&] { EXPECT_TRUE(SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_NORMAL)); }},
        {.what = "a folder where the profile should be",
         .beforeRead =
             [&] {
                 DeleteFileA(userFile.c_str());
                 EXPECT_TRUE(CreateDirectoryA(userFile.c_str(), nullptr));
             },
         .tries = 0, .readsNothing = true, .readError = ERROR_ACCESS_DENIED, .left = "<folder>", .then = Then::Stays},
        {.what = "a file where the user's folder should be",
         .beforeRead =
             [&] {
                 fs::remove_all(root + "\\user");
                 WriteFileBytes(root + "\\user", "not a folder");
             },
         .tries = 0, .readsNothing = true, .at = root + "\\user", .left = "not a folder", .then = Then::Stays},
        {.what = "a folder too long for the ANSI functions", .folder = deep, .tries = 0, .readsNothing = true,
         .left = "(missing)", .then = Then::Stays},
        {.what = "a file locked before the read", .beforeRead = holdOpen(0), .tries = 0, .readsNothing = true,
         .readError = ERROR_SHARING_VIOLATION, .undo = closeFile, .then = Then::SavesAfterARefresh},
        {.what = "a file locked during the save", .beforeSave = holdOpen(0), .tries = 5, .undo = closeFile},
        // Read and written at every try, but never moved over: the temporary
        // file goes when the save gives up.
        {.what = "a file held open without sharing its deletion, as editors hold it",
         .beforeSave = holdOpen(FILE_SHARE_READ | FILE_SHARE_WRITE), .tries = 5, .backup = Old, .undo = closeFile},
        // None of the update's writes stays, in memory or in the next save.
        {.what = "an update with a refused write",
         .edit = [](Profile& file) {
             EXPECT_TRUE(file.WriteProfileInt(List, "NumberOfFiles", 2));
             return file.WriteProfileString(List, "File1", "C:\\line\r\nbreak.bmp");
         },
         .error = ERROR_INVALID_DATA},
    };
    const auto writeNew = [](Profile& file) { return file.WriteProfileString(List, "File0", "C:\\new.bmp"); };
    const std::string newText = "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\new.bmp\r\n";
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.what);
        SetFileAttributesA(userFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        fs::remove_all(root + "\\user");
        MakeUserFile(Old);
        if (fault.beforeRead)
            fault.beforeRead();
        const std::string folder = fault.folder.empty() ? user : fault.folder;
        auto interrupted = std::make_unique<InterruptedProfile>(folder, windows, fault.crashAfter);
        const InterruptedProfile& counting = *interrupted;
        std::unique_ptr<ProfileFile> profile = std::move(interrupted);
        EXPECT_EQ(fault.readsNothing ? 0 : 1, profile->GetProfileInt(List, "NumberOfFiles", 0));
        EXPECT_EQ(fault.readError, profile->LastReadError());
        if (fault.beforeSave)
            fault.beforeSave();

        EXPECT_FALSE(profile->UpdateProfile(fault.edit ? fault.edit : writeNew));
        EXPECT_EQ(fault.tries, counting.Tries());
        if (fault.error == AnyError) {
            EXPECT_NE(0u, profile->LastSaveError());
        } else {
            EXPECT_EQ(fault.error, profile->LastSaveError());
        }
        const std::string file = folder + "\\Vistero.INI";
        EXPECT_EQ(file, profile->FileName());
        // What the caller's message names, through the profile's interface.
        EXPECT_EQ(file, profile->LastSaveFailure().file);
        EXPECT_EQ(profile->LastSaveError(), profile->LastSaveFailure().code);
        EXPECT_EQ(fault.readsNothing ? "" : "C:\\old.bmp", profile->GetProfileString(List, "File0").str());
        // What lies on disk is read once the fault is undone: a locked file
        // can't be read.
        if (fault.undo)
            fault.undo();
        EXPECT_EQ(fault.left, Contents(fault.at.empty() ? file : fault.at));
        EXPECT_EQ(fault.temporaryLeft, test_support::FileExists(file + ".tmp"));
        EXPECT_EQ(fault.backup, FileBytes(file + ".bak"));
        if (fault.then == Then::Stays)
            continue;

        if (fault.then == Then::SavesAtTheNextStart)
            profile = std::make_unique<ProfileFile>("Vistero", user, windows);
        if (fault.then == Then::SavesAfterARefresh) {
            EXPECT_FALSE(profile->UpdateProfile(writeNew));
            EXPECT_EQ(Old, FileBytes(userFile));
            EXPECT_FALSE(test_support::FileExists(userFile + ".tmp"));
            profile->RefreshProfile();
            EXPECT_EQ(0u, profile->LastReadError());
        }
        EXPECT_EQ(1, profile->GetProfileInt(List, "NumberOfFiles", 0));
        EXPECT_EQ("C:\\old.bmp", profile->GetProfileString(List, "File0").str());
        EXPECT_TRUE(profile->UpdateProfile(writeNew));
        EXPECT_EQ(0u, profile->LastSaveError());
        EXPECT_EQ(newText, FileBytes(userFile));
        EXPECT_FALSE(test_support::FileExists(userFile + ".tmp"));
    }
}

// Another program writing the profile while a save runs: at a try of the
// save, after the backup, just before the save's last look at the file.
class ProfileEditedDuringTheSave : public ProfileFile {
public:
    ProfileEditedDuringTheSave(const std::string& user, const std::string& windows, std::function<void()> edit)
        : ProfileFile("Vistero", user, windows), edit(std::move(edit))
    {
    }

protected:
    bool ContinueSave(SaveStep step) override
    {
        if (step == SaveStep::BackupWritten && edit)
            edit();
        return true;
    }

private:
    std::function<void()> edit;
};

TEST_F(ProfileFileTest, SaveKeepsWhateverWasWrittenToTheFileSinceTheLoad)
{
    // A profile is never this large: it reads as a file that cannot be read.
    constexpr std::uintmax_t TooLarge = 64u * 1024 * 1024 + 1;
    const auto append = [](const std::string& text) {
        return [text](const std::string& file) { WriteFileBytes(file, FileBytes(file) + text); };
    };
    const auto change = [](const std::string& from, const std::string& to) {
        return [from, to](const std::string& file) {
            std::string text = FileBytes(file);
            text.replace(text.find(from), from.size(), to);
            WriteFileBytes(file, text);
        };
    };
    using Edit = std::function<void(const std::string& file)>;
    struct Row {
        const char* what;
        Edit afterLoad;
        // At the first try of the save only, or at every try.
        Edit duringSave;
        bool atEveryTry;
        unsigned long error;
        std::string after;
    };
    const std::string ours = "File0=C:\\new.bmp\r\nShowstate0=2\r\n";
    const std::vector<Row> rows = {
        {"a comment", append("; mine\r\n"), {}, false, 0,
         "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\new.bmp\r\n; mine\r\nShowstate0=2\r\n"},
        {"another section", append("[OtherTool]\r\nKeep=yes\r\n"), {}, false, 0,
         "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\n" + ours + "[OtherTool]\r\nKeep=yes\r\n"},
        {"a new key in our section", append("Extra=1\r\n"), {}, false, 0,
         "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\new.bmp\r\nExtra=1\r\nShowstate0=2\r\n"},
        // The save's value wins; the spelling stays.
        {"a key of ours changed", change("File0=C:\\old.bmp", "file0 = C:\\hand.bmp"), {}, false, 0,
         "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\nfile0=C:\\new.bmp\r\nShowstate0=2\r\n"},
        {"our section deleted", [](const std::string& file) { WriteFileBytes(file, "; kept by hand\r\n"); }, {}, false, 0,
         "; kept by hand\r\n[WallpaperList]\r\n" + ours + "NumberOfFiles=1\r\n"},
        {"the file deleted", [](const std::string& file) { fs::remove(file); }, {}, false, 0,
         "[WallpaperList]\r\n" + ours + "NumberOfFiles=1\r\n"},
        {"the file replaced by one that cannot be read",
         [TooLarge](const std::string& file) { fs::resize_file(file, TooLarge); }, {}, false, ERROR_FILE_TOO_LARGE,
         SizeText(TooLarge)},
        {"another section, while the save runs", {}, append("[OtherTool]\r\nKeep=yes\r\n"), false, 0,
         "; kept by hand\r\n[WallpaperList]\r\nNumberOfFiles=1\r\n" + ours + "[OtherTool]\r\nKeep=yes\r\n"},
        // The save gives up after its five tries rather than put back what
        // was just written.
        {"a comment at every try of the save", {}, append("; busy\r\n"), true, ERROR_SHARING_VIOLATION,
         Old + "; busy\r\n; busy\r\n; busy\r\n; busy\r\n; busy\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MakeUserFile(Old);
        DeleteFileA((userFile + ".bak").c_str());
        bool edited = false;
        // What the save found on disk last, which the backup must hold.
        std::string replaced;
        ProfileEditedDuringTheSave profile(user, windows, [&] {
            if (row.duringSave && (row.atEveryTry || !edited))
                row.duringSave(userFile);
            edited = true;
            replaced = FileBytes(userFile);
        });
        ASSERT_EQ(1, profile.GetProfileInt(List, "NumberOfFiles", 0));
        if (row.afterLoad)
            row.afterLoad(userFile);

        EXPECT_EQ(row.error == 0, profile.UpdateProfile([](Profile& file) {
            return file.WriteProfileString(List, "File0", "C:\\new.bmp") &&
                   file.WriteProfileInt(List, "Showstate0", 2) && file.WriteProfileInt(List, "NumberOfFiles", 1);
        }));
        EXPECT_EQ(row.error, profile.LastSaveError());

        EXPECT_EQ(row.after, Contents(userFile));
        EXPECT_FALSE(test_support::FileExists(userFile + ".tmp"));
        if (row.error == 0) {
            EXPECT_EQ(replaced, FileBytes(userFile + ".bak"));
            EXPECT_EQ("C:\\new.bmp", profile.GetProfileString(List, "File0").str()) << "memory holds what was written";
        }
    }
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
}

// Earlier versions wrote the file in the system's legacy code page; the
// program now reads and writes UTF-8. Each value is read as UTF-8 when it is
// valid UTF-8, else in the legacy code page, so that an entry keeps being the
// same entry; a save writes its own keys in UTF-8 and leaves every other
// line's bytes alone.
TEST_F(ProfileFileTest, ValuesInTheLegacyCodePageReadAsTheSameTextAndOthersStayAsTheyAre)
{
    const std::string utf8Mull = "C:\\M\xC3\xBCll.bmp";                  // Müll
    const std::string utf8Scenery = "C:\\\xE8\xA1\xA8\xE9\xA2\xA8.bmp";  // 表風
    const std::string utf8Lodz = "C:\\\xC5\x81\xC3\xB3" "d\xC5\xBA.bmp";  // Łódź
    struct Row {
        const char* name;
        CodePages pages;
        std::string bom;
        std::string file0;  // as the file holds them
        std::string file1;
        std::string read0;  // as the program reads them
        std::string read1;
    };
    const Row rows[] = {
        {"Windows-1252", {CP_UTF8, 1252}, "", "C:\\M\xFCll.bmp", "", utf8Mull, ""},
        // 表 is 0x95 0x5C in Shift-JIS: its second byte is a backslash.
        {"Shift-JIS (932)", {CP_UTF8, 932}, "", "C:\\\x95\x5C\x95\x97.bmp", "", utf8Scenery, ""},
        {"legacy and UTF-8 in one file", {CP_UTF8, 1252}, "", "C:\\M\xFCll.bmp", utf8Lodz, utf8Mull, utf8Lodz},
        {"a byte-order mark", {CP_UTF8, 1250}, "\xEF\xBB\xBF", utf8Lodz, "C:\\\xA3\xF3" "d\x9F.bmp", utf8Lodz,
         utf8Lodz},
        // Windows before 10 version 1903 ignores the manifest: the legacy code
        // page is the program's own, and nothing is converted.
        {"the manifest ignored", {1252, 1252}, "", "C:\\M\xFCll.bmp", utf8Lodz, "C:\\M\xFCll.bmp", utf8Lodz},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string text = row.bom + "; Notiz\r\n[WallpaperList]\r\nFile0=" + row.file0 + "\r\nFile1=" +
                                 row.file1 + "\r\nNumberOfFiles=2\r\n";
        MakeUserFile(text);
        ProfileFile profile = Open();
        profile.UseCodePages(row.pages);
        EXPECT_EQ(row.read0, profile.GetProfileString(List, "File0").str());
        EXPECT_EQ(row.read1, profile.GetProfileString(List, "File1", "").str());

        // The save writes File0 as read (the set's path, in the program's
        // code page) and leaves File1 and the rest byte for byte.
        ASSERT_TRUE(profile.WriteProfileString(List, "File0", row.read0.c_str())) << profile.LastSaveError();
        EXPECT_EQ(row.bom + "; Notiz\r\n[WallpaperList]\r\nFile0=" + row.read0 + "\r\nFile1=" + row.file1 +
                      "\r\nNumberOfFiles=2\r\n",
                  FileBytes(userFile));
    }
}

TEST(ProfileFileLocation, IsTheApplicationDataFolder)
{
    char appData[MAX_PATH] = {};
    ASSERT_EQ(S_OK, SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData));
    const ProfileFile profile("Vistero");
    EXPECT_EQ(std::string(appData) + "\\Vistero.INI", profile.FileName());
}

} // namespace
