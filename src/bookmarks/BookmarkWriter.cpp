// Writing the store: the document for the editor's tree, its bytes, and the atomic
// replacement of the file.

#include "bookmarks/BookmarkStore.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace BookmarkStore {
namespace {

// Layout text: a line feed and spaces built from the unit of two.
QString layout(int units) {
    QString text(QStringLiteral("\n"));
    for (int i = 0; i < units; ++i) text += QStringLiteral("  ");
    return text;
}

bool allowedInXml(char32_t c) {
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

// A control character pasted into a name would be written raw and make the whole store
// unreadable; it becomes a replacement character instead.
QString xmlSafe(const QString& text) {
    bool clean = true;
    for (char32_t c : text.toUcs4())
        if (!allowedInXml(c)) {
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

QDomElement textElement(QDomDocument& document, const QString& tag, const QString& text) {
    QDomElement element = document.createElement(tag);
    element.appendChild(document.createTextNode(xmlSafe(text)));
    return element;
}

void WriteFileEntry(QDomDocument& document, QDomElement& parent, int level, const QString& name,
                    const QString& value) {
    parent.appendChild(document.createTextNode(layout(level)));
    QDomElement file = document.createElement(QStringLiteral("file"));
    parent.appendChild(file);
    file.appendChild(document.createTextNode(layout(level + 1)));
    file.appendChild(textElement(document, QStringLiteral("name"), name));
    file.appendChild(document.createTextNode(layout(level + 1)));
    file.appendChild(textElement(document, QStringLiteral("url"), value));
    file.appendChild(document.createTextNode(layout(level)));
}

// Appends the folder's start and name; its entries go in after. Nothing goes before its
// end tag, so the end tag follows the previous one on the same line.
QDomElement WriteFolderEntry(QDomDocument& document, QDomElement& parent, int level, const QString& name) {
    parent.appendChild(document.createTextNode(layout(level == 1 ? 1 : level - 1)));
    QDomElement directory = document.createElement(QStringLiteral("directory"));
    parent.appendChild(directory);
    directory.appendChild(document.createTextNode(layout(level + 1)));
    directory.appendChild(textElement(document, QStringLiteral("name"), name));
    return directory;
}

void WriteEntries(QDomDocument& document, const std::vector<Node>& nodes, QDomElement& parent, int depth) {
    const int level = depth + 2;
    for (const Node& node : nodes) {
        if (!node.children.empty()) {
            QDomElement folder = WriteFolderEntry(document, parent, level, node.name);
            WriteEntries(document, node.children, folder, depth + 1);
        } else {
            WriteFileEntry(document, parent, level, node.name, node.value);
        }
    }
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

QDomDocument buildDocument(const std::vector<Node>& topLevel) {
    QDomDocument document;
    document.appendChild(document.createProcessingInstruction(QStringLiteral("xml"),
                                                              QStringLiteral("version=\"1.0\" encoding=\"Shift_JIS\"")));
    QDomElement root = document.createElement(QStringLiteral("bookmark"));
    document.appendChild(root);
    for (const Node& node : topLevel) {
        if (!node.children.empty()) {
            QDomElement folder = WriteFolderEntry(document, root, 1, node.name);
            WriteEntries(document, node.children, folder, 1);
        } else {
            WriteFileEntry(document, root, 1, node.name, node.value);
        }
    }
    root.appendChild(document.createTextNode(QStringLiteral("\n")));
    return document;
}

std::string serialize(const QDomDocument& document) {
    // Node by node: the document's own save would try (and fail) to encode for the
    // declaration itself; the encoding is ours to do.
    QString text;
    {
        QTextStream stream(&text);
        for (QDomNode node = document.firstChild(); !node.isNull(); node = node.nextSibling()) node.save(stream, -1);
    }
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

QString keepAside(const QString& path) {
    for (int n = 1; n < 1000; ++n) {
        const QString copy = path + QStringLiteral(".broken") + (n == 1 ? QString() : QStringLiteral(".%1").arg(n));
        if (QFileInfo::exists(copy) || QFileInfo(copy).isSymLink()) continue;
        // QFile::copy never overwrites: a copy made meanwhile under this name stays.
        if (QFile::copy(path, copy)) return copy;
        break;
    }
    throw TavixError(QStringLiteral("壊れたブックマーク ファイル %1 を別名で残せないため、保存しませんでした").arg(path));
}

void WriteBookMarkFile(const QString& appPath, const std::vector<Node>& topLevel) {
    const std::string bytes = serialize(buildDocument(topLevel));
    const QString path = storePath(appPath);
    if (AtomicFile::exists(path)) {
        // A file the readers could not make sense of may still hold the user's
        // bookmarks: it is never replaced without a copy.
        bool broken = true;
        try {
            if (auto oldBytes = AtomicFile::readIfExists(path)) broken = !wellFormed(*oldBytes);
            else broken = false;
        } catch (const TavixError&) {
            broken = true;
        }
        if (broken) keepAside(path);
    }
    AtomicFile::write(path, bytes);
}

}  // namespace BookmarkStore
