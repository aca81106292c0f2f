// Browsing end to end: the real main window with Chromium in the IE slot, pages served
// from this process on 127.0.0.1. What is checked is what a user sees: captions, tabs,
// the address box, the buttons, the status bar, windows that open or do not.

#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "app/tmpWeb.h"
#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"
#include "engines/blink/BlinkBrowser.h"
#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/TextSize.h"
#include "engines/blink/BlinkEngine.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProgressBar>
#include <QTest>
#include <QToolButton>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <vector>
#include <memory>

namespace {

constexpr int Timeout = 20000;

template <typename Condition>
bool waitFor(Condition condition) {
    return waitUntil(condition, Timeout);
}

const QByteArray TitleOfFirst = "日本語のページ　１";
const QByteArray TitleOfSecond = "二番目のページ";
const QByteArray TitleOfTarget = "ポップアップ先";

class BrowseE2E : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Blink::useOffTheRecordProfile(); }

    BrowseE2E() {
        Blink::registerEngine();
        // The link covers the top left of the page, where the pointer is put.
        server.setPage("/", "<html><head><title>" + TitleOfFirst +
                                "</title></head><body style='margin:0'>"
                                "<a id=l href='/second' style='display:block;width:300px;height:150px'>次へ</a>"
                                "</body></html>");
        server.setPage("/second", "<html><head><title>" + TitleOfSecond + "</title></head><body>2</body></html>");
        server.setPage("/popup", "<html><head><title>popup</title></head>"
                                 "<body><script>window.open('/target', '_blank');</script></body></html>");
        server.setPage("/target", "<html><head><title>" + TitleOfTarget + "</title></head><body>t</body></html>");
        dir.write("config.ini", "");
        dir.write("CloseURL.txt", "");
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(1000, 750);
        form->show();
    }

    ~BrowseE2E() override {
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        // Receivers still loading their popups must not outlive the frame they report to.
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<Tfrm_tmpWeb*>(w)) delete w;
        form.reset();
        PageSave::setChooser(nullptr);
    }

    // Types an address and presses Enter, as a user does.
    void enter(const QString& address) {
        form->controls().txtAddress->setFocus();
        form->controls().txtAddress->setText(address);
        QTest::keyClick(form->controls().txtAddress, Qt::Key_Return);
    }
    TViewWindow* active() const { return qobject_cast<TViewWindow*>(form->ActiveMDIChild()); }
    TViewWindow* window(int i) const { return qobject_cast<TViewWindow*>(form->MDIChildren().value(i)); }
    int windows() const { return static_cast<int>(form->MDIChildren().size()); }
    static BlinkBrowser* blinkOf(TViewWindow* w) {
        return dynamic_cast<BlinkBrowser*>(&w->control()->ControlInterface());
    }
    QStringList tabs() const {
        QStringList t;
        for (int i = 0; i < form->Tabs->TabControl1->count(); ++i) t << form->Tabs->TabControl1->tabText(i);
        return t;
    }
    QList<Tfrm_tmpWeb*> receivers() const {
        QList<Tfrm_tmpWeb*> found;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* r = qobject_cast<Tfrm_tmpWeb*>(w)) found << r;
        return found;
    }
    bool receiverHasLoaded(const QString& url) const {
        for (Tfrm_tmpWeb* r : receivers())
            if (r->WebBrowser1->LocationURL() == url) return true;
        return false;
    }

    EngineRegistry::ScopedRegistration restoreAfterwards{CLASS_WebBrowser, nullptr};
    PageServer server;
    ProgramFolder dir;
    ErrorRecorder errors;
    BeepCounter beeps;
    std::unique_ptr<TMainForm> form;
};

}  // namespace

