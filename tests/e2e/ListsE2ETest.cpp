// The options window and the web lists end to end: the real frame with both real engines
// on a virtual display, keys and clicks through X as a user makes them, pages from a
// local server. Run by webkit_e2e.sh with a window manager.

#include "PageServer.h"
#include "TestSupport.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "settings/Option.h"
#include "views/TabControl.h"
#include "views/ViewWindow.h"
#include "views/untTab.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QAbstractItemView>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <memory>

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

struct ListsE2E : ::testing::Test {
    ProgramFolder dir;
    ErrorRecorder errors;
    PageServer server;
    std::unique_ptr<TMainForm> form;

    static void SetUpTestSuite() {
        Blink::useOffTheRecordProfile();
        Blink::registerEngine();
        WebKit::setHostProgram(QStringLiteral(TAVIX_WEBKIT_HOST));
        WebKit::registerEngine();
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
        for (int i = 0; i < form->TabControl1->count(); ++i) t << form->TabControl1->tabText(i);
        return t;
    }

    Tfrm_Option* visibleOptions() const {
        for (Tfrm_Option* w : form->findChildren<Tfrm_Option*>())
            if (w->isVisible()) return w;
        return nullptr;
    }
};

}  // namespace

TEST_F(ListsE2E, F12OpensTheOptionsAndOkSavesAndAppliesThem) {
    keys(form.get(), {QStringLiteral("F12")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return visibleOptions() != nullptr; }, Timeout));
    Tfrm_Option* options = visibleOptions();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(options));
    ASSERT_FALSE(form->Moz_Item->isEnabled());

    // The Gecko box turns the engine item on at once.
    clickOn(options->chkMoz, QPoint(8, options->chkMoz->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->Moz_Item->isEnabled(); }, Timeout));

    // The tab page: a fixed width of 120 and button style.
    QTreeWidgetItem* tabPage = options->TreeView1->findItems(QStringLiteral("タブ"), Qt::MatchExactly | Qt::MatchRecursive).value(0);
    ASSERT_NE(tabPage, nullptr);
    clickOn(options->TreeView1->viewport(), options->TreeView1->visualItemRect(tabPage).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return options->chkTabSize->isVisible(); }, Timeout));
    clickOn(options->chkTabSize, QPoint(8, options->chkTabSize->height() / 2));
    ASSERT_TRUE(QTest::qWaitFor([&] { return options->txtTabSize->isEnabled(); }, Timeout));
    clickOn(options->txtTabSize);
    keys(options, {QStringLiteral("ctrl+a"), QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("0")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return options->txtTabSize->text() == QStringLiteral("120"); }, Timeout));
    // The arrow at the right end opens the list (the box itself takes typing).
    clickOn(options->cmbTabType, QPoint(options->cmbTabType->width() - 6, options->cmbTabType->height() / 2));
    QWidget* list = options->cmbTabType->view()->window();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->isVisible(); }, Timeout));
    QTest::qWait(200);
    keys(list, {QStringLiteral("End"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return options->cmbTabType->currentText() == QStringLiteral("ボタン"); }, Timeout));
    clickOn(options->Button1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return visibleOptions() == nullptr; }, Timeout));

    const std::string ini = dir.read("config.ini");
    EXPECT_NE(ini.find("Mozilla=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("fix=1\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("MaxSize=120\r\n"), std::string::npos) << ini;
    EXPECT_NE(ini.find("TabType=1\r\n"), std::string::npos) << ini;
    EXPECT_EQ(form->TabControl1->tabWidth(), 120);
    EXPECT_TRUE(form->TabControl1->buttonStyle());

    // With Gekko enabled, New opens a WebKit window.
    form->Moz_Item->trigger();
    clickOn(form->ToolButton1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->MDIChildren().size() == 1; }, Timeout));
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().at(0));
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->objectName(), QStringLiteral("frm_MZ"));
    EXPECT_EQ(view->control()->classId(), CLASS_MozillaBrowser);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(ListsE2E, AWebListChosenFromTheMenuOpensItsPagesInOrder) {
    ASSERT_EQ(form->mnuWebList->actions().size(), 3);
    keys(form.get(), {QStringLiteral("alt+l")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->mnuWebList->isVisible(); }, Timeout));
    keys(form->mnuWebList, {QStringLiteral("p")});
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); }, Timeout))
        << tabs().join(", ").toStdString();
    EXPECT_EQ(server.requests().count("/one"), 1);
    EXPECT_EQ(server.requests().count("/three"), 1);
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}

