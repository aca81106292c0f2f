// Chromium asking the IE control its host questions: what a page loads and runs under
// the control's answers, and the page's own dialogs. Pages come from this process on
// 127.0.0.1, which counts every request that reaches it.

#include "PageServer.h"
#include "TestSupport.h"
#include "engines/EngineRegistry.h"
#include "engines/UIWebBrowser.h"
#include "engines/blink/BlinkBrowser.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/blink/PageActions.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <gtest/gtest.h>
#include <algorithm>
#include <functional>
#include <memory>
#include <tuple>
#include <vector>

namespace {

constexpr int Timeout = 30000;

// Steps run one after another from a timer until each says it is done; they go on
// while a page's dialog holds the test's own code.
class Steps {
public:
    Steps() {
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            while (next_ < steps_.size() && steps_[next_]()) ++next_;
        });
        timer_.start(20);
    }
    void add(std::function<bool()> step) { steps_.push_back(std::move(step)); }
    bool done() const { return next_ == steps_.size(); }

private:
    QTimer timer_;
    std::vector<std::function<bool()>> steps_;
    std::size_t next_ = 0;
};

class BlinkHost : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Blink::useOffTheRecordProfile(); }
    EngineRegistry::ScopedRegistration chromium{CLASS_WebBrowser, [] { return std::make_unique<BlinkBrowser>(); }};

    BlinkHost() {
        server.setPage("/img", "<html><head><title>img</title></head><body><img src='/pic.png'></body></html>");
        server.setPage("/img2", "<html><head><title>img</title></head><body><img src='/pic2.png'></body></html>");
        server.setPage("/pic2.png", "x");
        server.setPage("/pic.png", "x");
        server.setPage("/script", "<html><head><title>before</title></head><body>"
                                  "<script>document.title = 'ran';</script></body></html>");
        server.setPage("/frames", "<html><head><title>frames</title></head><body>"
                                  "<iframe src='/inner'></iframe></body></html>");
        server.setPage("/inner", "<html><body>inner</body></html>");
        server.setPage("/long", "<html><head><title>long</title></head><body style='height:5000px;width:5000px'>"
                                "long</body></html>");
        server.setPage("/alert", "<html><head><title>a</title></head><body>"
                                 "<script>alert('こんにちは'); document.title = 'after';</script></body></html>");
        server.setPage("/confirm", "<html><head><title>asking</title></head><body>"
                                   "<script>document.title = confirm('よろしいですか') ? 'yes' : 'no';</script></body></html>");
        server.setPage("/storm", "<html><head><title>s</title></head><body><script>"
                                 "for (let i = 0; i < 50; ++i) alert('storm ' + i);"
                                 "document.title = 'done';</script></body></html>");
        server.setPage("/refresh", "<html><head><title>r</title><meta http-equiv='refresh' content='0; url=/script'>"
                                   "</head><body>r</body></html>");
        server.setPage("/menu", "<html><head><title>menu</title></head><body style='margin:0'>"
                                "<a href='/img' style='position:absolute;left:10px;top:10px'>link</a>"
                                "<input id='f' style='position:absolute;left:10px;top:60px;width:200px'>"
                                "<p id='p' style='position:absolute;left:10px;top:120px'>some words</p></body></html>");
        server.setPage("/drop", "<html><head><title>drop</title></head><body style='margin:0'>"
                                "<textarea id='t' style='width:380px;height:280px'></textarea><script>"
                                "t.addEventListener('drop', e => { document.title = 'dropped:' +"
                                " e.dataTransfer.getData('text/plain'); });</script></body></html>");
        browser = std::make_unique<TUIWebBrowser>();
        browser->resize(400, 300);
        browser->show();
        QObject::connect(&browser->events(), &DWebBrowserEvents2::DocumentComplete,
                         [this](IDispatch*, const Variant&) { ++documents; });
    }
    ~BlinkHost() override { PageDialog::setPresenter(nullptr); }

    BlinkBrowser* blink() const { return dynamic_cast<BlinkBrowser*>(&browser->ControlInterface()); }
    void load(const char* path) {
        const int before = documents;
        browser->Navigate(server.url(QString::fromLatin1(path)));
        ASSERT_TRUE(waitUntil([&] { return documents > before; }, Timeout)) << path;
    }
    int requestsFor(const QByteArray& path) const { return static_cast<int>(server.requests().count(path)); }
    QVariant evaluate(const QString& script) {
        QVariant result;
        bool done = false;
        blink()->page()->runJavaScript(script, [&](const QVariant& v) {
            result = v;
            done = true;
        });
        EXPECT_TRUE(waitUntil([&] { return done; }, Timeout));
        return result;
    }

    QWidget* pageInput() {
        auto* view = browser->findChild<QWebEngineView*>();
        EXPECT_TRUE(waitUntil([&] { return view->focusProxy() != nullptr; }, Timeout));
        return view->focusProxy();
    }
    QMenu* shownMenu() const {
        for (QMenu* menu : browser->findChildren<QMenu*>())
            if (menu->isVisible()) return menu;
        return nullptr;
    }
    // Right-clicks at a point of the page until the engine has hit-tested it (its first
    // frames may not yet know where things are) and says what it shows: the engine's
    // menu, or null once `quiet` milliseconds have passed without one.
    // Chromium drops input that comes before the page's first frame is up, and the load
    // ends before that: a right-click made at once may never reach the page.
    void waitForInput() {
        evaluate("if (!window.moved) addEventListener('mousemove', () => { window.moved = true; });");
        QWidget* input = pageInput();
        for (int i = 0; i < 200; ++i) {
            QTest::mouseMove(input, QPoint(3 + i % 2, 3));
            if (evaluate("window.moved === true").toBool()) return;
            QTest::qWait(10);
        }
        ADD_FAILURE() << "the page never took the mouse";
    }
    QMenu* rightClick(QPoint at, int quiet = 0) {
        waitForInput();
        QWidget* input = pageInput();
        QTest::mouseMove(input, at);
        QTest::mouseClick(input, Qt::RightButton, {}, at);
        if (quiet) {
            QTest::qWait(quiet);
            return shownMenu();
        }
        (void)waitUntil([&] { return shownMenu() != nullptr; }, Timeout);
        return shownMenu();
    }

    // A drag of text over the page and dropped at a point, as the window system delivers
    // it: to the widget under the pointer that takes drops. Returns the drop's action.
    Qt::DropAction dragAndDrop(const QString& text, QPoint at) {
        QWidget* target = pageInput();
        while (target && !target->acceptDrops()) target = target->parentWidget();
        EXPECT_NE(target, nullptr);
        QMimeData data;
        data.setText(text);
        const Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
        QDragEnterEvent enter(at, allowed, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &enter);
        for (int step = 1; step <= 3; ++step) {
            QDragMoveEvent move(at + QPoint(step, step), allowed, &data, Qt::LeftButton, {});
            QApplication::sendEvent(target, &move);
            QTest::qWait(50);
        }
        QDropEvent drop(at + QPoint(3, 3), allowed, &data, Qt::LeftButton, {});
        QApplication::sendEvent(target, &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }

    PageServer server;
    ErrorRecorder errors;
    std::unique_ptr<TUIWebBrowser> browser;
    int documents = 0;
};

}  // namespace

