// Pictures of the options window, one per page, for the documentation. Runs only when
// TAVIX_SCREENSHOTS names a folder and a real display is in use:
//   TAVIX_SCREENSHOTS=docs/screenshots QT_QPA_PLATFORM=xcb tavix_tests --gtest_filter='OptionScreenshots*'

#include "TestSupport.h"
#include "options/Option.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

TEST(OptionScreenshots, OnePerPage) {
    const QString folder = qEnvironmentVariable("TAVIX_SCREENSHOTS");
    if (folder.isEmpty() || QGuiApplication::platformName() == QStringLiteral("offscreen"))
        GTEST_SKIP() << "set TAVIX_SCREENSHOTS and use a real display";
    ProgramFolder dir;
    dir.write("CloseURL.txt", "http://ad.example.com/popup.html\r\nhttp://banner.example.net/\r\n");
    dir.write("config.ini", "[Option_Main]\r\nMozilla=1\r\nMozPath=/usr/lib/mozilla\r\n[Option_Window]\r\nBookMark=1\r\n"
                            "[Option_advertisemen]\r\nCloseURL=1\r\n[Option_Tab]\r\nfix=1\r\nMaxSize=120\r\n"
                            "ActivateChColor=clWhite\r\nActivateBGColor=clNavy\r\n");
    dir.write("SiteEngine.txt", "example.jp\tGekko\r\n*.日本語.jp\tGekko\r\nhttps://intra.example.jp/app/\tInternet Explorer\r\n");
    auto* w = Tfrm_Option::Open(dir.path(), {});
    QTreeWidget* tree = w->TreeView1;
    const std::pair<QTreeWidgetItem*, const char*> pages[] = {{tree->topLevelItem(0), "options-general.png"},
                                                              {tree->topLevelItem(1), "options-window.png"},
                                                              {tree->topLevelItem(1)->child(0), "options-tab.png"},
                                                              {tree->topLevelItem(2), "options-popup.png"},
                                                              {tree->topLevelItem(3), "options-engine.png"}};
    for (const auto& [node, name] : pages) {
        tree->setCurrentItem(node);
        QTest::qWait(400);
        const QRect frame = w->frameGeometry();
        const QPixmap shot = w->screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        EXPECT_TRUE(shot.save(folder + QStringLiteral("/") + QString::fromLatin1(name)));
    }
    w->close();
}