TEST_F(BrowseE2E, EnterLoadsThePageAndItsTitleReachesCaptionTabAndAddressBox) {
    const QString title = QString::fromUtf8(TitleOfFirst);
    enter(server.url("/"));
    EXPECT_EQ(beeps.count, 1);
    ASSERT_EQ(windows(), 1);
    ASSERT_TRUE(waitFor([&] { return tabs() == QStringList{title}; })) << tabs().join(", ").toStdString();
    EXPECT_EQ(active()->windowTitle(), title);
    EXPECT_EQ(form->controls().txtAddress->text(), server.url("/"));
    EXPECT_EQ(form->WindowIDs(), QList<int>{0});
    EXPECT_TRUE(waitFor([&] { return form->controls().ProgressBar1->value() == 0 && !blinkOf(active())->page()->url().isEmpty(); }));
    EXPECT_TRUE(form->controls().ReLoadCtrl->isEnabled());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, BackAndForwardFollowTheHistoryOfThePageInFront) {
    enter(server.url("/"));
    ASSERT_TRUE(waitFor([&] { return form->controls().txtAddress->text() == server.url("/"); }));
    EXPECT_FALSE(form->controls().BackCtrl->isEnabled());
    EXPECT_FALSE(form->controls().FrwrdCtrl->isEnabled());

    enter(server.url("/second"));   // the same window: AddressBar is 0
    ASSERT_TRUE(waitFor([&] { return form->controls().BackCtrl->isEnabled(); }));
    EXPECT_EQ(windows(), 1);
    EXPECT_FALSE(form->controls().FrwrdCtrl->isEnabled());
    ASSERT_TRUE(waitFor([&] { return active()->windowTitle() == QString::fromUtf8(TitleOfSecond); }));

    form->controls().BackCtrl->click();
    ASSERT_TRUE(waitFor([&] { return form->controls().FrwrdCtrl->isEnabled() && !form->controls().BackCtrl->isEnabled(); }));
    EXPECT_TRUE(waitFor([&] { return tabs() == QStringList{QString::fromUtf8(TitleOfFirst)}; }));
    EXPECT_EQ(form->controls().txtAddress->text(), server.url("/"));

    form->FrwrdCtrlClick();
    ASSERT_TRUE(waitFor([&] { return form->controls().BackCtrl->isEnabled() && !form->controls().FrwrdCtrl->isEnabled(); }));
    EXPECT_TRUE(waitFor([&] { return form->controls().txtAddress->text() == server.url("/second"); }));

    // A second window keeps its own history; going back to the first shows the first's.
    form->OpenViewWindow(QString(), server.url("/"));
    ASSERT_EQ(windows(), 2);
    EXPECT_TRUE(waitFor([&] { return tabs().value(1) == QString::fromUtf8(TitleOfFirst); }));
    form->Tabs->TabControl1->setCurrentIndex(1);
    EXPECT_FALSE(form->controls().BackCtrl->isEnabled());
    form->Tabs->TabControl1->setCurrentIndex(0);
    EXPECT_TRUE(form->controls().BackCtrl->isEnabled());
    EXPECT_EQ(form->controls().txtAddress->text(), server.url("/second"));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, AHoveredLinkShowsInTheStatusBar) {
    enter(server.url("/"));
    ASSERT_TRUE(waitFor([&] { return active()->windowTitle() == QString::fromUtf8(TitleOfFirst); }));
    auto* view = blinkOf(active())->widget()->findChild<QWebEngineView*>();
    ASSERT_NE(view, nullptr);
    // The page's input widget exists once Chromium has drawn the page.
    ASSERT_TRUE(waitFor([&] { return view->focusProxy() != nullptr; }));
    QWidget* input = view->focusProxy();
    // The pointer moves a little until the renderer has hit-tested the link.
    int step = 0;
    const auto pointAt = [&](QPoint at) {
        QTest::mouseMove(input, at + QPoint(step++ % 5, 0));
    };
    EXPECT_TRUE(waitFor([&] {
        pointAt({40, 40});
        return form->controls().StatusBar1->text() == server.url("/second");
    })) << form->controls().StatusBar1->text().toStdString();

    // Off the link, the status bar empties again.
    EXPECT_TRUE(waitFor([&] {
        pointAt({360, 220});
        return form->controls().StatusBar1->text().isEmpty();
    })) << form->controls().StatusBar1->text().toStdString();
}

