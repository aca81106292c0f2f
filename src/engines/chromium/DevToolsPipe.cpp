#include "engines/chromium/DevToolsPipe.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <cerrno>
#include <cstring>
#include <utility>
#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace DevTools {

bool Framer::next(QByteArray& message) {
    for (;;) {
        const qsizetype end = buffer_.indexOf('\0', scanned_);
        if (end < 0) {
            scanned_ = buffer_.size();
            // A message that never ends would grow without bound: what there is goes,
            // and so does the rest of it when it comes.
            if (buffer_.size() > max_) {
                buffer_.clear();
                scanned_ = 0;
                skipping_ = true;
            }
            return false;
        }
        message = buffer_.left(end);
        buffer_.remove(0, end + 1);
        scanned_ = 0;
        if (std::exchange(skipping_, false)) continue;
        if (message.size() <= max_) return true;
    }
}

QByteArray Framer::frame(const QJsonObject& message) {
    QByteArray bytes = QJsonDocument(message).toJson(QJsonDocument::Compact);
    bytes.append('\0');
    return bytes;
}

}  // namespace DevTools

namespace {

// QT_LOGGING_RULES="tavix.devtools.debug=true" shows every message both ways.
Q_LOGGING_CATEGORY(devtoolsLog, "tavix.devtools", QtWarningMsg)

constexpr int JournalLength = 600;
constexpr qsizetype JournalMessageBytes = 400;

struct Journal {
    QElapsedTimer clock;
    QList<QByteArray> lines;
    qsizetype next = 0;

    void note(const char* direction, const QByteArray& message) {
        if (!clock.isValid()) clock.start();
        QByteArray line = QByteArray::number(clock.elapsed()) + ' ' + direction + ' ' + message.left(JournalMessageBytes);
        if (lines.size() < JournalLength) lines.append(std::move(line));
        else lines[next] = std::move(line);
        next = (next + 1) % JournalLength;
    }
};

Journal& journal() {
    static Journal j;
    return j;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

QStringList DevTools::recentTraffic() {
    const Journal& j = journal();
    QStringList out;
    const qsizetype first = j.lines.size() < JournalLength ? 0 : j.next;
    for (qsizetype i = 0; i < j.lines.size(); ++i) out << QString::fromUtf8(j.lines[(first + i) % j.lines.size()]);
    return out;
}

DevToolsPipe::DevToolsPipe(QObject* parent) : QObject(parent) {}

DevToolsPipe::~DevToolsPipe() {
    closePipe();
    if (process_) {
        process_->disconnect(this);
        if (process_->state() != QProcess::NotRunning) {
            process_->kill();
            process_->waitForFinished(2000);
        }
        delete process_.data();
    }
}

bool DevToolsPipe::start(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
    int toBrowser[2];
    int fromBrowser[2];
    if (::pipe2(toBrowser, O_CLOEXEC) != 0) {
        error_ = QString::fromLocal8Bit(::strerror(errno));
        return false;
    }
    if (::pipe2(fromBrowser, O_CLOEXEC) != 0) {
        error_ = QString::fromLocal8Bit(::strerror(errno));
        ::close(toBrowser[0]);
        ::close(toBrowser[1]);
        return false;
    }
    const int childIn = toBrowser[0];
    const int childOut = fromBrowser[1];
    auto* process = new QProcess(this);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessEnvironment(environment);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setChildProcessModifier([childIn, childOut] {
        // Only async-signal-safe calls here: the child has just forked. dup2 clears
        // close-on-exec on the copies, which is what keeps them open in the browser.
        int in = childIn;
        int out = childOut;
        if (in == 4) in = ::fcntl(in, F_DUPFD_CLOEXEC, 5);
        if (out == 3) out = ::fcntl(out, F_DUPFD_CLOEXEC, 5);
        if (in == 3) ::fcntl(3, F_SETFD, 0);
        else ::dup2(in, 3);
        if (out == 4) ::fcntl(4, F_SETFD, 0);
        else ::dup2(out, 4);
        // A frame that ends without quitting it (killed, crashed) takes the browser
        // along. Left running without its display it hangs, ignores SIGTERM and keeps
        // every later browser from starting (seen with Chromium 156).
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    });
    connect(process, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        journal().note("--", QByteArray("browser ended ") + QByteArray::number(code) + (status == QProcess::CrashExit ? " on a signal" : ""));
        qCDebug(devtoolsLog) << "browser ended" << code << status;
        closePipe();
        if (!ended_) {
            ended_ = true;
            emit ended();
        }
    });
    process->start();
    ::close(childIn);
    ::close(childOut);
    writeFd_ = toBrowser[1];
    readFd_ = fromBrowser[0];
    if (!process->waitForStarted(5000)) {
        error_ = process->errorString();
        closePipe();
        delete process;
        return false;
    }
    process_ = process;
    ended_ = false;
    ::fcntl(readFd_, F_SETFL, ::fcntl(readFd_, F_GETFL) | O_NONBLOCK);
    ::fcntl(writeFd_, F_SETFL, ::fcntl(writeFd_, F_GETFL) | O_NONBLOCK);
    readNotifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(readNotifier_, &QSocketNotifier::activated, this, &DevToolsPipe::readReady);
    writeNotifier_ = new QSocketNotifier(writeFd_, QSocketNotifier::Write, this);
    writeNotifier_->setEnabled(false);
    connect(writeNotifier_, &QSocketNotifier::activated, this, &DevToolsPipe::writeReady);
    flush();
    return true;
}

bool DevToolsPipe::running() const { return process_ && process_->state() != QProcess::NotRunning && !ended_; }

qint64 DevToolsPipe::processId() const { return running() ? process_->processId() : 0; }

void DevToolsPipe::stop(int waitMs) {
    if (!process_ || process_->state() == QProcess::NotRunning) return;
    // Browser.close lets it write its profile; a browser that does not answer is killed.
    call(QStringLiteral("Browser.close"));
    flush();
    if (!process_->waitForFinished(waitMs)) {
        process_->kill();
        process_->waitForFinished(1000);
    }
}

int DevToolsPipe::call(const QString& method, const QJsonObject& params, const QString& session,
                       DevTools::ReplyHandler handler) {
    const int id = ++nextId_;
    QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}};
    if (!params.isEmpty()) message.insert(QStringLiteral("params"), params);
    if (!session.isEmpty()) message.insert(QStringLiteral("sessionId"), session);
    if (ended_ && process_) {
        // Nobody will answer: the handler hears so on the next turn of the loop, never
        // inside this call.
        if (handler)
            QMetaObject::invokeMethod(this, [handler] { handler({{}, {}, true}); }, Qt::QueuedConnection);
        return id;
    }
    if (handler) waiting_.insert(id, std::move(handler));
    const QByteArray framed = DevTools::Framer::frame(message);
    unsent_.append(framed);
    journal().note("->", framed.chopped(1));
    qCDebug(devtoolsLog).noquote() << "->" << QString::fromUtf8(framed.chopped(1));
    flush();
    return id;
}

