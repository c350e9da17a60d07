#include "wallpapers/EntryTree.h"

#include <utility>

EntryTree::Index EntryTree::NewNode(std::int32_t id, const WallpaperEntry& entry, Index parent)
{
    Index node;
    if (!freeNodes.empty()) {
        node = freeNodes.back();
        freeNodes.pop_back();
    } else {
        node = static_cast<Index>(nodes.size());
        nodes.emplace_back();
    }
    At(node) = Node{id, entry, parent, Nil, Nil};
    ++count;
    return node;
}

void EntryTree::FreeNode(Index node)
{
    // Hand the path's memory back now rather than when the slot is reused.
    At(node) = Node{};
    freeNodes.push_back(node);
    --count;
    if (count == 0)
        Clear();
}

void EntryTree::RotateUp(Index x)
{
    const Index p = At(x).parent;
    const Index g = At(p).parent;
    if (At(p).left == x) {
        const Index b = At(x).right;
        At(p).left = b;
        if (b != Nil)
            At(b).parent = p;
        At(x).right = p;
    } else {
        const Index b = At(x).left;
        At(p).right = b;
        if (b != Nil)
            At(b).parent = p;
        At(x).left = p;
    }
    At(p).parent = x;
    At(x).parent = g;
    if (g == Nil)
        root = x;
    else if (At(g).left == p)
        At(g).left = x;
    else
        At(g).right = x;
}

void EntryTree::Splay(Index x)
{
    while (At(x).parent != Nil) {
        const Index p = At(x).parent;
        const Index g = At(p).parent;
        if (g == Nil) {
            RotateUp(x);
        } else if ((At(g).left == p) == (At(p).left == x)) {
            RotateUp(p); // zig-zig: the parent first, which is what halves deep paths
            RotateUp(x);
        } else {
            RotateUp(x); // zig-zag
            RotateUp(x);
        }
    }
}

EntryTree::Index EntryTree::Descend(std::int32_t id) const
{
    Index node = root;
    Index last = Nil;
    while (node != Nil) {
        last = node;
        if (id == At(node).id)
            return node;
        node = id < At(node).id ? At(node).left : At(node).right;
    }
    return last;
}

bool EntryTree::Insert(std::int32_t id, const WallpaperEntry& entry)
{
    const Index reached = Descend(id);
    if (reached == Nil) {
        root = NewNode(id, entry, Nil);
        return true;
    }
    if (At(reached).id == id) {
        Splay(reached);
        return false;
    }
    const Index node = NewNode(id, entry, reached);
    if (id < At(reached).id)
        At(reached).left = node;
    else
        At(reached).right = node;
    Splay(node);
    return true;
}

WallpaperEntry* EntryTree::Find(std::int32_t id)
{
    const Index reached = Descend(id);
    if (reached == Nil)
        return nullptr;
    Splay(reached);
    return At(reached).id == id ? &At(reached).entry : nullptr;
}

bool EntryTree::Remove(std::int32_t id)
{
    if (!Find(id))
        return false;
    const Index gone = root;
    const Index left = At(gone).left;
    const Index right = At(gone).right;
    if (left == Nil) {
        root = right;
        if (right != Nil)
            At(right).parent = Nil;
    } else {
        // The largest node of the left subtree, splayed to its top, has no
        // right child: the right subtree hangs there.
        At(left).parent = Nil;
        root = left;
        Index largest = left;
        while (At(largest).right != Nil)
            largest = At(largest).right;
        Splay(largest);
        At(largest).right = right;
        if (right != Nil)
            At(right).parent = largest;
    }
    FreeNode(gone);
    return true;
}

void EntryTree::Clear()
{
    // The nodes are flat in the vector: freeing them does not recurse.
    nodes.clear();
    freeNodes.clear();
    root = Nil;
    count = 0;
}

EntryTree::Index EntryTree::First() const
{
    Index node = root;
    if (node == Nil)
        return Nil;
    while (At(node).left != Nil)
        node = At(node).left;
    return node;
}

EntryTree::Index EntryTree::Next(Index node) const
{
    if (At(node).right != Nil) {
        node = At(node).right;
        while (At(node).left != Nil)
            node = At(node).left;
        return node;
    }
    // Climb until arriving from a left child: that parent is the successor.
    Index parent = At(node).parent;
    while (parent != Nil && At(parent).right == node) {
        node = parent;
        parent = At(node).parent;
    }
    return parent;
}

std::int32_t EntryTree::Height() const
{
    // Depth-first with an explicit stack of (node, depth).
    std::int32_t height = 0;
    std::vector<std::pair<Index, std::int32_t>> pending;
    if (root != Nil)
        pending.emplace_back(root, 1);
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        height = depth > height ? depth : height;
        if (At(node).left != Nil)
            pending.emplace_back(At(node).left, depth + 1);
        if (At(node).right != Nil)
            pending.emplace_back(At(node).right, depth + 1);
    }
    return height;
}

bool EntryTree::IsConsistent() const
{
    if (root != Nil && At(root).parent != Nil)
        return false;
    std::int32_t seen = 0;
    bool havePrevious = false;
    std::int32_t previous = 0;
    for (Index node = First(); node != Nil; node = Next(node)) {
        const Node& n = At(node);
        if (havePrevious && n.id <= previous)
            return false;
        if ((n.left != Nil && At(n.left).parent != node) || (n.right != Nil && At(n.right).parent != node))
            return false;
        previous = n.id;
        havePrevious = true;
        if (++seen > count)
            return false;
    }
    return seen == count;
}
