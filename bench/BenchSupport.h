#pragma once
// What the benchmarks share: a clock, a program folder of their own, and the memory of
// this process together with every process it started (Chromium's among them).

#include "EventWait.h"
#include "platform/ErrorBox.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace Bench {

inline double nowMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// A temporary program folder; path() ends in "/".
class Folder {
public:
    QString path() const { return dir_.path() + QStringLiteral("/"); }
    void write(const QString& name, const QByteArray& bytes) const {
        QFile f(path() + name);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
    }

private:
    QTemporaryDir dir_;
};

// Errors go to the terminal: a modal box would stop the run.
inline void reportErrorsOnTerminal() {
    ErrorBox::setPresenter([](const QString& m) { std::fprintf(stderr, "error: %s\n", qPrintable(m)); });
}

// Proportional set size in KiB of one process, from smaps_rollup; 0 if it is gone.
inline long pssKiB(int pid) {
    QFile f(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("Pss:")) return line.mid(4).trimmed().split(' ').value(0).toLong();
    return 0;
}

// A process (this one by default) and all its descendants.
inline QList<int> processTree(int root = static_cast<int>(::getpid())) {
    QHash<int, int> parentOf;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool numeric = false;
        const int pid = entry.toInt(&numeric);
        if (!numeric) continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QByteArray text = stat.readAll();
        // "pid (name) state ppid ...": the name may hold spaces, so read after the ')'.
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        parentOf[pid] = fields.value(1).toInt();
    }
    QList<int> tree{root};
    for (int i = 0; i < tree.size(); ++i)
        for (auto it = parentOf.cbegin(); it != parentOf.cend(); ++it)
            if (it.value() == tree[i]) tree << it.key();
    return tree;
}

struct Memory {
    long totalKiB = 0;
    long shellKiB = 0;
    int processes = 0;
};

// `except`: processes to leave out with everything they started (a page server the
// benchmark runs itself, say).
inline Memory memoryOfTree(const QList<int>& except = {}) {
    Memory m;
    QList<int> tree = processTree();
    for (int root : except)
        for (int pid : processTree(root)) tree.removeAll(pid);
    for (int pid : tree) {
        const long pss = pssKiB(pid);
        m.totalKiB += pss;
        if (pid == ::getpid()) m.shellKiB = pss;
        ++m.processes;
    }
    return m;
}

// One row of bench/run's table: the figure, its value, the unit, how it was measured and
// the goal it is held against (may be empty). bench/run collects every line that starts
// with "BENCH" and a tab from every bench program's output; the rest is only logged.
inline void row(const QString& figure, double value, const char* unit, const QString& how,
                const QString& goal = {}) {
    std::printf("BENCH\t%s\t%.3g\t%s\t%s\t%s\n", qPrintable(figure), value, unit, qPrintable(how),
                qPrintable(goal));
    std::fflush(stdout);
}

// A figure that could not be taken: "-" in the table, and why in place of how.
inline void missing(const QString& figure, const char* unit, const QString& why, const QString& goal = {}) {
    std::printf("BENCH\t%s\t-\t%s\t%s\t%s\n", qPrintable(figure), unit, qPrintable(why), qPrintable(goal));
    std::fflush(stdout);
}

// Median with min-max and n, for the "how measured" text.
struct Spread {
    double median = 0, min = 0, max = 0;
    int n = 0;
};

inline Spread spread(std::vector<double> v) {
    Spread s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.n = static_cast<int>(v.size());
    s.min = v.front();
    s.max = v.back();
    s.median = s.n % 2 ? v[s.n / 2] : (v[s.n / 2 - 1] + v[s.n / 2]) / 2;
    return s;
}

inline QString describe(const Spread& s, const char* unit, int decimals = 0) {
    return QStringLiteral("%1 %4 (%2-%3, n=%5)")
        .arg(s.median, 0, 'f', decimals)
        .arg(s.min, 0, 'f', decimals)
        .arg(s.max, 0, 'f', decimals)
        .arg(QLatin1String(unit))
        .arg(s.n);
}

// The machine's load while measuring, for the "how measured" text.
inline QString loadAverage() {
    QFile f(QStringLiteral("/proc/loadavg"));
    if (!f.open(QIODevice::ReadOnly)) return QStringLiteral("load unknown");
    const QList<QByteArray> fields = f.readAll().split(' ');
    return QStringLiteral("load average %1").arg(QString::fromLatin1(fields.value(0)));
}

}  // namespace Bench
