#pragma once
// CloseURL.txt in the program folder: the popup filter's list of addresses, one per line.
// This class is the only reader and writer of that file. The list is read as UTF-8 when
// its bytes are UTF-8 and as Shift_JIS otherwise, and written back in the set it was read
// in; it may still hold bytes neither decodes, and every write leaves such lines byte for
// byte as they were.

#include "platform/TextLines.h"

#include <QString>
#include <QStringList>

class CloseUrlList {
public:
    // appPath: the program folder, ending in "/".
    explicit CloseUrlList(const QString& appPath);

    const QString& path() const { return path_; }

    // Whether a line of the list is exactly this address. The list is read once and kept
    // parsed while the file stays the same (inode, size, modification time), so a change
    // counts from the next check. Throws EFOpenError when the list is missing, unreadable
    // or not a plain file.
    bool contains(const QString& address) const;
    // Adds the address as the list's last line, in the list's character set: the file's
    // bytes stay as they are and the line follows with CR LF (after a CR LF for a last
    // line that has no line end). A missing list is created with just this line, in the
    // locale's set. Throws on a failed read or write; the file is then as it was.
    void append(const QString& address);
    // An empty list where none is, as a new program folder has one; an existing file
    // (even an unreadable one) is left alone. Throws EWriteError when it cannot be made.
    void createIfMissing();

    // The whole list, for an editor, decoded losslessly with its character set: hand it
    // back to replace() and the lines that were not changed are written as the bytes
    // they were read from. Throws EFOpenError when missing, unreadable or not a plain file.
    TextLines::ListFile readAll() const;
    // Replaces the whole list, atomically, every line ending in CR LF, in the list's set.
    void replace(const TextLines::ListFile& list);

private:
    QString path_;
};
