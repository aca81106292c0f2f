#include "weblists/WebListFile.h"

WebList ReadWebList(const QString& path) { return TextLines::readList(path); }

void WriteWebList(const QString& path, const WebList& list) { TextLines::writeList(path, list); }

QString WebListDisplayName(const QString& fileName) {
    // Four characters, not four UTF-16 units: a name ending in a character outside the
    // basic plane must not be cut inside it.
    qsizetype end = fileName.size();
    for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
        --end;
        if (end > 0 && fileName[end].isLowSurrogate() && fileName[end - 1].isHighSurrogate()) --end;
    }
    return fileName.left(end);
}
