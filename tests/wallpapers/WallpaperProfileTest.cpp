// Load and Save of the wallpaper set through the in-memory profile document.
#include "profile/ProfileDocument.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr const char* List = "WallpaperList";

std::vector<WallpaperEntry> Entries(const WallpaperSet& set)
{
    std::vector<WallpaperEntry> entries;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next())
        entries.push_back(it->Entry());
    return entries;
}

std::vector<std::int32_t> Ids(const WallpaperSet& set)
{
    std::vector<std::int32_t> ids;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next())
        ids.push_back(it->Id());
    return ids;
}

std::string Key(const char* stem, int n)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%d", stem, n);
    return name;
}

// The list as defined: every number below the count read in turn. The loader
// must give exactly this without looping over numbers that have no keys.
std::vector<WallpaperEntry> ReadEveryNumber(Profile& profile)
{
    std::vector<WallpaperEntry> list;
    const int count = profile.GetProfileInt(List, "NumberOfFiles", 0);
    for (int n = 0; n < count; ++n) {
        WallpaperEntry entry;
        entry.path = profile.GetProfileString(List, Key("File", n).c_str(), "");
        entry.showState = entry.path.IsEmpty() ? ShowState::None
                                               : profile.GetProfileInt(List, Key("Showstate", n).c_str(), 0);
        entry.priority = profile.GetProfileInt(List, Key("Priority", n).c_str(), 1);
        bool repeated = false;
        for (const WallpaperEntry& earlier : list)
            repeated = repeated || earlier.path == entry.path;
        if (!repeated)
            list.push_back(entry);
    }
    return list;
}

// A document that records the update calls; RefreshProfile stands for the
// file having been changed on disk since it was read.
class RecordingProfile : public ProfileDocument {
public:
    std::string textOnDisk;
    std::vector<std::string> calls;
    bool storeWritable = true;
    bool inUpdate = false;
    int writesOutsideUpdate = 0;

    bool WriteProfileString(const char* s, const char* e, const char* v) override
    {
        writesOutsideUpdate += !inUpdate;
        return ProfileDocument::WriteProfileString(s, e, v);
    }
    void RefreshProfile() override
    {
        calls.push_back("refresh");
        Parse(textOnDisk);
    }
    bool UpdateProfile(const Edit& edit) override
    {
        calls.push_back("update");
        inUpdate = true;
        // The edit runs on this document itself, so that its writes are
        // counted as made inside the update.
        const bool accepted = edit(*this);
        inUpdate = false;
        return accepted && storeWritable;
    }
};

