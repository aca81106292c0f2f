#include "weblists/WebListFile.h"

#include "platform/Errors.h"
#include "platform/TextLines.h"

#include <QFile>
#include <sys/stat.h>

QStringList ReadWebList(const QString& path) {
    struct stat info {};
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode))
        throw EFOpenError(path, QStringLiteral("通常のファイルではありません"));
    return TextLines::readLossless(path);
}

void WriteWebList(const QString& path, const QStringList& lines) { TextLines::writeLossless(path, lines); }

QString WebListDisplayName(const QString& fileName) {
    // Four characters, not four UTF-16 units: a name ending in a character outside the
    // basic plane must not be cut inside it.
    qsizetype end = fileName.size();
    for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
        --end;
        if (end > 0 && fileName[end].isLowSurrogate() && fileName[end - 1].isHighSurrogate()) --end;
    }
    return fileName.left(end);
}
