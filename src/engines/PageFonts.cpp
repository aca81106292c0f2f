#include "engines/PageFonts.h"

#include <QFontDatabase>
#include <QStringList>
#include <initializer_list>

namespace PageFonts {
namespace {

QString firstInstalled(std::initializer_list<const char*> families) {
    const QStringList installed = QFontDatabase::families();
    for (const char* family : families)
        if (installed.contains(QLatin1String(family), Qt::CaseInsensitive)) return QString::fromLatin1(family);
    return {};
}

}  // namespace

QString sans() { return firstInstalled({"Noto Sans CJK JP", "IPAexGothic", "IPAGothic", "VL Gothic", "TakaoPGothic"}); }

QString serif() { return firstInstalled({"Noto Serif CJK JP", "IPAexMincho", "IPAMincho", "TakaoPMincho"}); }

}  // namespace PageFonts
