// Start-up with large and deep bookmark stores: for each store, a fresh process builds
// the main window and the bookmark editor as the program does at start-up, and reports
// the time from before the main window until the frame's event loop answers a posted
// event, and the process's peak resident memory. A process that crashes or runs past
// the time limit is reported as such.
//
// Then, for the store at capacity and a 50 MB store, the frame starts as the program
// starts it (the store after the first paint) and two figures are taken from the start of
// that step until the store stands in the menu, the J bar and the editor: how long the
// user interface thread was busy (not waiting in its event loop), and the worst lateness
// of a 10 ms timer, which is the longest the frame could not answer. "Before" is the
// frame waiting for the reading in that step, as a reading on the user interface thread
// did; "after" is the reading on its worker.
//
//   BookmarkStartupBench [limit-seconds]    (default 120; offscreen unless QT_QPA_PLATFORM is set)
//   BookmarkStartupBench --child <program folder>    (one start-up, used by the above)
//   BookmarkStartupBench --startup <program folder> before|after    (likewise)

#include "BenchSupport.h"
#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace {

// Folders nested `depth` deep, each holding its name, one bookmark and the next folder.
std::string deepStore(int depth) {
    std::string s = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>\n";
    s.reserve(static_cast<std::size_t>(depth) * 90);
    for (int i = 0; i < depth; ++i)
        s += "<directory><name>level " + std::to_string(i) + "</name><file><name>b</name><url>http://x/" +
             std::to_string(i) + "</url></file>";
    for (int i = 0; i < depth; ++i) s += "</directory>";
    s += "\n</bookmark>";
    return s;
}

// Folders of 255 bookmarks, laid out as the writer lays them out, until `bytes` is
// reached or there are `folders` of them.
std::string largeStore(std::size_t bytes, int folders = std::numeric_limits<int>::max()) {
    std::string s = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>";
    s.reserve(std::min<std::size_t>(bytes, static_cast<std::size_t>(folders) * 42000) + 4096);
    for (int f = 0; s.size() < bytes && f < folders; ++f) {
        s += "\n  <directory>\n    <name>folder " + std::to_string(f) + "</name>";
        for (int b = 0; b < 255; ++b)
            s += "\n      <file>\n        <name>page " + std::to_string(f) + "-" + std::to_string(b) +
                 " a typical title</name>\n        <url>https://www.example.jp/path/" + std::to_string(f) + "/" +
                 std::to_string(b) + "/index.html?q=a&amp;r=b</url>\n      </file>";
        s += "</directory>";
    }
    s += "\n</bookmark>";
    return s;
}

int child(int argc, char** argv, const QString& appPath) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    const double start = Bench::nowMs();
    auto* form = new TMainForm(appPath);
    new Tfrm_BMEdit(*form->BookMarks);
    const double built = Bench::nowMs();
    QTimer::singleShot(0, [&] {
        const double answered = Bench::nowMs();
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        std::printf("%.1f %.1f %.1f\n", built - start, answered - start, static_cast<double>(usage.ru_maxrss) / 1024.0);
        std::fflush(stdout);
        // The windows are left to the process's end: their teardown is not start-up.
        std::_Exit(0);
    });
    return app.exec();
}

// The store at capacity: 253 folders of 255 bookmarks, 64,515 entries.
std::string capacityStore() { return largeStore(std::string::npos, 253); }

// The application, timing the work of its thread: every outermost event delivery counts
// while the window is open. All work of the user interface thread (timers, posted calls,
// the worker's report, paints, input) arrives as an event.
class TimedApplication : public TavixApplication {
public:
    using TavixApplication::TavixApplication;
    double busy = 0;

    // Opens the window now, also in the middle of a delivery.
    void openWindow() {
        openedAt_ = Bench::nowMs();
        open_ = true;
    }

    bool notify(QObject* receiver, QEvent* event) override {
        const bool outermost = depth_++ == 0;
        const double start = Bench::nowMs();
        const bool result = TavixApplication::notify(receiver, event);
        if (outermost && open_) busy += Bench::nowMs() - std::max(start, openedAt_);
        --depth_;
        return result;
    }

private:
    int depth_ = 0;
    bool open_ = false;
    double openedAt_ = 0;
};

// One start-up in this process; prints the user interface thread's busy time and the
// timer's worst lateness (ms) from the store's step until the store is shown everywhere.
int startupChild(int argc, char** argv, const QString& appPath, bool before) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TimedApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    auto* form = new TMainForm(appPath, nullptr, TStartup::AfterFirstPaint);
    Tfrm_BMEdit* editor = nullptr;

    double lastTick = 0, worstLateness = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(10);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = Bench::nowMs();
        worstLateness = std::max(worstLateness, now - lastTick - 10);
        lastTick = now;
        if (!editor || !editor->treeBuilt() || form->BookMarks->loading()) return;
        std::printf("%.2f %.2f\n", app.busy, worstLateness);
        std::fflush(stdout);
        std::_Exit(0);
    });
    // The store's step follows in the same turn of the event loop, within the delivery
    // that is running now: the window opens before it.
    QObject::connect(form, &TMainForm::FirstPaint, [&] {
        lastTick = Bench::nowMs();
        app.openWindow();
        ticks.start();
    });
    QObject::connect(form, &TMainForm::StartupFinished, [&] {
        if (before) form->BookMarks->waitForLoad();
        editor = new Tfrm_BMEdit(*form->BookMarks);
    });
    return app.exec();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Start-ups of a store, the old way and the new, alternating; rows of the medians.
