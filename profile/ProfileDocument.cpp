#include "profile/ProfileDocument.h"

#include "profile/ProfileNames.h"

#include <cstdint>
#include <string>
#include <utility>

namespace {

constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view NewLine = "\r\n";

bool HasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

bool IsValidSectionName(std::string_view name)
{
    return !HasLineBreak(name) && name.find(']') == std::string_view::npos;
}

bool IsValidKeyName(std::string_view name)
{
    return !name.empty() && name.front() != ';' && name.front() != '[' && !HasLineBreak(name) &&
           name.find('=') == std::string_view::npos;
}

// Reading drops blanks around a value and a pair of matching quotes. A value
// that would lose something that way is written inside quotes, which reading
// takes off again, so that what is written is exactly what is read back.
bool NeedsQuotes(std::string_view value)
{
    if (value.empty())
        return false;
    if (IsProfileBlank(value.front()) || IsProfileBlank(value.back()))
        return true;
    return value.size() >= 2 && value.front() == value.back() && (value.front() == '"' || value.front() == '\'');
}

} // namespace

std::uint32_t ProfileDocument::KeyIndex::Hash(std::string_view name)
{
    // FNV-1a over the folded bytes.
    std::uint32_t hash = 2166136261u;
    for (char c : name) {
        hash ^= static_cast<unsigned char>(FoldNameChar(c));
        hash *= 16777619u;
    }
    return hash;
}

std::size_t ProfileDocument::KeyIndex::Find(const std::vector<Line>& body, std::string_view name,
                                            std::uint32_t hash) const
{
    if (slots.empty())
        return None;
    const std::size_t mask = slots.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots[i];
        if (slot.line == Empty)
            return None;
        if (slot.hash == hash && SameName(body[slot.line].Name(), name))
            return slot.line;
    }
}

void ProfileDocument::KeyIndex::Insert(std::uint32_t hash, std::size_t line)
{
    // At most three quarters full, so that every probe meets an empty slot
    // soon.
    if ((taken + 1) * 4 > slots.size() * 3)
        Grow();
    const std::size_t mask = slots.size() - 1;
    std::size_t i = hash & mask;
    while (slots[i].line != Empty)
        i = (i + 1) & mask;
    ++taken;
    slots[i] = Slot{hash, static_cast<std::uint32_t>(line)};
}

void ProfileDocument::KeyIndex::Grow()
{
    std::vector<Slot> old = std::move(slots);
    // Twice the slots taken: half full after growing.
    std::size_t size = 16;
    while (size < (taken + 1) * 2)
        size *= 2;
    slots.assign(size, Slot{});
    taken = 0;
    for (const Slot& slot : old) {
        if (slot.line != Empty)
            Insert(slot.hash, slot.line);
    }
}

ProfileDocument::ProfileDocument(std::string_view text)
{
    Parse(text);
}

void ProfileDocument::Clear()
{
    sections.clear();
    sections.emplace_back();
    sectionIndex.clear();
    byteOrderMark = false;
}

