#include "resources/Fonts.h"

#include <QStringList>

#include <system_error>

#include <fontconfig/fontconfig.h>

namespace Fonts {

QFont japaneseUi(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("Noto Sans JP"), QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic")});
    font.setPixelSize(pixelSize);
    return font;
}

// fontconfig keeps one default configuration per process and installs it atomically:
// when Qt's own FcInit() runs while this one is still loading, both finish with the same
// configuration in place (the loser's copy is dropped), so no lock is needed here.
ConfigurationLoad::ConfigurationLoad() {
    try {
        worker_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: Qt loads the configuration itself at its first text.
    }
}

ConfigurationLoad::~ConfigurationLoad() {
    if (worker_.joinable()) worker_.join();
}

}  // namespace Fonts
