#pragma once
// Text files as lists of lines. Lines end at CR LF, a lone LF or a lone CR; the last line
// needs no line end. Written files end every line with CR LF.
//
// The plain functions decode the ANSI code page for display: undecodable bytes become
// U+FFFD. A list file the program reads in order to write it back (after an editor, or
// with a line added) is read as a ListFile: its character set is judged from its bytes
// (CodePage::listFileCharset) and its lines are decoded losslessly in that set, so that
// writing it back in the same set gives every line nobody changed its bytes again (see
// CodePage::decodeLossless).

#include <QString>
#include <QStringList>
#include <string>
#include <string_view>

namespace TextLines {

QStringList split(std::string_view bytes);
std::string join(const QStringList& lines);

// A list file's lines and the character set they were read in.
struct ListFile {
    QStringList lines;
    // iconv name; empty for a list that never came from a file, which is written in
    // the locale's set.
    std::string charset;
};

ListFile splitList(std::string_view bytes);
std::string joinList(const ListFile& list);

// Throws EFOpenError when the file is missing, unreadable or not a plain file.
QStringList read(const QString& path);
ListFile readList(const QString& path);
// Atomic; throws EWriteError.
void write(const QString& path, const QStringList& lines);
void writeList(const QString& path, const ListFile& list);

// The lines of a text an editor shows, split at every line end it may hold (CR LF, LF,
// CR and the Unicode line and paragraph separators); a final line end starts no further
// line. Works on any UTF-16, also on text carrying escaped bytes.
QStringList editorLines(const QString& text);

}  // namespace TextLines
