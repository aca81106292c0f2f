// Closing the frame with a config.ini of 2 KB and of 10 MB: the frame's FormClose as it
// is (every key read, rewritten and synced to disk on its own), and the same FormClose
// inside a Settings::Batch (the keys gathered and the file replaced once). The sections
// the frame writes sit after the bulk of the large file, the far end for every key.
// Both ways must leave the very same bytes.

#include "BenchSupport.h"
#include "app/Main.h"
#include "settings/Settings.h"

#include <QFile>
#include <cstdio>

namespace {

QByteArray smallConfig() {
    QByteArray ini = "[General]\r\nLastEngine=IE\r\nWinSize=1\r\nLastMojiSize=2\r\n"
                     "[Option_Main]\r\nMozilla=0\r\nMozPath=\r\n"
                     "[Option_Window]\r\nNewWindow_Active=0\r\nAddressBar=0\r\n"
                     "[Option_advertisemen]\r\nCloseURL=1\r\n"
                     "[Option_Tab]\r\nfix=1\r\nMaxSize=75\r\nTabType=0\r\nLen=0\r\nMaxLen=0\r\n"
                     "ActivateChColor=clWhite\r\nActivateBGColor=clNavy\r\n";
    for (int i = 0; i < 30; ++i) ini += "[Other" + QByteArray::number(i) + "]\r\nKey=some value " + QByteArray::number(i) + "\r\n";
    return ini + "[Band0]\r\nID=0\r\nWidth=300\r\nBreak=1\r\n[Band1]\r\nID=1\r\nWidth=500\r\nBreak=1\r\n"
                 "[Bar]\r\nToolBar=1\r\nAddressBar=1\r\nStatusBar=1\r\nTabBar=1\r\nJBar=1\r\nJBarSize=153\r\n";
}

QByteArray largeConfig() {
    QByteArray filler;
    filler.reserve(10 * 1024 * 1024 + 4096);
    for (int i = 0; filler.size() < 10 * 1024 * 1024; ++i)
        filler += "[History" + QByteArray::number(i) + "]\r\nURL=http://example.jp/a/long/path/" +
                  QByteArray::number(i) + "\r\nTitle=ページのタイトル\r\nVisited=20240101\r\n";
    return filler + smallConfig();
}

double closeOnce(const QByteArray& config, bool batched, QByteArray* after) {
    Bench::Folder dir;
    dir.write(QStringLiteral("config.ini"), config);
    dir.write(QStringLiteral("CloseURL.txt"), "");
    TMainForm form(dir.path());
    form.resize(1024, 768);
    const double start = Bench::nowMs();
    if (batched) {
        Settings::Batch batch(form.configPath());
        form.FormClose();
        batch.commit();
    } else {
        form.FormClose();
    }
    const double ms = Bench::nowMs() - start;
    QFile f(form.configPath());
    if (f.open(QIODevice::ReadOnly)) *after = f.readAll();
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    const QByteArray small = smallConfig(), large = largeConfig();
    QByteArray a, b;
    double smallBefore = 1e9, smallAfter = 1e9;
    bool identical = true;
    for (int i = 0; i < 5; ++i) {
        smallBefore = std::min(smallBefore, closeOnce(small, false, &a));
        smallAfter = std::min(smallAfter, closeOnce(small, true, &b));
        identical = identical && a == b && !a.isEmpty();
    }
    const double largeBefore = closeOnce(large, false, &a);
    double largeAfter = 1e9;
    for (int i = 0; i < 3; ++i) {
        largeAfter = std::min(largeAfter, closeOnce(large, true, &b));
        identical = identical && a == b;
    }
    std::printf("closing: config.ini %lld bytes and %lld bytes; the same bytes both ways: %s\n",
                static_cast<long long>(small.size()), static_cast<long long>(large.size()), identical ? "yes" : "NO");
    std::printf("  2 KB:  one key at a time %8.1f ms   batched %8.1f ms (best of 5)\n", smallBefore, smallAfter);
    std::printf("  10 MB: one key at a time %8.1f ms   batched %8.1f ms (best of 3)\n", largeBefore, largeAfter);
    const QString how = QStringLiteral("TMainForm::FormClose (with BandPositionWrite), wall time incl. fsync");
    Bench::row(QStringLiteral("closing, config.ini 2 KB, before"), smallBefore, "ms", how + QStringLiteral(", one key at a time"));
    Bench::row(QStringLiteral("closing, config.ini 2 KB"), smallAfter, "ms", how + QStringLiteral(" in a Settings::Batch"),
               QStringLiteral("<= before"));
    Bench::row(QStringLiteral("closing, config.ini 10 MB, before"), largeBefore / 1000, "s", how + QStringLiteral(", one key at a time"));
    Bench::row(QStringLiteral("closing, config.ini 10 MB"), largeAfter / 1000, "s", how + QStringLiteral(" in a Settings::Batch"),
               QStringLiteral("<= 1 s"));
    Bench::row(QStringLiteral("closing, same bytes batched and not"), identical ? 1 : 0, "bool",
               QStringLiteral("config.ini compared after both ways, both sizes"));
    return identical ? 0 : 1;
}