TEST_F(BlinkHost, TheViewWindowsValuesLoadAndRunEverything) {
    EXPECT_EQ(blink()->hostAnswers().downloadControl, 0x70u);
    EXPECT_EQ(blink()->hostAnswers().hostFlags, 0x4000u);
    load("/img");
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/pic.png") == 1; }, Timeout));
    load("/script");
    EXPECT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("ran"); }, Timeout));
    load("/frames");
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/inner") == 1; }, Timeout));
}

TEST_F(BlinkHost, WithoutImagesNoImageRequestReachesTheServer) {
    browser->DownLoadControl.exclude(CS_Images);
    load("/img");
    QTest::qWait(500);
    EXPECT_EQ(requestsFor("/pic.png"), 0);
    // Read again at the next navigation: the next page's images load. (Chromium keeps
    // refusing, from its memory, an image address it was refused in this view.)
    browser->DownLoadControl.include(CS_Images);
    load("/img2");
    EXPECT_TRUE(waitUntil([&] { return requestsFor("/pic2.png") == 1; }, Timeout))
        << server.requests().join(' ').toStdString();
}

TEST_F(BlinkHost, WithNoScriptsThePagesScriptDoesNotRun) {
    browser->DownLoadControl.include(CS_NoScripts);
    load("/script");
    QTest::qWait(300);
    EXPECT_EQ(blink()->page()->title(), QStringLiteral("before"));

    // Another control keeps its own answers: its page runs.
    TUIWebBrowser other;
    int otherDocuments = 0;
    QObject::connect(&other.events(), &DWebBrowserEvents2::DocumentComplete,
                     [&](IDispatch*, const Variant&) { ++otherDocuments; });
    other.Navigate(server.url("/script"));
    auto* otherBlink = dynamic_cast<BlinkBrowser*>(&other.ControlInterface());
    EXPECT_TRUE(waitUntil([&] { return otherBlink->page()->title() == QStringLiteral("ran"); }, Timeout));
}

