// Opening view windows, the page commands, and how the windows mirror their engines
// into the frame, with a recording engine in place of the real ones.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "app/tmpWeb.h"
#include "engines/EngineControls.h"
#include "platform/ErrorBox.h"
#include "views/TabControl.h"
#include "views/childIE.h"
#include "views/childMoz.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QProgressBar>
#include <QApplication>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct ViewFixture : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    BeepCounter beeps;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;

    void start(const std::string& config = "[Option_Main]\r\nMozilla=2\r\n") {
        dir.write("config.ini", config);
        dir.write("CloseURL.txt", "");
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(900, 700);
    }
    void SetUp() override { start(); }
    void TearDown() override {
        if (form) {
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        }
        form.reset();
    }
    TViewWindow* open(const QString& address = QStringLiteral("http://a/")) {
        const int before = static_cast<int>(form->MDIChildren().size());
        ErrorBox::guard([&] { form->OpenViewWindow(QStringLiteral("cap"), address); });
        const auto children = form->MDIChildren();
        return children.size() > before ? qobject_cast<TViewWindow*>(children.back()) : nullptr;
    }
    static FakeEngine* engineOf(TViewWindow* w) { return FakeEngine::of(w->control()); }
    TViewWindow* active() const { return qobject_cast<TViewWindow*>(form->ActiveMDIChild()); }
    QStringList tabs() const {
        QStringList t;
        for (int i = 0; i < form->Tabs->TabControl1->count(); ++i) t << form->Tabs->TabControl1->tabText(i);
        return t;
    }
};

QList<Variant> ieNavigate(const QString& url) {
    return {Variant::fromString(url), Variant::fromInt(0), Variant::fromString(QString()), Variant(), Variant()};
}

}  // namespace

TEST_F(ViewFixture, OpeningGivesIdsTabsAndTheEnginesForm) {
    TViewWindow* first = open(QStringLiteral("http://a/"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->objectName(), QStringLiteral("frm_ie"));
    EXPECT_EQ(first->Tag, 0);
    EXPECT_EQ(first->windowTitle(), QStringLiteral("cap"));
    EXPECT_EQ(engineOf(first)->callsOf("Navigate").at(0).args, ieNavigate("http://a/"));

    form->Moz_ItemClick();
    TViewWindow* second = open(QStringLiteral("http://b/"));
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->objectName(), QStringLiteral("frm_MZ"));
    const QList<Variant> geckoForm{Variant::fromString("http://b/"), Variant::missing(), Variant::missing(),
                                   Variant::missing(), Variant::missing()};
    EXPECT_EQ(engineOf(second)->callsOf("Navigate").at(0).args, geckoForm);
    EXPECT_EQ(form->WindowIDs(), QList<int>({0, 1}));
    EXPECT_EQ(tabs(), QStringList({"loading", "loading"}));

    second->close();
    QCoreApplication::processEvents();
    form->IE_ItemClick();
    EXPECT_EQ(open()->Tag, 2);  // ids are never reused
    EXPECT_EQ(form->WindowIDs(), QList<int>({0, 2}));
}

TEST_F(ViewFixture, TheTabLimitCountsTabsAgainstTheLowEightBits) {
    start("[Option_Tab]\r\nLen=1\r\nMaxLen=259\r\n");
    EXPECT_NE(open(), nullptr);
    EXPECT_NE(open(), nullptr);
    EXPECT_NE(open(), nullptr);
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(form->WindowIDs().size(), 3);
    // Lowered below the count: only equality blocks.
    dir.write("config.ini", "[Option_Tab]\r\nLen=1\r\nMaxLen=2\r\n");
    EXPECT_NE(open(), nullptr);
    dir.write("config.ini", "[Option_Tab]\r\nLen=1\r\nMaxLen=0\r\n");
    start("[Option_Tab]\r\nLen=1\r\nMaxLen=0\r\n");
    EXPECT_EQ(open(), nullptr);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(ViewFixture, AMozillaFolderThatCannotBeEnteredOpensNothing) {
    start("[Option_Main]\r\nMozilla=1\r\nMozPath=" + dir.path().toStdString() + "missing\r\n");
    EXPECT_EQ(open(), nullptr);
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("missing")));
    EXPECT_TRUE(form->WindowIDs().isEmpty());
    EXPECT_EQ(form->Tabs->TabControl1->count(), 0);
    EXPECT_EQ(form->NextWindowID, -1);

    // An empty folder is no folder to enter: the window opens where we are.
    dir.write("config.ini", "[Option_Main]\r\nMozilla=1\r\nMozPath=\r\n");
    EXPECT_NE(open(), nullptr);
    EXPECT_EQ(errors.messages.size(), 1);
}