TEST_F(BrowseE2E, APopupOpensAViewWindowUnlessTheFilterListsIt) {
    const QString target = server.url("/target");
    const auto fetchesOfTarget = [&] { return server.requests().count("/target"); };
    dir.write("config.ini", "[Option_advertisemen]\r\nCloseURL=1\r\n");
    dir.write("CloseURL.txt", "http://127.0.0.1/other\r\n" + target.toStdString() + "\r\n");
    enter(server.url("/popup"));
    // Once the receiver has been closed, the filter has had its say.
    ASSERT_TRUE(waitFor([&] {
        const QList<Tfrm_tmpWeb*> r = receivers();
        return std::any_of(r.begin(), r.end(), [](Tfrm_tmpWeb* w) { return w != frm_tmpWeb; });
    }));
    QTest::qWait(500);
    EXPECT_EQ(windows(), 1);
    EXPECT_EQ(tabs().size(), 1);
    for (Tfrm_tmpWeb* r : receivers()) EXPECT_FALSE(r->isVisible());
    // A dropped popup never reaches the network.
    EXPECT_EQ(fetchesOfTarget(), 0);

    // The same page with the address taken off the list: the popup gets its own window
    // and tab, behind the page that opened it, and is fetched once.
    dir.write("CloseURL.txt", "http://127.0.0.1/other\r\n");
    form->ReLoadCtrlClick();
    ASSERT_TRUE(waitFor([&] { return windows() == 2; }));
    ASSERT_TRUE(waitFor([&] { return tabs().value(1) == QString::fromUtf8(TitleOfTarget); }))
        << tabs().join(", ").toStdString();
    QTest::qWait(500);
    EXPECT_EQ(fetchesOfTarget(), 1);
    EXPECT_EQ(window(1)->LocationURL(), target);
    EXPECT_EQ(window(1)->windowTitle(), QString::fromUtf8(TitleOfTarget));
    EXPECT_EQ(form->WindowIDs(), QList<int>({0, 1}));
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 0);
    EXPECT_EQ(form->controls().txtAddress->text(), server.url("/popup"));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, APopupPostedFormIsSubmittedAtMostOnce) {
    server.setPage("/form", "<html><head><title>form</title></head><body>"
                            "<form id=f method=post action='/target' target='_blank'><input name=a value=1></form>"
                            "<script>document.getElementById('f').submit();</script></body></html>");
    enter(server.url("/form"));
    ASSERT_TRUE(waitFor([&] { return windows() == 2; }));
    QTest::qWait(1000);
    EXPECT_LE(server.requests().count("/target"), 1);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, AnAlertLoopLeavesTheFrameUsable) {
    server.setPage("/loop", "<html><head><title>loop</title></head><body>"
                            "<script>for (;;) alert('loop');</script></body></html>");
    // The test's own code waits under the page's dialog; what the user does runs from a
    // timer, as the user's clicks would.
    std::vector<std::function<bool()>> steps;
    std::size_t next = 0;
    QTimer user;
    QObject::connect(&user, &QTimer::timeout, [&] {
        while (next < steps.size() && steps[next]()) ++next;
    });
    steps.push_back([&] { return windows() == 1 && active()->findChild<QWidget*>("PageDialog") != nullptr; });
    // The frame still answers: another window opens and takes a page, tabs switch.
    steps.push_back([&] {
        // Another site: a page of the same site may share the looping page's renderer,
        // which the loop keeps busy, as in any Chromium.
        form->OpenViewWindow(QString(), server.url("/second").replace(QStringLiteral("127.0.0.1"), QStringLiteral("localhost")));
        return true;
    });
    steps.push_back([&] { return tabs().value(1) == QString::fromUtf8(TitleOfSecond); });
    steps.push_back([&] {
        form->Tabs->TabControl1->setCurrentIndex(1);
        EXPECT_EQ(active(), window(1));
        // And the looping window can be closed.
        window(0)->close();
        return true;
    });
    user.start(20);
    enter(server.url("/loop"));
    ASSERT_TRUE(waitFor([&] { return next == steps.size() && windows() == 1; })) << next;
    EXPECT_EQ(tabs(), QStringList{QString::fromUtf8(TitleOfSecond)});
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, AddingABackgroundTabToTheListAppendsItsOwnAddressAndClosesIt) {
    dir.write("CloseURL.txt", "http://listed/\r\n");
    form->OpenViewWindow(QString(), server.url("/"));
    form->OpenViewWindow(QString(), server.url("/second"));   // opens behind the first
    ASSERT_TRUE(waitFor([&] {
        return tabs() == QStringList({QString::fromUtf8(TitleOfFirst), QString::fromUtf8(TitleOfSecond)});
    })) << tabs().join(", ").toStdString();
    ASSERT_EQ(active(), window(0));

    form->Tabs->PopupTab = 1;
    form->Tabs->popAddClose->trigger();
    EXPECT_EQ(dir.read("CloseURL.txt"), "http://listed/\r\n" + server.url("/second").toStdString() + "\r\n");
    QCoreApplication::processEvents();
    ASSERT_EQ(windows(), 1);
    EXPECT_EQ(window(0)->LocationURL(), server.url("/"));
    EXPECT_EQ(tabs(), QStringList{QString::fromUtf8(TitleOfFirst)});
    EXPECT_EQ(form->WindowIDs(), QList<int>{0});
    EXPECT_EQ(active(), window(0));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(BrowseE2E, SaveAsWritesThePageWhereTheUserChose) {
    const QString saved = dir.file(QStringLiteral("保存したページ.html"));
    QString suggested;
    PageSave::setChooser([&](QWidget*, const QString& name) {
        suggested = name;
        return saved;
    });
    enter(server.url("/"));
    ASSERT_TRUE(waitFor([&] { return active()->windowTitle() == QString::fromUtf8(TitleOfFirst); }));
    form->controls().mnuFile_SaveAs->trigger();
    EXPECT_EQ(suggested, QString::fromUtf8(TitleOfFirst) + QStringLiteral(".html"));
    ASSERT_TRUE(waitFor([&] { return QFileInfo(saved).size() > 0; }));
    // The file may still be growing while Chromium writes it.
    EXPECT_TRUE(waitFor([&] {
        QFile f(saved);
        return f.open(QIODevice::ReadOnly) && f.readAll().contains(TitleOfFirst);
    }));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}
