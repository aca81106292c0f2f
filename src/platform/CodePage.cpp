#include "platform/CodePage.h"

#include <algorithm>

#include <cerrno>
#include <clocale>
#include <iconv.h>
#include <langinfo.h>
#include <optional>
#include <stdexcept>
#include <vector>

namespace CodePage {
namespace {

std::string& overridden() {
    static std::string name;
    return name;
}

std::string localeCharset() {
    // The process locale may still be "C" when we are asked early; the environment's
    // locale is what the user chose.
    const char* previous = std::setlocale(LC_CTYPE, nullptr);
    std::string saved = previous ? previous : "C";
    std::setlocale(LC_CTYPE, "");
    std::string name = nl_langinfo(CODESET);
    std::setlocale(LC_CTYPE, saved.c_str());
    if (name.empty() || name == "ANSI_X3.4-1968" || name == "ASCII" || name == "US-ASCII")
        name = "UTF-8";
    return name;
}

// RAII around one iconv descriptor.
class Converter {
public:
    Converter(const std::string& to, const std::string& from) : cd_(iconv_open(to.c_str(), from.c_str())) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw std::runtime_error("unsupported character set: " + from + " -> " + to);
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    // Converts as much as possible; returns false and leaves `in` at the offending
    // input when a sequence is invalid or cannot be represented.
    bool run(const char*& in, std::size_t& inLeft, std::string& out) {
        char buffer[4096];
        while (inLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t r = iconv(cd_, const_cast<char**>(&in), &inLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (r == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG) continue;
                iconv(cd_, nullptr, nullptr, nullptr, nullptr);
                return false;
            }
        }
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        iconv(cd_, nullptr, nullptr, &dst, &dstLeft);
        out.append(buffer, dst - buffer);
        return true;
    }

private:
    iconv_t cd_;
};

bool isUtf8(const std::string& charset) {
    return charset == "UTF-8" || charset == "utf-8" || charset == "UTF8" || charset == "utf8";
}

constexpr char16_t EscapeBase = 0xDC00;
// The longest byte sequence of one character in any locale character set (GB18030 and
// UTF-8 need four).
constexpr std::size_t MaxCharBytes = 4;

// Characters that QPlainTextEdit does not give back as they went in.
bool alteredByEditors(const QString& text) {
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == 0x00A0 || u == 0x2028 || u == 0x2029 || u == 0xFDD0 || u == 0xFDD1) return true;
    }
    return false;
}

// The bytes of the text in the set, or nothing when a character does not fit.
std::optional<std::string> encodeStrict(const QString& text, const std::string& charset) {
    const QByteArray utf8 = text.toUtf8();
    if (isUtf8(charset)) return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    std::string out;
    Converter conv(charset, "UTF-8");
    const char* in = utf8.constData();
    std::size_t left = static_cast<std::size_t>(utf8.size());
    if (!conv.run(in, left, out)) return std::nullopt;
    return out;
}

// The text the bytes stand for when every character converts and comes back as the
// same bytes (and as the same text through an editor); nothing otherwise.
std::optional<QString> decodeExact(Converter& decoder, std::string_view bytes, const std::string& charset) {
    std::string utf8;
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    if (!decoder.run(in, left, utf8) || utf8.empty()) return std::nullopt;
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (alteredByEditors(text) || encodeStrict(text, charset) != std::string(bytes)) return std::nullopt;
    return text;
}

}  // namespace

const std::string& ansiName() {
    static const std::string fromLocale = localeCharset();
    return overridden().empty() ? fromLocale : overridden();
}

void overrideAnsiName(const std::string& charset) { overridden() = charset; }

