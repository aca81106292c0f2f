// The Gecko slot end to end: the real main window with WebKit in its host process and
// Chromium beside it, pages from a local HTTP server, keys and clicks through X as a
// user makes them. Run by webkit_e2e.sh on a virtual display with a window manager.

#include "IeEngines.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "engines/EngineControls.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitBrowser.h"
#include "engines/webkit/WebKitEngine.h"
#include "platform/ErrorBox.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QDir>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QToolButton>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Timeout = 30000;

template <typename Condition>
bool waitFor(Condition condition, int timeout = Timeout) {
    return waitUntil(condition, timeout);
}

// python3's file server on the test pages.
class HttpServer {
public:
    HttpServer() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        process_.setWorkingDirectory(QStringLiteral(TAVIX_E2E_PAGES));
        process_.start(QStringLiteral("python3"), {QStringLiteral("-m"), QStringLiteral("http.server"),
                                                   QString::number(port_), QStringLiteral("--bind"),
                                                   QStringLiteral("127.0.0.1")});
        process_.waitForStarted();
        waitFor([this] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port_);
            return socket.waitForConnected(200);
        });
    }
    ~HttpServer() {
        process_.kill();
        process_.waitForFinished();
    }
    QString url(const QString& page) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(page); }

private:
    QProcess process_;
    quint16 port_ = 0;
};

void xdotool(const QStringList& args) {
    QProcess::execute(QStringLiteral("xdotool"), args);
}

// Whether X's keyboard focus is on the window of this top-level widget.
bool xFocusIsOn(QWidget* topLevel) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")});
    p.waitForFinished();
    return p.readAllStandardOutput().trimmed().toULongLong() == static_cast<qulonglong>(topLevel->winId());
}

void clickAt(QWidget* widget, QPoint local) {
    const QPoint global = widget->mapToGlobal(local);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

struct WebKitE2E : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    std::unique_ptr<HttpServer> http;
    std::unique_ptr<TMainForm> form;

    static void SetUpTestSuite() {
        IeEngines::registerEveryEngine();
    }

    void SetUp() override {
        if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs an X display";
        http = std::make_unique<HttpServer>();
        dir.write("config.ini",
                  "[General]\r\nLastEngine=Gecko\r\n[Option_Main]\r\nMozilla=2\r\n"
                  "[Option_Window]\r\nNewWindow_Active=1\r\n[Option_advertisemen]\r\nCloseURL=1\r\n");
        dir.write("CloseURL.txt", (http->url(QStringLiteral("blocked.html")) + QStringLiteral("\r\n")).toStdString());
        form = std::make_unique<TMainForm>(dir.path());
        form->setGeometry(20, 20, 1200, 740);
        form->show();
        form->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }

    void TearDown() override {
        if (form) {
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        }
        WebKit::shutdownHost();
        form.reset();
    }

    void useEngine(bool ie) {
        form->controls().IE_item->setChecked(ie);
        form->controls().Moz_Item->setChecked(!ie);
    }

    TViewWindow* open(const QString& page) {
        const auto before = form->MDIChildren().size();
        ErrorBox::guard([&] { form->OpenViewWindow(QStringLiteral("cap"), http->url(page)); });
        const auto children = form->MDIChildren();
        return children.size() > before ? qobject_cast<TViewWindow*>(children.back()) : nullptr;
    }

    // A Chromium page, then two Gecko pages in one host, all loaded.
    void openChromiumAndTwoGeckoPages(TViewWindow*& chromium, TViewWindow*& a, TViewWindow*& b) {
        useEngine(true);
        chromium = open(QStringLiteral("second.html"));
        useEngine(false);
        a = open(QStringLiteral("index.html"));
        b = open(QStringLiteral("second.html"));
        ASSERT_TRUE(chromium && a && b);
        const bool system = IeEngines::chosen() == IeEngine::SystemChromium;
        ASSERT_EQ(IeEngines::chromiumOf(chromium->control()->ControlInterface()) != nullptr, system);
        ASSERT_TRUE(waitFor([&] {
            return a->windowTitle() == QStringLiteral("日本語のページ") &&
                   b->windowTitle() == QStringLiteral("二番目のページ") &&
                   chromium->windowTitle() == QStringLiteral("二番目のページ");
        }));
    }

    static WebKitBrowser* webkitOf(TViewWindow* w) {
        return dynamic_cast<WebKitBrowser*>(&w->control()->ControlInterface());
    }

    QString tabOf(TViewWindow* w) const {
        const auto position = form->TabPositionOf(w->Tag);
        return position ? form->Tabs->TabControl1->tabText(*position) : QString();
    }

    TViewWindow* windowTitled(const QString& title) const {
        for (QMdiSubWindow* w : form->MDIChildren())
            if (w->windowTitle() == title) return qobject_cast<TViewWindow*>(w);
        return nullptr;
    }
};

