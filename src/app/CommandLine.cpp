#include "app/CommandLine.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QUrl>
#include <QtEndian>

#include <unistd.h>

namespace CommandLine {
namespace {

const QByteArray Magic = QByteArrayLiteral("tavix-open 1\n");

Argument refused(const QString& reason) { return {QString(), reason}; }

bool hasControlCharacters(const QString& text) {
    for (const QChar c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) return true;
    return false;
}

QString fileUrl(const QString& path, const QString& currentFolder) {
    const QString absolute = QDir::cleanPath(QDir(currentFolder).absoluteFilePath(path));
    return QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded);
}

bool looksLikePath(const QString& text) {
    return text.startsWith(u'/') || text.startsWith(QLatin1String("./")) || text.startsWith(QLatin1String("../")) ||
           text == u'.' || text == QLatin1String("..");
}

// The argument as it appears in the status bar: short, and nothing in it that could
// change the line's look.
QString shown(const QByteArray& argument) {
    QString text = QString::fromUtf8(argument.left(200));
    for (QChar& c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f) c = QChar(0xfffd);
    if (text.size() > 60 || argument.size() > 200) text = text.left(60) + QStringLiteral("…");
    return text;
}

void appendField(QByteArray& out, const QByteArray& field) {
    char length[4];
    qToBigEndian<quint32>(static_cast<quint32>(field.size()), length);
    out.append(length, 4);
    out.append(field);
}

}  // namespace

Argument addressOf(const QByteArray& argument, const QString& currentFolder) {
    if (argument.isEmpty()) return refused(QStringLiteral("空の引数です"));
    if (argument.size() > MaxArgumentBytes) return refused(QStringLiteral("長すぎます"));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(argument);
    if (utf8.hasError()) return refused(QStringLiteral("文字コードが正しくありません"));
    if (hasControlCharacters(text)) return refused(QStringLiteral("制御文字を含んでいます"));

    if (looksLikePath(text)) return {fileUrl(text, currentFolder), QString()};

    static const QRegularExpression schemeForm(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(.*)$"),
                                               QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch scheme = schemeForm.match(text);
    // A name in the current folder wins over every other reading, "a:b" too.
    if (QFileInfo::exists(QDir(currentFolder).absoluteFilePath(text))) return {fileUrl(text, currentFolder), QString()};

    if (scheme.hasMatch()) {
        const QString name = scheme.captured(1).toLower();
        const QString rest = scheme.captured(2);
        if (name == QLatin1String("http") || name == QLatin1String("https") || name == QLatin1String("ftp")) {
            const QUrl url(text, QUrl::StrictMode);
            if (!url.isValid() || url.host().isEmpty()) return refused(QStringLiteral("アドレスの形式が正しくありません"));
            return {text, QString()};
        }
        if (name == QLatin1String("about")) return {text, QString()};
        // host:port, with or without a path after it.
        static const QRegularExpression portForm(QStringLiteral("^[0-9]{1,5}(/.*)?$"),
                                                 QRegularExpression::DotMatchesEverythingOption);
        if (!portForm.match(rest).hasMatch())
            return refused(QStringLiteral("%1: の URL は外部から開けません").arg(name));
    }

    // An address typed without its scheme.
    const QUrl url(QStringLiteral("http://") + text, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() || text.contains(u' '))
        return refused(QStringLiteral("アドレスの形式が正しくありません"));
    return {QStringLiteral("http://") + text, QString()};
}

QByteArray encode(const Request& request) {
    QByteArray out = Magic;
    appendField(out, request.currentFolder);
    for (const QByteArray& argument : request.arguments) appendField(out, argument);
    return out;
}

std::optional<Request> decode(const QByteArray& message) {
    if (message.size() > MaxMessageBytes || !message.startsWith(Magic)) return std::nullopt;
    QList<QByteArray> fields;
    qsizetype at = Magic.size();
    while (at < message.size()) {
        if (message.size() - at < 4) return std::nullopt;
        const quint32 length = qFromBigEndian<quint32>(message.constData() + at);
        at += 4;
        if (length > static_cast<quint64>(message.size() - at)) return std::nullopt;
        fields.append(message.mid(at, length));
        at += length;
    }
    if (fields.isEmpty()) return std::nullopt;
    Request request;
    request.currentFolder = fields.takeFirst();
    request.arguments = fields;
    return request;
}

Outcome resolve(const Request& request) {
    Outcome outcome;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString folder = utf8(request.currentFolder);
    // Relative paths cannot be placed without a folder: they are then refused below,
    // rather than taken from wherever the running frame happens to be.
    const bool folderUsable = !utf8.hasError() && folder.startsWith(u'/') && !hasControlCharacters(folder);
    if (!folderUsable) folder = QStringLiteral("/nonexistent-folder/");
    int refusedCount = 0;
    for (const QByteArray& argument : request.arguments) {
        Argument result = addressOf(argument, folder);
        if (result.refusal.isEmpty() && !folderUsable && result.address.startsWith(QLatin1String("file:")) &&
            !argument.startsWith('/'))
            result = refused(QStringLiteral("現在のフォルダが分かりません"));
        if (result.refusal.isEmpty()) {
            outcome.addresses << result.address;
        } else if (refusedCount++ == 0) {
            outcome.report = QStringLiteral("引数 %1 を開けません: %2").arg(shown(argument), result.refusal);
        }
    }
    if (refusedCount > 1) outcome.report += QStringLiteral("（ほか %1 個の引数も開けません）").arg(refusedCount - 1);
    return outcome;
}

Request fromArgv(int argc, char** argv) {
    Request request;
    QByteArray folder(4096, Qt::Uninitialized);
    if (::getcwd(folder.data(), folder.size())) request.currentFolder = QByteArray(folder.constData());
    for (int i = 1; i < argc; ++i) request.arguments << QByteArray(argv[i]);
    return request;
}

}  // namespace CommandLine
