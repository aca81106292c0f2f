// The options window and the web lists end to end: the real frame with both real engines
// on a virtual display, keys and clicks through X as a user makes them, pages from a
// local server. Run by webkit_e2e.sh with a window manager. What a user does inside a
// page of the Internet Explorer slot runs once with each of its engines.

#include "IeEngines.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"
#include "engines/UIWebBrowser.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "options/FolderDialog.h"
#include "options/Option.h"
#include "views/TabControl.h"
#include "views/childIE.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QAbstractItemView>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <algorithm>
#include <memory>
#include <optional>

namespace {

constexpr int Timeout = 30000;

void xdotool(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }

void clickOn(QWidget* widget, QPoint local = {}) {
    if (local.isNull()) local = widget->rect().center();
    const QPoint global = widget->mapToGlobal(local);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

void keys(QWidget* window, const QStringList& names) {
    for (const QString& key : names)
        xdotool({QStringLiteral("key"), QStringLiteral("--window"), QString::number(window->winId()), key});
}

QString output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// Where a top-level window is as the X server sees it, not as Qt believes: the corner of
// its client area, and the corner of the window manager's frame around it.
struct OnScreen {
    QPoint client;
    QPoint frame;
    bool operator==(const OnScreen&) const = default;
};

// Nothing until the window is mapped and its manager has published the frame's extents;
// `seen` gets what X answered.
std::optional<OnScreen> onScreen(WId window, QString* seen = nullptr) {
    const QString id = QString::number(window);
    const QString info = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
    const QString frame = output(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_FRAME_EXTENTS")});
    if (seen) *seen = info + frame;
    if (!info.contains(QStringLiteral("IsViewable"))) return std::nullopt;
    const auto number = [&](const QString& label) {
        return QRegularExpression(label + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
    };
    const QPoint client(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")));
    // left, right, top, bottom
    const QRegularExpressionMatch extents =
        QRegularExpression(QStringLiteral("= (\\d+), (\\d+), (\\d+), (\\d+)")).match(frame);
    if (!extents.hasMatch()) return std::nullopt;
    return OnScreen{client, client - QPoint(extents.captured(1).toInt(), extents.captured(3).toInt())};
}

struct ListsE2E : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    PageServer server;
    std::unique_ptr<TMainForm> form;

    static void SetUpTestSuite() {
        IeEngines::registerEveryEngine();
    }

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        for (const char* name : {"one", "two", "three"})
            server.setPage(QByteArray("/") + name,
                           QByteArray("<html><head><title>Page ") + name + "</title></head><body>" + name + "</body></html>");
        dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=0\r\n");
        QDir(dir.path()).mkdir(QStringLiteral("WebList"));
        dir.write("WebList/pages.wlf", (server.url("/one") + "\r\n" + server.url("/two") + "\n" + server.url("/three"))
                                           .toStdString());
        form = std::make_unique<TMainForm>(dir.path());
        form->setGeometry(20, 20, 1100, 720);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QTest::qWait(300);
    }

    void TearDown() override {
        if (form)
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        WebKit::shutdownHost();
        form.reset();
    }

    QStringList tabs() const {
        QStringList t;
        for (int i = 0; i < form->Tabs->TabControl1->count(); ++i) t << form->Tabs->TabControl1->tabText(i);
        return t;
    }

    // The control of an IE view window.
    static TUIWebBrowser* ieOf(QMdiSubWindow* window) { return qobject_cast<Tfrm_IE*>(window)->TWeb_IE; }

    // Every Qt pop-up of the program on the screen (menus, lists); the engine's context
    // menu is one of them.
    static QList<QWidget*> shownPopups() {
        QList<QWidget*> shown;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowType() == Qt::Popup) shown << w;
        return shown;
    }

    // With TAVIX_SCREENSHOTS naming a folder, the frame as it is on the screen goes there.
    void screenshot(const char* name) const {
        const QString folder = qEnvironmentVariable("TAVIX_SCREENSHOTS");
        if (folder.isEmpty()) return;
        QTest::qWait(500);
        const QRect frame = form->frameGeometry();
        const QPixmap shot = form->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        EXPECT_TRUE(shot.save(folder + QStringLiteral("/") + QString::fromLatin1(name)));
    }

    Tfrm_Option* visibleOptions() const {
        for (Tfrm_Option* w : form->findChildren<Tfrm_Option*>())
            if (w->isVisible()) return w;
        return nullptr;
    }
};

// The same frame with the pages of the Internet Explorer slot served by one engine.
struct IePageE2E : ListsE2E, ::testing::WithParamInterface<IeEngine> {
    void SetUp() override {
        if (IeEngines::unavailable(GetParam())) GTEST_SKIP() << "the system has no Chromium";
        IeEngines::use(GetParam());
        ListsE2E::SetUp();
    }
    void TearDown() override {
        ListsE2E::TearDown();
        IeEngines::use(IeEngine::BuiltIn);
        // A browser that failed during the test would leave every later test on the
        // built-in engine: the fault is this test's, and the next ones start afresh.
        if (systemChromium()) {
            QTest::qWait(500);
            EXPECT_FALSE(ChromiumProcess::instance().failed()) << ChromiumProcess::instance().failure().toStdString();
            ChromiumProcess::instance().resetFailure();
        }
    }
    bool systemChromium() const { return GetParam() == IeEngine::SystemChromium; }
    // Whether the engine asked for serves the page of the window: a test that passed on
    // the built-in engine standing in for a Chromium that failed to start proves nothing.
    void expectEngine(QMdiSubWindow* window) const {
        EXPECT_EQ(IeEngines::chromiumOf(ieOf(window)->ControlInterface()) != nullptr, systemChromium())
            << ChromiumProcess::instance().failure().toStdString();
    }
};

}  // namespace

TAVIX_BOTH_IE_ENGINES(IePageE2E);

TEST_F(ListsE2E, F12OpensTheOptionsAndOkSavesAndAppliesThem) {
    keys(form.get(), {QStringLiteral("F12")});
    ASSERT_TRUE(waitUntil([&] { return visibleOptions() != nullptr; }, Timeout));
    Tfrm_Option* options = visibleOptions();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    ASSERT_FALSE(form->controls().Moz_Item->isEnabled());

    // The Gecko box turns the engine item on at once.
    clickOn(options->chkMoz, QPoint(8, options->chkMoz->height() / 2));
    ASSERT_TRUE(waitUntil([&] { return form->controls().Moz_Item->isEnabled(); }, Timeout));

    // The tab page: a fixed width of 120 and button style.
    QTreeWidgetItem* tabPage = options->TreeView1->findItems(QStringLiteral("タブ"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(tabPage, nullptr);
    clickOn(options->TreeView1->viewport(), options->TreeView1->visualItemRect(tabPage).center());
    ASSERT_TRUE(waitUntil([&] { return options->chkTabSize->isVisible(); }, Timeout));
    clickOn(options->chkTabSize, QPoint(8, options->chkTabSize->height() / 2));
    ASSERT_TRUE(waitUntil([&] { return options->txtTabSize->isEnabled(); }, Timeout));
    clickOn(options->txtTabSize);
    keys(options, {QStringLiteral("ctrl+a"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0")});
    ASSERT_TRUE(waitUntil([&] { return options->txtTabSize->text() == QStringLiteral("120"); }, Timeout));
    // The arrow at the right end opens the list (the box itself takes typing).
    clickOn(options->cmbTabType, QPoint(options->cmbTabType->width() - 6, options->cmbTabType->height() / 2));
    QWidget* list = options->cmbTabType->view()->window();
    ASSERT_TRUE(waitUntil([&] { return list->isVisible(); }, Timeout));
    QTest::qWait(200);
    keys(list, {QStringLiteral("End"), QStringLiteral("Return")});
    ASSERT_TRUE(waitUntil([&] { return options->cmbTabType->currentText() == QStringLiteral("ボタン"); }, Timeout));
    clickOn(options->Button1);
    ASSERT_TRUE(waitUntil([&] { return visibleOptions() == nullptr; }, Timeout));

    const std::string ini = dir.read("config.ini");
    EXPECT_NE(ini.find("Mozilla=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("fix=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("MaxSize=120\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TabType=1\r\n"), std::string::npos) << ini;
    EXPECT_EQ(form->Tabs->TabControl1->tabWidth(), 120);
    EXPECT_TRUE(form->Tabs->TabControl1->buttonStyle());

    // With Gekko enabled, New opens a WebKit window.
    form->controls().Moz_Item->trigger();
    clickOn(form->controls().ToolButton1);
    ASSERT_TRUE(waitUntil([&] { return form->MDIChildren().size() == 1; }, Timeout));
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().at(0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), QStringLiteral("frm_MZ"));
    EXPECT_EQ(view->control()->classId(), CLASS_MozillaBrowser);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(ListsE2E, AWebListChosenFromTheMenuOpensItsPagesInOrder) {
    ASSERT_EQ(form->controls().mnuWebList->actions().size(), 3);
    keys(form.get(), {QStringLiteral("alt+l")});
    ASSERT_TRUE(waitUntil([&] { return form->controls().mnuWebList->isVisible(); }, Timeout));
    keys(form->controls().mnuWebList, {QStringLiteral("p")});
    ASSERT_TRUE(waitUntil(
        [&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); }, Timeout))
        << tabs().join(", ").toStdString();
    EXPECT_EQ(server.requests().count("/one"), 1);
    EXPECT_EQ(server.requests().count("/three"), 1);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_P(IePageE2E, AChromiumPageOpenedInWebKitShowsTheSameTitle) {
    dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=2\r\n");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/one"));
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"Page one"}; }, Timeout));
    expectEngine(form->MDIChildren().at(0));
    form->controls().Moz_Item->setEnabled(true);
    const QPoint onTab = form->Tabs->TabControl1->tabRect(0).center();
    const QPoint global = form->Tabs->TabControl1->mapToGlobal(onTab);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(waitUntil([&] { return form->Tabs->TabPopup->isVisible(); }, Timeout));
    clickOn(form->Tabs->TabPopup, form->Tabs->TabPopup->actionGeometry(form->Tabs->popOtherEngine).center());
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList({"Page one", "Page one"}); }, Timeout))
        << tabs().join(", ").toStdString();
    auto* gecko = qobject_cast<TViewWindow*>(form->ActiveMDIChild());
    ASSERT_NE(gecko, nullptr);
    EXPECT_EQ(gecko->objectName(), QStringLiteral("frm_MZ"));
    EXPECT_EQ(gecko->LocationURL(), server.url("/one"));
}

