#include "platform/TextLines.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace TextLines {
namespace {

template <typename Decode>
QStringList splitWith(std::string_view bytes, Decode decode) {
    QStringList lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines << decode(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines << decode(bytes.substr(start));
    return lines;
}

template <typename Encode>
std::string joinWith(const QStringList& lines, Encode encode) {
    std::string out;
    for (const QString& line : lines) {
        out += encode(line);
        out += "\r\n";
    }
    return out;
}

}  // namespace

QStringList split(std::string_view bytes) { return splitWith(bytes, CodePage::toUnicode); }

std::string join(const QStringList& lines) { return joinWith(lines, CodePage::fromUnicode); }

QStringList splitLossless(std::string_view bytes) { return splitWith(bytes, CodePage::toUnicodeLossless); }

std::string joinLossless(const QStringList& lines) { return joinWith(lines, CodePage::fromUnicodeLossless); }

QStringList read(const QString& path) { return split(AtomicFile::read(path)); }

QStringList readLossless(const QString& path) { return splitLossless(AtomicFile::read(path)); }

void write(const QString& path, const QStringList& lines) { AtomicFile::write(path, join(lines)); }

void writeLossless(const QString& path, const QStringList& lines) { AtomicFile::write(path, joinLossless(lines)); }

}  // namespace TextLines