// Gecko pages beside pages of the Internet Explorer slot, once with each of its engines.
struct WebKitBesideIe : WebKitE2E, ::testing::WithParamInterface<IeEngine> {
    void SetUp() override {
        if (IeEngines::unavailable(GetParam())) GTEST_SKIP() << "the system has no Chromium";
        IeEngines::use(GetParam());
        WebKitE2E::SetUp();
    }
    void TearDown() override {
        WebKitE2E::TearDown();
        IeEngines::use(IeEngine::BuiltIn);
    }
};

TAVIX_BOTH_IE_ENGINES(WebKitBesideIe);

TEST_F(WebKitE2E, JapaneseTitleReachesCaptionTabAndAddressBoxAndHistoryWorks) {
    TViewWindow* w = open(QStringLiteral("index.html"));
    ASSERT_TRUE(w);
    ASSERT_TRUE(webkitOf(w));
    const QString first = QStringLiteral("日本語のページ");
    ASSERT_TRUE(waitFor([&] { return w->windowTitle() == first; })) << w->windowTitle().toStdString();
    EXPECT_EQ(tabOf(w), first);
    EXPECT_EQ(form->controls().txtAddress->text(), http->url(QStringLiteral("index.html")));
    EXPECT_FALSE(form->controls().BackCtrl->isEnabled());

    form->controls().txtAddress->setText(http->url(QStringLiteral("second.html")));
    ErrorBox::guard([&] { form->btnMoveClick(); });
    const QString second = QStringLiteral("二番目のページ");
    ASSERT_TRUE(waitFor([&] { return w->windowTitle() == second && form->controls().BackCtrl->isEnabled(); }));
    EXPECT_EQ(form->controls().txtAddress->text(), http->url(QStringLiteral("second.html")));
    ASSERT_TRUE(waitFor([&] { return !form->controls().StopCtrl->isEnabled(); })) << "Stop stays on after the load";

    QTest::mouseClick(form->controls().BackCtrl, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w->windowTitle() == first && form->controls().FrwrdCtrl->isEnabled(); }));
    EXPECT_EQ(tabOf(w), first);
    EXPECT_EQ(form->controls().txtAddress->text(), http->url(QStringLiteral("index.html")));
    QTest::mouseClick(form->controls().FrwrdCtrl, Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return w->windowTitle() == second; }));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

