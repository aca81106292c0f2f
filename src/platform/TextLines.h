#pragma once
// Text files as lists of lines in the ANSI code page. Lines end at CR LF, a lone LF or a
// lone CR; the last line needs no line end. Written files end every line with CR LF.

#include <QString>
#include <QStringList>
#include <string_view>

namespace TextLines {

QStringList split(std::string_view bytes);
std::string join(const QStringList& lines);

// Throws EFOpenError when the file is missing or unreadable.
QStringList read(const QString& path);
// Atomic; throws EWriteError.
void write(const QString& path, const QStringList& lines);

}  // namespace TextLines