QString decode(std::string_view bytes, const std::string& charset) {
    if (bytes.empty()) return {};
    std::string utf8;
    utf8.reserve(bytes.size());
    Converter conv("UTF-8", charset);
    const char* in = bytes.data();
    std::size_t left = bytes.size();
    while (!conv.run(in, left, utf8)) {
        // An invalid or incomplete sequence: one replacement character for the byte,
        // then go on with the next byte.
        utf8 += "\xEF\xBF\xBD";
        ++in;
        --left;
    }
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string encode(const QString& text, const std::string& charset, const Fallback& fallback) {
    std::string out;
    if (text.isEmpty()) return out;
    const QByteArray utf8 = text.toUtf8();
    Converter conv(charset, "UTF-8");
    const char* in = utf8.constData();
    std::size_t left = static_cast<std::size_t>(utf8.size());
    while (!conv.run(in, left, out)) {
        // `in` stands on a character the set cannot hold: decode it, replace it, skip it.
        const auto lead = static_cast<unsigned char>(*in);
        std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        if (len > left) len = left;
        const QString one = QString::fromUtf8(in, static_cast<qsizetype>(len));
        const QList<uint> cps = one.toUcs4();
        const char32_t cp = cps.isEmpty() ? U'?' : static_cast<char32_t>(cps.front());
        out += fallback ? fallback(cp) : std::string("?");
        in += len;
        left -= len;
    }
    return out;
}

QString toUnicode(std::string_view bytes) { return decode(bytes, ansiName()); }

QString decodeLossless(std::string_view bytes, const std::string& charset) {
    if (bytes.empty()) return {};
    Converter decoder("UTF-8", charset);
    // Nearly every line is clean: one conversion and one check.
    if (auto whole = decodeExact(decoder, bytes, charset)) return *whole;
    // Otherwise character by character: the shortest run of bytes that is one exact
    // character, or else the first byte escaped.
    QString text;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t step = 0;
        for (std::size_t len = 1; len <= MaxCharBytes && pos + len <= bytes.size(); ++len) {
            if (auto one = decodeExact(decoder, bytes.substr(pos, len), charset)) {
                text += *one;
                step = len;
                break;
            }
        }
        if (step == 0) {
            text += QChar(static_cast<char16_t>(EscapeBase + static_cast<unsigned char>(bytes[pos])));
            step = 1;
        }
        pos += step;
    }
    return text;
}

std::string encodeLossless(const QString& text, const std::string& charset) {
    std::string out;
    QString run;
    const auto flush = [&] {
        if (run.isEmpty()) return;
        out += isUtf8(charset) ? run.toUtf8().toStdString() : encode(run, charset);
        run.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text[i + 1].unicode())) {
            run += text[i];
            run += text[i + 1];
            ++i;
        } else if (isEscapedByte(u)) {
            flush();
            out += static_cast<char>(u - EscapeBase);
        } else if (QChar::isSurrogate(u)) {
            flush();
            out += '?';
        } else {
            run += text[i];
        }
    }
    flush();
    return out;
}

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        std::size_t extra = 0;
        unsigned char low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (c >= 0xC2 && c <= 0xDF) extra = 1;
        else if (c == 0xE0) extra = 2, low = 0xA0;
        else if (c == 0xED) extra = 2, high = 0x9F;  // not a surrogate
        else if (c >= 0xE1 && c <= 0xEF) extra = 2;
        else if (c == 0xF0) extra = 3, low = 0x90;
        else if (c == 0xF4) extra = 3, high = 0x8F;  // not beyond U+10FFFF
        else if (c >= 0xF1 && c <= 0xF3) extra = 3;
        else return false;
        if (n - i <= extra) return false;
        if (p[i + 1] < low || p[i + 1] > high) return false;
        for (std::size_t k = 2; k <= extra; ++k)
            if (p[i + k] < 0x80 || p[i + k] > 0xBF) return false;
        i += extra + 1;
    }
    return true;
}

std::string listFileCharset(std::string_view bytes) {
    const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    if (ascii) return ansiName();
    return isValidUtf8(bytes) ? std::string("UTF-8") : std::string("CP932");
}

QString toUnicodeLossless(std::string_view bytes) { return decodeLossless(bytes, ansiName()); }

std::string fromUnicodeLossless(const QString& text) { return encodeLossless(text, ansiName()); }

std::string fromUnicode(const QString& text) {
    // Fast path: UTF-8 holds every character.
    if (isUtf8(ansiName())) {
        QByteArray utf8 = text.toUtf8();
        return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
    }
    return encode(text, ansiName());
}

std::size_t prefixAtCharBoundary(std::string_view bytes, std::size_t maxBytes) {
    if (bytes.size() <= maxBytes) return bytes.size();
    const std::string& cs = ansiName();
    if (isUtf8(cs)) {
        std::size_t n = maxBytes;
        // Step back over continuation bytes to the start of the character that was cut.
        while (n > 0 && (static_cast<unsigned char>(bytes[n]) & 0xC0) == 0x80) --n;
        return n;
    }
    // Other sets: walk whole characters by converting one at a time.
    Converter conv("UTF-32LE", cs);
    std::size_t pos = 0;
    while (pos < maxBytes) {
        std::size_t step = 0;
        for (std::size_t len = 1; len <= 4 && pos + len <= bytes.size(); ++len) {
            std::string out;
            const char* in = bytes.data() + pos;
            std::size_t left = len;
            if (conv.run(in, left, out) && !out.empty()) {
                step = len;
                break;
            }
        }
        if (step == 0) step = 1;  // an invalid byte counts as one character
        if (pos + step > maxBytes) break;
        pos += step;
    }
    return pos;
}

}  // namespace CodePage