void runStartupCase(const QString& what, const std::string& store, int limitSeconds, const char* self) {
    Bench::Folder dir;
    dir.write(QStringLiteral("config.ini"), "[Option_Main]\r\nMozilla=0\r\n");
    dir.write(QStringLiteral("bookmark.xml"), QByteArray::fromStdString(store));
    constexpr int kRuns = 3;
    std::vector<double> busy[2], late[2];
    for (int run = 0; run < kRuns; ++run)
        for (int after = 0; after < 2; ++after) {
            QProcess process;
            process.start(QString::fromLocal8Bit(self), {QStringLiteral("--startup"), dir.path(),
                                                         after ? QStringLiteral("after") : QStringLiteral("before")});
            if (!process.waitForFinished(limitSeconds * 1000) || process.exitCode() != 0) {
                process.kill();
                process.waitForFinished();
                std::printf("%s: a start-up did not finish\n", qPrintable(what));
                return;
            }
            double b = 0, l = 0;
            std::sscanf(process.readAllStandardOutput().constData(), "%lf %lf", &b, &l);
            busy[after].push_back(b);
            late[after].push_back(l);
        }
    const QString how = QStringLiteral("median of %1 start-ups, %2 MB; from the step after the first paint until the "
                                       "store is in the menu, J bar and editor")
                            .arg(kRuns)
                            .arg(store.size() / 1048576.0, 0, 'f', 1);
    const QString waited = QStringLiteral(", the frame waiting for the reading (as reading on the UI thread)");
    Bench::row(what + QStringLiteral(": UI thread busy with the store, before"), median(busy[0]), "ms", how + waited);
    Bench::row(what + QStringLiteral(": UI thread busy with the store"), median(busy[1]), "ms",
               how + QStringLiteral(", read on a worker"), store.size() < (20u << 20) ? QStringLiteral("<= 150 ms") : QString());
    Bench::row(what + QStringLiteral(": longest unanswered, before"), median(late[0]), "ms",
               how + QStringLiteral("; worst lateness of a 10 ms timer") + waited);
    Bench::row(what + QStringLiteral(": longest unanswered"), median(late[1]), "ms",
               how + QStringLiteral("; worst lateness of a 10 ms timer, read on a worker"));
}

void runCase(const char* what, const std::string& store, int limitSeconds, const char* self) {
    Bench::Folder dir;
    dir.write(QStringLiteral("config.ini"), "[Option_Main]\r\nMozilla=0\r\n");
    if (!store.empty()) dir.write(QStringLiteral("bookmark.xml"), QByteArray::fromStdString(store));
    QProcess process;
    process.setProcessChannelMode(QProcess::SeparateChannels);
    process.start(QString::fromLocal8Bit(self), {QStringLiteral("--child"), dir.path()});
    const double t0 = Bench::nowMs();
    if (!process.waitForFinished(limitSeconds * 1000)) {
        process.kill();
        process.waitForFinished();
        std::printf("%-34s %10.1f MB   more than %d s (stopped)\n", what, store.size() / 1048576.0, limitSeconds);
        return;
    }
    const double wall = Bench::nowMs() - t0;
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        std::printf("%-34s %10.1f MB   crashed after %.1f s (%s)\n", what, store.size() / 1048576.0, wall / 1000,
                    process.exitStatus() == QProcess::CrashExit ? "signal" : "exit code");
        return;
    }
    double built = 0, answered = 0, peak = 0;
    std::sscanf(process.readAllStandardOutput().constData(), "%lf %lf %lf", &built, &answered, &peak);
    std::printf("%-34s %10.1f MB   windows built %9.1f ms   frame answers %9.1f ms   peak RSS %8.1f MB\n", what,
                store.size() / 1048576.0, built, answered, peak);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--child") == 0) return child(argc, argv, QString::fromLocal8Bit(argv[2]));
    if (argc > 3 && std::strcmp(argv[1], "--startup") == 0)
        return startupChild(argc, argv, QString::fromLocal8Bit(argv[2]), std::strcmp(argv[3], "before") == 0);
    QCoreApplication app(argc, argv);
    const int limit = argc > 1 ? std::max(1, std::atoi(argv[1])) : 120;
    std::printf("Start-up of main window and bookmark editor, one process per store (%s platform)\n",
                qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ? "offscreen" : qgetenv("QT_QPA_PLATFORM").constData());
    runCase("no store", {}, limit, argv[0]);
    for (int depth : {1000, 10000, 100000})
        runCase(("nesting " + std::to_string(depth) + " levels").c_str(), deepStore(depth), limit, argv[0]);
    for (int mb : {10, 50})
        runCase(("store of " + std::to_string(mb) + " MB").c_str(), largeStore(static_cast<std::size_t>(mb) << 20), limit,
                argv[0]);
    runStartupCase(QStringLiteral("bookmark start-up, store at capacity (64,515 entries)"), capacityStore(), limit, argv[0]);
    runStartupCase(QStringLiteral("bookmark start-up, 50 MB store"), largeStore(50u << 20), limit, argv[0]);
    return 0;
}
