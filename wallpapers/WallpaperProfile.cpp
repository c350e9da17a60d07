// Load and Save of WallpaperSet: the list and the options in the profile's
// section "WallpaperList".
#include "profile/Profile.h"
#include "profile/ProfileNames.h"
#include "wallpapers/WallpaperSet.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr const char* Section = "WallpaperList";

// Per-entry key names: "File%d", "Showstate%d", "Priority%d".
class KeyName {
public:
    KeyName(const char* stem, std::int32_t n) { std::snprintf(text, sizeof text, "%s%d", stem, static_cast<int>(n)); }
    operator const char*() const { return text; }

private:
    char text[256];
};

// The number n of a key that GetProfileString reads for "File<n>": "File" as
// the profile compares names, then n in decimal without leading zeros. Other spellings
// ("File01", "File+1", "File 1") are keys that no "File%d" ever names.
bool ParseFileKey(const CString& key, std::int64_t& n)
{
    const std::string_view name = TrimProfileText(key.str());
    constexpr std::string_view stem = "File";
    if (name.size() <= stem.size() || !SameName(name.substr(0, stem.size()), stem))
        return false;
    const std::string_view digits = name.substr(stem.size());
    if (digits.size() > 10 || (digits.size() > 1 && digits.front() == '0'))
        return false;
    n = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return false;
        n = n * 10 + (c - '0');
    }
    return true;
}

} // namespace

void WallpaperSet::Load(Profile& profile)
{
    profile.RefreshProfile();
    Clear();

    const std::int32_t count = profile.GetProfileInt(Section, "NumberOfFiles", 0);

    // Reading every number below the count, as the list is defined, would
    // loop two billion times for a hand-edited "NumberOfFiles=2147483647".
    // Only the numbers with a "File<n>" key can give a bitmap; every other
    // number reads as the empty path, and of all the empty paths only the
    // first is added (later ones are repeats). So the numbers whose key is
    // present, plus the first absent one, give exactly the same list.
    std::vector<std::int32_t> present;
    for (const CString& key : profile.GetProfileKeys(Section)) {
        std::int64_t n = 0;
        if (ParseFileKey(key, n) && n < count)
            present.push_back(static_cast<std::int32_t>(n));
    }
    std::sort(present.begin(), present.end());
    present.erase(std::unique(present.begin(), present.end()), present.end());

    auto readEntry = [&](std::int32_t n) {
        WallpaperEntry entry;
        entry.path = profile.GetProfileString(Section, KeyName("File", n), "");
        // The no-wallpaper entry's show state is None whatever is stored.
        entry.showState = entry.path.IsEmpty() ? ShowState::None
                                               : profile.GetProfileInt(Section, KeyName("Showstate", n), ShowState::Tiled);
        entry.priority = profile.GetProfileInt(Section, KeyName("Priority", n), Priority::Normal);
        Add(entry); // a repeated path is skipped: the first occurrence wins
        return entry.path.IsEmpty();
    };

    bool emptyPathRead = false;
    std::int32_t nextNumber = 0;
    for (std::int32_t n : present) {
        if (!emptyPathRead && nextNumber < n)
            emptyPathRead = readEntry(nextNumber); // the first absent number
        emptyPathRead = readEntry(n) || emptyPathRead;
        nextNumber = n + 1;
    }
    if (!emptyPathRead && nextNumber < count)
        readEntry(nextNumber);

    SetFrequency(Priority::Low, profile.GetProfileInt(Section, "FrequencyLow", 1));
    SetFrequency(Priority::Normal, profile.GetProfileInt(Section, "FrequencyNormal", 2));
    SetFrequency(Priority::High, profile.GetProfileInt(Section, "FrequencyHigh", 4));
    SetChangeInterval(profile.GetProfileInt(Section, "ChangeInterval", 0));
}

bool WallpaperSet::Save(Profile& profile) const
{
    // One update, so that the file is replaced once, whole, per save. A
    // value the profile refuses (a path with a line break) fails it all,
    // rather than be dropped while the save reported success.
    return profile.UpdateProfile([this](Profile& target) {
        bool accepted = true;
        std::int32_t n = 0;
        IteratorHolder walk;
        for (Begin(walk); !walk->AtEnd(); walk->Next(), ++n) {
            const WallpaperEntry& entry = walk->Entry();
            accepted &= target.WriteProfileString(Section, KeyName("File", n), entry.path);
            accepted &= target.WriteProfileInt(Section, KeyName("Showstate", n), entry.showState);
            accepted &= target.WriteProfileInt(Section, KeyName("Priority", n), entry.priority);
        }
        // Keys of higher numbers from a longer list stay; the count bounds reading.
        accepted &= target.WriteProfileInt(Section, "NumberOfFiles", n);
        accepted &= target.WriteProfileInt(Section, "FrequencyLow", frequencyLow);
        accepted &= target.WriteProfileInt(Section, "FrequencyNormal", frequencyNormal);
        accepted &= target.WriteProfileInt(Section, "FrequencyHigh", frequencyHigh);
        accepted &= target.WriteProfileInt(Section, "ChangeInterval", changeInterval);
        return accepted;
    });
}
