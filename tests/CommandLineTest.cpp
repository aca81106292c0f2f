// Addresses from outside: which arguments open what, the message a later start hands
// over, and the hand-over itself between a running frame's socket and a later start.

#include "EventWait.h"
#include "app/CommandLine.h"
#include "platform/InstanceChannel.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using CommandLine::addressOf;

namespace {

QString opened(const QByteArray& argument, const QString& folder = QStringLiteral("/home/u/pages")) {
    const CommandLine::Argument result = addressOf(argument, folder);
    EXPECT_TRUE(result.refusal.isEmpty()) << argument.left(80).toStdString() << ": " << result.refusal.toStdString();
    return result.address;
}

bool refused(const QByteArray& argument, const QString& folder = QStringLiteral("/home/u/pages")) {
    const CommandLine::Argument result = addressOf(argument, folder);
    return result.address.isEmpty() && !result.refusal.isEmpty();
}

}  // namespace

TEST(CommandLine, AddressesOpenAsGivenAndBareNamesAsTypedOnes) {
    EXPECT_EQ(opened("http://example.com/a?b=c#d"), QStringLiteral("http://example.com/a?b=c#d"));
    EXPECT_EQ(opened("HTTPS://example.com/"), QStringLiteral("HTTPS://example.com/"));
    EXPECT_EQ(opened("about:blank"), QStringLiteral("about:blank"));
    EXPECT_EQ(opened("example.com/path"), QStringLiteral("http://example.com/path"));
    EXPECT_EQ(opened("localhost:8080/x"), QStringLiteral("http://localhost:8080/x"));
    EXPECT_EQ(opened("日本.jp"), QStringLiteral("http://日本.jp"));
}

TEST(CommandLine, PathsBecomeAbsoluteFileUrls) {
    QTemporaryDir dir;
    QFile(dir.filePath(QStringLiteral("page one.html"))).open(QIODevice::WriteOnly);
    QFile(dir.filePath(QStringLiteral("a:b"))).open(QIODevice::WriteOnly);
    const QString base = QUrl::fromLocalFile(dir.path()).toString(QUrl::FullyEncoded);
    EXPECT_EQ(opened("page one.html", dir.path()), base + QStringLiteral("/page%20one.html"));
    // A name in the current folder wins over reading it as a scheme.
    EXPECT_EQ(opened("a:b", dir.path()), base + QStringLiteral("/a:b"));
    EXPECT_EQ(opened("/tmp/../etc/x y.html"), QStringLiteral("file:///etc/x%20y.html"));
    EXPECT_EQ(opened("./sub/p.html"), QStringLiteral("file:///home/u/pages/sub/p.html"));
    EXPECT_EQ(opened("../p.html"), QStringLiteral("file:///home/u/p.html"));
    EXPECT_EQ(opened("/tmp/100%.html"), QStringLiteral("file:///tmp/100%25.html"));
}

TEST(CommandLine, ScriptDataAndFileUrlsFromOtherProgramsAreRefused) {
    for (const QByteArray& hostile :
         {QByteArray("javascript:alert(1)"), QByteArray("JavaScript:alert(1)"), QByteArray("data:text/html,<b>x</b>"),
          QByteArray("file:///etc/passwd"), QByteArray("FILE:/etc/passwd"), QByteArray("vbscript:x"),
          QByteArray("view-source:http://a/"), QByteArray(" javascript:alert(1)"), QByteArray("mailto:a@b")})
        EXPECT_TRUE(refused(hostile)) << hostile.toStdString();
}

TEST(CommandLine, MalformedArgumentsAreRefusedWithoutHarm) {
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused(QByteArray("http://a/\0x", 11)));
    EXPECT_TRUE(refused("http://a/\r\nb"));
    EXPECT_TRUE(refused("\xff\xfe/a.html"));
    EXPECT_TRUE(refused("http://a/\xc3"));
    EXPECT_TRUE(refused("http://"));
    EXPECT_TRUE(refused("two words"));
    EXPECT_TRUE(refused(QByteArray(CommandLine::MaxArgumentBytes + 1, 'a')));
    EXPECT_FALSE(refused("http://a/" + QByteArray(CommandLine::MaxArgumentBytes - 9, 'a')));
}

TEST(CommandLine, OneStatusLineReportsEveryRefusedArgument) {
    CommandLine::Outcome outcome = CommandLine::resolve({"/home/u", {"a.example", "javascript:x", "", "b.example"}});
    EXPECT_EQ(outcome.addresses, (QStringList{"http://a.example", "http://b.example"}));
    EXPECT_TRUE(outcome.report.contains(QStringLiteral("javascript:x"))) << outcome.report.toStdString();
    EXPECT_TRUE(outcome.report.contains(QStringLiteral("ほか 1 個"))) << outcome.report.toStdString();
    EXPECT_FALSE(outcome.report.contains(u'\n'));

    // A hostile argument shows as a short line of plain text.
    outcome = CommandLine::resolve({"/", {"data:\x1b[2J" + QByteArray(5000, 'x')}});
    EXPECT_TRUE(outcome.addresses.isEmpty());
    EXPECT_LT(outcome.report.size(), 120);
    EXPECT_FALSE(outcome.report.contains(QChar(0x1b)));

    EXPECT_TRUE(CommandLine::resolve({"/", {"http://a/"}}).report.isEmpty());
    // Without a usable folder, relative paths cannot be placed; absolute ones can.
    outcome = CommandLine::resolve({"rel\xff", {"./a.html", "/b.html"}});
    EXPECT_EQ(outcome.addresses, QStringList{"file:///b.html"});
    EXPECT_FALSE(outcome.report.isEmpty());
}

