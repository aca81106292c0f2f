#pragma once
// The one running frame per user and files folder, and how a later start reaches it: a
// local socket in the user's runtime folder that only the user can open. A start with
// something to hand over sends it as one message and ends once the running frame has
// taken it.

#include <QByteArray>
#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

class InstanceChannel : public QObject {
    Q_OBJECT
public:
    explicit InstanceChannel(QObject* parent = nullptr);
    ~InstanceChannel() override;

    // The socket for this user and this files folder (a copy of the program elsewhere is
    // another program with other files): a path in the runtime folder, or empty when the
    // user has no runtime folder.
    static QString socketName(const QString& filesFolder);

    enum class HandOver {
        Delivered,  // the running frame took the message
        NoServer,   // nobody listens (no socket, or one left by a program that ended)
        NoAnswer,   // something listens but did not take the message in time
    };
    // Sends the message and waits for the running frame to take it. Only a start with
    // something to hand over calls this, before it has a window: the waits hold up no
    // frame.
    static HandOver handOver(const QString& name, const QByteArray& message, int timeoutMs);

    // Becomes the running one: listens on the name, reachable by this user alone. A
    // socket file nobody answers on is removed first. False when a live frame already
    // listens there, or the socket cannot be made.
    bool listen(const QString& name);
    bool isListening() const;

signals:
    // A whole message from a later start.
    void received(const QByteArray& message);

private:
    void take(QLocalSocket* connection);
    QLocalServer* server_ = nullptr;
};
