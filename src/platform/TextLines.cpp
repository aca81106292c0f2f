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

ListFile splitList(std::string_view bytes) {
    ListFile list;
    list.charset = CodePage::listFileCharset(bytes);
    list.lines = splitWith(bytes, [&](std::string_view line) { return CodePage::decodeLossless(line, list.charset); });
    return list;
}

std::string joinList(const ListFile& list) {
    const std::string charset = list.charset.empty() ? CodePage::ansiName() : list.charset;
    return joinWith(list.lines, [&](const QString& line) { return CodePage::encodeLossless(line, charset); });
}

QStringList read(const QString& path) { return split(AtomicFile::read(path)); }

ListFile readList(const QString& path) { return splitList(AtomicFile::read(path)); }

void write(const QString& path, const QStringList& lines) { AtomicFile::write(path, join(lines)); }

void writeList(const QString& path, const ListFile& list) { AtomicFile::write(path, joinList(list)); }

QStringList editorLines(const QString& text) {
    QStringList lines;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c != u'\r' && c != u'\n' && c != 0x2028 && c != 0x2029) continue;
        lines << text.mid(start, i - start);
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines << text.mid(start);
    return lines;
}

}  // namespace TextLines