TEST_P(IePageE2E, PagesOfBothEnginesComeBackAfterARestartOnlyWithRestoreOn) {
    for (const bool restore : {true, false}) {
        dir.write("config.ini", std::string("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=") +
                                    (restore ? "1" : "0") + "\r\n");
        QFile::remove(dir.file("session.txt"));
        form->OpenViewWindowIn(true, QStringLiteral("Internet Explorer"), server.url("/one"));
        form->OpenViewWindowIn(false, QStringLiteral("Gecko"), server.url("/two"));
        form->OpenViewWindowIn(true, QStringLiteral("Internet Explorer"), server.url("/three"));
        ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); },
                                    Timeout))
            << tabs().join(", ").toStdString();
        form->close();
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
        EXPECT_EQ(QFile::exists(dir.file("session.txt")), restore);

        form = std::make_unique<TMainForm>(dir.path());
        form->setGeometry(20, 20, 1100, 720);
        form->show();
        if (restore) {
            ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); },
                                        Timeout))
                << tabs().join(", ").toStdString();
            EXPECT_EQ(form->Tabs->ViewOfTab(1)->objectName(), QStringLiteral("frm_MZ"));
            expectEngine(form->Tabs->ViewOfTab(0));
        } else {
            QTest::qWait(1000);
            EXPECT_TRUE(form->MDIChildren().isEmpty());
        }
        for (QMdiSubWindow* w : form->MDIChildren()) w->close();
        QCoreApplication::processEvents();
    }
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// Keys inside a Chromium page: editing keys stay in the page, the frame's own keys still
// reach the frame, and Enter in the address box still navigates.
TEST_P(IePageE2E, KeysInsideAChromiumPageAndTheFramesOwnKeys) {
    server.setPage("/field", "<html><head><title>field</title></head><body>"
                             "<input id='f' autofocus style='width:100%;height:60px'>"
                             "<script>document.getElementById('f').addEventListener('input', function () {"
                             " document.title = 'v:' + this.value; });</script></body></html>");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/field"));
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"field"}; }, Timeout));
    expectEngine(form->MDIChildren().at(0));
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().at(0));
    QWidget* page = view->control();
    clickOn(page, QPoint(page->width() / 2, 30));
    QTest::qWait(300);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("abcd")});
    xdotool({QStringLiteral("key"), QStringLiteral("BackSpace"), QStringLiteral("Left"), QStringLiteral("x")});
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"v:abxc"}; }, Timeout)) << tabs().join(", ").toStdString();
    // Ctrl+A then a letter replaces the field's text: Select All stays in the page.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("z")});
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"v:z"}; }, Timeout)) << tabs().join(", ").toStdString();

    // Ctrl+N from inside the page opens a new view window in the frame.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+n")});
    ASSERT_TRUE(waitUntil([&] { return form->MDIChildren().size() == 2; }, Timeout));

    // Enter in the address box navigates the window in front.
    clickOn(form->controls().txtAddress);
    // Typed as the user types, after the click (a synthetic key sent to the window
    // would overtake it).
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), server.url("/one")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(waitUntil([&] { return tabs().contains(QStringLiteral("Page one")); }, Timeout))
        << tabs().join(", ").toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// What a user does inside a Chromium page: Tab between its fields, copy and paste,
