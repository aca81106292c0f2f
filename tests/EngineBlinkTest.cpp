// Chromium in the IE slot, against pages served from this process on 127.0.0.1.

#include "FakeEngine.h"
#include "PageServer.h"
#include "TestSupport.h"
#include "engines/UIWebBrowser.h"
#include "engines/blink/BlinkBrowser.h"
#include "engines/Address.h"
#include "engines/PageSave.h"
#include "engines/TextSize.h"
#include "engines/blink/BlinkEngine.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEnginePage>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

constexpr int Timeout = 30000;

// What a browser reported, event by event.
struct Recorder {
    explicit Recorder(TEngineControl& control) {
        DWebBrowserEvents2& e = control.events();
        QObject::connect(&e, &DWebBrowserEvents2::TitleChange, [this](const QString& t) { title = t; });
        QObject::connect(&e, &DWebBrowserEvents2::CommandStateChange, [this](int command, bool enable) {
            if (command == CSC_NAVIGATEBACK) back = enable;
            if (command == CSC_NAVIGATEFORWARD) forward = enable;
        });
        QObject::connect(&e, &DWebBrowserEvents2::ProgressChange, [this](int p, int m) { progress = {p, m}; });
        QObject::connect(&e, &DWebBrowserEvents2::DocumentComplete,
                         [this](IDispatch*, const Variant&) { ++documents; });
        QObject::connect(&e, &DWebBrowserEvents2::BeforeNavigate2,
                         [this](IDispatch* frame, const Variant& url, const Variant&, const Variant&, const Variant&,
                                const Variant&, bool& cancel) {
                             navigations << url.toString();
                             innerFrames << (frame == InnerFrameDispatch());
                             cancel = url.toString().endsWith(cancelSuffix) && !cancelSuffix.isEmpty();
                         });
    }
    bool waitForDocuments(int count) const { return waitUntil([&] { return documents >= count; }, Timeout); }

    QString title;
    bool back = false;
    bool forward = false;
    std::pair<int, int> progress{-1, -1};
    int documents = 0;
    QStringList navigations;
    QList<bool> innerFrames;  // per navigation: a frame inside the page, not the page
    QString cancelSuffix;
};

class EngineBlink : public ::testing::Test {
protected:
    static void SetUpTestSuite() { Blink::useOffTheRecordProfile(); }
    EngineRegistry::ScopedRegistration chromium{CLASS_WebBrowser, [] { return std::make_unique<BlinkBrowser>(); }};
    EngineBlink() {
        server.setPage("/", "<html><head><title>テスト ページ</title></head>"
                            "<body><a id=l href='/second'>次へ</a></body></html>");
        server.setPage("/second", "<html><head><title>二番目</title></head><body>2</body></html>");
        server.setPage("/framed", "<html><head><title>framed</title></head><body><iframe src='/second'></iframe></body></html>");
        server.setPage("/popup", "<html><head><title>popup</title></head>"
                                 "<body><script>window.open('/second', '_blank');</script></body></html>");
    }
    PageServer server;
};

}  // namespace

TEST(EngineBlinkAddress, TypedAddressesBecomeWhatAUserExpects) {
    EXPECT_EQ(addressToUrl(QString()), QUrl("about:blank"));
    EXPECT_EQ(addressToUrl("  "), QUrl("about:blank"));
    EXPECT_EQ(addressToUrl("example.com/a?b=1"), QUrl("http://example.com/a?b=1"));
    EXPECT_EQ(addressToUrl("https://例え.jp/"), QUrl("https://例え.jp/"));
    EXPECT_EQ(addressToUrl("about:blank"), QUrl("about:blank"));
    EXPECT_FALSE(addressToUrl("http://").isValid());

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("ページ #1.html"));
    QFile(file).open(QIODevice::WriteOnly);
    const QUrl url = addressToUrl(file);
    EXPECT_TRUE(url.isLocalFile());
    EXPECT_EQ(url.toLocalFile(), file);   // '#' is part of the name, not a fragment
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path());
    EXPECT_EQ(addressToUrl(QStringLiteral("ページ #1.html")).toLocalFile(), file);
    QDir::setCurrent(previous);
}

