// The Gecko slot against the Chromium slot in the real frame, on an X display with a
// window manager (bench/run gives one; by hand, run it through tests/e2e/webkit_e2e.sh):
// idle CPU with ten views of each engine, Enter → title on documentation pages served
// plainly and slowed, and how long after a slowed page's last response the progress bar
// settles. Pages are a generated manual (bench/DocPages.h) served by bench/page_server.py
// in its own process, so the frame's event loop never serves them.
//
//     WebKitSlotBench [cpu|latency|memory ...]     (default: cpu latency, about two minutes)
//
// TAVIX_BENCH_HOST names another host program (an older build, to compare);
// TAVIX_BENCH_THREADS=1 lists the CPU time of every thread while idle;
// TAVIX_BENCH_SETTLE_S / TAVIX_BENCH_IDLE_S change the idle measurement's 15 s settling
// and 30 s interval;
// TAVIX_BENCH_ENGINES=gecko,chromium measures the idle CPU of both engines (by default
// only the Gecko slot's: ten Chromium views take half a minute to open here).

#include "BenchSupport.h"
#include "DocPages.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "views/ViewWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QProgressBar>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <ctime>
#include <memory>
#include <vector>
#include <unistd.h>

namespace {

constexpr int Timeout = 60000;
// What the slowed server holds back: every figure, and the last byte of every page
// whose number is odd.
constexpr double HoldSeconds = 1.0;

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// bench/page_server.py in a process of its own.
class FileServer {
public:
    FileServer(const QString& folder, const QStringList& options = {}) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                const QList<QByteArray> f = process_.readLine().trimmed().split(' ');
                if (f.value(0) == "ready") ready_ = true;
                if (f.value(0) == "sent") {
                    lastSent_ = f.value(1).toDouble() * 1000.0;
                    sent_[QString::fromUtf8(f.value(2))] = lastSent_;
                }
            }
        });
        process_.start(QStringLiteral("python3"), QStringList{QStringLiteral(TAVIX_BENCH_SOURCE "/page_server.py"),
                                                              folder, QString::number(port_)} + options);
        if (!waitUntil([this] { return ready_; }, 10000)) std::fprintf(stderr, "no page server\n");
    }
    ~FileServer() {
        process_.kill();
        process_.waitForFinished();
    }
    int processId() const { return static_cast<int>(process_.processId()); }
    QString url(const QString& page) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(page); }
    // CLOCK_MONOTONIC in ms when the last response, or the last response for a path,
    // went out; 0 if none has.
    double lastSentMs() const { return lastSent_; }
    double sentMs(const QString& path) const { return sent_.value(path); }

private:
    QProcess process_;
    quint16 port_ = 0;
    bool ready_ = false;
    double lastSent_ = 0;
    QHash<QString, double> sent_;
};

// A process and everything it started.
QList<int> treeOf(int root) {
    if (!root) return {};
    QHash<int, int> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!numeric || !stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        parentOf[pid] = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toInt();
    }
    QList<int> branch{root};
    for (int i = 0; i < branch.size(); ++i)
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            if (it.value() == branch[i]) branch << it.key();
    return branch;
}

// CPU time of the processes in ms, threads that have ended included, to the
// nanosecond: /proc's clock ticks are too coarse for a tenth of a percent.
double cpuMs(const QList<int>& pids) {
    double ms = 0;
    for (int pid : pids) {
        clockid_t clock;
        timespec t{};
        if (::clock_getcpuclockid(pid, &clock) == 0 && ::clock_gettime(clock, &t) == 0)
            ms += t.tv_sec * 1e3 + t.tv_nsec / 1e6;
    }
    return ms;
}

// Run time in ms per thread ("pid/process/thread"), to tell what wakes up.
QHash<QString, double> threadMs(const QList<int>& pids) {
    QHash<QString, double> ms;
    for (int pid : pids) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString process = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile name(QStringLiteral("/proc/%1/task/%2/comm").arg(pid).arg(task));
            QFile sched(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task));
            if (!name.open(QIODevice::ReadOnly) || !sched.open(QIODevice::ReadOnly)) continue;
            ms[QStringLiteral("%1/%2/%3").arg(pid).arg(process, QString::fromUtf8(name.readAll().trimmed()))] +=
                sched.readAll().split(' ').value(0).toDouble() / 1e6;
        }
    }
    return ms;
}

