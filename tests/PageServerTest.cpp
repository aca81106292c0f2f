// The tests' own page server: it answers what it was given, and it can go away while a
// connection is still open (a test that fails half-way leaves one behind).

#include "EventWait.h"
#include "PageServer.h"

#include <QTcpSocket>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Sends the bytes on a fresh connection to the server, once it is connected.
void send(QTcpSocket& socket, const PageServer& server, const QByteArray& bytes) {
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(QUrl(server.url("/")).port()));
    ASSERT_TRUE(socket.waitForConnected(5000)) << socket.errorString().toStdString();
    socket.write(bytes);
    ASSERT_TRUE(socket.waitForBytesWritten(5000));
}

}  // namespace

TEST(PageServer, AnswersPagesAndGoesAwayWithConnectionsOpen) {
    QTcpSocket unfinished;
    QTcpSocket whole;
    {
        PageServer server;
        server.setPage("/p", "<p>x</p>");
        // A request whose end never comes keeps its connection open...
        send(unfinished, server, "GET /never HTTP/1.1\r\n");
        // ...and was accepted before this one, which is answered.
        send(whole, server, "GET /p HTTP/1.1\r\nHost: x\r\n\r\n");
        ASSERT_TRUE(waitUntil([&] { return whole.state() == QAbstractSocket::UnconnectedState; }));
        const QByteArray answer = whole.readAll();
        EXPECT_TRUE(answer.startsWith("HTTP/1.1 200 OK\r\n")) << answer.toStdString();
        EXPECT_TRUE(answer.endsWith("\r\n\r\n<p>x</p>")) << answer.toStdString();
        EXPECT_EQ(server.requests(), QByteArrayList{"/p"});
    }
    // The server's end closed the connection it still held.
    EXPECT_TRUE(waitUntil([&] { return unfinished.state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_TRUE(unfinished.readAll().isEmpty());
}
