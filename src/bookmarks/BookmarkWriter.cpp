// Writing the store: the document for the editor's tree, its bytes, and the atomic
// replacement of the file.

#include "bookmarks/BookmarkStore.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace BookmarkStore {
namespace {

// Layout text grows with the depth; past this level it stops growing, so a store nested
// thousands of folders deep is not written as gigabytes of spaces. Readers drop layout
// text, so what the store holds is the same either way.
constexpr int kDeepestLayoutLevel = 32;

// Layout text: a line feed and spaces built from the unit of two.
void layout(QString& out, int units) {
    out += u'\n';
    for (int i = 0; i < units; ++i) out += QLatin1StringView("  ");
}

bool allowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// A control character pasted into a name would be written raw and make the whole store
// unreadable; it becomes a replacement character instead.
QString xmlSafe(const QString& text) {
    bool clean = true;
    for (QChar c : text)
        if (c.unicode() < 0x20 || c.isSurrogate() || c.unicode() >= 0xFFFE) {
            clean = false;
            break;
        }
    if (clean) return text;
    QString safe;
    for (char32_t c : text.toUcs4()) {
        if (!allowedInXml(c)) c = 0xFFFD;
        safe += QString::fromUcs4(&c, 1);
    }
    return safe;
}

// Element text as XML needs it: "&" and "<" always, ">" where it would close "]]>", and
// a carriage return as a reference so that reading it back keeps it.
void appendText(QString& out, const QString& raw) {
    const QString text = xmlSafe(raw);
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case u'<':
            out += QLatin1StringView("&lt;");
            break;
        case u'&':
            out += QLatin1StringView("&amp;");
            break;
        case u'>':
            if (i >= 2 && text[i - 1] == u']' && text[i - 2] == u']') out += QLatin1StringView("&gt;");
            else out += c;
            break;
        case u'\r':
            out += QLatin1StringView("&#xd;");
            break;
        default:
            out += c;
        }
    }
}

void textElement(QString& out, QLatin1StringView tag, const QString& text) {
    out += u'<';
    out += tag;
    out += u'>';
    appendText(out, text);
    out += QLatin1StringView("</");
    out += tag;
    out += u'>';
}

void WriteFileEntry(QString& out, int level, const QString& name, const QString& value) {
    layout(out, level);
    out += QLatin1StringView("<file>");
    layout(out, level + 1);
    textElement(out, QLatin1StringView("name"), name);
    layout(out, level + 1);
    textElement(out, QLatin1StringView("url"), value);
    layout(out, level);
    out += QLatin1StringView("</file>");
}

// Writes the folder's start and name; its entries go in after. Nothing goes before its
// end tag, so the end tag follows the previous one on the same line.
void WriteFolderEntry(QString& out, int level, const QString& name) {
    layout(out, level == 1 ? 1 : level - 1);
    out += QLatin1StringView("<directory>");
    layout(out, level + 1);
    textElement(out, QLatin1StringView("name"), name);
}

// The whole document as text, walked with an explicit stack of the folders being
// written: top-level entries are at level 1, the entries of a folder at depth d at
// level d + 2.
QString documentText(const std::vector<Node>& topLevel) {
    QString out = QStringLiteral("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>");
    struct Frame {
        const std::vector<Node>* nodes;
        std::size_t next;
        int level;
    };
    std::vector<Frame> open{{&topLevel, 0, 1}};
    while (!open.empty()) {
        Frame& frame = open.back();
        if (frame.next == frame.nodes->size()) {
            open.pop_back();
            if (!open.empty()) out += QLatin1StringView("</directory>");
            continue;
        }
        const Node& node = (*frame.nodes)[frame.next++];
        const int level = frame.level;
        if (node.children.empty()) {
            WriteFileEntry(out, level, node.name, node.value);
            continue;
        }
        WriteFolderEntry(out, level, node.name);
        open.push_back({&node.children, 0, std::min(level == 1 ? 3 : level + 1, kDeepestLayoutLevel)});
    }
    out += QLatin1StringView("\n</bookmark>");
    return out;
}

// Shift_JIS bytes of one character, or its numeric character reference when code page
// 932 cannot hold it or would bring back a different character.
std::string encodeChar(char32_t c) {
    const QString one = QString::fromUcs4(&c, 1);
    bool unmappable = false;
    const std::string bytes = CodePage::encode(one, "CP932", [&](char32_t) {
        unmappable = true;
        return std::string();
    });
    if (!unmappable && !bytes.empty() && CodePage::decode(bytes, "CP932") == one) return bytes;
    return "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";";
}

}  // namespace

std::string serialize(const std::vector<Node>& topLevel) {
    const QString text = documentText(topLevel);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(text.size()) + 64);
    static QHash<char32_t, std::string> cache;  // the character set never changes
    const char16_t* p = reinterpret_cast<const char16_t*>(text.utf16());
    const char16_t* end = p + text.size();
    while (p < end) {
        char32_t c = *p++;
        if (c < 0x80) {
            bytes += static_cast<char>(c);
            continue;
        }
        if (QChar::isHighSurrogate(c) && p < end && QChar::isLowSurrogate(*p)) c = QChar::surrogateToUcs4(c, *p++);
        auto it = cache.constFind(c);
        if (it == cache.constEnd()) it = cache.insert(c, encodeChar(c));
        bytes += *it;
    }
    return bytes;
}

QString keepAside(const QString& path, const QString& suffix) {
    for (int n = 1; n < 1000; ++n) {
        const QString copy = path + suffix + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink()) continue;
        // QFile::copy never overwrites: a copy made meanwhile under this name stays.
        if (QFile::copy(path, copy)) return copy;
        break;
    }
    throw TavixError(QStringLiteral("ブックマーク ファイル %1 を別名で残せないため、保存しませんでした").arg(path));
}

SaveResult WriteBookMarkFile(const QString& appPath, const std::vector<Node>& topLevel, const Fingerprint* readFrom) {
    const std::string bytes = serialize(topLevel);
    const QString path = storePath(appPath);
    SaveResult result;
    if (AtomicFile::exists(path)) {
        // A file the readers could not make sense of may still hold the user's
        // bookmarks, and so may a file another program changed after the tree was
        // read: neither is replaced without a copy.
        bool broken = true;
        Fingerprint onDisk{true, -1, 0};
        try {
            const std::optional<std::string> oldBytes = AtomicFile::readIfExists(path);
            onDisk = fingerprintOf(oldBytes ? &*oldBytes : nullptr);
            broken = oldBytes && !wellFormed(*oldBytes);
        } catch (const TavixError&) {
            broken = true;
        }
        result.changedOnDisk = readFrom && onDisk.exists && !(onDisk == *readFrom);
        if (broken || result.changedOnDisk)
            result.keptAside = keepAside(path, broken ? QStringLiteral(".broken") : QStringLiteral(".changed"));
    }
    AtomicFile::write(path, bytes);
    result.written = fingerprintOf(&bytes);
    return result;
}

}  // namespace BookmarkStore