// Runs the event loop without waking it: QTest::qWait polls every 10 ms.
void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::unique_ptr<TMainForm> makeForm(const Bench::Folder& folder, bool gecko) {
    folder.write("config.ini", QByteArray("[General]\r\nLastEngine=") + (gecko ? "Gecko" : "Internet Explorer") +
                                   "\r\n[Option_Main]\r\nMozilla=2\r\n[Option_Window]\r\nNewWindow_Active=1\r\n");
    folder.write("CloseURL.txt", "");
    auto form = std::make_unique<TMainForm>(folder.path());
    form->setGeometry(20, 20, 1200, 740);
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowExposed(form.get())) std::fprintf(stderr, "the frame never showed\n");
    form->controls().IE_item->setChecked(!gecko);
    form->controls().Moz_Item->setChecked(gecko);
    return form;
}

// Opens views on the pages one after the other and waits until each has loaded once.
std::vector<TViewWindow*> openViews(TMainForm& form, const FileServer& server, const std::vector<Bench::DocPage>& pages,
                                    int n) {
    std::vector<TViewWindow*> windows;
    auto loaded = std::make_shared<int>(0);
    for (int i = 0; i < n; ++i) {
        form.OpenViewWindow(QStringLiteral("cap"), server.url(pages[i % pages.size()].file));
        auto* w = qobject_cast<TViewWindow*>(form.MDIChildren().back());
        QObject::connect(&w->control()->events(), &DWebBrowserEvents2::DocumentComplete, w,
                         [loaded, counted = std::make_shared<bool>(false)](IDispatch*, const Variant&) {
                             if (!*counted) ++*loaded, *counted = true;
                         });
        windows.push_back(w);
        QTest::qWait(100);
    }
    if (!waitUntil([&] { return *loaded >= n; }, Timeout)) std::fprintf(stderr, "%d of %d views loaded\n", *loaded, n);
    return windows;
}

void closeAll(TMainForm& form) {
    for (QMdiSubWindow* w : form.MDIChildren()) delete w;
    WebKit::shutdownHost();
    QTest::qWait(500);
}

// The program's processes: this one and everything it started but the page servers.
QList<int> wholeTree(const QList<int>& servers) {
    QList<int> tree = Bench::processTree();
    for (int server : servers)
        for (int pid : treeOf(server)) tree.removeAll(pid);
    return tree;
}

struct Usage {
    double pssMiB = 0;
    double ussMiB = 0;
    int processes = 0;
};

Usage usageOf(const QList<int>& pids) {
    Usage u;
    for (int pid : pids) {
        QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!f.open(QIODevice::ReadOnly)) continue;
        ++u.processes;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const double kib = line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
            if (line.startsWith("Pss:")) u.pssMiB += kib / 1024;
            if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:")) u.ussMiB += kib / 1024;
        }
    }
    return u;
}

void memory(const Bench::Folder& folder, const FileServer& server, const std::vector<Bench::DocPage>& pages) {
    std::printf("\nMemory, Gecko views on documentation pages, after loading and 3 s settling\n"
                "(PSS and USS from /proc/PID/smaps_rollup; whole = shell + host + WebKit processes)\n");
    std::printf("%6s %10s %10s %10s %6s\n", "views", "whole PSS", "host PSS", "host USS", "procs");
    Usage base, baseWhole;
    for (int n : {1, 10, 30}) {
        auto form = makeForm(folder, true);
        openViews(*form, server, pages, n);
        QTest::qWait(3000);
        const Usage host = usageOf(treeOf(static_cast<int>(WebKit::hostProcessId())));
        const Usage whole = usageOf(wholeTree({server.processId()}));
        std::printf("%6d %10.1f %10.1f %10.1f %6d\n", n, whole.pssMiB, host.pssMiB, host.ussMiB, host.processes);
        if (n == 1) {
            base = host;
            baseWhole = whole;
        } else {
            std::printf("FIGURE webkit_pss_per_added_view_%d %.1f MiB (whole tree; host side %.1f, USS %.1f)\n", n,
                        (whole.pssMiB - baseWhole.pssMiB) / (n - 1), (host.pssMiB - base.pssMiB) / (n - 1),
                        (host.ussMiB - base.ussMiB) / (n - 1));
        }
        std::fflush(stdout);
        closeAll(*form);
    }
}

