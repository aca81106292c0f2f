// Trees of entries and nodes: copied, converted and discarded with explicit stacks, so
// that a store nested as deep as a file can hold never exhausts the call stack.

#include "bookmarks/BookmarkStore.h"

#include <QHashFunctions>
#include <utility>

namespace BookmarkStore {
namespace {

// Empties a tree from the bottom up without recursion: every element is moved onto one
// list before it is destroyed, so each destructor finds no children left.
template <typename T, std::vector<T> T::*Children>
void dismantle(std::vector<T>& children) {
    if (children.empty()) return;
    std::vector<T> pending = std::move(children);
    children.clear();
    while (!pending.empty()) {
        T last = std::move(pending.back());
        pending.pop_back();
        std::vector<T>& below = last.*Children;
        for (T& child : below) pending.push_back(std::move(child));
        below.clear();
    }
}

// Copies the children of `from` into `to`, level by level.
template <typename T, std::vector<T> T::*Children, typename Shallow>
void copyBelow(const T& from, T& to, Shallow shallow) {
    std::vector<std::pair<const T*, T*>> work{{&from, &to}};
    while (!work.empty()) {
        const auto [source, target] = work.back();
        work.pop_back();
        const std::vector<T>& src = source->*Children;
        std::vector<T>& dst = target->*Children;
        dst.reserve(src.size());
        for (const T& child : src) dst.push_back(shallow(child));
        // Reserved up front, so these addresses hold while the lower levels are filled.
        for (std::size_t i = 0; i < src.size(); ++i)
            if (!(src[i].*Children).empty()) work.emplace_back(&src[i], &dst[i]);
    }
}

Entry shallowEntry(const Entry& e) {
    Entry copy;
    copy.name = e.name;
    copy.address = e.address;
    copy.folder = e.folder;
    return copy;
}

Node shallowNode(const Node& n) { return Node(n.name, n.value); }

}  // namespace

Entry::~Entry() { dismantle<Entry, &Entry::entries>(entries); }

Entry::Entry(const Entry& other) : name(other.name), address(other.address), folder(other.folder) {
    copyBelow<Entry, &Entry::entries>(other, *this, shallowEntry);
}

Entry& Entry::operator=(const Entry& other) {
    if (this != &other) *this = Entry(other);
    return *this;
}

Node::~Node() { dismantle<Node, &Node::children>(children); }

Node::Node(const Node& other) : name(other.name), value(other.value) {
    copyBelow<Node, &Node::children>(other, *this, shallowNode);
}

Node& Node::operator=(const Node& other) {
    if (this != &other) *this = Node(other);
    return *this;
}

Node nodeOf(const Entry& entry) {
    auto shallow = [](const Entry& e) { return Node(e.name, e.folder ? folderMarker() : e.address); };
    Node top = shallow(entry);
    std::vector<std::pair<const Entry*, Node*>> work{{&entry, &top}};
    while (!work.empty()) {
        const auto [source, target] = work.back();
        work.pop_back();
        target->children.reserve(source->entries.size());
        for (const Entry& child : source->entries) target->children.push_back(shallow(child));
        for (std::size_t i = 0; i < source->entries.size(); ++i)
            if (!source->entries[i].entries.empty()) work.emplace_back(&source->entries[i], &target->children[i]);
    }
    return top;
}

Fingerprint fingerprintOf(const std::string* bytes) {
    Fingerprint f;
    if (!bytes) return f;
    f.exists = true;
    f.size = static_cast<qint64>(bytes->size());
    // A fixed seed: the value is compared within one run only, but it must not depend
    // on the process's random seed to be stable across the run's hashes.
    f.hash = static_cast<quint64>(qHashBits(bytes->data(), bytes->size(), 0));
    return f;
}

}  // namespace BookmarkStore
