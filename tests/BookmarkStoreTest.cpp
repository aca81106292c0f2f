// The bookmark store: exact layout, round trips, the reading rule's quirks, capacity,
// file name spelling and damaged stores.

#include "TestSupport.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/BookmarkStore.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace BookmarkStore;

namespace {

Node bookmark(const QString& name, const QString& url) { return Node{name, url, {}}; }
Node folder(const QString& name, std::vector<Node> children) {
    return Node{name, folderMarker(), std::move(children)};
}

std::string sjis(const QString& text) { return CodePage::encode(text, "CP932"); }

// Names and addresses of a tree of entries, flattened with depth marks, for comparison.
QStringList describe(const std::vector<Entry>& entries, const QString& indent = {}) {
    QStringList lines;
    for (const Entry& e : entries) {
        lines << indent + (e.folder ? QStringLiteral("[") + e.name + QStringLiteral("]") : e.name + QStringLiteral(" = ") + e.address);
        lines << describe(e.entries, indent + QStringLiteral("  "));
    }
    return lines;
}

QStringList describe(const std::vector<Node>& nodes, const QString& indent = {}) {
    QStringList lines;
    for (const Node& n : nodes) {
        lines << indent + (!n.children.empty() ? QStringLiteral("[") + n.name + QStringLiteral("]") : n.name + QStringLiteral(" = ") + n.value);
        lines << describe(n.children, indent + QStringLiteral("  "));
    }
    return lines;
}

struct BookmarkStoreTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;

    std::vector<Entry> roundTrip(const std::vector<Node>& nodes) {
        WriteBookMarkFile(dir.path(), nodes);
        ReadResult r = read(dir.path());
        EXPECT_TRUE(r.problem.isEmpty()) << r.problem.toStdString();
        return r.entries;
    }
    ReadResult readBytes(const std::string& bytes) {
        dir.write("bookmark.xml", bytes);
        return read(dir.path());
    }
};

}  // namespace

TEST_F(BookmarkStoreTest, WorkedExampleIsWrittenByteForByte) {
    WriteBookMarkFile(dir.path(), {bookmark("A", "U1"),
                                   folder("F", {bookmark("B", "U2"), folder("G", {bookmark("C", "U3")})}),
                                   bookmark("H", "U4")});
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
        "<bookmark>\n"
        "  <file>\n"
        "    <name>A</name>\n"
        "    <url>U1</url>\n"
        "  </file>\n"
        "  <directory>\n"
        "    <name>F</name>\n"
        "      <file>\n"
        "        <name>B</name>\n"
        "        <url>U2</url>\n"
        "      </file>\n"
        "    <directory>\n"
        "        <name>G</name>\n"
        "        <file>\n"
        "          <name>C</name>\n"
        "          <url>U3</url>\n"
        "        </file></directory></directory>\n"
        "  <file>\n"
        "    <name>H</name>\n"
        "    <url>U4</url>\n"
        "  </file>\n"
        "</bookmark>";
    EXPECT_EQ(dir.read("bookmark.xml"), expected);
}

TEST_F(BookmarkStoreTest, DeepFoldersFollowTheIndentationTable) {
    // Depth 2 and 3: folders at 2(d+1), bookmarks at 2(d+2), their children at 2(d+3).
    WriteBookMarkFile(dir.path(), {folder("a", {folder("b", {folder("c", {bookmark("x", "u")})})})});
    const std::string bytes = dir.read("bookmark.xml");
    EXPECT_NE(bytes.find("\n      <directory>\n          <name>c</name>\n          <file>\n"
                         "            <name>x</name>\n            <url>u</url>\n          </file>"
                         "</directory></directory></directory>\n</bookmark>"),
              std::string::npos)
        << bytes;
}

TEST_F(BookmarkStoreTest, TextSurvivesARoundTrip) {
    const QString emoji = QString::fromUtf8("\xF0\x9F\x98\x80");
    const std::vector<Node> nodes{
        bookmark(QStringLiteral("a & b <c> \"q\" 'r' ]]> end"), QStringLiteral("http://x/?a=1&b=<2>")),
        folder(QStringLiteral("日本語のフォルダ ～①髙"), {bookmark(QStringLiteral("ページ") + emoji, QStringLiteral("http://例え.jp/") + emoji)}),
        bookmark(QStringLiteral(" padded  name "), QStringLiteral("line\r\nbreak\ttab")),
        bookmark(QString(), QString()),
        bookmark(QStringLiteral("é ü ß € 〜 ‖ − ¢"), QStringLiteral("u")),
    };
    EXPECT_EQ(describe(roundTrip(nodes)), describe(nodes));
    // Declared Shift_JIS and written in it; what it cannot hold is a character reference.
    const std::string bytes = dir.read("bookmark.xml");
    EXPECT_NE(bytes.find(sjis(QStringLiteral("日本語のフォルダ"))), std::string::npos);
    EXPECT_NE(bytes.find("&#128512;"), std::string::npos);
    EXPECT_NE(bytes.find("&#233;"), std::string::npos);  // é: not in code page 932
}

