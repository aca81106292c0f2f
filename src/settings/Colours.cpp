#include "settings/Colours.h"

#include "platform/Errors.h"
#include "settings/Settings.h"

#include <QApplication>
#include <QPalette>
#include <array>

namespace {

struct NamedColour {
    const char* name;
    TColor value;
};

constexpr std::array<NamedColour, 42> kNames{{
    {"clBlack", 0x00000000}, {"clMaroon", 0x00000080}, {"clGreen", 0x00008000}, {"clOlive", 0x00008080},
    {"clNavy", 0x00800000}, {"clPurple", 0x00800080}, {"clTeal", 0x00808000}, {"clGray", 0x00808080},
    {"clSilver", 0x00C0C0C0}, {"clRed", 0x000000FF}, {"clLime", 0x0000FF00}, {"clYellow", 0x0000FFFF},
    {"clBlue", 0x00FF0000}, {"clFuchsia", 0x00FF00FF}, {"clAqua", 0x00FFFF00}, {"clWhite", 0x00FFFFFF},
    {"clNone", clNone},
    {"clScrollBar", systemColour(0)}, {"clBackground", systemColour(1)}, {"clActiveCaption", systemColour(2)},
    {"clInactiveCaption", systemColour(3)}, {"clMenu", systemColour(4)}, {"clWindow", systemColour(5)},
    {"clWindowFrame", systemColour(6)}, {"clMenuText", systemColour(7)}, {"clWindowText", systemColour(8)},
    {"clCaptionText", systemColour(9)}, {"clActiveBorder", systemColour(10)}, {"clInactiveBorder", systemColour(11)},
    {"clAppWorkSpace", systemColour(12)}, {"clHighlight", systemColour(13)}, {"clHighlightText", systemColour(14)},
    {"clBtnFace", systemColour(15)}, {"clBtnShadow", systemColour(16)}, {"clGrayText", systemColour(17)},
    {"clBtnText", systemColour(18)}, {"clInactiveCaptionText", systemColour(19)}, {"clBtnHighlight", systemColour(20)},
    {"cl3DDkShadow", systemColour(21)}, {"cl3DLight", systemColour(22)}, {"clInfoText", systemColour(23)},
    {"clInfoBk", systemColour(24)},
}};

bool equalsAsciiNoCase(const QString& text, const char* name) {
    const auto lowered = [](char16_t c) { return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c; };
    qsizetype i = 0;
    for (; name[i] != '\0'; ++i)
        if (i >= text.size() || lowered(text[i].unicode()) != lowered(char16_t(name[i]))) return false;
    return i == text.size();
}

QColor systemQColor(int index) {
    const QPalette p = QApplication::palette();
    using R = QPalette::ColorRole;
    switch (index) {
    case 0: return p.color(QPalette::Active, R::Mid);                // scroll bar
    case 1: return QColor(0x3A, 0x6E, 0xA5);                         // desktop
    case 2: return p.color(QPalette::Active, R::Highlight);          // active caption
    case 3: return QColor(0x80, 0x80, 0x80);                         // inactive caption
    case 4: return p.color(QPalette::Active, R::Window);             // menu
    case 5: return p.color(QPalette::Active, R::Base);               // window
    case 6: return p.color(QPalette::Active, R::Shadow);             // window frame
    case 7: return p.color(QPalette::Active, R::WindowText);         // menu text
    case 8: return p.color(QPalette::Active, R::Text);               // window text
    case 9: return p.color(QPalette::Active, R::HighlightedText);    // caption text
    case 10: case 11: return p.color(QPalette::Active, R::Window);   // borders
    case 12: return p.color(QPalette::Active, R::Dark);              // application workspace
    case 13: return p.color(QPalette::Active, R::Highlight);
    case 14: return p.color(QPalette::Active, R::HighlightedText);
    case 15: return p.color(QPalette::Active, R::Button);            // button face
    case 16: return p.color(QPalette::Active, R::Mid);               // button shadow
    case 17: return p.color(QPalette::Disabled, R::Text);            // grey text
    case 18: return p.color(QPalette::Active, R::ButtonText);
    case 19: return QColor(0xD4, 0xD0, 0xC8);                        // inactive caption text
    case 20: return p.color(QPalette::Active, R::Light);             // button highlight
    case 21: return p.color(QPalette::Active, R::Shadow);
    case 22: return p.color(QPalette::Active, R::Midlight);
    case 23: return p.color(QPalette::Active, R::ToolTipText);
    case 24: return p.color(QPalette::Active, R::ToolTipBase);
    default: return p.color(QPalette::Active, R::Window);
    }
}

}  // namespace

QString ColorToString(TColor colour) {
    for (const auto& n : kNames)
        if (n.value == colour) return QString::fromLatin1(n.name);
    return QStringLiteral("$%1").arg(static_cast<std::uint32_t>(colour), 8, 16, QLatin1Char('0')).toUpper();
}

TColor StringToColor(const QString& text) {
    for (const auto& n : kNames)
        if (equalsAsciiNoCase(text, n.name)) return n.value;
    if (auto v = TryStrToInt(text)) return *v;
    throw EConvertError(text);
}

QColor toQColor(TColor colour) {
    const auto v = static_cast<std::uint32_t>(colour);
    if (v & 0x80000000u) return systemQColor(static_cast<int>(v & 0xFF));
    if (colour == clNone) return QColor(Qt::transparent);
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF), static_cast<int>((v >> 16) & 0xFF));
}

TColor fromQColor(const QColor& colour) {
    return static_cast<TColor>(static_cast<std::uint32_t>(colour.red()) | (static_cast<std::uint32_t>(colour.green()) << 8) |
                               (static_cast<std::uint32_t>(colour.blue()) << 16));
}
