#pragma once
// File names between the file system and the program. A name is bytes; the program
// holds it as text. Names that are UTF-8 (nearly all) become that text; a name holding
// bytes that are not UTF-8 keeps them as escapes (see CodePage::decodeLossless), so the
// text still names the very same file when it goes back to the file system.

#include <QString>
#include <string>
#include <string_view>

QString decodeFileName(std::string_view bytes);
std::string encodeFileName(const QString& name);

// The name as a menu or a label shows it: each byte that is not UTF-8 as "%" and two
// hexadecimal digits, so that two such names can be told apart.
QString displayFileName(const QString& name);
