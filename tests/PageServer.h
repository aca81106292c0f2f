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
#include <QTimer>
#include <memory>

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
    // A file of the given type sent at a pace: `chunk` bytes every `intervalMs`, its
    // length told up front, as a download from a real site arrives.
    void setFile(const QByteArray& path, const QByteArray& body, const QByteArray& type, qint64 chunk, int intervalMs) {
        files_[path] = {body, type, chunk, intervalMs};
    }
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
        if (files_.contains(path)) return stream(socket, files_.value(path));
        const bool found = pages_.contains(path);
        const QByteArray body = found ? pages_.value(path) : QByteArray("not found");
        socket->write((found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n") +
                      QByteArray("Content-Type: text/html; charset=utf-8\r\nConnection: close\r\nContent-Length: ") +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
        socket->disconnectFromHost();
    }

    struct File {
        QByteArray body;
        QByteArray type;
        qint64 chunk = 0;
        int intervalMs = 0;
    };

    void stream(QTcpSocket* socket, const File& file) {
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: " + file.type + "\r\nConnection: close\r\nCache-Control: no-store\r\n"
                      "Content-Length: " + QByteArray::number(file.body.size()) + "\r\n\r\n");
        auto* timer = new QTimer(socket);
        auto sent = std::make_shared<qint64>(0);
        QObject::connect(timer, &QTimer::timeout, socket, [socket, timer, sent, file] {
            if (socket->bytesToWrite() > 4 * file.chunk) return;   // the reader is behind
            const QByteArray part = file.body.mid(*sent, file.chunk);
            socket->write(part);
            *sent += part.size();
            if (*sent < file.body.size()) return;
            timer->stop();
            socket->disconnectFromHost();
        });
        timer->start(file.intervalMs);
    }

    QHash<QByteArray, QByteArray> pages_;
    QHash<QByteArray, File> files_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QByteArrayList requests_;
    // Last, so that it goes first: the connections it still holds are its children and
    // report their end to the handlers above as they go, which use the other members.
    QTcpServer server_;
};
