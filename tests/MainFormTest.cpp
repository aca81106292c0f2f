// Start-up and close of the main window: what it reads, what it writes, and that a
// damaged or unwritable config.ini costs the user nothing.

#include "FrameFixture.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "bookmarks/BookmarkModel.h"
#include "options/Option.h"
#include "settings/Settings.h"
#include "views/TabControl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <QMenu>
#include <QToolButton>
#include <QToolBar>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>

namespace {

struct MainFormFixture : FrameFixture {
    QAction* checkedSize() const {
        for (QAction* a : form->controls().mnuShow_Size->actions())
            if (a->isChecked()) return a;
        return nullptr;
    }
};

}  // namespace

TEST_F(MainFormFixture, FirstStartUsesEveryDefault) {
    start();
    EXPECT_EQ(form->AppPath, dir.path());
    EXPECT_TRUE(form->controls().IE_item->isChecked());
    EXPECT_FALSE(form->controls().Moz_Item->isChecked());
    EXPECT_FALSE(form->controls().Moz_Item->isEnabled());  // [Option_Main] Mozilla defaults to 0
    EXPECT_EQ(form->MojiSize, 2);
    EXPECT_EQ(checkedSize(), form->controls().mnuSize_middle);
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsNormal);
    EXPECT_EQ(form->NextWindowID, -1);
    EXPECT_TRUE(form->WindowIDs().isEmpty());
    for (QToolBar* bar : {static_cast<QToolBar*>(form->controls().ToolBar2), static_cast<QToolBar*>(form->controls().ToolBar3), form->controls().ToolBar1,
                          form->controls().TabBar, form->controls().JBar})
        EXPECT_TRUE(bar->isVisible()) << bar->objectName().toStdString();
    EXPECT_EQ(form->JBarWidth(), 153);
    EXPECT_EQ(form->Tabs->TabControl1->shape(), QTabBar::RoundedSouth);
    EXPECT_EQ(form->Tabs->TabControl1->tabWidth(), 0);
    EXPECT_FALSE(form->controls().mnuFile_SaveAs->isEnabled());
    EXPECT_FALSE(form->controls().mnuShow_Size->menuAction()->isEnabled());
    for (QWidget* b : {static_cast<QWidget*>(form->controls().BackCtrl), static_cast<QWidget*>(form->controls().FrwrdCtrl),
                       static_cast<QWidget*>(form->controls().StopCtrl), static_cast<QWidget*>(form->controls().ReLoadCtrl)})
        EXPECT_FALSE(b->isEnabled());
    EXPECT_TRUE(errors.messages.isEmpty());
}

TEST_F(MainFormFixture, OnlyTheExactTextIESelectsInternetExplorer) {
    for (const char* value : {"Gecko", "ie", "", " IE_"}) {
        start(std::string("[General]\r\nLastEngine=") + value + "\r\n[Option_Main]\r\nMozilla=1\r\n");
        EXPECT_TRUE(form->controls().Moz_Item->isChecked()) << value;
        EXPECT_FALSE(form->controls().IE_item->isChecked()) << value;
        EXPECT_TRUE(form->controls().Moz_Item->isEnabled());
    }
    start("[General]\r\nLastEngine=IE\r\n");
    EXPECT_TRUE(form->controls().IE_item->isChecked());
}

TEST_F(MainFormFixture, GeckoDisallowedKeepsItsCheckMarkButIsDisabled) {
    start("[General]\r\nLastEngine=Gecko\r\n[Option_Main]\r\nMozilla=0\r\n");
    EXPECT_TRUE(form->controls().Moz_Item->isChecked());
    EXPECT_FALSE(form->controls().Moz_Item->isEnabled());
    form->IE_ItemClick();
    EXPECT_TRUE(form->controls().IE_item->isChecked());
    EXPECT_FALSE(form->controls().Moz_Item->isChecked());
    form->Moz_ItemClick();
    EXPECT_FALSE(form->controls().IE_item->isChecked());
    restart();
    EXPECT_TRUE(form->controls().Moz_Item->isChecked());
    EXPECT_EQ(Settings(dir.file("config.ini")).Read(Keys::LastEngine), QStringLiteral("Gecko"));
}

