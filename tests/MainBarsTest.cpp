// The bar layout across restarts, the View toggles, the J bar and the resize rules.

#include "FrameFixture.h"
#include "app/About.h"
#include "app/Main.h"
#include "engines/EngineVersions.h"
#include "settings/Settings.h"
#include "views/TabControl.h"

#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <gtest/gtest.h>
#include <memory>

namespace {

struct BarsFixture : FrameFixture {
    QList<int> bandIds() const {
        QList<int> ids;
        for (TBand* b : form->Bands()) ids << b->id();
        return ids;
    }
    int ini(const Keys::IntegerKey& k) const { return Settings(dir.file("config.ini")).Read(k); }
    bool ini(const Keys::BooleanKey& k) const { return Settings(dir.file("config.ini")).Read(k); }
};

}  // namespace

TEST_F(BarsFixture, BandOrderAndBreaksSurviveARestart) {
    start("[Bar]\r\nBand0ID=1\r\nBand1ID=0\r\n");
    EXPECT_EQ(bandIds(), QList<int>({1, 0}));
    EXPECT_LT(form->controls().ToolBar3->geometry().top(), form->controls().ToolBar2->geometry().top());
    restart();
    EXPECT_EQ(bandIds(), QList<int>({1, 0}));
    EXPECT_EQ(ini(Keys::BandID[0]), 1);
    EXPECT_EQ(ini(Keys::BandID[1]), 0);

    // The same ID twice: moved to position 0, then on to position 1.
    start("[Bar]\r\nBand0ID=1\r\nBand1ID=1\r\n");
    EXPECT_EQ(bandIds(), QList<int>({0, 1}));
    // An ID that matches no band leaves the layout's order.
    start("[Bar]\r\nBand0ID=7\r\nBand1ID=-3\r\n");
    EXPECT_EQ(bandIds(), QList<int>({0, 1}));
}

TEST_F(BarsFixture, ABandWithoutBreakSharesTheRowAndKeepsItsWidth) {
    start("[Bar]\r\nBand1Break=0\r\nBand0Width=300\r\n");
    EXPECT_EQ(form->controls().ToolBar2->geometry().top(), form->controls().ToolBar3->geometry().top());
    EXPECT_EQ(form->controls().ToolBar2->width(), 300);
    restart();
    EXPECT_FALSE(ini(Keys::BandBreak[1]));
    EXPECT_EQ(ini(Keys::BandWidth[0]), 300);
    EXPECT_EQ(form->controls().ToolBar2->geometry().top(), form->controls().ToolBar3->geometry().top());
}

TEST_F(BarsFixture, ToggleChecksDriveVisibilityAndAreSavedAtClose) {
    start("[Bar]\r\nStatusBar=0\r\nTabBar=0\r\n");
    EXPECT_FALSE(form->controls().ToolBar1->isVisible());
    EXPECT_FALSE(form->controls().TabBar->isVisible());
    EXPECT_FALSE(form->controls().mnuShow_Status->isChecked());
    form->controls().mnuShow_Status->trigger();
    EXPECT_TRUE(form->controls().ToolBar1->isVisible());
    form->controls().mnuShow_J->trigger();
    EXPECT_FALSE(form->controls().JBar->isVisible());
    form->controls().mnuShow_default->trigger();
    EXPECT_FALSE(form->controls().ToolBar2->isVisible());
    restart();
    EXPECT_TRUE(ini(Keys::ShowStatusBar));
    EXPECT_FALSE(ini(Keys::ShowTabBar));
    EXPECT_FALSE(ini(Keys::ShowJBar));
    EXPECT_FALSE(ini(Keys::ShowToolBar));
    EXPECT_EQ(ini(Keys::JBarSize), 153);  // hiding keeps the width
    EXPECT_FALSE(form->controls().ToolBar2->isVisible());
    EXPECT_TRUE(form->controls().ToolBar3->isVisible());
    EXPECT_EQ(bandIds(), QList<int>({0, 1}));
}

TEST_F(BarsFixture, CollapsedJBarComesBackToItsWidthAfterARestart) {
    start("[Bar]\r\nJBarSize=180\r\n");
    EXPECT_EQ(form->controls().JBar->width(), 180);
    EXPECT_EQ(form->controls().TreeView1->width(), 170);
    form->controls().btnBar->click();
    EXPECT_EQ(form->JBarWidth(), 11);
    restart();
    EXPECT_EQ(ini(Keys::JBarSize), 11);
    EXPECT_EQ(ini(Keys::JBarMax), 180);
    EXPECT_EQ(form->JBarWidth(), 11);
    form->controls().btnBar->click();
    EXPECT_EQ(form->JBarWidth(), 180);
    EXPECT_EQ(form->JBarRemembered(), 0);
}

