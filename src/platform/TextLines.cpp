#include "platform/TextLines.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"

namespace TextLines {

QStringList split(std::string_view bytes) {
    QStringList lines;
    std::size_t start = 0;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            lines << CodePage::toUnicode(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) lines << CodePage::toUnicode(bytes.substr(start));
    return lines;
}

std::string join(const QStringList& lines) {
    std::string out;
    for (const QString& line : lines) {
        out += CodePage::fromUnicode(line);
        out += "\r\n";
    }
    return out;
}

QStringList read(const QString& path) { return split(AtomicFile::read(path)); }

void write(const QString& path, const QStringList& lines) { AtomicFile::write(path, join(lines)); }

}  // namespace TextLines
