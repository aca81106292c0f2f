// Text that is read and written back: bytes the locale cannot decode must come back as
// they were, through the code page layer, line files, the editors and CloseURL.txt.

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/TextLines.h"
#include "settings/CloseUrlList.h"

#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <gtest/gtest.h>
#include <random>

namespace {

const std::string SjisNihongo = "\x93\xfa\x96\x7b\x8c\xea";  // "日本語" in Shift_JIS

QString escaped(std::initializer_list<unsigned char> bytes) {
    QString text;
    for (unsigned char b : bytes) text += QChar(static_cast<char16_t>(0xDC00 + b));
    return text;
}

// What an options window does with the list: show it, let the user change nothing or
// one line, and take the lines back.
QStringList throughPlainTextEdit(const QStringList& lines) {
    QPlainTextEdit edit;
    edit.setPlainText(lines.join(u'\n'));
    return edit.toPlainText().split(u'\n');
}

class AnsiCharset {
public:
    explicit AnsiCharset(const std::string& name) { CodePage::overrideAnsiName(name); }
    ~AnsiCharset() { CodePage::overrideAnsiName(""); }
};

}  // namespace

TEST(CodePageLossless, AnyBytesRoundTripInEveryCharset) {
    std::mt19937 random(20240611);
    std::vector<std::string> samples = {
        "", "plain", SjisNihongo, "\xE6\x97\xA5\xE6\x9C\xAC", "a\xFF\xFE" "b", "\xC0\x80", "\xED\xA0\x80",
        "\xF4\x90\x80\x80", "\xE3\x81", "\x82", "\xED\x40\xFA\x5C\x87\x90", "\xC2\xA0\xE2\x80\xA8\xEF\xB7\x90",
        std::string("nul\0inside", 10), "\xEF\xBB\xBF" "bom", "\x8F\xA2\xAF", "\xA4\xA2\xA4"};
    for (int i = 0; i < 3000; ++i) {
        std::string bytes(random() % 12, '\0');
        for (char& c : bytes) c = static_cast<char>(random() % 4 ? 0x80 + random() % 128 : random() % 128);
        samples.push_back(bytes);
    }
    for (const char* charset : {"UTF-8", "CP932", "EUC-JP", "ISO-8859-1", "GB18030"}) {
        for (const std::string& bytes : samples) {
            const QString text = CodePage::decodeLossless(bytes, charset);
            ASSERT_EQ(CodePage::encodeLossless(text, charset), bytes) << charset << " " << text.toStdString();
        }
    }
}

TEST(CodePageLossless, CleanTextIsPlainTextAndOnlyTheBadBytesAreEscaped) {
    EXPECT_EQ(CodePage::decodeLossless("\xE6\x97\xA5\xE6\x9C\xAC", "UTF-8"), QStringLiteral("日本"));
    EXPECT_EQ(CodePage::decodeLossless(SjisNihongo, "CP932"), QStringLiteral("日本語"));
    EXPECT_EQ(CodePage::decodeLossless("a\xFF" "b", "UTF-8"), "a" + escaped({0xFF}) + "b");
    // A Shift_JIS line under a UTF-8 locale: its ASCII trail byte stays a character.
    EXPECT_EQ(CodePage::decodeLossless("\x93\xfa\x96\x7b", "UTF-8"), escaped({0x93, 0xFA, 0x96}) + "{");
    // A lead byte whose character is cut off by the end of the line.
    EXPECT_EQ(CodePage::decodeLossless("x\x82", "CP932"), "x" + escaped({0x82}));
    // Characters an editor would give back changed are kept as bytes.
    EXPECT_EQ(CodePage::decodeLossless("a\xC2\xA0z", "UTF-8"), "a" + escaped({0xC2, 0xA0}) + "z");
    // Two codes for one character: only the one that encodes back stays a character.
    const QString twin = CodePage::decodeLossless("\xFA\x5C\xED\x40", "CP932");
    EXPECT_EQ(twin.left(1), CodePage::decode("\xFA\x5C", "CP932"));
    EXPECT_EQ(CodePage::encodeLossless(twin, "CP932"), "\xFA\x5C\xED\x40");
    // The display decoding is what it was.
    EXPECT_EQ(CodePage::toUnicode("a\xFF"), QStringLiteral("a\uFFFD"));
}

