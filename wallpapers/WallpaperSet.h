#pragma once

#include "wallpapers/EntryTree.h"
#include "wallpapers/WallpaperEntry.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>

class Profile;

// The user's list of wallpapers with the three priority weights (frequencies)
// and the change interval: the program's one model object, owned by the tray
// window and edited in place by the configuration pages.
//
// Entries are named by an id given at insertion, unique for the whole run
// (never reused, not reset by Clear or Load); walking the set visits them in
// ascending id order, which is the order in which they were added. No two
// entries have byte-for-byte equal paths.
class WallpaperSet {
public:
    // A walk over the entries in ascending id order. Nothing may change the
    // set while a walk is under way.
    class Iterator {
    public:
        virtual ~Iterator() = default;
        // True past the last entry, and at once for an empty set.
        virtual bool AtEnd() const = 0;
        virtual void Next() = 0;
        virtual std::int32_t Id() const = 0;
        // The current entry in place, valid until the set changes.
        virtual const WallpaperEntry& Entry() const = 0;
    };

    // Owns the caller's iterator: placing a new one deletes the one held
    // before, and the holder deletes its iterator when it goes.
    class IteratorHolder {
    public:
        IteratorHolder() = default;
        explicit IteratorHolder(std::unique_ptr<Iterator> iterator) : held(std::move(iterator)) {}
        IteratorHolder(IteratorHolder&&) noexcept = default;
        IteratorHolder& operator=(IteratorHolder&& other) noexcept
        {
            Reset(std::move(other.held));
            return *this;
        }

        void Reset(std::unique_ptr<Iterator> iterator = nullptr)
        {
            held.reset();
            held = std::move(iterator);
        }
        Iterator* Get() const { return held.get(); }
        Iterator* operator->() const { return held.get(); }
        Iterator& operator*() const { return *held; }
        explicit operator bool() const { return held != nullptr; }

    private:
        std::unique_ptr<Iterator> held;
    };

    // An empty set with frequencies 1, 2, 4 and no timed changes.
    WallpaperSet();
    WallpaperSet(const WallpaperSet&) = delete;
    WallpaperSet& operator=(const WallpaperSet&) = delete;
    ~WallpaperSet() = default;

    // Inserts a copy of the entry under a new id, unless an entry with the
    // same path exists: then false, the set is unchanged, and `outId` (when
    // given) receives the existing entry's id.
    bool Add(const WallpaperEntry& entry, std::int32_t* outId = nullptr);
    // An id that is not in the set changes nothing.
    void Remove(std::int32_t id);
    // Overwrites path, show state and priority; the path is not checked
    // against the other entries.
    void Update(std::int32_t id, const WallpaperEntry& entry);
    // Copies the entry out; for an unknown id `out` is left as it was.
    void Get(std::int32_t id, WallpaperEntry& out);
    // Removes every entry; ids and options are kept.
    void Clear();
    std::int32_t GetCount() const { return entries.Count(); }

    // Places an iterator at the first entry into the holder, and returns it.
    Iterator& Begin(IteratorHolder& holder) const;

    // A weight of 0 or less becomes 1; priorities outside Low..High store
    // nothing. Returns the weight after that adjustment.
    std::int32_t SetFrequency(std::int32_t priority, std::int32_t weight);
    // The weight of a priority: 1 for any value outside Low..High.
    std::int32_t GetFrequency(std::int32_t priority) const;
    // Minutes between timed changes, 0 for none; negative values become 0.
    void SetChangeInterval(std::int32_t minutes);
    std::int32_t GetChangeInterval() const { return changeInterval; }

    // Replaces entries and options by the profile's section "WallpaperList";
    // missing keys read as their defaults.
    void Load(Profile& profile);
    // Writes the section in one profile update; false when the profile refused
    // a value or could not store them. The set is left as it was either way.
    bool Save(Profile& profile) const;
#ifdef _WIN32
    // The same through the application object's profile.
    void Load();
    bool Save() const;
#endif

    // Chooses an entry at random, weighted by the frequencies of the
    // priorities: r is drawn from 0 to the sum of the weights - 1, each
    // number equally likely (ChoiceRandom), and names the entry whose run it
    // falls in. False, with `out` untouched and nothing drawn, for an empty
    // set.
    bool PickRandom(WallpaperEntry& out) const;
    // The entry of a given r: each entry's run is as many numbers as its
    // weight, the runs laid out in id order from 0. False, with `out`
    // untouched, for an r outside 0 to the sum - 1.
    bool PickAt(std::int64_t r, WallpaperEntry& out) const;

    // For tests of the tree's shape.
    const EntryTree& Tree() const { return entries; }

private:
    std::int64_t WeightSum() const;
    static std::size_t PathHash(const CString& path) { return std::hash<std::string>{}(path.str()); }
    void Unindex(const CString& path, std::int32_t id);

    EntryTree entries;
    // Every entry's id under the hash of its path, kept in step with the
    // tree, so that Add finds a duplicate without walking the list: a walk
    // made loading n entries cost n * n / 2 comparisons (seconds for 10,000).
    // Hashes, not copies of the paths, to keep the resident program small;
    // Add compares the paths of the few entries a hash names. Two entries
    // have one path only after Update gave one the other's; Add then reports
    // the smaller id, the one a walk in id order would meet first.
    std::unordered_multimap<std::size_t, std::int32_t> idsByPath;
    std::int32_t nextId = 1;
    std::int32_t frequencyLow = 1;
    std::int32_t frequencyNormal = 2;
    std::int32_t frequencyHigh = 4;
    std::int32_t changeInterval = 0;
};