TEST_F(BookmarkStoreTest, ControlCharactersNeverBreakTheFile) {
    const std::vector<Entry> back =
        roundTrip({bookmark(QStringLiteral("bell\x07") + QChar(0xFFFE), QStringLiteral("nul") + QChar(0) + QStringLiteral("x"))});
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].name, QStringLiteral("bell") + QChar(0xFFFD) + QChar(0xFFFD));
    EXPECT_EQ(back[0].address, QStringLiteral("nul") + QChar(0xFFFD) + QStringLiteral("x"));
}

TEST_F(BookmarkStoreTest, OrderAndEmptyFoldersComeBackAsWritten) {
    // An empty folder has no children, so it is written as a bookmark carrying its value.
    const std::vector<Entry> back = roundTrip({bookmark("3", "c"), Node{"empty", folderMarker(), {}},
                                               Node{"made", "http://typed/", {}},
                                               folder("f", {bookmark("2", "b"), bookmark("1", "a")})});
    EXPECT_EQ(describe(back), (QStringList{"3 = c", QStringLiteral("empty = フォルダ"), "made = http://typed/", "[f]",
                                           "  2 = b", "  1 = a"}));
}

TEST_F(BookmarkStoreTest, ReadingRuleQuirks) {
    const ReadResult r = readBytes(
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n"
        "<bookmark>"
        "<Directory><name>upper</name><url>last</url></Directory>"
        "<DIRECTORY><x>n</x><y>m</y><z>addr</z></DIRECTORY>"
        "<file><title>T</title><href>H</href></file>"
        "<directory><name>F</name></directory>"
        "<directory><name>G</name><file><name>in</name><url>u</url></file><!--note--></directory>"
        "<file><name>only</name></file>"
        "<file/>"
        "</bookmark>");
    ASSERT_TRUE(r.problem.isEmpty()) << r.problem.toStdString();
    EXPECT_EQ(describe(r.entries), (QStringList{"upper = last", "n = addr", "T = H", "[F]", "[G]", "  in = u",
                                                "   = ", "only = only", " = "}));
}

TEST_F(BookmarkStoreTest, WhitespaceNeverMakesEntries) {
    const std::string tight =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><bookmark><file><name>A</name><url>U</url></file>"
        "<directory><name>F</name><file><name>B</name><url>V</url></file></directory></bookmark>";
    const std::string loose =
        "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<bookmark>\r\n\t<file>\r\n\t\t<name>A</name>"
        "\t<url>U</url>\r\n\t</file>\r\n\r\n<directory>   <name>F</name>\n\n   <file>  <name>B</name>"
        "<url>V</url>  </file>\n\t</directory>\n</bookmark>\n\n";
    const QStringList expected{"A = U", "[F]", "  B = V"};
    EXPECT_EQ(describe(readBytes(tight).entries), expected);
    EXPECT_EQ(describe(readBytes(loose).entries), expected);
}

TEST_F(BookmarkStoreTest, HandWrittenEncodingsAreHonoured) {
    EXPECT_EQ(describe(readBytes("<?xml version=\"1.0\" encoding=\"UTF-8\"?><bookmark><file><name>日本</name>"
                                 "<url>u</url></file></bookmark>")
                           .entries),
              QStringList{QStringLiteral("日本 = u")});
    EXPECT_EQ(describe(readBytes("\xEF\xBB\xBF<bookmark><file><name>\xC3\xA9</name><url>u</url></file></bookmark>").entries),
              QStringList{QStringLiteral("é = u")});
    EXPECT_EQ(describe(readBytes("<?xml version=\"1.0\" encoding=\"sjis\"?><bookmark><file><name>" +
                                 sjis(QStringLiteral("表示")) + "</name><url>u</url></file></bookmark>")
                           .entries),
              QStringList{QStringLiteral("表示 = u")});
}

