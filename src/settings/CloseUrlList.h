#pragma once
// CloseURL.txt in the program folder: the popup filter's list of addresses, one per line.
// This class is the only reader and writer of that file. The list may hold lines the
// locale's character set cannot decode (a list made under Shift_JIS, read under UTF-8):
// every write leaves such lines byte for byte as they were.

#include <QString>
#include <QStringList>

class CloseUrlList {
public:
    // appPath: the program folder, ending in "/".
    explicit CloseUrlList(const QString& appPath);

    const QString& path() const { return path_; }

    // Whether a line of the list is exactly this address. The list is read once and kept
    // parsed while the file stays the same (inode, size, modification time), so a change
    // counts from the next check. Throws EFOpenError when the list is missing or
    // unreadable.
    bool contains(const QString& address) const;
    // Adds the address as the list's last line: the file's bytes stay as they are and
    // the line follows with CR LF (after a CR LF for a last line that has no line end).
    // A missing list is created with just this line. Throws on a failed read or write;
    // the file is then as it was.
    void append(const QString& address);

    // The whole list, for an editor, decoded losslessly: hand the lines that were not
    // changed back to replace() and they are written as the bytes they were read from.
    // Throws EFOpenError when missing or unreadable.
    QStringList lines() const;
    // Replaces the whole list, atomically, every line ending in CR LF.
    void replace(const QStringList& lines);

private:
    QString path_;
};