TEST(EngineBlinkAddress, TextSizesZoomInOrder) {
    EXPECT_EQ(zoomFactorForTextSize(2), 1.0);
    for (int size = 1; size < 5; ++size)
        EXPECT_LT(zoomFactorForTextSize(size - 1), zoomFactorForTextSize(size));
    EXPECT_EQ(zoomFactorForTextSize(-1), 0.0);
    EXPECT_EQ(zoomFactorForTextSize(5), 0.0);
}

TEST_F(EngineBlink, LoadsAPageAndReportsTitleAddressAndBusy) {
    TUIWebBrowser browser;
    Recorder seen(browser);
    bool busyWhileLoading = false;
    QObject::connect(&browser.events(), &DWebBrowserEvents2::DownloadBegin, [&] { busyWhileLoading = browser.Busy(); });

    browser.Navigate(server.url("/"));
    ASSERT_TRUE(seen.waitForDocuments(1));
    EXPECT_TRUE(waitUntil([&] { return seen.title == QStringLiteral("テスト ページ"); }, Timeout));
    EXPECT_EQ(browser.LocationURL(), server.url("/"));
    EXPECT_TRUE(busyWhileLoading);
    EXPECT_FALSE(browser.Busy());
    EXPECT_EQ(seen.progress, std::make_pair(0, 0));
    EXPECT_TRUE(seen.navigations.contains(server.url("/")));
    Variant name;
    EXPECT_EQ(browser.ControlInterface().GetProperty(DISPID_NAME, name), S_OK);
    EXPECT_TRUE(name.toString().startsWith(QStringLiteral("Chromium ")));
}

TEST_F(EngineBlink, BackAndForwardFollowHistory) {
    TUIWebBrowser browser;
    Recorder seen(browser);
    EXPECT_THROW(browser.GoBack(), ComError);   // nothing to go back to

    browser.Navigate(server.url("/"));
    ASSERT_TRUE(seen.waitForDocuments(1));
    EXPECT_FALSE(seen.back);
    browser.Navigate(server.url("/second"));
    ASSERT_TRUE(seen.waitForDocuments(2));
    EXPECT_TRUE(seen.back);
    EXPECT_FALSE(seen.forward);

    browser.GoBack();
    ASSERT_TRUE(waitUntil([&] { return seen.forward && !seen.back; }, Timeout));
    EXPECT_TRUE(waitUntil([&] { return browser.LocationURL() == server.url("/"); }, Timeout));
    browser.GoForward();
    ASSERT_TRUE(waitUntil([&] { return seen.back && !seen.forward; }, Timeout));
}

TEST_F(EngineBlink, BeforeNavigate2CanCancel) {
    TUIWebBrowser browser;
    Recorder seen(browser);
    browser.Navigate(server.url("/"));
    ASSERT_TRUE(seen.waitForDocuments(1));
    seen.cancelSuffix = QStringLiteral("/second");
    browser.Navigate(server.url("/second"));
    ASSERT_TRUE(waitUntil([&] { return seen.navigations.contains(server.url("/second")); }, Timeout));
    QTest::qWait(300);
    EXPECT_EQ(browser.LocationURL(), server.url("/"));
    EXPECT_EQ(seen.title, QStringLiteral("テスト ページ"));
}

TEST_F(EngineBlink, AFramesNavigationIsToldFromThePages) {
    TUIWebBrowser browser;
    Recorder seen(browser);
    browser.Navigate(server.url("/framed"));
    ASSERT_TRUE(waitUntil([&] { return seen.navigations.size() == 2; }, Timeout)) << seen.navigations.join(' ').toStdString();
    EXPECT_EQ(seen.navigations, QStringList({server.url("/framed"), server.url("/second")}));
    EXPECT_EQ(seen.innerFrames, QList<bool>({false, true}));
}

