#pragma once
// A web list file: one address per line. Reading accepts CR LF, LF or CR line ends and
// judges the file's character set from its bytes (UTF-8, else Shift_JIS; plain ASCII in
// the locale's set); writing ends every line with CR LF, uses the set the list was read
// in, and replaces the file atomically. These two functions are the only readers and
// writers of web list files.

#include "platform/TextLines.h"

#include <QString>
#include <QStringList>

using WebList = TextLines::ListFile;

// The list's lines in file order, with the set they were read in. Throws EFOpenError
// when the file is missing, cannot be read or is not a plain file (a pipe would never
// finish reading).
WebList ReadWebList(const QString& path);

// Replaces the file with these lines. Throws EWriteError; the file is then as it was.
void WriteWebList(const QString& path, const WebList& list);

// The name a list goes by in the menu: the file name without its last four characters
// (".wlf" and the like), empty when it has four or fewer.
QString WebListDisplayName(const QString& fileName);
