// The popup filter against a list of 100,000 addresses, through the frame's IsCloseURL:
// an unchanged list (answered from the parsed copy after a check of the file's inode,
// size and time), a list changed before every popup (read and parsed again), and, as
// "before", the whole list read and decoded for every popup as it used to be, and the
// re-read as it was parsed before (a set of strings, one allocation per line).

#include "BenchSupport.h"
#include "app/Main.h"
#include "settings/CloseUrlList.h"

#include "platform/AtomicFile.h"

#include <QFile>
#include <cstdio>
#include <string>
#include <sys/stat.h>
#include <unordered_set>

namespace {

constexpr int Lines = 100000;
constexpr int Checks = 200;
constexpr int Rereads = 10;

// The previous parse of a changed list: every line a string of its own in a node set.
bool previousReread(const QString& path, const std::string& line) {
    const std::string bytes = AtomicFile::read(path);
    std::unordered_set<std::string> set;
    std::size_t start = 0, i = 0;
    while (i < bytes.size()) {
        const char c = bytes[i];
        if (c == '\r' || c == '\n') {
            set.emplace(bytes.substr(start, i - start));
            i += (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < bytes.size()) set.emplace(bytes.substr(start));
    return set.count(line) != 0;
}

const QString NotListed = QStringLiteral("http://news.example.jp/");

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    TavixApplication app(argc, argv);
    Bench::reportErrorsOnTerminal();
    Bench::Folder dir;
    QByteArray list;
    for (int i = 0; i < Lines; ++i) list += "http://ads" + QByteArray::number(i % 97) + ".example.jp/banner/" +
                                            QByteArray::number(i) + "?size=468x60\r\n";
    dir.write(QStringLiteral("CloseURL.txt"), list);
    dir.write(QStringLiteral("config.ini"), "[Option_advertisemen]\r\nCloseURL=1\r\n");
    TMainForm form(dir.path());
    const QString last = QStringLiteral("http://ads%1.example.jp/banner/%2?size=468x60").arg((Lines - 1) % 97).arg(Lines - 1);
    if (!form.IsCloseURL(last) || form.IsCloseURL(NotListed)) std::fprintf(stderr, "wrong answers\n");

    // Before: every popup read and decoded the whole list.
    double start = Bench::nowMs();
    for (int i = 0; i < 5; ++i) (void)CloseUrlList(dir.path()).readAll().lines.contains(NotListed);
    const double before = (Bench::nowMs() - start) / 5;

    start = Bench::nowMs();
    for (int i = 0; i < Checks; ++i) (void)form.IsCloseURL(NotListed);
    const double unchanged = (Bench::nowMs() - start) / Checks;

    // Changed before each popup: the file is replaced (a new inode, as every writer of
    // it does); only the check is timed.
    double changed = 0, previous = 0;
    for (int i = 0; i < Rereads; ++i) {
        dir.write(QStringLiteral("CloseURL.txt.new"), list + "http://new" + QByteArray::number(i) + "/\r\n");
        QFile::remove(dir.path() + QStringLiteral("CloseURL.txt"));
        QFile::rename(dir.path() + QStringLiteral("CloseURL.txt.new"), dir.path() + QStringLiteral("CloseURL.txt"));
        start = Bench::nowMs();
        const bool found = form.IsCloseURL(QStringLiteral("http://new%1/").arg(i));
        changed += Bench::nowMs() - start;
        if (!found) std::fprintf(stderr, "a changed list was not seen\n");
        // Interleaved with the new one, so that both see the same load.
        start = Bench::nowMs();
        if (!previousReread(dir.path() + QStringLiteral("CloseURL.txt"), "http://new" + std::to_string(i) + "/"))
            std::fprintf(stderr, "the previous parse missed the line\n");
        previous += Bench::nowMs() - start;
    }
    changed /= Rereads;
    previous /= Rereads;

    std::printf("IsCloseURL, %d lines (%lld bytes)\n", Lines, static_cast<long long>(list.size()));
    std::printf("  before (whole list read per popup): %8.3f ms per check\n", before);
    std::printf("  unchanged list:                     %8.4f ms per check (%d checks)\n", unchanged, Checks);
    std::printf("  list changed before each popup:     %8.3f ms per check (%d checks)\n", changed, Rereads);
    std::printf("  the same, parsed as before:         %8.3f ms per check\n", previous);
    const QString how = QStringLiteral("TMainForm::IsCloseURL, 100,000-line CloseURL.txt (%1 MB), address not listed")
                            .arg(list.size() / 1e6, 0, 'f', 1);
    QString changedHow = how;
    changedHow.replace(QStringLiteral("address not listed"),
                       QStringLiteral("file replaced before each check, address its new last line"));
    Bench::row(QStringLiteral("popup list check, before"), before, "ms", how + QStringLiteral(", whole list read and decoded"));
    Bench::row(QStringLiteral("popup list check, list unchanged"), unchanged, "ms", how, QStringLiteral("<= 0.5 ms"));
    Bench::row(QStringLiteral("popup list check, list changed, before"), previous, "ms",
               changedHow + QStringLiteral(", parsed into a set of strings"));
    Bench::row(QStringLiteral("popup list check, list changed"), changed, "ms",
               changedHow, QStringLiteral("<= 60 ms"));
    return 0;
}
