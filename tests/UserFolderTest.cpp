// Where the user's files go: beside a program the user may write to, else in the data
// folder, which a first start there fills with what a program folder brings along.

#include "platform/Errors.h"
#include "settings/CloseUrlList.h"
#include "settings/UserFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A scratch data home and the program's name, as main sets it; both put back after.
class DataHome : public ::testing::Test {
protected:
    void SetUp() override {
        savedHome_ = qgetenv("XDG_DATA_HOME");
        hadHome_ = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        savedName_ = QCoreApplication::applicationName();
        qputenv("XDG_DATA_HOME", home.path().toLocal8Bit());
        QCoreApplication::setApplicationName(QStringLiteral("Tavix"));
    }
    void TearDown() override {
        ::chmod(QFile::encodeName(program.path()).constData(), 0700);
        if (hadHome_) qputenv("XDG_DATA_HOME", savedHome_);
        else qunsetenv("XDG_DATA_HOME");
        QCoreApplication::setApplicationName(savedName_);
    }
    QString dataFolder() const { return home.path() + QStringLiteral("/Tavix/"); }
    void closeProgramFolder() { ASSERT_EQ(::chmod(QFile::encodeName(program.path()).constData(), 0555), 0); }

    QTemporaryDir home;
    QTemporaryDir program;

private:
    QByteArray savedHome_;
    bool hadHome_ = false;
    QString savedName_;
};

}  // namespace

TEST_F(DataHome, AWritableProgramFolderKeepsTheFilesAndGetsNothingNew) {
    EXPECT_TRUE(programFolderWritable(program.path()));
    EXPECT_EQ(userFilesFolder(program.path()), program.path() + u'/');
    EXPECT_EQ(userFilesFolder(program.path() + u'/'), program.path() + u'/');
    // The build places these itself; the rule adds nothing beside the program.
    EXPECT_FALSE(QFileInfo::exists(program.filePath(QStringLiteral("CloseURL.txt"))));
    EXPECT_FALSE(QFileInfo::exists(dataFolder()));
    // The probe leaves nothing behind.
    EXPECT_TRUE(QDir(program.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden).isEmpty());
}

// Run as root too: root may write anywhere, yet a folder closed by its bits is the
// system's, not the user's.
TEST_F(DataHome, AReadOnlyProgramFolderSendsTheFilesToANewDataFolderReadyForAFirstStart) {
    closeProgramFolder();
    EXPECT_FALSE(programFolderWritable(program.path()));
    EXPECT_EQ(userFilesFolder(program.path()), dataFolder());
    EXPECT_TRUE(QFileInfo(dataFolder()).isDir());
    // The popup filter reads an empty list instead of failing; no config.ini, so the
    // start is still a first start.
    EXPECT_FALSE(CloseUrlList(dataFolder()).contains(QStringLiteral("http://a/")));
    EXPECT_EQ(QFileInfo(dataFolder() + QStringLiteral("CloseURL.txt")).size(), 0);
    EXPECT_TRUE(QFileInfo(dataFolder() + QStringLiteral("WebList")).isDir());
    EXPECT_FALSE(QFileInfo::exists(dataFolder() + QStringLiteral("config.ini")));

    // Later starts keep what the user put there.
    CloseUrlList(dataFolder()).append(QStringLiteral("http://popup/"));
    EXPECT_EQ(userFilesFolder(program.path()), dataFolder());
    EXPECT_TRUE(CloseUrlList(dataFolder()).contains(QStringLiteral("http://popup/")));
}

TEST_F(DataHome, TheSystemsProgramFoldersAndMissingFoldersAreNeverTheUsers) {
    EXPECT_FALSE(programFolderWritable(QStringLiteral("/usr/bin")));
    EXPECT_FALSE(programFolderWritable(QStringLiteral("/usr/local/bin/")));
    EXPECT_FALSE(programFolderWritable(program.path() + QStringLiteral("/missing")));
    EXPECT_EQ(userFilesFolder(QStringLiteral("/usr/bin")), dataFolder());
}

TEST_F(DataHome, ADataFolderThatCannotBeMadeIsReported) {
    closeProgramFolder();
    const QString blocked = home.path() + QStringLiteral("/Tavix");
    QFile file(blocked);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));  // a file where the folder would go
    file.close();
    EXPECT_THROW(userFilesFolder(program.path()), EWriteError);
}
