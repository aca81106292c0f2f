// The system's Chromium in the Internet Explorer slot end to end: the real browser on a
// virtual display with a window manager, its page windows inside the frame's views, keys
// and clicks through X as a user makes them, pages from a local server. What it shares
// with the built-in engine is tested with both in ListsE2ETest; here is what only a
// browser in another process can get wrong. Run by webkit_e2e.sh.

#include "IeEngines.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/UIWebBrowser.h"
#include "engines/webkit/WebKitBrowser.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/ErrorBox.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/childIE.h"
#include "views/untTab.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMdiArea>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Timeout = 30000;

void xdotool(const QStringList& args) { QProcess::execute(QStringLiteral("xdotool"), args); }

void clickAt(QWidget* widget, QPoint local, int button = 1) {
    const QPoint global = widget->mapToGlobal(local);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QString::number(button)});
}

QString output(const QString& program, const QStringList& args) {
    QProcess process;
    process.start(program, args);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

QString hex(quint64 window) { return QStringLiteral("0x") + QString::number(window, 16); }

// What the X server says of a window: its parent, where it is on the screen and how big,
// whether it is mapped and whether the window manager leaves it alone.
struct XWindow {
    quint64 parent = 0;
    quint64 root = 0;
    QRect screen;
    bool viewable = false;
    bool overrideRedirect = false;
};

XWindow describe(quint64 window) {
    const QString tree = output(QStringLiteral("xwininfo"), {QStringLiteral("-children"), QStringLiteral("-id"), hex(window)});
    const QString info = output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(window)});
    const auto id = [&](const QString& label) {
        return QRegularExpression(label + QStringLiteral(":\\s*(0x[0-9a-f]+)")).match(tree).captured(1).toULongLong(nullptr, 16);
    };
    const auto number = [&](const QString& label) {
        return QRegularExpression(label + QStringLiteral(":\\s*(-?\\d+)")).match(info).captured(1).toInt();
    };
    XWindow w;
    w.parent = id(QStringLiteral("Parent window id"));
    w.root = id(QStringLiteral("Root window id"));
    w.screen = QRect(number(QStringLiteral("Absolute upper-left X")), number(QStringLiteral("Absolute upper-left Y")),
                     number(QStringLiteral("Width")), number(QStringLiteral("Height")));
    w.viewable = info.contains(QStringLiteral("IsViewable"));
    w.overrideRedirect = info.contains(QStringLiteral("Override Redirect State: yes"));
    return w;
}

// The windows from `window` up to the root, itself first.
QList<quint64> ancestry(quint64 window) {
    QList<quint64> chain;
    while (window && chain.size() < 32) {
        chain << window;
        const XWindow w = describe(window);
        if (window == w.root) break;
        window = w.parent;
    }
    return chain;
}

