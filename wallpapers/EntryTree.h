#pragma once

#include "wallpapers/WallpaperEntry.h"

#include <cstdint>
#include <vector>

// The set's ordered map from entry id to entry: a splay tree. Inserting and
// looking up an id rotate the node reached to the root, so the entries the
// Wallpapers page works on stay near the top.
//
// Nodes live in one vector and are linked by index, with parent links, so
// that nothing here recurses on the depth of the tree: ids arrive in
// ascending order, which builds a path as deep as the list is long, and
// neither the walk nor Clear nor destruction may need stack for that.
class EntryTree {
public:
    using Index = std::int32_t;
    static constexpr Index Nil = -1;

    // False, changing nothing, if the id is already present.
    bool Insert(std::int32_t id, const WallpaperEntry& entry);
    // The entry with this id, or null; splays the last node reached.
    WallpaperEntry* Find(std::int32_t id);
    // False if the id is not present.
    bool Remove(std::int32_t id);
    void Clear();

    std::int32_t Count() const { return count; }

    // In-order walk without splaying: First, then Next until Nil. Each step
    // is constant time amortised over a whole walk. A walk stays correct when
    // lookups reshape the tree between its steps, since the successor is
    // found from the current shape; it must not outlive a Remove of its node.
    Index First() const;
    Index Next(Index node) const;
    std::int32_t IdAt(Index node) const { return nodes[static_cast<std::size_t>(node)].id; }
    const WallpaperEntry& EntryAt(Index node) const { return nodes[static_cast<std::size_t>(node)].entry; }

    // For tests: the number of nodes on the longest path from the root, and
    // the id at the root (0 for an empty tree). Iterative.
    std::int32_t Height() const;
    std::int32_t RootId() const { return root == Nil ? 0 : IdAt(root); }
    // For tests: whether the links, the order and the count agree.
    bool IsConsistent() const;

private:
    struct Node {
        std::int32_t id = 0;
        WallpaperEntry entry;
        Index parent = Nil;
        Index left = Nil;
        Index right = Nil;
    };

    Node& At(Index node) { return nodes[static_cast<std::size_t>(node)]; }
    const Node& At(Index node) const { return nodes[static_cast<std::size_t>(node)]; }
    Index NewNode(std::int32_t id, const WallpaperEntry& entry, Index parent);
    void FreeNode(Index node);
    void RotateUp(Index node);
    void Splay(Index node);
    // The node with this id, or the last node on the way to where it would be.
    Index Descend(std::int32_t id) const;

    std::vector<Node> nodes;
    std::vector<Index> freeNodes;
    Index root = Nil;
    std::int32_t count = 0;
};
