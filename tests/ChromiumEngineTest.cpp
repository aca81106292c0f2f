// The system Chromium engine's side of the DevTools protocol: the pipe's framing, a page
// load recorded from Chromium 156 replayed into a view, and the browser process's
// behaviour against a stand-in browser (tests/chromium/fake_chromium.py) that answers
// as Chromium does and fails in the ways Chromium can.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "engines/EngineRegistry.h"
#include "engines/PageDialog.h"
#include "engines/chromium/ChromiumBrowser.h"
#include "engines/chromium/ChromiumEngine.h"
#include "engines/chromium/ChromiumProcess.h"
#include "engines/chromium/DevToolsPipe.h"
#include "engines/chromium/HostRules.h"

#include <QFile>
#include <QMenu>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

QByteArray framed(const char* text) { return QByteArray(text) + '\0'; }

TEST(DevToolsFraming, MessagesAreCutAtNulWhateverTheReadsBring) {
    DevTools::Framer framer(64);
    QByteArray message;
    framer.feed("{\"id\":1,");
    EXPECT_FALSE(framer.next(message));
    framer.feed(framed("\"result\":{}}") + framed("{\"id\":2}") + "{\"id\"");
    ASSERT_TRUE(framer.next(message));
    EXPECT_EQ(message, "{\"id\":1,\"result\":{}}");
    ASSERT_TRUE(framer.next(message));
    EXPECT_EQ(message, "{\"id\":2}");
    EXPECT_FALSE(framer.next(message));
    framer.feed(framed(":3}"));
    ASSERT_TRUE(framer.next(message));
    EXPECT_EQ(message, "{\"id\":3}");

    // An overlong message goes whole, even when it arrives in pieces, and the next
    // one is read as it should be.
    framer.feed(QByteArray(50, 'x'));
    framer.feed(QByteArray(50, 'y'));
    EXPECT_FALSE(framer.next(message));
    framer.feed(QByteArray(20, 'z') + '\0' + framed("{\"id\":4}"));
    ASSERT_TRUE(framer.next(message));
    EXPECT_EQ(message, "{\"id\":4}");
    EXPECT_EQ(DevTools::Framer::frame(QJsonObject{{QStringLiteral("id"), 5}}), framed("{\"id\":5}"));
}

// What a view raised, in order.
struct EventLog {
    QStringList names;
    QStringList locations;
    QStringList titles;
    QStringList statusTexts;
    QList<std::pair<int, Qt::KeyboardModifiers>> keys;
    int activations = 0;

    explicit EventLog(WebBrowser2& engine) {
        DWebBrowserEvents2& e = engine.events();
        QObject::connect(&e, &DWebBrowserEvents2::NavigateComplete2, [this](IDispatch*, const Variant& url) {
            names << QStringLiteral("NavigateComplete2");
            locations << url.toString();
        });
        QObject::connect(&e, &DWebBrowserEvents2::TitleChange, [this](const QString& t) { titles << t; });
        QObject::connect(&e, &DWebBrowserEvents2::StatusTextChange, [this](const QString& t) { statusTexts << t; });
        QObject::connect(&e, &DWebBrowserEvents2::DownloadBegin, [this] { names << QStringLiteral("DownloadBegin"); });
        QObject::connect(&e, &DWebBrowserEvents2::DownloadComplete, [this] { names << QStringLiteral("DownloadComplete"); });
        QObject::connect(&e, &DWebBrowserEvents2::DocumentComplete,
                         [this](IDispatch*, const Variant&) { names << QStringLiteral("DocumentComplete"); });
        QObject::connect(&e, &DWebBrowserEvents2::ActivateRequest, [this] { ++activations; });
        QObject::connect(&e, &DWebBrowserEvents2::UnusedKey,
                         [this](int key, Qt::KeyboardModifiers mods, const QString&) { keys.append({key, mods}); });
    }
};

struct ChromiumEngine : ::testing::Test {
    QTemporaryDir profile;
    ErrorRecorder errors;
    QStringList builtInNavigations;
    std::unique_ptr<EngineRegistry::ScopedRegistration> builtIn;

