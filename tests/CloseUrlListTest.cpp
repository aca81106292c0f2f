// The popup filter's checks against a list kept parsed between popups: it must answer
// exactly as reading the whole list would, and see every change from the next check.

#include "TestSupport.h"
#include "platform/CodePage.h"
#include "platform/Errors.h"
#include "settings/CloseUrlList.h"

#include <QFile>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

class AnsiCharset {
public:
    explicit AnsiCharset(const std::string& name) { CodePage::overrideAnsiName(name); }
    ~AnsiCharset() { CodePage::overrideAnsiName(""); }
};

// Whether reading the whole list, line by line, finds the address: the answer the kept
// copy must always give.
bool readWhole(const CloseUrlList& list, const QString& address) { return list.readAll().lines.contains(address); }

}  // namespace

TEST(CloseUrlListChecks, AnswerAsTheWholeListReadLineByLine) {
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    const std::string sjis = "\x93\xfa\x96\x7b";  // "日本" in Shift_JIS: not UTF-8
    dir.write("CloseURL.txt",
              "http://a/\r\nhttp://b/\nhttp://c/\r\r\n" + sjis + "\r\nhttp://\xE6\x96\xB0/\r\n \r\nhttp://a/?\r\nlast-without-end");
    const QStringList probes{QStringLiteral("http://a/"), QStringLiteral("http://b/"), QStringLiteral("http://c/"),
                             QString(), QStringLiteral(" "), QStringLiteral("http://新/"),
                             QStringLiteral("last-without-end"), QStringLiteral("http://a"),
                             QStringLiteral("HTTP://A/"), CodePage::toUnicodeLossless(sjis),
                             // The escaped form of a byte that is a line of its own elsewhere,
                             // and a stray surrogate no line decodes to.
                             QString(QChar(char16_t(0xDC93))), QStringLiteral("http://a/") + QChar(char16_t(0xD800))};
    for (const QString& probe : probes) EXPECT_EQ(list.contains(probe), readWhole(list, probe)) << probe.toStdString();
    // Not UTF-8, so the list is Shift_JIS, whatever the locale.
    EXPECT_TRUE(list.contains(QStringLiteral("日本")));
    EXPECT_TRUE(list.contains(QString()));  // the blank line between "c" and the next
    // The stray surrogate encodes to the "?" of a line that is there, yet no line is it.
    EXPECT_FALSE(list.contains(QStringLiteral("http://a/") + QChar(char16_t(0xD800))));
    EXPECT_TRUE(list.contains(QStringLiteral("http://a/?")));
    {
        AnsiCharset cp932("CP932");
        EXPECT_TRUE(list.contains(QStringLiteral("日本")));
        EXPECT_EQ(list.contains(QStringLiteral("http://新/")), readWhole(list, QStringLiteral("http://新/")));
    }
}

TEST(CloseUrlListChecks, EveryChangeCountsFromTheNextCheck) {
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    dir.write("CloseURL.txt", "http://a/\r\n");
    EXPECT_TRUE(list.contains(QStringLiteral("http://a/")));
    EXPECT_FALSE(list.contains(QStringLiteral("http://b/")));

    // Through the list itself, and through another object on the same file.
    list.append(QStringLiteral("http://b/"));
    EXPECT_TRUE(CloseUrlList(dir.path()).contains(QStringLiteral("http://b/")));
    list.replace({{QStringLiteral("http://c/")}});
    EXPECT_FALSE(list.contains(QStringLiteral("http://a/")));
    EXPECT_TRUE(list.contains(QStringLiteral("http://c/")));

    // Rewritten in place with the same size, and then given its old time back: the
    // inode is the same, so only the nanoseconds of the time tell.
    const QByteArray name = QFile::encodeName(dir.file("CloseURL.txt"));
    struct stat before {};
    ASSERT_EQ(::stat(name.constData(), &before), 0);
    {
        QFile f(dir.file("CloseURL.txt"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write("http://d/\r\n");
    }
    EXPECT_FALSE(list.contains(QStringLiteral("http://c/")));
    EXPECT_TRUE(list.contains(QStringLiteral("http://d/")));
    const struct timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
    {
        QFile f(dir.file("CloseURL.txt"));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        f.write("http://e/\r\n");
    }
    EXPECT_TRUE(list.contains(QStringLiteral("http://e/")));

    // Another file moved over it, same size and time, is another inode.
    dir.write("other.txt", "http://f/\r\n");
    struct stat current {};
    ASSERT_EQ(::stat(name.constData(), &current), 0);
    const struct timespec same[2] = {current.st_atim, current.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(dir.file("other.txt")).constData(), same, 0), 0);
    ASSERT_EQ(::rename(QFile::encodeName(dir.file("other.txt")).constData(), name.constData()), 0);
    EXPECT_TRUE(list.contains(QStringLiteral("http://f/")));
    EXPECT_FALSE(list.contains(QStringLiteral("http://e/")));

    // A list that has gone is reported at the next check, not answered from memory.
    ASSERT_TRUE(QFile::remove(dir.file("CloseURL.txt")));
    EXPECT_THROW(list.contains(QStringLiteral("http://f/")), EFOpenError);
}

TEST(CloseUrlListChecks, ListsOfEveryShapeAnswerAsReadWhole) {
    ProgramFolder dir;
    CloseUrlList list(dir.path());
    // Empty, only line ends, one kind of line end throughout (each kind), repeated lines,
    // and enough lines for the table to hold many neighbours.
    std::string many;
    for (int i = 0; i < 5000; ++i) many += "http://h" + std::to_string(i % 1700) + "/\n";
    const std::vector<std::string> shapes{"", "\n", "\r", "\r\n\r\n", many, "a\rb\rc", "a\r\n\nb\n\r"};
    const QStringList probes{QString(), QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"),
                             QStringLiteral("http://h0/"), QStringLiteral("http://h1699/"), QStringLiteral("http://h1700/")};
    for (const std::string& shape : shapes) {
        dir.write("CloseURL.txt", shape);
        for (const QString& probe : probes)
            EXPECT_EQ(list.contains(probe), readWhole(list, probe)) << probe.toStdString() << " in " << shape.size() << " bytes";
    }
}