void ProfileDocument::Parse(std::string_view text)
{
    Clear();
    if (text.starts_with(ByteOrderMark)) {
        byteOrderMark = true;
        text.remove_prefix(ByteOrderMark.size());
    }

    // Blank lines wait here until the next line shows whether they lie inside
    // a section or close it.
    std::vector<Line> blanks;
    std::size_t current = 0;
    std::size_t position = 0;
    while (position < text.size()) {
        Line line;
        const std::size_t end = text.find_first_of("\r\n", position);
        if (end == std::string_view::npos) {
            line.text = text.substr(position);
            position = text.size();
        } else {
            line.text = text.substr(position, end - position);
            if (text[end] == '\n') {
                line.ending = Ending::Lf;
                position = end + 1;
            } else if (end + 1 < text.size() && text[end + 1] == '\n') {
                line.ending = Ending::CrLf;
                position = end + 2;
            } else {
                line.ending = Ending::Cr;
                position = end + 1;
            }
        }

        std::size_t first = 0;
        while (first < line.text.size() && IsProfileBlank(line.text[first]))
            ++first;
        if (first == line.text.size()) {
            blanks.push_back(std::move(line));
            continue;
        }

        if (line.text[first] == '[') {
            const std::size_t close = line.text.find(']', first + 1);
            if (close != std::string::npos) {
                sections[current].trailing = std::move(blanks);
                blanks.clear();
                Section& section = sections.emplace_back();
                current = sections.size() - 1;
                const std::string_view name = std::string_view(line.text).substr(first + 1, close - first - 1);
                section.foldedName = FoldName(TrimProfileText(name));
                sectionIndex.emplace(section.foldedName, current);
                section.body.push_back(std::move(line));
                continue;
            }
        }

        Section& section = sections[current];
        for (Line& blank : blanks)
            section.body.push_back(std::move(blank));
        blanks.clear();
        // Lines before the first section belong to no section the platform
        // would read, so they stay plain text.
        if (current != 0 && line.text[first] != ';')
            ParseKey(line, first);
        section.body.push_back(std::move(line));
        const Line& added = section.body.back();
        if (added.isKey) {
            // The first of two equal keys is the one that reads.
            const std::uint32_t hash = KeyIndex::Hash(added.Name());
            if (section.keys.Find(section.body, added.Name(), hash) == KeyIndex::None)
                section.keys.Insert(hash, section.body.size() - 1);
        }
    }
    sections[current].trailing = std::move(blanks);
}