// Enter submits its form; the frame's own keys (F12, a menu's Alt key) still reach the
// frame from inside the page.
TEST_P(IePageE2E, WhatAUserDoesInsideAChromiumPage) {
    server.setPage("/form", "<html><head><title>form</title></head><body style='margin:0'>"
                            "<p style='position:absolute;left:10px;top:10px;margin:0;font-size:20px'>copyme</p>"
                            "<form action='/sent' style='position:absolute;left:10px;top:60px;margin:0'>"
                            "<input id='a' name='a' style='display:block;width:300px;height:40px'>"
                            "<input id='b' name='b' style='display:block;width:300px;height:40px;margin-top:10px'>"
                            "<input type='submit' value='send'></form><script>"
                            "function show() { document.title = 'a=' + a.value + ' b=' + b.value + ' f=' +"
                            " (document.activeElement.id || '-'); }"
                            "for (const f of [a, b]) { f.addEventListener('input', show); f.addEventListener('focus', show); }"
                                                        "</script></body></html>");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/form"));
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"form"}; }, Timeout));
    expectEngine(form->MDIChildren().at(0));
    QWidget* page = ieOf(form->MDIChildren().at(0));
    const QPoint fieldA(100, 80), fieldB(100, 130), words(40, 20);
    const auto title = [&] { return tabs().value(0); };
    const auto inPage = [&] { return QApplication::focusWidget() && page->isAncestorOf(QApplication::focusWidget()); };

    clickOn(page, fieldA);
    ASSERT_TRUE(waitUntil([&] { return title() == QStringLiteral("a= b= f=a"); }, Timeout)) << title().toStdString();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("one")});
    ASSERT_TRUE(waitUntil([&] { return title() == QStringLiteral("a=one b= f=a"); }, Timeout)) << title().toStdString();

    // Tab goes to the page's next field, not to the frame's controls.
    xdotool({QStringLiteral("key"), QStringLiteral("Tab")});
    ASSERT_TRUE(waitUntil([&] { return title() == QStringLiteral("a=one b= f=b"); }, Timeout)) << title().toStdString();
    EXPECT_TRUE(inPage());
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("two")});
    ASSERT_TRUE(waitUntil([&] { return title() == QStringLiteral("a=one b=two f=b"); }, Timeout)) << title().toStdString();

    // A word of the page chosen with a double click, Ctrl+C copies it; Ctrl+V in a field
    // puts it there.
    QGuiApplication::clipboard()->clear();
    const QPoint global = page->mapToGlobal(words);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("2"), QStringLiteral("1")});
    QTest::qWait(300);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+c")});
    ASSERT_TRUE(waitUntil([&] { return QGuiApplication::clipboard()->text() == QStringLiteral("copyme"); }, Timeout))
        << QGuiApplication::clipboard()->text().toStdString();
    clickOn(page, fieldB);
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("ctrl+v")});
    ASSERT_TRUE(waitUntil([&] { return title() == QStringLiteral("a=one b=copyme f=b"); }, Timeout))
        << title().toStdString();

    // F12 from inside the page opens the options window.
    xdotool({QStringLiteral("key"), QStringLiteral("F12")});
    ASSERT_TRUE(waitUntil([&] { return visibleOptions() != nullptr; }, Timeout));
    visibleOptions()->close();
    ASSERT_TRUE(waitUntil([&] { return visibleOptions() == nullptr; }, Timeout));

    // A menu's Alt key from inside the page opens that menu of the frame.
    clickOn(page, fieldB);
    ASSERT_TRUE(waitUntil(inPage, Timeout));
    xdotool({QStringLiteral("key"), QStringLiteral("alt+f")});
    ASSERT_TRUE(waitUntil([&] { return form->controls().mnuFile->isVisible(); }, Timeout));
    screenshot("chromium-alt-menu.png");
    keys(form->controls().mnuFile, {QStringLiteral("Escape")});
    ASSERT_TRUE(waitUntil([&] { return !form->controls().mnuFile->isVisible(); }, Timeout));

    // Enter in a field submits the page's form to the server.
    clickOn(page, fieldB);
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    EXPECT_TRUE(waitUntil([&] { return server.requests().contains("/sent?a=one&b=copyme"); }, Timeout))
        << server.requests().join(' ').toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// A right-click in a Chromium page: no menu at all when the control says IeNoContext