// CPU of the processes in percent of a core while the event loop idles for ms; with
// TAVIX_BENCH_THREADS set, lists the threads that ran (threads that ended within the
// interval are missing from the list, not from the figure).
struct IdleCpu {
    double all = 0, host = 0;
};

IdleCpu measureIdle(const QList<int>& all, const QList<int>& host, int ms) {
    // Reading /proc costs this process a few ms: the thread list is read outside the
    // interval.
    const bool threads = qEnvironmentVariableIsSet("TAVIX_BENCH_THREADS");
    const auto threadsBefore = threads ? threadMs(all) : QHash<QString, double>();
    const double hostBefore = cpuMs(host), allBefore = cpuMs(all);
    idleFor(ms);
    const IdleCpu used{(cpuMs(all) - allBefore) / ms * 100, (cpuMs(host) - hostBefore) / ms * 100};
    if (threads) {
        const auto threadsAfter = threadMs(all);
        for (auto it = threadsAfter.cbegin(); it != threadsAfter.cend(); ++it)
            if (it.value() - threadsBefore.value(it.key()) >= 0.05)
                std::printf("  %8.2f ms %s\n", it.value() - threadsBefore.value(it.key()), qPrintable(it.key()));
    }
    return used;
}

void cpu(const Bench::Folder& folder, const FileServer& server, const std::vector<Bench::DocPage>& pages,
         const QStringList& engines) {
    // Left alone for the settling time first, then measured over two intervals in a row.
    // The first still holds the script engine's one full collection that follows a
    // page's load by about half a minute (its timer scales with the last collection's
    // length); the second is the steady state: WebKit's system memory monitor every
    // 5 s, and nothing of the pages. The web processes' own memory check every 120 s
    // (about 15 ms each) falls in neither. TAVIX_BENCH_SETTLE_S and TAVIX_BENCH_IDLE_S
    // stretch the settling and the intervals.
    const int SettleMs = qEnvironmentVariableIntValue("TAVIX_BENCH_SETTLE_S") > 0
                             ? qEnvironmentVariableIntValue("TAVIX_BENCH_SETTLE_S") * 1000 : 15000;
    const int IdleMs = qEnvironmentVariableIntValue("TAVIX_BENCH_IDLE_S") > 0
                           ? qEnvironmentVariableIntValue("TAVIX_BENCH_IDLE_S") * 1000 : 30000;
    std::printf("\nIdle CPU with 10 loaded views, %d s after %d s settling, then %d s more\n", IdleMs / 1000,
                SettleMs / 1000, IdleMs / 1000);
    for (bool gecko : {true, false}) {
        if (!engines.contains(gecko ? QStringLiteral("gecko") : QStringLiteral("chromium"))) continue;
        auto form = makeForm(folder, gecko);
        const double opening = Bench::nowMs();
        openViews(*form, server, pages, 10);
        std::printf("10 %s views opened and loaded in %.1f s\n", gecko ? "Gecko" : "Chromium",
                    (Bench::nowMs() - opening) / 1000);
        form->controls().MDIClient->tileSubWindows();
        QTest::qWait(SettleMs);
        const QList<int> host = treeOf(static_cast<int>(WebKit::hostProcessId()));
        const QList<int> all = wholeTree({server.processId()});
        const IdleCpu afterLoad = measureIdle(all, host, IdleMs);
        std::printf("FIGURE idle_cpu_%s %.3f %% of a core (whole tree; host side %.3f %%)\n",
                    gecko ? "webkit" : "chromium", afterLoad.all, afterLoad.host);
        const IdleCpu steady = measureIdle(all, host, IdleMs);
        std::printf("FIGURE idle_cpu_%s_steady %.3f %% of a core (whole tree; host side %.3f %%)\n",
                    gecko ? "webkit" : "chromium", steady.all, steady.host);
        const QString how = QStringLiteral("10 views on generated manual pages, tiled; CPU of shell + engine processes "
                                           "over %1 s, %2 s after the last load (clock_getcpuclockid)");
        const QString first = how.arg(IdleMs / 1000).arg(SettleMs / 1000);
        const QString second = how.arg(IdleMs / 1000).arg((SettleMs + IdleMs) / 1000);
        if (gecko) {
            // The first interval holds the script engine's one full collection after the
            // loads (25-33 s after them); idle is what the views cost once that is over.
            Bench::row(QStringLiteral("Gecko slot CPU, 10 views, after the loads"), afterLoad.all, "%", first);
            Bench::row(QStringLiteral("Gecko slot idle CPU, 10 views"), steady.all, "%", second, QStringLiteral("<= 0.2"));
        } else {
            Bench::row(QStringLiteral("Chromium slot CPU, 10 views, after the loads"), afterLoad.all, "%", first);
            Bench::row(QStringLiteral("Chromium slot idle CPU, 10 views"), steady.all, "%", second);
        }
        closeAll(*form);
    }
}