    void SetUp() override {
        Chromium::setProgram(QStringLiteral(TAVIX_FAKE_CHROMIUM));
        Chromium::registerEngine(profile.path(), CLASS_BuiltInWebBrowser, [] { return true; });
        builtIn = std::make_unique<EngineRegistry::ScopedRegistration>(
            CLASS_BuiltInWebBrowser, [] { return std::make_unique<FakeEngine>(CLASS_BuiltInWebBrowser); });
        qputenv("FAKE_CHROMIUM_MODE", "normal");
    }

    void TearDown() override {
        Chromium::shutdown();
        ChromiumProcess::instance().resetFailure();
        Chromium::setProgram(QString());
        Chromium::setStartTimeout(Chromium::StartTimeoutMs);
        EngineRegistry::unregisterClass(CLASS_WebBrowser);
        qunsetenv("FAKE_CHROMIUM_MODE");
    }

    // The commands the stand-in received, as "method session" with the params.
    static QJsonArray received() {
        QJsonArray log;
        bool done = false;
        ChromiumProcess::instance().sendBrowser(QStringLiteral("Fake.log"), {}, [&](const DevTools::Reply& reply) {
            log = reply.result.value(QStringLiteral("received")).toArray();
            done = true;
        });
        waitUntil([&] { return done; });
        return log;
    }
    static QStringList methodsOf(const QJsonArray& log, const QString& session = {}) {
        QStringList methods;
        for (const QJsonValue& m : log)
            if (session.isEmpty() || m[QStringLiteral("sessionId")].toString() == session)
                methods << m[QStringLiteral("method")].toString();
        return methods;
    }
    static void emitEvent(const QString& method, const QJsonObject& params, const QString& session = {}) {
        QJsonObject message{{QStringLiteral("method"), method}, {QStringLiteral("params"), params}};
        if (!session.isEmpty()) message.insert(QStringLiteral("sessionId"), session);
        bool done = false;
        ChromiumProcess::instance().sendBrowser(QStringLiteral("Fake.emit"), message,
                                                [&](const DevTools::Reply&) { done = true; });
        waitUntil([&] { return done; });
    }

    std::unique_ptr<WebBrowser2> loadedPage(const QString& url) {
        auto page = EngineRegistry::createInstance(CLASS_WebBrowser);
        bool complete = false;
        QObject scope;   // the connection ends with this function
        QObject::connect(&page->events(), &DWebBrowserEvents2::DocumentComplete, &scope, [&] { complete = true; });
        EXPECT_EQ(page->Navigate(url, Variant::fromInt(0), Variant(), Variant(), Variant()), S_OK);
        EXPECT_TRUE(waitUntil([&] { return complete; }));
        return page;
    }
};

