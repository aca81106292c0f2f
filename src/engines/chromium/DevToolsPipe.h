#pragma once
// The program's end of the DevTools pipe of the system's Chromium: starts the browser
// with the pipe on its descriptors 3 (commands in) and 4 (replies and events out), sends
// commands and hands each reply to the callback that asked and each event to whoever
// listens. Never blocks: the pipe is read and written as the event loop finds it ready,
// so a slow or silent browser costs the frame nothing.

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class QProcess;
class QProcessEnvironment;
class QSocketNotifier;

namespace DevTools {

// One message's JSON text ends at a NUL byte. A message longer than the limit is dropped
// whole (a snapshot of a page is far shorter).
class Framer {
public:
    static constexpr qsizetype MaxMessage = 256 * 1024 * 1024;
    explicit Framer(qsizetype maxMessage = MaxMessage) : max_(maxMessage) {}

    void feed(const QByteArray& bytes) { buffer_.append(bytes); }
    // The next complete message; false when none is complete yet.
    bool next(QByteArray& message);
    static QByteArray frame(const QJsonObject& message);

private:
    qsizetype max_;
    QByteArray buffer_;
    qsizetype scanned_ = 0;
    bool skipping_ = false;   // the rest of an overlong message is still to come
};

// The answer to one command: its result, or the error the browser gave (or the pipe's
// end, as an error with code 0).
struct Reply {
    QJsonObject result;
    QString error;
    bool ended = false;   // no answer: the pipe ended first
    bool ok() const { return error.isNull() && !ended; }
};

using ReplyHandler = std::function<void(const Reply&)>;

// The last messages that went either way on any pipe, each cut short, with the time it
// went: what a failure seen from outside is explained by, at no cost to the pipe's pace
// (printing every message as it goes changes the timing that made the failure).
QStringList recentTraffic();

}  // namespace DevTools

class DevToolsPipe : public QObject {
    Q_OBJECT
public:
    explicit DevToolsPipe(QObject* parent = nullptr);
    ~DevToolsPipe() override;

    // Starts the program with the pipe; false (and errorText()) when it cannot start.
    bool start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment);
    bool running() const;
    qint64 processId() const;
    QString errorText() const { return error_; }
    // Ends the browser: asks it to close, and kills it if it is still there after the
    // given time. Waits at most that long.
    void stop(int waitMs);

    // Sends a command, to the browser itself (empty session) or to a page's session. The
    // handler, when given, runs once with the reply; every handler still waiting runs
    // with an error when the pipe ends. Returns the command's id.
    int call(const QString& method, const QJsonObject& params = {}, const QString& session = {},
             DevTools::ReplyHandler handler = {});

    // Handles one message as if it had come from the browser.
    void receive(const QByteArray& message);

signals:
    void event(const QString& method, const QJsonObject& params, const QString& session);
    // The browser ended, or its pipe did.
    void ended();

private:
    void readReady();
    void writeReady();
    void flush();
    void closePipe();

    QPointer<QProcess> process_;
    int readFd_ = -1;
    int writeFd_ = -1;
    QSocketNotifier* readNotifier_ = nullptr;
    QSocketNotifier* writeNotifier_ = nullptr;
    DevTools::Framer framer_;
    QByteArray unsent_;
    QHash<int, DevTools::ReplyHandler> waiting_;
    int nextId_ = 0;
    QString error_;
    bool ended_ = false;
};
