// The Gecko slot's costs: time from New to the first page loaded in a WebKit view, and
// the memory of the host with WebKit's own processes for 1 and 10 views (50 too when
// asked), against one host process per view. Needs an X display (run it under Xvfb);
// pages are local files. The default run stays within bench/run's 90 s a program.
//
//     WebKitBench [runs] [50]

#include "BenchSupport.h"
#include "app/Main.h"
#include "engines/EngineControls.h"
#include "engines/webkit/HostProtocol.h"
#include "engines/webkit/WebKitEngine.h"
#include "views/ViewWindow.h"

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int Timeout = 60000;

QString pageUrl(const Bench::Folder& folder) {
    return QUrl::fromLocalFile(folder.path() + QStringLiteral("page.html")).toString();
}

// host and WebKit processes: everything under this process but this process.
long hostSideKiB() {
    const Bench::Memory m = Bench::memoryOfTree();
    return m.totalKiB - m.shellKiB;
}

void timeNew(const Bench::Folder& folder, int runs) {
    folder.write("config.ini", "[General]\r\nLastEngine=Gecko\r\n[Option_Main]\r\nMozilla=2\r\n");
    folder.write("CloseURL.txt", "");
    TMainForm form(folder.path());
    form.resize(1000, 700);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) std::fprintf(stderr, "the frame never showed\n");
    std::vector<double> cold, warm;
    for (int run = 0; run < runs; ++run) {
        for (bool coldStart : {true, false}) {
            if (coldStart) WebKit::shutdownHost();
            bool loaded = false;
            const double start = Bench::nowMs();
            // What the New command does, with this page instead of the blank one.
            form.OpenViewWindow(QStringLiteral("Gecko"), pageUrl(folder));
            auto* window = qobject_cast<TViewWindow*>(form.MDIChildren().back());
            QObject::connect(&window->control()->events(), &DWebBrowserEvents2::DocumentComplete,
                             [&](IDispatch*, const Variant&) { loaded = true; });
            if (!waitUntil([&] { return loaded; }, Timeout)) std::fprintf(stderr, "no page loaded\n");
            (coldStart ? cold : warm).push_back(Bench::nowMs() - start);
        }
        for (QMdiSubWindow* w : form.MDIChildren()) delete w;
    }
    WebKit::shutdownHost();
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf("New to first page loaded: host not running %.0f ms, host running %.0f ms (median of %d)\n",
                median(cold), median(warm), runs);
    Bench::row(QStringLiteral("Gecko: New to first page loaded, host not running"), median(cold), "ms",
               QStringLiteral("OpenViewWindow to DocumentComplete on a local page, median of %1").arg(runs));
    Bench::row(QStringLiteral("Gecko: New to first page loaded, host running"), median(warm), "ms",
               QStringLiteral("OpenViewWindow to DocumentComplete on a local page, median of %1").arg(runs));
}

long sharedHost(const Bench::Folder& folder, int views) {
    QWidget top;
    top.resize(800, 600);
    top.show();
    std::vector<std::unique_ptr<TMozillaBrowser>> controls;
    int loaded = 0;
    for (int i = 0; i < views; ++i) {
        auto control = std::make_unique<TMozillaBrowser>(&top);
        control->setGeometry(0, 0, 800, 600);
        control->show();
        QObject::connect(&control->events(), &DWebBrowserEvents2::DocumentComplete,
                         [&](IDispatch*, const Variant&) { ++loaded; });
        control->Navigate(pageUrl(folder));
        controls.push_back(std::move(control));
    }
    if (!waitUntil([&] { return loaded >= views; }, Timeout * 2)) std::fprintf(stderr, "%d of %d loaded\n", loaded, views);
    QTest::qWait(2000);
    const long kib = hostSideKiB();
    controls.clear();
    WebKit::shutdownHost();
    return kib;
}

// The same pages, each in a host process of its own, driven straight over its pipe.
long hostPerView(const Bench::Folder& folder, int views) {
    QWidget top;
    top.resize(800, 600);
    top.show();
    std::vector<std::unique_ptr<QProcess>> hosts;
    int loaded = 0;
    for (int i = 0; i < views; ++i) {
        auto host = std::make_unique<QProcess>();
        host->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QObject::connect(host.get(), &QProcess::readyReadStandardOutput, [&loaded, h = host.get()] {
            while (h->canReadLine())
                if (h->readLine().startsWith("loading 1 0")) ++loaded;
        });
        host->start(WebKit::hostProgram(), {});
        for (const HostProtocol::Message& m :
             {HostProtocol::Message{"create", 1, {"800", "600"}}, HostProtocol::Message{"show", 1, {}},
              HostProtocol::Message{"navigate", 1, {pageUrl(folder).toStdString()}}})
            host->write(QByteArray::fromStdString(HostProtocol::encode(m)));
        hosts.push_back(std::move(host));
    }
    if (!waitUntil([&] { return loaded >= views; }, Timeout * 2)) std::fprintf(stderr, "%d of %d loaded\n", loaded, views);
    QTest::qWait(2000);
    const long kib = hostSideKiB();
    for (auto& host : hosts) {
        host->closeWriteChannel();
        if (!host->waitForFinished(5000)) host->kill();
    }
    return kib;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    WebKit::setHostProgram(QStringLiteral(TAVIX_WEBKIT_HOST));
    WebKit::registerEngine();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    std::vector<int> viewCounts{1, 10};
    if (argc > 2 && std::atoi(argv[2]) > 10) viewCounts.push_back(std::atoi(argv[2]));
    Bench::Folder folder;
    QByteArray page = "<!DOCTYPE html><html><head><meta charset=utf-8><title>ベンチ</title></head><body>";
    for (int i = 0; i < 200; ++i) page += "<p>日本語の段落 " + QByteArray::number(i) + " <a href='#'>link</a></p>";
    folder.write("page.html", page + "</body></html>");

    timeNew(folder, runs);
    std::printf("PSS of host and WebKit processes (MiB):\n%6s %12s %14s\n", "views", "one host", "host per view");
    long sharedOne = 0;
    for (int views : viewCounts) {
        const long shared = sharedHost(folder, views);
        const long separate = hostPerView(folder, views);
        std::printf("%6d %12.1f %14.1f\n", views, shared / 1024.0, separate / 1024.0);
        std::fflush(stdout);
        if (views == 1) sharedOne = shared;
        else
            Bench::row(QStringLiteral("Gecko: host side PSS per added view, %1 views").arg(views),
                       (shared - sharedOne) / 1024.0 / (views - 1), "MiB",
                       QStringLiteral("host + WebKit processes, one host (one host per view: %1 MiB in all)")
                           .arg(separate / 1024.0, 0, 'f', 0));
    }
    return 0;
}
