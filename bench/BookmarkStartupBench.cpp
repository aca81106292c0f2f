// Start-up with large and deep bookmark stores: for each store, a fresh process builds
// the main window and the bookmark editor as the program does at start-up, and reports
// the time from before the main window until the frame's event loop answers a posted
// event, and the process's peak resident memory. A process that crashes or runs past
// the time limit is reported as such.
//
//   BookmarkStartupBench [limit-seconds]    (default 120; offscreen unless QT_QPA_PLATFORM is set)
//   BookmarkStartupBench --child <program folder>    (one start-up, used by the above)

#include "BenchSupport.h"
#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/resource.h>

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

// Folders of 255 bookmarks, laid out as the writer lays them out, until `bytes` is reached.
std::string largeStore(std::size_t bytes) {
    std::string s = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<bookmark>";
    s.reserve(bytes + 4096);
    for (int f = 0; s.size() < bytes; ++f) {
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
    return 0;
}
