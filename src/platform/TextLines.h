#pragma once
// Text files as lists of lines in the ANSI code page. Lines end at CR LF, a lone LF or a
// lone CR; the last line needs no line end. Written files end every line with CR LF.
//
// The plain functions decode for display: undecodable bytes become U+FFFD. A file the
// program reads in order to write it back (after an editor, or with a line added) is read
// with the Lossless functions and written with writeLossless/joinLossless, so that every
// line nobody changed comes back byte for byte (see CodePage::decodeLossless).

#include <QString>
#include <QStringList>
#include <string_view>

namespace TextLines {

QStringList split(std::string_view bytes);
std::string join(const QStringList& lines);
QStringList splitLossless(std::string_view bytes);
std::string joinLossless(const QStringList& lines);

// Throws EFOpenError when the file is missing or unreadable.
QStringList read(const QString& path);
QStringList readLossless(const QString& path);
// Atomic; throws EWriteError.
void write(const QString& path, const QStringList& lines);
void writeLossless(const QString& path, const QStringList& lines);

}  // namespace TextLines