TEST(CodePageLossless, EncodingTurnsOnlyLoneEscapesIntoBytes) {
    QString text = QStringLiteral("a");
    text += QChar(0xD800);  // U+10080: a pair whose low half looks like an escape
    text += QChar(0xDC80);
    text += QChar(0xDBFF);  // a lone high surrogate
    text += QStringLiteral("b");
    text += escaped({0x41});
    text += QChar(0xDE00);  // a lone low surrogate outside the escapes
    EXPECT_EQ(CodePage::encodeLossless(text, "UTF-8"), "a\xF0\x90\x82\x80?bA?");
    EXPECT_EQ(CodePage::encodeLossless(QStringLiteral("日😀") + escaped({0x82}), "CP932"), "\x93\xfa?\x82");
    // Text that only goes out (an address from a page) never yields raw bytes.
    EXPECT_EQ(CodePage::fromUnicode(escaped({0xFF})).find('\xFF'), std::string::npos);
}

TEST(CodePageLossless, EscapesSurviveTheEditors) {
    const std::string bytes =
        std::string("ok\xFF\xC2\xA0\xE2\x80\xA8\xE2\x80\xA9\xEF\xB7\x90\xEF\xB7\x91|") + SjisNihongo + "\xF0\x9F\x98\x80";
    const QString text = CodePage::decodeLossless(bytes, "UTF-8");
    QLineEdit line;
    line.setText(text);
    EXPECT_EQ(CodePage::encodeLossless(line.text(), "UTF-8"), bytes);
    const QStringList back = throughPlainTextEdit({text, text});
    ASSERT_EQ(back.size(), 2);
    EXPECT_EQ(CodePage::encodeLossless(back[0], "UTF-8"), bytes);
    EXPECT_EQ(CodePage::encodeLossless(back[1], "UTF-8"), bytes);
}

TEST(TextLinesList, UnchangedLinesComeBackByteForByteInTheSetTheyWereReadIn) {
    ProgramFolder dir;
    // Shift_JIS with a stray byte and a cut-off character: read as Shift_JIS, and the
    // bytes it does not hold come back as they were.
    const std::string file = "http://a/\r\n" + SjisNihongo + "\n\xFF\xFE\r\x82\r\n\r\nlast";
    dir.write("list.txt", file);
    TextLines::ListFile list = TextLines::readList(dir.file("list.txt"));
    EXPECT_EQ(list.charset, "CP932");
    ASSERT_EQ(list.lines.size(), 6);
    EXPECT_EQ(list.lines[1], QStringLiteral("日本語"));
    list.lines = throughPlainTextEdit(list.lines);
    TextLines::writeList(dir.file("list.txt"), list);
    EXPECT_EQ(dir.read("list.txt"), "http://a/\r\n" + SjisNihongo + "\r\n\xFF\xFE\r\n\x82\r\n\r\nlast\r\n");
    // Japanese typed into it goes in as Shift_JIS too.
    list.lines << QStringLiteral("http://日本語/");
    TextLines::writeList(dir.file("list.txt"), list);
    EXPECT_NE(dir.read("list.txt").find("http://" + SjisNihongo + "/\r\n"), std::string::npos);

    // UTF-8 is read as UTF-8, whatever the locale, and written back so.
    AnsiCharset locale("CP932");
    dir.write("list.txt", "http://\xE6\x97\xA5/\n\xC2\xA0");
    list = TextLines::readList(dir.file("list.txt"));
    EXPECT_EQ(list.charset, "UTF-8");
    EXPECT_EQ(list.lines[0], QStringLiteral("http://日/"));
    list.lines = throughPlainTextEdit(list.lines);
    list.lines << QStringLiteral("語");
    TextLines::writeList(dir.file("list.txt"), list);
    EXPECT_EQ(dir.read("list.txt"), "http://\xE6\x97\xA5/\r\n\xC2\xA0\r\n\xE8\xAA\x9E\r\n");
    // Plain ASCII fits any set, and a list that never was a file has none: the locale's.
    EXPECT_EQ(TextLines::splitList("http://a/\r\n").charset, "CP932");
    EXPECT_EQ(TextLines::joinList({{QStringLiteral("日本語")}, ""}), SjisNihongo + "\r\n");
}