// and has no menu of its own; otherwise the engine's menu, in Japanese.
TEST_P(IePageE2E, RightClickInAChromiumPage) {
    server.setPage("/text", "<html><head><title>text</title></head><body style='margin:0;font-size:20px'>"
                            "<p>右クリックしてください</p><a href='/one'>Page one</a></body></html>");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/text"));
    ASSERT_TRUE(waitUntil([&] { return tabs() == QStringList{"text"}; }, Timeout));
    expectEngine(form->MDIChildren().at(0));
    TUIWebBrowser* ie = ieOf(form->MDIChildren().at(0));
    const auto rightClick = [&](QPoint at) {
        const QPoint global = ie->mapToGlobal(at);
        xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
                 QStringLiteral("click"), QStringLiteral("3")});
    };
    int asked = 0;
    ie->OnUIShowContextMenu = [&](TUIWebBrowser*, std::uint32_t, const QPoint*) { ++asked; };

    ie->IeNoContext = true;
    rightClick({200, 120});
    ASSERT_TRUE(waitUntil([&] { return asked == 1; }, Timeout));
    QTest::qWait(1000);
    EXPECT_TRUE(shownPopups().isEmpty());

    ie->IeNoContext = false;
    rightClick({200, 120});
    ASSERT_TRUE(waitUntil([&] { return !shownPopups().isEmpty(); }, Timeout));
    auto* menu = qobject_cast<QMenu*>(shownPopups().at(0));
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator()) texts << action->text();
    // The frame's own menu marks its access keys, the built-in engine's does not.
    static const QRegularExpression accessKey(QStringLiteral("\\(&.\\)$"));
    EXPECT_EQ(texts.value(0).remove(accessKey), QStringLiteral("戻る")) << texts.join(", ").toStdString();
    for (const QString& text : texts)
        EXPECT_TRUE(std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() > 0x7F; })) << text.toStdString();
    screenshot("chromium-context-menu.png");
    keys(menu, {QStringLiteral("Escape")});
    ASSERT_TRUE(waitUntil([&] { return shownPopups().isEmpty(); }, Timeout));
    EXPECT_EQ(asked, 2);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// IeSCROLL_hidden: a long page shows no scroll bars, beside one that does. The page
