#include "platform/InstanceChannel.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>

#include <memory>
#include <unistd.h>

namespace {

// What the running frame answers once it holds the whole message.
constexpr char Taken = 'k';
// A message larger than this is no start's command line.
constexpr quint32 MaxMessageBytes = 8 * 1024 * 1024;
// A connection that has not sent its whole message by then is dropped.
constexpr int StalledConnectionMs = 5000;
// How long a connect to a socket file may take before it counts as nobody answering;
// a live local server accepts at once.
constexpr int ConnectMs = 300;

}  // namespace

InstanceChannel::InstanceChannel(QObject* parent) : QObject(parent) {}

InstanceChannel::~InstanceChannel() {
    if (server_) server_->close();
}

QString InstanceChannel::socketName(const QString& filesFolder) {
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty()) return QString();
    const QByteArray folderHash =
        QCryptographicHash::hash(QDir::cleanPath(filesFolder).toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return runtime + QStringLiteral("/tavix-%1-%2").arg(::geteuid()).arg(QString::fromLatin1(folderHash));
}

InstanceChannel::HandOver InstanceChannel::handOver(const QString& name, const QByteArray& message, int timeoutMs) {
    if (name.isEmpty()) return HandOver::NoServer;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (!socket.waitForConnected(ConnectMs)) return HandOver::NoServer;
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(message.size()), length);
    socket.write(length, 4);
    socket.write(message);
    if (!socket.waitForBytesWritten(timeoutMs)) return HandOver::NoAnswer;
    while (socket.bytesAvailable() < 1)
        if (!socket.waitForReadyRead(timeoutMs)) return HandOver::NoAnswer;
    char answer = 0;
    socket.getChar(&answer);
    return answer == Taken ? HandOver::Delivered : HandOver::NoAnswer;
}

bool InstanceChannel::listen(const QString& name) {
    if (name.isEmpty()) return false;
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* connection = server_->nextPendingConnection()) take(connection);
        });
    }
    // Asked first, not left to listen(): with the access option Qt binds elsewhere and
    // renames the socket into place, over a live frame's socket as readily as over a dead
    // one's.
    if (QFileInfo::exists(name)) {
        QLocalSocket probe;
        probe.connectToServer(name);
        if (probe.waitForConnected(ConnectMs)) return false;  // a live frame has it
        QLocalServer::removeServer(name);
    }
    return server_->listen(name);
}

bool InstanceChannel::isListening() const { return server_ && server_->isListening(); }

void InstanceChannel::take(QLocalSocket* connection) {
    connect(connection, &QLocalSocket::disconnected, connection, &QObject::deleteLater);
    QTimer::singleShot(StalledConnectionMs, connection, [connection] { connection->abort(); });
    auto buffer = std::make_shared<QByteArray>();
    connect(connection, &QLocalSocket::readyRead, this, [this, connection, buffer] {
        buffer->append(connection->readAll());
        if (buffer->size() < 4) return;
        const quint32 length = qFromBigEndian<quint32>(buffer->constData());
        if (length > MaxMessageBytes) {
            connection->abort();
            return;
        }
        if (static_cast<quint64>(buffer->size()) < 4 + quint64(length)) return;
        const QByteArray message = buffer->mid(4, length);
        buffer->clear();
        // One message per connection: whatever follows is not read.
        disconnect(connection, &QLocalSocket::readyRead, this, nullptr);
        connection->write(&Taken, 1);
        connection->flush();
        connection->disconnectFromServer();
        emit received(message);
    });
}