TEST_F(BookmarkStoreTest, CapacityIsNoLimit) {
    // Beyond 253 top-level entries and 255 entries in one folder, nothing is dropped.
    std::vector<Node> big;
    for (int i = 0; i < 300; ++i) big.push_back(bookmark(QString::number(i), QStringLiteral("u%1").arg(i)));
    std::vector<Node> inner;
    for (int i = 0; i < 600; ++i) inner.push_back(bookmark(QStringLiteral("in%1").arg(i), QStringLiteral("v")));
    big.push_back(folder("huge", std::move(inner)));
    const std::vector<Entry> back = roundTrip(big);
    ASSERT_EQ(back.size(), 301u);
    EXPECT_EQ(back[299].name, QStringLiteral("299"));
    ASSERT_EQ(back[300].entries.size(), 600u);
    EXPECT_EQ(back[300].entries[599].name, QStringLiteral("in599"));
}

TEST_F(BookmarkStoreTest, MissingStoreIsEmptyAndQuiet) {
    const ReadResult r = read(dir.path());
    EXPECT_FALSE(r.exists);
    EXPECT_TRUE(r.entries.empty());
    EXPECT_TRUE(r.problem.isEmpty());
    BookmarkModel model(dir.path());
    model.load();
    model.waitForLoad();
    EXPECT_TRUE(model.entries().empty());
    EXPECT_TRUE(errors.messages.isEmpty());
    WriteBookMarkFile(dir.path(), {bookmark("a", "b")});
    EXPECT_TRUE(QFileInfo::exists(dir.file("bookmark.xml")));
}

TEST_F(BookmarkStoreTest, EmptyTreeAndEmptyRootAreValid) {
    WriteBookMarkFile(dir.path(), {});
    EXPECT_EQ(dir.read("bookmark.xml"), "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n</bookmark>");
    const ReadResult r = read(dir.path());
    EXPECT_TRUE(r.problem.isEmpty());
    EXPECT_TRUE(r.entries.empty());
    EXPECT_TRUE(readBytes("<bookmark/>").problem.isEmpty());
}

TEST_F(BookmarkStoreTest, AnySpellingOfTheNameIsTheStore) {
    dir.write("BookMark.xml", "<bookmark><file><name>win</name><url>u</url></file></bookmark>");
    EXPECT_EQ(storePath(dir.path()), dir.file("BookMark.xml"));
    EXPECT_EQ(describe(read(dir.path()).entries), QStringList{"win = u"});
    // The writer replaces that same file instead of starting a second one.
    WriteBookMarkFile(dir.path(), {bookmark("new", "v")});
    EXPECT_FALSE(QFileInfo::exists(dir.file("bookmark.xml")));
    EXPECT_EQ(describe(read(dir.path()).entries), QStringList{"new = v"});

    ProgramFolder other;
    other.write("BOOKMARK.XML", "<bookmark/>");
    EXPECT_EQ(storePath(other.path()), other.file("BOOKMARK.XML"));
    other.write("bookmark.xml", "<bookmark/>");  // the documented spelling wins
    EXPECT_EQ(storePath(other.path()), other.file("bookmark.xml"));
    ProgramFolder none;
    EXPECT_EQ(storePath(none.path()), none.file("bookmark.xml"));
}

TEST_F(BookmarkStoreTest, BrokenStoresReadEmptyWithOneClearMessage) {
    const std::string good = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n  <file>\n    <name>A</name>"
                             "\n    <url>U</url>\n  </file>\n</bookmark>";
    struct Case {
        std::string bytes;
        std::string mustMention;
    };
    const std::vector<Case> cases{
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n  <file><name>a</url></file>\n</bookmark>", "3 行"},
        {good.substr(0, good.size() / 2), "行"},
        // UTF-8 bytes under a Shift_JIS declaration.
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark><file><name>\xF0\x9F\x98\x80</name></file></bookmark>",
         "2 行"},
        {"<?xml version=\"1.0\" encoding=\"x-no-such-set\"?><bookmark/>", "x-no-such-set"},
        {"", "行"},
    };
    for (const Case& c : cases) {
        ProgramFolder d;
        d.write("bookmark.xml", c.bytes);
        errors.messages.clear();
        const ReadResult r = read(d.path());
        EXPECT_TRUE(r.entries.empty());
        EXPECT_FALSE(r.problem.isEmpty());
        // One reading for every picture of the store, so one message.
        BookmarkModel model(d.path());
        int changes = 0;
        QObject::connect(&model, &BookmarkModel::changed, [&] { ++changes; });
        model.load();
        model.waitForLoad();
        EXPECT_EQ(changes, 1);
        EXPECT_TRUE(model.entries().empty());
        ASSERT_EQ(errors.messages.size(), 1) << c.bytes;
        EXPECT_TRUE(errors.messages[0].contains(d.file("bookmark.xml"))) << errors.messages[0].toStdString();
        EXPECT_TRUE(errors.messages[0].contains(QString::fromStdString(c.mustMention)))
            << errors.messages[0].toStdString();
    }
}