TEST(WallpaperProfile, MissingKeysReadAsDefaultsAndOptionsAreFloored)
{
    WallpaperSet set;
    set.Add({"C:\\old.bmp", 1, 2});
    set.SetFrequency(Priority::Low, 30);
    set.SetChangeInterval(9);
    ProfileDocument none;
    set.Load(none);
    EXPECT_TRUE(Entries(set).empty());
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(2, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(4, set.GetFrequency(Priority::High));
    EXPECT_EQ(0, set.GetChangeInterval());

    ProfileDocument edited("[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=x\r\nShowstate0=-7\r\nPriority0=12\r\n"
                           "FrequencyLow=0\r\nFrequencyNormal=2147483647\r\nFrequencyHigh=-3\r\n"
                           "ChangeInterval=-10\r\n");
    set.Load(edited);
    EXPECT_EQ((std::vector<WallpaperEntry>{{"x", -7, 12}}), Entries(set));
    EXPECT_EQ(1, set.GetFrequency(Priority::Low));
    EXPECT_EQ(INT_MAX, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(1, set.GetFrequency(Priority::High));
    EXPECT_EQ(0, set.GetChangeInterval());
}

TEST(WallpaperProfile, EmptyFileIsTheNoWallpaperEntryAndRepeatsAreSkipped)
{
    ProfileDocument profile("[WallpaperList]\r\n"
                            "NumberOfFiles=4\r\n"
                            "File0=C:\\a.bmp\r\nShowstate0=1\r\nPriority0=2\r\n"
                            "File1=\r\nShowstate1=2\r\nPriority1=0\r\n"
                            "File2=C:\\a.bmp\r\nShowstate2=2\r\nPriority2=0\r\n"
                            "File3=C:\\A.BMP\r\n");
    WallpaperSet set;
    set.Load(profile);
    const std::vector<WallpaperEntry> expected{
        {"C:\\a.bmp", ShowState::Centered, Priority::High},
        {"", ShowState::None, Priority::Low}, // Showstate1 is not read for an empty file
        {"C:\\A.BMP", ShowState::Tiled, Priority::Normal},
    };
    EXPECT_EQ(expected, Entries(set));
}

TEST(WallpaperProfile, FirstSaveWritesTheDocumentedLines)
{
    WallpaperSet set;
    set.Add({"C:\\Pictures\\sea.bmp", ShowState::Stretched, Priority::Normal});
    set.Add({"", ShowState::None, Priority::Low});
    set.SetFrequency(Priority::Low, 50);
    set.SetFrequency(Priority::Normal, 100);
    set.SetFrequency(Priority::High, 200);
    set.SetChangeInterval(30);
    ProfileDocument profile;
    EXPECT_TRUE(set.Save(profile));
    EXPECT_EQ("[WallpaperList]\r\n"
              "File0=C:\\Pictures\\sea.bmp\r\n"
              "Showstate0=2\r\n"
              "Priority0=1\r\n"
              "File1=\r\n"
              "Showstate1=3\r\n"
              "Priority1=0\r\n"
              "NumberOfFiles=2\r\n"
              "FrequencyLow=50\r\n"
              "FrequencyNormal=100\r\n"
              "FrequencyHigh=200\r\n"
              "ChangeInterval=30\r\n",
              profile.Serialize());
}

TEST(WallpaperProfile, SaveThenLoadKeepsListAndOptionsWithNewIds)
{
    WallpaperSet set;
    const std::string longPath = "C:\\" + std::string(100000, 'p') + ".bmp";
    std::int32_t removed = 0;
    set.Add({"C:\\first.bmp", ShowState::Centered, Priority::High});
    set.Add({"C:\\gone.bmp", ShowState::Tiled, Priority::Low}, &removed);
    set.Add({"", ShowState::None, Priority::Low});
    set.Add({"C:\\Bilder\\M\xFCnchen \xE9t\xE9.bmp", ShowState::Stretched, Priority::Normal});
    set.Add({longPath.c_str(), 9, -4});
    set.Remove(removed); // positions are renumbered at save
    set.SetFrequency(Priority::Low, 10);
    set.SetFrequency(Priority::Normal, 100);
    set.SetFrequency(Priority::High, 1000);
    set.SetChangeInterval(1440);
    const std::vector<WallpaperEntry> saved = Entries(set);
    const std::vector<std::int32_t> oldIds = Ids(set);

    ProfileDocument profile("; kept\r\n[Other]\r\nKey=value\r\n");
    ASSERT_TRUE(set.Save(profile));
    ProfileDocument reread(profile.Serialize());
    set.Load(reread);
    EXPECT_EQ(saved, Entries(set));
    EXPECT_EQ(10, set.GetFrequency(Priority::Low));
    EXPECT_EQ(100, set.GetFrequency(Priority::Normal));
    EXPECT_EQ(1000, set.GetFrequency(Priority::High));
    EXPECT_EQ(1440, set.GetChangeInterval());
    EXPECT_GT(Ids(set).front(), oldIds.back()) << "ids are not reused by Load";
    EXPECT_EQ("value", reread.GetProfileString("Other", "Key").str());
    EXPECT_EQ(4, reread.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ(3, reread.GetProfileInt(List, "Showstate1", -1)) << "the no-wallpaper entry is saved as None";
}

TEST(WallpaperProfile, ShrinkingListLeavesStaleKeysUnread)
{
    std::string text = "[WallpaperList]\r\nNumberOfFiles=5\r\n";
    for (int n = 0; n < 5; ++n)
        text += Key("File", n) + "=C:\\" + std::to_string(n) + ".bmp\r\n" + Key("Showstate", n) + "=1\r\n" +
                Key("Priority", n) + "=2\r\n";
    ProfileDocument profile(text);
    WallpaperSet set;
    set.Load(profile);
    ASSERT_EQ(5u, Entries(set).size());
    std::vector<std::int32_t> ids = Ids(set);
    set.Remove(ids[0]);
    set.Remove(ids[2]);
    set.Remove(ids[4]);
    ASSERT_TRUE(set.Save(profile));

    EXPECT_EQ(2, profile.GetProfileInt(List, "NumberOfFiles", 0));
    EXPECT_EQ("C:\\1.bmp", profile.GetProfileString(List, "File0").str());
    EXPECT_EQ("C:\\3.bmp", profile.GetProfileString(List, "File1").str());
    for (int n = 2; n < 5; ++n) {
        EXPECT_EQ("C:\\" + std::to_string(n) + ".bmp", profile.GetProfileString(List, Key("File", n).c_str()).str());
        EXPECT_EQ(1, profile.GetProfileInt(List, Key("Showstate", n).c_str(), 0));
        EXPECT_EQ(2, profile.GetProfileInt(List, Key("Priority", n).c_str(), 0));
    }
    set.Load(profile);
    EXPECT_EQ((std::vector<WallpaperEntry>{{"C:\\1.bmp", 1, 2}, {"C:\\3.bmp", 1, 2}}), Entries(set));
}

TEST(WallpaperProfile, SaveIsOneUpdateAndLoadRereadsTheStore)
{
    RecordingProfile profile;
    WallpaperSet set;
    set.Add({"C:\\a.bmp", 0, 1});
    EXPECT_TRUE(set.Save(profile));
    EXPECT_EQ((std::vector<std::string>{"update"}), profile.calls);
    EXPECT_EQ(0, profile.writesOutsideUpdate);

    // A store that can't be written is reported; the set keeps its edits.
    profile.storeWritable = false;
    set.Add({"C:\\b.bmp", 0, 1});
    EXPECT_FALSE(set.Save(profile));
    EXPECT_EQ(2u, Entries(set).size());
    // So is a value that the profile refuses, though the store takes the rest.
    profile.storeWritable = true;
    set.Add({"C:\\line\r\nbreak.bmp", 0, 1});
    EXPECT_FALSE(set.Save(profile));

    profile.calls.clear();
    profile.textOnDisk = "[WallpaperList]\r\nNumberOfFiles=1\r\nFile0=C:\\on-disk.bmp\r\n";
    set.Load(profile);
    EXPECT_EQ((std::vector<std::string>{"refresh"}), profile.calls);
    EXPECT_EQ((std::vector<WallpaperEntry>{{"C:\\on-disk.bmp", 0, 1}}), Entries(set));
}

TEST(WallpaperProfile, HugeCountLoadsOnlyWhatIsThere)
{
    // Two billion numbers, a handful of keys: the first absent number (3)
    // gives the no-wallpaper entry with its own priority; a key at the count
    // or above, or spelt with a leading zero, is never read.
    ProfileDocument profile("[WallpaperList]\r\n"
                            "NumberOfFiles=2147483647\r\n"
                            "File0=C:\\a.bmp\r\nfile1=C:\\b.bmp\r\nFILE2=C:\\c.bmp\r\n"
                            "Priority3=0\r\n"
                            "File05=C:\\leading-zero.bmp\r\n"
                            "File7=C:\\seven.bmp\r\nShowstate7=2\r\n"
                            "File2000000000=C:\\far.bmp\r\nPriority2000000000=2\r\n"
                            "File2147483647=C:\\at-count.bmp\r\n"
                            "File99999999999=C:\\beyond.bmp\r\n");
    WallpaperSet set;
    set.Load(profile);
    const std::vector<WallpaperEntry> expected{
        {"C:\\a.bmp", 0, 1},   {"C:\\b.bmp", 0, 1},     {"C:\\c.bmp", 0, 1},
        {"", ShowState::None, 0}, {"C:\\seven.bmp", 2, 1}, {"C:\\far.bmp", 0, 2},
    };
    EXPECT_EQ(expected, Entries(set));
}

TEST(WallpaperProfile, LoadEqualsReadingEveryNumber)
{
    // Random hand-edited sections: sparse and repeated keys in any case,
    // empty values, repeated paths, keys the count does or doesn't cover.
    std::mt19937 random(7u);
    const char* const paths[] = {"C:\\a.bmp", "C:\\b.bmp", "C:\\c.bmp", "C:\\d.bmp", "", "  "};
    const char* const stems[] = {"File", "file", "FILE", "File0", " File"};
    for (int round = 0; round < 400; ++round) {
        std::string text = "[WallpaperList]\r\nNumberOfFiles=" + std::to_string(int(random() % 45) - 3) + "\r\n";
        const int keys = static_cast<int>(random() % 40);
        for (int k = 0; k < keys; ++k) {
            const int n = static_cast<int>(random() % 50);
            switch (random() % 3) {
            case 0:
                text += stems[random() % 5] + std::to_string(n) + "=" + paths[random() % 6] + "\r\n";
                break;
            case 1: text += Key("Showstate", n) + "=" + std::to_string(int(random() % 6) - 1) + "\r\n"; break;
            default: text += Key("Priority", n) + "=" + std::to_string(int(random() % 6) - 1) + "\r\n"; break;
            }
        }
        ProfileDocument profile(text);
        WallpaperSet set;
        set.Load(profile);
        ASSERT_EQ(ReadEveryNumber(profile), Entries(set)) << text;
    }
}

} // namespace