// The root window's children, mapped or not.
QSet<quint64> topLevelWindows() {
    QSet<quint64> found;
    const QString tree = output(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
    static const QRegularExpression child(QStringLiteral("^\\s+(0x[0-9a-f]+) "), QRegularExpression::MultilineOption);
    for (auto it = child.globalMatch(tree); it.hasNext();) found << it.next().captured(1).toULongLong(nullptr, 16);
    return found;
}

struct ChromiumE2E : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    PageServer server;
    std::unique_ptr<TMainForm> form;

    static void SetUpTestSuite() {
        IeEngines::registerEveryEngine();
    }

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        if (!Chromium::installed()) GTEST_SKIP() << "the system has no Chromium";
        IeEngines::use(IeEngine::SystemChromium);
        server.setPage("/one", "<html><head><title>Page one</title></head><body>one</body></html>");
        server.setPage("/two", "<html><head><title>Page two</title></head><body>two</body></html>");
        dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=2\r\n"
                                "[Option_advertisemen]\r\nCloseURL=1\r\n");
        dir.write("CloseURL.txt", (server.url("/blocked") + "\r\n").toStdString());
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
        IeEngines::use(IeEngine::BuiltIn);
    }

    static TUIWebBrowser* ieOf(QMdiSubWindow* window) {
        auto* ie = qobject_cast<Tfrm_IE*>(window);
        return ie ? ie->TWeb_IE : nullptr;
    }
    static ChromiumBrowser* chromiumOf(QMdiSubWindow* window) {
        TUIWebBrowser* ie = ieOf(window);
        return ie ? IeEngines::chromiumOf(ie->ControlInterface()) : nullptr;
    }

    // An IE view window on the address, once the page's window is in it and its title
    // has come.
    QMdiSubWindow* openPage(const QString& path, const QString& title) {
        TViewWindow* view = form->OpenViewWindowIn(true, QStringLiteral("cap"), server.url(path));
        EXPECT_TRUE(view);
        if (!view) return nullptr;
        EXPECT_TRUE(waitUntil([&] { return view->windowTitle() == title; }, Timeout))
            << view->windowTitle().toStdString();
        ChromiumBrowser* chromium = chromiumOf(view);
        EXPECT_TRUE(chromium) << "not served by the system's Chromium: "
                              << ChromiumProcess::instance().failure().toStdString();
        if (!chromium) return nullptr;
        EXPECT_TRUE(waitUntil([&] { return chromium->pageWindow() != 0; }, Timeout));
        return view;
    }

    QStringList titles() const {
        QStringList t;
        for (QMdiSubWindow* w : form->MDIChildren()) t << w->windowTitle();
        return t;
    }

    // With TAVIX_SCREENSHOTS naming a folder, the screen as it is goes there.
    static void screenshot(const char* name) {
        const QString folder = qEnvironmentVariable("TAVIX_SCREENSHOTS");
        if (folder.isEmpty()) return;
        QProcess::execute(QStringLiteral("import"),
                          {QStringLiteral("-window"), QStringLiteral("root"), folder + QStringLiteral("/") + QLatin1String(name)});
    }
};

}  // namespace