// A page without a title is known by its address in both engines, about:blank as well:
// no caption may stay "Gecko" or tab "loading".
TEST_P(WebKitBesideIe, CaptionAndTabFollowPagesWithoutATitleInBothEngines) {
    for (bool ie : {false, true}) {
        SCOPED_TRACE(ie ? "Chromium" : "WebKit");
        useEngine(ie);
        const auto before = form->MDIChildren().size();
        ErrorBox::guard([&] { form->FileNew1Execute(); });
        ASSERT_EQ(form->MDIChildren().size(), before + 1);
        auto* blank = qobject_cast<TViewWindow*>(form->MDIChildren().back());
        if (!ie) {
            ASSERT_TRUE(waitFor([&] { return blank->windowTitle() == QStringLiteral("about:blank"); }))
                << blank->windowTitle().toStdString();
            EXPECT_EQ(tabOf(blank), QStringLiteral("about:blank"));
        }
        TViewWindow* w = open(QStringLiteral("index.html"));
        ASSERT_TRUE(w);
        ASSERT_TRUE(waitFor([&] { return w->windowTitle() == QStringLiteral("日本語のページ"); }));
        // The address box acts on the window in front: that is this page's, whatever the
        // blank window's engine still does as its page comes up.
        form->controls().MDIClient->setActiveSubWindow(w);
        // From a titled page to one without: the caption must not keep the old title.
        form->controls().txtAddress->setText(http->url(QStringLiteral("untitled.html")));
        ErrorBox::guard([&] { form->btnMoveClick(); });
        const QString address = http->url(QStringLiteral("untitled.html"));
        const QString caption = address.mid(QStringLiteral("http://").size());
        ASSERT_TRUE(waitFor([&] { return w->windowTitle() == caption; })) << w->windowTitle().toStdString();
        EXPECT_EQ(tabOf(w), caption);
        EXPECT_EQ(form->controls().txtAddress->text(), address);
        // And back to a title.
        form->controls().txtAddress->setText(http->url(QStringLiteral("second.html")));
        QMdiSubWindow* const asked = form->ActiveMDIChild();
        ErrorBox::guard([&] { form->btnMoveClick(); });
        ASSERT_TRUE(waitFor([&] { return w->windowTitle() == QStringLiteral("二番目のページ"); }))
            << w->windowTitle().toStdString() << " (in front when asked: "
            << (asked == w ? std::string("this window") : "\"" + (asked ? asked->windowTitle().toStdString() : "none") + "\"")
            << ", now: " << (form->ActiveMDIChild() == w ? "this" : "another") << " window)";
        EXPECT_EQ(tabOf(w), QStringLiteral("二番目のページ"));
    }
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

TEST_P(WebKitBesideIe, ChromiumAndWebKitSideBySide) {
    useEngine(true);
    TViewWindow* chromium = open(QStringLiteral("second.html"));
    useEngine(false);
    TViewWindow* webkit = open(QStringLiteral("index.html"));
    ASSERT_TRUE(chromium && webkit);
    EXPECT_EQ(IeEngines::chromiumOf(chromium->control()->ControlInterface()) != nullptr,
              GetParam() == IeEngine::SystemChromium);
    EXPECT_FALSE(webkitOf(chromium));
    EXPECT_TRUE(webkitOf(webkit));
    form->controls().MDIClient->tileSubWindows();
    ASSERT_TRUE(waitFor([&] {
        return chromium->windowTitle() == QStringLiteral("二番目のページ") &&
               webkit->windowTitle() == QStringLiteral("日本語のページ");
    }));
    QTest::qWait(1500);   // let both engines paint before the picture
    const QString shot = QStringLiteral("/tmp/tavix-side-by-side-%1.png")
                             .arg(GetParam() == IeEngine::SystemChromium ? QStringLiteral("chromium") : QStringLiteral("builtin"));
    QProcess::execute(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), shot});
    EXPECT_TRUE(QFile::exists(shot));
    EXPECT_TRUE(webkitOf(webkit)->pageWidget()->isVisible());
}

