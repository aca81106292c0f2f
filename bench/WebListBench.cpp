// Web lists of 50 and 300 local addresses opened from the menu of the real frame on the
// X display (never the offscreen platform): the frame is built as main() builds it, and
// xdotool clicks "Webリスト(&L)" and then the list's item, as a user does. Measured in
// the frame's own event loop: the time from the click's release on the item until
// every page's title is in its tab, the longest gap between two ticks of a 5 ms timer
// meanwhile (the longest the frame did not answer), and the memory (PSS, the shell with
// all its Chromium processes) per window added after the first. The reference program
// (bench/ref) opens the same addresses from the same page server in a window of the
// same size, one view per event-loop turn, and reports the same figures.
//
//   WebListBench [count...]    (default 50 300; needs DISPLAY, xdotool and python3)
//   TAVIX_BENCH_ROUNDS: rounds per count, ref and Tavix in turn (default 3).

#include "BenchSupport.h"
#include "app/Main.h"
#include "views/untTab.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "views/TabControl.h"

#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMouseEvent>
#include <QProcess>
#include <QSet>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

namespace {

constexpr int Width = 1024, Height = 768;

QByteArray pageBody(int n) {
    QByteArray body = "<html><head><meta charset=utf-8><title>ページ " + QByteArray::number(n) +
                      "</title><style>body{font-family:sans-serif} p{margin:4px}</style></head><body><h1>見出し</h1>";
    for (int i = 0; i < 60; ++i)
        body += "<p>これは計測用の段落です。<a href='/p" + QByteArray::number(i) + ".html'>リンク " +
                QByteArray::number(i) + "</a> 日本語の文章がここに続きます。</p>";
    return body + "</body></html>";
}

QString title(int n) { return QStringLiteral("ページ %1").arg(n); }

struct Figures {
    double allTitlesMs = -1, maxBlockMs = -1, mibPerWindow = -1;
    // The first page's title in its tab, and the longest wait between two titles after it.
    double firstTitleMs = -1, longestTitleWaitMs = -1;
    // How the titles spread over the opening: when a tenth, half and nine tenths had come.
    double tenthTitlesMs = -1, halfTitlesMs = -1, nineTenthsTitlesMs = -1;
    // When the last window had opened.
    double allOpenMs = -1;

    // The longest a user looks at the tabs without a new title, the wait for the first
    // one included: a program that shows nothing for long and then all at once is not
    // steady either.
    double longestWaitFromClickMs = -1;

