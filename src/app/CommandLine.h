#pragma once
// Addresses handed to the program from outside: on its command line, or by a later start
// that passes its command line on to the frame already running. Without arguments the
// program reads no command line at all.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace CommandLine {

// The longest argument taken, in bytes: anything longer is no address a user typed.
constexpr qsizetype MaxArgumentBytes = 64 * 1024;

// What one argument opens: an address for a new view window, or, when refused, the
// reason in the user's words.
struct Argument {
    QString address;
    QString refusal;
};

// The rules for one argument, given as the bytes the program received and the folder
// the start ran in (absolute):
// - a path (absolute, starting with ./ or ../, or naming something that exists in the
//   current folder) opens as the absolute file: URL of that path;
// - http, https, ftp and about addresses open as given;
// - javascript:, data: and file: addresses, and every other scheme, are refused: a
//   program that hands over an address must not run script or read local files
//   through it (a plain path is the way to open a local file);
// - any other text opens as an address typed without a scheme (http://), host:port
//   included;
// - empty, too long, not UTF-8, or holding control characters: refused.
Argument addressOf(const QByteArray& argument, const QString& currentFolder);

// What a start hands over: its current folder and its arguments, as bytes.
struct Request {
    QByteArray currentFolder;
    QList<QByteArray> arguments;
};

// The request as one message for the running frame, and back. decode() gives nothing
// for a message that is not a whole, well-formed request.
QByteArray encode(const Request& request);
std::optional<Request> decode(const QByteArray& message);

// The largest message taken: every argument at its longest would be far more than any
// user's command line holds.
constexpr qsizetype MaxMessageBytes = 4 * 1024 * 1024;

// A request's addresses in argument order, and one line for the status bar about the
// arguments refused (empty when none was).
struct Outcome {
    QStringList addresses;
    QString report;
};
Outcome resolve(const Request& request);

// This process's request from main's argv (argv[0] left out).
Request fromArgv(int argc, char** argv);

}  // namespace CommandLine
