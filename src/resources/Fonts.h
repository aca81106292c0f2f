#pragma once
// The program's Japanese user-interface font.

#include <QFont>

namespace Fonts {

// "ＭＳ Ｐゴシック" where it exists, else a Japanese font that Linux has.
QFont japaneseUi(int pixelSize);

}  // namespace Fonts
