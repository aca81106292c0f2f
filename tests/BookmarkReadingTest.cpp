// The store's reader and writer against a DOM built by QtXml (whitespace-only text
// dropped) on many generated documents, and stores no DOM could hold: nested 100,000
// folders deep, or with 100,000 attributes on one element.

#include "TestSupport.h"
#include "bookmarks/BookmarkStore.h"
#include "platform/CodePage.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTextStream>
#include <gtest/gtest.h>

using namespace BookmarkStore;

namespace {

// The reading rule walked over a DOM: the oracle the streaming reader must agree with.
// Character data standing as an entry's child is text too (the reading rule takes the
// text of the child, whatever it is).
QString domText(const QDomNode& node) {
    if (node.isElement()) return node.toElement().text();
    if (node.isCDATASection()) return node.toCDATASection().data();
    if (node.isCharacterData()) return node.toCharacterData().data();
    if (node.isProcessingInstruction()) return node.toProcessingInstruction().data();
    return {};
}

void domEntries(const QDomNode& first, QStringList& out, const QString& indent) {
    for (QDomNode e = first; !e.isNull(); e = e.nextSibling()) {
        const bool folder = e.isElement() && e.toElement().tagName() == QStringLiteral("directory");
        const QString name = domText(e.firstChild());
        if (folder) {
            out << indent + QStringLiteral("[") + name + QStringLiteral("]");
            if (!e.firstChild().isNull()) domEntries(e.firstChild().nextSibling(), out, indent + QStringLiteral("  "));
        } else {
            out << indent + name + QStringLiteral(" = ") + domText(e.lastChild());
        }
    }
}

QStringList describe(const std::vector<Entry>& entries, const QString& indent = {}) {
    QStringList lines;
    for (const Entry& e : entries) {
        lines << indent + (e.folder ? QStringLiteral("[") + e.name + QStringLiteral("]") : e.name + QStringLiteral(" = ") + e.address);
        lines << describe(e.entries, indent + QStringLiteral("  "));
    }
    return lines;
}

// Random documents built from the pieces the reading rule treats differently.
class Generator {
public:
    explicit Generator(quint32 seed) : random_(seed) {}