    void finish() {
        if (firstTitleMs >= 0 && longestTitleWaitMs >= 0) longestWaitFromClickMs = std::max(firstTitleMs, longestTitleWaitMs);
    }
};

// When the given part of the titles (arrival times, in order) had come.
double timeOfShare(const QList<double>& arrivals, double part) {
    if (arrivals.isEmpty()) return -1;
    const auto at = static_cast<qsizetype>(std::ceil(part * arrivals.size())) - 1;
    return arrivals[std::clamp<qsizetype>(at, 0, arrivals.size() - 1)];
}

// Runs a command without waiting for it: the frame's loop must go on meanwhile.
void xdotool(const QStringList& args) { QProcess::startDetached(QStringLiteral("xdotool"), args); }

void clickAt(const QPoint& global) {
    xdotool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(global.x()),
             QString::number(global.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// The release of the click on a menu item: the moment the user chose the list.
class ClickWatch : public QObject {
public:
    double at = -1;

protected:
    bool eventFilter(QObject* target, QEvent* event) override {
        if (at < 0 && event->type() == QEvent::MouseButtonRelease && target->inherits("QMenu")) at = Bench::nowMs();
        return false;
    }
};

Figures runTavix(const QString& folder, const QString& listName, int count, int serverPid) {
    Figures f;
    auto* form = new TMainForm(folder);
    form->move(0, 0);
    form->resize(Width, Height);
    form->show();
    if (!QTest::qWaitForWindowExposed(form)) std::fprintf(stderr, "the frame was not exposed\n");
    QTest::qWait(1000);

    QAction* item = nullptr;
    for (QAction* a : form->controls().mnuWebList->actions())
        if (a->text() == QStringLiteral("&") + listName) item = a;
    if (!item) {
        std::fprintf(stderr, "the menu has no item for %s\n", qPrintable(listName));
        return f;
    }
    ClickWatch watch;
    const QRect bar = form->menuBar()->actionGeometry(form->controls().mnuWebList->menuAction());
    clickAt(form->menuBar()->mapToGlobal(bar.center()));
    if (!waitUntil([&] { return form->controls().mnuWebList->isVisible(); }, 10000)) {
        std::fprintf(stderr, "the web list menu did not open\n");
        return f;
    }
    QTest::qWait(200);
    // Armed only now: the release of the click that opened the menu goes to the menu too.
    qApp->installEventFilter(&watch);
    clickAt(form->controls().mnuWebList->mapToGlobal(form->controls().mnuWebList->actionGeometry(item).center()));

    double lastTick = Bench::nowMs(), maxGap = 0, doneAt = -1;
    long afterFirstKiB = 0;
    int loaded = 0;
    QSet<int> titled;
    QList<double> arrivals;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = Bench::nowMs();
        if (watch.at >= 0) maxGap = std::max(maxGap, now - lastTick);
        lastTick = now;
        TTabControl* tabs = form->Tabs->TabControl1;
        // For the log: when each page's title reached its tab, in any order.
        for (int i = 0; i < tabs->count() && i < count; ++i)
            if (!titled.contains(i) && tabs->tabText(i) == title(i)) {
                titled.insert(i);
                if (watch.at >= 0) {
                    arrivals << now - watch.at;
                    std::fprintf(stderr, "title %d at %.0f ms\n", i, now - watch.at);
                }
            }
        if (watch.at >= 0 && tabs->count() == count && f.allOpenMs < 0) f.allOpenMs = now - watch.at;
        while (loaded < count && loaded < tabs->count() && tabs->tabText(loaded) == title(loaded))
            if (++loaded == 1) afterFirstKiB = Bench::memoryOfTree({serverPid}).totalKiB;
        if (loaded == count && doneAt < 0) doneAt = now;
    });
    ticks.start();
    // Given up when no title has come for a minute: a stalled run must not take the
    // time of the benchmarks after it.
    double lastProgress = Bench::nowMs();
    int seen = 0;
    const bool done = waitUntil([&] {
        if (titled.size() != seen) {
            seen = titled.size();
            lastProgress = Bench::nowMs();
        }
        return doneAt >= 0 || Bench::nowMs() - lastProgress > 60000;
    }, 400000) && doneAt >= 0;
    ticks.stop();
    qApp->removeEventFilter(&watch);
    if (!done || watch.at < 0) {
        std::fprintf(stderr, "%s: %d of %d titles, none for a minute\n", qPrintable(listName), int(titled.size()), count);
    } else {
        f.allTitlesMs = doneAt - watch.at;
        f.maxBlockMs = maxGap;
        f.firstTitleMs = arrivals.value(0, -1);
        f.longestTitleWaitMs = 0;
        for (qsizetype i = 1; i < arrivals.size(); ++i)
            f.longestTitleWaitMs = std::max(f.longestTitleWaitMs, arrivals[i] - arrivals[i - 1]);
        f.tenthTitlesMs = timeOfShare(arrivals, 0.1);
        f.halfTitlesMs = timeOfShare(arrivals, 0.5);
        f.nineTenthsTitlesMs = timeOfShare(arrivals, 0.9);
        f.finish();
        QTest::qWait(2000);   // let the renderers settle
        f.mibPerWindow = (Bench::memoryOfTree({serverPid}).totalKiB - afterFirstKiB) / 1024.0 / (count - 1);
    }
    for (QMdiSubWindow* w : form->MDIChildren()) delete w;
    delete form;
    QTest::qWait(1000);
    return f;
}

Figures runRef(const QString& addresses) {
    Figures f;
    QProcess ref;
    ref.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    ref.start(QStringLiteral(TAVIX_BENCH_REF), {addresses, QString::number(Width), QString::number(Height)});
    ref.waitForStarted();
    if (!waitUntil([&] { return ref.state() == QProcess::NotRunning; }, 300000)) ref.kill();
    for (const QByteArray& line : ref.readAllStandardOutput().split('\n')) {
        const QList<QByteArray> kv = line.split(' ');
        if (kv.size() != 2) continue;
        if (kv[0] == "all-titles-ms") f.allTitlesMs = kv[1].toDouble();
        if (kv[0] == "max-block-ms") f.maxBlockMs = kv[1].toDouble();
        if (kv[0] == "mib-per-added-view") f.mibPerWindow = kv[1].toDouble();
        if (kv[0] == "first-title-ms") f.firstTitleMs = kv[1].toDouble();
        if (kv[0] == "longest-title-wait-ms") f.longestTitleWaitMs = kv[1].toDouble();
        if (kv[0] == "all-open-ms") f.allOpenMs = kv[1].toDouble();
        if (kv[0] == "tenth-titles-ms") f.tenthTitlesMs = kv[1].toDouble();
        if (kv[0] == "half-titles-ms") f.halfTitlesMs = kv[1].toDouble();
        if (kv[0] == "nine-tenths-titles-ms") f.nineTenthsTitlesMs = kv[1].toDouble();
    }
    f.finish();
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "WebListBench needs an X display (bench/run starts one)\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    // As main() prepares the program.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QT_QUICK_BACKEND", "software", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", Blink::defaultChromiumFlags(), 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    // Like ref's pages, which are off the record: the comparison is of opening pages, not
    // of a profile on disk.
    Blink::useOffTheRecordProfile();
    Blink::registerEngine();
    WebKit::setHostProgram(QStringLiteral(TAVIX_WEBKIT_HOST));
    WebKit::registerEngine();

    QList<int> counts;
    for (int i = 1; i < argc; ++i) counts << std::atoi(argv[i]);
    if (counts.isEmpty()) counts = {50, 300};
    const int most = *std::max_element(counts.begin(), counts.end());

    // One page server for both programs, in a process of its own so that serving does
    // not run in either program's event loop.
    Bench::Folder pages;
    for (int i = 0; i < most; ++i) pages.write(QStringLiteral("p%1.html").arg(i), pageBody(i));
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    QProcess server;
    server.setStandardOutputFile(QProcess::nullDevice());
    server.setStandardErrorFile(QProcess::nullDevice());
    server.start(QStringLiteral("python3"), {QStringLiteral("-m"), QStringLiteral("http.server"), QString::number(port),
                                             QStringLiteral("--bind"), QStringLiteral("127.0.0.1"),
                                             QStringLiteral("--directory"), pages.path()});
    server.waitForStarted();
    QTest::qWait(800);
    const auto url = [&](int n) { return QStringLiteral("http://127.0.0.1:%1/p%2.html").arg(port).arg(n); };

    Bench::Folder program;
    program.write(QStringLiteral("config.ini"), "");
    program.write(QStringLiteral("CloseURL.txt"), "");
    QDir().mkpath(program.path() + QStringLiteral("WebList"));
    for (int count : counts) {
        QByteArray list, addresses;
        for (int i = 0; i < count; ++i) {
            list += url(i).toUtf8() + "\r\n";
            addresses += url(i).toUtf8() + "\t" + title(i).toUtf8() + "\n";
        }
        program.write(QStringLiteral("WebList/list%1.wlf").arg(count), list);
        program.write(QStringLiteral("ref%1.txt").arg(count), addresses);
    }
    // Rounds, ref and Tavix taking turns: one run each is at the mercy of whatever else
    // the machine does.
    const int rounds = std::max(1, qEnvironmentVariableIsSet("TAVIX_BENCH_ROUNDS")
                                       ? qEnvironmentVariableIntValue("TAVIX_BENCH_ROUNDS") : 3);
    for (int count : counts) {
        QList<Figures> refs, tavixes;
        QStringList loads;
        for (int r = 0; r < rounds; ++r) {
            loads << Bench::loadAverage();
            refs << runRef(program.path() + QStringLiteral("ref%1.txt").arg(count));
            tavixes << runTavix(program.path(), QStringLiteral("list%1").arg(count), count,
                                static_cast<int>(server.processId()));
            for (const auto& [name, f] : {std::pair{"Tavix", tavixes.last()}, std::pair{"ref", refs.last()}})
                std::printf("web list of %d, round %d, %s: all titles %.0f ms, first title %.0f ms, a tenth / half / "
                            "nine tenths at %.0f / %.0f / %.0f ms, longest wait %.0f ms, block %.0f ms, %.2f MiB/window, all open "
                            "at %.0f ms\n",
                            count, r + 1, name, f.allTitlesMs, f.firstTitleMs, f.tenthTitlesMs, f.halfTitlesMs,
                            f.nineTenthsTitlesMs, f.longestTitleWaitMs, f.maxBlockMs, f.mibPerWindow, f.allOpenMs);
            std::fflush(stdout);
        }
        const QString how = QStringLiteral("xdotool on Xvfb+openbox, window %1x%2, pages from one local server; "
                                           "%3 rounds, ref and Tavix in turn; %4")
                                .arg(Width).arg(Height).arg(rounds).arg(loads.join(QStringLiteral(", ")));
        // A run that did not finish has no figures: the rows say how many did.
        const auto values = [](const QList<Figures>& runs, double Figures::*field, double scale) {
            std::vector<double> v;
            for (const Figures& f : runs)
                if (f.*field >= 0) v.push_back(f.*field * scale);
            return v;
        };
        const QString n = QString::number(count);
        const auto put = [&](const QString& figure, double Figures::*field, double scale, const char* unit,
                             const QString& what, const QList<Figures>& runs, const QString& goal = {}) {
            const Bench::Spread s = Bench::spread(values(runs, field, scale));
            if (s.n == 0) Bench::missing(figure, unit, QStringLiteral("not measured: no run finished (see the log)"), goal);
            else Bench::row(figure, s.median, unit, what + QStringLiteral("; ") + Bench::describe(s, unit, 2), goal);
        };
        const auto ratio = [&](const QString& figure, double Figures::*field, const QString& goal) {
            const Bench::Spread a = Bench::spread(values(tavixes, field, 1)), b = Bench::spread(values(refs, field, 1));
            if (a.n == 0 || b.n == 0 || b.median <= 0) Bench::missing(figure, "ratio", QStringLiteral("not measured"), goal);
            else Bench::row(figure, a.median / b.median, "ratio", QStringLiteral("the two medians above"), goal);
        };
        put(QStringLiteral("web list %1: click to all titles, Tavix").arg(n), &Figures::allTitlesMs, 1e-3, "s",
            QStringLiteral("menu item click (release) to the last title in its tab; ") + how, tavixes);
        put(QStringLiteral("web list %1: click to all titles, ref").arg(n), &Figures::allTitlesMs, 1e-3, "s",
            QStringLiteral("ref: one QWebEngineView per page in a QMdiArea, one per loop turn"), refs);
        ratio(QStringLiteral("web list %1: all titles, Tavix / ref").arg(n), &Figures::allTitlesMs, QStringLiteral("<= 1.05"));
        put(QStringLiteral("web list %1: click to the first title, Tavix").arg(n), &Figures::firstTitleMs, 1e-3, "s",
            QStringLiteral("menu item click (release) to the first page's title in its tab"), tavixes, QStringLiteral("<= 2 s"));
        put(QStringLiteral("web list %1: first title, ref").arg(n), &Figures::firstTitleMs, 1e-3, "s",
            QStringLiteral("the opening's start to the first view's title"), refs);
        put(QStringLiteral("web list %1: longest wait between two titles, Tavix").arg(n), &Figures::longestTitleWaitMs, 1e-3,
            "s", QStringLiteral("titles arrive steadily: the longest time between one title and the next, after the first"),
            tavixes);
        put(QStringLiteral("web list %1: longest wait between two titles, ref").arg(n), &Figures::longestTitleWaitMs, 1e-3,
            "s", QStringLiteral("the same in ref"), refs);
        put(QStringLiteral("web list %1: longest wait for a title from the click, Tavix").arg(n),
            &Figures::longestWaitFromClickMs, 1e-3, "s",
            QStringLiteral("the longest time the tabs show no new title, from the click to the last: the first title's "
                           "wait and every wait between two"),
            tavixes, QStringLiteral("<= ref"));
        put(QStringLiteral("web list %1: longest wait for a title from the click, ref").arg(n),
            &Figures::longestWaitFromClickMs, 1e-3, "s", QStringLiteral("the same in ref"), refs);
        put(QStringLiteral("web list %1: half the titles, Tavix").arg(n), &Figures::halfTitlesMs, 1e-3, "s",
            QStringLiteral("click to the moment half the pages had their titles in their tabs"), tavixes,
            QStringLiteral("<= ref"));
        put(QStringLiteral("web list %1: half the titles, ref").arg(n), &Figures::halfTitlesMs, 1e-3, "s",
            QStringLiteral("the same in ref"), refs);
        put(QStringLiteral("web list %1: longest event-loop block, Tavix").arg(n), &Figures::maxBlockMs, 1, "ms",
            QStringLiteral("largest gap between ticks of a 5 ms timer in the frame's loop, click to done"), tavixes);
        put(QStringLiteral("web list %1: longest event-loop block, ref").arg(n), &Figures::maxBlockMs, 1, "ms",
            QStringLiteral("the same timer in ref"), refs);
        put(QStringLiteral("web list %1: memory per added window, Tavix").arg(n), &Figures::mibPerWindow, 1, "MiB",
            QStringLiteral("PSS of the process tree (server excluded), after window 1 to 2 s after the last, / (n-1)"), tavixes);
        ratio(QStringLiteral("web list %1: memory per added window, Tavix / ref").arg(n), &Figures::mibPerWindow, {});
    }
    server.kill();
    server.waitForFinished();
    return 0;
}