// One load in a view: Enter in the address box, then the caption, and when the page has
// ended, when the progress bar last moved.
struct Load {
    double toTitle = 0;   // ms from Enter to the page's title in the caption
    double barLag = 0;    // ms from the page's last response to the bar's last change
    int barAt = 0;        // where the bar ended
};

Load loadOnce(TMainForm& form, TViewWindow* w, const FileServer& server, const Bench::DocPage& page, bool slowed) {
    form.controls().MDIClient->setActiveSubWindow(w);
    QTest::qWait(150);
    double barChanged = 0;
    const auto connection = QObject::connect(form.controls().ProgressBar1, &QProgressBar::valueChanged,
                                             [&](int) { barChanged = Bench::nowMs(); });
    const double lastBefore = server.lastSentMs();
    form.controls().txtAddress->setFocus();
    form.controls().txtAddress->setText(server.url(page.file));
    Load load;
    const double start = Bench::nowMs();
    QTest::keyClick(form.controls().txtAddress, Qt::Key_Return);
    if (!waitUntil([&] { return w->windowTitle().simplified() == page.title; }, Timeout))
        std::fprintf(stderr, "no title %s\n", qPrintable(page.title));
    load.toTitle = Bench::nowMs() - start;
    if (slowed) {
        // Until the held figure and the page's end have gone out, then time to settle.
        const QString figure = QStringLiteral("/img/") + page.figure;
        if (!waitUntil([&] { return server.sentMs(figure) > lastBefore && server.sentMs(QLatin1Char('/') + page.file) > lastBefore; },
                             Timeout))
            std::fprintf(stderr, "%s never went out\n", qPrintable(figure));
        QTest::qWait(700);
        load.barLag = barChanged - server.lastSentMs();
        load.barAt = form.controls().ProgressBar1->value();
    }
    QObject::disconnect(connection);
    return load;
}

