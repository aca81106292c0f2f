#pragma once
// The bookmark store: bookmark.xml in the program folder, an ordered tree of folders and
// bookmarks. One reader turns the file into entries for the menu, the J bar and the
// editor; one writer turns the editor's tree back into the file.
//
// The file is declared and written as Shift_JIS. A character Shift_JIS cannot hold is
// written as a numeric character reference, so nothing is lost and the file stays
// readable by any XML reader. Entry counts are unbounded: a folder of more than 255
// entries is read and written whole.
//
// Folders nest to any depth. Nothing here recurses on the depth of the file (reading,
// writing, copying and discarding trees all walk with explicit stacks), so a store
// nested 100,000 folders deep costs time and memory in proportion to its size, like a
// flat one.

#include <QString>
#include <QtGlobal>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace BookmarkStore {

// The value folder nodes carry in the J bar and editor trees.
QString folderMarker();

// One entry as the reading rule sees it. Copying and discarding an entry never recurse
// on its depth.
struct Entry {
    QString name;
    QString address;  // bookmarks only
    bool folder = false;
    std::vector<Entry> entries;  // folders only

    Entry() = default;
    Entry(Entry&&) noexcept = default;
    Entry& operator=(Entry&&) noexcept = default;
    Entry(const Entry& other);
    Entry& operator=(const Entry& other);
    ~Entry();
};

// One node of the editor's tree as the writer sees it: the writer decides between
// folder and bookmark by the children alone.
struct Node {
    QString name;
    QString value;
    std::vector<Node> children;

    Node() = default;
    Node(QString name_, QString value_, std::vector<Node> children_ = {})
        : name(std::move(name_)), value(std::move(value_)), children(std::move(children_)) {}
    Node(Node&&) noexcept = default;
    Node& operator=(Node&&) noexcept = default;
    Node(const Node& other);
    Node& operator=(const Node& other);
    ~Node();
};

// The node for an entry and its whole subtree, as the editor would hold it when read
// from the store: a folder's value is the folder marker, a bookmark's its address.
Node nodeOf(const Entry& entry);

// What a file held when it was read, to tell later whether it has changed since: its
// existence, its size and a hash of its bytes.
struct Fingerprint {
    bool exists = false;
    qint64 size = 0;
    quint64 hash = 0;
    bool operator==(const Fingerprint&) const = default;
};
Fingerprint fingerprintOf(const std::string* bytes);

// The outcome of reading the store. A missing store reads as empty without a problem;
// a store that cannot be read or parsed reads as empty with `problem` set to the
// message for the user. `source` tells what the file held.
struct ReadResult {
    std::vector<Entry> entries;
    QString problem;
    bool exists = false;
    Fingerprint source;
};

// The store's file. Letter case matters on Linux, but a store copied from a Windows
// installation may be spelled either way: an existing "bookmark.xml" is preferred, then
// any other spelling of that name (in a stable order); without one, "bookmark.xml".
// Readers and the writer both go through here, so they always address the same file.
QString storePath(const QString& appPath);

// Parses the store's bytes by the reading rule: the declared encoding (Shift_JIS when
// the store is ours) is decoded strictly; whitespace-only text between elements is not
// a node. The root's child nodes are the top-level entries; an entry's first child gives
// its name (an element's text is all the text inside it); an element named exactly
// "directory" is a folder whose entries are its children after the first; any other
// node is a bookmark whose address is the text of its last child. Returns false and
// fills `problem` ("line L, column C: reason") when the bytes are not a well-formed
// document in their encoding. `cancelled`, when given and set meanwhile, stops the parse
// early: it then returns false, and what it filled in means nothing.
bool parse(const std::string& bytes, std::vector<Entry>& entries, QString& problem,
           const std::atomic<bool>* cancelled = nullptr);

// Test hook: runs on the parsing thread every time a cancellable parse looks whether it
// has been cancelled, just before it looks. {} removes it. Set it only while no parse runs.
using CancelCheckHook = std::function<void(const std::atomic<bool>& cancelled)>;
void setCancelCheckHook(CancelCheckHook hook);

// Whether parse() would accept the bytes.
bool wellFormed(const std::string& bytes);

// Reads the store afresh. Never throws, and is safe on any thread. A read whose
// `cancelled` is set before it ends returns a result that means nothing.
ReadResult read(const QString& appPath, const std::atomic<bool>* cancelled = nullptr);

// The bytes of the file for a tree, laid out as the store has always been laid out:
// Shift_JIS, numeric character references for what Shift_JIS cannot hold.
std::string serialize(const std::vector<Node>& topLevel);

// What a save did besides writing the tree.
struct SaveResult {
    Fingerprint written;  // the file as it now stands
    QString keptAside;    // the copy of the file that was replaced, or empty
    bool changedOnDisk = false;  // that file was not the one the tree was read from
};

// Replaces the store with the tree, atomically. The file in place is first copied aside
// (see keepAside) when it cannot be read as a store, and when `readFrom` is given and
// the file no longer holds what the tree was read from (another program changed it):
// a save never drops entries that are on disk and not in the tree without a copy. If
// that copy fails, nothing is written. Throws a TavixError on failure; the old file is
// then unchanged.
SaveResult WriteBookMarkFile(const QString& appPath, const std::vector<Node>& topLevel,
                             const Fingerprint* readFrom = nullptr);

// Copies the file next to itself as "<name><suffix>" (or "<suffix>.2", "<suffix>.3", …:
// an earlier copy is never overwritten) and returns the copy's path. Throws a
// TavixError when no copy could be made.
QString keepAside(const QString& path, const QString& suffix = QStringLiteral(".broken"));

}  // namespace BookmarkStore
