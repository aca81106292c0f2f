#include "engines/Address.h"

#include <QDir>
#include <QFileInfo>

QUrl addressToUrl(const QString& address) {
    const QString text = address.trimmed();
    if (text.isEmpty()) return QUrl(QStringLiteral("about:blank"));
    // A path that names an existing file is that file, even when it also reads as a host.
    const QFileInfo file(QDir::current(), text);
    if ((text.startsWith(QLatin1Char('/')) || text.startsWith(QLatin1String("./")) || file.exists()) &&
        !text.contains(QLatin1String("://")))
        return QUrl::fromLocalFile(file.absoluteFilePath());
    QUrl url = QUrl::fromUserInput(text);
    if (!url.isValid() || url.scheme().isEmpty()) return QUrl();
    // Web addresses need a host; "http:///" or "http://:80" is no address.
    if ((url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https")) && url.host().isEmpty())
        return QUrl();
    return url;
}

QString urlText(const QUrl& url) { return url.isEmpty() ? QString() : url.toString(); }
