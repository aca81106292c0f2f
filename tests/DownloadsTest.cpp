// The frame's downloads with an engine stand-in: the questions, the window, and what is
// left on disk at each way a download can end.

#include "DownloadAnswers.h"
#include "FrameFixture.h"
#include "downloads/DownloadWindow.h"
#include "downloads/Downloads.h"
#include "engines/Download.h"
#include "engines/WebBrowser2.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class FakeDownload : public Download {
public:
    FakeDownload() : Download(QUrl("http://example.test:8080/files/a.zip"), "a.zip", "application/zip", 10) {}
    int stops = 0;
    void receive(const QByteArray& bytes) {
        QFile file(tempPath());
        ASSERT_TRUE(file.open(QIODevice::Append));
        file.write(bytes);
        file.close();
        reportProgress(file.size(), totalBytes());
    }
    void end(bool ok, const QString& message = {}) { reportFinished(ok, message); }

protected:
    void start(const QString&) override {}
    void stop() override { ++stops; }
};

struct DownloadsTest : ::testing::Test {
    QTemporaryDir dir;
    Downloads downloads;
    QStringList status;
    DownloadAnswers answers;
    std::shared_ptr<FakeDownload> download = std::make_shared<FakeDownload>();

    void SetUp() override {
        QObject::connect(&downloads, &Downloads::statusText, [this](const QString& text) { status << text; });
        answers.target = dir.filePath("a.zip");
    }
    QStringList files() const { return QDir(dir.path()).entryList(QDir::Files | QDir::NoDotAndDotDot); }
    DownloadWindow* window() const { return downloads.windows().value(0); }
};

TEST_F(DownloadsTest, AWholeFileGetsTheChosenNameOnlyWhenTheEngineSaysItIsWhole) {
    downloads.request(download, nullptr);
    ASSERT_EQ(answers.confirms, 1);
    ASSERT_NE(window(), nullptr);
    EXPECT_EQ(download->tempPath(), dir.filePath("a.zip.part"));
    download->receive("0123456789");
    EXPECT_EQ(files(), QStringList{"a.zip.part"});
    download->end(true);
    EXPECT_EQ(files(), QStringList{"a.zip"});
    EXPECT_EQ(window()->state(), DownloadWindow::State::Saved);
    EXPECT_FALSE(window()->openButton()->isHidden());
    // Enter closes the window; what came runs only on a click of 開く.
    EXPECT_TRUE(window()->closeButton()->isDefault());
    EXPECT_FALSE(window()->openButton()->autoDefault());
    EXPECT_EQ(status, QStringList({DownloadText::started("a.zip"), DownloadText::saved("a.zip", dir.filePath("a.zip"))}));
    EXPECT_EQ(download->stops, 0);
}

TEST_F(DownloadsTest, NoAnswerCancelOrFailureLeavesAFile) {
    // キャンセル in the first question, then in the save dialog.
    answers.save = false;
    downloads.request(download, nullptr);
    EXPECT_EQ(download->stops, 1);
    answers.save = true;
    answers.target.clear();
    auto second = std::make_shared<FakeDownload>();
    downloads.request(second, nullptr);
    EXPECT_EQ(answers.saveDialogs, 0);
    EXPECT_EQ(second->stops, 1);
    EXPECT_TRUE(downloads.windows().isEmpty());

    // A site that breaks off half way.
    answers.target = dir.filePath("a.zip");
    auto third = std::make_shared<FakeDownload>();
    downloads.request(third, nullptr);
    third->receive("01234");
    third->end(false, QStringLiteral("接続が切れました"));
    EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();
    EXPECT_EQ(status.last(), DownloadText::failed("a.zip", QStringLiteral("接続が切れました")));
}

TEST(DownloadRequest, ARequestNobodyKeepsIsCancelledAndOneKeptIsNot) {
    DWebBrowserEvents2 events;
    auto unwanted = std::make_shared<FakeDownload>();
    QString end;
    QObject::connect(unwanted.get(), &Download::finished, [&](bool, const QString& message) { end = message; });
    events.fireDownloadRequest(std::move(unwanted));
    EXPECT_EQ(end, DownloadText::cancelled());

    std::shared_ptr<Download> kept;
    QObject::connect(&events, &DWebBrowserEvents2::DownloadRequest,
                     [&](const std::shared_ptr<Download>& download) { kept = download; });
    events.fireDownloadRequest(std::make_shared<FakeDownload>());
    ASSERT_TRUE(kept);
    EXPECT_FALSE(kept->isFinished());
}

struct DownloadsFrameTest : FrameFixture {};

TEST_F(DownloadsFrameTest, ClosingTheFrameWhileAFileIsComingAsksFirst) {
    start();
    QTemporaryDir saveDir;
    DownloadAnswers answers;
    answers.target = saveDir.filePath("a.zip");
    auto download = std::make_shared<FakeDownload>();
    form->ViewDownloadRequest(download);
    download->receive("01234");
    EXPECT_FALSE(form->close());
    EXPECT_EQ(answers.yesNoQuestions, 1);
    EXPECT_EQ(download->stops, 0);
    answers.yes = true;
    EXPECT_TRUE(form->close());
    form.reset();
    EXPECT_EQ(download->stops, 1);
    EXPECT_TRUE(QDir(saveDir.path()).isEmpty());
}

}  // namespace
