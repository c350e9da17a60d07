// The INI document: the platform's reading rules, and writes that leave every
// other byte of a hand-edited file alone.
#include "framework/ProfileDocument.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;

constexpr const char* List = "WallpaperList";

std::string ReadCorpus(const std::string& name)
{
    std::ifstream file(std::string(VISTERO_TEST_DATA) + "/profiles/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::vector<std::string> Names(const std::vector<CString>& keys)
{
    std::vector<std::string> names;
    for (const CString& key : keys)
        names.push_back(key.str());
    return names;
}

TEST(ProfileDocument, FirstSaveIntoAnEmptyDocumentGivesTheDocumentedLines)
{
    ProfileDocument document;
    EXPECT_TRUE(document.WriteProfileString(List, "File0", "C:\\Pictures\\sea.bmp"));
    EXPECT_TRUE(document.WriteProfileInt(List, "Showstate0", 2));
    EXPECT_TRUE(document.WriteProfileInt(List, "Priority0", 1));
    EXPECT_TRUE(document.WriteProfileString(List, "File1", ""));
    EXPECT_TRUE(document.WriteProfileInt(List, "Showstate1", 3));
    EXPECT_TRUE(document.WriteProfileInt(List, "Priority1", 0));
    EXPECT_TRUE(document.WriteProfileInt(List, "NumberOfFiles", 2));
    EXPECT_TRUE(document.WriteProfileInt(List, "FrequencyLow", 50));
    EXPECT_TRUE(document.WriteProfileInt(List, "FrequencyNormal", 100));
    EXPECT_TRUE(document.WriteProfileInt(List, "FrequencyHigh", 200));
    EXPECT_TRUE(document.WriteProfileInt(List, "ChangeInterval", 30));

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
              document.Serialize());

    // A second save of the same values changes nothing.
    const std::string first = document.Serialize();
    document.Parse(first);
    EXPECT_TRUE(document.WriteProfileInt(List, "NumberOfFiles", 2));
    EXPECT_TRUE(document.WriteProfileString(List, "File1", ""));
    EXPECT_EQ(first, document.Serialize());
}

struct ReadCase {
    const char* what;
    std::string text;
    const char* section;
    const char* entry;
    const char* expected; // nullptr: the default
};

TEST(ProfileDocument, ReadsFollowThePlatformRules)
{
    const ReadCase cases[] = {
        {"names ignore case", "[wallpaperlist]\nFILE0=a\n", "WallpaperList", "file0", "a"},
        {"blanks around names and values", " \t[ WallpaperList ]\n\t File0 \t=  a b \t\n", List, "File0", "a b"},
        {"blanks around the requested names", "[WallpaperList]\nFile0=a\n", " WallpaperList\t", " File0 ", "a"},
        {"double quotes go", "[S]\nk=\"a b\"\n", "S", "k", "a b"},
        {"single quotes go", "[S]\nk='a'\n", "S", "k", "a"},
        {"blanks inside quotes stay", "[S]\nk=\"  a  \"\n", "S", "k", "  a  "},
        {"mismatched quotes stay", "[S]\nk=\"a'\n", "S", "k", "\"a'"},
        {"a lone quote stays", "[S]\nk=\"\n", "S", "k", "\""},
        {"an empty pair of quotes is the default", "[S]\nk=\"\"\n", "S", "k", nullptr},
        {"an empty value is the default", "[S]\nk=\n", "S", "k", nullptr},
        {"a value of blanks is the default", "[S]\nk=  \t\n", "S", "k", nullptr},
        {"the value keeps further equals signs", "[S]\nk=a=b\n", "S", "k", "a=b"},
        {"a semicolon inside a value stays", "[S]\nk=a ; b\n", "S", "k", "a ; b"},
        {"a comment line is no key", "[S]\n;k=a\n", "S", ";k", nullptr},
        {"an indented comment is no key", "[S]\n  ;k=a\n", "S", "k", nullptr},
        {"the first of two keys wins", "[S]\nk=first\nK=second\n", "S", "k", "first"},
        {"an empty first key still wins", "[S]\nk=\nk=second\n", "S", "k", nullptr},
        {"the first of two sections wins", "[S]\na=1\n[s]\nk=second\n", "S", "k", nullptr},
        {"the first section's key is read", "[S]\nk=first\n[s]\nk=second\n", "S", "k", "first"},
        {"keys before any section read as nothing", "k=a\n[S]\n", "S", "k", nullptr},
        {"a key belongs to the section above it", "[S]\n[T]\nk=a\n", "S", "k", nullptr},
        {"text after the bracket is ignored", "[S] trailing\nk=a\n", "S", "k", "a"},
        {"a bracket without its end is no section", "[T\nk=a\n", "T", "k", nullptr},
        {"a bracket without its end is a key line", "[S]\n[x=1\n", "S", "[x", "1"},
        {"a line without equals is no key", "[S]\nk\n", "S", "k", nullptr},
        {"a missing section", "[S]\nk=a\n", "T", "k", nullptr},
        {"a byte-order mark does not hide the first section", "\xEF\xBB\xBF[S]\r\nk=a\r\n", "S", "k", "a"},
        {"a lone CR ends a line", "[S]\rk=a\rj=b", "S", "j", "b"},
        {"bytes above 127 are plain bytes", "[S\xC4]\nk\xE9=\xFF\xFE\n", "S\xC4", "k\xE9", "\xFF\xFE"},
        {"bytes above 127 do not fold", "[S]\nk\xC4=a\n", "S", "k\xE4", nullptr},
        {"NUL bytes are plain bytes", "[S]\nk=a\0b\nj=c\n"s, "S", "j", "c"},
    };
    for (const ReadCase& c : cases) {
        ProfileDocument document(c.text);
        const CString value = document.GetProfileString(c.section, c.entry, "default");
        EXPECT_EQ(c.expected ? std::string(c.expected) : "default", value.str()) << c.what;
    }

    ProfileDocument document("[S]\nk=a\n");
    EXPECT_EQ("", document.GetProfileString("S", "missing").str());
    EXPECT_EQ("d", document.GetProfileString(nullptr, "k", "d").str());
    EXPECT_EQ("d", document.GetProfileString("S", nullptr, "d").str());
    EXPECT_EQ(5, document.GetProfileInt(nullptr, "k", 5));
}

TEST(ProfileDocument, IntegersAreASignAndTheLeadingDigits)
{
    const struct {
        const char* line; // nullptr: no such key
        int expected;
    } cases[] = {
        {"n=42", 42},
        {"n=12abc", 12},
        {"n=abc", 0},
        {"n=", -9},
        {"n= 42 ", 42},
        {"n=-3", -3},
        {"n=+7", 7},
        {"n=-", 0},
        {"n=+-1", 0},
        {"n=- 3", 0},
        {"n=0x10", 0},
        {"n=007", 7},
        {"n='42'", 42},
        {"n=2147483647", INT_MAX},
        {"n=2147483648", INT_MIN},
        {"n=-2147483648", INT_MIN},
        {"n=4294967296", 0},
        {"n=4294967297", 1},
        {"n=99999999999", 1215752191},
        {"n=99999999999999999999999999999999999999", -1},
        {nullptr, -9},
    };
    for (const auto& c : cases) {
        ProfileDocument document("[S]\n"s + (c.line ? c.line : "") + "\n");
        EXPECT_EQ(c.expected, document.GetProfileInt("S", "n", -9)) << (c.line ? c.line : "(missing)");
    }

    for (int value : {0, 1, -1, 30, INT_MAX, INT_MIN}) {
        ProfileDocument document;
        ASSERT_TRUE(document.WriteProfileInt("S", "n", value));
        EXPECT_EQ(value, document.GetProfileInt("S", "n", 12345)) << value;
    }
}

struct WriteCase {
    const char* what;
    std::string before;
    std::vector<std::vector<const char*>> writes; // section, key, value
    std::string after;
};

TEST(ProfileDocument, WritesChangeOnlyTheLinesTheyWrite)
{
    const WriteCase cases[] = {
        {"an existing key keeps its place and spelling, and loses its blanks",
         "[S]\nfILE0 = old \nOther=1\n",
         {{"S", "File0", "new"}},
         "[S]\nfILE0=new\nOther=1\n"},
        {"a key that reads the same is left as it is",
         "[S]\n  k = \"x\"  \n",
         {{"s", "K", "x"}},
         "[S]\n  k = \"x\"  \n"},
        {"new keys go at the end of their section, in the order first written",
         "[S]\na=1\n[T]\nb=2\n",
         {{"S", "y", "1"}, {"S", "x", "2"}, {"S", "y", "3"}},
         "[S]\na=1\ny=3\r\nx=2\r\n[T]\nb=2\n"},
        {"new keys go before the blank lines that close a section",
         "[S]\na=1\n\n \n[T]\n",
         {{"S", "c", "3"}},
         "[S]\na=1\nc=3\r\n\n \n[T]\n"},
        {"a blank line inside a section stays inside",
         "[S]\na=1\n\nb=2\n\n",
         {{"S", "c", "3"}},
         "[S]\na=1\n\nb=2\nc=3\r\n\n"},
        {"a new section goes at the end of the file",
         "; top\n[S]\na=1\n\n",
         {{"T", "b", "2"}},
         "; top\n[S]\na=1\n\n[T]\r\nb=2\r\n"},
        {"a last line without an ending gets one when a line follows",
         "[S]\na=1",
         {{"S", "b", "2"}},
         "[S]\na=1\r\nb=2\r\n"},
        {"a last line without an ending keeps it missing when rewritten",
         "[S]\na=1",
         {{"S", "a", "2"}},
         "[S]\na=2"},
        {"each line keeps its own ending",
         "[S]\r\na=1\nb=2\rc=3\r\n",
         {{"S", "a", "x"}, {"S", "b", "y"}, {"S", "c", "z"}},
         "[S]\r\na=x\nb=y\rc=z\r\n"},
        {"the byte-order mark stays",
         "\xEF\xBB\xBF[S]\r\na=1\r\n",
         {{"S", "a", "2"}},
         "\xEF\xBB\xBF[S]\r\na=2\r\n"},
        {"comments, unknown lines and other sections stay byte for byte",
         "; c\r\nstray\n[S]\r\n  ; indented\nword\n=v\n[x\na=1\n[T] t\n\tb = 2\n",
         {{"S", "a", "9"}, {"S", "new", "n"}},
         "; c\r\nstray\n[S]\r\n  ; indented\nword\n=v\n[x\na=9\nnew=n\r\n[T] t\n\tb = 2\n"},
        {"only the first of two equal keys is written",
         "[S]\nk=1\nK=2\n",
         {{"S", "k", "3"}},
         "[S]\nk=3\nK=2\n"},
        {"writes go to the first of two equal sections",
         "[S]\na=1\n[s]\nk=2\n",
         {{"S", "k", "3"}},
         "[S]\na=1\nk=3\r\n[s]\nk=2\n"},
        {"an empty value is written as key=",
         "",
         {{"S", "k", ""}},
         "[S]\r\nk=\r\n"},
        {"a null value deletes the first of the keys, and the next one reads",
         "[S]\nk=1\na=2\nk=3\n",
         {{"S", "k", nullptr}, {"S", "b", "4"}},
         "[S]\na=2\nk=3\nb=4\r\n"},
        {"a null key deletes the first of the sections",
         "[S]\na=1\n[T]\nb=2\n[s]\nc=3\n",
         {{"S", nullptr, nullptr}, {"S", "d", "4"}},
         "[T]\nb=2\n[s]\nc=3\nd=4\r\n"},
        {"deleting what is missing changes nothing",
         "[S]\na=1",
         {{"S", "b", nullptr}, {"T", nullptr, nullptr}},
         "[S]\na=1"},
        {"deleting the last line lets the one before end the file",
         "[S]\na=1\nb=2",
         {{"S", "b", nullptr}, {"T", "c", "3"}},
         "[S]\na=1\n[T]\r\nc=3\r\n"},
    };
    for (const WriteCase& c : cases) {
        ProfileDocument document(c.before);
        for (const auto& write : c.writes)
            EXPECT_TRUE(document.WriteProfileString(write[0], write[1], write[2])) << c.what;
        EXPECT_EQ(c.after, document.Serialize()) << c.what;
    }
}

TEST(ProfileDocument, WritesThatWouldBreakTheFileAreRefused)
{
    const std::string text = "[S]\nk=1\n";
    const struct {
        const char* section;
        const char* entry;
        const char* value;
    } cases[] = {
        {nullptr, "k", "v"},
        {"S", "k", "a\r\n[T]\r\nx=1"},
        {"S", "k", "a\nb"},
        {"S", "k", "a\rb"},
        {"S", "", "v"},
        {"S", "  ", "v"},
        {"S", "a=b", "v"},
        {"S", ";k", "v"},
        {"S", "[k", "v"},
        {"S", "k\n", "v"},
        {"S]x", "k", "v"},
        {"S\r\nk=2", "k", "v"},
    };
    for (const auto& c : cases) {
        ProfileDocument document(text);
        EXPECT_FALSE(document.WriteProfileString(c.section, c.entry, c.value))
            << (c.section ? c.section : "(null)") << " / " << (c.entry ? c.entry : "(null)");
        EXPECT_EQ(text, document.Serialize());
    }
}

TEST(ProfileDocument, KeysAreListedInFileOrderAsSpelt)
{
    ProfileDocument document("k0=before any section\n"
                             "[S]\n"
                             "File1=a\n"
                             "; File9=commented\n"
                             "bare\n"
                             "file0 = b\n"
                             "FILE1=c\n"
                             "[T]\n"
                             "t=1\n"
                             "[s]\n"
                             "later=1\n");
    EXPECT_EQ((std::vector<std::string>{"File1", "file0", "FILE1"}), Names(document.GetProfileKeys("s")));

    document.WriteProfileString("S", "New", "1");
    document.WriteProfileString("S", "File1", nullptr);
    EXPECT_EQ((std::vector<std::string>{"file0", "FILE1", "New"}), Names(document.GetProfileKeys("S")));
    EXPECT_TRUE(document.GetProfileKeys("Missing").empty());
    EXPECT_TRUE(document.GetProfileKeys(nullptr).empty());
}

TEST(ProfileDocument, LongValuesAndOddBytesReadAndWriteBack)
{
    std::string path = "C:\\";
    while (path.size() < 100000)
        path += "very long folder name\xE9\\";
    path += "sea.bmp";

    ProfileDocument document;
    ASSERT_TRUE(document.WriteProfileString(List, "File0", path.c_str()));
    ASSERT_TRUE(document.WriteProfileString(List, "File\xC4", "\x80\xFF"));
    ProfileDocument reread(document.Serialize());
    EXPECT_EQ(path, reread.GetProfileString(List, "File0").str());
    EXPECT_EQ("\x80\xFF", reread.GetProfileString(List, "File\xC4").str());

    // A section header of that length, and NUL bytes everywhere.
    const std::string section = "[" + path + "]\n" + "k=\0\0\n"s + "\0=\0"s + "\n";
    ProfileDocument odd(section);
    EXPECT_EQ(section, odd.Serialize());
    EXPECT_EQ("\0\0"s, std::string(*odd.Find(path, "k")));
}

TEST(ProfileDocument, ThirtyThousandKeysRoundTrip)
{
    constexpr int Count = 30000;
    // The section to fill lies before another one, so that every new key has
    // to go into the middle of the file.
    ProfileDocument document("[WallpaperList]\r\nNumberOfFiles=0\r\n\r\n[Other]\r\nKey=1\r\n");
    for (int i = 0; i < Count; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_TRUE(document.WriteProfileString(List, ("File" + n).c_str(), ("C:\\Pictures\\" + n + ".bmp").c_str()));
        ASSERT_TRUE(document.WriteProfileInt(List, ("Showstate" + n).c_str(), i % 4));
        ASSERT_TRUE(document.WriteProfileInt(List, ("Priority" + n).c_str(), i % 3));
    }
    ASSERT_TRUE(document.WriteProfileInt(List, "NumberOfFiles", Count));

    ProfileDocument reread(document.Serialize());
    EXPECT_EQ(document.Serialize(), reread.Serialize());
    EXPECT_EQ(Count, reread.GetProfileInt(List, "numberoffiles", 0));
    for (int i = 0; i < Count; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_EQ("C:\\Pictures\\" + n + ".bmp", reread.GetProfileString(List, ("file" + n).c_str()).str());
        ASSERT_EQ(i % 4, reread.GetProfileInt(List, ("SHOWSTATE" + n).c_str(), -1));
        ASSERT_EQ(i % 3, reread.GetProfileInt(List, ("Priority" + n).c_str(), -1));
    }
    const std::vector<CString> keys = reread.GetProfileKeys(List);
    ASSERT_EQ(std::size_t{3 * Count + 1}, keys.size());
    EXPECT_EQ("NumberOfFiles", keys.front().str());
    EXPECT_EQ("Priority29999", keys.back().str());
    EXPECT_EQ(1, reread.GetProfileInt("Other", "Key", 0));

    // Rewriting every key in place keeps the order of the lines.
    for (int i = 0; i < Count; ++i)
        ASSERT_TRUE(reread.WriteProfileInt(List, ("Priority" + std::to_string(i)).c_str(), 7));
    EXPECT_EQ(7, reread.GetProfileInt(List, "Priority12345", 0));
    EXPECT_EQ(document.Serialize().size(), reread.Serialize().size());
    EXPECT_EQ(Names(keys), Names(reread.GetProfileKeys(List)));
}

TEST(ProfileDocument, HandEditedProfilesRoundTripAndReadAsDocumented)
{
    const char* files[] = {
        "empty.ini", "blank-lines-only.ini", "garbage-integers.ini", "negative-count.ini",
        "huge-count.ini", "duplicate-keys.ini", "duplicate-sections.ini", "mixed-line-endings.ini",
        "bom.ini", "high-bytes.ini", "no-final-newline.ini", "comments-and-unknown-lines.ini",
        "quoted-values.ini", "nul-bytes.ini",
    };
    for (const char* name : files) {
        const std::string text = ReadCorpus(name);
        ProfileDocument document(text);
        EXPECT_EQ(text, document.Serialize()) << name;

        // A new key changes nothing but its own line (and the ending of a
        // last line that had none).
        ASSERT_TRUE(document.WriteProfileInt(List, "Probe", 1)) << name;
        std::string written = document.Serialize();
        if (document.GetProfileKeys(List).size() == 1) {
            const std::string added = "[WallpaperList]\r\nProbe=1\r\n";
            ASSERT_TRUE(written.ends_with(added)) << name;
            written.erase(written.size() - added.size());
        } else {
            const std::size_t at = written.find("Probe=1\r\n");
            ASSERT_NE(std::string::npos, at) << name;
            ASSERT_TRUE(at > 0 && (written[at - 1] == '\n' || written[at - 1] == '\r')) << name;
            written.erase(at, 9);
        }
        if (!text.empty() && text.back() != '\n' && text.back() != '\r')
            written.erase(written.size() - 2);
        EXPECT_EQ(text, written) << name;
    }

    const struct {
        const char* file;
        const char* entry;
        int expected;
    } numbers[] = {
        {"empty.ini", "NumberOfFiles", -1},
        {"garbage-integers.ini", "NumberOfFiles", 2},
        {"garbage-integers.ini", "Showstate0", 12},
        {"garbage-integers.ini", "Priority0", 0},
        {"garbage-integers.ini", "Showstate1", 0},
        {"garbage-integers.ini", "Priority1", 0},
        {"garbage-integers.ini", "FrequencyLow", -1},
        {"garbage-integers.ini", "FrequencyNormal", 7},
        {"garbage-integers.ini", "FrequencyHigh", 42},
        {"garbage-integers.ini", "ChangeInterval", -3},
        {"negative-count.ini", "NumberOfFiles", -5},
        {"negative-count.ini", "FrequencyHigh", INT_MIN},
        {"huge-count.ini", "NumberOfFiles", INT_MAX},
        {"huge-count.ini", "FrequencyLow", 1215752191},
        {"huge-count.ini", "FrequencyNormal", 1},
        {"huge-count.ini", "FrequencyHigh", INT_MIN},
        {"duplicate-keys.ini", "NumberOfFiles", 2},
        {"duplicate-keys.ini", "Priority0", 2},
        {"duplicate-sections.ini", "NumberOfFiles", 1},
        {"duplicate-sections.ini", "FrequencyHigh", -1},
        {"mixed-line-endings.ini", "Priority0", 1},
        {"mixed-line-endings.ini", "Priority1", 2},
        {"mixed-line-endings.ini", "ChangeInterval", 5},
        {"bom.ini", "Priority0", 2},
        {"comments-and-unknown-lines.ini", "NumberOfFiles", 2},
        {"comments-and-unknown-lines.ini", "Showstate1", 0},
        {"comments-and-unknown-lines.ini", "Priority1", 1},
        {"quoted-values.ini", "NumberOfFiles", 6},
        {"nul-bytes.ini", "NumberOfFiles", 2},
        {"nul-bytes.ini", "Showstate0", 1},
    };
    for (const auto& c : numbers) {
        ProfileDocument document(ReadCorpus(c.file));
        EXPECT_EQ(c.expected, document.GetProfileInt(List, c.entry, -1)) << c.file << " " << c.entry;
    }

    const struct {
        const char* file;
        const char* section;
        const char* entry;
        std::string expected;
    } strings[] = {
        {"duplicate-keys.ini", List, "FILE0", "C:\\Pictures\\first.bmp"},
        {"duplicate-sections.ini", List, "File0", "C:\\Pictures\\first.bmp"},
        {"duplicate-sections.ini", "Other", "Key", "value"},
        {"mixed-line-endings.ini", List, "File1", "C:\\Pictures\\hill.bmp"},
        {"high-bytes.ini", List, "File0", "C:\\Bilder\\M\xfcnchen.bmp"},
        {"high-bytes.ini", "\xc4\xd6\xdc", "\xe9", "\xe8"},
        {"no-final-newline.ini", List, "File0", "C:\\Pictures\\sea.bmp"},
        {"comments-and-unknown-lines.ini", List, "File0", "C:\\My Pictures\\sea.bmp"},
        {"comments-and-unknown-lines.ini", List, "File1", "C:\\Pictures\\hill.bmp"},
        {"comments-and-unknown-lines.ini", "Other", "Key", "value"},
        {"quoted-values.ini", List, "File1", "C:\\Pictures\\hill.bmp"},
        {"quoted-values.ini", List, "File2", "\"C:\\Pictures\\mixed.bmp'"},
        {"quoted-values.ini", List, "File3", "\""},
        {"quoted-values.ini", List, "File4", "-"},
        {"quoted-values.ini", List, "File5", "  spaced  "},
        {"nul-bytes.ini", List, "File0", "C:\\Pic\0tures\\sea.bmp"s},
    };
    for (const auto& c : strings) {
        ProfileDocument document(ReadCorpus(c.file));
        const std::optional<std::string_view> value = document.Find(c.section, c.entry);
        EXPECT_EQ(c.expected, value && !value->empty() ? std::string(*value) : "-") << c.file << " " << c.entry;
    }
}

} // namespace
