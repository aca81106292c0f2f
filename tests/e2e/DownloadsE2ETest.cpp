// Downloads end to end, once with each engine: the real frame on a virtual display, files
// from a local server (/file.zip fast, /slow.zip slowly enough to be cancelled half way),
// the questions answered as a user would. Run by webkit_e2e.sh.

#include "DownloadAnswers.h"
#include "IeEngines.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "downloads/DownloadFile.h"
#include "downloads/DownloadWindow.h"
#include "downloads/Downloads.h"
#include "engines/Download.h"
#include "engines/EngineControls.h"
#include "engines/webkit/WebKitEngine.h"
#include "views/ViewWindow.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Timeout = 60000;
constexpr qint64 FileSize = 20 * 1024 * 1024;

enum class Engine { SystemChromium, BuiltIn, WebKit };

QByteArray randomFile() {
    QByteArray bytes(FileSize, Qt::Uninitialized);
    QRandomGenerator generator(20261209);
    generator.fillRange(reinterpret_cast<quint32*>(bytes.data()), bytes.size() / 4);
    return bytes;
}

QByteArray sha256(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

struct DownloadsE2E : ::testing::TestWithParam<Engine> {
    static inline QByteArray file;
    ProgramFolder dir;
    ErrorRecorder errors;
    QTemporaryDir saveDir;
    // The user's folders, naming saveDir as the download folder.
    QTemporaryDir userConfig;
    QByteArray previousConfig = qgetenv("XDG_CONFIG_HOME");
    std::unique_ptr<PageServer> server;
    std::unique_ptr<TMainForm> form;
    TViewWindow* view = nullptr;

    static void SetUpTestSuite() {
        IeEngines::registerEveryEngine();
        file = randomFile();
    }

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        if (GetParam() == Engine::SystemChromium && IeEngines::unavailable(IeEngine::SystemChromium))
            GTEST_SKIP() << "the system has no Chromium";
        IeEngines::use(GetParam() == Engine::SystemChromium ? IeEngine::SystemChromium : IeEngine::BuiltIn);
        {
            QFile dirs(userConfig.filePath(QStringLiteral("user-dirs.dirs")));
            ASSERT_TRUE(dirs.open(QIODevice::WriteOnly));
            dirs.write("XDG_DOWNLOAD_DIR=\"" + QFile::encodeName(saveDir.path()) + "\"\n");
        }
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(userConfig.path()));
        server = std::make_unique<PageServer>();
        server->setPage("/page", "<html><head><title>Downloads</title></head><body>"
                                 "<a href=\"/file.zip\">file.zip</a></body></html>");
        // About 50 MB/s, and slowly enough to be cancelled half way.
        server->setFile("/file.zip", file, "application/zip", 1024 * 1024, 20);
        server->setFile("/slow.zip", file, "application/zip", 32 * 1024, 50);
        dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=2\r\n");
        form = std::make_unique<TMainForm>(dir.path());
        form->setGeometry(20, 20, 1000, 700);
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        view = form->OpenViewWindowIn(GetParam() != Engine::WebKit, QStringLiteral("cap"), server->url("/page"));
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(waitUntil([&] { return view->windowTitle() == QStringLiteral("Downloads"); }, Timeout))
            << view->windowTitle().toStdString();
        if (GetParam() != Engine::WebKit) {
            ASSERT_EQ(IeEngines::chromiumOf(view->control()->ControlInterface()) != nullptr,
                      GetParam() == Engine::SystemChromium);
        }
    }

    void TearDown() override {
        if (form)
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
        WebKit::shutdownHost();
        IeEngines::use(IeEngine::BuiltIn);
        if (GetParam() == Engine::SystemChromium) ChromiumProcess::instance().resetFailure();
        if (previousConfig.isNull()) qunsetenv("XDG_CONFIG_HOME");
        else qputenv("XDG_CONFIG_HOME", previousConfig);
    }

    QString target() const { return saveDir.filePath(QStringLiteral("file.zip")); }
    QStringList saved() const { return QDir(saveDir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot); }
    DownloadWindow* window() const { return form->DownloadList()->windows().value(0); }
    QString status() const { return form->controls().StatusBar1->text(); }
    void download(const QString& path) { view->control()->Navigate(server->url(path)); }
};