TEST_F(BookmarkStoreTest, SavingOverABrokenStoreKeepsItAside) {
    const std::string broken = "<bookmark><file><name>precious</name><url>http://only.copy/</url></file>";
    dir.write("bookmark.xml", broken);
    dir.write("bookmark.xml.broken", "an older copy");
    WriteBookMarkFile(dir.path(), {bookmark("new", "u")});
    EXPECT_EQ(dir.read("bookmark.xml.broken"), "an older copy");
    EXPECT_EQ(dir.read("bookmark.xml.broken.2"), broken);
    EXPECT_EQ(describe(read(dir.path()).entries), QStringList{"new = u"});
    // A sound store is replaced without a copy.
    WriteBookMarkFile(dir.path(), {bookmark("newer", "u")});
    EXPECT_FALSE(QFileInfo::exists(dir.file("bookmark.xml.broken.3")));
}

TEST_F(BookmarkStoreTest, SavingOverAChangedStoreKeepsItAside) {
    WriteBookMarkFile(dir.path(), {bookmark("read", "u")});
    const Fingerprint readFrom = read(dir.path()).source;
    // Unchanged since it was read: replaced without a copy.
    SaveResult saved = WriteBookMarkFile(dir.path(), {bookmark("mine", "u")}, &readFrom);
    EXPECT_FALSE(saved.changedOnDisk);
    EXPECT_TRUE(saved.keptAside.isEmpty());
    EXPECT_EQ(saved.written, read(dir.path()).source);
    // Same size, other bytes: changed.
    const std::string theirs = dir.read("bookmark.xml").replace(dir.read("bookmark.xml").find("mine"), 4, "them");
    dir.write("bookmark.xml", theirs);
    saved = WriteBookMarkFile(dir.path(), {bookmark("again", "u")}, &saved.written);
    EXPECT_TRUE(saved.changedOnDisk);
    EXPECT_EQ(saved.keptAside, dir.file("bookmark.xml.changed"));
    EXPECT_EQ(dir.read("bookmark.xml.changed"), theirs);
    // A store made by another program where there was none is changed too.
    QFile::remove(dir.file("bookmark.xml"));
    const Fingerprint none = read(dir.path()).source;
    dir.write("bookmark.xml", theirs);
    saved = WriteBookMarkFile(dir.path(), {bookmark("x", "u")}, &none);
    EXPECT_EQ(saved.keptAside, dir.file("bookmark.xml.changed.2"));
    // Deleted meanwhile: nothing to keep.
    const Fingerprint before = read(dir.path()).source;
    QFile::remove(dir.file("bookmark.xml"));
    EXPECT_TRUE(WriteBookMarkFile(dir.path(), {bookmark("y", "u")}, &before).keptAside.isEmpty());
}

TEST_F(BookmarkStoreTest, FailedSaveLeavesTheStoreAsItWas) {
    QFile::remove(dir.file("CloseURL.txt"));  // the folder holds the store alone
    WriteBookMarkFile(dir.path(), {bookmark("kept", "u")});
    const std::string before = dir.read("bookmark.xml");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("bookmark.xml")).constData(), 0444), 0);
    EXPECT_THROW(WriteBookMarkFile(dir.path(), {bookmark("lost", "u")}), TavixError);
    EXPECT_EQ(dir.read("bookmark.xml"), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // no temporary left
}

TEST_F(BookmarkStoreTest, UncopyableBrokenStoreIsNeverReplaced) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    dir.write("bookmark.xml", "<bookmark>");
    ASSERT_EQ(::chmod(QFile::encodeName(dir.file("bookmark.xml")).constData(), 0200), 0);
    EXPECT_THROW(WriteBookMarkFile(dir.path(), {bookmark("x", "u")}), TavixError);
    ::chmod(QFile::encodeName(dir.file("bookmark.xml")).constData(), 0600);
    EXPECT_EQ(dir.read("bookmark.xml"), "<bookmark>");
}

TEST_F(BookmarkStoreTest, WellFormedAgreesWithTheParser) {
    // The writer's check of the old file must see as broken exactly what readers do.
    const std::vector<std::string> samples{
        "<bookmark/>", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n</bookmark>", "<bookmark>",
        "", "<a></b>", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><b>\xF0\x9F\x98\x80</b>",
        "<?xml version=\"1.0\" encoding=\"nope\"?><b/>", "<b/><c/>", "<!-- only a comment -->", "<b>&undefined;</b>"};
    for (const std::string& bytes : samples) {
        std::vector<Entry> entries;
        QString problem;
        EXPECT_EQ(wellFormed(bytes), parse(bytes, entries, problem)) << bytes;
        EXPECT_EQ(problem.isEmpty(), wellFormed(bytes)) << bytes;
    }
}
