// The set's Load and Save through the application object's profile file.
#include "framework/ui/WinApp.h"
#include "profile/ProfileFile.h"
#include "tests/support/Outside.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

namespace {

class WallpaperSetAppTest : public testing::Test {
protected:
    void TearDown() override
    {
        ::RemoveDirectoryA(fileName.c_str());
        for (const char* suffix : {"", ".bak", ".tmp"})
            ::DeleteFileA((fileName + suffix).c_str());
    }

    const std::string fileName = AfxGetApp()->GetProfileFile().FileName();
};

TEST_F(WallpaperSetAppTest, SavesToAndLoadsFromTheProgramsProfileFile)
{
    WallpaperSet set;
    set.Add({"C:\\Pictures\\sea.bmp", ShowState::Stretched, Priority::High});
    set.SetChangeInterval(30);
    ASSERT_TRUE(set.Save());
    const std::string text = test_support::FileBytes(fileName);
    EXPECT_EQ(0u, text.find("[WallpaperList]\r\nFile0=C:\\Pictures\\sea.bmp\r\nShowstate0=2\r\nPriority0=2\r\n"
                            "NumberOfFiles=1\r\n"))
        << text;

    // Load reads the file as it is now, edited by hand since.
    std::ofstream(fileName, std::ios::binary) << "[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\hand.bmp\r\n";
    set.Load();
    WallpaperSet::IteratorHolder it;
    ASSERT_FALSE(set.Begin(it).AtEnd());
    EXPECT_EQ("C:\\hand.bmp", it->Entry().path.str());
    EXPECT_EQ(0, set.GetChangeInterval());
}

TEST_F(WallpaperSetAppTest, SaveThatCannotReplaceTheFileReportsIt)
{
    // A folder where the file should be: the replacement fails.
    ::DeleteFileA(fileName.c_str());
    ASSERT_TRUE(::CreateDirectoryA(fileName.c_str(), nullptr));
    WallpaperSet set;
    set.Add({"C:\\Pictures\\kept.bmp"});
    EXPECT_FALSE(set.Save());
    EXPECT_NE(0u, AfxGetApp()->GetProfileFile().LastSaveError());
    EXPECT_EQ(1, set.GetCount()) << "the set keeps its edits";
}

} // namespace
