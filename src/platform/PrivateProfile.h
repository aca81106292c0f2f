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
//
// A Batch lets a run of writes (the settings saved at closing) replace the file once
// instead of once per key: the file comes out byte for byte as the same writes one at a
// time would leave it.

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
// The same change made in place.
void applyValue(std::string& contents, std::string_view section, std::string_view key, std::string_view value);

// While a Batch on a path is open, write() to that path changes a copy in memory (the
// file is read at the first write) and read() sees that copy; commit() puts it on disk
// with one atomic replacement. A batch opened while another on the same path is open
// joins it: the outer one commits.
//
// When a write fails (the file cannot be read) it throws as ever and the file is
// untouched. When the caller's work between writes throws, the destructor still puts
// the writes made so far on disk, so the file is as the earlier writes one at a time
// would have left it; a failure of that last replacement is not reported, as the
// exception already on its way is. Outside an exception, call commit(): it throws
// EWriteError when the file cannot be replaced, which then stays as it was.
class Batch {
public:
    explicit Batch(const QString& path);
    ~Batch();
    Batch(const Batch&) = delete;
    Batch& operator=(const Batch&) = delete;

    void commit();

private:
    QString path_;
    bool outer_ = false;
    bool done_ = false;
};

}  // namespace PrivateProfile
