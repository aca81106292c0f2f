#pragma once
// CloseURL.txt in the program folder: the popup filter's list of addresses, one per line.
// This class is the only reader and writer of that file.

#include <QString>
#include <QStringList>

class CloseUrlList {
public:
    // appPath: the program folder, ending in "/".
    explicit CloseUrlList(const QString& appPath);

    const QString& path() const { return path_; }

    // Whether a line of the list is exactly this address. Throws EFOpenError when the
    // list is missing or unreadable.
    bool contains(const QString& address) const;
    // Adds the address as the list's last line. Throws on a failed read or write; the
    // file is then as it was.
    void append(const QString& address);

    // The whole list, for an editor; throws EFOpenError when missing or unreadable.
    QStringList lines() const;
    // Replaces the whole list, atomically.
    void replace(const QStringList& lines);

private:
    QString path_;
};
