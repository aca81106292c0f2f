// What a page hands the frame, whichever engine shows it: a click that brings its window
// to the front, and keys the page did not use, which become the frame's shortcuts, its
// menus or keys for the frame's focused widget. The recording engine raises the reports
// in each engine slot in turn.

#include "FakeEngine.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "platform/ErrorBox.h"
#include "views/ViewWindow.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <gtest/gtest.h>
#include <memory>

namespace {

// Counts the key presses a widget receives.
struct KeyCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) ++presses;
        return false;
    }
};

// true: the IE slot (Chromium); false: the Gecko slot (WebKit).
struct FrameKeys : ::testing::TestWithParam<bool> {
    ProgramFolder dir;
    ErrorRecorder errors;
    BeepCounter beeps;
    FakeEngines fakes;
    std::unique_ptr<TMainForm> form;

    void SetUp() override {
        dir.write("config.ini", "[Option_Main]\r\nMozilla=2\r\n");
        form = std::make_unique<TMainForm>(dir.path());
        form->resize(900, 700);
        form->controls().IE_item->setChecked(GetParam());
        form->controls().Moz_Item->setChecked(!GetParam());
        form->show();
        QApplication::setActiveWindow(form.get());
    }
    void TearDown() override {
        for (QMdiSubWindow* w : form->MDIChildren()) delete w;
        form.reset();
    }
    TViewWindow* open(const QString& address) {
        TViewWindow* w = nullptr;
        ErrorBox::guard([&] { w = form->OpenViewWindowIn(GetParam(), QStringLiteral("cap"), address); });
        if (w) FakeEngine::of(w->control())->locationURL = address;
        return w;
    }
    static FakeEngine* engineOf(TViewWindow* w) { return FakeEngine::of(w->control()); }
    static void key(TViewWindow* w, int key, Qt::KeyboardModifiers modifiers = {}, const QString& text = {}) {
        engineOf(w)->events().fireUnusedKey(key, modifiers, text);
    }
};

}  // namespace

TEST_P(FrameKeys, AClickInABackgroundPageBringsItsWindowAndTheFrameToTheFront) {
    TViewWindow* a = open(QStringLiteral("http://a/"));
    TViewWindow* b = open(QStringLiteral("http://b/"));
    ASSERT_TRUE(a && b);
    form->controls().MDIClient->setActiveSubWindow(b);
    ASSERT_EQ(form->ActiveMDIChild(), b);
    QWidget elsewhere;
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    ASSERT_TRUE(waitUntil([&] { return QApplication::activeWindow() == &elsewhere; }));

    engineOf(a)->events().fireActivateRequest();
    EXPECT_EQ(form->ActiveMDIChild(), a);
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("http://a/")) << "the frame shows the window it activated";
    EXPECT_TRUE(waitUntil([&] { return QApplication::activeWindow() == form.get(); }));

    // The window in front asking again changes nothing.
    engineOf(a)->events().fireActivateRequest();
    EXPECT_EQ(form->ActiveMDIChild(), a);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_P(FrameKeys, TheFramesShortcutsRunTheirCommandsUnlessDisabled) {
    TViewWindow* a = open(QStringLiteral("http://a/"));
    ASSERT_TRUE(a);
    const auto before = form->MDIChildren().size();
    key(a, Qt::Key_N, Qt::ControlModifier);   // File ▸ New
    EXPECT_EQ(form->MDIChildren().size(), before + 1);

    // Select All acts on the page in front, the one the new window became.
    auto* front = qobject_cast<TViewWindow*>(form->ActiveMDIChild());
    key(a, Qt::Key_A, Qt::ControlModifier);
    ASSERT_EQ(engineOf(front)->callsOf("ExecWB").size(), 1);
    EXPECT_EQ(engineOf(front)->callsOf("ExecWB")[0].args[0].toInt(), OLECMDID_SELECTALL);
    form->controls().mnuEdit_slrAll->setEnabled(false);
    key(a, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(engineOf(front)->callsOf("ExecWB").size(), 1);
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_P(FrameKeys, CtrlF4ClosesTheWindowWhosePageHadTheKeyOnly) {
    TViewWindow* a = open(QStringLiteral("http://a/"));
    TViewWindow* b = open(QStringLiteral("http://b/"));
    ASSERT_TRUE(a && b);
    const QPointer<TViewWindow> first(a), second(b);
    form->controls().MDIClient->setActiveSubWindow(b);
    key(b, Qt::Key_F4, Qt::ControlModifier);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    EXPECT_EQ(form->MDIChildren().size(), 1);
}

TEST_P(FrameKeys, AltAndAMnemonicOpensThatMenu) {
    TViewWindow* a = open(QStringLiteral("http://a/"));
    ASSERT_TRUE(a);
    QMenuBar* bar = form->menuBar();
    key(a, Qt::Key_E, Qt::AltModifier, QStringLiteral("e"));
    EXPECT_EQ(bar->activeAction(), form->controls().mnuEdit->menuAction());
    key(a, Qt::Key_W, Qt::AltModifier, QStringLiteral("w"));
    EXPECT_EQ(bar->activeAction(), form->controls().mnuWindow->menuAction());
    bar->setActiveAction(nullptr);
    // Without Alt the letter is no mnemonic.
    key(a, Qt::Key_E, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(bar->activeAction(), nullptr);
}

TEST_P(FrameKeys, OtherKeysGoToTheFocusedWidgetButNeverBackIntoThePage) {
    TViewWindow* a = open(QStringLiteral("http://a/"));
    ASSERT_TRUE(a);
    form->controls().txtAddress->clear();
    form->controls().txtAddress->setFocus();
    ASSERT_TRUE(waitUntil([&] { return form->controls().txtAddress->hasFocus(); }));
    key(a, Qt::Key_X, {}, QStringLiteral("x"));
    key(a, Qt::Key_Y, Qt::ShiftModifier, QStringLiteral("Y"));
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("xY"));

    // The page itself has the keyboard: the key it handed over does not come back to it.
    QWidget* page = engineOf(a)->widget();
    page->setFocusPolicy(Qt::StrongFocus);
    page->setFocus();
    ASSERT_TRUE(waitUntil([&] { return page->hasFocus(); }));
    KeyCounter counter;
    page->installEventFilter(&counter);
    key(a, Qt::Key_Z, {}, QStringLiteral("z"));
    EXPECT_EQ(counter.presses, 0);
    EXPECT_EQ(form->controls().txtAddress->text(), QStringLiteral("xY"));

}

INSTANTIATE_TEST_SUITE_P(EveryEngine, FrameKeys, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "Chromium" : "WebKit");
                         });
