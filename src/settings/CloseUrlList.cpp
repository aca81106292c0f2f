#include "settings/CloseUrlList.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/TextLines.h"

CloseUrlList::CloseUrlList(const QString& appPath) : path_(appPath + QStringLiteral("CloseURL.txt")) {}

bool CloseUrlList::contains(const QString& address) const { return lines().contains(address); }

void CloseUrlList::append(const QString& address) {
    // Only the new line is ours to encode; the rest goes back untouched.
    std::string bytes = AtomicFile::readIfExists(path_).value_or(std::string());
    if (!bytes.empty() && bytes.back() != '\n' && bytes.back() != '\r') bytes += "\r\n";
    // The address comes from a page: the lossy encoder keeps its stray surrogates from
    // turning into raw bytes.
    bytes += CodePage::fromUnicode(address);
    bytes += "\r\n";
    AtomicFile::write(path_, bytes);
}

QStringList CloseUrlList::lines() const { return TextLines::readLossless(path_); }

void CloseUrlList::replace(const QStringList& lines) { TextLines::writeLossless(path_, lines); }