TEST_F(BlinkHost, WithNoFrameNoSubFrameRequestReachesTheServer) {
    browser->DownLoadControl.include(CS_NoFrame);
    load("/frames");
    QTest::qWait(500);
    EXPECT_EQ(requestsFor("/frames"), 1);
    EXPECT_EQ(requestsFor("/inner"), 0);
}

TEST_F(BlinkHost, ForcedOfflineNoRequestLeaves) {
    browser->DownLoadControl.include(CS_ForceOffLine);
    browser->Navigate(server.url("/img"));
    QTest::qWait(1500);
    EXPECT_TRUE(server.requests().isEmpty()) << server.requests().join(' ').toStdString();
}

TEST_F(BlinkHost, NoClientPullKeepsAMetaRefreshFromMoving) {
    browser->DownLoadControl.include(CS_NoClientPull);
    load("/refresh");
    QTest::qWait(1000);
    EXPECT_EQ(requestsFor("/script"), 0);
    EXPECT_EQ(browser->LocationURL(), server.url("/refresh"));
}

TEST_F(BlinkHost, HiddenScrollBarsTakeNoRoom) {
    load("/long");
    EXPECT_GT(evaluate("window.innerWidth - document.documentElement.clientWidth").toInt(), 0);
    browser->IeSCROLL_hidden = true;
    load("/long");
    EXPECT_EQ(evaluate("window.innerWidth - document.documentElement.clientWidth").toInt(), 0);
}

TEST_F(BlinkHost, AnAlertReachesTheHostThenShowsTitledWithTheOrigin) {
    QStringList heard;
    browser->onUIShowMessage = [&](TUIWebBrowser*, QWidget*, const QString& text, const QString& caption,
                                   std::uint32_t type, const QString&, std::uint32_t, std::int32_t&) {
        heard << text << caption << QString::number(type, 16);
    };
    QList<PageDialog::Request> shown;
    PageDialog::setPresenter([&](QWidget*, const PageDialog::Request& r) {
        shown << r;
        return PageDialog::Answer{true, {}, false};
    });
    load("/alert");
    ASSERT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("after"); }, Timeout));
    const QString origin = server.url(QString());
    EXPECT_EQ(heard, QStringList({QStringLiteral("こんにちは"), origin, QStringLiteral("30")}));
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(shown[0].caption, origin);
    EXPECT_EQ(shown[0].text, QStringLiteral("こんにちは"));

    // Silent: neither the host nor the user hears of it.
    browser->DownLoadControl.include(CS_Silent);
    load("/alert");
    ASSERT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("after"); }, Timeout));
    EXPECT_EQ(shown.size(), 1);
    EXPECT_EQ(heard.size(), 3);
}

TEST_F(BlinkHost, APageThatStormsDialogsIsSilencedAfterThreeInASecond) {
    int shown = 0;
    PageDialog::setPresenter([&](QWidget*, const PageDialog::Request&) {
        ++shown;
        return PageDialog::Answer{true, {}, false};
    });
    load("/storm");
    ASSERT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("done"); }, Timeout));
    EXPECT_EQ(shown, 3);

    // The user may forbid them from the second on; a new document starts afresh.
    shown = 0;
    QList<bool> offered;
    PageDialog::setPresenter([&](QWidget*, const PageDialog::Request& r) {
        ++shown;
        offered << r.offerSuppress;
        return PageDialog::Answer{true, {}, shown == 2};
    });
    load("/storm");
    ASSERT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("done"); }, Timeout));
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(offered, QList<bool>({false, true}));
}

