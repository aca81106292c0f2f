// Deciding the engine of an address against 10,000 site rules, as the frame does for
// every window it opens and every top-frame navigation: through SiteRuleFile::engineFor
// on an unchanged file (a look at the file's identity, then hash lookups on the host and
// its parent domains). The rules mix hosts, hosts with subdomains and address starts;
// the addresses hit each kind and miss, on hosts of several depths.

#include "BenchSupport.h"
#include "settings/SiteRuleFile.h"

#include <QCoreApplication>
#include <QUrl>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Rules = 10000;
constexpr int Rounds = 15;
constexpr int PerRound = 2000;

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    Bench::Folder dir;
    QByteArray file = "; site rules for the benchmark\r\n";
    for (int i = 0; i < Rules; ++i) {
        const QByteArray n = QByteArray::number(i);
        const QByteArray engine = i % 2 ? "Gekko" : "Internet Explorer";
        switch (i % 3) {
        case 0: file += "site" + n + ".example.jp\t" + engine + "\r\n"; break;
        case 1: file += "*.zone" + n + ".example.com\t" + engine + "\r\n"; break;
        default: file += "https://app" + n + ".example.net/path/" + n + "/\t" + engine + "\r\n"; break;
        }
    }
    dir.write(QStringLiteral("SiteEngine.txt"), file);
    const SiteRuleFile rules(dir.path());

    const std::vector<QUrl> addresses = {
        QUrl(QStringLiteral("http://site9999.example.jp/index.html")),
        QUrl(QStringLiteral("https://a.b.c.zone9997.example.com/x?y=1")),
        QUrl(QStringLiteral("https://app9998.example.net/path/9998/page")),
        QUrl(QStringLiteral("https://app9998.example.net/other/")),
        QUrl(QStringLiteral("http://www.news.not-ruled.example.org/2026/12/09/story.html")),
        QUrl(QStringLiteral("https://日本語.example.jp/")),
    };
    int found = 0;
    for (const QUrl& url : addresses) found += rules.engineFor(url).has_value();  // the first reads the file
    if (found != 3) std::fprintf(stderr, "wrong answers: %d matched\n", found);

    std::vector<double> perDecision;
    for (int round = 0; round < Rounds; ++round) {
        const double start = Bench::nowMs();
        for (int i = 0; i < PerRound; ++i) (void)rules.engineFor(addresses[static_cast<std::size_t>(i) % addresses.size()]);
        perDecision.push_back((Bench::nowMs() - start) / PerRound);
    }
    // A file replaced before the decision (as the options window and the tab menu
    // replace it): read and indexed again.
    std::vector<double> afterChange;
    for (int i = 0; i < 5; ++i) {
        dir.write(QStringLiteral("SiteEngine.txt"), file + "changed" + QByteArray::number(i) + ".jp\tGekko\r\n");
        const double start = Bench::nowMs();
        if (!rules.engineFor(QUrl(QStringLiteral("http://changed%1.jp/").arg(i)))) std::fprintf(stderr, "a change was not seen\n");
        afterChange.push_back(Bench::nowMs() - start);
    }
    std::sort(afterChange.begin(), afterChange.end());
    std::sort(perDecision.begin(), perDecision.end());
    const double median = perDecision[perDecision.size() / 2];
    std::printf("site rule decision, %d rules: median %.5f ms, min %.5f, max %.5f (%d rounds of %d)\n", Rules, median,
                perDecision.front(), perDecision.back(), Rounds, PerRound);
    Bench::row(QStringLiteral("site rule decision, 10,000 rules"), median, "ms",
               QStringLiteral("SiteRuleFile::engineFor on an unchanged file, median of %1 rounds of %2 addresses "
                              "(min %3, max %4 ms)")
                   .arg(Rounds)
                   .arg(PerRound)
                   .arg(perDecision.front(), 0, 'f', 5)
                   .arg(perDecision.back(), 0, 'f', 5),
               QStringLiteral("<= 0.05 ms"));
    Bench::row(QStringLiteral("site rule decision, 10,000 rules, file just changed"), afterChange[afterChange.size() / 2],
               "ms",
               QStringLiteral("the same after the file was written anew, median of %1 (min %2, max %3 ms)")
                   .arg(afterChange.size())
                   .arg(afterChange.front(), 0, 'f', 2)
                   .arg(afterChange.back(), 0, 'f', 2));
    return 0;
}
