#pragma once
// The bookmarks as the program shows them: the store read once per change, with a signal
// for the pictures of it (the Bookmarks menu, the J bar tree, the editor).

#include "bookmarks/BookmarkStore.h"

#include <QObject>
#include <memory>
#include <vector>

class BookmarkModel : public QObject {
    Q_OBJECT
public:
    // One reading of the store. The pictures build their nodes from it as they are
    // opened, so they hold on to the reading they were built from (the editor keeps its
    // own for as long as it lives).
    using Reading = std::shared_ptr<const BookmarkStore::ReadResult>;

    // appPath: the program folder, ending in "/".
    explicit BookmarkModel(const QString& appPath, QObject* parent = nullptr);

    const QString& appPath() const { return appPath_; }
    const std::vector<BookmarkStore::Entry>& entries() const { return reading_->entries; }
    const Reading& reading() const { return reading_; }

    // Reads the store afresh and tells the pictures. A store that cannot be read shows
    // empty, and its problem goes to the error box once per reading.
    void load();
    // Replaces the store with the editor's tree, then reads it back. `readFrom` is what
    // the file held when the tree was read: a file changed since then is kept aside
    // before it is replaced, and the user is told where. Throws when the save fails; the
    // store and the pictures are then as they were.
    BookmarkStore::SaveResult save(const std::vector<BookmarkStore::Node>& topLevel,
                                   const BookmarkStore::Fingerprint* readFrom = nullptr);

signals:
    void changed();

private:
    QString appPath_;
    Reading reading_;
};