TEST_F(ListsE2E, AChromiumPageOpenedInWebKitShowsTheSameTitle) {
    dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n[Option_Main]\r\nMozilla=2\r\n");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/one"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList{"Page one"}; }, Timeout));
    form->Moz_Item->setEnabled(true);
    const QPoint onTab = form->TabControl1->tabRect(0).center();
    const QPoint global = form->TabControl1->mapToGlobal(onTab);
    xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y()),
             QStringLiteral("click"), QStringLiteral("3")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->TabPopup->isVisible(); }, Timeout));
    clickOn(form->TabPopup, form->TabPopup->actionGeometry(form->Tabs->popOtherEngine).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList({"Page one", "Page one"}); }, Timeout))
        << tabs().join(", ").toStdString();
    auto* gecko = qobject_cast<TViewWindow*>(form->ActiveMDIChild());
    ASSERT_NE(gecko, nullptr);
    EXPECT_EQ(gecko->objectName(), QStringLiteral("frm_MZ"));
    EXPECT_EQ(gecko->LocationURL(), server.url("/one"));
}

TEST_F(ListsE2E, PagesOfBothEnginesComeBackAfterARestartOnlyWithRestoreOn) {
    for (const bool restore : {true, false}) {
        dir.write("config.ini", std::string("[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nRestore=") +
                                    (restore ? "1" : "0") + "\r\n");
        QFile::remove(dir.file("session.txt"));
        form->OpenViewWindowIn(true, QStringLiteral("Internet Explorer"), server.url("/one"));
        form->OpenViewWindowIn(false, QStringLiteral("Gecko"), server.url("/two"));
        form->OpenViewWindowIn(true, QStringLiteral("Internet Explorer"), server.url("/three"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); },
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
            ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList({"Page one", "Page two", "Page three"}); },
                                        Timeout))
                << tabs().join(", ").toStdString();
            EXPECT_EQ(form->Tabs->ViewOfTab(1)->objectName(), QStringLiteral("frm_MZ"));
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
TEST_F(ListsE2E, KeysInsideAChromiumPageAndTheFramesOwnKeys) {
    server.setPage("/field", "<html><head><title>field</title></head><body>"
                             "<input id='f' autofocus style='width:100%;height:60px'>"
                             "<script>document.getElementById('f').addEventListener('input', function () {"
                             " document.title = 'v:' + this.value; });</script></body></html>");
    form->OpenViewWindow(QStringLiteral("cap"), server.url("/field"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList{"field"}; }, Timeout));
    auto* view = qobject_cast<TViewWindow*>(form->MDIChildren().at(0));
    QWidget* page = view->control();
    clickOn(page, QPoint(page->width() / 2, 30));
    QTest::qWait(300);
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), QStringLiteral("abcd")});
    xdotool({QStringLiteral("key"), QStringLiteral("BackSpace"), QStringLiteral("Left"), QStringLiteral("x")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList{"v:abxc"}; }, Timeout)) << tabs().join(", ").toStdString();
    // Ctrl+A then a letter replaces the field's text: Select All stays in the page.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+a"), QStringLiteral("z")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs() == QStringList{"v:z"}; }, Timeout)) << tabs().join(", ").toStdString();

    // Ctrl+N from inside the page opens a new view window in the frame.
    xdotool({QStringLiteral("key"), QStringLiteral("ctrl+n")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return form->MDIChildren().size() == 2; }, Timeout));

    // Enter in the address box navigates the window in front.
    clickOn(form->txtAddress);
    keys(form.get(), {QStringLiteral("ctrl+a")});
    xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), server.url("/one")});
    xdotool({QStringLiteral("key"), QStringLiteral("Return")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return tabs().contains(QStringLiteral("Page one")); }, Timeout))
        << tabs().join(", ").toStdString();
    EXPECT_TRUE(errors.messages.isEmpty()) << errors.messages.join("\n").toStdString();
}
