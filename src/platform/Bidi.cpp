#include "platform/Bidi.h"

bool isBidiControl(char16_t u) {
    return (u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069) || u == 0x200E || u == 0x200F ||
           u == 0x061C;
}

QString neutralizeBidi(const QString& text) {
    qsizetype first = 0;
    while (first < text.size() && !isBidiControl(text[first].unicode())) ++first;
    if (first == text.size()) return text;  // the usual case: shared, not copied
    QString out = text.left(first);
    out.reserve(text.size());
    for (qsizetype i = first + 1; i < text.size(); ++i)
        if (!isBidiControl(text[i].unicode())) out += text[i];
    return out;
}

namespace {

bool isLineBreak(char16_t u) {
    return u == u'\n' || u == u'\r' || u == 0x0B || u == 0x0C || u == 0x85 || u == 0x2028 || u == 0x2029;
}

}  // namespace

QString onOneLine(const QString& text) {
    qsizetype first = 0;
    while (first < text.size() && !isLineBreak(text[first].unicode())) ++first;
    if (first == text.size()) return text;
    QString out = text.left(first);
    out.reserve(text.size());
    for (qsizetype i = first; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (!isLineBreak(u)) {
            out += text[i];
            continue;
        }
        out += u' ';
        if (u == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    }
    return out;
}

QString shownPageText(const QString& text) { return onOneLine(neutralizeBidi(text)); }
