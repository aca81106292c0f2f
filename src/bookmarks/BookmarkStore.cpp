// Reading the store: finding the file, decoding it, parsing it, and the reading rule.

#include "bookmarks/BookmarkStore.h"

#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QXmlStreamReader>

namespace BookmarkStore {
namespace {

const QString kStoreName = QStringLiteral("bookmark.xml");

// Windows programs write "Shift_JIS" and mean code page 932; every alias gets that.
bool isShiftJisName(const QString& name) {
    static const QStringList aliases{QStringLiteral("shift_jis"), QStringLiteral("shift-jis"),
                                     QStringLiteral("sjis"),      QStringLiteral("x-sjis"),
                                     QStringLiteral("cp932"),     QStringLiteral("windows-31j"),
                                     QStringLiteral("ms_kanji"),  QStringLiteral("csshiftjis"),
                                     QStringLiteral("ms932")};
    return aliases.contains(name.toLower());
}

// The encoding named by the XML declaration, or an empty text.
QString declaredEncoding(const std::string& bytes) {
    const std::size_t end = bytes.find("?>");
    if (bytes.rfind("<?xml", 0) != 0 || end == std::string::npos) return {};
    static const QRegularExpression pattern(QStringLiteral(R"(encoding\s*=\s*["']([^"']*)["'])"));
    const QString declaration = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(end));
    const auto match = pattern.match(declaration);
    return match.hasMatch() ? match.captured(1) : QString();
}

// Where in the text the character at `index` stands, for the user: 1-based.
QString position(const QString& text, qsizetype index) {
    const QStringView before = QStringView(text).left(index);
    const qsizetype line = before.count(u'\n') + 1;
    const qsizetype lastBreak = before.lastIndexOf(u'\n');
    return QStringLiteral("%1 行 %2 桁").arg(line).arg(index - lastBreak);
}

