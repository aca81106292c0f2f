#pragma once
// The ANSI code page: the character set of the process locale, and conversions between
// it (or another named character set) and Unicode text.
//
// Decoding never fails: every byte sequence that is not valid in the character set
// becomes one U+FFFD per offending byte, so broken text stays visible instead of
// vanishing. Encoding never fails either: a character the set cannot hold is handed to
// a fallback (by default it becomes "?", as the Windows conversion does).
//
// Text that may be written back (a list file an editor shows and saves) takes the
// lossless decoding instead: a byte that does not stand in a character which encodes
// back to the very same bytes becomes the lone low surrogate U+DC00 + byte, which the
// lossless encoder turns back into that byte. No valid decoding ever yields a lone
// surrogate, so the two cannot be confused, and QString, QLineEdit and QPlainTextEdit
// keep lone surrogates as they are. QPlainTextEdit does alter a few real characters
// (U+00A0 comes back as a space; U+2028, U+2029, U+FDD0 and U+FDD1 as line breaks), so
// the bytes of those are escaped as well: a line decoded losslessly, shown in an editor
// and taken back encodes to its original bytes. The lossy functions stay for text that
// is only shown.

#include <QList>
#include <QString>
#include <functional>
#include <string>
#include <string_view>

namespace CodePage {

// iconv name of the ANSI code page. A plain ASCII ("C") locale counts as UTF-8, the
// same choice Qt makes for such locales.
const std::string& ansiName();

QString toUnicode(std::string_view bytes);          // from the ANSI code page
std::string fromUnicode(const QString& text);       // to the ANSI code page

using Fallback = std::function<std::string(char32_t)>;
QString decode(std::string_view bytes, const std::string& charset);
std::string encode(const QString& text, const std::string& charset, const Fallback& fallback = {});

// Lossless decoding and its inverse: encodeLossless(decodeLossless(b, cs), cs) == b for
// any bytes b and any stateless character set cs (every locale character set is one).
// encodeLossless turns U+DC00..U+DCFF into single bytes, any other lone surrogate into
// "?", and a character the set cannot hold into "?".
QString decodeLossless(std::string_view bytes, const std::string& charset);
std::string encodeLossless(const QString& text, const std::string& charset);
QString toUnicodeLossless(std::string_view bytes);     // from the ANSI code page
std::string fromUnicodeLossless(const QString& text);  // to the ANSI code page

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, nothing
// beyond U+10FFFF, no sequence cut at the end).
bool isValidUtf8(std::string_view bytes);

// The character set a plain-text list file (a web list, the popup filter's list) is in,
// judged from its bytes: UTF-8 when they hold UTF-8 beyond ASCII, Shift_JIS (code page
// 932, which such lists were made in) when they are not UTF-8, and the locale's set when
// they are plain ASCII and so fit either.
std::string listFileCharset(std::string_view bytes);

// Whether an unpaired UTF-16 code unit stands for an escaped byte (its low 8 bits).
constexpr bool isEscapedByte(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDCFF; }

// The longest prefix of at most maxBytes bytes that does not split a character of the
// ANSI code page.
std::size_t prefixAtCharBoundary(std::string_view bytes, std::size_t maxBytes);

// Test hook: pretend the locale's character set is this one ("" restores the locale's).
void overrideAnsiName(const std::string& charset);

}  // namespace CodePage