TEST_F(BlinkHost, TheDialogBlocksOnlyItsViewAndGoesWithIt) {
    // While the dialog is open the test's own code waits under it: the checks run from a
    // timer, which is the rest of the program going on.
    Steps steps;
    QWidget* overlay = nullptr;
    int ticksSeen = 0;
    steps.add([&] { return (overlay = browser->findChild<QWidget*>("PageDialog")) != nullptr; });
    steps.add([&] { return ++ticksSeen > 10; });
    steps.add([&] {
        EXPECT_TRUE(overlay->isVisible());
        EXPECT_EQ(overlay->findChild<QLabel*>("lblCaption")->text(),
                  server.url(QString()) + QStringLiteral(" からのメッセージ"));
        EXPECT_EQ(overlay->findChild<QLabel*>("lblMessage")->text(), QStringLiteral("こんにちは"));
        QTest::mouseClick(overlay->findChild<QPushButton*>("btnOK"), Qt::LeftButton);
        return true;
    });
    browser->Navigate(server.url("/alert"));
    // An alert does not hold its page: the title changes while the dialog is still up.
    EXPECT_TRUE(waitUntil([&] { return steps.done() && blink()->page()->title() == QStringLiteral("after"); }, Timeout));
    EXPECT_TRUE(steps.done());

    // confirm() waits for its answer, the rest of the program running on.
    Steps answering;
    answering.add([&] { return (overlay = browser->findChild<QWidget*>("PageDialog")) != nullptr; });
    answering.add([&] {
        EXPECT_EQ(blink()->page()->title(), QStringLiteral("asking"));
        QTest::mouseClick(overlay->findChild<QPushButton*>("btnCancel"), Qt::LeftButton);
        return true;
    });
    browser->Navigate(server.url("/confirm"));
    EXPECT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("no"); }, Timeout));

    // Closing the view while its dialog is open ends the dialog; nothing is left behind.
    Steps closing;
    closing.add([&] { return browser->findChild<QWidget*>("PageDialog") != nullptr; });
    closing.add([&] {
        browser.reset();
        return true;
    });
    browser->Navigate(server.url("/confirm"));
    EXPECT_TRUE(waitUntil([&] { return closing.done(); }, Timeout));
    QTest::qWait(300);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BlinkHost, EveryPageCommandHasItsJapaneseWord) {
    QWebEnginePage* page = blink()->page();
    for (int a = 0; a < QWebEnginePage::WebActionCount; ++a) {
        const QString text = page->action(static_cast<QWebEnginePage::WebAction>(a))->text();
        EXPECT_FALSE(text.isEmpty()) << a;
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7F; }))
            << a << " " << text.toStdString();
    }
    EXPECT_EQ(page->action(QWebEnginePage::Back)->text(), QStringLiteral("戻る"));
    EXPECT_EQ(page->action(QWebEnginePage::Paste)->text(), QStringLiteral("貼り付け"));
}

TEST_F(BlinkHost, TheEnginesContextMenuSpeaksJapaneseWhereverItOpens) {
    load("/menu");
    evaluate("document.getElementById('f').value = 'field text'");
    const auto untranslated = [](QMenu* menu) {
        QStringList english;
        for (QAction* action : menu->actions()) {
            const QString text = action->text();
            if (action->isVisible() && !action->isSeparator() &&
                std::none_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7F; }))
                english << text;
        }
        return english;
    };
    // On plain page, on a link, in a field, on selected text.
    const auto selectWords = [&] {
        evaluate("getSelection().selectAllChildren(document.getElementById('p'))");
    };
    const std::vector<std::pair<QPoint, std::function<void()>>> places = {
        {{300, 250}, nullptr}, {{20, 16}, nullptr}, {{60, 70}, nullptr}, {{30, 130}, selectWords}};
    QStringList seen;
    for (const auto& [at, prepare] : places) {
        if (prepare) prepare();
        QMenu* menu = rightClick(at);
        ASSERT_NE(menu, nullptr) << at.x() << "," << at.y();
        EXPECT_FALSE(menu->actions().isEmpty());
        EXPECT_TRUE(untranslated(menu).isEmpty()) << untranslated(menu).join(", ").toStdString();
        for (QAction* action : menu->actions())
            if (action->isVisible() && !action->isSeparator()) seen << action->text();
        menu->close();
        EXPECT_TRUE(waitUntil([&] { return shownMenu() == nullptr; }, Timeout));
    }
    // Each place had its own commands.
    EXPECT_TRUE(seen.contains(QStringLiteral("戻る"))) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("リンクのアドレスをコピー"))) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("貼り付け"))) << seen.join(", ").toStdString();
    EXPECT_TRUE(seen.contains(QStringLiteral("コピー"))) << seen.join(", ").toStdString();
}