TEST_F(ChromiumEngine, ARecordedPageLoadReachesTheFrameAsTheOtherEnginesReportIt) {
    qputenv("FAKE_CHROMIUM_MODE", "silent");
    ChromiumBrowser view(CLASS_BuiltInWebBrowser);
    view.widget()->show();
    EventLog log(view);
    QList<PageDialog::Request> dialogs;
    PageDialog::setPresenter([&](QWidget*, const PageDialog::Request& request) {
        dialogs << request;
        return PageDialog::Answer{true, {}, false};
    });
    const QString target = QStringLiteral("C1324E1D099362384FF72334C9ADA1DB");
    view.pageReady(QStringLiteral("S"), target);

    QFile transcript(QStringLiteral(TAVIX_CHROMIUM_TRANSCRIPTS "/page_load.jsonl"));
    ASSERT_TRUE(transcript.open(QIODevice::ReadOnly));
    const QByteArray binding = ChromiumProcess::instance().bindingName().toUtf8();
    for (QByteArray line : transcript.readAll().split('\n')) {
        if (line.isEmpty()) continue;
        const QJsonObject m = QJsonDocument::fromJson(line.replace("$BINDING", binding)).object();
        const QString method = m[QStringLiteral("method")].toString();
        // Where the frame asked for the address in the recorded run.
        if (method == QLatin1String("Page.frameStartedNavigating")) {
            ASSERT_EQ(view.Navigate(m[QStringLiteral("params")][QStringLiteral("url")].toString(), Variant(), Variant(),
                                    Variant(), Variant()),
                      S_OK);
        }
        if (method == QLatin1String("Target.targetInfoChanged"))
            view.targetInfoChanged(m[QStringLiteral("params")][QStringLiteral("targetInfo")].toObject());
        else
            view.pageEvent(method, m[QStringLiteral("params")].toObject());
    }
    PageDialog::setPresenter({});

    // The empty document the window starts with is nobody's page.
    EXPECT_EQ(log.locations, QStringList{QStringLiteral("http://127.0.0.1:8765/index.html")});
    EXPECT_EQ(log.names, (QStringList{QStringLiteral("DownloadBegin"), QStringLiteral("NavigateComplete2"),
                                      QStringLiteral("DownloadComplete"), QStringLiteral("DocumentComplete")}));
    // The browser's own title (the address while the page has none), then the page's
    // title and the one its script set later.
    EXPECT_EQ(log.titles, (QStringList{QStringLiteral("127.0.0.1:8765/index.html"), QStringLiteral("テストページ"),
                                       QStringLiteral("変わったタイトル")}));
    EXPECT_EQ(log.statusTexts.mid(0, 3), (QStringList{QStringLiteral("http://127.0.0.1:8765/second.html"),
                                                      QStringLiteral("http://127.0.0.1:8765/second.html"), QString()}));
    EXPECT_EQ(log.activations, 2);
    ASSERT_EQ(dialogs.size(), 1);
    EXPECT_EQ(dialogs[0].text, QStringLiteral("hi there"));
    EXPECT_EQ(dialogs[0].caption, QStringLiteral("http://127.0.0.1:8765"));
    Variant busy;
    view.GetProperty(DISPID_BUSY, busy);
    EXPECT_FALSE(busy.toBool());
}