TEST_F(WebKitE2E, ClicksActivateTheViewAndKeysReachTheFieldAndTheFrame) {
    TViewWindow* webkit = open(QStringLiteral("index.html"));
    TViewWindow* other = open(QStringLiteral("second.html"));
    ASSERT_TRUE(webkit && other);
    form->controls().MDIClient->tileSubWindows();
    ASSERT_TRUE(waitFor([&] { return webkit->windowTitle() == QStringLiteral("日本語のページ"); }));
    ASSERT_TRUE(waitFor([&] { return other->windowTitle() == QStringLiteral("二番目のページ"); }));
    ASSERT_EQ(form->ActiveMDIChild(), other);
    QWidget* page = webkitOf(webkit)->pageWidget();
    ASSERT_TRUE(page);

    // A click in the page activates its window and puts the caret in the field.
    clickAt(page, QPoint(page->width() / 2, 20));
    ASSERT_TRUE(waitFor([&] { return form->ActiveMDIChild() == webkit; }));
    QTest::qWait(300);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("abc")});
    ASSERT_TRUE(waitFor([&] { return webkit->windowTitle() == QStringLiteral("入力:abc"); }))
        << webkit->windowTitle().toStdString();
    EXPECT_EQ(tabOf(webkit), QStringLiteral("入力:abc"));

    // The frame's shortcut works while the page has the keyboard.
    const auto before = form->MDIChildren().size();
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+n")});
    ASSERT_TRUE(waitFor([&] { return form->MDIChildren().size() == before + 1; }));

    // Back to the address box: keys go there, not to the page. xdotool returns once it
    // has sent its events, before the program has seen them: let each click settle, and
    // wait until X gives the keyboard back to the frame's own window.
    clickAt(webkit, QPoint(webkit->width() / 2, 10));   // the caption: the WebKit window in front again
    QTest::qWait(300);
    ASSERT_TRUE(waitFor([&] { return form->ActiveMDIChild() == webkit; }));
    clickAt(form->controls().txtAddress, QPoint(form->controls().txtAddress->width() / 2, form->controls().txtAddress->height() / 2));
    QTest::qWait(300);
    ASSERT_TRUE(waitFor([&] { return form->controls().txtAddress->hasFocus() && xFocusIsOn(form.get()); }));
    form->controls().txtAddress->clear();
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("xyz")});
    ASSERT_TRUE(waitFor([&] { return form->controls().txtAddress->text() == QStringLiteral("xyz"); }))
        << form->controls().txtAddress->text().toStdString();
    EXPECT_EQ(webkit->windowTitle(), QStringLiteral("入力:abc"));

    // And into the page again.
    clickAt(page, QPoint(page->width() / 2, 20));
    QTest::qWait(300);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("50"), QStringLiteral("d")});
    ASSERT_TRUE(waitFor([&] { return webkit->windowTitle() == QStringLiteral("入力:abcd"); }))
        << webkit->windowTitle().toStdString();
}

TEST_F(WebKitE2E, TheAddressGoesToTheWindowInFrontWhileTheFrameIsInTheBackground) {
    TViewWindow* w = open(QStringLiteral("index.html"));
    ASSERT_TRUE(w);
    ASSERT_TRUE(waitFor([&] { return w->windowTitle() == QStringLiteral("日本語のページ"); }));
    // Another program's window has the keyboard for a moment, as a page engine's new
    // window does.
    QProcess other;
    other.start(QStringLiteral("xmessage"), {QStringLiteral("-geometry"), QStringLiteral("+900+600"), QStringLiteral("-title"),
                                              QStringLiteral("tavix-other-program"), QStringLiteral("other")});
    ASSERT_TRUE(other.waitForStarted());
    QString found;
    ASSERT_TRUE(waitFor([&] {
        QProcess search;
        search.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"),
                                                  QStringLiteral("tavix-other-program")});
        search.waitForFinished();
        found = QString::fromLatin1(search.readAllStandardOutput()).section(u'\n', 0, 0).trimmed();
        return !found.isEmpty();
    }));
    xdotool({QStringLiteral("windowactivate"), found});
    ASSERT_TRUE(waitFor([&] { return QGuiApplication::focusWindow() == nullptr; }));
    EXPECT_EQ(form->ActiveMDIChild(), w);
    form->controls().txtAddress->setText(http->url(QStringLiteral("second.html")));
    ErrorBox::guard([&] { form->btnMoveClick(); });
    EXPECT_TRUE(waitFor([&] { return w->windowTitle() == QStringLiteral("二番目のページ"); })) << w->windowTitle().toStdString();
    other.kill();
    other.waitForFinished();
}