// Enter → title on plain and slowed loads in a Chromium and a Gecko view side by side,
// the engines taking turns to go first; and the progress bar's end on the slowed ones.
void latency(const Bench::Folder& folder, const QString& site, const std::vector<Bench::DocPage>& pages) {
    constexpr int Pages = 5;
    FileServer plain(site);
    FileServer slowed(site, {QStringLiteral("--hold"), QStringLiteral("/img/fig-*=%1").arg(HoldSeconds),
                             QStringLiteral("--tail"), QStringLiteral("/ch-?[13579].html=%1").arg(HoldSeconds)});
    std::printf("\nEnter → title and progress end on %d pages (figures held %.1f s, every other page's last byte too)\n",
                Pages, HoldSeconds);
    auto form = makeForm(folder, false);
    TViewWindow* views[2];
    for (int e = 0; e < 2; ++e) {
        form->controls().IE_item->setChecked(e == 0);
        form->controls().Moz_Item->setChecked(e == 1);
        form->OpenViewWindow(QStringLiteral("cap"), plain.url(pages.back().file));
        views[e] = qobject_cast<TViewWindow*>(form->MDIChildren().back());
    }
    form->controls().MDIClient->tileSubWindows();
    if (!waitUntil([&] { return views[0]->windowTitle().simplified() == pages.back().title &&
                                    views[1]->windowTitle().simplified() == pages.back().title; },
                         Timeout))
        std::fprintf(stderr, "the first pages never loaded\n");
    std::vector<double> plainTitle[2], slowTitle[2], barLag[2];
    int barNotZero = 0;
    for (int i = 0; i < Pages; ++i) {
        for (bool slow : {false, true}) {
            for (int k = 0; k < 2; ++k) {
                const int e = (i + k) % 2;
                // The slowed loads take other pages: a caption that already shows the
                // title would end the wait at once.
                const Bench::DocPage& page = pages[slow ? Pages + i : i];
                const Load load = loadOnce(*form, views[e], slow ? slowed : plain, page, slow);
                (slow ? slowTitle : plainTitle)[e].push_back(load.toTitle);
                if (!slow) continue;
                barLag[e].push_back(load.barLag);
                if (e == 1 && load.barAt != 0) ++barNotZero;
                std::printf("  %-8s %s: title %4.0f ms, bar settled %4.0f ms after the last response (at %d)\n",
                            e ? "Gecko" : "Chromium", qPrintable(page.file), load.toTitle, load.barLag, load.barAt);
            }
        }
    }
    const double pc = median(plainTitle[0]), pk = median(plainTitle[1]);
    const double sc = median(slowTitle[0]), sk = median(slowTitle[1]);
    std::printf("FIGURE enter_to_title plain: chromium %.0f ms, webkit %.0f ms; slowed: chromium %.0f ms, webkit %.0f ms\n",
                pc, pk, sc, sk);
    std::printf("FIGURE progress_end_after_load chromium %.0f ms, webkit %.0f ms; Gecko bar left above 0: %d of %d\n",
                median(barLag[0]), median(barLag[1]), barNotZero, Pages);
    Bench::row(QStringLiteral("Enter -> title, Gecko / Chromium, plain loads"), pk / pc, "x",
               QStringLiteral("median of %1 generated manual pages: Gecko %2 ms, Chromium %3 ms").arg(Pages).arg(pk, 0, 'f', 0).arg(pc, 0, 'f', 0),
               QStringLiteral("<= 1.2"));
    Bench::row(QStringLiteral("Enter -> title, Gecko / Chromium, slowed loads"), sk / sc, "x",
               QStringLiteral("figure held %1 s, odd pages' last byte too: Gecko %2 ms, Chromium %3 ms").arg(HoldSeconds).arg(sk, 0, 'f', 0).arg(sc, 0, 'f', 0),
               QStringLiteral("<= 1.2"));
    Bench::row(QStringLiteral("Gecko progress bar settled after a slowed load ends"), median(barLag[1]), "ms",
               QStringLiteral("last response sent -> bar's last change, median of %1; Chromium %2 ms").arg(Pages).arg(median(barLag[0]), 0, 'f', 0),
               QStringLiteral("<= 200"));
    closeAll(*form);
}

}  // namespace

int main(int argc, char** argv) {
    // As the program's own main: Chromium refuses root with its sandbox, and foreign
    // windows in the MDI area need Qt Quick's software backend.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QT_QUICK_BACKEND", "software", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    Blink::useOffTheRecordProfile();
    Blink::registerEngine();
    const QByteArray host = qgetenv("TAVIX_BENCH_HOST");
    WebKit::setHostProgram(host.isEmpty() ? QStringLiteral(TAVIX_WEBKIT_HOST) : QString::fromLocal8Bit(host));
    WebKit::registerEngine();
    QStringList what = app.arguments().mid(1);
    if (what.isEmpty()) what = {QStringLiteral("cpu"), QStringLiteral("latency")};

    const double started = Bench::nowMs();
    Bench::Folder folder;
    const QString site = folder.path() + QStringLiteral("site");
    const std::vector<Bench::DocPage> pages = Bench::writeDocSite(site, 25);
    FileServer server(site);
    if (what.contains(QStringLiteral("memory"))) memory(folder, server, pages);
    if (what.contains(QStringLiteral("cpu")))
        cpu(folder, server, pages, qEnvironmentVariable("TAVIX_BENCH_ENGINES", QStringLiteral("gecko")).split(QLatin1Char(',')));
    if (what.contains(QStringLiteral("latency"))) latency(folder, site, pages);
    std::printf("WebKitSlotBench: %.0f s\n", (Bench::nowMs() - started) / 1000);
    return 0;
}
