// The frame with its options windows and web lists: what start-up opens, what the Options
// command and OK change in the frame, and how a web list opens its pages.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "platform/ErrorBox.h"
#include "options/Option.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "weblists/EditWebList.h"
#include "weblists/WebListMenu.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMenu>
#include <QPushButton>
#include <QSet>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct FrameListsTest : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;

    void TearDown() override {
        if (form)
            for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
    }
    void start(const std::string& config = "[Option_Main]\r\nMozilla=2\r\n") {
        if (!config.empty()) dir.write("config.ini", config);
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(900, 700);
    }
    QList<Tfrm_Option*> optionWindows(bool visibleOnly) const {
        QList<Tfrm_Option*> found;
        for (Tfrm_Option* w : form->findChildren<Tfrm_Option*>())
            if (!visibleOnly || w->isVisible()) found << w;
        return found;
    }
    QStringList navigated() const {
        QStringList addresses;
        for (QMdiSubWindow* w : form->MDIChildren())
            if (auto* view = qobject_cast<TViewWindow*>(w))
                addresses << FakeEngine::of(view->control())->callsOf("Navigate").at(0).args.at(0).toString();
        return addresses;
    }
    // Lets the list's windows come, one per turn of the event loop, each page loading
    // as soon as it is asked for (pages that load are what lets a list go on).
    void settle(int turns = 50) {
        for (int i = 0; i < turns; ++i) {
            QCoreApplication::processEvents();
            loadPages();
        }
    }
    void loadPages() {
        for (FakeEngine* engine : fakes.created())
            if (!loaded.contains(engine) && !engine->callsOf("Navigate").isEmpty()) {
                loaded.insert(engine);
                engine->events().fireDocumentComplete(engine, engine->callsOf("Navigate").at(0).args.at(0).toString());
            }
    }
    QSet<FakeEngine*> loaded;
};

}  // namespace

TEST_F(FrameListsTest, AFirstStartOpensTheOptionsWindowAndLaterStartsDoNot) {
    start("");
    ASSERT_EQ(optionWindows(true).size(), 1);
    EXPECT_FALSE(form->controls().Moz_Item->isEnabled());
    EXPECT_TRUE(errors.messages.isEmpty());
    form.reset();

    start("[General]\r\nLastEngine=IE\r\n");
    EXPECT_TRUE(optionWindows(true).isEmpty());
    // Every Options command opens one more.
    form->controls().mnuOption->trigger();
    form->controls().mnuOption->trigger();
    EXPECT_EQ(optionWindows(true).size(), 2);
}

TEST_F(FrameListsTest, TheOptionsWindowDrivesTheGeckoItemAndTheTabs) {
    start("[Option_Main]\r\nMozilla=0\r\n");
    EXPECT_FALSE(form->controls().Moz_Item->isEnabled());
    Tfrm_Option* w = form->CreateOptionWindow(true);
    // The Gecko box acts on the menu at once, before any OK, and Cancel does not undo it.
    w->chkMoz->click();
    EXPECT_TRUE(form->controls().Moz_Item->isEnabled());
    w->Button2->click();
    EXPECT_TRUE(form->controls().Moz_Item->isEnabled());

    w = form->CreateOptionWindow(true);
    w->chkTabSize->setChecked(true);
    w->chkTabSizeClick();
    w->txtTabSize->setText(QStringLiteral("120"));
    w->cmbTabType->setCurrentIndex(w->cmbTabType->findText(QStringLiteral("ボタン")));
    w->Button1->click();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
    EXPECT_EQ(form->Tabs->TabControl1->tabWidth(), 120);
    EXPECT_TRUE(form->Tabs->TabControl1->buttonStyle());
    EXPECT_EQ(form->Tabs->TabControl1->shape(), QTabBar::RoundedNorth);
}

TEST_F(FrameListsTest, TheWebListMenuListsTheFolderAtStartAndAfterTheEditorCloses) {
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    dir.write("WebList/news.wlf", "http://a/\r\n");
    start();
    ASSERT_EQ(form->controls().mnuWebList->actions().size(), 3);
    EXPECT_EQ(form->controls().mnuWebList->actions().at(2)->text(), QStringLiteral("&news"));

    Tfrm_WebList editor(dir.path());
    form->setWebListEditor(&editor);
    form->controls().mnuWebList_Edit->trigger();
    EXPECT_TRUE(editor.isVisible());
    dir.write("WebList/more.wlf", "http://b/\r\n");
    editor.close();  // the close box hides without a rebuild
    EXPECT_EQ(form->controls().mnuWebList->actions().size(), 3);
    form->controls().mnuWebList_Edit->trigger();
    editor.btnCloseClick();
    EXPECT_EQ(form->controls().mnuWebList->actions().size(), 4);
    EXPECT_FALSE(editor.isVisible());
}