TEST_F(WebKitE2E, PopupsPassThroughTheFilter) {
    TViewWindow* opener = open(QStringLiteral("popup.html"));
    ASSERT_TRUE(opener);
    ASSERT_TRUE(waitFor([&] { return windowTitled(QStringLiteral("許可されたポップアップ")) != nullptr; }));
    // The blocked request came first; give its receiver the time to decide as well.
    QTest::qWait(2000);
    EXPECT_EQ(windowTitled(QStringLiteral("遮断された広告")), nullptr);
    EXPECT_EQ(form->MDIChildren().size(), 2);
}

// A site ruled for Gekko: a start page in the Internet Explorer slot whose link (the
// whole page) leads there, and the site's page, on a server that counts what is fetched.
struct GekkoSite {
    PageServer server;
    GekkoSite(const ProgramFolder& dir) {
        server.setPage("/start.html", "<html><head><title>start</title></head><body style='margin:0'>"
                                      "<a href='" + server.url(QStringLiteral("/gekko/page.html")).toUtf8() +
                                      "' style='display:block;position:fixed;inset:0'>gekko</a></body></html>");
        server.setPage("/gekko/page.html", "<html><head><title>ゲッコーのページ</title></head><body>WebKit</body></html>");
        // The server's own port: the same host on another port is no part of the site.
        dir.write("SiteEngine.txt", ("# e2e\r\n" + server.url(QStringLiteral("/gekko/")) + "\tGekko\r\n").toStdString());
    }
    int fetched() const { return server.requests().count("/gekko/page.html"); }
};

TEST_F(WebKitE2E, ATypedAddressOfAGekkoSiteOpensInWebKitWhateverTheEngineMenuSays) {
    GekkoSite site(dir);
    useEngine(true);
    form->controls().txtAddress->setText(site.server.url(QStringLiteral("/gekko/page.html")));
    ErrorBox::guard([&] { form->btnMoveClick(); });
    ASSERT_EQ(form->MDIChildren().size(), 1);
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().front());
    EXPECT_TRUE(webkitOf(view));
    ASSERT_TRUE(waitFor([&] { return view->windowTitle() == QStringLiteral("ゲッコーのページ"); }));
    QTest::qWait(1000);
    EXPECT_EQ(site.fetched(), 1) << site.server.requests().join(' ').toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