void ProfileDocument::ParseKey(Line& line, std::size_t nameStart)
{
    const std::string_view text = line.text;
    const std::size_t equals = text.find('=', nameStart);
    if (equals == std::string_view::npos)
        return;
    const std::string_view name = TrimProfileText(text.substr(nameStart, equals - nameStart));
    if (name.empty())
        return;
    std::string_view value = TrimProfileText(text.substr(equals + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    line.isKey = true;
    line.nameBegin = static_cast<std::size_t>(name.data() - text.data());
    line.nameLength = name.size();
    line.valueBegin = static_cast<std::size_t>(value.data() - text.data());
    line.valueLength = value.size();
}

void ProfileDocument::SetKeyLine(Line& line, std::string_view name, std::string_view value)
{
    const bool quoted = NeedsQuotes(value);
    std::string text;
    text.reserve(name.size() + 3 + value.size());
    text.append(name).append(1, '=');
    if (quoted)
        text.append(1, '"');
    text.append(value);
    if (quoted)
        text.append(1, '"');
    line.text = std::move(text);
    line.isKey = false;
    ParseKey(line, 0);
}

std::string ProfileDocument::Serialize() const
{
    std::size_t size = byteOrderMark ? ByteOrderMark.size() : 0;
    for (const Section& section : sections) {
        for (const auto* lines : {&section.body, &section.trailing}) {
            for (const Line& line : *lines)
                size += line.text.size() + 2;
        }
    }

    std::string out;
    out.reserve(size);
    if (byteOrderMark)
        out.append(ByteOrderMark);
    // Only the last line of a file can lack its ending; once lines follow it,
    // it needs one.
    bool lineOpen = false;
    for (const Section& section : sections) {
        for (const auto* lines : {&section.body, &section.trailing}) {
            for (const Line& line : *lines) {
                if (lineOpen)
                    out.append(NewLine);
                out.append(line.text);
                lineOpen = false;
                switch (line.ending) {
                case Ending::None: lineOpen = true; break;
                case Ending::Lf: out.append(1, '\n'); break;
                case Ending::CrLf: out.append(NewLine); break;
                case Ending::Cr: out.append(1, '\r'); break;
                }
            }
        }
    }
    return out;
}

ProfileDocument::Section* ProfileDocument::FindSection(std::string_view foldedName)
{
    const auto found = sectionIndex.find(std::string(foldedName));
    return found == sectionIndex.end() ? nullptr : &sections[found->second];
}

const ProfileDocument::Line* ProfileDocument::FindLine(std::string_view section, std::string_view entry) const
{
    const auto foundSection = sectionIndex.find(FoldName(TrimProfileText(section)));
    if (foundSection == sectionIndex.end())
        return nullptr;
    const Section& found = sections[foundSection->second];
    const std::string_view name = TrimProfileText(entry);
    const std::size_t line = found.keys.Find(found.body, name, KeyIndex::Hash(name));
    return line == KeyIndex::None ? nullptr : &found.body[line];
}

std::optional<std::string_view> ProfileDocument::Find(std::string_view section, std::string_view entry) const
{
    const Line* line = FindLine(section, entry);
    if (!line)
        return std::nullopt;
    return line->Value();
}

int ProfileDocument::ParseInt(std::string_view text, int defaultValue)
{
    if (text.empty())
        return defaultValue;
    std::size_t i = 0;
    bool negative = false;
    if (text[0] == '+' || text[0] == '-') {
        negative = text[0] == '-';
        ++i;
    }
    // Unsigned arithmetic wraps without undefined behaviour; the conversion
    // back to int is modular.
    std::uint32_t number = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        number = number * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative)
        number = 0u - number;
    return static_cast<int>(number);
}

int ProfileDocument::GetProfileInt(const char* section, const char* entry, int defaultValue)
{
    if (!section || !entry)
        return defaultValue;
    const std::optional<std::string_view> value = Find(section, entry);
    return value ? ParseInt(*value, defaultValue) : defaultValue;
}

CString ProfileDocument::GetProfileString(const char* section, const char* entry, const char* defaultValue)
{
    if (section && entry) {
        std::optional<std::string_view> value = Find(section, entry);
        // The platform hands values out as C strings: a NUL byte in the file
        // ends the value there. Keeping the rest would give the program a
        // string it cannot write back.
        if (value)
            value = value->substr(0, value->find('\0'));
        if (value && !value->empty())
            return CString(std::string(*value));
    }
    return CString(defaultValue);
}

ProfileDocument::Section& ProfileDocument::AddSection(std::string_view name)
{
    Section& section = sections.emplace_back();
    section.foldedName = FoldName(name);
    Line header;
    header.text.reserve(name.size() + 2);
    header.text.append(1, '[').append(name).append(1, ']');
    header.ending = Ending::CrLf;
    section.body.push_back(std::move(header));
    sectionIndex[section.foldedName] = sections.size() - 1;
    return section;
}

bool ProfileDocument::WriteProfileString(const char* section, const char* entry, const char* value)
{
    if (!section)
        return false;
    const std::string_view sectionName = TrimProfileText(section);
    if (!IsValidSectionName(sectionName))
        return false;
    if (!entry || !value)
        return false;
    const std::string_view name = TrimProfileText(entry);
    if (!IsValidKeyName(name))
        return false;
    const std::string_view text = value;
    if (HasLineBreak(text))
        return false;

    const std::string foldedSection = FoldName(sectionName);
    Section* target = FindSection(foldedSection);
    if (!target)
        target = &AddSection(sectionName);

    const std::uint32_t hash = KeyIndex::Hash(name);
    if (const std::size_t found = target->keys.Find(target->body, name, hash); found != KeyIndex::None) {
        Line& line = target->body[found];
        if (line.Value() != text) {
            const std::string spelling(line.Name());
            SetKeyLine(line, spelling, text);
        }
        return true;
    }

    Line line;
    line.ending = Ending::CrLf;
    SetKeyLine(line, name, text);
    target->body.push_back(std::move(line));
    target->keys.Insert(hash, target->body.size() - 1);
    return true;
}

std::vector<CString> ProfileDocument::GetProfileKeys(const char* section)
{
    std::vector<CString> names;
    if (!section)
        return names;
    const Section* found = FindSection(FoldName(TrimProfileText(section)));
    if (!found)
        return names;
    for (const Line& line : found->body) {
        if (line.isKey)
            names.emplace_back(std::string(line.Name()));
    }
    return names;
}

bool ProfileDocument::UpdateProfile(const Edit& edit)
{
    ProfileDocument changed = *this;
    if (!edit(changed))
        return false;
    *this = std::move(changed);
    return true;
}
