// Opening a page in the other engine, the engine a site rule gives a page, and the session
// brought back at the next start.

#include "EventWait.h"
#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct OtherEngineTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;

    void TearDown() override { stop(); }
    void start(const std::string& config) {
        dir.write("config.ini", config);
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(900, 700);
    }
    // Starts the frame and lets the last session's windows come back.
    void startRestored(const std::string& config) {
        start(config);
        ASSERT_TRUE(waitUntil([&] { return !form->OpeningQueued(); }, 30000));
    }
    void stop() {
        if (!form) return;
        form->close();
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
    }
    TViewWindow* open(bool ie, const QString& address) {
        TViewWindow* w = form->OpenViewWindowIn(ie, QStringLiteral("cap"), address);
        if (w) FakeEngine::of(w->control())->locationURL = address;
        return w;
    }
    // Each window as "engine address", in tab order.
    QStringList windows() const {
        QStringList list;
        for (int p = 0; p < form->Tabs->TabControl1->count(); ++p) {
            TViewWindow* view = form->Tabs->ViewOfTab(p);
            const QString engine = view->objectName() == QStringLiteral("frm_ie") ? "IE" : "Gecko";
            list << engine + " " + FakeEngine::of(view->control())->callsOf("Navigate").at(0).args.at(0).toString();
        }
        return list;
    }
    TViewWindow* active() const { return qobject_cast<TViewWindow*>(form->ActiveMDIChild()); }
};

}  // namespace

TEST_F(OtherEngineTest, TheCommandsFollowTheGeckoItemAndNeedAWindow) {
    start("[Option_Main]\r\nMozilla=0\r\n");
    ASSERT_EQ(form->Tabs->TabPopup->actions().last(), form->Tabs->popSiteEngine);
    EXPECT_EQ(form->Tabs->popSiteEngine->text(), QStringLiteral("このサイトを常にこのエンジンで開く"));
    EXPECT_EQ(form->Tabs->popOtherEngine->text(), QStringLiteral("もう一方のエンジンで開く(&O)"));
    open(true, QStringLiteral("http://a/"));
    emit form->controls().mnuTool->aboutToShow();
    EXPECT_FALSE(form->controls().mnuOtherEngine->isEnabled());
    EXPECT_FALSE(form->Tabs->popOtherEngine->isEnabled());
    stop();

    start("[Option_Main]\r\nMozilla=2\r\n");
    emit form->controls().mnuTool->aboutToShow();
    EXPECT_FALSE(form->controls().mnuOtherEngine->isEnabled());  // no window
    open(true, QStringLiteral("http://a/"));
    emit form->controls().mnuTool->aboutToShow();
    EXPECT_TRUE(form->controls().mnuOtherEngine->isEnabled());
    EXPECT_TRUE(form->Tabs->popOtherEngine->isEnabled());
    // The Gecko item turned off (by the options window) takes the commands with it.
    form->controls().Moz_Item->setEnabled(false);
    EXPECT_FALSE(form->controls().mnuOtherEngine->isEnabled());
    EXPECT_FALSE(form->Tabs->popOtherEngine->isEnabled());
}