    std::string document() {
        std::string s = pick({"", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n", "<!-- lead -->"});
        s += "<bookmark>" + children(0) + "</bookmark>" + pick({"", "\n", "<!--tail-->"});
        return s;
    }

private:
    QRandomGenerator random_;

    std::string pick(std::initializer_list<const char*> options) {
        return *(options.begin() + random_.bounded(static_cast<int>(options.size())));
    }
    std::string text() {
        return pick({"a", "name", " ", "\n  ", "\t", "x y", "&amp;", "a&lt;b", "&#x3042;", "]]&gt;", "&#13;", "\xE3\x80\x80",
                     "\xC2\xA0", "\xE3\x81\x82"});
    }
    std::string node(int depth) {
        switch (random_.bounded(depth > 4 ? 6 : 10)) {
        case 0: return text();
        case 1: return "<!--" + pick({"", "c", " note "}) + "-->";
        case 2: return "<?pi " + pick({"", "data", "d a"}) + "?>";
        case 3: return "<![CDATA[" + pick({"", " ", "cd<a>ta", "\n"}) + "]]>";
        case 4: return pick({"<file/>", "<name/>", "<directory/>"});
        case 5: {
            const std::string tag = pick({"name", "url"});
            return "<" + tag + ">" + text() + "</" + tag + ">";
        }
        default: {
            const std::string tag = pick({"directory", "directory", "file", "Directory", "x:directory", "name"});
            return "<" + tag + (random_.bounded(4) == 0 ? " a=\"1\"" : "") + ">" + children(depth + 1) + "</" + tag + ">";
        }
        }
    }
    std::string children(int depth) {
        std::string s;
        const int count = static_cast<int>(random_.bounded(depth > 4 ? 3 : 6));
        for (int i = 0; i < count; ++i) s += node(depth);
        return s;
    }
};

QString randomText(QRandomGenerator& random) {
    static const QStringList pieces{"a", "&", "<", ">", "]]>", "]]", "\"", "'", "\r\n", "\t", " ", "日本", "～", "é",
                                    QString::fromUtf8("\xF0\x9F\x98\x80"), QStringLiteral("フォルダ")};
    QString s;
    const int n = static_cast<int>(random.bounded(5));
    for (int i = 0; i < n; ++i) s += pieces[static_cast<qsizetype>(random.bounded(static_cast<int>(pieces.size())))];
    return s;
}

std::vector<Node> randomTree(QRandomGenerator& random, int depth) {
    std::vector<Node> nodes;
    const int n = static_cast<int>(random.bounded(depth > 3 ? 2 : 5));
    for (int i = 0; i < n; ++i) {
        Node node(randomText(random), randomText(random));
        if (random.bounded(3) == 0) node.children = randomTree(random, depth + 1);
        nodes.push_back(std::move(node));
    }
    return nodes;
}

// The store's layout built as a DOM and saved by QtXml: the bytes the writer must give.
void domWrite(QDomDocument& d, QDomElement parent, const std::vector<Node>& nodes, int level) {
    auto layout = [&](int units) { return d.createTextNode(QStringLiteral("\n") + QString(2 * units, u' ')); };
    auto text = [&](const QString& tag, const QString& t) {
        QDomElement e = d.createElement(tag);
        e.appendChild(d.createTextNode(t));
        return e;
    };
    for (const Node& n : nodes) {
        if (n.children.empty()) {
            parent.appendChild(layout(level));
            QDomElement f = d.createElement(QStringLiteral("file"));
            parent.appendChild(f);
            f.appendChild(layout(level + 1));
            f.appendChild(text(QStringLiteral("name"), n.name));
            f.appendChild(layout(level + 1));
            f.appendChild(text(QStringLiteral("url"), n.value));
            f.appendChild(layout(level));
        } else {
            parent.appendChild(layout(level == 1 ? 1 : level - 1));
            QDomElement f = d.createElement(QStringLiteral("directory"));
            parent.appendChild(f);
            f.appendChild(layout(level + 1));
            f.appendChild(text(QStringLiteral("name"), n.name));
            domWrite(d, f, n.children, level == 1 ? 3 : level + 1);
        }
    }
}

std::string domSerialize(const std::vector<Node>& nodes) {
    QDomDocument d;
    d.appendChild(d.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\" encoding=\"Shift_JIS\"")));
    QDomElement root = d.createElement(QStringLiteral("bookmark"));
    d.appendChild(root);
    domWrite(d, root, nodes, 1);
    root.appendChild(d.createTextNode(QStringLiteral("\n")));
    QString out;
    QTextStream stream(&out);
    for (QDomNode n = d.firstChild(); !n.isNull(); n = n.nextSibling()) n.save(stream, -1);
    stream.flush();
    // The same character references for what code page 932 cannot hold.
    return CodePage::encode(out, "CP932", [](char32_t c) { return "&#" + std::to_string(static_cast<std::uint32_t>(c)) + ";"; });
}

// Folders nested `depth` deep, each with a name, a bookmark and the next folder.
std::string nested(int depth) {
    std::string s = "<bookmark>";
    for (int i = 0; i < depth; ++i) s += "<directory><name>" + std::to_string(i) + "</name><file><name>b</name><url>u</url></file>";
    for (int i = 0; i < depth; ++i) s += "</directory>";
    return s + "</bookmark>";
}

}  // namespace

