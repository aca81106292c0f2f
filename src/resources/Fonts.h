#pragma once
// The program's Japanese user-interface font.

#include <QFont>

#include <thread>

namespace Fonts {

// "ＭＳ Ｐゴシック" where it exists, else a Japanese font that Linux has.
QFont japaneseUi(int pixelSize);

// Loads the system's font configuration (fontconfig: its XML files and caches, several
// milliseconds) on a worker while the frame is being built, so that the frame's first
// text finds it ready. Qt asks for the same configuration itself; whichever asks first
// loads it, the other gets it as it is, so nothing waits on this object but its own
// destruction. Fonts are the same with or without it.
class ConfigurationLoad {
public:
    ConfigurationLoad();
    ~ConfigurationLoad();
    ConfigurationLoad(const ConfigurationLoad&) = delete;
    ConfigurationLoad& operator=(const ConfigurationLoad&) = delete;

private:
    std::thread worker_;
};

}  // namespace Fonts