TEST_F(ViewFixture, AnEngineThatCannotBeCreatedLeavesNoTabBehind) {
    open();
    form->Moz_ItemClick();
    EngineRegistry::ScopedRegistration none(CLASS_MozillaBrowser, nullptr);
    EngineRegistry::unregisterClass(CLASS_MozillaBrowser);
    EXPECT_EQ(open(), nullptr);
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("クラスが登録されていません")}));
    EXPECT_EQ(form->WindowIDs(), QList<int>({0}));
    EXPECT_EQ(form->Tabs->TabControl1->count(), 1);
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 0);
}

TEST_F(ViewFixture, NewWindowActiveDecidesWhichWindowStaysInFront) {
    TViewWindow* a = open();
    open();
    EXPECT_EQ(active(), a);
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 0);
    dir.write("config.ini", "[Option_Window]\r\nNewWindow_Active=1\r\n");
    TViewWindow* c = open();
    EXPECT_EQ(form->Tabs->TabControl1->currentIndex(), 2);
    EXPECT_EQ(active(), c);
}

TEST_F(ViewFixture, MoveOpensAWindowWhenNeededAndNavigatesTheActiveOne) {
    form->controls().txtAddress->setText(QStringLiteral("example.org"));
    QTest::keyClick(form->controls().txtAddress, Qt::Key_Return);
    ASSERT_EQ(form->MDIChildren().size(), 1);
    FakeEngine* e = engineOf(active());
    EXPECT_EQ(e->callsOf("Navigate").size(), 2);
    EXPECT_EQ(e->callsOf("Navigate").at(0).args.at(0).toString(), QString());
    EXPECT_EQ(e->callsOf("Navigate").at(1).args.at(0).toString(), QStringLiteral("example.org"));
    EXPECT_EQ(beeps.count, 1);
    QTest::keyClick(form->controls().txtAddress, Qt::Key_A);
    EXPECT_EQ(beeps.count, 2);

    // AddressBar 1: a new window opens, the address goes to the window in front, which
    // stays the old one while NewWindow_Active is off.
    dir.write("config.ini", "[Option_Window]\r\nAddressBar=257\r\n");
    form->controls().txtAddress->setText(QStringLiteral("http://typed/"));
    form->btnMoveClick();
    EXPECT_EQ(form->MDIChildren().size(), 2);
    EXPECT_EQ(e->callsOf("Navigate").back().args.at(0).toString(), QStringLiteral("http://typed/"));

    // An empty address still goes to an IE window, never to a Gecko one.
    dir.write("config.ini", "");
    form->controls().txtAddress->clear();
    form->btnMoveClick();
    EXPECT_EQ(e->callsOf("Navigate").back().args, ieNavigate(QString()));
    form->Moz_ItemClick();
    dir.write("config.ini", "[Option_Window]\r\nNewWindow_Active=1\r\n[Option_Main]\r\nMozilla=2\r\n");
    TViewWindow* gecko = open(QStringLiteral("about:blank"));
    form->controls().txtAddress->clear();
    form->btnMoveClick();
    EXPECT_EQ(engineOf(gecko)->callsOf("Navigate").size(), 1);
}