// The page's X window lives inside the view: its parents lead to the frame's window, it
// covers the view's page area on the screen, and it follows the view window's size.
TEST_F(ChromiumE2E, ThePageWindowIsInsideTheViewAndFollowsItsSize) {
    QMdiSubWindow* view = openPage(QStringLiteral("/one"), QStringLiteral("Page one"));
    ASSERT_TRUE(view);
    ChromiumBrowser* chromium = chromiumOf(view);
    const quint64 page = chromium->pageWindow();
    const QList<quint64> chain = ancestry(page);
    EXPECT_TRUE(chain.contains(static_cast<quint64>(form->winId())))
        << "the page window " << hex(page).toStdString() << " does not lie in the frame "
        << hex(form->winId()).toStdString();
    EXPECT_TRUE(chain.contains(static_cast<quint64>(chromium->pageWidget()->winId())));

    const auto fits = [&] {
        QWidget* holder = chromium->pageWidget();
        const XWindow w = describe(page);
        return w.viewable && w.screen == QRect(holder->mapToGlobal(QPoint(0, 0)), holder->size());
    };
    ASSERT_TRUE(waitUntil(fits, Timeout)) << "page window at " << describe(page).screen.x() << ","
                                          << describe(page).screen.y() << " " << describe(page).screen.width() << "x"
                                          << describe(page).screen.height();
    const QSize before = describe(page).screen.size();
    view->showNormal();
    view->resize(520, 340);
    ASSERT_TRUE(waitUntil([&] { return fits() && describe(page).screen.size() != before; }, Timeout))
        << describe(page).screen.width() << "x" << describe(page).screen.height();
    EXPECT_LT(describe(page).screen.width(), 520);
    view->showMaximized();
    ASSERT_TRUE(waitUntil([&] { return fits() && describe(page).screen.width() > 520; }, Timeout))
        << describe(page).screen.width() << "x" << describe(page).screen.height();
    // The frame keeps new views maximized after one was: the next tests want them as usual.
    view->showNormal();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// A list box of the page opens its list under the box when clicked through X, and the
// keys choose from it.
TEST_F(ChromiumE2E, AListOpensUnderItsBoxAndTakesTheChoice) {
    QByteArray options;
    for (int i = 1; i <= 8; ++i) options += "<option>choice " + QByteArray::number(i) + "</option>";
    server.setPage("/select", "<html><head><title>select</title></head><body style='margin:0'>"
                              "<select id='s' style='position:absolute;left:40px;top:40px;width:220px;height:32px'>" +
                                  options +
                                  "</select><script>s.addEventListener('change', function () {"
                                  " document.title = 'chosen:' + this.value; });</script></body></html>");
    QMdiSubWindow* view = openPage(QStringLiteral("/select"), QStringLiteral("select"));
    ASSERT_TRUE(view);
    QWidget* page = chromiumOf(view)->pageWidget();
    QTest::qWait(500);
    const QSet<quint64> before = topLevelWindows();
    const QPoint box = page->mapToGlobal(QPoint(40, 40));
    clickAt(page, QPoint(150, 56));
    XWindow list;
    const auto opened = [&] {
        for (quint64 w : topLevelWindows() - before) {
            const XWindow seen = describe(w);
            if (seen.viewable && seen.overrideRedirect && seen.screen.height() > 40) {
                list = seen;
                return true;
            }
        }
        return false;
    };
    ASSERT_TRUE(waitUntil(opened, 10000)) << "no list appeared; new windows: " << [&] {
        std::string seen;
        for (quint64 w : topLevelWindows() - before) {
            const XWindow d = describe(w);
            seen += hex(w).toStdString() + (d.viewable ? " viewable" : " unmapped") + (d.overrideRedirect ? " override " : " ") +
                    std::to_string(d.screen.x()) + "," + std::to_string(d.screen.y()) + " " +
                    std::to_string(d.screen.width()) + "x" + std::to_string(d.screen.height()) + "; ";
        }
        screenshot("chromium-select-failed.png");
        return seen;
    }();
    screenshot("chromium-select.png");
    EXPECT_LE(std::abs(list.screen.left() - box.x()), 10) << list.screen.left() << " vs box at " << box.x();
    EXPECT_GE(list.screen.top(), box.y() + 32 - 4);
    EXPECT_LE(list.screen.top(), box.y() + 32 + 10) << "the list is not under its box";
    xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Down"), QStringLiteral("Return")});
    ASSERT_TRUE(waitUntil([&] { return view->windowTitle() == QStringLiteral("chosen:choice 3"); }, 10000))
        << view->windowTitle().toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// A link to a new window and window.open go to new view windows of the frame, each
// address asked for once; an address on the popup filter's list opens nothing.
struct ChromiumPopupE2E : ChromiumE2E {
    QMdiSubWindow* opener = nullptr;
    QWidget* page = nullptr;

    void SetUp() override {
        // A browser of its own for each: what a test before left in it (a killed
        // browser's successor, spare windows) is not what these are about.
        Chromium::shutdown();
        ChromiumE2E::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        server.setPage("/opener", "<html><head><title>opener</title></head><body style='margin:0;font-size:20px'>"
                                  "<a href='/child' target='_blank' style='position:absolute;left:20px;top:20px'>child</a>"
                                  "<button style='position:absolute;left:20px;top:80px;width:160px;height:40px'"
                                  " onclick=\"window.open('/blocked')\">blocked</button>"
                                  "<button style='position:absolute;left:20px;top:140px;width:160px;height:40px'"
                                  " onclick=\"window.open('/scripted')\">scripted</button></body></html>");
        for (const char* name : {"child", "scripted", "blocked"})
            server.setPage(QByteArray("/") + name,
                           QByteArray("<html><head><title>") + name + "</title></head><body>" + name + "</body></html>");
        opener = openPage(QStringLiteral("/opener"), QStringLiteral("opener"));
        ASSERT_TRUE(opener);
        page = chromiumOf(opener)->pageWidget();
        QTest::qWait(300);
    }

    // Waits for a view window titled so; false (with a picture) when none comes.
    bool opened(const QString& title) {
        if (waitUntil([&] { return titles().contains(title); }, Timeout)) return true;
        screenshot("chromium-window-open-failed.png");
        return false;
    }

    void expectOnlyOnce(const QByteArray& path) {
        QTest::qWait(2000);   // whatever else would fetch it has had its time
        EXPECT_EQ(server.requests().count(path), 1) << server.requests().join(' ').toStdString();
        for (QMdiSubWindow* w : form->MDIChildren()) EXPECT_TRUE(chromiumOf(w)) << w->windowTitle().toStdString();
        EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
    }
};

TEST_F(ChromiumPopupE2E, ALinkToANewWindow) {
    clickAt(page, QPoint(40, 30));
    ASSERT_TRUE(opened(QStringLiteral("child"))) << titles().join(", ").toStdString();
    EXPECT_EQ(form->MDIChildren().size(), 2) << titles().join(", ").toStdString();
    expectOnlyOnce("/child");
}

TEST_F(ChromiumPopupE2E, ScriptedWindowsPastTheFilter) {
    clickAt(page, QPoint(100, 100));
    QTest::qWait(1000);
    clickAt(page, QPoint(100, 160));
    ASSERT_TRUE(opened(QStringLiteral("scripted"))) << titles().join(", ").toStdString();
    EXPECT_EQ(form->MDIChildren().size(), 2) << titles().join(", ").toStdString();
    EXPECT_EQ(server.requests().count("/blocked"), 0) << server.requests().join(' ').toStdString();
    expectOnlyOnce("/scripted");
}

// After a page opened a window, the pages beside it still take clicks.
TEST_F(ChromiumPopupE2E, TheOpenerGoesOnAfterItsPopup) {
    clickAt(page, QPoint(40, 30));
    ASSERT_TRUE(opened(QStringLiteral("child"))) << titles().join(", ").toStdString();
    clickAt(form->Tabs->TabControl1, form->Tabs->TabControl1->tabRect(0).center());
    ASSERT_TRUE(waitUntil([&] { return form->ActiveMDIChild() == opener; }, Timeout));
    QTest::qWait(300);
    clickAt(page, QPoint(100, 160));
    ASSERT_TRUE(opened(QStringLiteral("scripted"))) << titles().join(", ").toStdString();
}

// The browser process killed: every Chromium view says so, a Gecko view beside them goes
// on, and Refresh or a new address brings a page back in a new browser.
TEST_F(ChromiumE2E, AKilledBrowserShowsInEveryViewAndComesBack) {
    QMdiSubWindow* first = openPage(QStringLiteral("/one"), QStringLiteral("Page one"));
    QMdiSubWindow* second = openPage(QStringLiteral("/two"), QStringLiteral("Page two"));
    TViewWindow* gecko = form->OpenViewWindowIn(false, QStringLiteral("cap"), server.url("/one"));
    ASSERT_TRUE(first && second && gecko);
    ASSERT_TRUE(waitUntil([&] { return gecko->windowTitle() == QStringLiteral("Page one"); }, Timeout));
    auto* webkit = dynamic_cast<WebKitBrowser*>(&gecko->control()->ControlInterface());
    ASSERT_TRUE(webkit);
    const qint64 pid = Chromium::processId();
    ASSERT_GT(pid, 0);

    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return chromiumOf(first)->showsGone() && chromiumOf(second)->showsGone(); }, Timeout));
    // The user brings the first view to the front by its caption.
    clickAt(first, QPoint(first->width() / 2, 10));
    ASSERT_TRUE(waitUntil([&] { return form->ActiveMDIChild() == first; }, Timeout));
    screenshot("chromium-killed.png");
    EXPECT_FALSE(webkit->showsGone());
    EXPECT_EQ(gecko->windowTitle(), QStringLiteral("Page one"));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();

    // Refresh brings the page back in a new browser.
    const qsizetype asked = server.requests().count("/one");
    ErrorBox::guard([&] { form->ReLoadCtrlClick(); });
    ASSERT_TRUE(waitUntil([&] { return !chromiumOf(first)->showsGone() && server.requests().count("/one") > asked; },
                          Timeout))
        << "reload on " << form->controls().ReLoadCtrl->isEnabled() << ", active " << (form->ActiveMDIChild() == first)
        << ", gone " << chromiumOf(first)->showsGone() << ", window " << chromiumOf(first)->pageWindow() << ", browser "
        << Chromium::processId() << ", asked " << server.requests().join(' ').toStdString() << [] {
               screenshot("chromium-refresh-failed.png");
               return "";
           }();
    ASSERT_TRUE(waitUntil([&] { return chromiumOf(first)->pageWindow() != 0; }, Timeout));
    EXPECT_GT(Chromium::processId(), 0);
    EXPECT_NE(Chromium::processId(), pid);
    EXPECT_TRUE(chromiumOf(second)->showsGone()) << "a view nobody refreshed came back by itself";

    // A new address in the other view does as well.
    ieOf(second)->Navigate(server.url("/one"));
    ASSERT_TRUE(waitUntil([&] { return !chromiumOf(second)->showsGone() && second->windowTitle() == QStringLiteral("Page one"); },
                          Timeout))
        << second->windowTitle().toStdString();
    EXPECT_FALSE(webkit->showsGone());
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