TEST_F(BarsFixture, DraggingSetsTheWidthButNotTheRememberedOne) {
    start();
    form->controls().btnBar->click();  // collapse: remembers 153
    QTest::mousePress(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(5, 40));
    QTest::mouseRelease(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(90, 40));
    EXPECT_EQ(form->JBarWidth(), 90);
    form->controls().btnBar->click();
    EXPECT_EQ(form->JBarWidth(), 153);
    // A plain click sets the width to where it was.
    QTest::mouseClick(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(150, 10));
    EXPECT_EQ(form->JBarWidth(), 150);
    // Released left of the bar: the narrowest bar, with its button still there.
    QTest::mousePress(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(150, 10));
    QTest::mouseRelease(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(-40, 10));
    EXPECT_EQ(form->JBarWidth(), 0);
    EXPECT_EQ(form->controls().JBar->minimumWidth(), 10);
    EXPECT_EQ(form->controls().JBar->maximumWidth(), 10);
    EXPECT_TRUE(form->controls().btnBar->isVisible());
    EXPECT_GE(form->controls().btnBar->geometry().left(), 0);
}

TEST_F(BarsFixture, ResizeRulesPlaceTheAddressBoxAndStatusStrip) {
    start();
    form->FormResize();
    const int band = form->controls().AddressPanel->width();
    EXPECT_EQ(form->controls().btnMove->geometry().left(), band - form->controls().btnMove->width());
    EXPECT_EQ(form->controls().txtAddress->width(), band - form->controls().btnMove->width() - form->controls().Label1->width());
    EXPECT_EQ(form->controls().ProgressBar1->width(), 130);
    EXPECT_EQ(form->controls().StatusBar1->width(), form->controls().StatusPanel->width() - 130);

    // At 260 pixels or less both keep their widths.
    form->controls().ProgressBar1->resize(127, form->controls().ProgressBar1->height());
    form->controls().StatusBar1->resize(50, form->controls().StatusBar1->height());
    form->controls().StatusPanel->setFixedWidth(260);
    form->controls().StatusPanel->fit();
    EXPECT_EQ(form->controls().ProgressBar1->width(), 127);
    EXPECT_EQ(form->controls().StatusBar1->width(), 50);
}

TEST_F(BarsFixture, WindowMenuArrangesViewWindows) {
    start();
    QList<QMdiSubWindow*> windows;
    for (int i = 0; i < 3; ++i) {
        windows << form->controls().MDIClient->addSubWindow(new QWidget);
        windows.back()->setWindowTitle(QStringLiteral("page&%1").arg(i));
        windows.back()->show();
    }
    // The window in front takes the first strip, the others follow from front to back.
    form->controls().MDIClient->setActiveSubWindow(windows[1]);
    form->mnuWindow_TileHorizontalClick();
    const int width = form->controls().MDIClient->viewport()->width();
    const int height = form->controls().MDIClient->viewport()->height();
    for (QMdiSubWindow* w : windows) EXPECT_EQ(w->width(), width);
    EXPECT_EQ(windows[1]->pos(), QPoint(0, 0));
    EXPECT_EQ(windows[2]->pos(), QPoint(0, height / 3));
    EXPECT_EQ(windows[0]->pos(), QPoint(0, height * 2 / 3));
    form->mnuWindow_TileVerticalClick();
    for (QMdiSubWindow* w : windows) EXPECT_EQ(w->height(), height);
    EXPECT_EQ(windows[1]->pos(), QPoint(0, 0));
    EXPECT_EQ(windows[2]->pos(), QPoint(width / 3, 0));
    EXPECT_EQ(windows[0]->pos(), QPoint(width * 2 / 3, 0));
    emit form->controls().mnuWindow->aboutToShow();
    QStringList texts;
    for (QAction* a : form->controls().mnuWindow->actions())
        if (!a->isSeparator()) texts << a->text();
    EXPECT_TRUE(texts.contains(QStringLiteral("&1 page&&0")));
    form->mnuWindow_MinimizeAllClick();
    for (QMdiSubWindow* w : windows) EXPECT_TRUE(w->isMinimized());
    form->controls().MDIClient->setActiveSubWindow(windows[1]);
    form->mnuFile_CloseClick();
    QCoreApplication::processEvents();
    EXPECT_EQ(form->MDIChildren().size(), 2);
}

