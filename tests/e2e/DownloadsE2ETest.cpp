// Downloads end to end, once with each engine: the real frame on a virtual display, files
// from a local server, the questions answered as a user would. Run by webkit_e2e.sh.

#include "DownloadAnswers.h"
#include "IeEngines.h"
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
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Timeout = 60000;
constexpr qint64 FileSize = 20 * 1024 * 1024;

enum class Engine { SystemChromium, BuiltIn, WebKit };

// A page, and a file served at a set pace: /file.zip fast, /slow.zip slowly enough to be
// cancelled half way.
class FileServer {
public:
    explicit FileServer(QByteArray file) : file_(std::move(file)) {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
    }
    QString url(const QString& path) const { return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path); }
    QByteArrayList requests;

private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = buffers_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        const QByteArray path = request.split(' ').value(1);
        buffers_.remove(socket);
        requests << path;
        if (path != "/file.zip" && path != "/slow.zip") {
            const QByteArray page = "<html><head><title>Downloads</title></head><body>"
                                    "<a href=\"/file.zip\">file.zip</a></body></html>";
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\nConnection: close\r\n"
                          "Content-Length: " + QByteArray::number(page.size()) + "\r\n\r\n" + page);
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/zip\r\nConnection: close\r\n"
                      "Cache-Control: no-store\r\nContent-Length: " + QByteArray::number(file_.size()) + "\r\n\r\n");
        const qint64 chunk = path == "/slow.zip" ? 32 * 1024 : 1024 * 1024;
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qint64>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent, chunk] {
            if (socket->bytesToWrite() > 4 * chunk) return;   // the reader is behind
            const QByteArray part = file_.mid(*sent, chunk);
            socket->write(part);
            *sent += part.size();
            if (*sent >= file_.size()) {
                timer->stop();
                socket->disconnectFromHost();
            }
        });
        timer->start(path == "/slow.zip" ? 50 : 20);
    }

    QByteArray file_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QTcpServer server_;
};

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
    std::unique_ptr<FileServer> server;
    std::unique_ptr<TMainForm> form;
    TViewWindow* view = nullptr;

    static void SetUpTestSuite() {
        IeEngines::registerBoth();
        WebKit::setHostProgram(QStringLiteral(TAVIX_WEBKIT_HOST));
        WebKit::registerEngine();
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
        server = std::make_unique<FileServer>(file);
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
                 << " replace questions " << answers.replaceQuestions;
    EXPECT_FALSE(namedEarly);
    ASSERT_EQ(window()->state(), DownloadWindow::State::Saved) << status().toStdString();
    EXPECT_EQ(window()->savedPath(), target());
    EXPECT_EQ(sha256(target()), QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
    EXPECT_EQ(saved(), QStringList{"file.zip"});
    EXPECT_EQ(status(), DownloadText::saved("file.zip", target()));
    EXPECT_EQ(answers.confirms, 1);
    EXPECT_EQ(answers.startFolder, saveDir.path());
    EXPECT_EQ(server->requests.count("/file.zip"), 1);
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
    answers.replace = false;
    download(QStringLiteral("/file.zip"));
    ASSERT_TRUE(waitUntil([&] { return status() == DownloadText::failed("file.zip", DownloadText::cancelled()); }, Timeout))
        << status().toStdString();
    EXPECT_EQ(answers.replaceQuestions, 1);
    QTest::qWait(500);
    EXPECT_EQ(saved(), QStringList{"file.zip"});
    QFile mine(target());
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), "mine");
    EXPECT_TRUE(form->DownloadList()->windows().isEmpty());
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
