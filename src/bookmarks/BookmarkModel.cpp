#include "bookmarks/BookmarkModel.h"

#include "platform/ErrorBox.h"

BookmarkModel::BookmarkModel(const QString& appPath, QObject* parent) : QObject(parent), appPath_(appPath) {}

void BookmarkModel::load() {
    BookmarkStore::ReadResult result = BookmarkStore::read(appPath_);
    entries_ = std::move(result.entries);
    if (!result.problem.isEmpty()) ErrorBox::show(result.problem);
    emit changed();
}

void BookmarkModel::save(const std::vector<BookmarkStore::Node>& topLevel) {
    BookmarkStore::WriteBookMarkFile(appPath_, topLevel);
    load();
}
