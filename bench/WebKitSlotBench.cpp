// The Gecko slot against the Chromium slot in the real frame, on an X display with a
// window manager (run it through tests/e2e/webkit_e2e.sh): memory per added view, idle
// CPU with ten views, Enter → title on real documentation pages, and how long after a
// slowed page's last byte the progress bar returns to 0. Pages come from a file server
// in its own process (bench/page_server.py), so the frame's event loop never serves them.
//
//     WebKitSlotBench [memory|cpu|latency|progress ...]     (default: all four)
//
// TAVIX_BENCH_HOST names another host program (an older build, to compare).

#include "BenchSupport.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/blink/BlinkEngine.h"
#include "engines/webkit/WebKitEngine.h"
#include "views/ViewWindow.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMdiArea>
#include <QProcess>
#include <QProgressBar>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTest>
#include <QTimer>
#include <QEventLoop>
#include <algorithm>
#include <memory>
#include <vector>
#include <unistd.h>

namespace {

constexpr int Timeout = 60000;
const QString Docs = QStringLiteral("/usr/share/doc/valgrind/html");

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// bench/page_server.py in a process of its own.
class FileServer {
public:
    explicit FileServer(double delaySeconds = 0) {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        port_ = probe.serverPort();
        probe.close();
        QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
            while (process_.canReadLine()) {
                const QList<QByteArray> f = process_.readLine().trimmed().split(' ');
                if (f.value(0) == "ready") ready_ = true;
                if (f.value(0) == "sent") lastSent_ = f.value(1).toDouble() * 1000.0;
            }
        });
        process_.start(QStringLiteral("python3"), {QStringLiteral(TAVIX_BENCH_SOURCE "/page_server.py"), Docs,
                                                   QString::number(port_), QString::number(delaySeconds)});
        if (!QTest::qWaitFor([this] { return ready_; }, 10000)) std::fprintf(stderr, "no page server\n");
    }
    ~FileServer() {
        process_.kill();
        process_.waitForFinished();
    }
    int processId() const { return static_cast<int>(process_.processId()); }
    QString url(const QString& page) const { return QStringLiteral("http://127.0.0.1:%1/%2").arg(port_).arg(page); }
    // CLOCK_MONOTONIC in ms when the last response went out.
    double lastSentMs() const { return lastSent_; }

private:
    QProcess process_;
    quint16 port_ = 0;
    bool ready_ = false;
    double lastSent_ = 0;
};

struct Page {
    QString file;
    QString title;
};

// Documentation pages whose titles need no entity decoding, in a fixed order.
std::vector<Page> docPages(int count) {
    std::vector<Page> pages;
    const QRegularExpression titleRe(QStringLiteral("<title>([^<&]*)</title>"));
    for (const QString& name : QDir(Docs).entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        QFile f(Docs + QLatin1Char('/') + name);
        if (!f.open(QIODevice::ReadOnly)) continue;
        const auto match = titleRe.match(QString::fromUtf8(f.read(4096)));
        if (!match.hasMatch() || match.captured(1).trimmed().isEmpty()) continue;
        pages.push_back({name, match.captured(1).simplified()});
        if (static_cast<int>(pages.size()) == count) break;
    }
    return pages;
}

QList<int> treeOf(int root) {
    QList<int> tree;
    for (int pid : Bench::processTree()) tree << pid;
    // processTree walks from this process; keep the root's branch.
    QHash<int, int> parentOf;
    for (int pid : tree) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        parentOf[pid] = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toInt();
    }
    QList<int> branch{root};
    for (int i = 0; i < branch.size(); ++i)
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            if (it.value() == branch[i]) branch << it.key();
    return root ? branch : QList<int>();
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

// utime + stime in clock ticks.
long long cpuTicks(const QList<int>& pids) {
    long long ticks = 0;
    for (int pid : pids) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
        ticks += f.value(11).toLongLong() + f.value(12).toLongLong();
    }
    return ticks;
}

// Ticks per thread ("pid/comm/thread"), to tell what wakes up.
QHash<QString, long long> threadTicks(const QList<int>& pids) {
    QHash<QString, long long> ticks;
    for (int pid : pids) {
        QFile comm(QStringLiteral("/proc/%1/comm").arg(pid));
        const QString process = comm.open(QIODevice::ReadOnly) ? QString::fromUtf8(comm.readAll().trimmed()) : QString();
        for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            QFile stat(QStringLiteral("/proc/%1/task/%2/stat").arg(pid).arg(task));
            if (!stat.open(QIODevice::ReadOnly)) continue;
            const QByteArray text = stat.readAll();
            const QByteArray name = text.mid(text.indexOf('(') + 1, text.lastIndexOf(')') - text.indexOf('(') - 1);
            const QList<QByteArray> f = text.mid(text.lastIndexOf(')') + 2).split(' ');
            ticks[QStringLiteral("%1/%2/%3").arg(pid).arg(process, QString::fromUtf8(name))] +=
                f.value(11).toLongLong() + f.value(12).toLongLong();
        }
    }
    return ticks;
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
    form->IE_item->setChecked(!gecko);
    form->Moz_Item->setChecked(gecko);
    return form;
}

