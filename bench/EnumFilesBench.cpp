// Rebuilding the web list menu from a folder of 300 lists: the first build, a rebuild
// that removes and re-adds every item (what "閉じる" does), and the same through the
// menu being shown once, so that Qt has laid out its items.

#include "BenchSupport.h"
#include "resources/ImageList.h"
#include "weblists/WebListMenu.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Files = 300;
constexpr int Runs = 20;

struct Stats {
    double first = 0, median = 0, worst = 0;
};

Stats measure(TWebListMenu& webLists, const QString& folder, QMenu* shown) {
    std::vector<double> times;
    for (int i = 0; i < Runs; ++i) {
        const double start = Bench::nowMs();
        webLists.EnumFiles(folder);
        if (shown) shown->adjustSize();
        times.push_back(Bench::nowMs() - start);
    }
    Stats s;
    s.first = times.front();
    std::sort(times.begin(), times.end());
    s.median = times[times.size() / 2];
    s.worst = times.back();
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    Bench::Folder dir;
    QDir().mkpath(dir.path() + QStringLiteral("WebList"));
    for (int i = 0; i < Files; ++i)
        dir.write(QStringLiteral("WebList/ニュースとリスト%1.wlf").arg(i), "http://example.jp/\r\n");
    const QString folder = dir.path() + QStringLiteral("WebList");

    QMenu menu;
    menu.addAction(QStringLiteral("Webリストを編集(&E)"));
    menu.addSeparator();
    TWebListMenu webLists(&menu, ImageList::create());

    const Stats plain = measure(webLists, folder, nullptr);
    if (webLists.items().size() != Files) std::fprintf(stderr, "expected %d items\n", Files);
    const Stats laidOut = measure(webLists, folder, &menu);

    std::printf("EnumFiles, %d files, %d runs each (ms)\n", Files, Runs);
    std::printf("  rebuild:                    first %7.2f  median %7.2f  worst %7.2f\n", plain.first, plain.median,
                plain.worst);
    std::printf("  rebuild + menu laid out:    first %7.2f  median %7.2f  worst %7.2f\n", laidOut.first,
                laidOut.median, laidOut.worst);
    return 0;
}
