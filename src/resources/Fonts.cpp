#include "resources/Fonts.h"

#include <QStringList>

namespace Fonts {

QFont japaneseUi(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic")});
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace Fonts
