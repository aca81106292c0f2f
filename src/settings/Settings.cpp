#include "settings/Settings.h"

#include "platform/CodePage.h"
#include "platform/PrivateProfile.h"

#include <cstdint>

std::optional<int> TryStrToInt(const QString& text) {
    QString s = text;
    if (s.isEmpty()) return std::nullopt;
    bool negative = false;
    qsizetype i = 0;
    if (s[0] == u'-' || s[0] == u'+') {
        negative = s[0] == u'-';
        i = 1;
    }
    int base = 10;
    if (i < s.size() && s[i] == u'$') {
        base = 16;
        ++i;
    }
    if (i >= s.size()) return std::nullopt;
    std::uint64_t value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        int digit;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        else return std::nullopt;
        value = value * static_cast<unsigned>(base) + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFull) return std::nullopt;
    }
    if (base == 16) {
        // Hexadecimal fills the 32 bits: $FFFFFFFF is -1.
        const auto bits = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
        return negative ? static_cast<int>(-static_cast<std::int64_t>(bits)) : bits;
    }
    const std::int64_t signedValue = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) return std::nullopt;
    return static_cast<int>(signedValue);
}

int StrToIntDef(const QString& text, int def) { return TryStrToInt(text).value_or(def); }

QString Settings::ReadString(const char* section, const char* key, const QString& def) const {
    const auto raw = PrivateProfile::read(path_, section, key);
    return raw ? CodePage::toUnicode(*raw) : def;
}

int Settings::ReadInteger(const char* section, const char* key, int def) const {
    QString text = ReadString(section, key, QString());
    if (text.size() > 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X'))
        text = QStringLiteral("$") + text.mid(2);
    return StrToIntDef(text, def);
}

bool Settings::ReadBool(const char* section, const char* key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

TColor Settings::ReadColour(const char* section, const char* key, const QString& def) const {
    return StringToColor(ReadString(section, key, def));
}

void Settings::WriteString(const char* section, const char* key, const QString& value) {
    PrivateProfile::write(path_, section, key, CodePage::fromUnicode(value));
}

void Settings::WriteInteger(const char* section, const char* key, int value) {
    WriteString(section, key, QString::number(value));
}

void Settings::WriteBool(const char* section, const char* key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void Settings::WriteColour(const char* section, const char* key, TColor value) {
    WriteString(section, key, ColorToString(value));
}
