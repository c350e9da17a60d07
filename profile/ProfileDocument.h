#pragma once

#include "profile/Profile.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// An initialization file held in memory: the profile's reading and writing
// rules on the text of one file. Reads follow the platform's own profile
// functions; writes keep every other line of the file as it was.
//
// Reading:
// - A line whose first non-blank character is ';' is a comment. "[name]" opens
//   a section (anything after the ']' is ignored). "name=value" is a key of the
//   section above it. Any other line (a bare word, a key before the first
//   section, "=value", a '[' without ']' and no '=') is kept but means nothing.
// - Section and key names compare without regard to ASCII case; spaces and
//   tabs around names and values don't count; a value in matching quotes
//   (both " or both ') loses them.
// - When a section name occurs twice, the first of them is the section, as
//   for GetPrivateProfileString: its keys are read and written, and the later
//   ones are kept as they are but never read. Of two equal keys in a section
//   the first wins; the other stays in the file.
// - A missing key or an empty value reads as the default.
//
// Writing:
// - A key that exists gets its line rewritten as "name=value", with the name
//   spelt as in the file; a key that reads the same already is left as it is.
// - A new key goes at the end of its section, before the blank lines that
//   close it; a new section goes at the end of the file.
// - New lines end in CR LF, whatever the file uses; every other line keeps its
//   own ending (CR LF, LF or a lone CR), and a UTF-8 byte-order mark at the
//   start stays. A last line without an ending gets CR LF only when a line is
//   added after it.
// - A write that would change the meaning of other lines is refused (false):
//   a line break in a name or a value, '=' in a key name or ']' in a section
//   name, a key name that is empty or begins with ';' or '['.
// - A null key or value is refused: the program deletes nothing.
//
// Every operation takes time in proportion to the text it touches: each
// section keeps a hash index of its keys, and new lines are appended, never
// inserted, so that tens of thousands of keys stay fast. The index is a flat
// table of (hash, line) slots: a lookup reads one slot and the line itself,
// where the standard library's unordered_map, keyed by the folded name,
// reaches each key through a node of its own. With it, making and loading a
// profile of 10,000 entries (bench/CoreBench.cpp --load-once=10000 under
// cachegrind) missed the first-level data cache 1,445,839 times against
// 1,014,748 with this table, 42% more, for 5% more instructions.
class ProfileDocument : public Profile {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string_view text);

    // Replaces the document by the given file text.
    void Parse(std::string_view text);
    // The file text of the document.
    std::string Serialize() const;
    // An empty document, as of an empty file.
    void Clear();

    // The value as read (trimmed, without its quotes), or nothing when the
    // section or the key is missing. An empty value is a value here.
    std::optional<std::string_view> Find(std::string_view section, std::string_view entry) const;

    int GetProfileInt(const char* section, const char* entry, int defaultValue) override;
    CString GetProfileString(const char* section, const char* entry,
                             const char* defaultValue = nullptr) override;
    bool WriteProfileString(const char* section, const char* entry, const char* value) override;
    // Every key line of the section in file order, a name that occurs twice
    // included twice. Empty for a missing section.
    std::vector<CString> GetProfileKeys(const char* section) override;
    // The edit is made on a copy, which becomes the document when every one
    // of its writes was taken.
    bool UpdateProfile(const Edit& edit) override;

    // An optional sign and the leading decimal digits ("12abc" is 12, "abc" is
    // 0), wrapping modulo 2^32 as the platform's 32-bit arithmetic does; the
    // default for an empty text.
    static int ParseInt(std::string_view text, int defaultValue);

private:
    enum class Ending : unsigned char { None, Lf, CrLf, Cr };

    struct Line {
        std::string text;
        Ending ending = Ending::None;
        bool isKey = false;
        // For a key line: where the name and the value (as read) lie in text.
        std::size_t nameBegin = 0;
        std::size_t nameLength = 0;
        std::size_t valueBegin = 0;
        std::size_t valueLength = 0;

        std::string_view Name() const { return std::string_view(text).substr(nameBegin, nameLength); }
        std::string_view Value() const { return std::string_view(text).substr(valueBegin, valueLength); }
    };

    // Index in a section's body of the first live line of each key name,
    // names compared without regard to ASCII case. Open addressing with
    // linear probing; lines are only ever added, never taken out.
    class KeyIndex {
    public:
        static constexpr std::size_t None = static_cast<std::size_t>(-1);
        static std::uint32_t Hash(std::string_view name);
        // The line of `body` indexed under this name, or None.
        std::size_t Find(const std::vector<Line>& body, std::string_view name, std::uint32_t hash) const;
        // The caller has made sure that the name is not indexed yet.
        void Insert(std::uint32_t hash, std::size_t line);

    private:
        // Line numbers in 32 bits: a section of four billion lines would
        // need hundreds of gigabytes of Line records first.
        static constexpr std::uint32_t Empty = 0xFFFFFFFFu;
        struct Slot {
            std::uint32_t hash = 0;
            std::uint32_t line = Empty;
        };
        void Grow();

        std::vector<Slot> slots;
        std::size_t taken = 0;
    };

    struct Section {
        // The header line first (none for the lines before the first header),
        // then everything up to the last line that is not blank.
        std::vector<Line> body;
        // The blank lines that close the section: new keys go before them.
        std::vector<Line> trailing;
        std::string foldedName;
        KeyIndex keys;
    };

    const Line* FindLine(std::string_view section, std::string_view entry) const;
    Section* FindSection(std::string_view foldedName);
    Section& AddSection(std::string_view name);

    static void ParseKey(Line& line, std::size_t nameStart);
    static void SetKeyLine(Line& line, std::string_view name, std::string_view value);

    // sections[0] holds the lines before the first section header.
    std::vector<Section> sections = std::vector<Section>(1);
    // Folded section name -> index of the first live section of that name.
    std::unordered_map<std::string, std::size_t> sectionIndex;
    bool byteOrderMark = false;
};
