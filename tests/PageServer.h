#pragma once
// A small HTTP server on 127.0.0.1 for tests and benchmarks that need real pages: fixed
// bodies by path, anything else a 404. It runs on the calling thread's event loop, so
// it answers while a test waits (waitUntil in TestSupport.h).

#include <QByteArray>
#include <QByteArrayList>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

class PageServer {
public:
    PageServer() {
        server_.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&server_, &QTcpServer::newConnection, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { answer(socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    buffers_.remove(socket);
                    socket->deleteLater();
                });
            }
        });
    }

    // Pages are HTML in UTF-8.
    void setPage(const QByteArray& path, const QByteArray& body) { pages_[path] = body; }
    QString url(const QString& path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    // Every path asked for so far, in order.
    const QByteArrayList& requests() const { return requests_; }

private:
    void answer(QTcpSocket* socket) {
        QByteArray& request = buffers_[socket];
        request += socket->readAll();
        if (!request.contains("\r\n\r\n")) return;
        const QByteArray path = request.split(' ').value(1);
        buffers_.remove(socket);
        requests_ << path;
        const bool found = pages_.contains(path);
        const QByteArray body = found ? pages_.value(path) : QByteArray("not found");
        socket->write((found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                      QByteArray("Content-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: ") +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    QHash<QByteArray, QByteArray> pages_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QByteArrayList requests_;
    // Last, so that it goes first: the connections it still holds are its children and
    // report their end to the handlers above as they go, which use the other members.
    QTcpServer server_;
};
