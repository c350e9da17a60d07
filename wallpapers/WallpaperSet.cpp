#include "wallpapers/WallpaperSet.h"

namespace {

class TreeIterator final : public WallpaperSet::Iterator {
public:
    explicit TreeIterator(const EntryTree& tree) : tree(tree), node(tree.First()) {}

    bool AtEnd() const override { return node == EntryTree::Nil; }
    void Next() override
    {
        if (node != EntryTree::Nil)
            node = tree.Next(node);
    }
    std::int32_t Id() const override { return tree.IdAt(node); }
    const WallpaperEntry& Entry() const override { return tree.EntryAt(node); }

private:
    const EntryTree& tree;
    EntryTree::Index node;
};

} // namespace

WallpaperSet::WallpaperSet() = default;

bool WallpaperSet::Add(const WallpaperEntry& entry, std::int32_t* outId)
{
    // Byte-wise equality, as letter case can matter to the file system.
    const std::size_t hash = PathHash(entry.path);
    const auto [first, last] = idsByPath.equal_range(hash);
    bool found = false;
    std::int32_t existing = 0;
    for (auto it = first; it != last; ++it) {
        const WallpaperEntry* candidate = entries.Find(it->second);
        if (candidate && candidate->path == entry.path && (!found || it->second < existing)) {
            existing = it->second;
            found = true;
        }
    }
    if (found) {
        if (outId)
            *outId = existing;
        return false;
    }
    const std::int32_t id = nextId;
    entries.Insert(id, entry);
    idsByPath.emplace(hash, id);
    if (outId)
        *outId = id;
    ++nextId;
    return true;
}

void WallpaperSet::Unindex(const CString& path, std::int32_t id)
{
    const auto [first, last] = idsByPath.equal_range(PathHash(path));
    for (auto it = first; it != last; ++it) {
        if (it->second == id) {
            idsByPath.erase(it);
            return;
        }
    }
}

void WallpaperSet::Remove(std::int32_t id)
{
    if (const WallpaperEntry* found = entries.Find(id)) {
        Unindex(found->path, id);
        entries.Remove(id);
    }
}

void WallpaperSet::Update(std::int32_t id, const WallpaperEntry& entry)
{
    if (WallpaperEntry* found = entries.Find(id)) {
        if (found->path != entry.path) {
            Unindex(found->path, id);
            idsByPath.emplace(PathHash(entry.path), id);
        }
        *found = entry;
    }
}

void WallpaperSet::Get(std::int32_t id, WallpaperEntry& out)
{
    if (const WallpaperEntry* found = entries.Find(id))
        out = *found;
}

void WallpaperSet::Clear()
{
    entries.Clear();
    idsByPath.clear();
}

WallpaperSet::Iterator& WallpaperSet::Begin(IteratorHolder& holder) const
{
    holder.Reset();
    holder.Reset(std::make_unique<TreeIterator>(entries));
    return *holder;
}

std::int32_t WallpaperSet::SetFrequency(std::int32_t priority, std::int32_t weight)
{
    if (weight <= 0)
        weight = 1;
    switch (priority) {
    case Priority::Low: frequencyLow = weight; break;
    case Priority::Normal: frequencyNormal = weight; break;
    case Priority::High: frequencyHigh = weight; break;
    default: break;
    }
    return weight;
}

std::int32_t WallpaperSet::GetFrequency(std::int32_t priority) const
{
    switch (priority) {
    case Priority::Low: return frequencyLow;
    case Priority::Normal: return frequencyNormal;
    case Priority::High: return frequencyHigh;
    default: return 1;
    }
}

void WallpaperSet::SetChangeInterval(std::int32_t minutes)
{
    changeInterval = minutes < 0 ? 0 : minutes;
}
