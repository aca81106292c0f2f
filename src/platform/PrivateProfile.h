#pragma once
// INI files with the semantics of the Windows private-profile service, which the stored
// config.ini files were made for:
//  - section and key names match without regard to ASCII case; the first matching
//    section and, in it, the first matching key count;
//  - spaces and tabs around keys and values are dropped, and a value enclosed in a
//    matching pair of quotes (" or ') loses them;
//  - a value is read up to 2047 bytes, cut at a character boundary;
//  - every write goes to disk at once (atomically); a changed key is rewritten in place,
//    a new key goes after the last line of its section, a new section at the end; all
//    other bytes of the file stay exactly as they were, whatever they hold.
// Reads keep a parsed copy per file, checked against size, modification time and inode
// at every read, so a change on disk is seen at the next read.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

namespace PrivateProfile {

inline constexpr std::size_t MaxValueBytes = 2047;

// The raw value bytes (ANSI code page), or nothing when the file, section or key is
// missing. An unreadable file reads as missing, as the system service does.
std::optional<std::string> read(const QString& path, std::string_view section, std::string_view key);

// Throws EWriteError naming the path when the file cannot be written.
void write(const QString& path, std::string_view section, std::string_view key, std::string_view value);

// Pure forms, on file contents, for callers and tests that hold the bytes already.
std::optional<std::string> lookup(std::string_view contents, std::string_view section, std::string_view key);
std::string withValue(std::string_view contents, std::string_view section, std::string_view key,
                      std::string_view value);

}  // namespace PrivateProfile