void DevToolsPipe::flush() {
    if (writeFd_ < 0 || unsent_.isEmpty()) return;
    while (!unsent_.isEmpty()) {
        const ssize_t written = ::write(writeFd_, unsent_.constData(), static_cast<size_t>(unsent_.size()));
        if (written > 0) {
            unsent_.remove(0, written);
            continue;
        }
        if (written < 0 && errno == EINTR) continue;
        break;   // full (EAGAIN) or broken: the notifier or the process's end says which
    }
    if (writeNotifier_) writeNotifier_->setEnabled(!unsent_.isEmpty());
}

void DevToolsPipe::writeReady() { flush(); }

void DevToolsPipe::readReady() {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(readFd_, buffer, sizeof buffer);
        if (got > 0) {
            framer_.feed(QByteArray(buffer, got));
            if (got < static_cast<ssize_t>(sizeof buffer)) break;
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && errno == EAGAIN) break;
        // The browser closed its end: it has ended or is about to.
        if (readNotifier_) readNotifier_->setEnabled(false);
        break;
    }
    QByteArray message;
    QPointer<DevToolsPipe> self(this);
    while (self && framer_.next(message)) receive(message);
}

void DevToolsPipe::receive(const QByteArray& message) {
    journal().note("<-", message);
    qCDebug(devtoolsLog).noquote() << "<-" << QString::fromUtf8(message);
    QJsonParseError parseError{};
    const QJsonObject object = QJsonDocument::fromJson(message, &parseError).object();
    if (parseError.error != QJsonParseError::NoError) return;   // not ours to understand
    if (object.contains(QStringLiteral("id"))) {
        const auto handler = waiting_.take(object.value(QStringLiteral("id")).toInt());
        if (!handler) return;
        DevTools::Reply reply;
        if (object.contains(QStringLiteral("error"))) {
            const QString text = object.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString();
            reply.error = text.isNull() ? QStringLiteral("") : text;
        } else {
            reply.result = object.value(QStringLiteral("result")).toObject();
        }
        handler(reply);
        return;
    }
    const QString method = object.value(QStringLiteral("method")).toString();
    if (method.isEmpty()) return;
    emit event(method, object.value(QStringLiteral("params")).toObject(), object.value(QStringLiteral("sessionId")).toString());
}

void DevToolsPipe::closePipe() {
    delete readNotifier_;
    readNotifier_ = nullptr;
    delete writeNotifier_;
    writeNotifier_ = nullptr;
    closeFd(readFd_);
    closeFd(writeFd_);
    unsent_.clear();
    // Whoever waits for an answer hears that none will come.
    const auto waiting = std::exchange(waiting_, {});
    for (const auto& handler : waiting) handler({{}, {}, true});
}