TEST_F(ViewFixture, PageCommandsFollowTheDispatchRule) {
    form->BackCtrlClick();  // nothing open: nothing happens
    form->mnuFile_SaveAsClick();
    TViewWindow* ie = open();
    FakeEngine* e = engineOf(ie);
    form->BackCtrlClick();
    form->FrwrdCtrlClick();
    form->StopCtrlClick();
    form->ReLoadCtrlClick();
    e->failWith("ExecWB", E_FAIL);
    form->mnuFile_SaveAsClick();
    form->mnuEdit_CopyClick();
    form->mnuEdit_slrAllClick();
    EXPECT_EQ(e->callNames().mid(e->callNames().indexOf("GoBack")),
              QStringList({"GoBack", "GoForward", "Stop", "Refresh", "ExecWB", "ExecWB", "ExecWB"}));
    EXPECT_EQ(e->callsOf("ExecWB").at(1).args,
              QList<Variant>({Variant::fromInt(12), Variant::fromInt(2), Variant(), Variant()}));
    EXPECT_TRUE(errors.messages.isEmpty());

    form->Moz_ItemClick();
    dir.write("config.ini", "[Option_Window]\r\nNewWindow_Active=1\r\n[Option_Main]\r\nMozilla=2\r\n");
    TViewWindow* gecko = open();
    engineOf(gecko)->failWith("ExecWB", E_ACCESSDENIED);
    ErrorBox::guard([&] { form->mnuFile_SaveAsClick(); });
    EXPECT_EQ(engineOf(gecko)->callsOf("ExecWB").at(0).args,
              QList<Variant>({Variant::fromInt(4), Variant::fromInt(0), Variant::missing(), Variant::missing()}));
    EXPECT_EQ(errors.messages, QStringList({QStringLiteral("アクセスが拒否されました。")}));
}

TEST_F(ViewFixture, TextSizeIsIgnoredWhileThePageLoads) {
    auto* ie = qobject_cast<Tfrm_IE*>(open());
    FakeEngine* e = engineOf(ie);
    e->busy = true;
    form->mnuSize_MaxClick();
    EXPECT_EQ(form->MojiSize, 2);
    EXPECT_TRUE(form->controls().mnuSize_middle->isChecked());
    EXPECT_TRUE(e->callsOf("ExecWB").isEmpty());
    e->busy = false;
    form->mnuSize_MaxClick();
    EXPECT_EQ(form->MojiSize, 4);
    EXPECT_EQ(ie->TextSize, 4);
    EXPECT_TRUE(form->controls().mnuSize_Max->isChecked());
    EXPECT_FALSE(form->controls().mnuSize_middle->isChecked());
    EXPECT_EQ(e->callsOf("ExecWB").at(0).args,
              QList<Variant>({Variant::fromInt(19), Variant::fromInt(2), Variant::fromInt(4), Variant()}));
}

TEST_F(ViewFixture, ProgressArithmeticOfBothKinds) {
    TViewWindow* ie = open();
    auto& events = engineOf(ie)->events();
    events.fireProgressChange(50, 200);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 25);
    events.fireProgressChange(-1, 0);
    events.fireProgressChange(5, 0);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 25);
    events.fireProgressChange(0, 0);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);
    EXPECT_FALSE(form->controls().StopCtrl->isEnabled());  // the IE window never touches Stop

    ie->close();
    form->Moz_ItemClick();
    TViewWindow* gecko = open();
    auto& gEvents = engineOf(gecko)->events();
    gEvents.fireProgressChange(30, 60);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 50);
    EXPECT_TRUE(form->controls().StopCtrl->isEnabled());
    gEvents.fireProgressChange(60, 60);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);
    EXPECT_FALSE(form->controls().StopCtrl->isEnabled());
    gEvents.fireProgressChange(0, 0);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);
    EXPECT_TRUE(form->controls().StopCtrl->isEnabled());
    EXPECT_EQ(gecko->SavedProgress, 0);
}

