#pragma once
// A web list file: one address per line, in the ANSI code page. Reading accepts CR LF,
// LF or CR line ends; writing ends every line with CR LF and replaces the file
// atomically. These two functions are the only readers and writers of web list files.

#include <QString>
#include <QStringList>

// The list's lines in file order. Throws EFOpenError when the file is missing, cannot be
// read or is not a plain file (a pipe would never finish reading).
QStringList ReadWebList(const QString& path);

// Replaces the file with these lines. Throws EWriteError; the file is then as it was.
void WriteWebList(const QString& path, const QStringList& lines);

// The name a list goes by in the menu: the file name without its last four characters
// (".wlf" and the like), empty when it has four or fewer.
QString WebListDisplayName(const QString& fileName);