TEST_F(EngineBlink, ANewWindowLoadsInTheBrowserHandedBack) {
    TUIWebBrowser opener;
    auto receiver = std::make_unique<TWebBrowser>();
    Recorder received(*receiver);
    int requests = 0;
    QObject::connect(&opener.events(), &DWebBrowserEvents2::NewWindow2, [&](Variant& ppDisp, bool&) {
        ++requests;
        ppDisp = Variant::fromDispatch(&receiver->ControlInterface());
    });
    opener.Navigate(server.url("/popup"));
    ASSERT_TRUE(waitUntil([&] { return received.navigations.contains(server.url("/second")); }, Timeout));
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(waitUntil([&] { return receiver->LocationURL() == server.url("/second"); }, Timeout));
}

TEST_F(EngineBlink, ANewWindowForAnotherEngineIsSentToTheAddress) {
    FakeEngine other;
    TUIWebBrowser opener;
    QObject::connect(&opener.events(), &DWebBrowserEvents2::NewWindow2,
                     [&](Variant& ppDisp, bool&) { ppDisp = Variant::fromDispatch(&other); });
    opener.Navigate(server.url("/popup"));
    ASSERT_TRUE(waitUntil([&] { return !other.callsOf("Navigate").isEmpty(); }, Timeout));
    EXPECT_EQ(other.callsOf("Navigate")[0].args[0].toString(), server.url("/second"));
}

TEST_F(EngineBlink, ACrashedPageIsShownAndReloadRecovers) {
    TUIWebBrowser browser;
    Recorder seen(browser);
    browser.Navigate(server.url("/"));
    ASSERT_TRUE(seen.waitForDocuments(1));
    auto* blink = dynamic_cast<BlinkBrowser*>(&browser.ControlInterface());
    ASSERT_NE(blink, nullptr);
    ASSERT_TRUE(waitUntil([&] { return blink->page()->renderProcessPid() > 0; }, Timeout));
    ::kill(static_cast<pid_t>(blink->page()->renderProcessPid()), SIGKILL);
    ASSERT_TRUE(waitUntil([&] { return blink->rendererGone(); }, Timeout));
    EXPECT_FALSE(browser.Busy());

    browser.Refresh();
    ASSERT_TRUE(seen.waitForDocuments(2));
    EXPECT_FALSE(blink->rendererGone());
    EXPECT_EQ(browser.LocationURL(), server.url("/"));
}

TEST_F(EngineBlink, SaveAsWritesTheChosenFileAndZoomFollowsTheTextSize) {
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("保存.mht"));
    PageSave::setChooser([&](QWidget*, const QString&) { return target; });
    TUIWebBrowser browser;
    Recorder seen(browser);
    browser.Navigate(server.url("/"));
    ASSERT_TRUE(seen.waitForDocuments(1));

    browser.ExecWB(OLECMDID_SAVEAS);
    EXPECT_TRUE(waitUntil([&] { return QFileInfo(target).size() > 0; }, Timeout));
    PageSave::setChooser(nullptr);

    auto* blink = dynamic_cast<BlinkBrowser*>(&browser.ControlInterface());
    browser.target().ExecWBIEForm(OLECMDID_ZOOM, Variant::fromInt(4));
    EXPECT_DOUBLE_EQ(blink->page()->zoomFactor(), zoomFactorForTextSize(4));
    Variant out;
    EXPECT_EQ(blink->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, Variant::fromInt(7), &out), E_INVALIDARG);
    EXPECT_DOUBLE_EQ(blink->page()->zoomFactor(), zoomFactorForTextSize(4));
    EXPECT_EQ(blink->ExecWB(OLECMDID_ZOOM, OLECMDEXECOPT_DONTPROMPTUSER, Variant(), &out), S_OK);
    EXPECT_EQ(out.toInt(), 4);
    EXPECT_EQ(blink->ExecWB(99, OLECMDEXECOPT_DODEFAULT, Variant(), nullptr), OLECMDERR_E_NOTSUPPORTED);
}
