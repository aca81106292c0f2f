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
#include <atomic>
#include <cerrno>
#include <iconv.h>
#include <optional>
#include <string_view>
#include <utility>

namespace BookmarkStore {
namespace {

const QString kStoreName = QStringLiteral("bookmark.xml");

CancelCheckHook& cancelCheckHook() {
    static CancelCheckHook hook;
    return hook;
}

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
    // Not shared between calls: stores are read on a worker while a save parses on the
    // user interface thread.
    const QRegularExpression pattern(QStringLiteral(R"(encoding\s*=\s*["']([^"']*)["'])"));
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

// The XML reader checks each attribute of an element against all the others, so one
// element with 100,000 attributes takes it minutes. The store uses no attributes at all;
// an element with more than this many makes the store unreadable (shown empty, kept
// aside on save) instead of stalling the start.
constexpr qsizetype kMostAttributes = 1000;

// Finds an element with too many attributes in one linear pass over the text (UTF-16
// or UTF-8): start tags are told apart from comments, character data, processing
// instructions, declarations and end tags, and the attributes of a start tag are its
// "=" signs outside quoted values. Returns the offset of the element's "<", or -1.
template <typename Ch>
qsizetype crowdedElement(std::basic_string_view<Ch> text) {
    using View = std::basic_string_view<Ch>;
    const std::size_t n = text.size();
    auto starts = [&](std::size_t at, const char* ascii) {
        for (std::size_t k = 0; ascii[k]; ++k)
            if (at + k >= n || text[at + k] != static_cast<Ch>(ascii[k])) return false;
        return true;
    };
    auto skipPast = [&](std::size_t from, const char* ascii) {
        const Ch first = static_cast<Ch>(ascii[0]);
        for (std::size_t at = text.find(first, from); at != View::npos; at = text.find(first, at + 1))
            if (starts(at, ascii)) return at + std::char_traits<char>::length(ascii);
        return n;
    };
    std::size_t i = 0;
    while ((i = text.find(static_cast<Ch>('<'), i)) != View::npos) {
        if (starts(i, "<!--")) {
            i = skipPast(i + 4, "-->");
        } else if (starts(i, "<![CDATA[")) {
            i = skipPast(i + 9, "]]>");
        } else if (starts(i, "<?")) {
            i = skipPast(i + 2, "?>");
        } else {
            // A declaration (with its internal subset), an end tag or a start tag.
            const bool declaration = starts(i, "<!");
            const std::size_t start = i;
            qsizetype attributes = 0;
            int brackets = 0;
            Ch quote = 0;
            for (++i; i < n; ++i) {
                const Ch c = text[i];
                if (quote) {
                    if (c == quote) quote = 0;
                } else if (c == '"' || c == '\'') {
                    quote = c;
                } else if (declaration && (c == '[' || c == ']')) {
                    brackets += c == '[' ? 1 : -1;
                } else if (!declaration && c == '=') {
                    if (++attributes > kMostAttributes) return static_cast<qsizetype>(start);
                } else if ((c == '>' && brackets <= 0) || (!declaration && c == '<')) {
                    break;
                }
            }
        }
    }
    return -1;
}

// A store in Shift_JIS (as every store the program writes) goes to the XML reader as
// UTF-8 in one conversion, declared as such, rather than through UTF-16 twice over.
// Empty when the store is not declared Shift_JIS or holds a byte sequence that is not
// valid in it (the general path then finds and reports it).
std::optional<QByteArray> shiftJisAsUtf8(const std::string& bytes) {
    if (bytes.rfind("<?xml", 0) != 0) return std::nullopt;
    const std::size_t end = bytes.find("?>");
    if (end == std::string::npos) return std::nullopt;
    const QRegularExpression pattern(QStringLiteral(R"(encoding\s*=\s*["']([^"']*)["'])"));
    const auto match = pattern.match(QString::fromLatin1(bytes.data(), static_cast<qsizetype>(end)));
    if (!match.hasMatch() || !isShiftJisName(match.captured(1))) return std::nullopt;

    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    QByteArray utf8(static_cast<qsizetype>(bytes.size() + bytes.size() / 2 + 16), Qt::Uninitialized);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t done = 0;
    bool ok = true;
    while (inLeft > 0) {
        char* out = utf8.data() + done;
        std::size_t outLeft = static_cast<std::size_t>(utf8.size()) - done;
        const std::size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
        done = static_cast<std::size_t>(out - utf8.data());
        if (r != static_cast<std::size_t>(-1)) continue;
        if (errno != E2BIG) {
            ok = false;
            break;
        }
        utf8.resize(utf8.size() * 2);
    }
    iconv_close(cd);
    if (!ok) return std::nullopt;
    utf8.truncate(static_cast<qsizetype>(done));
    // The declaration is ASCII, so its offsets are the same in both encodings.
    utf8.replace(match.capturedStart(1), match.capturedLength(1), "UTF-8");
    return utf8;
}

