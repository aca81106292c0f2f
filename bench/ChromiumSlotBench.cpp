// The "Internet Explorer" slot's two engines side by side: the system's Chromium (its own
// browser process, pages embedded as foreign windows) against the built-in QtWebEngine,
// in the real frame on an X display with a window manager (bench/run gives one).
//
//   first page   exec of the real program -> the first page painted, IEEngine=0 against
//                IEEngine=1 (bench/first_paint.py --ie-engines does this part)
//   title        Enter in the address box -> the page's title in the caption, once the
//                engine is up
//   views        ten views opened one after another, at one size: each new view's first
//                paint, USS per added view, the frame's longest unanswered moment while
//                they load, and the idle CPU of frame and engine with the ten loaded
//
// The engines take turns in every part, so both meet the same machine at the same time.
//
//   ChromiumSlotBench [start] [title] [views]      (default: all three, about three minutes)
//
// TAVIX_BENCH_START_RUNS: runs per engine and way of opening in the first part (default 5);
// TAVIX_BENCH_ROUNDS: rounds of ten views per engine (default 3).

#include "BenchSupport.h"
#include "DocPages.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/EngineRegistry.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/chromium/ChromiumEngine.h"
#include "views/ViewWindow.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMdiArea>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>
#include <vector>
#include <unistd.h>

namespace {

constexpr int Timeout = 30000;
constexpr int Views = 10;
// Every view of the views part has this size, in both engines.
const QRect ViewGeometry(0, 0, 800, 560);
// The documentation pages' header colour (bench/DocPages.h): a band across the top of
// every page that nothing of the frame shows.
const QRgb HeaderColour = qRgb(0x23, 0x41, 0x5a);

bool useSystemChromium = true;

const char* engineName(bool system) { return system ? "system Chromium" : "built-in"; }

using Bench::describe;
using Bench::spread;
using Bench::Spread;

// bench/page_server.py in a process of its own, so that the frame's loop never serves.
class FileServer {
public:
    explicit FileServer(const QString& folder) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine())
                if (process_.readLine().startsWith("ready")) ready_ = true;
        });
        process_.start(QStringLiteral("python3"), {QStringLiteral(TAVIX_BENCH_SOURCE "/page_server.py"), folder,
                                                   QString::number(port_)});
        if (!waitUntil([this] { return ready_; }, 10000)) std::fprintf(stderr, "no page server\n");
    }
    ~FileServer() {
        process_.kill();
        process_.waitForFinished();
    }
    int processId() const { return static_cast<int>(process_.processId()); }
    QString url(const QString& page) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(page); }

private:
    QProcess process_;
    quint16 port_ = 0;
    bool ready_ = false;
};

// The engine's processes, the frame's own process not among them.
QList<int> engineProcesses(bool system, const QList<int>& servers) {
    if (system) {
        const int browser = static_cast<int>(Chromium::processId());
        return browser ? Bench::processTree(browser) : QList<int>{};
    }
    QList<int> tree = Bench::processTree();
    tree.removeAll(static_cast<int>(::getpid()));
    QList<int> others = servers;
    if (Chromium::processId()) others << static_cast<int>(Chromium::processId());
    for (int root : others)
        for (int pid : Bench::processTree(root)) tree.removeAll(pid);
    return tree;
}

double ussMiB(const QList<int>& pids) {
    double kib = 0;
    for (int pid : pids) {
        QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("Private_Clean:") || line.startsWith("Private_Dirty:"))
                kib += line.mid(line.indexOf(':') + 1).trimmed().split(' ').value(0).toDouble();
    }
    return kib / 1024;
}

