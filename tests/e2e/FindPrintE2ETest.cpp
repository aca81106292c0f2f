// Find in page and printing end to end, the same test in every engine: the system's
// Chromium and the built-in engine in the Internet Explorer slot, WebKit in its host. A
// page from a local server; the find bar typed into as a user types; the page printed
// to a PDF file, whose text poppler reads back.

#include "IeEngines.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "app/PagePrint.h"
#include "engines/EngineControls.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/ErrorBox.h"
#include "views/FindBar.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

enum class Engine { SystemChromium, BuiltIn, WebKit };

constexpr int Timeout = 30000;

const char* const Page = R"(<!doctype html><html><head><meta charset="utf-8"><title>検索のページ</title></head>
<body><p>Apple apple APPLE</p><p>りんごとバナナ、りんご。</p><p id="far" style="margin-top:3000px">apple far below</p>
<p style="display:none">apple hidden</p></body></html>)";

struct FindPrintE2E : ::testing::TestWithParam<Engine> {
    ProgramFolder dir;
    ErrorRecorder errors;
    PageServer server;
    std::unique_ptr<TMainForm> form;
    TViewWindow* view = nullptr;

    static void SetUpTestSuite() {
        IeEngines::registerEveryEngine();
    }

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        const bool ie = GetParam() != Engine::WebKit;
        if (ie) {
            const IeEngine slot = GetParam() == Engine::SystemChromium ? IeEngine::SystemChromium : IeEngine::BuiltIn;
            if (IeEngines::unavailable(slot)) GTEST_SKIP() << "the system has no Chromium";
            IeEngines::use(slot);
        }
        server.setPage("/find.html", Page);
        dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n");
        form = std::make_unique<TMainForm>(dir.path());
        form->setGeometry(20, 20, 1100, 700);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        ErrorBox::guard([&] { view = form->OpenViewWindowIn(ie, QStringLiteral("cap"), server.url(QStringLiteral("/find.html"))); });
        ASSERT_TRUE(view);
        ASSERT_TRUE(waitUntil([&] { return view->windowTitle() == QStringLiteral("検索のページ"); }, Timeout))
            << view->windowTitle().toStdString();
    }

    void TearDown() override {
        if (form)
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        WebKit::shutdownHost();
        form.reset();
        IeEngines::use(IeEngine::BuiltIn);
    }

    // WebKit counts the matches but does not tell which one it shows.
    QString counted(int current, int total) const {
        return TFindBar::resultText(GetParam() == Engine::WebKit ? 0 : current, total);
    }
    bool shows(const QString& text) const {
        return waitUntil([&] { return view->findBar()->resultLabel()->text() == text; }, Timeout);
    }
};

std::string name(const ::testing::TestParamInfo<Engine>& info) {
    switch (info.param) {
    case Engine::SystemChromium: return "SystemChromium";
    case Engine::BuiltIn: return "BuiltIn";
    default: return "WebKit";
    }
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(, FindPrintE2E, ::testing::Values(Engine::SystemChromium, Engine::BuiltIn, Engine::WebKit), name);

TEST_P(FindPrintE2E, FindCountsTheMatchesMatchCaseNarrowsThemAndEnterStepsOn) {
    TFindBar* bar = view->findBar();
    ASSERT_TRUE(waitUntil([&] { return form->ActiveMDIChild() == view && form->controls().mnuEdit_Find->isEnabled(); }, Timeout));
    form->controls().mnuEdit_Find->trigger();
    ASSERT_TRUE(bar->isVisible());
    QTest::keyClicks(bar->textBox(), QStringLiteral("apple"));
    // Three near the top and one far below; the hidden one is no match.
    ASSERT_TRUE(shows(counted(1, 4))) << bar->resultLabel()->text().toStdString();
    QTest::keyClick(bar->textBox(), Qt::Key_Return);
    ASSERT_TRUE(shows(counted(2, 4))) << bar->resultLabel()->text().toStdString();
    QTest::keyClick(bar->textBox(), Qt::Key_Return, Qt::ShiftModifier);
    ASSERT_TRUE(shows(counted(1, 4))) << bar->resultLabel()->text().toStdString();

    bar->matchCaseBox()->setChecked(true);
    ASSERT_TRUE(shows(counted(1, 2))) << bar->resultLabel()->text().toStdString();
    bar->matchCaseBox()->setChecked(false);

    bar->textBox()->setText(QStringLiteral("りんご"));
    ASSERT_TRUE(shows(counted(1, 2))) << bar->resultLabel()->text().toStdString();
    bar->textBox()->setText(QStringLiteral("みかん"));
    ASSERT_TRUE(shows(TFindBar::resultText(0, 0))) << bar->resultLabel()->text().toStdString();

    QTest::keyClick(bar->textBox(), Qt::Key_Escape);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join(QLatin1Char('\n')).toStdString();
}

TEST_P(FindPrintE2E, PrintingToAPdfFileWritesThePagesText) {
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("印刷.pdf"));
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(target);
    printer->setPageSize(QPageSize(QPageSize::A4));
    auto* job = new PagePrint::Job(view->control()->ControlInterface(), printer);
    int result = -1;
    QString why;
    QObject::connect(job, &PagePrint::Job::finished, [&](bool ok, const QString& message) {
        result = ok;
        why = message;
    });
    job->start();
    ASSERT_TRUE(waitUntil([&] { return result != -1; }, Timeout));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);   // the ended job
    ASSERT_EQ(result, 1) << why.toStdString();

    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-enc"), QStringLiteral("UTF-8"), target, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(Timeout));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("Apple apple APPLE"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("りんご"))) << words.toStdString();
    EXPECT_TRUE(words.contains(QStringLiteral("far below"))) << words.toStdString();
}

// As a user does it: a click into the page, Ctrl+F there, typing with the pointer still
// over the page, Esc. Every engine hands Ctrl+F to the frame, and the keys typed next
// reach the find bar, not the page.
TEST_P(FindPrintE2E, CtrlFInsideThePageOpensTheBarAndTypingReachesIt) {
    QWidget* page = view->control();
    const QPoint at = page->mapToGlobal(QPoint(page->width() / 2, page->height() / 3));
    const auto xdotool = [](const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); };
    xdotool({QStringLiteral("mousemove"), QString::number(at.x()), QString::number(at.y()), QStringLiteral("click"),
             QStringLiteral("1")});
    QTest::qWait(500);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+f")});
    ASSERT_TRUE(waitUntil([&] { return view->findBar()->isVisible() && view->findBar()->textBox()->hasFocus(); }, Timeout));
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), QStringLiteral("apple")});
    ASSERT_TRUE(waitUntil([&] { return view->findBar()->textBox()->text() == QStringLiteral("apple"); }, Timeout))
        << view->findBar()->textBox()->text().toStdString();
    ASSERT_TRUE(waitUntil([&] { return view->findBar()->resultLabel()->text().endsWith(QStringLiteral("4 件")); }, Timeout))
        << view->findBar()->resultLabel()->text().toStdString();
    xdotool({QStringLiteral("key"), QStringLiteral("Escape")});
    EXPECT_TRUE(waitUntil([&] { return view->findBar()->isHidden(); }, Timeout));
}