TEST_P(DownloadsE2E, AFileArrivesWholeAndTakesItsNameOnlyWhenComplete) {
    DownloadAnswers answers;
    answers.target = target();
    download(QStringLiteral("/file.zip"));
    bool namedEarly = false;
    ASSERT_TRUE(waitUntil([&] {
        DownloadWindow* w = window();
        if (w && w->state() == DownloadWindow::State::Running && QFile::exists(target())) namedEarly = true;
        return w && w->state() != DownloadWindow::State::Running;
    }, Timeout)) << status().toStdString() << " questions " << answers.confirms << " save dialogs " << answers.saveDialogs
                 << " yes/no questions " << answers.yesNoQuestions;
    EXPECT_FALSE(namedEarly);
    ASSERT_EQ(window()->state(), DownloadWindow::State::Saved) << status().toStdString();
    EXPECT_EQ(window()->savedPath(), target());
    EXPECT_EQ(sha256(target()), QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(saved(), QStringList{"file.zip"});
    EXPECT_EQ(status(), DownloadText::saved("file.zip", target()));
    EXPECT_EQ(answers.confirms, 1);
    EXPECT_EQ(answers.startFolder, saveDir.path());
    // The page stays, done loading.
    EXPECT_TRUE(waitUntil([&] { return !view->control()->Busy(); }, 5000));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("Downloads"));
    EXPECT_EQ(view->LocationURL(), server->url("/page"));
    EXPECT_EQ(server->requests().count("/file.zip"), 1);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_P(DownloadsE2E, ACancelledDownloadLeavesNothing) {
    DownloadAnswers answers;
    answers.target = target();
    download(QStringLiteral("/slow.zip"));
    ASSERT_TRUE(waitUntil([&] { return window() && window()->download().receivedBytes() > 256 * 1024; }, Timeout));
    EXPECT_FALSE(QFile::exists(target()));
    window()->cancelButton()->click();
    EXPECT_EQ(status(), DownloadText::failed("file.zip", DownloadText::cancelled()));
    EXPECT_EQ(answers.saveDialogs, 1);
    // The engine lets go of what it wrote in its own time.
    EXPECT_TRUE(waitUntil([&] { return saved().isEmpty(); }, 5000)) << saved().join(", ").toStdString();
    QTest::qWait(500);
    EXPECT_TRUE(saved().isEmpty()) << saved().join(", ").toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_P(DownloadsE2E, AnExistingFileIsNotReplacedWithoutTheQuestion) {
    {
        QFile mine(target());
        ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
        mine.write("mine");
    }
    DownloadAnswers answers;
    answers.target = target();
    answers.yes = false;
    download(QStringLiteral("/file.zip"));
    ASSERT_TRUE(waitUntil([&] { return status() == DownloadText::failed("file.zip", DownloadText::cancelled()); }, Timeout))
        << status().toStdString();
    EXPECT_EQ(answers.yesNoQuestions, 1);
    QTest::qWait(500);
    EXPECT_EQ(saved(), QStringList{"file.zip"});
    QFile mine(target());
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "mine");
    EXPECT_TRUE(form->DownloadList()->windows().isEmpty());
}

TEST_P(DownloadsE2E, AFileAFrameOpensIsOfferedAsTheTopPagesIs) {
    server->setPage("/framed", "<html><head><title>Framed</title></head><body>"
                               "<iframe src=\"/file.zip\"></iframe></body></html>");
    DownloadAnswers answers;
    answers.save = false;
    download(QStringLiteral("/framed"));
    ASSERT_TRUE(waitUntil([&] { return answers.confirms == 1 && !status().isEmpty(); }, Timeout));
    EXPECT_EQ(status(), DownloadText::failed("file.zip", DownloadText::cancelled()));
    EXPECT_TRUE(saved().isEmpty()) << saved().join(", ").toStdString();
}

// The engine's process killed half way: the file is not saved, under any name.
TEST_P(DownloadsE2E, ADownloadCutOffByItsEngineEndingLeavesNothing) {
    if (GetParam() == Engine::BuiltIn) GTEST_SKIP() << "the built-in engine fetches inside the program itself";
    DownloadAnswers answers;
    answers.target = target();
    download(QStringLiteral("/slow.zip"));
    ASSERT_TRUE(waitUntil([&] { return window() && window()->download().receivedBytes() > 256 * 1024; }, Timeout));
    const qint64 pid = GetParam() == Engine::WebKit ? WebKit::hostProcessId() : Chromium::processId();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return window()->state() == DownloadWindow::State::Failed; }, Timeout));
    EXPECT_EQ(status(), DownloadText::failed("file.zip", DownloadText::engineEnded()));
    QTest::qWait(1000);
    EXPECT_TRUE(saved().isEmpty()) << saved().join(", ").toStdString();
}

std::string engineName(const ::testing::TestParamInfo<Engine>& info) {
    switch (info.param) {
    case Engine::SystemChromium: return "SystemChromium";
    case Engine::BuiltIn: return "BuiltIn";
    case Engine::WebKit: return "WebKit";
    }
    return {};
}

INSTANTIATE_TEST_SUITE_P(, DownloadsE2E, ::testing::Values(Engine::SystemChromium, Engine::BuiltIn, Engine::WebKit),
                         engineName);

}  // namespace