TEST_F(OtherEngineTest, ABackgroundTabOpensInTheOtherEngineInFront) {
    start("[Option_Main]\r\nMozilla=2\r\n");
    TViewWindow* a = open(true, QStringLiteral("http://a/"));
    open(true, QStringLiteral("http://b/"));
    ASSERT_EQ(active(), a);
    form->Tabs->PopupTab = 1;
    form->Tabs->popOtherEngine->trigger();
    EXPECT_EQ(windows(), QStringList({"IE http://a/", "IE http://b/", "Gecko http://b/"}));
    EXPECT_EQ(active(), form->Tabs->ViewOfTab(2));
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 2);
    EXPECT_EQ(active()->windowTitle(), QStringLiteral("Gecko"));

    // Back again from the active window through the Tools menu; blank pages stay blank
    // in each engine's own way.
    FakeEngine::of(active()->control())->locationURL = QStringLiteral("about:blank");
    emit form->controls().mnuTool->aboutToShow();  // the user opens the menu
    form->controls().mnuOtherEngine->trigger();
    EXPECT_EQ(windows().last(), QStringLiteral("IE "));
    FakeEngine::of(active()->control())->locationURL.clear();
    emit form->controls().mnuTool->aboutToShow();
    form->controls().mnuOtherEngine->trigger();
    EXPECT_EQ(windows().last(), QStringLiteral("Gecko about:blank"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(OtherEngineTest, TheTabLimitRefusesTheOtherEngineLikeAnyWindow) {
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Tab]\r\nLen=1\r\nMaxLen=1\r\n");
    open(true, QStringLiteral("http://a/"));
    emit form->controls().mnuTool->aboutToShow();
    form->controls().mnuOtherEngine->trigger();
    EXPECT_EQ(windows(), QStringList{"IE http://a/"});
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(OtherEngineTest, TheSessionComesBackInOrderWithTheWindowInFront) {
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=1\r\n");
    open(true, QStringLiteral("http://a/"));
    TViewWindow* b = open(false, QStringLiteral("http://b/"));
    open(true, QStringLiteral("http://c/"));
    form->controls().MDIClient->setActiveSubWindow(b);
    stop();
    EXPECT_EQ(dir.read("session.txt"), "Internet Explorer\thttp://a/\r\nGecko\thttp://b/\t*\r\nInternet Explorer\thttp://c/\r\n");
    const std::string config = dir.read("config.ini");

    // What a start foresees before the frame exists is what then comes back.
    EXPECT_TRUE(TMainForm::RestoresGeckoPage(dir.path()));
    startRestored(config);
    EXPECT_EQ(windows(), QStringList({"IE http://a/", "Gecko http://b/", "IE http://c/"}));
    EXPECT_EQ(active(), form->Tabs->ViewOfTab(1));
    EXPECT_TRUE(errors.messages.isEmpty());
    stop();

    // Without Gekko the Gecko page comes back in the IE engine.
    std::string withoutGecko = config;
    withoutGecko.replace(withoutGecko.find("Mozilla=2"), 9, "Mozilla=0");
    dir.write("session.txt", "Gecko\thttp://b/\r\n");
    dir.write("config.ini", withoutGecko);
    EXPECT_FALSE(TMainForm::RestoresGeckoPage(dir.path()));
    startRestored(withoutGecko);
    EXPECT_EQ(windows(), QStringList{"IE http://b/"});
}

TEST_F(OtherEngineTest, WithRestoreOffTheSessionIsNeitherReadNorWritten) {
    dir.write("session.txt", "Gecko\thttp://old/\r\n");
    dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n");
    EXPECT_FALSE(TMainForm::RestoresGeckoPage(dir.path()));
    start("[Option_Main]\r\nMozilla=2\r\n");
    EXPECT_TRUE(form->MDIChildren().isEmpty());
    open(true, QStringLiteral("http://a/"));
    stop();
    EXPECT_EQ(dir.read("session.txt"), "Gecko\thttp://old/\r\n");
    EXPECT_EQ(dir.read("config.ini").find("Restore"), std::string::npos);
}

TEST_F(OtherEngineTest, ADamagedSessionOpensNothingQuietlyAndAnUnreadableOneIsReported) {
    dir.write("session.txt", "Gecko\thttp://a/\r\ngarbage\r\n");
    dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=1\r\n");
    EXPECT_FALSE(TMainForm::RestoresGeckoPage(dir.path()));
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=1\r\n");
    EXPECT_TRUE(form->MDIChildren().isEmpty());
    EXPECT_TRUE(errors.messages.isEmpty());
    stop();
    // A folder in the file's place cannot be read, by root either.
    QFile::remove(dir.file("session.txt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("session.txt")));
    // The guess ahead stays quiet: the restore is the one to report it, once.
    dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=1\r\n");
    EXPECT_FALSE(TMainForm::RestoresGeckoPage(dir.path()));
    EXPECT_TRUE(errors.messages.isEmpty());
    start("[Option_Window]\r\nRestore=1\r\n");
    EXPECT_TRUE(form->MDIChildren().isEmpty());
    EXPECT_EQ(errors.messages.size(), 1);
}

TEST_F(OtherEngineTest, ALongSessionComesBackWhileTheFrameAnswersAndIsKeptWhenClosedMidway) {
    const int count = 60;
    std::string session;
    for (int i = 0; i < count; ++i)
        session += std::string(i % 2 ? "Gecko" : "Internet Explorer") + "\thttp://p" + std::to_string(i) + "/" +
                   (i == 40 ? "\t*" : "") + "\r\n";
    dir.write("session.txt", session);
    const std::string config = "[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=1\r\n";
    start(config);
    // The windows come one per turn of the event loop: the frame's own events run in
    // between, and most windows are still to come.
    EXPECT_TRUE(form->OpeningQueued());
    int turns = 0;
    ASSERT_TRUE(waitUntil([&] {
        ++turns;
        return form->MDIChildren().size() >= 10;
    }));
    EXPECT_GT(turns, 1);
    EXPECT_LT(form->MDIChildren().size(), count);

    // Closed midway: the session keeps every window, opened or not, and its front one.
    for (FakeEngine* e : fakes.created())
        if (!e->callsOf("Navigate").isEmpty()) e->locationURL = e->callsOf("Navigate").at(0).args.at(0).toString();
    stop();
    EXPECT_EQ(dir.read("session.txt"), session);

    startRestored(config);
    ASSERT_EQ(form->MDIChildren().size(), count);
    EXPECT_EQ(windows().at(1), QStringLiteral("Gecko http://p1/"));
    EXPECT_EQ(active(), form->Tabs->ViewOfTab(40));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(OtherEngineTest, ASiteRuleChoosesTheEngineOfEveryWindowOpenedForItsAddress) {
    dir.write("SiteEngine.txt", "*.gekko.jp\tGekko\r\nie.jp\tInternet Explorer\r\n");
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nAddressBar=1\r\n");
    form->Moz_ItemClick();  // the engine menu on Gekko
    form->OpenViewWindow(QStringLiteral("Gecko"), QStringLiteral("http://ie.jp/"));
    FakeEngine::of(form->Tabs->ViewOfTab(0)->control())->locationURL = QStringLiteral("http://ie.jp/");
    form->Tabs->PopupTab = 0;
    form->Tabs->popOtherEngine->trigger();  // the user's own choice is kept for that site
    form->IE_ItemClick();
    form->controls().txtAddress->setText(QStringLiteral("www.gekko.jp/a"));
    form->btnMoveClick();
    form->OpenViewWindow(QStringLiteral("Internet Explorer"), QStringLiteral("file:///tmp/gekko.jp"));
    EXPECT_EQ(windows(), QStringList({"IE http://ie.jp/", "Gecko http://ie.jp/", "Gecko www.gekko.jp/a",
                                      "IE file:///tmp/gekko.jp"}));
    EXPECT_EQ(form->Tabs->ViewOfTab(2)->windowTitle(), QStringLiteral("Gecko"));
    // The window the user opened in Gecko keeps that site there.
    DWebBrowserEvents2& chosen = FakeEngine::of(form->Tabs->ViewOfTab(1)->control())->events();
    EXPECT_FALSE(chosen.fireBeforeNavigate2(nullptr, QStringLiteral("http://ie.jp/")));
    EXPECT_FALSE(chosen.fireBeforeNavigate2(nullptr, QStringLiteral("http://ie.jp/next")));
    stop();

    // Gekko off: its rules do nothing.
    start("[Option_Main]\r\nMozilla=0\r\n");
    form->OpenViewWindow(QStringLiteral("Internet Explorer"), QStringLiteral("http://gekko.jp/"));
    EXPECT_EQ(windows(), QStringList{"IE http://gekko.jp/"});
    stop();

    // A rules file that cannot be read rules nothing, and says so without a box at
    // every page.
    QFile::remove(dir.file("SiteEngine.txt"));
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("SiteEngine.txt")));
    start("[Option_Main]\r\nMozilla=2\r\n");
    form->OpenViewWindow(QStringLiteral("Internet Explorer"), QStringLiteral("http://www.gekko.jp/"));
    EXPECT_EQ(windows(), QStringList{"IE http://www.gekko.jp/"});
    EXPECT_TRUE(form->controls().StatusBar1->text().contains(QStringLiteral("SiteEngine.txt")));
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join('\n').toStdString();
}

TEST_F(OtherEngineTest, APageLeavingForASiteOfTheOtherEngineStaysAndTheSiteOpensThere) {
    dir.write("SiteEngine.txt", "gekko.jp\tGekko\r\n");
    start("[Option_Main]\r\nMozilla=2\r\n");
    TViewWindow* page = open(true, QStringLiteral("http://a.jp/"));
    DWebBrowserEvents2& events = FakeEngine::of(page->control())->events();
    // A frame inside the page goes where it likes; the top frame is sent on.
    EXPECT_FALSE(events.fireBeforeNavigate2(InnerFrameDispatch(), QStringLiteral("http://gekko.jp/frame")));
    EXPECT_FALSE(events.fireBeforeNavigate2(nullptr, QStringLiteral("http://b.jp/")));
    EXPECT_TRUE(events.fireBeforeNavigate2(&page->control()->ControlInterface(), QStringLiteral("http://gekko.jp/x")));
    EXPECT_TRUE(form->controls().StatusBar1->text().contains(QStringLiteral("gekko.jp")));
    ASSERT_TRUE(waitUntil([&] { return form->MDIChildren().size() == 2; }));
    EXPECT_EQ(windows(), QStringList({"IE http://a.jp/", "Gecko http://gekko.jp/x"}));
    // The new window's own first navigation is its engine's: it is not sent back.
    TViewWindow* gecko = form->Tabs->ViewOfTab(1);
    EXPECT_FALSE(FakeEngine::of(gecko->control())->events().fireBeforeNavigate2(nullptr, QStringLiteral("http://gekko.jp/x")));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(OtherEngineTest, TheTabMenuRulesTheTabsSiteForItsEngine) {
    start("[Option_Main]\r\nMozilla=2\r\n");
    open(false, QStringLiteral("https://WWW.Example.jp:8443/page"));
    open(true, QStringLiteral("about:blank"));
    BeepCounter beeps;
    form->Tabs->PopupTab = 1;
    form->Tabs->popSiteEngine->trigger();  // no site to rule
    EXPECT_EQ(beeps.count, 1);
    EXPECT_FALSE(QFile::exists(dir.file("SiteEngine.txt")));
    form->Tabs->PopupTab = 0;
    form->Tabs->popSiteEngine->trigger();
    EXPECT_EQ(dir.read("SiteEngine.txt"), "www.example.jp\tGekko\r\n");
    EXPECT_TRUE(errors.messages.isEmpty());
}