TEST_F(ChromiumEngine, ThePageScriptsReportsCountOnlyFromItsOwnBinding) {
    qputenv("FAKE_CHROMIUM_MODE", "silent");
    ChromiumBrowser view(CLASS_BuiltInWebBrowser);
    EventLog log(view);
    const QString binding = ChromiumProcess::instance().bindingName();
    const auto call = [&](const QString& name, const char* payload) {
        view.pageEvent(QStringLiteral("Runtime.bindingCalled"),
                       {{QStringLiteral("name"), name}, {QStringLiteral("payload"), QString::fromUtf8(payload)}});
    };
    call(binding, R"({"k":"key","c":78,"m":2,"t":"n"})");
    call(binding, R"({"k":"key","c":123,"m":0,"t":""})");
    call(binding, R"({"k":"key","c":70,"m":4,"t":"f"})");
    call(binding, R"({"k":"key","c":255,"m":2,"t":""})");   // a key the frame has no use for
    call(binding, R"({"k":"click"})");
    // A page that found a name of its own cannot speak for the frame's script.
    call(QStringLiteral("__tavix_guess"), R"({"k":"key","c":79,"m":2,"t":"o"})");
    call(binding, "not json");
    // A right-click on a link: the frame's menu, whose first item opens the link in a
    // new window of the frame's.
    bool asked = false;
    QObject::connect(&view.events(), &DWebBrowserEvents2::NewWindow2, [&](Variant&, bool& cancel) {
        asked = true;
        cancel = true;
    });
    call(binding, R"({"k":"menu","link":"http://example.test/next.html","image":"","editable":false,"selection":""})");
    auto* menu = view.widget()->findChild<QMenu*>();
    ASSERT_TRUE(menu);
    ASSERT_FALSE(menu->actions().isEmpty());
    EXPECT_EQ(menu->actions().first()->text(), QStringLiteral("新しいウィンドウで開く(&N)"));
    menu->actions().first()->trigger();
    EXPECT_TRUE(asked);
    menu->close();

    ASSERT_EQ(log.keys.size(), 3);
    EXPECT_EQ(log.keys[0], (std::pair<int, Qt::KeyboardModifiers>{Qt::Key_N, Qt::ControlModifier}));
    EXPECT_EQ(log.keys[1], (std::pair<int, Qt::KeyboardModifiers>{Qt::Key_F12, Qt::NoModifier}));
    EXPECT_EQ(log.keys[2], (std::pair<int, Qt::KeyboardModifiers>{Qt::Key_F, Qt::AltModifier}));
    EXPECT_EQ(log.activations, 1);
}

TEST_F(ChromiumEngine, ANewPageGetsAWindowOfItsOwnAndLoadsTheAddressAnnouncedOnce) {
    auto page = EngineRegistry::createInstance(CLASS_WebBrowser);
    ASSERT_TRUE(dynamic_cast<ChromiumBrowser*>(page.get()));
    QStringList announced;
    QObject::connect(&page->events(), &DWebBrowserEvents2::BeforeNavigate2,
                     [&](IDispatch*, const Variant& url, const Variant&, const Variant&, const Variant&, const Variant&,
                         bool&) { announced << url.toString(); });
    EventLog log(*page);
    bool complete = false;
    QObject::connect(&page->events(), &DWebBrowserEvents2::DocumentComplete, [&] { complete = true; });
    ASSERT_EQ(page->Navigate(QStringLiteral("http://example.test/a.html"), Variant(), Variant(), Variant(), Variant()), S_OK);
    ASSERT_TRUE(waitUntil([&] { return complete; }));
    EXPECT_EQ(announced, QStringList{QStringLiteral("http://example.test/a.html")});
    EXPECT_EQ(log.titles, QStringList{QStringLiteral("a.html")});
    Variant location;
    page->GetProperty(DISPID_LOCATIONURL, location);
    EXPECT_EQ(location.toString(), QStringLiteral("http://example.test/a.html"));

    const QJsonArray commands = received();
    // The window came from the hidden window's script, and the page was set up before
    // it ran: its first document already has the page script.
    EXPECT_TRUE(methodsOf(commands, QStringLiteral("S-FACTORY")).contains(QStringLiteral("Runtime.evaluate")));
    const QStringList setup = methodsOf(commands, QStringLiteral("S-T1"));
    ASSERT_TRUE(setup.contains(QStringLiteral("Runtime.runIfWaitingForDebugger")));
    for (const char* before : {"Page.enable", "Runtime.enable", "Runtime.addBinding", "Page.addScriptToEvaluateOnNewDocument", "Fetch.enable"})
        EXPECT_LT(setup.indexOf(QLatin1String(before)), setup.indexOf(QStringLiteral("Runtime.runIfWaitingForDebugger"))) << before;

    // Back and forward follow the page's history.
    complete = false;
    ASSERT_EQ(page->Navigate(QStringLiteral("http://example.test/b.html"), Variant(), Variant(), Variant(), Variant()), S_OK);
    ASSERT_TRUE(waitUntil([&] { return complete; }));
    ASSERT_TRUE(waitUntil([&] { return page->GoBack() == S_OK; }));
    complete = false;
    ASSERT_TRUE(waitUntil([&] { return complete; }));
    page->GetProperty(DISPID_LOCATIONURL, location);
    EXPECT_EQ(location.toString(), QStringLiteral("http://example.test/a.html"));
}

TEST_F(ChromiumEngine, ANavigationThePageStartsIsAnnouncedAndCanBeCancelledBeforeItLeaves) {
    auto page = loadedPage(QStringLiteral("http://example.test/a.html"));
    QStringList frames;
    QObject::connect(&page->events(), &DWebBrowserEvents2::BeforeNavigate2,
                     [&](IDispatch* frame, const Variant& url, const Variant&, const Variant&, const Variant&,
                         const Variant&, bool& cancel) {
                         cancel = url.toString().contains(QStringLiteral("blocked"));
                         frames << (frame == page.get() ? "page" : frame == InnerFrameDispatch() ? "inner" : "?");
                     });
    // The page's own document, then a frame's within it.
    const std::pair<const char*, const char*> requests[] = {{"http://example.test/blocked.html", "T1"},
                                                            {"http://example.test/fine.html", "T1"},
                                                            {"http://example.test/blocked-frame.html", "F2"}};
    for (const auto& [url, frame] : requests)
        emitEvent(QStringLiteral("Fetch.requestPaused"),
                  {{QStringLiteral("requestId"), QString::fromLatin1(url)},
                   {QStringLiteral("frameId"), QString::fromLatin1(frame)},
                   {QStringLiteral("resourceType"), QStringLiteral("Document")},
                   {QStringLiteral("request"), QJsonObject{{QStringLiteral("url"), QString::fromLatin1(url)}}}},
                  QStringLiteral("S-T1"));
    QStringList answers;
    for (const QJsonValue& m : received())
        if (m[QStringLiteral("method")].toString().startsWith(QLatin1String("Fetch.")) &&
            m[QStringLiteral("params")][QStringLiteral("requestId")].toString().startsWith(QLatin1String("http")))
            answers << (m[QStringLiteral("method")].toString() + u' ' + m[QStringLiteral("params")][QStringLiteral("requestId")].toString() +
                        u' ' + m[QStringLiteral("params")][QStringLiteral("errorReason")].toString())
                           .trimmed();
    EXPECT_EQ(frames, (QStringList{"page", "page", "inner"}));
    // A page cancelled stays as it was (no error page); a frame shows it was blocked.
    EXPECT_EQ(answers, (QStringList{QStringLiteral("Fetch.failRequest http://example.test/blocked.html Aborted"),
                                    QStringLiteral("Fetch.continueRequest http://example.test/fine.html"),
                                    QStringLiteral("Fetch.failRequest http://example.test/blocked-frame.html BlockedByClient")}));
}

TEST_F(ChromiumEngine, APagesNewWindowOpensInTheFramesViewAndChromiumsOwnIsClosedUnused) {
    auto page = loadedPage(QStringLiteral("http://example.test/a.html"));
    FakeEngine receiver;
    QObject::connect(&page->events(), &DWebBrowserEvents2::NewWindow2,
                     [&](Variant& ppDisp, bool&) { ppDisp = Variant::fromDispatch(&receiver); });
    emitEvent(QStringLiteral("Page.windowOpen"),
              {{QStringLiteral("url"), QStringLiteral("http://example.test/popup.html")},
               {QStringLiteral("windowName"), QStringLiteral("_blank")}},
              QStringLiteral("S-T1"));
    emitEvent(QStringLiteral("Target.attachedToTarget"),
              {{QStringLiteral("sessionId"), QStringLiteral("S-POPUP")},
               {QStringLiteral("waitingForDebugger"), true},
               {QStringLiteral("targetInfo"), QJsonObject{{QStringLiteral("targetId"), QStringLiteral("POPUP")},
                                                          {QStringLiteral("type"), QStringLiteral("page")},
                                                          {QStringLiteral("url"), QString()},
                                                          {QStringLiteral("openerId"), QStringLiteral("T1")}}}});
    ASSERT_EQ(receiver.callsOf(QStringLiteral("Navigate")).size(), 1);
    EXPECT_EQ(receiver.callsOf(QStringLiteral("Navigate"))[0].args[0].toString(), QStringLiteral("http://example.test/popup.html"));
    // Its first request is failed and the window closed; one that asks for nothing is
    // closed after a moment all the same.
    QJsonArray commands;
    const auto closed = [&] {
        commands = received();
        for (const QJsonValue& m : commands)
            if (m[QStringLiteral("method")].toString() == QLatin1String("Target.closeTarget") &&
                m[QStringLiteral("params")][QStringLiteral("targetId")].toString() == QLatin1String("POPUP"))
                return true;
        return false;
    };
    EXPECT_TRUE(waitUntil(closed, 5000));
    // It ran only with every request held back (its opener's renderer must not stay
    // paused), and fetched nothing.
    const QStringList popup = methodsOf(commands, QStringLiteral("S-POPUP"));
    ASSERT_TRUE(popup.contains(QStringLiteral("Runtime.runIfWaitingForDebugger")));
    EXPECT_LT(popup.indexOf(QStringLiteral("Fetch.enable")), popup.indexOf(QStringLiteral("Runtime.runIfWaitingForDebugger")));
    EXPECT_FALSE(popup.contains(QStringLiteral("Fetch.continueRequest")));
}

TEST_F(ChromiumEngine, TheSlotFallsBackToTheBuiltInEngineWhenChromiumCannotServe) {
    // Not installed: the built-in engine serves at once, with no word needed.
    Chromium::setProgram(QStringLiteral("/nonexistent/chromium"));
    EXPECT_FALSE(Chromium::serves());
    EXPECT_FALSE(dynamic_cast<ChromiumBrowser*>(EngineRegistry::createInstance(CLASS_WebBrowser).get()));

    // Older than the built-in engine, silent past the start's time, or ending on every
    // start before it has made a window: the pages waiting for it are served by the
    // built-in engine inside their own views, and say so.
    for (const char* mode : {"old", "silent", "dies-opening"}) {
        SCOPED_TRACE(mode);
        Chromium::setProgram(QStringLiteral(TAVIX_FAKE_CHROMIUM));
        Chromium::setStartTimeout(500);
        ChromiumProcess::instance().resetFailure();
        qputenv("FAKE_CHROMIUM_MODE", mode);
        auto page = EngineRegistry::createInstance(CLASS_WebBrowser);
        auto* chromium = dynamic_cast<ChromiumBrowser*>(page.get());
        ASSERT_TRUE(chromium);
        EventLog log(*page);
        ASSERT_EQ(page->Navigate(QStringLiteral("http://example.test/a.html"), Variant(), Variant(), Variant(), Variant()), S_OK);
        ASSERT_TRUE(waitUntil([&] { return chromium->substitute() != nullptr; }, 5000));
        auto* builtIn = dynamic_cast<FakeEngine*>(chromium->substitute());
        ASSERT_TRUE(builtIn);
        EXPECT_EQ(builtIn->callsOf(QStringLiteral("Navigate")).size(), 1);
        ASSERT_FALSE(log.statusTexts.isEmpty());
        EXPECT_TRUE(log.statusTexts.last().contains(QStringLiteral("組み込みのエンジンで表示しています"))) << log.statusTexts.last().toStdString();
        // The next pages do not wait for it again this run.
        EXPECT_FALSE(Chromium::serves());
        Chromium::shutdown();
    }
}

TEST_F(ChromiumEngine, ABrowserThatDiesShowsInItsPagesAndTheNextNavigationStartsANewOne) {
    auto page = loadedPage(QStringLiteral("http://example.test/a.html"));
    auto* chromium = dynamic_cast<ChromiumBrowser*>(page.get());
    ASSERT_TRUE(chromium);
    const qint64 first = Chromium::processId();
    ChromiumProcess::instance().sendBrowser(QStringLiteral("Fake.exit"));
    ASSERT_TRUE(waitUntil([&] { return chromium->showsGone(); }));
    EXPECT_EQ(Chromium::processId(), 0);
    EXPECT_TRUE(Chromium::serves());   // a crash is no failure to start

    bool complete = false;
    QObject::connect(&page->events(), &DWebBrowserEvents2::DocumentComplete, [&] { complete = true; });
    ASSERT_EQ(page->Refresh(), S_OK);
    ASSERT_TRUE(waitUntil([&] { return complete; }));
    EXPECT_NE(Chromium::processId(), first);
    EXPECT_FALSE(chromium->showsGone());
    Variant location;
    page->GetProperty(DISPID_LOCATIONURL, location);
    EXPECT_EQ(location.toString(), QStringLiteral("http://example.test/a.html"));
}

}  // namespace

