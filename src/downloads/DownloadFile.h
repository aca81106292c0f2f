#pragma once
// The file of one download. The engine writes into a temporary file next to the target;
// only a whole file is given the target's name, so that a download that is cancelled,
// fails or is cut off (an engine or the program ending) never leaves a part of a file
// under the name the user chose. An existing file is replaced only when the user agreed
// to it; a file that appeared under the name while the download ran is kept, and the
// download takes a free name beside it.

#include <QString>

class DownloadFile {
public:
    // Reserves the temporary file (created empty, in the target's folder, under a name no
    // other file has). replaceAllowed: the user agreed to replace the target if it exists.
    // Throws TavixError when the folder cannot be written.
    DownloadFile(const QString& target, bool replaceAllowed);
    // Removes the temporary file unless it has been committed.
    ~DownloadFile();
    DownloadFile(const DownloadFile&) = delete;
    DownloadFile& operator=(const DownloadFile&) = delete;

    const QString& target() const { return target_; }
    const QString& tempPath() const { return tempPath_; }
    // Where the file is now: the temporary file until committed, then its final name.
    const QString& path() const { return committed_ ? finalPath_ : tempPath_; }
    bool committed() const { return committed_; }

    // Gives the whole file its final name and returns it: the target, or, when another
    // file took the target's name and the user did not agree to replace it, the first
    // free "name (2).ext". Throws TavixError when it cannot, and the whole file then stays
    // under its temporary name.
    QString commit();
    // Removes the temporary file (a download that did not end whole).
    void discard();

private:
    QString target_;
    QString tempPath_;
    QString finalPath_;
    bool replaceAllowed_ = false;
    bool committed_ = false;
    bool discarded_ = false;
};