TEST(AboutBox, ShowsTheVersion) {
    TAboutBox box;
    EXPECT_EQ(box.windowTitle(), QStringLiteral("バージョン情報"));
    EXPECT_EQ(box.Version->text(), QStringLiteral("Version：1.0β6"));
    EXPECT_EQ(box.ProgramIcon->text(), QStringLiteral("未定"));
    EXPECT_EQ(box.size(), QSize(274, 123));
    EXPECT_TRUE(box.OKButton->isDefault());
}

// The engines are read when the box is shown, so a library loaded after the box was made
// is named, and the box grows to hold the lines.
TEST(AboutBox, NamesTheEnginesAsTheyAreWhenShown) {
    TAboutBox box;
    EngineVersions::set(EngineVersions::Slot::InternetExplorer, QString());
    EngineVersions::set(EngineVersions::Slot::Gekko, QStringLiteral("WebKitGTK 2.50.6"));
    box.show();
    EXPECT_TRUE(box.Engines->text().contains(QStringLiteral("Gekko の枠: WebKitGTK 2.50.6")));
    EXPECT_TRUE(box.Engines->text().contains(QStringLiteral("Internet Explorer の枠: 未使用")));
    box.hide();
    EngineVersions::set(EngineVersions::Slot::InternetExplorer, QStringLiteral("QtWebEngine 6.4.2 (Chromium 102.0.5005.177、組み込み)"));
    box.show();
    EXPECT_EQ(box.Engines->text().split(QLatin1Char('\n')), EngineVersions::describe());
    // Every line fits, above the button, which stays centred.
    EXPECT_GE(box.Engines->width(), box.Engines->sizeHint().width());
    EXPECT_GE(box.Engines->height(), box.Engines->sizeHint().height());
    EXPECT_LE(box.Engines->geometry().right(), box.width());
    EXPECT_GT(box.OKButton->y(), box.Engines->geometry().bottom());
    EXPECT_LE(box.OKButton->geometry().bottom(), box.height());
    EXPECT_LE(std::abs(box.OKButton->geometry().center().x() - box.width() / 2), 1);
    box.hide();
    EngineVersions::set(EngineVersions::Slot::InternetExplorer, QString());
    EngineVersions::set(EngineVersions::Slot::Gekko, QString());
}


// However wide the J bar is asked to be, the frame keeps its size and the bar leaves the
// collapse button and some page area in view; the close writes back only what fitted.
TEST_F(BarsFixture, AJBarWiderThanTheFrameNeverWidensIt) {
    for (const char* asked : {"5000", "2147483647"}) {
        start(std::string("[Bar]\r\nJBarSize=") + asked + "\r\nJBarMax=9000\r\n");
        EXPECT_EQ(form->width(), 800) << asked;
        EXPECT_LE(form->controls().JBar->width(), form->width() - 100) << asked;
        EXPECT_LE(form->controls().btnBar->mapTo(form.get(), QPoint(form->controls().btnBar->width(), 0)).x(), form->width()) << asked;
        EXPECT_GE(form->controls().MDIClient->width(), 100) << asked;
        form->close();
        EXPECT_LT(ini(Keys::JBarSize), 800) << asked;
        EXPECT_LT(ini(Keys::JBarMax), 800) << asked;
        form.reset();
        QFile::remove(dir.file("config.ini"));
    }
}

TEST_F(BarsFixture, ADragPastTheFrameGivesTheWidestBarThatFits) {
    start();
    form->resize(543, 333);
    QCoreApplication::processEvents();
    QTest::mousePress(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(140, 40));
    QTest::mouseRelease(form->controls().JBarPanel, Qt::LeftButton, {}, QPoint(900, 40));
    QCoreApplication::processEvents();
    EXPECT_EQ(form->width(), 543);
    const int widest = form->JBarWidth();
    EXPECT_LT(widest, 543 - 100);
    EXPECT_GT(widest, 300);
    EXPECT_EQ(form->controls().JBar->width(), widest);

    // A narrower frame narrows the bar; the frame made wide again gives it back, and no
    // wider than the drag got.
    form->resize(400, 333);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->width(), 400);
    EXPECT_LT(form->controls().JBar->width(), 400 - 100);
    form->resize(1000, 600);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->JBarWidth(), widest);

    // Collapsing and restoring keeps to the same bound.
    form->btnBarClick();
    EXPECT_EQ(form->JBarRemembered(), widest);
    form->btnBarClick();
    EXPECT_EQ(form->JBarWidth(), widest);
    form->close();
    EXPECT_EQ(ini(Keys::JBarSize), widest);
}