// CPU time of a process in ms, threads that have ended included, to the nanosecond (the
// same counter as utime+stime in /proc/PID/stat, whose clock ticks are too coarse for a
// tenth of a percent over ten seconds).
double cpuMs(int pid) {
    clockid_t clock;
    timespec t{};
    if (::clock_getcpuclockid(pid, &clock) != 0 || ::clock_gettime(clock, &t) != 0) return 0;
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// "name --type=renderer", to tell the processes apart in the breakdown.
QString processLabel(int pid) {
    QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
    QString label = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QStringLiteral("?");
    QFile cmdline(QStringLiteral("/proc/%1/cmdline").arg(pid));
    // Chromium rewrites its processes' titles into one string: split at spaces too.
    if (cmdline.open(QIODevice::ReadOnly))
        for (const QByteArray& arg : cmdline.readAll().replace('\0', ' ').split(' '))
            if (arg.startsWith("--type=") || arg.startsWith("--utility-sub-type=")) label += QLatin1Char(' ') + QString::fromUtf8(arg);
    return label;
}

// Run time in ms of every thread of the process, by "thread id name".
std::map<QString, double> threadMs(int pid) {
    std::map<QString, double> ms;
    for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile name(QStringLiteral("/proc/%1/task/%2/comm").arg(pid).arg(task));
        QFile sched(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task));
        if (!name.open(QIODevice::ReadOnly) || !sched.open(QIODevice::ReadOnly)) continue;
        ms[task + QLatin1Char(' ') + QString::fromUtf8(name.readAll().trimmed())] =
            sched.readAll().split(' ').value(0).toDouble() / 1e6;
    }
    return ms;
}

// Runs the event loop without waking it: QTest::qWait polls every 10 ms.
void idleFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// The longest time the frame's thread left a 5 ms timer waiting, while it watches.
class GapWatch {
public:
    GapWatch() {
        timer_.setInterval(5);
        timer_.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            const double now = Bench::nowMs();
            if (watching_) worst_ = std::max(worst_, now - last_);
            last_ = now;
        });
    }
    void resume() {
        watching_ = true;
        last_ = Bench::nowMs();
        timer_.start();
    }
    // The benchmark's own blocking work (reading /proc) is left out.
    void pause() {
        watching_ = false;
        timer_.stop();
    }
    double worstMs() const { return worst_; }

private:
    QTimer timer_;
    bool watching_ = false;
    double last_ = 0, worst_ = 0;
};

std::unique_ptr<TMainForm> makeForm(const Bench::Folder& folder) {
    folder.write("config.ini", "[General]\r\nLastEngine=Internet Explorer\r\n[Option_Window]\r\nNewWindow_Active=1\r\n");
    folder.write("CloseURL.txt", "");
    auto form = std::make_unique<TMainForm>(folder.path());
    form->setGeometry(20, 20, 1200, 740);
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowExposed(form.get())) std::fprintf(stderr, "the frame never showed\n");
    return form;
}

void closeAll(TMainForm& form) {
    for (QMdiSubWindow* w : form.MDIChildren()) delete w;
    QTest::qWait(800);
}

TViewWindow* openView(TMainForm& form, bool system, const QString& url, const QRect& geometry) {
    useSystemChromium = system;
    TViewWindow* w = form.OpenViewWindowIn(true, QStringLiteral("cap"), url);
    if (!w) return nullptr;
    w->showNormal();
    w->setGeometry(geometry);
    return w;
}

// The page's header band is on the screen inside the view: foreign windows (the system
// Chromium's) are in no grab of the frame's own widgets, so the screen is read.
bool pageOnScreen(QMdiSubWindow* w) {
    QWidget* inside = w->widget() ? w->widget() : w;
    const QPoint at = inside->mapToGlobal(QPoint(inside->width() / 2 - 16, 0));
    const QImage image = QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 32, inside->height()).toImage();
    int header = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qRed(p) - qRed(HeaderColour)) <= 3 && std::abs(qGreen(p) - qGreen(HeaderColour)) <= 3 &&
                std::abs(qBlue(p) - qBlue(HeaderColour)) <= 3)
                ++header;
        }
    return header >= 32 * 30;
}