namespace {

// The host's answers as the requests of a Chromium page see them.
TEST(ChromiumHostRules, EachAnswerActsOnTheRequestsItConcerns) {
    const QUrl web(QStringLiteral("http://example.test/x"));
    const QUrl local(QStringLiteral("file:///tmp/x"));
    const auto blocks = [](std::uint32_t control, const char* type, const QUrl& url, bool top = false, bool frame = false) {
        HostAnswers answers;
        answers.downloadControl = control;
        return HostRules::decide(answers, QString::fromLatin1(type), url, top, frame).block;
    };
    const std::uint32_t normal = HostAnswers{}.downloadControl;
    EXPECT_FALSE(blocks(normal, "Image", web));
    EXPECT_TRUE(blocks(normal & ~DLCTL_DLIMAGES, "Image", web));
    EXPECT_FALSE(blocks(normal & ~DLCTL_DLIMAGES, "Script", web));
    // Media goes only when neither videos nor background sounds are wanted.
    EXPECT_FALSE(blocks(normal & ~DLCTL_VIDEOS, "Media", web));
    EXPECT_TRUE(blocks(normal & ~(DLCTL_VIDEOS | DLCTL_BGSOUNDS), "Media", web));
    EXPECT_TRUE(blocks(normal | DLCTL_NO_SCRIPTS, "Script", web));
    EXPECT_TRUE(blocks(normal | DLCTL_NO_FRAMEDOWNLOAD, "Document", web, false, true));
    EXPECT_FALSE(blocks(normal | DLCTL_NO_FRAMEDOWNLOAD, "Document", web, true, false));
    // Only fetched: the top document and nothing else.
    EXPECT_FALSE(blocks(normal | DLCTL_DOWNLOADONLY, "Document", web, true));
    EXPECT_TRUE(blocks(normal | DLCTL_DOWNLOADONLY, "Stylesheet", web));
    // Offline stops the network, not the machine's own files.
    EXPECT_TRUE(blocks(normal | DLCTL_FORCEOFFLINE, "Document", web, true));
    EXPECT_FALSE(blocks(normal | DLCTL_FORCEOFFLINE, "Document", local, true));

    HostAnswers fresh;
    fresh.downloadControl = normal | DLCTL_PRAGMA_NO_CACHE;
    const auto headers = HostRules::decide(fresh, QStringLiteral("Document"), web, true, false).headers;
    ASSERT_EQ(headers.size(), 2u);
    EXPECT_EQ(headers[1].second, QStringLiteral("no-cache"));
    EXPECT_TRUE(HostRules::decide(fresh, QStringLiteral("Document"), local, true, false).headers.empty());

    // With nothing to hold back but documents, only documents are held.
    EXPECT_FALSE(HostRules::holdsEveryRequest(HostAnswers{}));
    EXPECT_EQ(HostRules::fetchPatterns(HostAnswers{})[0][QStringLiteral("resourceType")].toString(), QStringLiteral("Document"));
    EXPECT_TRUE(HostRules::holdsEveryRequest(fresh));
    EXPECT_FALSE(HostRules::fetchPatterns(fresh)[0].toObject().contains(QStringLiteral("resourceType")));
}

}  // namespace