TEST_F(FrameListsTest, AWebListOpensItsLinesInOrderOneWindowAtATime) {
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    dir.write("WebList/three.txt", "http://one/\r\nhttp://two/\nhttp://three/");
    start();
    QAction* item = form->controls().mnuWebList->actions().at(2);
    item->trigger();
    // The first window comes at once; the rest follow while the frame goes on.
    EXPECT_EQ(form->MDIChildren().size(), 1);
    settle();
    EXPECT_EQ(navigated(), QStringList({"http://one/", "http://two/", "http://three/"}));
    for (QMdiSubWindow* w : form->MDIChildren()) EXPECT_EQ(w->windowTitle(), QStringLiteral("londing"));
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(FrameListsTest, AListOpensBehindTheWindowInFrontUnlessNewWindowsComeToTheFront) {
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    std::string lines;
    for (int i = 0; i < 40; ++i) lines += "http://p" + std::to_string(i) + "/\r\n";
    dir.write("WebList/many.txt", lines);
    for (const bool toFront : {false, true}) {
        start(std::string("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nNewWindow_Active=") + (toFront ? "1" : "0") +
              "\r\n");
        form->show();
        TViewWindow* front = form->OpenViewWindowIn(true, QStringLiteral("cap"), QStringLiteral("http://front/"));
        ASSERT_NE(front, nullptr);
        form->controls().mnuWebList->actions().at(2)->trigger();
        settle(200);
        ASSERT_EQ(form->MDIChildren().size(), 41);
        // Several windows open in one turn; whichever comes to the front, the window, its
        // tab and the address box agree on it.
        QMdiSubWindow* expected = toFront ? form->MDIChildren().last() : front;
        EXPECT_EQ(form->ActiveMDIChild(), expected) << toFront;
        EXPECT_EQ(form->Tabs->ViewOfTab(form->Tabs->TabControl1->currentIndex()), expected) << toFront;
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
        loaded.clear();
    }
}

TEST_F(FrameListsTest, AListsFirstPageLoadsAloneUntilItHasLoadedClosedOrHadItsMoment) {
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    dir.write("WebList/three", "http://1/\r\nhttp://2/\r\nhttp://3/\r\n");
    start();
    const auto turns = [] {
        for (int i = 0; i < 50; ++i) QCoreApplication::processEvents();
    };
    const QStringList all{"http://1/", "http://2/", "http://3/"};
    const auto closeAll = [&] {
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        loaded.clear();
    };

    form->OpenWebList(dir.file("WebList/three"));
    turns();
    EXPECT_EQ(navigated(), QStringList({"http://1/"}));
    settle();
    EXPECT_EQ(navigated(), all);
    EXPECT_FALSE(form->OpeningQueued());

    // Closed before it loaded: the rest need not wait for it.
    closeAll();
    form->OpenWebList(dir.file("WebList/three"));
    turns();
    ASSERT_EQ(form->MDIChildren().size(), 1);
    form->MDIChildren().at(0)->close();
    turns();
    EXPECT_EQ(navigated(), QStringList({"http://2/", "http://3/"}));

    // A first page that never loads holds the rest up for a moment only.
    closeAll();
    form->OpenWebList(dir.file("WebList/three"));
    turns();
    EXPECT_EQ(form->MDIChildren().size(), 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !form->OpeningQueued(); }, 5000));
    EXPECT_EQ(navigated(), all);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(FrameListsTest, TheTabLimitRefusesTheRestOfAListAndAnUnreadableListOpensNothing) {
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    dir.write("WebList/four", "http://1/\r\nhttp://2/\r\nhttp://3/\r\nhttp://4/\r\n");
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Tab]\r\nLen=1\r\nMaxLen=2\r\n");
    form->OpenWebList(dir.file("WebList/four"));
    settle();
    EXPECT_EQ(navigated(), QStringList({"http://1/", "http://2/"}));
    EXPECT_TRUE(errors.messages.isEmpty());

    for (QMdiSubWindow* w : form->MDIChildren()) delete w;
    ErrorBox::guard([&] { form->OpenWebList(dir.file("WebList/gone")); });
    settle();
    EXPECT_TRUE(form->MDIChildren().isEmpty());
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_TRUE(errors.messages[0].contains(QStringLiteral("gone")));
}

TEST_F(FrameListsTest, AddressesFromOutsideOpenAsNewWindowsWithinTheTabLimitAndRefusalsShowInTheStatus) {
    start("[Option_Main]\r\nMozilla=2\r\n[Option_Tab]\r\nLen=1\r\nMaxLen=2\r\n");
    const CommandLine::Outcome outcome =
        CommandLine::resolve({"/home/u", {"a.example", "data:text/html,x", "/home/u/b.html", "c.example"}});
    form->OpenFromOutside(outcome.addresses, outcome.report, false);
    settle();
    EXPECT_EQ(navigated(), QStringList({"http://a.example", "file:///home/u/b.html"}));
    EXPECT_TRUE(form->controls().StatusBar1->text().contains(QStringLiteral("data:text/html,x")));
    EXPECT_TRUE(errors.messages.isEmpty());

    // The engine menu's choice when they open: here Gecko.
    for (QMdiSubWindow* w : form->MDIChildren()) delete w;
    form->controls().Moz_Item->trigger();
    form->OpenFromOutside({QStringLiteral("http://g/")}, QString(), true);
    settle();
    ASSERT_EQ(form->MDIChildren().size(), 1);
    EXPECT_EQ(form->MDIChildren().at(0)->metaObject()->className(), QByteArray("Tfrm_MZ"));
    // No refusal this time: the earlier report stays until something else is shown.
    EXPECT_TRUE(form->controls().StatusBar1->text().contains(QStringLiteral("data:")));
}

TEST_F(FrameListsTest, APagesTitleCannotReorderCaptionsOrTabs) {
    start();
    form->OpenViewWindow(QString(), QStringLiteral("http://a/"));
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().at(0));
    FakeEngine::of(view->control())->events().fireTitleChange(QString::fromUtf8("\u202Emoc.knab\u202C ok"));
    EXPECT_EQ(view->windowTitle(), QStringLiteral("moc.knab ok"));
    EXPECT_EQ(form->Tabs->TabControl1->tabText(0), QStringLiteral("moc.knab ok"));
    FakeEngine::of(view->control())->events().fireStatusTextChange(QString::fromUtf8("\u2067x\u2069"));
    EXPECT_EQ(form->controls().StatusBar1->text(), QStringLiteral("x"));
}
