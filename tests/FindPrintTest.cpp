// Find in page and printing as the frame does them for every engine: the find bar's keys
// and what it shows of the engine's answers, the keys a page hands over, and the print
// job that takes the engine's PDF to a file or onto a printer. The recording engine
// stands in for the engines, in each slot in turn.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "app/PagePrint.h"
#include "platform/ErrorBox.h"
#include "views/FindBar.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A PDF of the given number of pages, each with a line of text.
void writePdf(const QString& path, int pages) {
    QPdfWriter writer(path);
    QPainter painter(&writer);
    for (int i = 0; i < pages; ++i) {
        if (i) writer.newPage();
        painter.drawText(200, 200, QStringLiteral("page %1").arg(i + 1));
    }
}

// true: the IE slot; false: the Gecko slot.
struct FindPrint : ::testing::TestWithParam<bool> {
    ProgramFolder dir;
    ErrorRecorder errors;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;
    TViewWindow* view = nullptr;

    void SetUp() override {
        dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n");
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(900, 700);
        form->show();
        QApplication::setActiveWindow(form.get());
        ErrorBox::guard([&] { view = form->OpenViewWindowIn(GetParam(), QStringLiteral("cap"), QStringLiteral("http://a/")); });
        ASSERT_TRUE(view);
        ASSERT_TRUE(waitUntil([&] { return form->ActiveMDIChild() == view; }));
    }
    void TearDown() override {
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
    }
    FakeEngine* engine() const { return FakeEngine::of(view->control()); }
    TFindBar* bar() const { return view->findBar(); }
    // The last Find: text, forward, match case.
    std::tuple<QString, bool, bool> lastFind() const {
        const QList<FakeCall> finds = engine()->callsOf(QStringLiteral("Find"));
        if (finds.isEmpty()) return {};
        const FakeCall& f = finds.back();
        return {f.args[0].toString(), f.args[1].toBool(), f.args[2].toBool()};
    }
};

}  // namespace

INSTANTIATE_TEST_SUITE_P(, FindPrint, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "IE" : "Gecko"; });

TEST_P(FindPrint, TheFindBarSearchesAsTheUserTypesStepsWithEnterAndShowsTheCount) {
    ASSERT_TRUE(bar()->isHidden());
    form->controls().mnuEdit_Find->trigger();
    ASSERT_TRUE(bar()->isVisible());
    ASSERT_TRUE(waitUntil([&] { return bar()->textBox()->hasFocus(); }));

    QTest::keyClicks(bar()->textBox(), QStringLiteral("ab"));
    const QList<FakeCall> typed = engine()->callsOf(QStringLiteral("Find"));
    ASSERT_EQ(typed.size(), 2);
    EXPECT_EQ(typed[0].args[0].toString(), QStringLiteral("a"));
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("ab"), true, false));

    engine()->events().fireFindResult(3, 12);
    EXPECT_EQ(bar()->resultLabel()->text(), QStringLiteral("3 / 12 件"));
    engine()->events().fireFindResult(0, 5);   // an engine that does not tell which
    EXPECT_EQ(bar()->resultLabel()->text(), QStringLiteral("5 件"));
    engine()->events().fireFindResult(0, 0);
    EXPECT_EQ(bar()->resultLabel()->text(), QStringLiteral("見つかりません"));

    QTest::keyClick(bar()->textBox(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("ab"), false, false));
    QTest::keyClick(bar()->textBox(), Qt::Key_Return);
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("ab"), true, false));
    bar()->matchCaseBox()->setChecked(true);
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("ab"), true, true));
    form->controls().FindPrevious1->trigger();
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("ab"), false, true));

    // Emptying the box takes the marks away; a late answer shows nothing.
    engine()->calls.clear();
    bar()->textBox()->clear();
    EXPECT_EQ(engine()->callNames(), QStringList{QStringLiteral("StopFinding")});
    engine()->events().fireFindResult(1, 2);
    EXPECT_TRUE(bar()->resultLabel()->text().isEmpty());
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_P(FindPrint, EscClosesTheBarTakesTheMarksAwayAndGivesThePageTheKeyboard) {
    form->controls().mnuEdit_Find->trigger();
    QTest::keyClicks(bar()->textBox(), QStringLiteral("x"));
    ASSERT_TRUE(waitUntil([&] { return bar()->textBox()->hasFocus(); }));
    engine()->calls.clear();
    QTest::keyClick(bar()->textBox(), Qt::Key_Escape);
    EXPECT_TRUE(bar()->isHidden());
    EXPECT_EQ(engine()->callNames(), QStringList{QStringLiteral("StopFinding")});
    QWidget* page = engine()->widget();
    EXPECT_TRUE(waitUntil([&] { return QApplication::focusWidget() == page || page->isAncestorOf(QApplication::focusWidget()); }));

    // Opening again keeps the text, selected, and searches it anew.
    engine()->calls.clear();
    form->controls().mnuEdit_Find->trigger();
    EXPECT_EQ(bar()->textBox()->selectedText(), QStringLiteral("x"));
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("x"), true, false));
}