TEST_F(ViewFixture, ProgressPastItsMaximumInTheBackgroundShowsFullOnActivation) {
    TViewWindow* front = open();
    TViewWindow* back = open();
    ASSERT_EQ(active(), front);
    engineOf(back)->events().fireProgressChange(350, 100);
    EXPECT_EQ(back->SavedProgress, 100);
    engineOf(back)->events().fireProgressChange(-50, 100);
    EXPECT_EQ(back->SavedProgress, 0);
    engineOf(back)->events().fireProgressChange(700, 200);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);  // the front window's bar is untouched
    form->Tabs->TabControl1->setCurrentIndex(1);
    ASSERT_EQ(active(), back);
    EXPECT_EQ(form->controls().ProgressBar1->value(), 100);
}

TEST_F(ViewFixture, TheWindowInFrontMirrorsItsEngine) {
    TViewWindow* w = open();
    FakeEngine* e = engineOf(w);
    e->locationURL = QStringLiteral("http://a/page");
    e->events().fireTitleChange(QStringLiteral("日本語のページ"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("日本語のページ"));
    EXPECT_EQ(tabs(), QStringList({QStringLiteral("日本語のページ")}));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://a/page"));
    e->events().fireStatusTextChange(QStringLiteral("http://a/link"));
    EXPECT_EQ(form->controls().StatusBar1->text(), QStringLiteral("http://a/link"));
    EXPECT_FALSE(form->controls().ReLoadCtrl->isEnabled());
    e->events().fireCommandStateChange(2, true);
    EXPECT_TRUE(form->controls().BackCtrl->isEnabled());
    EXPECT_TRUE(form->controls().ReLoadCtrl->isEnabled());
    EXPECT_TRUE(w->SavedBack);
    EXPECT_TRUE(w->SavedReload);
    e->events().fireCommandStateChange(-1, false);
    EXPECT_TRUE(form->controls().BackCtrl->isEnabled());
    EXPECT_TRUE(form->controls().mnuFile_SaveAs->isEnabled());
    EXPECT_TRUE(form->controls().mnuShow_Size->menuAction()->isEnabled());
}

TEST_F(ViewFixture, APagesTitleAndStatusShowOnOneLine) {
    TViewWindow* w = open();
    FakeEngine* e = engineOf(w);
    e->events().fireTitleChange(QStringLiteral("top\u2028half\u2029cut\r\noff\nhere"));
    EXPECT_EQ(w->windowTitle(), QStringLiteral("top half cut off here"));
    EXPECT_EQ(tabs(), QStringList{QStringLiteral("top half cut off here")});
    e->events().fireStatusTextChange(QStringLiteral("a\u2029b"));
    EXPECT_EQ(form->controls().StatusBar1->text(), QStringLiteral("a b"));
}

TEST_F(ViewFixture, BackgroundWindowsChangeOnlyThemselves) {
    TViewWindow* front = open();
    FakeEngine* f = engineOf(front);
    f->locationURL = QStringLiteral("http://front/");
    f->events().fireCommandStateChange(2, true);
    f->events().fireProgressChange(10, 100);
    TViewWindow* back = open();  // opens behind the front window
    ASSERT_EQ(active(), front);
    // A new window starts with the Back state the frame showed; Reload starts off.
    EXPECT_TRUE(back->SavedBack);
    EXPECT_FALSE(back->SavedReload);
    FakeEngine* b = engineOf(back);
    b->locationURL = QStringLiteral("http://back/");
    form->controls().txtAddress->setText(QStringLiteral("http://front/"));
    b->events().fireTitleChange(QStringLiteral("Back page"));
    b->events().fireStatusTextChange(QStringLiteral("back status"));
    b->events().fireCommandStateChange(1, true);
    b->events().fireCommandStateChange(2, false);
    b->events().fireProgressChange(80, 100);
    EXPECT_EQ(tabs().at(1), QStringLiteral("Back page"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://front/"));
    EXPECT_NE(form->controls().StatusBar1->text(), QStringLiteral("back status"));
    EXPECT_FALSE(form->controls().FrwrdCtrl->isEnabled());
    EXPECT_TRUE(form->controls().BackCtrl->isEnabled());
    EXPECT_EQ(form->controls().ProgressBar1->value(), 10);
    EXPECT_TRUE(front->SavedBack);
    EXPECT_FALSE(front->SavedForward);

    // Its activation then shows what it remembered.
    form->Tabs->TabControl1->setCurrentIndex(1);
    EXPECT_EQ(active(), back);
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://back/"));
    EXPECT_TRUE(form->controls().FrwrdCtrl->isEnabled());
    EXPECT_FALSE(form->controls().BackCtrl->isEnabled());
    EXPECT_TRUE(form->controls().ReLoadCtrl->isEnabled());
    EXPECT_EQ(form->controls().ProgressBar1->value(), 80);
}

TEST_F(ViewFixture, ClosingTheLastWindowClearsOrKeepsTheFrameByKind) {
    TViewWindow* ie = open();
    engineOf(ie)->events().fireCommandStateChange(2, true);
    engineOf(ie)->events().fireProgressChange(40, 100);
    engineOf(ie)->events().fireStatusTextChange(QStringLiteral("s"));
    ie->close();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->controls().ProgressBar1->value(), 0);
    EXPECT_TRUE(form->controls().txtAddress->text().isEmpty());
    EXPECT_TRUE(form->controls().StatusBar1->text().isEmpty());
    EXPECT_FALSE(form->controls().BackCtrl->isEnabled());
    EXPECT_FALSE(form->controls().mnuFile_SaveAs->isEnabled());
    EXPECT_FALSE(form->controls().mnuShow_Size->menuAction()->isEnabled());
    EXPECT_TRUE(form->WindowIDs().isEmpty());

    form->Moz_ItemClick();
    TViewWindow* gecko = open();
    EXPECT_FALSE(form->controls().mnuShow_Size->menuAction()->isEnabled());
    engineOf(gecko)->events().fireCommandStateChange(2, true);
    engineOf(gecko)->events().fireProgressChange(30, 60);
    gecko->close();
    QCoreApplication::processEvents();
    EXPECT_TRUE(form->controls().BackCtrl->isEnabled());
    EXPECT_EQ(form->controls().ProgressBar1->value(), 50);
    EXPECT_FALSE(form->controls().mnuFile_SaveAs->isEnabled());
    form->BackCtrlClick();  // no window: nothing, no error
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(ViewFixture, OnlyIEWindowsMakeMinimizedTheNewWindowState) {
    TViewWindow* ie = open();
    ie->showMinimized();
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsMinimized);
    ie->showNormal();
    form->Moz_ItemClick();
    dir.write("config.ini", "[Option_Window]\r\nNewWindow_Active=1\r\n[Option_Main]\r\nMozilla=2\r\n");
    TViewWindow* gecko = open();
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsNormal);
    gecko->showMinimized();
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsNormal);
    gecko->showMaximized();
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsMaximized);
}