TEST_F(BlinkHost, NoContextWithoutAPopupMenuShowsNoMenuAtAll) {
    load("/menu");
    QList<std::uint32_t> kinds;
    browser->OnUIShowContextMenu = [&](TUIWebBrowser*, std::uint32_t id, const QPoint*) { kinds << id; };
    browser->IeNoContext = true;
    EXPECT_EQ(rightClick({20, 16}, 1500), nullptr);
    ASSERT_FALSE(kinds.isEmpty());
    EXPECT_EQ(kinds.last(), CONTEXT_MENU_ANCHOR);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);

    // The control's own menu, where one is assigned, shows in place of the engine's.
    QMenu own(browser.get());
    own.addAction(QStringLiteral("自前"));
    browser->PopupMenu = &own;
    QMenu* shown = rightClick({300, 250});
    EXPECT_EQ(shown, &own);
    own.close();

    // Off again: the engine's menu is back.
    browser->IeNoContext = false;
    browser->PopupMenu = nullptr;
    QMenu* engine = rightClick({300, 250});
    ASSERT_NE(engine, nullptr);
    EXPECT_NE(engine, &own);
    EXPECT_EQ(kinds.last(), CONTEXT_MENU_DEFAULT);
    engine->close();
}

namespace {

// A drop target of the host's that keeps what it saw and takes text starting "host";
// other drags it hands on to the page's own target.
class HostDropTarget : public IDropTarget {
public:
    IDropTarget* page = nullptr;
    QStringList calls;
    QString dropped;

    HRESULT DragEnter(const QMimeData* data, QPoint pt, std::uint32_t* effect) override {
        calls << QStringLiteral("enter");
        mine_ = data->text().startsWith(QLatin1String("host"));
        if (mine_) *effect = Qt::CopyAction;
        return mine_ ? S_OK : page->DragEnter(data, pt, effect);
    }
    HRESULT DragOver(QPoint pt, std::uint32_t* effect) override {
        calls << QStringLiteral("over");
        if (mine_) *effect = Qt::CopyAction;
        return mine_ ? S_OK : page->DragOver(pt, effect);
    }
    HRESULT DragLeave() override {
        calls << QStringLiteral("leave");
        return mine_ ? S_OK : page->DragLeave();
    }
    HRESULT Drop(const QMimeData* data, QPoint pt, std::uint32_t* effect) override {
        calls << QStringLiteral("drop");
        if (!mine_) return page->Drop(data, pt, effect);
        dropped = data->text();
        *effect = Qt::CopyAction;
        return S_OK;
    }

private:
    bool mine_ = false;
};

}  // namespace