TEST_P(FindPrint, CtrlFAndCtrlPAndF3FromInsideThePageReachTheFrame) {
    // The keys a page hands over (the system's Chromium and WebKit keep them from the page).
    engine()->events().fireUnusedKey(Qt::Key_F, Qt::ControlModifier, QString());
    ASSERT_TRUE(bar()->isVisible());
    bar()->textBox()->setText(QStringLiteral("q"));
    engine()->calls.clear();
    engine()->events().fireUnusedKey(Qt::Key_F3, Qt::NoModifier, QString());
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("q"), true, false));
    engine()->events().fireUnusedKey(Qt::Key_F3, Qt::ShiftModifier, QString());
    EXPECT_EQ(lastFind(), std::make_tuple(QStringLiteral("q"), false, false));

    // Ctrl+P opens the print dialog without holding the frame up; cancelling prints nothing.
    engine()->events().fireUnusedKey(Qt::Key_P, Qt::ControlModifier, QString());
    QPrintDialog* dialog = nullptr;
    ASSERT_TRUE(waitUntil([&] { return (dialog = form->findChild<QPrintDialog*>()) && dialog->isVisible(); }));
    dialog->reject();
    QCoreApplication::processEvents();
    EXPECT_TRUE(engine()->callsOf(QStringLiteral("PrintToPdf")).isEmpty());
}

TEST_P(FindPrint, APrintToFileReplacesTheFileOnlyWithTheEnginesCompletePdf) {
    QTemporaryDir out;
    const QString target = out.filePath(QStringLiteral("page.pdf"));
    QFile old(target);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    const auto startJob = [&] {
        auto printer = std::make_shared<QPrinter>();
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(target);
        printer->setPageSize(QPageSize(QPageSize::A4));
        auto* job = new PagePrint::Job(*engine(), printer);
        auto result = std::make_shared<std::pair<int, QString>>(-1, QString());
        QObject::connect(job, &PagePrint::Job::finished, [result](bool ok, const QString& why) { *result = {ok, why}; });
        job->start();
        return result;
    };

    // The engine fails: the old file stays, and the reason is told.
    auto failed = startJob();
    ASSERT_EQ(engine()->callsOf(QStringLiteral("PrintToPdf")).size(), 1);
    const FakeCall call = engine()->callsOf(QStringLiteral("PrintToPdf")).back();
    EXPECT_EQ(call.args[1].toString(), QStringLiteral("210x297"));
    engine()->events().firePrintFinished(call.args[0].toString(), false, QStringLiteral("理由"));
    EXPECT_EQ(failed->first, 0);
    EXPECT_EQ(failed->second, QStringLiteral("理由"));
    QFile kept(target);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), QByteArray("old"));
    kept.close();

    // The engine writes its PDF: that file, whole, takes the old one's place.
    auto done = startJob();
    const QString pdf = engine()->callsOf(QStringLiteral("PrintToPdf")).back().args[0].toString();
    EXPECT_NE(pdf, target);
    writePdf(pdf, 2);
    engine()->events().firePrintFinished(QStringLiteral("/elsewhere.pdf"), true, QString());   // another job's
    EXPECT_EQ(done->first, -1);
    engine()->events().firePrintFinished(pdf, true, QString());
    EXPECT_EQ(done->first, 1);
    QPdfDocument written;
    ASSERT_EQ(written.load(target), QPdfDocument::Error::None);
    EXPECT_EQ(written.pageCount(), 2);

    // A page whose window closes while it is printed ends the print, as failed.
    auto closed = startJob();
    delete view;
    view = nullptr;
    EXPECT_EQ(closed->first, 0);
    EXPECT_FALSE(closed->second.isEmpty());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);   // the ended jobs
}

TEST(PagePrintDraw, EveryPageOfThePdfOrTheChosenRangeGoesOntoThePrinter) {
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("in.pdf"));
    writePdf(source, 3);
    const auto drawn = [&](int from, int to) {
        const QString target = dir.filePath(QStringLiteral("out%1%2.pdf").arg(from).arg(to));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(target);
        if (from) {
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(from, to);
        }
        QString error;
        EXPECT_TRUE(PagePrint::drawPdf(source, printer, &error)) << error.toStdString();
        QPdfDocument out;
        out.load(target);
        return out.pageCount();
    };
    EXPECT_EQ(drawn(0, 0), 3);
    EXPECT_EQ(drawn(2, 3), 2);
    EXPECT_EQ(drawn(3, 9), 1);

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("never.pdf")));
    QString error;
    EXPECT_FALSE(PagePrint::drawPdf(dir.filePath(QStringLiteral("missing.pdf")), printer, &error));
    EXPECT_FALSE(error.isEmpty());
}