// A Chromium that cannot start: the built-in engine serves the page in its place, and
// the status bar says why.
struct ChromiumFallBackE2E : ChromiumE2E {
    QStringList statusTexts;
    QTimer statusWatch;

    void SetUp() override {
        ChromiumE2E::SetUp();
        if (IsSkipped()) return;
        // Whatever earlier tests started must go, or the new page would use it.
        Chromium::shutdown();
        statusWatch.setInterval(10);
        QObject::connect(&statusWatch, &QTimer::timeout, [this] {
            const QString text = form->controls().StatusBar1->text();
            if (statusTexts.value(statusTexts.size() - 1) != text) statusTexts << text;
        });
        statusWatch.start();
    }
    void TearDown() override {
        statusWatch.stop();
        ChromiumE2E::TearDown();
        Chromium::setProgram(QString());
        Chromium::setStartTimeout(Chromium::StartTimeoutMs);
        ChromiumProcess::instance().resetFailure();
    }

    // Opens a page and waits until the built-in engine shows it in the Chromium view.
    QMdiSubWindow* openServedByTheBuiltIn() {
        TViewWindow* view = form->OpenViewWindowIn(true, QStringLiteral("cap"), server.url("/one"));
        EXPECT_TRUE(view);
        if (!view) return nullptr;
        auto* chromium = dynamic_cast<ChromiumBrowser*>(&ieOf(view)->ControlInterface());
        EXPECT_TRUE(chromium) << "the slot did not try the system's Chromium";
        EXPECT_TRUE(waitUntil([&] { return view->windowTitle() == QStringLiteral("Page one"); }, Timeout))
            << view->windowTitle().toStdString();
        EXPECT_TRUE(chromium && chromium->substitute());
        return view;
    }