TEST_F(ViewFixture, PopupsAreFilteredByTheListWhileTheSwitchIsOn) {
    TViewWindow* page = open();
    const auto popup = [&](const QString& url) {
        Variant ppDisp;
        page->control()->events().fireNewWindow2(ppDisp);
        EXPECT_EQ(ppDisp.type(), VT_DISPATCH);
        FakeEngine* receiver = fakes.last();
        return receiver->events().fireBeforeNavigate2(nullptr, url);
    };
    popup(QStringLiteral("http://ads/x"));  // filter off: opens
    EXPECT_EQ(form->MDIChildren().size(), 2);
    EXPECT_EQ(form->MDIChildren().back()->windowTitle(), QStringLiteral("Internet Explorer"));

    dir.write("config.ini", "[Option_advertisemen]\r\nCloseURL=1\r\n");
    dir.write("CloseURL.txt", " http://ads/y\r\nhttp://ads/x\r\n");
    popup(QStringLiteral("http://ads/x"));   // listed: dropped
    popup(QStringLiteral("http://ads/x2"));  // no prefix match
    popup(QStringLiteral("http://ads/X"));   // case counts
    popup(QStringLiteral("http://ads/y"));   // a leading blank is part of the entry
    EXPECT_EQ(form->MDIChildren().size(), 5);

    // Pages may not open local files or scripts through a popup.
    EXPECT_TRUE(popup(QStringLiteral("file:///etc/passwd")));
    EXPECT_TRUE(popup(QStringLiteral("javascript:alert(1)")));
    EXPECT_TRUE(popup(QStringLiteral("data:text/html,<script>alert(1)</script>")));
    EXPECT_TRUE(popup(QStringLiteral(" VBScript:msgbox(1)")));
    EXPECT_EQ(form->MDIChildren().size(), 5);

    // The switch on and no list: the error, and no window.
    QFile::remove(dir.file("CloseURL.txt"));
    popup(QStringLiteral("http://other/"));
    EXPECT_EQ(form->MDIChildren().size(), 5);
    EXPECT_EQ(errors.messages.size(), 1);
}