TEST(CommandLine, ARequestSurvivesItsMessageAndDamagedMessagesAreRefused) {
    const CommandLine::Request request{"/home/u", {"a", QByteArray("b\0c", 3), "", "\xff"}};
    const QByteArray message = CommandLine::encode(request);
    const std::optional<CommandLine::Request> back = CommandLine::decode(message);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->currentFolder, request.currentFolder);
    EXPECT_EQ(back->arguments, request.arguments);

    EXPECT_FALSE(CommandLine::decode(QByteArray()));
    EXPECT_FALSE(CommandLine::decode("something else"));
    for (qsizetype cut = 1; cut < message.size(); ++cut) {
        if (auto partial = CommandLine::decode(message.left(cut))) {
            EXPECT_LT(partial->arguments.size(), request.arguments.size()) << cut;
        }
    }
    QByteArray lying = CommandLine::encode({"/", {"abc"}});
    lying[lying.size() - 4] = '\x7f';  // the argument claims far more bytes than follow
    EXPECT_FALSE(CommandLine::decode(lying));
}

namespace {

// A later start runs in a process of its own; here its blocking hand-over runs on a
// thread while this thread's event loop serves the running frame's socket.
InstanceChannel::HandOver handOverWhileServing(const QString& name, const QByteArray& message) {
    std::atomic<bool> done = false;
    InstanceChannel::HandOver result = InstanceChannel::HandOver::NoAnswer;
    std::thread start([&] {
        result = InstanceChannel::handOver(name, message, 3000);
        done = true;
    });
    waitUntil([&] { return done.load(); }, 10000);
    start.join();
    return result;
}

}  // namespace

TEST(InstanceChannel, ALaterStartHandsItsMessageToTheRunningOne) {
    QTemporaryDir runtime;
    const QString name = runtime.filePath(QStringLiteral("tavix-test"));
    EXPECT_EQ(InstanceChannel::handOver(name, "x", 500), InstanceChannel::HandOver::NoServer);

    InstanceChannel running;
    ASSERT_TRUE(running.listen(name));
    QList<QByteArray> received;
    QObject::connect(&running, &InstanceChannel::received, [&](const QByteArray& m) { received << m; });
    // Only the user may reach it.
    EXPECT_EQ(QFileInfo(name).permissions() & (QFile::ReadOther | QFile::WriteOther | QFile::ReadGroup | QFile::WriteGroup),
              QFileDevice::Permissions());

    const QByteArray big(300000, 'z');
    EXPECT_EQ(handOverWhileServing(name, "first"), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(handOverWhileServing(name, big), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(handOverWhileServing(name, QByteArray()), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(received, (QList<QByteArray>{"first", big, QByteArray()}));

    // A second would-be running one finds the first alive and leaves it the socket.
    InstanceChannel second;
    EXPECT_FALSE(second.listen(name));
    EXPECT_EQ(handOverWhileServing(name, "again"), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(received.size(), 4);
}

TEST(InstanceChannel, ASocketLeftByAProgramThatEndedIsTakenOver) {
    QTemporaryDir runtime;
    const QString name = runtime.filePath(QStringLiteral("tavix-test"));
    // A bound socket nobody listens on any more: what a crashed frame leaves.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(name);
    std::memcpy(address.sun_path, path.constData(), path.size());
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
    ASSERT_TRUE(QFileInfo::exists(name));
    EXPECT_EQ(InstanceChannel::handOver(name, "x", 500), InstanceChannel::HandOver::NoServer);

    InstanceChannel running;
    ASSERT_TRUE(running.listen(name));
    int count = 0;
    QObject::connect(&running, &InstanceChannel::received, [&](const QByteArray&) { ++count; });
    EXPECT_EQ(handOverWhileServing(name, "x"), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(count, 1);
}

TEST(InstanceChannel, APeerThatAnnouncesAHugeMessageIsDropped) {
    QTemporaryDir runtime;
    const QString name = runtime.filePath(QStringLiteral("tavix-test"));
    InstanceChannel running;
    ASSERT_TRUE(running.listen(name));
    int count = 0;
    QObject::connect(&running, &InstanceChannel::received, [&](const QByteArray&) { ++count; });
    std::atomic<bool> closed = false;
    std::thread peer([&] {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (!socket.waitForConnected(1000)) return;
        socket.write("\xff\xff\xff\xff", 4);  // 4 GiB to come
        socket.waitForBytesWritten(1000);
        closed = !socket.waitForReadyRead(3000) && socket.state() != QLocalSocket::ConnectedState;
    });
    waitUntil([&] { return closed.load(); }, 5000);
    peer.join();
    EXPECT_TRUE(closed);
    EXPECT_EQ(count, 0);
    // The running one still serves everyone else.
    EXPECT_EQ(handOverWhileServing(name, "x"), InstanceChannel::HandOver::Delivered);
    EXPECT_EQ(count, 1);
}

TEST(InstanceChannel, TheSocketIsTheUsersAndTheFilesFolders) {
    const QString a = InstanceChannel::socketName(QStringLiteral("/home/u/.local/share/Tavix/"));
    const QString b = InstanceChannel::socketName(QStringLiteral("/opt/copy/"));
    ASSERT_FALSE(a.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_EQ(a, InstanceChannel::socketName(QStringLiteral("/home/u/.local/share/Tavix")));
    EXPECT_TRUE(a.contains(QStringLiteral("-%1-").arg(::geteuid())));
    EXPECT_LT(QFile::encodeName(a).size(), static_cast<qsizetype>(sizeof(sockaddr_un{}.sun_path)));
}
