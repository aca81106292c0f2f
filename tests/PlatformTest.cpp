// Code page, line files and atomic replacement.

#include "TestSupport.h"
#include "platform/AtomicFile.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "platform/TextLines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(CodePage, InvalidBytesStayVisibleAndUnmappableCharactersBecomeQuestionMarks) {
    // One replacement character per bad byte; the good text around it survives.
    EXPECT_EQ(CodePage::decode("a\xFF\xFE" "b", "UTF-8"), QStringLiteral("a\uFFFD\uFFFDb"));
    // A lone Shift_JIS lead byte at the end.
    EXPECT_EQ(CodePage::decode("x\x82", "CP932"), QStringLiteral("x\uFFFD"));
    EXPECT_EQ(CodePage::encode(QStringLiteral("a😀b"), "CP932"), std::string("a?b"));
    const auto ncr = [](char32_t c) { return "&#" + std::to_string(static_cast<unsigned>(c)) + ";"; };
    EXPECT_EQ(CodePage::encode(QStringLiteral("日本😀"), "CP932", ncr), std::string("\x93\xfa\x96\x7b&#128512;"));
}

TEST(CodePage, ShiftJisRoundTripsJapanese) {
    const QString text = QStringLiteral("ブックマーク・フォルダ ～表示～");
    const std::string bytes = CodePage::encode(text, "CP932");
    EXPECT_EQ(CodePage::decode(bytes, "CP932"), text);
}

TEST(CodePage, PrefixNeverSplitsACharacter) {
    const std::string utf8 = "ab\xE3\x81\x82";  // "abあ"
    EXPECT_EQ(CodePage::prefixAtCharBoundary(utf8, 3), 2u);
    EXPECT_EQ(CodePage::prefixAtCharBoundary(utf8, 5), 5u);
    CodePage::overrideAnsiName("CP932");
    const std::string sjis = "a\x82\xa0\x82\xa2";  // "aあい" in Shift_JIS
    EXPECT_EQ(CodePage::prefixAtCharBoundary(sjis, 2), 1u);
    EXPECT_EQ(CodePage::prefixAtCharBoundary(sjis, 4), 3u);
    EXPECT_EQ(CodePage::toUnicode(sjis), QStringLiteral("aあい"));
    CodePage::overrideAnsiName("");
}

TEST(TextLines, EveryLineEndIsALineEndAndWritesUseCrLf) {
    EXPECT_EQ(TextLines::split("a\r\nb\nc\rd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(TextLines::split("a\r\n"), QStringList({"a"}));
    EXPECT_EQ(TextLines::split("\r\n\r\n"), QStringList({"", ""}));
    EXPECT_EQ(TextLines::split("a\n\rb"), QStringList({"a", "", "b"}));  // LF then a lone CR
    EXPECT_TRUE(TextLines::split("").isEmpty());
    EXPECT_EQ(TextLines::join({"x", "", "日本"}), std::string("x\r\n\r\n\xE6\x97\xA5\xE6\x9C\xAC\r\n"));
}

TEST(AtomicFile, ReplacesWholeFilesAndKeepsLinks) {
    ProgramFolder dir;
    QFile::remove(dir.file("CloseURL.txt"));  // the folder holds these files alone
    dir.write("target.txt", "old");
    ASSERT_EQ(::symlink(QFile::encodeName(dir.file("target.txt")).constData(),
                        QFile::encodeName(dir.file("link.txt")).constData()), 0);
    AtomicFile::write(dir.file("link.txt"), "new contents");
    EXPECT_EQ(dir.read("target.txt"), "new contents");
    EXPECT_TRUE(QFileInfo(dir.file("link.txt")).isSymLink());
    // No temporary files are left behind.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(), 2);
}

TEST(AtomicFile, RefusalsLeaveTheOldFileAndNameThePath) {
    ProgramFolder dir;
    dir.write("config.ini", "keep me");
    ::chmod(QFile::encodeName(dir.file("config.ini")).constData(), 0444);
    try {
        AtomicFile::write(dir.file("config.ini"), "lost?");
        FAIL() << "a read-only file was replaced";
    } catch (const EWriteError& e) {
        EXPECT_EQ(e.message(), dir.file("config.ini") + QStringLiteral(" に書き込めません"));
    }
    EXPECT_EQ(dir.read("config.ini"), "keep me");

    const QString inMissingFolder = dir.file("gone/config.ini");
    EXPECT_THROW(AtomicFile::write(inMissingFolder, "x"), EWriteError);
    EXPECT_FALSE(AtomicFile::readIfExists(dir.file("absent")).has_value());
    EXPECT_THROW(AtomicFile::read(dir.file("absent")), EFOpenError);
}
