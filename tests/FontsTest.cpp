// The font configuration read on a worker while Qt asks for fonts itself.

#include "resources/Fonts.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetrics>
#include <QProcess>
#include <QProcessEnvironment>
#include <gtest/gtest.h>
#include <cstdio>

namespace {

// What the frame's first text gets: the family chosen and the width of a caption.
QString firstText() {
    const QFont font = Fonts::japaneseUi(13);
    return QStringLiteral("%1|%2").arg(QFontInfo(font).family()).arg(QFontMetrics(font).horizontalAdvance(
                                                                        QStringLiteral("アドレス Webリスト(&L)")));
}

// Runs this test program again for the child test alone: only a fresh process has no
// font configuration yet, which is the race the worker enters.
QString childFirstText(bool withLoad) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TAVIX_FONTS_CHILD"), withLoad ? QStringLiteral("load") : QStringLiteral("plain"));
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=FontConfigurationLoad.ChildReportsItsFirstText")});
    if (!child.waitForFinished(60000)) return QStringLiteral("(child did not finish)");
    for (const QByteArray& line : child.readAllStandardOutput().split('\n'))
        if (line.startsWith("first-text ")) return QString::fromUtf8(line.mid(11));
    return QStringLiteral("(no report, exit %1)").arg(child.exitCode());
}

}  // namespace

TEST(FontConfigurationLoad, ChildReportsItsFirstText) {
    const QByteArray mode = qgetenv("TAVIX_FONTS_CHILD");
    if (mode.isEmpty()) GTEST_SKIP() << "run by the test below in a process of its own";
    QString text;
    if (mode == "load") {
        // As at start-up: the worker starts, and Qt's first text follows at once.
        const Fonts::ConfigurationLoad load;
        text = firstText();
    } else {
        text = firstText();
    }
    std::printf("first-text %s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

TEST(FontConfigurationLoad, FirstTextIsTheSameWithTheConfigurationLoadedAlongside) {
    const QString plain = childFirstText(false);
    ASSERT_TRUE(plain.contains(u'|')) << plain.toStdString();
    // The race goes either way from run to run; every outcome must be the same font.
    for (int run = 0; run < 3; ++run) EXPECT_EQ(childFirstText(true), plain) << "run " << run;
    // In this process the configuration exists already: the worker has nothing to do and
    // the object still goes away cleanly however soon it is dropped.
    for (int i = 0; i < 3; ++i) {
        const Fonts::ConfigurationLoad load;
    }
    EXPECT_EQ(firstText(), plain);
}