TEST_F(BlinkHost, DropsGoToThePageUnlessTheHostNamesADropTarget) {
    load("/drop");
    const QPoint inField(100, 100);
    // Nobody assigned: the page takes the drop itself.
    EXPECT_NE(dragAndDrop(QStringLiteral("to the page"), inField), Qt::IgnoreAction);
    EXPECT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("dropped:to the page"); }, Timeout))
        << blink()->page()->title().toStdString();

    // The host's target: it sees the whole drag and the page sees nothing of it.
    HostDropTarget host;
    int asked = 0;
    browser->onUIGetDropTarget = [&](TUIWebBrowser*, IDropTarget* page, IDropTarget*& out, HRESULT& done) {
        ++asked;
        host.page = page;
        out = &host;
        done = S_OK;
    };
    EXPECT_EQ(dragAndDrop(QStringLiteral("host takes this"), inField), Qt::CopyAction);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(host.calls, QStringList({"enter", "over", "over", "over", "drop"}));
    EXPECT_EQ(host.dropped, QStringLiteral("host takes this"));
    QTest::qWait(300);
    EXPECT_EQ(blink()->page()->title(), QStringLiteral("dropped:to the page"));

    // What it hands on reaches the page through the page's own target.
    EXPECT_NE(dragAndDrop(QStringLiteral("passed on"), inField), Qt::IgnoreAction);
    EXPECT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("dropped:passed on"); }, Timeout))
        << blink()->page()->title().toStdString();

    // A handler that names no target leaves the page its own.
    browser->onUIGetDropTarget = [&](TUIWebBrowser*, IDropTarget*, IDropTarget*&, HRESULT& done) { done = S_OK; };
    EXPECT_NE(dragAndDrop(QStringLiteral("again"), inField), Qt::IgnoreAction);
    EXPECT_TRUE(waitUntil([&] { return blink()->page()->title() == QStringLiteral("dropped:again"); }, Timeout));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(BlinkHost, WhatThePageCopiesIsOfferedToTheHostWhichMayReplaceIt) {
    load("/menu");
    auto* view = browser->findChild<QWebEngineView*>();
    browser->activateWindow();
    pageInput()->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == pageInput(); }, Timeout));
    evaluate("getSelection().selectAllChildren(document.getElementById('p'))");
    QClipboard* clipboard = QGuiApplication::clipboard();

    // Nobody assigned: the page's words stay.
    clipboard->clear();
    view->triggerPageAction(QWebEnginePage::Copy);
    ASSERT_TRUE(waitUntil([&] { return clipboard->text() == QStringLiteral("some words"); }, Timeout))
        << clipboard->text().toStdString();

    // The host's data in their place.
    struct Data : IDataObject {
        QMimeData mime;
        const QMimeData* data() const override { return &mime; }
    } ours;
    ours.mime.setText(QStringLiteral("ホストの文字"));
    QStringList offered;
    browser->onUIFilterDataObject = [&](TUIWebBrowser*, IDataObject* in, IDataObject*& out, HRESULT& done) {
        offered << in->data()->text();
        out = &ours;
        done = S_OK;
    };
    clipboard->clear();
    view->triggerPageAction(QWebEnginePage::Copy);
    ASSERT_TRUE(waitUntil([&] { return clipboard->text() == QStringLiteral("ホストの文字"); }, Timeout))
        << clipboard->text().toStdString();
    EXPECT_EQ(offered, QStringList{QStringLiteral("some words")});

    // Declining (S_FALSE) leaves the page's data; text the program itself puts there
    // while the page has no keyboard is not the page's and is not offered.
    browser->onUIFilterDataObject = [&](TUIWebBrowser*, IDataObject* in, IDataObject*&, HRESULT& done) {
        offered << in->data()->text();
        done = S_FALSE;
    };
    view->triggerPageAction(QWebEnginePage::Copy);
    ASSERT_TRUE(waitUntil([&] { return clipboard->text() == QStringLiteral("some words"); }, Timeout));
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    elsewhere.setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == &elsewhere; }, Timeout));
    const qsizetype before = offered.size();
    clipboard->setText(QStringLiteral("not the page's"));
    QTest::qWait(100);
    EXPECT_EQ(offered.size(), before);
    EXPECT_EQ(clipboard->text(), QStringLiteral("not the page's"));
}

// The host is offered every key first; one the page then leaves unused is reported to the
// window holding the page, the way every engine reports it.
TEST_F(BlinkHost, KeysThePageLeavesUnusedAreReportedAfterTheHostWasAsked) {
    load("/menu");
    // Modifier keys held for a shortcut are left out of both lists.
    QList<std::uint16_t> offered;
    browser->onUITranslateAccelerator = [&](TUIWebBrowser*, std::uint16_t& key, TShiftState&, HRESULT&) {
        if (key < 0x10 || key > 0x12) offered << key;
    };
    QList<std::tuple<int, Qt::KeyboardModifiers, QString>> unused;
    QObject::connect(&browser->events(), &DWebBrowserEvents2::UnusedKey,
                     [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
                         if (key != Qt::Key_Control) unused.append({key, modifiers, text});
                     });
    browser->activateWindow();
    waitForInput();
    pageInput()->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == pageInput(); }, Timeout));

    // What the page types into its field is the page's.
    evaluate("document.getElementById('f').focus()");
    QTest::keyClick(pageInput(), Qt::Key_A);
    ASSERT_TRUE(waitUntil([&] { return evaluate("document.getElementById('f').value") == QStringLiteral("a"); },
                          Timeout));
    // Outside it nothing takes a letter.
    evaluate("document.activeElement.blur()");
    QTest::keyClick(pageInput(), Qt::Key_Q);
    QTest::keyClick(pageInput(), Qt::Key_Q, Qt::ControlModifier);
    ASSERT_TRUE(waitUntil([&] { return unused.size() >= 2; }, Timeout));
    QTest::qWait(200);
    ASSERT_EQ(unused.size(), 2);
    EXPECT_EQ(std::get<0>(unused[0]), Qt::Key_Q);
    EXPECT_EQ(std::get<1>(unused[0]), Qt::NoModifier);
    EXPECT_EQ(std::get<2>(unused[0]), QStringLiteral("q"));
    EXPECT_EQ(std::get<0>(unused[1]), Qt::Key_Q);
    EXPECT_EQ(std::get<1>(unused[1]), Qt::ControlModifier);
    EXPECT_EQ(offered, QList<std::uint16_t>({'A', 'Q', 'Q'}));
    EXPECT_TRUE(errors.messages.isEmpty());
}
