#include "platform/FileNames.h"

#include "platform/CodePage.h"

QString decodeFileName(std::string_view bytes) {
    // Plain decoding where it is exact: the lossless form escapes a few real characters
    // that editors alter, which a name never goes through.
    if (CodePage::isValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return CodePage::decodeLossless(bytes, "UTF-8");
}

std::string encodeFileName(const QString& name) { return CodePage::encodeLossless(name, "UTF-8"); }

QString displayFileName(const QString& name) {
    QString shown;
    shown.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t unit = name[i].unicode();
        const bool paired = i > 0 && name[i - 1].isHighSurrogate();
        if (CodePage::isEscapedByte(unit) && !paired)
            shown += QStringLiteral("%%1").arg(unit & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
        else
            shown += name[i];
    }
    return shown;
}