TEST_F(MainFormFixture, TextSizeKeepsItsLowEightBits) {
    start("[General]\r\nLastMojiSize=258\r\n");
    EXPECT_EQ(form->MojiSize, 2);
    EXPECT_EQ(checkedSize(), form->controls().mnuSize_middle);
    start("[General]\r\nLastMojiSize=4\r\n");
    EXPECT_EQ(checkedSize(), form->controls().mnuSize_Max);
    start("[General]\r\nLastMojiSize=0\r\n");
    EXPECT_EQ(checkedSize(), form->controls().mnuSize_Min);
    start("[General]\r\nLastMojiSize=7\r\n");
    EXPECT_EQ(form->MojiSize, 7);
    EXPECT_EQ(checkedSize(), nullptr);
}

TEST_F(MainFormFixture, WinSizeMapsBothWaysAndOddValuesLeaveNormal) {
    start("[General]\r\nWinSize=1\r\n");
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsMaximized);
    restart();
    EXPECT_EQ(Settings(dir.file("config.ini")).Read(Keys::WinSize), 1);
    start("[General]\r\nWinSize=2\r\n");
    EXPECT_EQ(form->ViewWindowState, TWindowState::wsMinimized);
    for (const char* odd : {"3", "-1", "x"}) {
        start(std::string("[General]\r\nWinSize=") + odd + "\r\n");
        EXPECT_EQ(form->ViewWindowState, TWindowState::wsNormal) << odd;
    }
}

TEST_F(MainFormFixture, FixedTabWidthNeedsExactlyOne) {
    start("[Option_Tab]\r\nfix=1\r\nMaxSize=90\r\nTabType=1\r\n");
    EXPECT_EQ(form->Tabs->TabControl1->tabWidth(), 90);
    EXPECT_EQ(form->Tabs->TabControl1->shape(), QTabBar::RoundedNorth);
    EXPECT_TRUE(form->Tabs->TabControl1->buttonStyle());
    start("[Option_Tab]\r\nfix=2\r\nMaxSize=90\r\n");
    EXPECT_EQ(form->Tabs->TabControl1->tabWidth(), 0);
}

TEST_F(MainFormFixture, CloseWritesGeneralThenBarInOrder) {
    start();
    form->close();
    EXPECT_EQ(dir.read("config.ini"),
              "[General]\r\nLastEngine=IE\r\nLastMojiSize=2\r\nWinSize=0\r\n"
              "[Bar]\r\nBand0ID=0\r\nBand0Width=" + std::to_string(form->controls().ToolBar2->width()) +
              "\r\nBand0Break=1\r\nBand1ID=1\r\nBand1Width=" + std::to_string(form->controls().ToolBar3->width()) +
              "\r\nBand1Break=1\r\nToolBar=1\r\nAddressBar=1\r\nStatusBar=1\r\nTabBar=1\r\nJBar=1\r\n"
              "JBarSize=153\r\nJBarMax=0\r\n");
}

TEST_F(MainFormFixture, ADamagedConfigStartsWithDefaultsAndIsNotDamagedFurther) {
    std::string junk("\x00\xFF\xFE[Genera\x01\r\n", 12);
    junk += std::string(100000, 'L') + "\n";                 // a very long line
    junk += "[General]\nLastMojiSize=banana\nWinSize\n";    // not a number; no "="
    junk += "[General]\nLastMojiSize=4\n";                  // a duplicate section
    junk += "[Bar]\nJBarSize=zz\nJBar=0";                   // no final line end
    start(junk);
    EXPECT_EQ(form->MojiSize, 2);
    EXPECT_EQ(form->JBarWidth(), 153);
    EXPECT_FALSE(form->controls().JBar->isVisible());
    EXPECT_TRUE(errors.messages.isEmpty());
    form->close();
    const std::string after = dir.read("config.ini");
    // Every byte of the damaged part is still there, in order.
    EXPECT_EQ(after.substr(0, 12), junk.substr(0, 12));
    EXPECT_NE(after.find(std::string(100000, 'L') + "\n[General]\nLastMojiSize=2\nWinSize\n"), std::string::npos);
    EXPECT_NE(after.find("[General]\nLastMojiSize=4\n"), std::string::npos);
    restart();
    EXPECT_EQ(form->MojiSize, 2);
    EXPECT_FALSE(form->controls().JBar->isVisible());
}