// Builds the entries from the token stream with an explicit stack of open folders, so
// the depth of the file costs memory in its own proportion and never call stack.
//
// The entries form a tree through folders only: below a folder's name element or a
// bookmark's elements nothing is an entry, and all that counts there is the text. So
// one text collector at a time serves every name and address, and the text of an
// element (all the text inside it, in order) is gathered in one pass.
class EntryBuilder {
public:
    EntryBuilder(std::vector<Entry>& top, const std::atomic<bool>* cancelled) : top_(top), cancelled_(cancelled) {}

    // Returns false when cancelled before the end.
    bool run(QXmlStreamReader& reader) {
        for (unsigned tokens = 0; !reader.atEnd(); ++tokens) {
            if (cancelled_ && tokens % 4096 == 0) {
                if (const CancelCheckHook& hook = cancelCheckHook()) hook(*cancelled_);
                if (cancelled_->load(std::memory_order_relaxed)) return false;
            }
            switch (reader.readNext()) {
            case QXmlStreamReader::StartElement:
                startElement(reader.qualifiedName());
                break;
            case QXmlStreamReader::EndElement:
                endElement();
                break;
            case QXmlStreamReader::Characters:
                // Text of nothing but white space is layout, not a node: XML white
                // space in any text, any Unicode space outside character data (as the
                // DOM the store has always been read with counts it).
                if (!reader.isWhitespace() && (reader.isCDATA() || !reader.text().trimmed().isEmpty())) {
                    if (collecting_ > 0) collected_ += reader.text();
                    else leaf(reader.text());
                }
                break;
            // An element's text is its text and character data alone.
            case QXmlStreamReader::Comment:
                if (collecting_ == 0) leaf(reader.text());
                break;
            case QXmlStreamReader::ProcessingInstruction:
                if (collecting_ == 0) leaf(reader.processingInstructionData());
                break;
            case QXmlStreamReader::EntityReference:
                if (collecting_ == 0) leaf(QStringView());
                break;
            default:
                break;
            }
        }
        return true;
    }

private:
    // An open element that holds entries (the root, a folder) or texts (a bookmark).
    struct Open {
        Entry* entry;  // null for the root
        qsizetype children = 0;
    };

    std::vector<Entry>& top_;
    const std::atomic<bool>* cancelled_;
    std::vector<Open> open_;
    bool rootSeen_ = false;
    // Depth inside the element whose text is being gathered (0: none), which child of
    // the innermost open element it is, and its text so far.
    qsizetype collecting_ = 0;
    qsizetype collectedChild_ = 0;
    QString collected_;

    // The entry list a new child of the innermost open element joins, or null when the
    // child is the folder's name or one of a bookmark's texts.
    std::vector<Entry>* entryList() {
        Open& o = open_.back();
        if (!o.entry) return &top_;
        if (o.entry->folder && o.children > 0) return &o.entry->entries;
        return nullptr;
    }

    // The text of the entry's child number `child`: the first gives the name; every one
    // may be a bookmark's last, which gives the address.
    static void takeText(Entry& entry, qsizetype child, const QString& text) {
        if (child == 0) entry.name = text;
        if (!entry.folder) entry.address = text;
    }

    // A child that is not an element: an entry of its own (which has no children, so no
    // name and no address), or a text of the innermost entry.
    void leaf(QStringView text) {
        if (open_.empty()) return;  // outside the root
        Open& o = open_.back();
        if (std::vector<Entry>* list = entryList()) list->emplace_back();
        else takeText(*o.entry, o.children, text.toString());
        ++o.children;
    }