namespace {

TEST_F(ChromiumEngine, ANewViewTakesTheWindowMadeAheadOfNeed) {
    auto first = loadedPage(QStringLiteral("http://example.test/a.html"));
    const auto windowsAsked = [] {
        int count = 0;
        for (const QJsonValue& m : received())
            count += m[QStringLiteral("sessionId")].toString() == QLatin1String("S-FACTORY") &&
                     m[QStringLiteral("params")][QStringLiteral("expression")].toString().contains(QLatin1String("window.open"));
        return count;
    };
    // One window for the first page, then one made ahead once that page had its start.
    ASSERT_TRUE(waitUntil([&] { return windowsAsked() == 2; }, 5000));
    // That window has run already: its renderer takes the page's setup after a moment,
    // and the address must wait for it, or its document comes without the page script.
    auto second = EngineRegistry::createInstance(CLASS_WebBrowser);
    EventLog log(*second);
    bool complete = false;
    QObject::connect(&second->events(), &DWebBrowserEvents2::DocumentComplete, [&] { complete = true; });
    ASSERT_EQ(second->Navigate(QStringLiteral("http://example.test/b.html"), Variant(), Variant(), Variant(), Variant()), S_OK);
    ASSERT_TRUE(waitUntil([&] { return complete; }));
    Variant location;
    second->GetProperty(DISPID_LOCATIONURL, location);
    EXPECT_EQ(location.toString(), QStringLiteral("http://example.test/b.html"));
    EXPECT_EQ(log.titles, QStringList{QStringLiteral("b.html")});
    const QStringList spare = methodsOf(received(), QStringLiteral("S-T2"));
    // The second page loaded in the window made ahead, set up once it was taken.
    EXPECT_TRUE(spare.contains(QStringLiteral("Page.navigate")));
    EXPECT_TRUE(spare.contains(QStringLiteral("Runtime.addBinding")));
}

}  // namespace