TEST(BookmarkReadingTest, ReaderAgreesWithTheDomOnGeneratedDocuments) {
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        const std::string bytes = Generator(seed).document();
        QDomDocument dom;
        ASSERT_TRUE(dom.setContent(QString::fromUtf8(bytes))) << bytes;
        QStringList expected;
        domEntries(dom.documentElement().firstChild(), expected, {});
        std::vector<Entry> entries;
        QString problem;
        ASSERT_TRUE(parse(bytes, entries, problem)) << bytes << problem.toStdString();
        ASSERT_EQ(describe(entries).join(u'|').toStdString(), expected.join(u'|').toStdString()) << "seed " << seed << ": " << bytes;
    }
}

TEST(BookmarkReadingTest, WriterAgreesWithTheDomOnGeneratedTrees) {
    QRandomGenerator random(7);
    for (int i = 0; i < 2000; ++i) {
        const std::vector<Node> tree = randomTree(random, 0);
        ASSERT_EQ(serialize(tree), domSerialize(tree)) << "tree " << i;
    }
}

TEST(BookmarkReadingTest, DeepStoresReadWriteCopyAndDiscardWithoutRecursion) {
    constexpr int depth = 100000;
    QElapsedTimer timer;
    timer.start();
    std::vector<Entry> entries;
    QString problem;
    ASSERT_TRUE(parse(nested(depth), entries, problem)) << problem.toStdString();
    const Entry* e = &entries.at(0);
    int levels = 1;
    while (e->entries.size() == 2) {
        EXPECT_EQ(e->entries[0].address, QStringLiteral("u"));
        e = &e->entries[1];
        ++levels;
    }
    EXPECT_EQ(levels, depth);
    EXPECT_EQ(e->name, QString::number(depth - 1));

    const std::vector<Entry> copy = entries;
    const Node node = nodeOf(copy.at(0));
    const std::string bytes = serialize({node});
    // Layout stops growing deep down: the file grows with the depth, not its square.
    EXPECT_LT(bytes.size(), static_cast<std::size_t>(depth) * 600);
    std::vector<Entry> back;
    ASSERT_TRUE(parse(bytes, back, problem));
    EXPECT_EQ(back.size(), 1u);
    EXPECT_LT(timer.elapsed(), 20000 * BuildSlowdown);
}

TEST(BookmarkReadingTest, ManyAttributesAndLongTextsStayLinear) {
    std::string many = "<bookmark><file";
    for (int i = 0; i < 100000; ++i) many += " a" + std::to_string(i) + "=\"v\"";
    many += "><name>n</name><url>u</url></file></bookmark>";
    QElapsedTimer timer;
    timer.start();
    std::vector<Entry> entries;
    QString problem;
    // Refused with a reason, at once; a thousand are still read (attributes mean nothing
    // to the store).
    EXPECT_FALSE(parse(many, entries, problem));
    EXPECT_LT(timer.elapsed(), 5000 * BuildSlowdown);
    EXPECT_TRUE(problem.contains(QStringLiteral("1 行 11 桁"))) << problem.toStdString();
    std::string thousand = "<bookmark><!-- a=1 a=2 --><file";
    for (int i = 0; i < 1000; ++i) thousand += " a" + std::to_string(i) + "='=>'";
    thousand += "><name>n</name><url>u=v</url></file></bookmark>";
    ASSERT_TRUE(parse(thousand, entries, problem)) << problem.toStdString();
    EXPECT_EQ(describe(entries), (QStringList{" = ", "n = u=v"}));  // the comment is an entry

    // A folder whose first child is a deep element: its name is all the text inside.
    std::string deepName = "<bookmark><directory>";
    for (int i = 0; i < 50000; ++i) deepName += "<x>t";
    for (int i = 0; i < 50000; ++i) deepName += "</x>";
    deepName += "<file><name>in</name><url>u</url></file></directory></bookmark>";
    ASSERT_TRUE(parse(deepName, entries, problem)) << problem.toStdString();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, QString(50000, u't'));
    EXPECT_EQ(describe(entries[0].entries), QStringList{"in = u"});
}
