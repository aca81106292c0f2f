// Opening view windows one after another on a local page, as a user opening a web list
// or many links does: the time until each page's title is in its tab, and the memory of
// the shell and Chromium's processes after each window.
//
//   ViewWindowsBench [windows]    (default 50)
// Chromium's switches come from QTWEBENGINE_CHROMIUM_FLAGS when it is set, as for the
// program; otherwise the program's own default applies.

#include "BenchSupport.h"
#include "PageServer.h"
#include "app/Main.h"
#include "engines/blink/BlinkEngine.h"
#include "views/TabControl.h"

#include <QMdiSubWindow>
#include <QTest>
#include <cstdio>
#include <cstdlib>

namespace {

QByteArray pageBody(int n) {
    QByteArray body = "<html><head><meta charset=utf-8><title>ページ " + QByteArray::number(n) +
                      "</title><style>body{font-family:sans-serif} p{margin:4px}</style></head><body><h1>見出し</h1>";
    for (int i = 0; i < 60; ++i)
        body += "<p>これは計測用の段落です。<a href='/p" + QByteArray::number(i) + "'>リンク " +
                QByteArray::number(i) + "</a> 日本語の文章がここに続きます。</p>";
    body += "<script>document.body.dataset.n = " + QByteArray::number(n) + ";</script></body></html>";
    return body;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 50;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QT_QUICK_BACKEND", "software", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", Blink::defaultChromiumFlags(), 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    Blink::useOffTheRecordProfile();
    Blink::registerEngine();

    PageServer server;
    for (int i = 0; i < count; ++i) server.setPage("/p" + QByteArray::number(i), pageBody(i));
    Bench::Folder dir;
    dir.write(QStringLiteral("config.ini"), "");
    dir.write(QStringLiteral("CloseURL.txt"), "");
    TMainForm form(dir.path());
    form.resize(1024, 768);
    form.show();
    QTest::qWait(200);

    std::printf("flags: \"%s\"\n", qgetenv("QTWEBENGINE_CHROMIUM_FLAGS").constData());
    const Bench::Memory before = Bench::memoryOfTree();
    std::printf("before any window: %ld KiB PSS in %d processes\n", before.totalKiB, before.processes);
    std::printf("%7s %9s %12s %12s %12s %10s\n", "window", "open ms", "requested ms", "PSS KiB", "shell KiB",
                "processes");

    double totalMs = 0;
    double firstMs = 0;
    Bench::Memory afterFirst;
    for (int i = 0; i < count; ++i) {
        const double start = Bench::nowMs();
        ErrorBox::guard([&] { form.OpenViewWindow(QString(), server.url(QStringLiteral("/p%1").arg(i))); });
        const QString title = QStringLiteral("ページ %1").arg(i);
        const QByteArray path = "/p" + QByteArray::number(i);
        double requestedMs = -1;
        if (!QTest::qWaitFor([&] {
                if (requestedMs < 0 && server.requests().contains(path)) requestedMs = Bench::nowMs() - start;
                return form.TabControl1->tabText(i) == title;
            }, 60000)) {
            std::fprintf(stderr, "window %d did not load\n", i + 1);
            return 1;
        }
        const double ms = Bench::nowMs() - start;
        totalMs += ms;
        const Bench::Memory m = Bench::memoryOfTree();
        if (i == 0) {
            firstMs = ms;
            afterFirst = m;
        }
        std::printf("%7d %9.1f %12.1f %12ld %12ld %10d\n", i + 1, ms, requestedMs, m.totalKiB, m.shellKiB, m.processes);
        std::fflush(stdout);
    }
    QTest::qWait(2000);   // let the renderers settle
    const Bench::Memory settled = Bench::memoryOfTree();
    std::printf("settled after %d windows: %ld KiB PSS (shell %ld KiB) in %d processes\n", count, settled.totalKiB,
                settled.shellKiB, settled.processes);
    if (count > 1) {
        std::printf("time per window: %.1f ms on average (first %.1f ms, the others %.1f ms)\n", totalMs / count,
                    firstMs, (totalMs - firstMs) / (count - 1));
        std::printf("memory per added window: %.1f MiB PSS (windows 2 to %d)\n",
                    double(settled.totalKiB - afterFirst.totalKiB) / 1024.0 / (count - 1), count);
    }
    for (QMdiSubWindow* w : form.MDIChildren()) delete w;
    return 0;
}