TEST_P(WebKitBesideIe, ALinkToAGekkoSiteOpensInWebKitFetchedOnceAndThePageStays) {
    GekkoSite site(dir);
    useEngine(true);
    ErrorBox::guard([&] { form->OpenViewWindow(QStringLiteral("cap"), site.server.url(QStringLiteral("/start.html"))); });
    ASSERT_EQ(form->MDIChildren().size(), 1);
    auto* start = qobject_cast<TViewWindow*>(form->MDIChildren().front());
    ASSERT_FALSE(webkitOf(start));
    ASSERT_TRUE(waitFor([&] { return start->windowTitle() == QStringLiteral("start"); }));
    QTest::qWait(500);   // the page's window takes clicks once it is shown
    clickAt(start->control(), start->control()->rect().center());
    ASSERT_TRUE(waitFor([&] { return windowTitled(QStringLiteral("ゲッコーのページ")) != nullptr; }))
        << "requests: " << site.server.requests().join(' ').toStdString();
    TViewWindow* gekko = windowTitled(QStringLiteral("ゲッコーのページ"));
    EXPECT_TRUE(webkitOf(gekko));
    QTest::qWait(2000);   // whatever else would fetch it has had its time
    EXPECT_EQ(site.fetched(), 1) << site.server.requests().join(' ').toStdString();
    EXPECT_EQ(form->MDIChildren().size(), 2);
    EXPECT_EQ(start->windowTitle(), QStringLiteral("start"));
    EXPECT_EQ(start->LocationURL(), site.server.url(QStringLiteral("/start.html")));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

TEST_P(WebKitBesideIe, KillingTheHostLeavesTheRestAndTheNextUseStartsANewOne) {
    TViewWindow *chromium = nullptr, *a = nullptr, *b = nullptr;
    ASSERT_NO_FATAL_FAILURE(openChromiumAndTwoGeckoPages(chromium, a, b));
    const qint64 pid = WebKit::hostProcessId();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return webkitOf(a)->showsGone() && webkitOf(b)->showsGone(); }));
    EXPECT_TRUE(a->findChild<QLabel*>() && a->isVisible());
    EXPECT_EQ(chromium->windowTitle(), QStringLiteral("二番目のページ"));
    EXPECT_TRUE(errors.messages.isEmpty());

    // Reload on one of them brings its page back in a new host.
    form->controls().MDIClient->setActiveSubWindow(a);
    ErrorBox::guard([&] { form->ReLoadCtrlClick(); });
    ASSERT_TRUE(waitFor([&] { return !webkitOf(a)->showsGone(); }));
    EXPECT_NE(WebKit::hostProcessId(), pid);
    EXPECT_GT(WebKit::hostProcessId(), 0);
    EXPECT_TRUE(webkitOf(b)->showsGone());
    // A new Gecko window works as well.
    TViewWindow* c = open(QStringLiteral("second.html"));
    ASSERT_TRUE(c);
    ASSERT_TRUE(waitFor([&] { return c->windowTitle() == QStringLiteral("二番目のページ"); }));
}

// WebKit's processes below the host, by program name.
QList<qint64> webProcessesOf(qint64 host) {
    QList<qint64> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const qint64 pid = entry.toLongLong(&numeric);
        if (!numeric) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const QByteArray name = text.mid(text.indexOf('(') + 1, text.lastIndexOf(')') - text.indexOf('(') - 1);
        const qint64 parent = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toLongLong();
        if (parent == host && name.startsWith("WebKitWebProces")) found << pid;
    }
    return found;
}

// Views share a web process: its crash shows in every view it held, Reload brings each
// back, and the Chromium view beside them is untouched.
TEST_P(WebKitBesideIe, AWebProcessCrashShowsInEveryViewItHeld) {
    TViewWindow *chromium = nullptr, *a = nullptr, *b = nullptr;
    ASSERT_NO_FATAL_FAILURE(openChromiumAndTwoGeckoPages(chromium, a, b));
    const qint64 host = WebKit::hostProcessId();
    const QList<qint64> shared = webProcessesOf(host);
    ASSERT_EQ(shared.size(), 1) << "two views, one web process";
    ::kill(static_cast<pid_t>(shared.front()), SIGKILL);
    ASSERT_TRUE(waitFor([&] { return webkitOf(a)->showsGone() && webkitOf(b)->showsGone(); }));
    EXPECT_EQ(WebKit::hostProcessId(), host) << "the host outlives its web process";
    EXPECT_EQ(chromium->windowTitle(), QStringLiteral("二番目のページ"));
    EXPECT_TRUE(errors.messages.isEmpty());

    for (TViewWindow* w : {a, b}) {
        form->controls().MDIClient->setActiveSubWindow(w);
        ErrorBox::guard([&] { form->ReLoadCtrlClick(); });
        ASSERT_TRUE(waitFor([&] { return !webkitOf(w)->showsGone(); }));
    }
    ASSERT_TRUE(waitFor([&] { return !webProcessesOf(host).isEmpty() && !form->controls().StopCtrl->isEnabled(); }));
    EXPECT_EQ(a->windowTitle(), QStringLiteral("日本語のページ"));
    EXPECT_EQ(b->windowTitle(), QStringLiteral("二番目のページ"));
}

}  // namespace