// Decodes strictly: a byte sequence that is not valid in the encoding makes the store
// unreadable instead of turning silently into replacement characters that a later save
// would then write for good.
bool decode(const std::string& bytes, QString& text, QString& problem) {
    std::string_view body(bytes);
    QString encoding;
    if (body.starts_with("\xEF\xBB\xBF")) {
        body.remove_prefix(3);
        encoding = QStringLiteral("UTF-8");
    } else if (body.starts_with("\xFF\xFE") || body.starts_with("\xFE\xFF")) {
        QStringDecoder utf16(body.starts_with("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        body.remove_prefix(2);
        text = utf16(QByteArrayView(body.data(), static_cast<qsizetype>(body.size())));
        if (utf16.hasError()) {
            problem = QStringLiteral("UTF-16 として正しくない文字があります");
            return false;
        }
        return true;
    } else {
        encoding = declaredEncoding(bytes);
        if (encoding.isEmpty()) encoding = QStringLiteral("UTF-8");
    }

    const QString lower = encoding.toLower();
    if (lower == QStringLiteral("utf-8") || lower == QStringLiteral("utf8")) {
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        text = utf8(QByteArrayView(body.data(), static_cast<qsizetype>(body.size())));
        if (utf8.hasError()) {
            problem = QStringLiteral("%1: UTF-8 として正しくないバイトがあります").arg(position(text, text.indexOf(QChar::ReplacementCharacter)));
            return false;
        }
        return true;
    }

    const std::string charset = isShiftJisName(encoding) ? std::string("CP932") : encoding.toStdString();
    try {
        text = CodePage::decode(body, charset);
    } catch (const std::exception&) {
        problem = QStringLiteral("文字コード %1 には対応していません").arg(encoding);
        return false;
    }
    // Code page 932 holds no replacement character, so one in the result marks a byte
    // that does not belong to the encoding (a UTF-8 file declared as Shift_JIS, say).
    const qsizetype bad = text.indexOf(QChar::ReplacementCharacter);
    if (bad >= 0 && isShiftJisName(encoding)) {
        problem = QStringLiteral("%1: %2 として正しくないバイトがあります").arg(position(text, bad), encoding);
        return false;
    }
    return true;
}

// The text of an entry's child: an element's text content, or the data of any other
// node (a comment standing where an entry was expected still has a text).
QString textOf(const QDomNode& node) {
    if (node.isElement()) return node.toElement().text();
    if (node.isCharacterData()) return node.toCharacterData().data();
    if (node.isProcessingInstruction()) return node.toProcessingInstruction().data();
    return {};
}

Entry entryOf(const QDomNode& element) {
    Entry entry;
    entry.name = textOf(element.firstChild());
    // Exact comparison: "Directory" is a bookmark.
    entry.folder = element.isElement() && element.toElement().tagName() == QStringLiteral("directory");
    if (!entry.folder) {
        entry.address = textOf(element.lastChild());
        return entry;
    }
    const QDomNodeList children = element.childNodes();
    const int count = children.count();
    entry.entries.reserve(count > 1 ? static_cast<std::size_t>(count - 1) : 0);
    // The name is child 0; the folder's entries follow it.
    for (QDomNode child = element.firstChild().nextSibling(); !child.isNull(); child = child.nextSibling())
        entry.entries.push_back(entryOf(child));
    return entry;
}

}  // namespace

QString folderMarker() { return QStringLiteral("フォルダ"); }

QString storePath(const QString& appPath) {
    const QString exact = appPath + kStoreName;
    if (QFileInfo::exists(exact)) return exact;
    QStringList others = QDir(appPath).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    others.removeIf([](const QString& name) { return name.compare(kStoreName, Qt::CaseInsensitive) != 0; });
    if (others.isEmpty()) return exact;
    // "BookMark.xml" is what the original saves under; then any other spelling.
    if (others.contains(QStringLiteral("BookMark.xml"))) return appPath + QStringLiteral("BookMark.xml");
    return appPath + others.front();
}

bool parse(const std::string& bytes, QDomDocument& document, QString& problem) {
    QString text;
    if (!decode(bytes, text, problem)) return false;
    QString message;
    int line = 0;
    int column = 0;
    document = QDomDocument();
    if (!document.setContent(text, &message, &line, &column)) {
        problem = QStringLiteral("%1 行 %2 桁: %3").arg(line).arg(column).arg(message);
        return false;
    }
    if (document.documentElement().isNull()) {
        problem = QStringLiteral("ルート要素がありません");
        return false;
    }
    return true;
}

bool wellFormed(const std::string& bytes) {
    QString text;
    QString problem;
    if (!decode(bytes, text, problem)) return false;
    QXmlStreamReader reader(text);
    bool root = false;
    while (!reader.atEnd())
        if (reader.readNext() == QXmlStreamReader::StartElement) root = true;
    return root && !reader.hasError();
}

std::vector<Entry> entriesOf(const QDomDocument& document) {
    std::vector<Entry> entries;
    const QDomElement root = document.documentElement();
    entries.reserve(static_cast<std::size_t>(root.childNodes().count()));
    for (QDomNode child = root.firstChild(); !child.isNull(); child = child.nextSibling())
        entries.push_back(entryOf(child));
    return entries;
}

ReadResult read(const QString& appPath) {
    ReadResult result;
    const QString path = storePath(appPath);
    std::optional<std::string> bytes;
    try {
        bytes = AtomicFile::readIfExists(path);
    } catch (const TavixError& e) {
        result.exists = true;
        result.problem = QStringLiteral("ブックマーク ファイル %1 を読み込めません。%2").arg(path, e.message());
        return result;
    }
    if (!bytes) return result;
    result.exists = true;
    QDomDocument document;
    QString problem;
    if (!parse(*bytes, document, problem)) {
        result.problem = QStringLiteral("ブックマーク ファイル %1 を読み込めません (%2)。"
                                        "ブックマークは空で表示します。保存するときは、このファイルを別名で残します。")
                             .arg(path, problem);
        return result;
    }
    result.entries = entriesOf(document);
    return result;
}

}  // namespace BookmarkStore
