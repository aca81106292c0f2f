#include "settings/CloseUrlList.h"

#include "platform/TextLines.h"

CloseUrlList::CloseUrlList(const QString& appPath) : path_(appPath + QStringLiteral("CloseURL.txt")) {}

bool CloseUrlList::contains(const QString& address) const { return lines().contains(address); }

void CloseUrlList::append(const QString& address) {
    QStringList all = lines();
    all << address;
    replace(all);
}

QStringList CloseUrlList::lines() const { return TextLines::read(path_); }

void CloseUrlList::replace(const QStringList& lines) { TextLines::write(path_, lines); }
