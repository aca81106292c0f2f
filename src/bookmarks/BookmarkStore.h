#pragma once
// The bookmark store: bookmark.xml in the program folder, an ordered tree of folders and
// bookmarks. One reader turns the file into entries for the menu, the J bar and the
// editor; one writer turns the editor's tree back into the file.
//
// The file is declared and written as Shift_JIS. A character Shift_JIS cannot hold is
// written as a numeric character reference, so nothing is lost and the file stays
// readable by any XML reader. Entry counts are unbounded: a folder of more than 255
// entries is read and written whole.

#include <QDomDocument>
#include <QString>
#include <string>
#include <vector>

namespace BookmarkStore {

// The value folder nodes carry in the J bar and editor trees.
QString folderMarker();

// One entry as the reading rule sees it.
struct Entry {
    QString name;
    QString address;  // bookmarks only
    bool folder = false;
    std::vector<Entry> entries;  // folders only
};

// One node of the editor's tree as the writer sees it: the writer decides between
// folder and bookmark by the children alone.
struct Node {
    QString name;
    QString value;
    std::vector<Node> children;
};

// The outcome of reading the store. A missing store reads as empty without a problem;
// a store that cannot be read or parsed reads as empty with `problem` set to the
// message for the user.
struct ReadResult {
    std::vector<Entry> entries;
    QString problem;
    bool exists = false;
};

// The store's file. Letter case matters on Linux, but a store copied from a Windows
// installation may be spelled either way: an existing "bookmark.xml" is preferred, then
// any other spelling of that name (in a stable order); without one, "bookmark.xml".
// Readers and the writer both go through here, so they always address the same file.
QString storePath(const QString& appPath);

// Parses the store's bytes: the declared encoding (Shift_JIS when the store is ours) is
// decoded strictly. Returns false and fills `problem` ("line L, column C: reason") when
// the bytes are not a well-formed document in their encoding.
bool parse(const std::string& bytes, QDomDocument& document, QString& problem);

// Whether parse() would accept the bytes, without building the document.
bool wellFormed(const std::string& bytes);

// The reading rule: the root's child nodes are the top-level entries; an entry's first
// child gives its name; an element named exactly "directory" is a folder whose entries
// are its children after the first; anything else is a bookmark whose address is the
// text of its last child.
std::vector<Entry> entriesOf(const QDomDocument& document);

// Reads the store afresh. Never throws.
ReadResult read(const QString& appPath);

// The document for a tree, laid out as the store has always been laid out.
QDomDocument buildDocument(const std::vector<Node>& topLevel);

// The document as the bytes of the file: Shift_JIS, numeric character references for
// what Shift_JIS cannot hold.
std::string serialize(const QDomDocument& document);

// Replaces the store with the tree, atomically. When the file in place cannot be read
// as a store, it is first copied aside (see keepAside); if that copy fails, nothing is
// written. Throws a TavixError on failure; the old file is then unchanged.
void WriteBookMarkFile(const QString& appPath, const std::vector<Node>& topLevel);

// Copies the file next to itself as "<name>.broken" (or ".broken.2", ".broken.3", …:
// an earlier copy is never overwritten) and returns the copy's path. Throws a
// TavixError when no copy could be made.
QString keepAside(const QString& path);

}  // namespace BookmarkStore