// Runs the event loop until `ready()` holds, looking every intervalMs: the screen reads
// of pageOnScreen() are too dear for waitUntil's 2 ms, on the thread that also runs the
// built-in engine's browser side.
template <typename Ready>
bool waitEvery(Ready ready, int intervalMs, int timeoutMs) {
    QEventLoop loop;
    QTimer look;
    look.setInterval(intervalMs);
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        if (ready()) loop.quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    look.start();
    loop.exec();
    return ready();
}

// --- Enter -> title ---------------------------------------------------------------------

double enterToTitle(TMainForm& form, TViewWindow* w, const QString& url, const QString& title) {
    form.controls().MDIClient->setActiveSubWindow(w);
    QTest::qWait(150);
    form.controls().txtAddress->setFocus();
    form.controls().txtAddress->setText(url);
    const double start = Bench::nowMs();
    QTest::keyClick(form.controls().txtAddress, Qt::Key_Return);
    if (!waitUntil([&] { return w->windowTitle().simplified() == title; }, Timeout)) {
        std::fprintf(stderr, "no title %s\n", qPrintable(title));
        return -1;
    }
    return Bench::nowMs() - start;
}

void titles(const Bench::Folder& folder, const FileServer& server, const std::vector<Bench::DocPage>& pages) {
    constexpr int Pages = 12;
    std::printf("\nEnter -> title on %d pages in a view of each engine, the engines taking turns to go first\n", Pages);
    auto form = makeForm(folder);
    TViewWindow* views[2];
    for (int e = 0; e < 2; ++e)
        views[e] = openView(*form, e == 0, server.url(pages.back().file), QRect(e * 590, 0, 580, 600));
    if (!waitUntil([&] { return views[0]->windowTitle().simplified() == pages.back().title &&
                                views[1]->windowTitle().simplified() == pages.back().title; },
                   Timeout))
        std::fprintf(stderr, "the first pages never loaded\n");
    std::vector<double> ms[2];
    for (int i = 0; i < Pages; ++i)
        for (int k = 0; k < 2; ++k) {
            const int e = (i + k) % 2;
            const double t = enterToTitle(*form, views[e], server.url(pages[i].file), pages[i].title);
            if (t >= 0) ms[e].push_back(t);
            std::printf("  %-16s %s: %4.0f ms\n", engineName(e == 0), qPrintable(pages[i].file), t);
        }
    const Spread sys = spread(ms[0]), own = spread(ms[1]);
    const QString how = QStringLiteral("Enter in the address box -> the page's title in the caption (TitleChange), "
                                       "generated manual pages from a local server, one view per engine, engine up, "
                                       "interleaved; median (min-max, n): system %1, built-in %2")
                            .arg(describe(sys, "ms"), describe(own, "ms"));
    Bench::row(QStringLiteral("IE slot Enter -> title, system Chromium"), sys.median, "ms", how,
               QStringLiteral("<= 1.1x built-in"));
    Bench::row(QStringLiteral("IE slot Enter -> title, built-in"), own.median, "ms", how);
    Bench::row(QStringLiteral("IE slot Enter -> title, system Chromium / built-in"), sys.median / own.median, "x",
               QStringLiteral("the two medians above"), QStringLiteral("<= 1.1"));
    closeAll(*form);
}

// --- ten views ---------------------------------------------------------------------------

struct Round {
    std::vector<double> paintMs;  // each new view's first paint, the engine already up
    double ussPerViewMiB = 0;
    double worstGapMs = 0;
    double idleCpuPercent = 0;
};

constexpr int IdleMs = 10000;
constexpr int SettleMs = 3000;