TEST_F(MainFormFixture, AReadOnlyConfigIsReportedAndKept) {
    start("[General]\r\nLastMojiSize=3\r\n");
    ::chmod(QFile::encodeName(dir.file("config.ini")).constData(), 0444);
    form->MojiSize = 1;
    form->close();
    ASSERT_EQ(errors.messages.size(), 1);
    EXPECT_EQ(errors.messages[0], dir.file("config.ini") + QStringLiteral(" に書き込めません"));
    EXPECT_EQ(dir.read("config.ini"), "[General]\r\nLastMojiSize=3\r\n");
}

// Nothing keeps the frame's size between runs: every start opens it as a desktop opens a
// new main window, three quarters of the available screen, centred, the address box
// ready for typing.
TEST_F(MainFormFixture, EveryStartTakesThreeQuartersOfTheScreenCentred) {
    dir.write("config.ini", "[General]\r\nLastEngine=IE\r\n");
    TMainForm frame(dir.path());
    QCoreApplication::processEvents();
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(frame.width(), available.width() * 3 / 4);
    EXPECT_EQ(frame.height(), available.height() * 3 / 4);
    EXPECT_LE(std::abs(frame.geometry().center().x() - available.center().x()), 1);
    EXPECT_LE(std::abs(frame.geometry().center().y() - available.center().y()), 1);
    EXPECT_EQ(frame.focusWidget(), static_cast<QWidget*>(frame.controls().txtAddress));
}

// The bookmarks, the web lists and a first start's options window wait for the frame's
// first paint, and then come in their usual order.
TEST_F(MainFormFixture, TheListsFollowTheFirstPaint) {
    dir.write("bookmark.xml",
              "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>"
              "<file><name>A</name><url>http://a/</url></file></bookmark>");
    QDir(dir.path()).mkdir(QStringLiteral("WebList"));
    dir.write("WebList/news.wlf", "http://a/\r\n");
    TMainForm frame(dir.path(), nullptr, TStartup::AfterFirstPaint);
    QStringList order;
    QObject::connect(&frame, &TMainForm::FirstPaint, [&] {
        order << QStringLiteral("paint");
        // Nothing of the lists has been read when the picture is up.
        EXPECT_EQ(frame.controls().mnuBookMark->actions().size(), 2);
        EXPECT_EQ(frame.controls().mnuWebList->actions().size(), 2);
    });
    QObject::connect(&frame, &TMainForm::StartupFinished, [&] { order << QStringLiteral("lists"); });
    EXPECT_EQ(frame.controls().mnuBookMark->actions().size(), 2);
    EXPECT_TRUE(frame.controls().IE_item->isChecked());  // the settings are read before the paint
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 2; }, 5000));
    EXPECT_EQ(order, QStringList({QStringLiteral("paint"), QStringLiteral("lists")}));
    // The store itself arrives from its worker.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !frame.BookMarks->loading(); }, 5000));
    EXPECT_EQ(frame.controls().mnuBookMark->actions().size(), 3);
    EXPECT_EQ(frame.controls().mnuWebList->actions().size(), 3);
    // A first start (no config.ini) opened its options window after the lists' bookmarks.
    const auto options = frame.findChildren<Tfrm_Option*>();
    ASSERT_EQ(options.size(), 1);
    EXPECT_TRUE(options[0]->isVisible());
    EXPECT_TRUE(errors.messages.isEmpty());
}
