// The popup filter against a list of 100,000 addresses: the whole file is read and
// compared for every popup.

#include "BenchSupport.h"
#include "app/Main.h"

#include <cstdio>

namespace {

constexpr int Lines = 100000;
constexpr int Checks = 20;

double msPerCheck(TMainForm& form, const QString& address, bool expected) {
    const double start = Bench::nowMs();
    for (int i = 0; i < Checks; ++i)
        if (form.IsCloseURL(address) != expected) std::fprintf(stderr, "unexpected result for %s\n", qPrintable(address));
    return (Bench::nowMs() - start) / Checks;
}

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
    const QString first = QStringLiteral("http://ads0.example.jp/banner/0?size=468x60");
    const QString last = QStringLiteral("http://ads%1.example.jp/banner/%2?size=468x60").arg((Lines - 1) % 97).arg(Lines - 1);
    form.IsCloseURL(first);   // warm the file cache

    std::printf("IsCloseURL, %d lines (%lld bytes), %d checks each\n", Lines, static_cast<long long>(list.size()),
                Checks);
    std::printf("  address on the first line: %7.2f ms per check\n", msPerCheck(form, first, true));
    std::printf("  address on the last line:  %7.2f ms per check\n", msPerCheck(form, last, true));
    std::printf("  address not listed:        %7.2f ms per check\n",
                msPerCheck(form, QStringLiteral("http://news.example.jp/"), false));
    dir.write(QStringLiteral("config.ini"), "[Option_advertisemen]\r\nCloseURL=0\r\n");
    std::printf("  filter off:                %7.4f ms per check\n",
                msPerCheck(form, QStringLiteral("http://news.example.jp/"), false));
    return 0;
}