Round viewsRound(const Bench::Folder& folder, const FileServer& server, const std::vector<Bench::DocPage>& pages,
                 bool system, int round) {
    Round r;
    auto form = makeForm(folder);
    const QList<int> servers{server.processId()};
    GapWatch gaps;
    auto loaded = std::make_shared<int>(0);
    double uss1 = 0;
    const double opening = Bench::nowMs();
    for (int i = 0; i < Views; ++i) {
        const Bench::DocPage& page = pages[(round * Views + i) % pages.size()];
        gaps.resume();
        const double start = Bench::nowMs();
        TViewWindow* w = openView(*form, system, server.url(page.file), ViewGeometry);
        if (!w) {
            std::fprintf(stderr, "no view window\n");
            break;
        }
        QObject::connect(&w->control()->events(), &DWebBrowserEvents2::DocumentComplete, w,
                         [loaded, counted = std::make_shared<bool>(false)](IDispatch*, const Variant&) {
                             if (!*counted) ++*loaded, *counted = true;
                         });
        if (waitEvery([&] { return pageOnScreen(w); }, 10, Timeout))
            r.paintMs.push_back(Bench::nowMs() - start);
        else
            std::fprintf(stderr, "view %d never painted\n", i + 1);
        if (i == 0) {
            // One view, loaded and settled: the base the others add to.
            waitUntil([&] { return *loaded >= 1; }, Timeout);
            gaps.pause();
            idleFor(1500);
            uss1 = ussMiB(engineProcesses(system, servers) << static_cast<int>(::getpid()));
        }
    }
    if (!waitUntil([&] { return *loaded >= Views; }, Timeout))
        std::fprintf(stderr, "%d of %d views loaded\n", *loaded, Views);
    gaps.pause();
    r.worstGapMs = gaps.worstMs();
    std::printf("  %s round %d: %d views opened and loaded in %.1f s; first paints", engineName(system), round + 1,
                *loaded, (Bench::nowMs() - opening) / 1000);
    for (double ms : r.paintMs) std::printf(" %.0f", ms);
    std::printf(" ms; longest gap %.0f ms\n", r.worstGapMs);
    // The first view's paint may have waited for the engine's start in the first round.
    if (!r.paintMs.empty()) r.paintMs.erase(r.paintMs.begin());

    idleFor(SettleMs);
    const QList<int> engine = engineProcesses(system, servers);
    const double uss10 = ussMiB(QList<int>(engine) << static_cast<int>(::getpid()));
    r.ussPerViewMiB = (uss10 - uss1) / (Views - 1);
    std::printf("  USS frame + %d engine processes: 1 view %.1f MiB, %d views %.1f MiB, %.1f MiB per added view\n",
                static_cast<int>(engine.size()), uss1, Views, uss10, r.ussPerViewMiB);

    QList<int> all = engine;
    all.prepend(static_cast<int>(::getpid()));
    // The threads are read outside the interval: reading /proc costs the frame a few ms.
    std::map<int, std::map<QString, double>> threadsBefore;
    for (int pid : all) threadsBefore[pid] = threadMs(pid);
    std::map<int, double> before;
    for (int pid : all) before[pid] = cpuMs(pid);
    idleFor(IdleMs);
    std::map<int, double> after;
    for (int pid : all) after[pid] = cpuMs(pid);
    double total = 0;
    std::vector<std::pair<double, int>> used;
    for (int pid : all) {
        const double ms = after[pid] - before[pid];
        total += ms;
        used.push_back({ms, pid});
    }
    std::sort(used.rbegin(), used.rend());
    r.idleCpuPercent = total / IdleMs * 100;
    std::printf("  idle CPU over %d s, %d s after the loads: %.3f %% of a core\n", IdleMs / 1000, SettleMs / 1000,
                r.idleCpuPercent);
    std::printf("  %8s %9s %8s  %s\n", "PID", "CPU ms", "%CPU", "process");
    for (const auto& [ms, pid] : used) {
        std::printf("  %8d %9.1f %8.3f  %s%s\n", pid, ms, ms / IdleMs * 100, qPrintable(processLabel(pid)),
                    pid == ::getpid() ? " (the frame)" : "");
        // What in the busier processes woke up (threads that ended in between are missing).
        if (ms < 3) continue;
        for (const auto& [thread, now] : threadMs(pid)) {
            const auto was = threadsBefore[pid].find(thread);
            const double ran = now - (was == threadsBefore[pid].end() ? 0 : was->second);
            if (ran >= 0.5) std::printf("  %8s %9.1f %8.3f    thread %s\n", "", ran, ran / IdleMs * 100, qPrintable(thread));
        }
    }
    std::fflush(stdout);
    closeAll(*form);
    return r;
}

