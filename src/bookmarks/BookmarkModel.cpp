#include "bookmarks/BookmarkModel.h"

#include "platform/ErrorBox.h"

BookmarkModel::BookmarkModel(const QString& appPath, QObject* parent)
    : QObject(parent), appPath_(appPath), reading_(std::make_shared<BookmarkStore::ReadResult>()) {}

void BookmarkModel::load() {
    auto result = std::make_shared<BookmarkStore::ReadResult>(BookmarkStore::read(appPath_));
    reading_ = result;
    if (!result->problem.isEmpty()) ErrorBox::show(result->problem);
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
