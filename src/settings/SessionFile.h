#pragma once
// session.txt in the program folder: the view windows open when the frame last closed,
// for bringing them back at the next start. This class is its only reader and writer.
//
// One line per window, in tab order: the engine's caption ("Internet Explorer" or
// "Gecko"), a tab character, the address; the window that was in front carries a third
// field "*". CR LF line ends, written atomically.

#include <QString>
#include <vector>

struct SessionEntry {
    QString caption;
    QString address;
    bool active = false;
    bool operator==(const SessionEntry&) const = default;
};

class SessionFile {
public:
    // appPath: the program folder, ending in "/".
    explicit SessionFile(const QString& appPath);

    const QString& path() const { return path_; }

    // The windows to reopen. A missing or empty file, or one with a line that is not a
    // session line, gives none; a file that exists but cannot be read throws EFOpenError.
    std::vector<SessionEntry> read() const;
    // Replaces the file; throws EWriteError and leaves the old file when that fails.
    void write(const std::vector<SessionEntry>& entries) const;

    static const QString IECaption;
    static const QString GeckoCaption;

private:
    QString path_;
};
