// The reference: a bare Qt Widgets program with a QMdiArea and one QWebEngineView per
// page, nothing else. The benchmarks run it next to Tavix on the same pages, so that
// start-up and per-page figures come as ratios from one run.
//
//   ref <address-file> <width> <height>
// Shows its window at width x height, prints the time from the start of main() to its
// first painted window (and that moment on the monotonic clock), then (when the file names addresses) opens one view per address,
// one per event-loop turn, and prints the same figures WebListBench takes for Tavix:
// the time until every view's title is the page's, the longest gap between two ticks
// of a 5 ms timer meanwhile, and the memory (PSS) per added view. Each page's title is
// the expected one given after a tab on its line: "address<TAB>title". Each view's
// window has the size the program's own page windows open with, cascaded as the area
// places them.
//
//   ref --open <address> <width> <height>
// Opens the address at start, in one view maximized in the area, and prints the moment
// its load finished on the monotonic clock ("page-loaded-monotonic-ms"). It stays until
// it is ended (or a minute has passed): whoever started it watches the screen for the page.

#include <algorithm>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTimer>
#include <QWebEngineView>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <unistd.h>

namespace {

QElapsedTimer clock_;

// The size the program's page windows open with.
constexpr int ListWindowWidth = 427, ListWindowHeight = 303;

// Its own copy of the benchmarks' process walk (BenchSupport.h), deliberately: ref links
// nothing of the program's, so its figures carry none of our code.
long pssOfTree() {
    QHash<int, int> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        parentOf[pid] = text.mid(text.lastIndexOf(')') + 2).split(' ').value(1).toInt();
    }
    QList<int> tree{static_cast<int>(::getpid())};
    for (int i = 0; i < tree.size(); ++i)
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            if (it.value() == tree[i]) tree << it.key();
    long total = 0;
    for (int pid : tree) {
        QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
        if (!f.open(QIODevice::ReadOnly)) continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("Pss:")) total += line.mid(4).trimmed().split(' ').value(0).toLong();
    }
    return total;
}

// The monotonic clock, which the process that started this one shares: its time from
// exec, the program loader included.
double monotonicMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

class Window : public QMdiArea {
public:
    bool painted = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        QMdiArea::paintEvent(event);
        if (!painted) {
            painted = true;
            std::printf("first-paint-ms %.1f\n", clock_.nsecsElapsed() / 1e6);
            std::printf("first-paint-monotonic-ms %.3f\n", monotonicMs());
            std::fflush(stdout);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    clock_.start();
    if (::geteuid() == 0) ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const bool openOne = argc == 5 && QByteArray(argv[1]) == "--open";
    if (argc != 4 && !openOne) {
        std::fprintf(stderr, "usage: ref <address-file> <width> <height>\n       ref --open <address> <width> <height>\n");
        return 2;
    }
    if (openOne) ++argv;
    QList<QPair<QString, QString>> pages;
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!openOne && list.open(QIODevice::ReadOnly))
        for (const QByteArray& line : list.readAll().split('\n'))
            if (const QList<QByteArray> f = line.trimmed().split('\t'); f.size() == 2)
                pages.append({QString::fromUtf8(f[0]), QString::fromUtf8(f[1])});

    Window area;
    area.resize(QString::fromLatin1(argv[2]).toInt(), QString::fromLatin1(argv[3]).toInt());
    area.move(0, 0);

    if (openOne) {
        // As soon as it can: the view is made and its load started before the window is
        // shown, which then comes up once, already fit for the view's drawing.
        auto* view = new QWebEngineView;
        QObject::connect(view, &QWebEngineView::loadFinished, [](bool) {
            std::printf("page-loaded-monotonic-ms %.3f\n", monotonicMs());
            std::fflush(stdout);
        });
        area.addSubWindow(view)->showMaximized();
        view->load(QUrl(QString::fromLocal8Bit(argv[1])));
        area.show();
        QTimer::singleShot(60000, &app, &QApplication::quit);
        const int rc = app.exec();
        qDeleteAll(area.subWindowList());
        return rc;
    }
    area.show();

    QList<QWebEngineView*> views;
    // When each page's own title came, from the start of the opening.
    QList<double> arrivals;
    double start = 0, afterFirstKiB = 0;
    double lastTick = 0, maxGap = 0;
    int loaded = 0;
    QTimer ticks;
    ticks.setTimerType(Qt::PreciseTimer);
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const double now = clock_.nsecsElapsed() / 1e6;
        maxGap = std::max(maxGap, now - lastTick);
        lastTick = now;
        while (loaded < views.size() && views[loaded]->title() == pages[loaded].second) {
            if (++loaded == 1) afterFirstKiB = pssOfTree();
        }
        if (loaded < pages.size()) return;
        ticks.stop();
        std::printf("all-titles-ms %.1f\nmax-block-ms %.1f\n", now - start, maxGap);
        std::sort(arrivals.begin(), arrivals.end());
        double longestWait = 0;
        for (qsizetype i = 1; i < arrivals.size(); ++i) longestWait = std::max(longestWait, arrivals[i] - arrivals[i - 1]);
        std::printf("first-title-ms %.1f\nlongest-title-wait-ms %.1f\n", arrivals.value(0, -1), longestWait);
        // How the titles spread over the opening: when a tenth, half and nine tenths had come.
        const auto share = [&](double part) {
            const auto at = static_cast<qsizetype>(std::ceil(part * arrivals.size())) - 1;
            return arrivals.isEmpty() ? -1.0 : arrivals[std::clamp<qsizetype>(at, 0, arrivals.size() - 1)];
        };
        std::printf("tenth-titles-ms %.1f\nhalf-titles-ms %.1f\nnine-tenths-titles-ms %.1f\n", share(0.1), share(0.5),
                    share(0.9));
        QTimer::singleShot(2000, [&] {
            const long settled = pssOfTree();
            std::printf("pss-settled-kib %ld\nmib-per-added-view %.2f\n", settled,
                        pages.size() > 1 ? (settled - afterFirstKiB) / 1024.0 / (pages.size() - 1) : 0.0);
            std::fflush(stdout);
            app.quit();
        });
    });
    std::function<void()> openNext = [&] {
        if (views.size() == pages.size()) {
            std::printf("all-open-ms %.1f\n", clock_.nsecsElapsed() / 1e6 - start);
            return;
        }
        auto* view = new QWebEngineView;
        views << view;
        const QString expected = pages[views.size() - 1].second;
        QObject::connect(view, &QWebEngineView::titleChanged, view, [&, expected, seen = false](const QString& t) mutable {
            if (seen || t != expected) return;
            seen = true;
            arrivals << clock_.nsecsElapsed() / 1e6 - start;
        });
        QMdiSubWindow* window = area.addSubWindow(view);
        // A browser's window shows its page: without a size of its own the view would
        // have no area, and its page would never be drawn.
        window->resize(ListWindowWidth, ListWindowHeight);
        view->load(QUrl(pages[views.size() - 1].first));
        window->show();
        QTimer::singleShot(0, openNext);
    };
    if (pages.isEmpty()) {
        QTimer::singleShot(1000, &app, &QApplication::quit);
    } else {
        // Opening starts a second after the first paint, as a user's click would.
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(1000, [&] {
                start = lastTick = clock_.nsecsElapsed() / 1e6;
                ticks.start();
                openNext();
            });
        });
    }
    const int rc = app.exec();
    qDeleteAll(area.subWindowList());
    return rc;
}
