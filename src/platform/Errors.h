#pragma once
// The one family of errors the program raises. Each carries the message the user sees
// in the error box; handlers let them propagate to the single catch point.

#include <QString>
#include <stdexcept>

class TavixError : public std::runtime_error {
public:
    explicit TavixError(const QString& message);
    const QString& message() const { return message_; }

private:
    QString message_;
};

// A file could not be opened for reading.
class EFOpenError : public TavixError {
public:
    explicit EFOpenError(const QString& path, const QString& reason = {});
};

// A file or folder could not be written: "%s に書き込めません".
class EWriteError : public TavixError {
public:
    explicit EWriteError(const QString& path);
};

// Text that should have been a number: "'%s' は整数ではありません".
class EConvertError : public TavixError {
public:
    explicit EConvertError(const QString& text);
};

// An input/output failure of the operating system, such as entering a folder.
class EInOutError : public TavixError {
public:
    EInOutError(int errorCode, const QString& what);
    int errorCode() const { return errorCode_; }

private:
    int errorCode_;
};
