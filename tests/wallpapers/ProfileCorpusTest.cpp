// Hand-edited profiles from tests/data/profiles: each loads at once (a count
// of two billion included) into the list the reading rules give.
#include "profile/ProfileDocument.h"
#include "tests/support/Kit.h"
#include "wallpapers/WallpaperSet.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using List = std::vector<WallpaperEntry>;

std::string ReadCorpus(const std::string& name)
{
    std::ifstream file(test_support::Located("data", VISTERO_TEST_DATA) + "/profiles/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

List Entries(const WallpaperSet& set)
{
    List entries;
    WallpaperSet::IteratorHolder it;
    for (set.Begin(it); !it->AtEnd(); it->Next())
        entries.push_back(it->Entry());
    return entries;
}

struct Expected {
    const char* file;
    List entries;
    int low = 1, normal = 2, high = 4, interval = 0;
};

const WallpaperEntry NoWallpaper{"", ShowState::None, Priority::Normal};

const Expected corpus[] = {
    {"empty.ini", {}},
    {"blank-lines-only.ini", {}},
    {"missing-section.ini", {}},
    {"garbage-integers.ini",
     {{"C:\\Pictures\\sea.bmp", 12, 0}, {"C:\\Pictures\\hill.bmp", 0, 0}}, 1, 7, 42, 0},
    {"negative-count.ini", {}, 1, 1, 1, 0},
    {"huge-count.ini",
     {{"C:\\Pictures\\sea.bmp", 2, 1}, {"C:\\Pictures\\hill.bmp", 0, 2}, NoWallpaper}, 1215752191, 1, 1, 30},
    {"sparse-huge-count.ini",
     {{"", ShowState::None, 2}, {"C:\\Pictures\\seven.bmp", 1, 1}, {"C:\\Pictures\\far.bmp", 0, 1}}},
    {"stale-keys.ini", {{"C:\\Pictures\\0.bmp", 0, 1}, {"C:\\Pictures\\1.bmp", 0, 1}}},
    {"out-of-range-values.ini",
     {{"C:\\Pictures\\a.bmp", 7, 5}, {"C:\\Pictures\\b.bmp", -1, -3}, {"", ShowState::None, 99},
      {"C:\\Pictures\\c.bmp", INT_MAX, INT_MIN}},
     INT_MAX},
    {"duplicate-keys.ini", {{"C:\\Pictures\\first.bmp", 1, 2}}},
    {"duplicate-sections.ini", {{"C:\\Pictures\\first.bmp", 0, 1}}},
    {"mixed-line-endings.ini", {{"C:\\Pictures\\sea.bmp", 2, 1}, {"C:\\Pictures\\hill.bmp", 1, 2}}, 1, 2, 4, 5},
    {"bom.ini", {{"C:\\Pictures\\sea.bmp", 1, 2}}},
    {"high-bytes.ini",
     {{"C:\\Bilder\\M\xFCnchen.bmp", 0, 1}, {"C:\\Images\\\xC3\xA9t\xC3\xA9.bmp", 0, 1},
      {"C:\\\x82\xA0\x82\xA2.bmp", 0, 1}}},
    {"no-final-newline.ini", {{"C:\\Pictures\\sea.bmp", 0, 1}}},
    {"comments-and-unknown-lines.ini",
     {{"C:\\My Pictures\\sea.bmp", 0, 1}, {"C:\\Pictures\\hill.bmp", 0, 1}}},
    {"quoted-values.ini",
     {{"C:\\Pictures\\sea.bmp", 0, 1}, {"C:\\Pictures\\hill.bmp", 0, 1}, {"\"C:\\Pictures\\mixed.bmp'", 0, 1},
      {"\"", 0, 1}, NoWallpaper, {"  spaced  ", 0, 1}}},
    // A NUL byte ends a value, as it ends the C string the platform hands out.
    {"nul-bytes.ini", {{"C:\\Pic", 1, 1}, NoWallpaper}},
};

TEST(ProfileCorpus, EachHandEditedProfileLoadsAsRead)
{
    for (const Expected& expected : corpus) {
        SCOPED_TRACE(expected.file);
        ProfileDocument profile(ReadCorpus(expected.file));
        WallpaperSet set;
        set.Add({"C:\\before-load.bmp", 0, 0});
        set.Load(profile);
        EXPECT_EQ(expected.entries, Entries(set));
        EXPECT_EQ(expected.low, set.GetFrequency(Priority::Low));
        EXPECT_EQ(expected.normal, set.GetFrequency(Priority::Normal));
        EXPECT_EQ(expected.high, set.GetFrequency(Priority::High));
        EXPECT_EQ(expected.interval, set.GetChangeInterval());

        // What loads also saves and loads back the same, into the same file.
        ASSERT_TRUE(set.Save(profile));
        WallpaperSet again;
        again.Load(profile);
        EXPECT_EQ(expected.entries, Entries(again));
    }
}

TEST(ProfileCorpus, LongPathsLoadAndSaveWhole)
{
    // A 100,000-byte path, far beyond MAX_PATH, in a file edited by hand.
    const std::string longPath = "C:\\" + std::string(100000 - 7, '\xE9') + ".bmp";
    ProfileDocument profile("[WallpaperList]\nNumberOfFiles=2\nFile0=" + longPath + "\nShowstate0=2\nFile1=" +
                            longPath + "\n");
    WallpaperSet set;
    set.Load(profile);
    ASSERT_EQ((List{{longPath.c_str(), 2, 1}}), Entries(set));
    ASSERT_TRUE(set.Save(profile));
    EXPECT_EQ(longPath, profile.GetProfileString("WallpaperList", "File0").str());
}

} // namespace
