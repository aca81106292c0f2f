#pragma once
// Whole-file reads and atomic replacement of data files.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace AtomicFile {

// Replaces the file with `bytes`: a temporary file in the same folder is written,
// flushed to disk and renamed over the old one, so a failure at any point leaves the
// old file as it was. A file that is marked read-only is refused like a folder that
// cannot be written. Throws EWriteError naming the path.
void write(const QString& path, std::string_view bytes);

// Opens a file for reading without ever waiting: a pipe or a device in a data file's
// place would otherwise hold the program up for good. The descriptor (the caller closes
// it), or -1 when the file does not exist. Throws EFOpenError when it cannot be opened
// or is not a plain file.
int openForReading(const QString& path);

// The whole file, or nothing when it does not exist. Throws EFOpenError when it exists
// but cannot be read or is not a plain file.
std::optional<std::string> readIfExists(const QString& path);

// The whole file. Throws EFOpenError when it is missing, cannot be read or is not a
// plain file.
std::string read(const QString& path);

bool exists(const QString& path);

}  // namespace AtomicFile