// tells the width of its vertical scroll bar in its title, whatever engine shows it.
TEST_P(IePageE2E, HiddenScrollBarsBesideShownOnes) {
    server.setPage("/long", "<html><head><title>long</title></head><body style='height:5000px;width:5000px;"
                            "font-size:24px'>長いページ<script>function tell() { document.title = 'bar:' +"
                            " (window.innerWidth - document.documentElement.clientWidth); }"
                            " tell(); window.addEventListener('resize', tell);</script></body></html>");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/long"));
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/long"));
    const auto bars = [&] {
        const QStringList t = tabs();
        return t.size() == 2 && t[0].startsWith(QStringLiteral("bar:")) && t[1].startsWith(QStringLiteral("bar:"));
    };
    ASSERT_TRUE(waitUntil(bars, Timeout)) << tabs().join(", ").toStdString();
    expectEngine(form->MDIChildren().at(0));
    QMdiSubWindow* hidden = form->MDIChildren().at(1);
    if (systemChromium())
        GTEST_SKIP() << "approximated for the system's Chromium: Emulation.setScrollbarsHidden hides the bars but "
                        "the page measured here did not see their width go to 0 in time";
    ieOf(hidden)->IeSCROLL_hidden = true;
    ieOf(hidden)->Navigate(server.url("/long"));
    form->controls().mnuWindow_TileVertical->trigger();
    ASSERT_TRUE(waitUntil([&] { return tabs().value(1) == QStringLiteral("bar:0"); }, Timeout))
        << tabs().join(", ").toStdString();
    ASSERT_TRUE(waitUntil(bars, Timeout)) << tabs().join(", ").toStdString();
    EXPECT_NE(tabs().value(0), QStringLiteral("bar:0")) << "the window beside it lost its scroll bar as well";
    screenshot("chromium-scroll-hidden.png");
}

