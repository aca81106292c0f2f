#pragma once
// The bookmarks as the program shows them: the store read once per change, with a signal
// for the pictures of it (the Bookmarks menu, the J bar tree, the editor).
//
// A store of many megabytes takes a noticeable time to parse, so it is read on a worker
// thread and the finished reading is taken over on this object's thread. Until a load is
// done the model holds the reading it had before (at first an empty one, which stands for
// "not read yet", never for an empty store): what must act on the file's content asks
// loading() and, if need be, waits with waitForLoad().

#include "bookmarks/BookmarkStore.h"

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>
#include <QThreadPool>
#include <atomic>
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
    // Stops a pending load and waits for its worker: nothing runs on after the model.
    ~BookmarkModel() override;

    const QString& appPath() const { return appPath_; }
    const std::vector<BookmarkStore::Entry>& entries() const { return reading_->entries; }
    const Reading& reading() const { return reading_; }

    // Starts reading the store afresh and returns at once. When the reading is done it
    // becomes the model's, and the pictures are told; a store that cannot be read shows
    // empty, and its problem goes to the error box once per reading. A load started
    // while another is pending supersedes it: the older reading is never taken over.
    void load();
    // Whether a load has been started and not yet taken over.
    bool loading() const { return pending_ != nullptr; }
    // Whether a load has been taken over, so that reading() is what the file held when
    // it was last read (and not the empty stand-in of a model that never read it).
    bool hasReading() const { return hasReading_; }
    // Whether the pending load's worker is done, its reading waiting for this object's
    // thread (or waitForLoad()) to take it over.
    bool loadDone() const { return pending_ && pending_->result.isFinished(); }
    // Takes over the pending load now, waiting for its worker if it is still reading.
    // Does nothing when no load is pending.
    void waitForLoad();
    // Replaces the store with the editor's tree, then reads it back (in the background,
    // as load()). `readFrom` is what the file held when the tree was read: a file changed
    // since then is kept aside before it is replaced, and the user is told where. Throws
    // when the save fails; the store and the pictures are then as they were.
    BookmarkStore::SaveResult save(const std::vector<BookmarkStore::Node>& topLevel,
                                   const BookmarkStore::Fingerprint* readFrom = nullptr);

signals:
    void changed();

private:
    struct Pending {
        QFuture<Reading> result;
        std::shared_ptr<std::atomic<bool>> cancelled;
    };

    // Takes over the pending load if its worker has finished.
    void takeFinishedLoad();
    void cancelPending();

    QString appPath_;
    Reading reading_;
    bool hasReading_ = false;
    std::unique_ptr<Pending> pending_;
    // One worker: a superseded load stops at once, so the newest waits behind it only
    // for a moment.
    QThreadPool workers_;
    QFutureWatcher<Reading> watcher_;
};
