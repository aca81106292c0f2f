// The file of a download: written under a temporary name beside its target, named only
// when whole, never replacing a file the user did not agree to replace.

#include "downloads/DownloadFile.h"
#include "platform/Errors.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

QByteArray read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

QStringList entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

struct DownloadFileTest : ::testing::Test {
    QTemporaryDir dir;
    QString target(const QString& name = QStringLiteral("a.zip")) const { return dir.filePath(name); }
};

TEST_F(DownloadFileTest, TheFileHasItsNameOnlyOnceCommittedAndTheTemporaryNamesNeverMeet) {
    DownloadFile first(target(), false);
    DownloadFile second(target(), false);
    EXPECT_EQ(first.tempPath(), target() + ".part");
    EXPECT_EQ(second.tempPath(), target() + ".2.part");
    EXPECT_EQ(entries(dir), QStringList({"a.zip.2.part", "a.zip.part"}));

    write(first.tempPath(), "whole");
    EXPECT_EQ(first.commit(), target());
    EXPECT_EQ(read(target()), "whole");
    EXPECT_TRUE(first.committed());
    EXPECT_EQ(first.path(), target());
    EXPECT_FALSE(QFile::exists(first.tempPath()));
    // A second commit names the same file again and does nothing.
    EXPECT_EQ(first.commit(), target());
}

TEST_F(DownloadFileTest, ADownloadThatDoesNotEndWholeLeavesNothing) {
    {
        DownloadFile cancelled(target(), false);
        write(cancelled.tempPath(), "half");
        cancelled.discard();
        EXPECT_FALSE(QFile::exists(cancelled.tempPath()));
        EXPECT_THROW(cancelled.commit(), TavixError);
        // Cut off without a word (its window went with the program).
        DownloadFile cutOff(target(QStringLiteral("b.zip")), false);
        write(cutOff.tempPath(), "half");
    }
    EXPECT_TRUE(entries(dir).isEmpty()) << entries(dir).join(", ").toStdString();
}

TEST_F(DownloadFileTest, AFileThatAppearedMeanwhileIsKeptUnlessTheUserAgreedToReplaceIt) {
    DownloadFile kept(target(QStringLiteral("a.tar.gz")), false);
    write(kept.tempPath(), "new");
    write(target(QStringLiteral("a.tar.gz")), "theirs");
    write(target(QStringLiteral("a (2).tar.gz")), "theirs too");
    EXPECT_EQ(kept.commit(), target(QStringLiteral("a (3).tar.gz")));
    EXPECT_EQ(read(target(QStringLiteral("a.tar.gz"))), "theirs");
    EXPECT_EQ(read(target(QStringLiteral("a (2).tar.gz"))), "theirs too");
    EXPECT_EQ(read(target(QStringLiteral("a (3).tar.gz"))), "new");

    write(target(), "old");
    DownloadFile replacing(target(), true);
    write(replacing.tempPath(), "new");
    EXPECT_EQ(replacing.commit(), target());
    EXPECT_EQ(read(target()), "new");
}

TEST_F(DownloadFileTest, AWholeFileThatCannotTakeItsNameStaysWhereItIs) {
    // A folder in the way of the name the user agreed to replace.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("a.zip/inside")));
    DownloadFile file(target(), true);
    write(file.tempPath(), "whole");
    try {
        file.commit();
        FAIL() << "committed over a folder";
    } catch (const TavixError& error) {
        EXPECT_TRUE(error.message().contains(QDir::toNativeSeparators(file.tempPath()))) << error.message().toStdString();
    }
    EXPECT_EQ(read(file.tempPath()), "whole");
}

TEST_F(DownloadFileTest, AFolderThatCannotBeWrittenIsRefusedAtOnce) {
    EXPECT_THROW(DownloadFile(dir.filePath(QStringLiteral("missing/a.zip")), false), TavixError);
}

}  // namespace