// While the user edits the address box, the page in front neither retitling itself nor
// being activated again takes the text away; another window coming to the front, or
// Enter, brings the box back in step with the pages.
TEST_F(ViewFixture, TheAddressBoxKeepsWhatTheUserIsTyping) {
    TViewWindow* w = open();
    FakeEngine* e = engineOf(w);
    e->locationURL = QStringLiteral("http://a/page");
    e->events().fireTitleChange(QStringLiteral("a"));
    ASSERT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://a/page"));

    form->show();
    QApplication::setActiveWindow(form.get());
    form->controls().txtAddress->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->controls().txtAddress->hasFocus(); }));
    // Focus alone is not editing: the page still shows its address.
    e->locationURL = QStringLiteral("http://a/other");
    e->events().fireTitleChange(QStringLiteral("b"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://a/other"));

    // Selecting the text to type over it already counts.
    form->controls().txtAddress->selectAll();
    e->events().fireTitleChange(QStringLiteral("b2"));
    EXPECT_EQ(form->controls().txtAddress->selectedText(), QStringLiteral("http://a/other"));
    QTest::keyClicks(form->controls().txtAddress, QStringLiteral("http://typed/"));
    e->events().fireTitleChange(QStringLiteral("c"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://typed/"));
    form->ViewActivate(w);
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://typed/"));
    EXPECT_EQ(tabs(), QStringList({QStringLiteral("c")}));  // the tab still follows

    // Enter takes the typed address; from then on the box follows the page again.
    QTest::keyClick(form->controls().txtAddress, Qt::Key_Return);
    EXPECT_EQ(e->callsOf("Navigate").last().args, ieNavigate("http://typed/"));
    e->locationURL = QStringLiteral("http://typed/");
    e->events().fireTitleChange(QStringLiteral("typed"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://typed/"));
    e->locationURL = QStringLiteral("http://typed/next");
    e->events().fireTitleChange(QStringLiteral("next"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://typed/next"));

    // Another window coming to the front shows its own address, typing or not.
    QTest::keyClicks(form->controls().txtAddress, QStringLiteral("xyz"));
    TViewWindow* second = open(QStringLiteral("http://b/"));
    engineOf(second)->locationURL = QStringLiteral("http://b/");
    form->ViewActivate(second);
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://b/"));
}

TEST_F(ViewFixture, ANewViewWindowLiesInsideTheMDIArea) {
    form->resize(420, 300);
    form->show();
    QCoreApplication::processEvents();
    const QRect area = form->controls().MDIClient->viewport()->rect();
    ASSERT_LT(area.width(), 427);
    for (int i = 0; i < 3; ++i) {
        TViewWindow* w = open();
        ASSERT_NE(w, nullptr);
        QCoreApplication::processEvents();
        EXPECT_TRUE(area.contains(w->geometry())) << i << ": " << w->x() << "," << w->y() << " " << w->width()
                                                  << "x" << w->height() << " in " << area.width() << "x"
                                                  << area.height();
    }
}
