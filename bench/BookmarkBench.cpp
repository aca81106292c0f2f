// The bookmark store at its old capacity: 253 top-level folders of 255 bookmarks each
// (64,515 bookmarks). Times parsing, building the Bookmarks menu, building the J bar
// tree, building the editor's tree, the whole start-up cost of the store, opening the
// deepest submenu and expanding a folder, and saving, each as the best and the median
// of several runs, and reports the peak memory of the process.
//
//   BookmarkBench [runs]      (default 5; runs offscreen unless QT_QPA_PLATFORM is set)

#include "app/Main.h"
#include "bookmarks/BookMark.h"
#include "bookmarks/BookmarkModel.h"
#include "bookmarks/BookmarkStore.h"
#include "bookmarks/untBMB.h"
#include "platform/AtomicFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <sys/resource.h>
#include <ctime>
#include <vector>

namespace {

constexpr int kFolders = 253;
constexpr int kPerFolder = 255;

std::vector<BookmarkStore::Node> capacityTree() {
    std::vector<BookmarkStore::Node> top;
    top.reserve(kFolders);
    for (int f = 0; f < kFolders; ++f) {
        BookmarkStore::Node folder{QStringLiteral("フォルダ %1 & more").arg(f), BookmarkStore::folderMarker(), {}};
        folder.children.reserve(kPerFolder);
        for (int b = 0; b < kPerFolder; ++b)
            folder.children.push_back({QStringLiteral("ページ %1-%2 — a typical title").arg(f).arg(b),
                                       QStringLiteral("https://www.example.jp/path/%1/%2/index.html?q=a&r=b").arg(f).arg(b),
                                       {}});
        top.push_back(std::move(folder));
    }
    return top;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// `prepare` runs before each timed step, outside the time. Wall time and the CPU time
// of the thread: on a shared machine the second is the steadier figure.
void measure(const char* what, int runs, const std::function<void()>& step, const std::function<void()>& prepare = {}) {
    std::vector<double> ms;
    std::vector<double> cpu;
    for (int i = 0; i < runs; ++i) {
        if (prepare) prepare();
        QElapsedTimer timer;
        const double cpu0 = threadCpuMs();
        timer.start();
        step();
        ms.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpu0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(cpu.begin(), cpu.end());
    std::printf("%-56s wall best %8.1f ms  median %8.1f ms   CPU best %8.1f ms\n", what, ms.front(), ms[ms.size() / 2],
                cpu.front());
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir dir;
    const QString appPath = dir.path() + QStringLiteral("/");
    const std::vector<BookmarkStore::Node> tree = capacityTree();

    // The main window starts on an empty folder; the store comes afterwards. With a
    // settings file, so that no first-start options window waits for an answer.
    {
        QFile config(appPath + QStringLiteral("config.ini"));
        if (config.open(QIODevice::WriteOnly)) config.write("[Option_Main]\r\nMozilla=0\r\n");
    }
    TMainForm form(appPath);

    measure("save (WriteBookMarkFile)", runs, [&] { BookmarkStore::WriteBookMarkFile(appPath, tree); });
    const qint64 bytes = QFileInfo(BookmarkStore::storePath(appPath)).size();
    std::printf("store: %d folders x %d bookmarks, %lld bytes\n", kFolders, kPerFolder, static_cast<long long>(bytes));

    measure("parse (read + reading rule)", runs, [&] {
        const auto result = BookmarkStore::read(appPath);
        if (result.entries.size() != kFolders) std::abort();
    });
    measure("read the store once (BookmarkModel::load, menu and tree)", runs, [&] {
        form.BookMarks->load();
        form.BookMarks->waitForLoad();
    });
    measure("build menu (BookMarkMenuRead)", runs, [&] { form.BookMarkMenuRead(); });
    measure("build tree (BookMarkTreeRead)", runs, [&] { form.BookMarkTreeRead(); });
    if (form.controls().TreeView1->topLevelItemCount() != kFolders) std::abort();
    measure("editor tree (FormCreate)", runs, [&] { Tfrm_BMEdit editor(*form.BookMarks); });
    {
        std::unique_ptr<Tfrm_BMEdit> started;
        measure("start-up cost of the store (read, menu, J bar, editor)", runs, [&] {
            form.BookMarks->load();
            form.BookMarks->waitForLoad();
            started = std::make_unique<Tfrm_BMEdit>(*form.BookMarks);
        }, [&] { started.reset(); });
    }
    // The deepest submenu at capacity is a folder of 255 bookmarks; it is built when it
    // is about to show (a no-op where everything was built at start-up).
    QMenu* deepest = nullptr;
    measure("open the deepest submenu", runs, [&] {
        emit deepest->aboutToShow();
        if (deepest->actions().size() != kPerFolder) std::abort();
    }, [&] {
        form.BookMarkMenuRead();
        deepest = form.controls().mnuBookMark->actions().back()->menu();
    });
    measure("expand a J bar folder", runs, [&] {
        form.controls().TreeView1->topLevelItem(kFolders - 1)->setExpanded(true);
        if (form.controls().TreeView1->topLevelItem(kFolders - 1)->childCount() != kPerFolder) std::abort();
    }, [&] { form.BookMarkTreeRead(); });
    Tfrm_BMEdit editor(*form.BookMarks);
    measure("save from the editor (OK)", runs, [&] { BookmarkStore::WriteBookMarkFile(appPath, editor.nodes()); });

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak resident memory: %.1f MB\n", static_cast<double>(usage.ru_maxrss) / 1024.0);
    return 0;
}
