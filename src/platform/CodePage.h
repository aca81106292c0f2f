#pragma once
// The ANSI code page: the character set of the process locale, and conversions between
// it (or another named character set) and Unicode text.
//
// Decoding never fails: every byte sequence that is not valid in the character set
// becomes one U+FFFD per offending byte, so broken text stays visible instead of
// vanishing. Encoding never fails either: a character the set cannot hold is handed to
// a fallback (by default it becomes "?", as the Windows conversion does).

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

// The longest prefix of at most maxBytes bytes that does not split a character of the
// ANSI code page.
std::size_t prefixAtCharBoundary(std::string_view bytes, std::size_t maxBytes);

// Test hook: pretend the locale's character set is this one ("" restores the locale's).
void overrideAnsiName(const std::string& charset);

}  // namespace CodePage
