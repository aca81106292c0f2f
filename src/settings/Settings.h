#pragma once
// The settings access object: made for one use on one INI file, then let go. Creating it
// touches no file; every read goes to the file (through the checked parse cache) and
// every write goes to disk at once.

#include "settings/Colours.h"
#include "settings/KeyTable.h"
#include "platform/PrivateProfile.h"

#include <QString>
#include <cstdint>
#include <optional>

class Settings {
public:
    explicit Settings(QString path) : path_(std::move(path)) {}

    // Many keys saved at once (at closing): every write to the file through any Settings
    // while the batch is open lands in one replacement of the file at commit(), with the
    // same bytes as the writes one at a time. See PrivateProfile::Batch.
    using Batch = PrivateProfile::Batch;

    const QString& path() const { return path_; }

    QString ReadString(const char* section, const char* key, const QString& def) const;
    int ReadInteger(const char* section, const char* key, int def) const;
    bool ReadBool(const char* section, const char* key, bool def) const;
    TColor ReadColour(const char* section, const char* key, const QString& def) const;

    void WriteString(const char* section, const char* key, const QString& value);
    void WriteInteger(const char* section, const char* key, int value);
    void WriteBool(const char* section, const char* key, bool value);
    void WriteColour(const char* section, const char* key, TColor value);

    // The same through the key table.
    QString Read(const Keys::StringKey& k) const { return ReadString(k.section, k.name, QString::fromUtf8(k.def)); }
    int Read(const Keys::IntegerKey& k) const { return ReadInteger(k.section, k.name, k.def); }
    bool Read(const Keys::BooleanKey& k) const { return ReadBool(k.section, k.name, k.def); }
    TColor Read(const Keys::ColourKey& k) const { return ReadColour(k.section, k.name, QString::fromUtf8(k.def)); }
    // A boolean key read as a number, for readers that test it for an exact value.
    int ReadInteger(const Keys::BooleanKey& k) const { return ReadInteger(k.section, k.name, k.def ? 1 : 0); }
    // Values the program holds in one byte (the text size, the tab limit, the engine
    // switch, the opening choices): only the low 8 bits count, so 257 reads as 1.
    std::uint8_t ReadByte(const Keys::IntegerKey& k) const { return static_cast<std::uint8_t>(Read(k) & 0xFF); }
    std::uint8_t ReadByte(const Keys::BooleanKey& k) const { return static_cast<std::uint8_t>(ReadInteger(k) & 0xFF); }

    void Write(const Keys::StringKey& k, const QString& v) { WriteString(k.section, k.name, v); }
    void Write(const Keys::IntegerKey& k, int v) { WriteInteger(k.section, k.name, v); }
    void Write(const Keys::BooleanKey& k, bool v) { WriteBool(k.section, k.name, v); }
    void Write(const Keys::ColourKey& k, TColor v) { WriteColour(k.section, k.name, v); }

private:
    QString path_;
};

// Text to integer: decimal, or hexadecimal after "$", with an optional sign, within 32
// bits (hexadecimal wraps: $FFFFFFFF is -1); anything else gives the default. Integer
// settings first turn a leading "0x"/"0X" of a text longer than 2 characters into "$".
int StrToIntDef(const QString& text, int def);
// The same without a default: nothing when the text does not convert.
std::optional<int> TryStrToInt(const QString& text);
