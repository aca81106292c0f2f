#include "engines/EngineVersions.h"

#include <array>

namespace EngineVersions {
namespace {

std::array<QString, 2>& texts() {
    static std::array<QString, 2> table;
    return table;
}

}  // namespace

void set(Slot slot, const QString& text) { texts()[static_cast<std::size_t>(slot)] = text; }

QString get(Slot slot) { return texts()[static_cast<std::size_t>(slot)]; }

QStringList describe() {
    const auto line = [](const QString& name, Slot slot) {
        const QString text = get(slot);
        return QStringLiteral("%1 の枠: %2").arg(name, text.isEmpty() ? QStringLiteral("未使用") : text);
    };
    return {line(QStringLiteral("Internet Explorer"), Slot::InternetExplorer), line(QStringLiteral("Gekko"), Slot::Gekko)};
}

}  // namespace EngineVersions
