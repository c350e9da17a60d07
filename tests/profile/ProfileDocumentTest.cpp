// The INI document: the platform's reading rules, and writes that leave every
// other byte of a hand-edited file alone.
#include "profile/ProfileDocument.h"
#include "tests/support/Kit.h"

#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

using namespace std::string_literals;
using Strings = std::vector<std::string>;

constexpr const char* List = "WallpaperList";

std::string ReadCorpus(const std::string& name)
{
    std::ifstream file(test_support::Located("data", VISTERO_TEST_DATA) + "/profiles/" + name, std::ios::binary);
    EXPECT_TRUE(file) << name;
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Strings Names(const std::vector<CString>& keys)
{
    Strings names;
    for (const CString& key : keys)
        names.push_back(key.str());
    return names;
}

TEST(ProfileDocument, FirstSaveIntoAnEmptyDocumentGivesTheDocumentedLines)
{
    const char* const lines[] = {"File0=C:\\Pictures\\sea.bmp", "Showstate0=2", "Priority0=1", "File1=",
                                 "Showstate1=3", "Priority1=0", "NumberOfFiles=2", "FrequencyLow=50",
                                 "FrequencyNormal=100", "FrequencyHigh=200", "ChangeInterval=30"};
    ProfileDocument document;
    std::string expected = "[WallpaperList]\r\n";
    for (const std::string line : lines) {
        const std::string key = line.substr(0, line.find('='));
        const std::string value = line.substr(key.size() + 1);
        if (key.starts_with("File"))
            EXPECT_TRUE(document.WriteProfileString(List, key.c_str(), value.c_str()));
        else
            EXPECT_TRUE(document.WriteProfileInt(List, key.c_str(), std::stoi(value)));
        expected += line + "\r\n";
    }
    EXPECT_EQ(expected, document.Serialize());

    // Saving the same values again changes nothing.
    document.Parse(expected);
    EXPECT_TRUE(document.WriteProfileInt(List, "NumberOfFiles", 2));
    EXPECT_TRUE(document.WriteProfileString(List, "File1", ""));
    EXPECT_EQ(expected, document.Serialize());
}

TEST(ProfileDocument, ReadsFollowThePlatformRules)
{
    const struct {
        std::string text;
        const char* section;
        const char* entry;
        const char* expected; // nullptr: the default
    } cases[] = {
        {"[wallpaperlist]\nFILE0=a\n", "WallpaperList", "file0", "a"},
        {" \t[ S ]\n\t k \t=  a b \t\n", " S\t", " k ", "a b"},
        {"[S]\nk=\"a b\"\n", "S", "k", "a b"},
        {"[S]\nk='a'\n", "S", "k", "a"},
        {"[S]\nk=\"  a  \"\n", "S", "k", "  a  "},
        {"[S]\nk=\"a'\n", "S", "k", "\"a'"},
        {"[S]\nk=\"\n", "S", "k", "\""},
        {"[S]\nk=\"\"\n", "S", "k", nullptr},
        {"[S]\nk=  \t\n", "S", "k", nullptr},
        {"[S]\nk=a=b ; c\n", "S", "k", "a=b ; c"},
        {"[S]\n  ;k=a\n", "S", "k", nullptr},
        {"[S]\n;k=a\n", "S", ";k", nullptr},
        {"[S]\nk=first\nK=second\n", "S", "k", "first"},
        {"[S]\nk=\nk=second\n", "S", "k", nullptr},
        {"[S]\na=1\n[s]\nk=second\n", "S", "k", nullptr},
        {"[S]\nk=first\n[s]\nk=second\n", "S", "k", "first"},
        {"k=a\n[S]\n", "S", "k", nullptr},
        {"[S]\n[T]\nk=a\n", "S", "k", nullptr},
        {"[S] trailing\nk=a\n", "S", "k", "a"},
        {"[T\nk=a\n", "T", "k", nullptr},
        {"[S]\n[x=1\n", "S", "[x", "1"},
        {"[S]\nk\n", "S", "k", nullptr},
        {"[S]\nk=a\n", "T", "k", nullptr},
        {"\xEF\xBB\xBF[S]\r\nk=a\r\n", "S", "k", "a"},
        {"[S]\rk=a\rj=b", "S", "j", "b"},
        {"[S\xC4]\nk\xE9=\xFF\xFE\n", "S\xC4", "k\xE9", "\xFF\xFE"},
        {"[S]\nk\xC4=a\n", "S", "k\xE4", nullptr},
        {"[S]\nk=a\0b\nj=c\n"s, "S", "j", "c"},
        // Values leave as C strings: a NUL byte ends them.
        {"[S]\nk=a\0b\n"s, "S", "k", "a"},
        {"[S]\nk=\0b\n"s, "S", "k", nullptr},
    };
    for (const auto& c : cases) {
        ProfileDocument document(c.text);
        EXPECT_EQ(c.expected ? c.expected : "default", document.GetProfileString(c.section, c.entry, "default").str())
            << c.text;
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
        const char* line; // "": no such key
        int expected;
    } cases[] = {
        {"n=42", 42}, {"n=12abc", 12}, {"n=abc", 0}, {"n=", -9}, {"n= 42 ", 42}, {"n=-3", -3}, {"n=+7", 7},
        {"n=-", 0}, {"n=+-1", 0}, {"n=- 3", 0}, {"n=0x10", 0}, {"n=007", 7}, {"n='42'", 42}, {"", -9},
        {"n=2147483647", INT_MAX}, {"n=2147483648", INT_MIN}, {"n=-2147483648", INT_MIN}, {"n=4294967297", 1},
        {"n=99999999999", 1215752191}, {"n=99999999999999999999999999999999999999", -1},
    };
    for (const auto& c : cases) {
        ProfileDocument document("[S]\n"s + c.line + "\n");
        EXPECT_EQ(c.expected, document.GetProfileInt("S", "n", -9)) << c.line;
    }
    for (int value : {0, -1, INT_MAX, INT_MIN}) {
        ProfileDocument document;
        ASSERT_TRUE(document.WriteProfileInt("S", "n", value));
        EXPECT_EQ(value, document.GetProfileInt("S", "n", 12345)) << value;
    }
}

TEST(ProfileDocument, WritesChangeOnlyTheLinesTheyWrite)
{
    const struct {
        const char* what;
        std::string before;
        std::vector<std::vector<const char*>> writes; // section, key, value
        std::string after;
    } cases[] = {
        {"existing key keeps place and spelling", "[S]\nfILE0 = old \nOther=1\n", {{"S", "File0", "new"}},
         "[S]\nfILE0=new\nOther=1\n"},
        {"a key that reads the same is left alone", "[S]\n  k = \"x\"  \n", {{"s", "K", "x"}}, "[S]\n  k = \"x\"  \n"},
        {"new keys at the end of their section, in first-written order", "[S]\na=1\n[T]\nb=2\n",
         {{"S", "y", "1"}, {"S", "x", "2"}, {"S", "y", "3"}}, "[S]\na=1\ny=3\r\nx=2\r\n[T]\nb=2\n"},
        {"new keys before closing blank lines, after inner ones", "[S]\na=1\n\nb=2\n\n \n[T]\n", {{"S", "c", "3"}},
         "[S]\na=1\n\nb=2\nc=3\r\n\n \n[T]\n"},
        {"new section at the end", "; top\n[S]\na=1\n\n", {{"T", "b", "2"}}, "; top\n[S]\na=1\n\n[T]\r\nb=2\r\n"},
        {"unterminated last line ended when a line follows", "[S]\na=1", {{"S", "b", "2"}}, "[S]\na=1\r\nb=2\r\n"},
        {"unterminated last line stays so when rewritten", "[S]\na=1", {{"S", "a", "2"}}, "[S]\na=2"},
        {"each line keeps its ending", "[S]\r\na=1\nb=2\rc=3\r\n", {{"S", "a", "x"}, {"S", "b", "y"}, {"S", "c", "z"}},
         "[S]\r\na=x\nb=y\rc=z\r\n"},
        {"byte-order mark stays", "\xEF\xBB\xBF[S]\r\na=1\r\n", {{"S", "a", "2"}}, "\xEF\xBB\xBF[S]\r\na=2\r\n"},
        {"comments, unknown lines, other sections stay",
         "; c\r\nstray\n[S]\r\n  ; indented\nword\n=v\n[x\na=1\n[T] t\n\tb = 2\n", {{"S", "a", "9"}, {"S", "new", "n"}},
         "; c\r\nstray\n[S]\r\n  ; indented\nword\n=v\n[x\na=9\nnew=n\r\n[T] t\n\tb = 2\n"},
        {"first of two keys written", "[S]\nk=1\nK=2\n", {{"S", "k", "3"}}, "[S]\nk=3\nK=2\n"},
        {"first of two sections written", "[S]\na=1\n[s]\nk=2\n", {{"S", "k", "3"}}, "[S]\na=1\nk=3\r\n[s]\nk=2\n"},
        {"empty value", "", {{"S", "k", ""}}, "[S]\r\nk=\r\n"},
    };
    for (const auto& c : cases) {
        ProfileDocument document(c.before);
        for (const auto& write : c.writes)
            EXPECT_TRUE(document.WriteProfileString(write[0], write[1], write[2])) << c.what;
        EXPECT_EQ(c.after, document.Serialize()) << c.what;
    }
}

TEST(ProfileDocument, WritesThatWouldBreakTheFileAreRefused)
{
    const std::string text = "[S]\nk=1\n";
    const std::vector<const char*> cases[] = {
        {nullptr, "k", "v"}, {"S", "k", "a\r\n[T]\r\nx=1"}, {"S", "k", "a\nb"}, {"S", "k", "a\rb"},
        {"S", "", "v"},      {"S", "  ", "v"},              {"S", "a=b", "v"},  {"S", ";k", "v"},
        {"S", "[k", "v"},    {"S", "k\n", "v"},             {"S]x", "k", "v"},  {"S\r\nk=2", "k", "v"},
        // The program deletes nothing: no null key or value.
        {"S", "k", nullptr}, {"S", nullptr, nullptr},
    };
    for (const auto& c : cases) {
        ProfileDocument document(text);
        EXPECT_FALSE(document.WriteProfileString(c[0], c[1], c[2])) << (c[1] ? c[1] : "(null)");
        EXPECT_EQ(text, document.Serialize());
    }
}

TEST(ProfileDocument, KeysAreListedInFileOrderAsSpelt)
{
    ProfileDocument document("k0=1\n[S]\nFile1=a\n; File9=b\nbare\nfile0 = b\nFILE1=c\n[T]\nt=1\n[s]\nlater=1\n");
    EXPECT_EQ((Strings{"File1", "file0", "FILE1"}), Names(document.GetProfileKeys("s")));
    document.WriteProfileString("S", "New", "1");
    EXPECT_EQ((Strings{"File1", "file0", "FILE1", "New"}), Names(document.GetProfileKeys("S")));
    EXPECT_TRUE(document.GetProfileKeys("Missing").empty());
    EXPECT_TRUE(document.GetProfileKeys(nullptr).empty());
}

TEST(ProfileDocument, LongValuesAndOddBytesReadAndWriteBack)
{
    std::string path = "C:\\";
    while (path.size() < 100000)
        path += "very long folder name\xE9\\";
    ProfileDocument document;
    ASSERT_TRUE(document.WriteProfileString(List, "File0", path.c_str()));
    ASSERT_TRUE(document.WriteProfileString(List, "File\xC4", "\x80\xFF"));
    ProfileDocument reread(document.Serialize());
    EXPECT_EQ(path, reread.GetProfileString(List, "File0").str());
    EXPECT_EQ("\x80\xFF", reread.GetProfileString(List, "File\xC4").str());

    // A section name of that length, and NUL bytes everywhere.
    const std::string text = "[" + path + "]\n" + "k=\0\0\n"s + "\0=\0"s + "\n";
    ProfileDocument odd(text);
    EXPECT_EQ(text, odd.Serialize());
    EXPECT_EQ("\0\0"s, std::string(odd.Find(path, "k").value_or("missing")));
}

TEST(ProfileDocument, ValuesThatReadingWouldAlterAreWrittenInQuotes)
{
    for (const char* value : {"  spaced  ", "\tlead", "trail ", "\"quoted\"", "'single'", "\"", "'", "\"a'", "plain"}) {
        ProfileDocument document;
        ASSERT_TRUE(document.WriteProfileString("S", "k", value));
        ProfileDocument reread(document.Serialize());
        EXPECT_EQ(value, reread.GetProfileString("S", "k").str()) << document.Serialize();
    }
    ProfileDocument document;
    ASSERT_TRUE(document.WriteProfileString("S", "k", " x"));
    ASSERT_TRUE(document.WriteProfileString("S", "j", "C:\\a b.bmp"));
    EXPECT_EQ("[S]\r\nk=\" x\"\r\nj=C:\\a b.bmp\r\n", document.Serialize());
}

TEST(ProfileDocument, ThirtyThousandKeysRoundTrip)
{
    constexpr int Count = 30000;
    // Another section follows, so every new key goes into the middle of the file.
    ProfileDocument document("[WallpaperList]\r\nNumberOfFiles=0\r\n\r\n[Other]\r\nKey=1\r\n");
    for (int i = 0; i < Count; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_TRUE(document.WriteProfileString(List, ("File" + n).c_str(), ("C:\\" + n + ".bmp").c_str()));
        ASSERT_TRUE(document.WriteProfileInt(List, ("Priority" + n).c_str(), i % 3));
    }
    ASSERT_TRUE(document.WriteProfileInt(List, "NumberOfFiles", Count));

    ProfileDocument reread(document.Serialize());
    EXPECT_EQ(document.Serialize(), reread.Serialize());
    EXPECT_EQ(Count, reread.GetProfileInt(List, "numberoffiles", 0));
    for (int i = 0; i < Count; ++i) {
        const std::string n = std::to_string(i);
        ASSERT_EQ("C:\\" + n + ".bmp", reread.GetProfileString(List, ("file" + n).c_str()).str());
        ASSERT_EQ(i % 3, reread.GetProfileInt(List, ("PRIORITY" + n).c_str(), -1));
    }
    const Strings keys = Names(reread.GetProfileKeys(List));
    ASSERT_EQ(std::size_t{2 * Count + 1}, keys.size());
    EXPECT_EQ("Priority29999", keys.back());
    EXPECT_EQ(1, reread.GetProfileInt("Other", "Key", 0));

    // Rewriting every key in place keeps the order of the lines.
    for (int i = 0; i < Count; ++i)
        ASSERT_TRUE(reread.WriteProfileInt(List, ("Priority" + std::to_string(i)).c_str(), 7));
    EXPECT_EQ(document.Serialize().size(), reread.Serialize().size());
    EXPECT_EQ(keys, Names(reread.GetProfileKeys(List)));
}

TEST(ProfileDocument, KeysStayFoundThroughRewritesAndGrowthInAnyCase)
{
    // The index grows many times over as keys are added among rewrites:
    // every key must read as a plain map of its last value says, whatever
    // the case it is asked in.
    ProfileDocument document;
    std::map<int, std::string> model;
    auto name = [](int n, int spelling) {
        std::string text = (spelling % 3 == 0 ? "Key" : spelling % 3 == 1 ? "KEY" : "key") + std::to_string(n);
        return text;
    };
    for (int round = 0; round < 6; ++round) {
        for (int n = 0; n < 1500 * (round + 1) / 6; ++n) {
            if ((n * 7 + round) % 3 != 0) {
                const std::string value = std::to_string(round * 10000 + n);
                ASSERT_TRUE(document.WriteProfileString(List, name(n, round).c_str(), value.c_str()));
                model[n] = value;
            }
        }
        for (int n = 0; n < 1500; ++n) {
            const auto found = model.find(n);
            ASSERT_EQ(found == model.end() ? "none" : found->second,
                      document.GetProfileString(List, name(n, n + round + 1).c_str(), "none").str())
                << "round " << round << ", key " << n;
        }
    }
    // Written back and read again, the document says the same.
    ProfileDocument reread(document.Serialize());
    for (const auto& [n, value] : model)
        ASSERT_EQ(value, reread.GetProfileString(List, name(n, n).c_str(), "none").str()) << n;
    EXPECT_EQ(model.size(), reread.GetProfileKeys(List).size());
}

TEST(ProfileDocument, HandEditedProfilesRoundTripAndReadAsDocumented)
{
    for (const char* name : {"empty.ini", "blank-lines-only.ini", "garbage-integers.ini", "negative-count.ini",
                             "huge-count.ini", "duplicate-keys.ini", "duplicate-sections.ini",
                             "mixed-line-endings.ini", "bom.ini", "high-bytes.ini", "no-final-newline.ini",
                             "comments-and-unknown-lines.ini", "quoted-values.ini", "nul-bytes.ini"}) {
        const std::string text = ReadCorpus(name);
        ProfileDocument document(text);
        EXPECT_EQ(text, document.Serialize()) << name;

        // A new key changes nothing but its own line (and ends a last line that had no ending).
        ASSERT_TRUE(document.WriteProfileInt(List, "Probe", 1)) << name;
        std::string written = document.Serialize();
        const std::string added = document.GetProfileKeys(List).size() == 1 ? "[WallpaperList]\r\nProbe=1\r\n"
                                                                            : "Probe=1\r\n";
        const std::size_t at = written.find(added);
        ASSERT_TRUE(at == 0 || (at != std::string::npos && (written[at - 1] == '\n' || written[at - 1] == '\r')))
            << name;
        written.erase(at, added.size());
        if (!text.empty() && text.back() != '\n' && text.back() != '\r')
            written.erase(written.size() - 2);
        EXPECT_EQ(text, written) << name;
    }

    const struct {
        const char* file;
        const char* entry;
        std::string expected; // an integer where the key is one
    } reads[] = {
        {"garbage-integers.ini", "NumberOfFiles", "2"},
        {"garbage-integers.ini", "FrequencyLow", "-1"},
        {"negative-count.ini", "NumberOfFiles", "-5"},
        {"huge-count.ini", "NumberOfFiles", "2147483647"},
        {"huge-count.ini", "FrequencyLow", "1215752191"},
        {"duplicate-keys.ini", "NumberOfFiles", "2"},
        {"duplicate-keys.ini", "FILE0", "C:\\Pictures\\first.bmp"},
        {"duplicate-sections.ini", "NumberOfFiles", "1"},
        {"duplicate-sections.ini", "FrequencyHigh", "-1"},
        {"mixed-line-endings.ini", "File1", "C:\\Pictures\\hill.bmp"},
        {"mixed-line-endings.ini", "ChangeInterval", "5"},
        {"bom.ini", "Priority0", "2"},
        {"high-bytes.ini", "File0", "C:\\Bilder\\M\xfcnchen.bmp"},
        {"no-final-newline.ini", "File0", "C:\\Pictures\\sea.bmp"},
        {"comments-and-unknown-lines.ini", "NumberOfFiles", "2"},
        {"comments-and-unknown-lines.ini", "File0", "C:\\My Pictures\\sea.bmp"},
        {"comments-and-unknown-lines.ini", "Showstate1", "0"},
        {"quoted-values.ini", "File2", "\"C:\\Pictures\\mixed.bmp'"},
        {"quoted-values.ini", "NumberOfFiles", "6"},
        {"nul-bytes.ini", "File0", "C:\\Pic\0tures\\sea.bmp"s},
        {"nul-bytes.ini", "Showstate0", "1"},
    };
    for (const auto& c : reads) {
        ProfileDocument document(ReadCorpus(c.file));
        const bool number = c.expected.find_first_not_of("-0123456789") == std::string::npos;
        const std::string value = number ? std::to_string(document.GetProfileInt(List, c.entry, -1))
                                         : std::string(document.Find(List, c.entry).value_or("missing"));
        EXPECT_EQ(c.expected, value) << c.file << " " << c.entry;
    }
    EXPECT_EQ("value", ProfileDocument(ReadCorpus("comments-and-unknown-lines.ini")).GetProfileString("other", "key").str());
    EXPECT_EQ("\xe8", ProfileDocument(ReadCorpus("high-bytes.ini")).GetProfileString("\xc4\xd6\xdc", "\xe9").str());
}

} // namespace