// Opens views on the pages in turn and waits until each has loaded once.
std::vector<TViewWindow*> openViews(TMainForm& form, const FileServer& server, const std::vector<Page>& pages, int n) {
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
        // As a user opens them: one after the other, each given the time to start.
        if (!QTest::qWaitFor([&] { return *loaded > i; }, Timeout)) std::fprintf(stderr, "view %d never loaded\n", i);
    }
    return windows;
}

void closeAll(TMainForm& form) {
    for (QMdiSubWindow* w : form.MDIChildren()) delete w;
    WebKit::shutdownHost();
    QTest::qWait(500);
}

QList<int> hostTree() { return treeOf(static_cast<int>(WebKit::hostProcessId())); }

// The program's processes: this one and everything it started but the page servers.
QList<int> wholeTree(const FileServer& server) {
    QList<int> tree = Bench::processTree();
    tree.removeAll(server.processId());
    return tree;
}

void memory(const Bench::Folder& folder, const FileServer& server, const std::vector<Page>& pages) {
    std::printf("\nMemory, Gecko views on documentation pages, after loading and 3 s settling\n"
                "(PSS and USS from /proc/PID/smaps_rollup; whole = shell + host + WebKit processes)\n");
    std::printf("%6s %10s %10s %10s %6s\n", "views", "whole PSS", "host PSS", "host USS", "procs");
    Usage base, baseWhole;
    for (int n : {1, 10, 30}) {
        auto form = makeForm(folder, true);
        openViews(*form, server, pages, n);
        QTest::qWait(3000);
        const Usage host = usageOf(hostTree());
        const Usage whole = usageOf(wholeTree(server));
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

void cpu(const Bench::Folder& folder, const FileServer& server, const std::vector<Page>& pages) {
    constexpr int IdleSeconds = 20;
    std::printf("\nIdle CPU with 10 loaded views, %d s after 5 s settling (utime+stime from /proc/PID/stat)\n",
                IdleSeconds);
    const double tick = static_cast<double>(::sysconf(_SC_CLK_TCK));
    for (bool gecko : {true, false}) {
        auto form = makeForm(folder, gecko);
        openViews(*form, server, pages, 10);
        form->MDIClient->tileSubWindows();
        QTest::qWait(5000);
        const QList<int> host = hostTree();
        const QList<int> all = wholeTree(server);
        const long long hostBefore = cpuTicks(host), allBefore = cpuTicks(all);
        const auto threadsBefore = threadTicks(all);
        idleFor(IdleSeconds * 1000);
        if (qEnvironmentVariableIsSet("TAVIX_BENCH_THREADS")) {
            const auto threadsAfter = threadTicks(all);
            for (auto it = threadsAfter.cbegin(); it != threadsAfter.cend(); ++it)
                if (it.value() > threadsBefore.value(it.key()))
                    std::printf("  %5lld ticks %s\n", it.value() - threadsBefore.value(it.key()), qPrintable(it.key()));
            // Threads that ended in between count only in their process's total.
            for (int pid : all) {
                const long long now = cpuTicks({pid});
                long long threads = 0;
                for (auto it = threadsBefore.cbegin(); it != threadsBefore.cend(); ++it)
                    if (it.key().startsWith(QString::number(pid) + QLatin1Char('/'))) threads += it.value();
                if (now > threads) std::printf("  process %d: %lld ticks since its threads were counted\n", pid, now - threads);
            }
        }
        const double hostPct = (cpuTicks(host) - hostBefore) / tick / IdleSeconds * 100;
        const double allPct = (cpuTicks(all) - allBefore) / tick / IdleSeconds * 100;
        std::printf("FIGURE idle_cpu_%s %.2f %% of a core (whole tree; host side %.2f %%)\n",
                    gecko ? "webkit" : "chromium", allPct, hostPct);
        std::fflush(stdout);
        closeAll(*form);
    }
}

// Enter in the address box → the view's caption shows the page's title.
void latency(const Bench::Folder& folder, const FileServer& server, const std::vector<Page>& pages) {
    // A dozen pages: the median was as steady over them as over twice as many, at half
    // the run time.
    constexpr std::size_t Timed = 12;
    std::printf("\nEnter → title on %zu documentation pages (median; first load of each engine not counted)\n",
                std::min(pages.size(), Timed));
    auto form = makeForm(folder, false);
    form->OpenViewWindow(QStringLiteral("cap"), server.url(pages.back().file));
    auto* chromium = qobject_cast<TViewWindow*>(form->MDIChildren().back());
    form->IE_item->setChecked(false);
    form->Moz_Item->setChecked(true);
    form->OpenViewWindow(QStringLiteral("cap"), server.url(pages.back().file));
    auto* webkit = qobject_cast<TViewWindow*>(form->MDIChildren().back());
    form->MDIClient->tileSubWindows();
    if (!QTest::qWaitFor([&] { return chromium->windowTitle().simplified() == pages.back().title &&
                                    webkit->windowTitle().simplified() == pages.back().title; },
                         Timeout))
        std::fprintf(stderr, "the first pages never loaded\n");
    std::vector<double> times[2];
    for (std::size_t p = 0; p < std::min(pages.size(), Timed); ++p) {
        const Page& page = pages[p];
        for (int e = 0; e < 2; ++e) {
            TViewWindow* w = e ? webkit : chromium;
            form->MDIClient->setActiveSubWindow(w);
            QTest::qWait(200);
            form->txtAddress->setFocus();
            form->txtAddress->setText(server.url(page.file));
            const double start = Bench::nowMs();
            QTest::keyClick(form->txtAddress, Qt::Key_Return);
            if (!QTest::qWaitFor([&] { return w->windowTitle().simplified() == page.title; }, Timeout))
                std::fprintf(stderr, "%s: no title %s\n", e ? "webkit" : "chromium", qPrintable(page.title));
            times[e].push_back(Bench::nowMs() - start);
            QTest::qWait(300);
        }
    }
    const double c = median(times[0]), k = median(times[1]);
    std::printf("FIGURE enter_to_title_chromium %.0f ms\nFIGURE enter_to_title_webkit %.0f ms (%.2f x chromium)\n", c, k,
                k / c);
    std::fflush(stdout);
    closeAll(*form);
}

// A server that holds every response back 0.4 s: how long after the last response the
// progress bar is back at 0.
void progress(const Bench::Folder& folder, const std::vector<Page>& pages) {
    FileServer slow(0.4);
    std::printf("\nProgress end on slowed loads (each response held 0.4 s): bar back at 0 minus the last response "
                "sent (median of %zu pages)\n",
                std::min<std::size_t>(pages.size(), 5));
    std::vector<double> lag[2];
    for (int e = 0; e < 2; ++e) {
        auto form = makeForm(folder, e == 1);
        form->OpenViewWindow(QStringLiteral("cap"), slow.url(pages.back().file));
        auto* w = qobject_cast<TViewWindow*>(form->MDIChildren().back());
        if (!QTest::qWaitFor([&] { return w->windowTitle().simplified() == pages.back().title; }, Timeout))
            std::fprintf(stderr, "the first page never loaded\n");
        QTest::qWait(1500);
        double zeroAt = 0;
        QObject::connect(form->ProgressBar1, &QProgressBar::valueChanged, [&](int v) {
            if (v == 0) zeroAt = Bench::nowMs();
        });
        for (std::size_t i = 0; i < std::min<std::size_t>(pages.size(), 5); ++i) {
            form->txtAddress->setText(slow.url(pages[i].file));
            zeroAt = 0;
            QTest::keyClick(form->txtAddress, Qt::Key_Return);
            if (!QTest::qWaitFor([&] { return w->windowTitle().simplified() == pages[i].title; }, Timeout))
                std::fprintf(stderr, "no title %s\n", qPrintable(pages[i].title));
            // Until everything has arrived and the bar has had its time to settle: back at
            // 0 after the last response and still there a second later (at most 4 s, as
            // the fixed wait this replaces; most pages settle in under 2).
            const double asked = Bench::nowMs();
            QTest::qWaitFor([&] {
                return zeroAt > slow.lastSentMs() && slow.lastSentMs() > asked && form->ProgressBar1->value() == 0 &&
                       Bench::nowMs() - zeroAt >= 1000;
            }, 4000);
            lag[e].push_back(zeroAt - slow.lastSentMs());
        }
        closeAll(*form);
    }
    std::printf("FIGURE progress_end_after_load_chromium %.0f ms\nFIGURE progress_end_after_load_webkit %.0f ms\n",
                median(lag[0]), median(lag[1]));
    std::fflush(stdout);
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
    if (what.isEmpty()) what = {QStringLiteral("memory"), QStringLiteral("cpu"), QStringLiteral("latency"), QStringLiteral("progress")};

    Bench::Folder folder;
    FileServer server;
    const std::vector<Page> pages = docPages(25);
    if (pages.size() < 10) {
        std::fprintf(stderr, "too few pages in %s\n", qPrintable(Docs));
        return 1;
    }
    if (what.contains(QStringLiteral("memory"))) memory(folder, server, pages);
    if (what.contains(QStringLiteral("cpu"))) cpu(folder, server, pages);
    if (what.contains(QStringLiteral("latency"))) latency(folder, server, pages);
    if (what.contains(QStringLiteral("progress"))) progress(folder, pages);
    return 0;
}
