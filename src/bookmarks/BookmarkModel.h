#pragma once
// The bookmarks as the program shows them: the store read once per change, with a signal
// for the pictures of it (the Bookmarks menu, the J bar tree, the editor).

#include "bookmarks/BookmarkStore.h"

#include <QObject>
#include <vector>

class BookmarkModel : public QObject {
    Q_OBJECT
public:
    // appPath: the program folder, ending in "/".
    explicit BookmarkModel(const QString& appPath, QObject* parent = nullptr);

    const QString& appPath() const { return appPath_; }
    const std::vector<BookmarkStore::Entry>& entries() const { return entries_; }

    // Reads the store afresh and tells the pictures. A store that cannot be read shows
    // empty, and its problem goes to the error box once per reading.
    void load();
    // Replaces the store with the editor's tree, then reads it back. Throws when the save
    // fails; the store and the pictures are then as they were.
    void save(const std::vector<BookmarkStore::Node>& topLevel);

signals:
    void changed();

private:
    QString appPath_;
    std::vector<BookmarkStore::Entry> entries_;
};