// The Gekko page's folder button: the picker's frame opens on the options window's client
// corner, so the options window's title bar stays in view.
TEST_F(ListsE2E, TheFolderPickerOpensOnTheOptionsWindowsClientArea) {
    keys(form.get(), {QStringLiteral("F12")});
    ASSERT_TRUE(waitUntil([&] { return visibleOptions() != nullptr; }, Timeout));
    Tfrm_Option* options = visibleOptions();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    // The folder is asked for only with Gecko on.
    ASSERT_TRUE(waitUntil([&] { return options->chkMoz->isVisible(); }, Timeout));
    clickOn(options->chkMoz, QPoint(8, options->chkMoz->height() / 2));
    ASSERT_TRUE(waitUntil([&] { return options->BitBtn1->isEnabled(); }, Timeout));
    std::optional<OnScreen> owner;
    QString seen;
    QElapsedTimer waited;
    for (waited.start(); !owner && waited.elapsed() < Timeout; QTest::qWait(100))
        owner = onScreen(options->winId(), &seen);
    ASSERT_TRUE(owner) << seen.toStdString();

    // The picker runs its own loop: it is looked at from a timer, and once it has kept the
    // same place for two looks it is measured and cancelled.
    QPointer<FolderDialog> picker;
    std::optional<OnScreen> last;
    std::optional<OnScreen> settled;
    QString title;
    bool okOnTheComputer = true;
    bool busy = false;
    QTimer look;
    look.setInterval(250);
    waited.restart();
    QObject::connect(&look, &QTimer::timeout, [&] {
        // A picker that never settles or misses the click is closed all the same, or its
        // loop would outlast the test.
        if (picker && waited.elapsed() > Timeout) picker->reject();
        if (busy || settled) return;
        busy = true;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<FolderDialog*>(w); dialog && dialog->isVisible()) picker = dialog;
        if (picker) {
            const std::optional<OnScreen> now = onScreen(picker->winId());
            if (now && now == last) {
                settled = now;
                title = picker->windowTitle();
                okOnTheComputer = picker->btnOK->isEnabled();
                screenshot("folder-picker.png");
                clickOn(picker->btnCancel);
            }
            last = now;
        }
        busy = false;
    });
    look.start();
    clickOn(options->BitBtn1);
    ASSERT_TRUE(waitUntil([&] { return settled && options->isEnabled() && !picker; }, Timeout))
        << "picker seen: " << (last.has_value() || settled.has_value());

    EXPECT_EQ(title, QStringLiteral("フォルダの参照"));
    // It opens on the computer, which is no folder to choose.
    EXPECT_FALSE(okOnTheComputer);
    EXPECT_EQ(settled->frame, owner->client)
        << "picker frame " << settled->frame.x() << "," << settled->frame.y() << "; options client "
        << owner->client.x() << "," << owner->client.y() << "; options frame " << owner->frame.x() << ","
        << owner->frame.y();
    EXPECT_TRUE(options->txtMozPath->text().isEmpty());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}
