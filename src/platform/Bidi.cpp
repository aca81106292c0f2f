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