void views(const Bench::Folder& folder, const FileServer& server, const std::vector<Bench::DocPage>& pages, int rounds) {
    std::printf("\n%d views per round at %dx%d, each opened once the last one painted; %d rounds per engine, "
                "taking turns\n",
                Views, ViewGeometry.width(), ViewGeometry.height(), rounds);
    {
        // Both engines up before the first round: a view's paint and the frame's gaps are
        // those of a running engine, not of its start.
        auto form = makeForm(folder);
        TViewWindow* warm[2];
        for (int e = 0; e < 2; ++e) warm[e] = openView(*form, e == 0, server.url(pages.back().file), ViewGeometry);
        if (!waitUntil([&] { return warm[0]->windowTitle().simplified() == pages.back().title &&
                                    warm[1]->windowTitle().simplified() == pages.back().title; },
                       Timeout))
            std::fprintf(stderr, "the engines never loaded a page\n");
        closeAll(*form);
    }
    std::vector<double> paint[2], uss[2], gap[2], cpu[2];
    for (int round = 0; round < rounds; ++round)
        for (int k = 0; k < 2; ++k) {
            const int e = (round + k) % 2;
            const Round r = viewsRound(folder, server, pages, e == 0, round);
            paint[e].insert(paint[e].end(), r.paintMs.begin(), r.paintMs.end());
            uss[e].push_back(r.ussPerViewMiB);
            gap[e].push_back(r.worstGapMs);
            cpu[e].push_back(r.idleCpuPercent);
        }
    const QString size = QStringLiteral("%1x%2").arg(ViewGeometry.width()).arg(ViewGeometry.height());
    auto pair = [](const QString& what, std::vector<double>* values, const char* unit, int decimals) {
        return QStringLiteral("%1; system %2, built-in %3")
            .arg(what, describe(spread(values[0]), unit, decimals), describe(spread(values[1]), unit, decimals));
    };

    const Spread paintSys = spread(paint[0]), paintOwn = spread(paint[1]);
    const QString paintHow = pair(QStringLiteral("new view (2nd to 10th, engine running) -> the page's header on the screen in "
                                                 "the view (screen read every 10 ms), %1 view, manual pages, local server")
                                      .arg(size),
                                  paint, "ms", 0);
    Bench::row(QStringLiteral("IE slot new view's first paint, system Chromium"), paintSys.median, "ms", paintHow,
               QStringLiteral("<= 1.5x built-in"));
    Bench::row(QStringLiteral("IE slot new view's first paint, built-in"), paintOwn.median, "ms", paintHow);
    Bench::row(QStringLiteral("IE slot new view's first paint, system Chromium / built-in"),
               paintSys.median / paintOwn.median, "x", QStringLiteral("the two medians above"), QStringLiteral("<= 1.5"));

    const Spread ussSys = spread(uss[0]), ussOwn = spread(uss[1]);
    const QString ussHow = pair(QStringLiteral("(USS with 10 views - USS with 1) / 9, USS = Private_Clean+Private_Dirty of the "
                                    "frame and the engine's processes (system: the browser and all it started) from "
                                    "smaps_rollup, %1 views, 3 s after the loads")
                                    .arg(size),
                                uss, "MiB", 1);
    Bench::row(QStringLiteral("IE slot USS per added view, system Chromium"), ussSys.median, "MiB", ussHow,
               QStringLiteral("<= 1.5x built-in"));
    Bench::row(QStringLiteral("IE slot USS per added view, built-in"), ussOwn.median, "MiB", ussHow);
    Bench::row(QStringLiteral("IE slot USS per added view, system Chromium / built-in"), ussSys.median / ussOwn.median,
               "x", QStringLiteral("the two medians above"), QStringLiteral("<= 1.5"));

    const QString cpuHow = pair(QStringLiteral("frame + all the engine's processes, CPU time (clock_getcpuclockid, = utime+stime) "
                                "over 10 s, 3 s after 10 views loaded; per-process breakdown in the log"),
                                cpu, "%", 3);
    Bench::row(QStringLiteral("IE slot idle CPU, 10 views, system Chromium"), spread(cpu[0]).median, "%", cpuHow,
               QStringLiteral("<= 0.2"));
    Bench::row(QStringLiteral("IE slot idle CPU, 10 views, built-in"), spread(cpu[1]).median, "%", cpuHow);

    const QString gapHow = pair(QStringLiteral("longest wait of a 5 ms timer on the frame's thread while 10 views open and load "
                                "(the benchmark's /proc reads left out, its screen reads in)"),
                                gap, "ms", 0);
    Bench::row(QStringLiteral("IE slot frame's longest gap, 10 pages loading, system Chromium"), spread(gap[0]).median,
               "ms", gapHow, QStringLiteral("<= 50"));
    Bench::row(QStringLiteral("IE slot frame's longest gap, 10 pages loading, built-in"), spread(gap[1]).median, "ms",
               gapHow, QStringLiteral("<= 50"));
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "ChromiumSlotBench needs an X display (bench/run starts one)\n");
        return 2;
    }
    QStringList what;
    for (int i = 1; i < argc; ++i) what << QString::fromLocal8Bit(argv[i]);
    if (what.isEmpty()) what = {QStringLiteral("start"), QStringLiteral("title"), QStringLiteral("views")};
    const double started = Bench::nowMs();

    // The real program, started from outside: before this process has a window of its own.
    if (what.contains(QStringLiteral("start"))) {
        const int runs = qEnvironmentVariableIntValue("TAVIX_BENCH_START_RUNS");
        const std::string command = "RUNS=" + std::to_string(runs > 0 ? runs : 5) + " python3 '" TAVIX_BENCH_SOURCE
                                    "/first_paint.py' --ie-engines 'Tavix=" TAVIX_PROGRAM "'";
        if (std::system(command.c_str()) != 0) std::fprintf(stderr, "first_paint.py --ie-engines failed\n");
        std::fflush(stdout);
    }

    // As the program's own main: Chromium refuses root with its sandbox, and foreign
    // windows in the MDI area need Qt Quick's software backend.
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QT_QUICK_BACKEND", "software", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    Blink::useOffTheRecordProfile();
    Blink::registerBuiltIn();
    Bench::Folder folder;
    Chromium::registerEngine(folder.path() + QStringLiteral("Chromium"), CLASS_BuiltInWebBrowser,
                             [] { return useSystemChromium; });
    if (!Chromium::installed()) std::fprintf(stderr, "no system Chromium: both columns are the built-in engine\n");
    const QString site = folder.path() + QStringLiteral("site");
    const std::vector<Bench::DocPage> pages = Bench::writeDocSite(site, 25);
    {
        FileServer server(site);
        if (what.contains(QStringLiteral("title"))) titles(folder, server, pages);
        if (what.contains(QStringLiteral("views"))) {
            const int rounds = qEnvironmentVariableIntValue("TAVIX_BENCH_ROUNDS");
            views(folder, server, pages, rounds > 0 ? rounds : 3);
        }
    }
    Chromium::shutdown();
    std::printf("ChromiumSlotBench: %.0f s\n", (Bench::nowMs() - started) / 1000);
    return 0;
}