    bool saidSo(const QString& reason) const {
        return statusTexts.contains(Chromium::fallBackStatus(reason));
    }
};

// Not installed: the built-in engine serves at once, with no word needed.
TEST_F(ChromiumFallBackE2E, AMissingProgram) {
    Chromium::setProgram(dir.file("no-such-chromium"));
    TViewWindow* view = form->OpenViewWindowIn(true, QStringLiteral("cap"), server.url("/one"));
    ASSERT_TRUE(view);
    EXPECT_FALSE(dynamic_cast<ChromiumBrowser*>(&ieOf(view)->ControlInterface()));
    ASSERT_TRUE(waitUntil([&] { return view->windowTitle() == QStringLiteral("Page one"); }, Timeout))
        << view->windowTitle().toStdString();
    EXPECT_EQ(Chromium::processId(), 0);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(ChromiumFallBackE2E, AProgramThatNeverAnswers) {
    dir.write("silent-chromium", "#!/bin/sh\nexec sleep 120\n");
    QFile::setPermissions(dir.file("silent-chromium"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    Chromium::setProgram(dir.file("silent-chromium"));
    Chromium::setStartTimeout(1500);
    QElapsedTimer waited;
    waited.start();
    QMdiSubWindow* view = openServedByTheBuiltIn();
    ASSERT_TRUE(view);
    // A timer may fire a few per cent early.
    EXPECT_GE(waited.elapsed(), 1400) << "it gave up before the browser's time was over";
    const QString reason = Chromium::startFailedMessage(QStringLiteral("応答がありません"));
    EXPECT_TRUE(saidSo(reason)) << statusTexts.join(" | ").toStdString();
    // The silent program is not left running.
    EXPECT_TRUE(waitUntil([] { return Chromium::processId() == 0; }, 5000)) << Chromium::processId();
    // Later pages take the built-in engine at once, without waiting again.
    waited.restart();
    TViewWindow* next = form->OpenViewWindowIn(true, QStringLiteral("cap"), server.url("/two"));
    ASSERT_TRUE(next);
    ASSERT_TRUE(waitUntil([&] { return next->windowTitle() == QStringLiteral("Page two"); }, Timeout));
    EXPECT_LT(waited.elapsed(), 1500);
    EXPECT_FALSE(IeEngines::chromiumOf(ieOf(next)->ControlInterface()));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}