    void startElement(QStringView tag) {
        if (collecting_ > 0) {
            ++collecting_;
            return;
        }
        if (open_.empty()) {
            if (!rootSeen_) open_.push_back({nullptr});
            rootSeen_ = true;
            return;
        }
        Open& o = open_.back();
        if (std::vector<Entry>* list = entryList()) {
            ++o.children;
            Entry& entry = list->emplace_back();
            // Exact comparison: "Directory" is a bookmark.
            entry.folder = tag == u"directory";
            // The folder being filled stays the last of its list until it ends, so
            // this address holds while it is open.
            open_.push_back({&entry});
            return;
        }
        collecting_ = 1;
        collectedChild_ = o.children++;
        collected_.resize(0);
    }

    void endElement() {
        if (collecting_ > 0) {
            if (--collecting_ == 0) takeText(*open_.back().entry, collectedChild_, std::exchange(collected_, {}));
            return;
        }
        if (!open_.empty()) open_.pop_back();
    }
};

bool isCancelled(const std::atomic<bool>* cancelled) {
    return cancelled && cancelled->load(std::memory_order_relaxed);
}

}  // namespace

void setCancelCheckHook(CancelCheckHook hook) { cancelCheckHook() = std::move(hook); }

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

bool parse(const std::string& bytes, std::vector<Entry>& entries, QString& problem,
           const std::atomic<bool>* cancelled) {
    entries.clear();
    QXmlStreamReader reader;
    QString text;
    qsizetype crowded = -1;
    if (std::optional<QByteArray> utf8 = shiftJisAsUtf8(bytes)) {
        crowded = crowdedElement(std::string_view(utf8->constData(), static_cast<std::size_t>(utf8->size())));
        if (crowded >= 0) text = QString::fromUtf8(utf8->left(crowded)) + u'<';
        else reader.addData(*utf8);
    } else {
        if (!decode(bytes, text, problem)) return false;
        crowded = crowdedElement(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                     static_cast<std::size_t>(text.size())));
        if (crowded >= 0) text.truncate(crowded + 1);
        else reader.addData(text);
    }
    if (crowded >= 0) {
        problem = QStringLiteral("%1: 要素の属性が %2 個を超えています").arg(position(text, text.size() - 1)).arg(kMostAttributes);
        return false;
    }
    // Element names are compared as written, prefix and all ("x:directory" is a
    // bookmark), and a prefix needs no declaration.
    reader.setNamespaceProcessing(false);
    if (isCancelled(cancelled)) return false;
    EntryBuilder builder(entries, cancelled);
    if (!builder.run(reader)) return false;
    if (reader.hasError()) {
        problem = QStringLiteral("%1 行 %2 桁: %3").arg(reader.lineNumber()).arg(reader.columnNumber()).arg(reader.errorString());
        entries.clear();
        return false;
    }
    return true;
}

bool wellFormed(const std::string& bytes) {
    std::vector<Entry> entries;
    QString problem;
    return parse(bytes, entries, problem);
}

ReadResult read(const QString& appPath, const std::atomic<bool>* cancelled) {
    ReadResult result;
    const QString path = storePath(appPath);
    std::optional<std::string> bytes;
    try {
        bytes = AtomicFile::readIfExists(path);
    } catch (const TavixError& e) {
        result.exists = true;
        result.source = {true, -1, 0};  // unknown: never equal to what a later check finds
        result.problem = QStringLiteral("ブックマーク ファイル %1 を読み込めません。%2").arg(path, e.message());
        return result;
    }
    if (!bytes) return result;
    result.exists = true;
    result.source = fingerprintOf(&*bytes);
    QString problem;
    if (!parse(*bytes, result.entries, problem, cancelled)) {
        if (isCancelled(cancelled)) return {};
        result.problem = QStringLiteral("ブックマーク ファイル %1 を読み込めません (%2)。"
                                        "ブックマークは空で表示します。保存するときは、このファイルを別名で残します。")
                             .arg(path, problem);
        return result;
    }
    return result;
}

}  // namespace BookmarkStore