TEST(TextLinesList, TheSetIsJudgedByWellFormedUtf8) {
    // Overlong forms, surrogates, code points beyond U+10FFFF and a cut-off sequence are
    // not UTF-8.
    for (const std::string bad : {"\xC0\x80", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xE3\x81", "a\x80", "\xF8\x88\x80\x80\x80"})
        EXPECT_EQ(CodePage::listFileCharset(bad), "CP932") << bad;
    for (const std::string good : {"\xC2\xA0", "\xE3\x81\x82", "\xF0\x9F\x98\x80", "\xF4\x8F\xBF\xBF", "\xEF\xBB\xBF" "bom"})
        EXPECT_EQ(CodePage::listFileCharset(good), "UTF-8") << good;
}

TEST(TextLinesList, AnEditorsTextSplitsAtEveryLineEndAlsoBesideEscapedBytes) {
    // Escaped bytes are lone surrogates, which a regular expression refuses to search.
    const QString text = QStringLiteral("x.html\n") + escaped({0x93, 0xFA}) + QStringLiteral("\ny.html\r\nz\u2028w\u2029v\rlast\n");
    EXPECT_EQ(TextLines::editorLines(text),
              (QStringList{"x.html", escaped({0x93, 0xFA}), "y.html", "z", "w", "v", "last"}));
    EXPECT_EQ(TextLines::editorLines(QStringLiteral("a\n\n")), (QStringList{"a", ""}));
    EXPECT_TRUE(TextLines::editorLines(QString()).isEmpty());
}

TEST(CloseUrlList, AppendAddsOnlyTheNewLineAndCreatesAMissingList) {
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    const std::string before = "http://a/\r\n" + SjisNihongo + "\n\xFF\xC2\xA0 odd\rlast-without-end";
    dir.write("CloseURL.txt", before);
    list.append(QStringLiteral("http://新/"));
    // In the list's own set: it holds Shift_JIS.
    EXPECT_EQ(dir.read("CloseURL.txt"), before + "\r\nhttp://\x90\x56/\r\n");
    // A last line that ends already, whatever its line end, gets no second one.
    for (const std::string ending : {"x\r\n", "x\n", "x\r"}) {
        dir.write("CloseURL.txt", SjisNihongo + ending);
        list.append(QStringLiteral("http://b/"));
        EXPECT_EQ(dir.read("CloseURL.txt"), SjisNihongo + ending + "http://b/\r\n");
    }
    // An empty list, and a missing one, hold just the new line afterwards.
    dir.write("CloseURL.txt", "");
    list.append(QStringLiteral("http://c/"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://c/\r\n");
    ASSERT_TRUE(QFile::remove(dir.file("CloseURL.txt")));
    list.append(QStringLiteral("http://c/"));
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://c/\r\n");
    EXPECT_TRUE(list.contains(QStringLiteral("http://c/")));
    EXPECT_FALSE(list.contains(QStringLiteral("http://c")));
}

TEST(CloseUrlList, AnEditorsUnchangedLinesComeBackByteForByte) {
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    dir.write("CloseURL.txt", "http://a/\r\n" + SjisNihongo + "\r\n\xFF\xC2\xA0\r\nhttp://d/");
    TextLines::ListFile lines = list.readAll();
    lines.lines = throughPlainTextEdit(lines.lines);
    ASSERT_EQ(lines.lines.size(), 4);
    lines.lines[0] = QStringLiteral("http://あ/");
    list.replace(lines);
    // A Shift_JIS list: the new line goes in as Shift_JIS.
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://\x82\xA0/\r\n" + SjisNihongo + "\r\n\xFF\xC2\xA0\r\nhttp://d/\r\n");
    EXPECT_TRUE(list.contains(QStringLiteral("http://d/")));
}

TEST(CloseUrlList, AShiftJisLocaleKeepsUtf8LinesToo) {
    AnsiCharset sjis("CP932");
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    const std::string utf8Line = "http://\xE6\x97\xA5\xE6\x9C\xAC/";  // not Shift_JIS
    const std::string broken = "bad\x81 \xFF";  // a lead byte without its trail byte
    dir.write("CloseURL.txt", utf8Line + "\r\n" + broken + "\r\n" + SjisNihongo);
    list.append(QStringLiteral("http://日本/"));
    const std::string after = utf8Line + "\r\n" + broken + "\r\n" + SjisNihongo + "\r\nhttp://\x93\xfa\x96\x7b/\r\n";
    EXPECT_EQ(dir.read("CloseURL.txt"), after);
    EXPECT_TRUE(list.contains(QStringLiteral("日本語")));
    TextLines::ListFile lines = list.readAll();
    lines.lines = throughPlainTextEdit(lines.lines);
    list.replace(lines);
    EXPECT_EQ(dir.read("CloseURL.txt"), after);
}
