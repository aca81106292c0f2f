#include "platform/Errors.h"

#include <cstring>

TavixError::TavixError(const QString& message)
    : std::runtime_error(message.toStdString()), message_(message) {}

EFOpenError::EFOpenError(const QString& path, const QString& reason)
    : TavixError(reason.isEmpty() ? QStringLiteral("ファイル %1 を開けません").arg(path)
                                  : QStringLiteral("ファイル %1 を開けません。%2").arg(path, reason)) {}

EWriteError::EWriteError(const QString& path)
    : TavixError(QStringLiteral("%1 に書き込めません").arg(path)) {}

EConvertError::EConvertError(const QString& text)
    : TavixError(QStringLiteral("'%1' は整数ではありません").arg(text)) {}

EInOutError::EInOutError(int errorCode, const QString& what)
    : TavixError(QStringLiteral("I/O エラー %1: %2 (%3)")
                     .arg(errorCode)
                     .arg(what, QString::fromLocal8Bit(std::strerror(errorCode)))),
      errorCode_(errorCode) {}
