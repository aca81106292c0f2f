#include "bookmarks/BookmarkModel.h"

#include "platform/ErrorBox.h"

#include <QPromise>
#include <exception>
#include <pthread.h>

namespace {

constexpr const char* kWorkerName = "bookmark read";

// A reading of a store that could not be read at all: it shows empty with the reason,
// and a save keeps the file aside, as for any file that cannot be read.
BookmarkModel::Reading failedReading(const QString& appPath, const QString& reason) {
    auto failed = std::make_shared<BookmarkStore::ReadResult>();
    failed->exists = true;
    failed->source = {true, -1, 0};
    failed->problem = QStringLiteral("ブックマーク ファイル %1 を読み込めません。%2").arg(BookmarkStore::storePath(appPath), reason);
    return failed;
}

// The worker's whole job. It touches nothing but the file and its own result, so the
// model may go away while it runs (the model then stops it and waits).
BookmarkModel::Reading readInBackground(const QString& appPath, const std::atomic<bool>* cancelled) {
    try {
        return std::make_shared<const BookmarkStore::ReadResult>(BookmarkStore::read(appPath, cancelled));
    } catch (const std::exception& e) {
        // Out of memory on a huge file, say.
        return failedReading(appPath, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        return failedReading(appPath, QString());
    }
}

}  // namespace

BookmarkModel::BookmarkModel(const QString& appPath, QObject* parent)
    : QObject(parent), appPath_(appPath), reading_(std::make_shared<BookmarkStore::ReadResult>()) {
    workers_.setMaxThreadCount(1);
    connect(&watcher_, &QFutureWatcherBase::finished, this, [this] { takeFinishedLoad(); });
}

BookmarkModel::~BookmarkModel() {
    cancelPending();
    workers_.waitForDone();
}

void BookmarkModel::cancelPending() {
    if (pending_) pending_->cancelled->store(true);
    pending_.reset();
}

void BookmarkModel::load() {
    cancelPending();
    auto promise = std::make_shared<QPromise<Reading>>();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    pending_ = std::make_unique<Pending>(Pending{promise->future(), cancelled});
    promise->start();
    watcher_.setFuture(pending_->result);
    workers_.start([promise, cancelled, appPath = appPath_] {
        // Named so that it can be told apart in a debugger or a list of threads.
        ::pthread_setname_np(::pthread_self(), kWorkerName);
        if (!cancelled->load()) promise->addResult(readInBackground(appPath, cancelled.get()));
        promise->finish();
    });
}

void BookmarkModel::waitForLoad() {
    if (!pending_) return;
    pending_->result.waitForFinished();
    takeFinishedLoad();
}

void BookmarkModel::takeFinishedLoad() {
    // A report may come from a load that was superseded or already taken over by
    // waitForLoad(): only the pending one, once finished, counts.
    if (!pending_ || !pending_->result.isFinished()) return;
    const bool hasResult = pending_->result.resultCount() > 0;
    Reading result = hasResult ? pending_->result.result() : Reading();
    pending_.reset();
    if (!result) return;
    reading_ = std::move(result);
    hasReading_ = true;
    if (!reading_->problem.isEmpty()) ErrorBox::show(reading_->problem);
    emit changed();
}

BookmarkStore::SaveResult BookmarkModel::save(const std::vector<BookmarkStore::Node>& topLevel,
                                              const BookmarkStore::Fingerprint* readFrom) {
    BookmarkStore::SaveResult saved = BookmarkStore::WriteBookMarkFile(appPath_, topLevel, readFrom);
    load();
    if (saved.changedOnDisk)
        ErrorBox::show(QStringLiteral("ブックマーク ファイル %1 は、編集中のブックマークを読み込んだ後に変更されていました。"
                                      "変更されていたファイルを %2 として残し、編集したブックマークを保存しました。")
                           .arg(BookmarkStore::storePath(appPath_), saved.keptAside));
    return saved;
}
