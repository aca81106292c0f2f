#pragma once
// Colours as config.ini stores them: 32-bit values with red in the lowest byte, system
// colours as 0x80000000 plus the system-colour index, and names for the common ones.

#include <QColor>
#include <QString>
#include <cstdint>

using TColor = std::int32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor systemColour(int index) { return static_cast<TColor>(0x80000000u + static_cast<unsigned>(index)); }
inline constexpr TColor clInactiveCaption = systemColour(3);
inline constexpr TColor clWindowText = systemColour(8);
inline constexpr TColor clAppWorkSpace = systemColour(12);
inline constexpr TColor clBtnFace = systemColour(15);

// The name of the colour, or "$" and 8 upper-case hexadecimal digits.
QString ColorToString(TColor colour);
// A colour name (ASCII case ignored), else a signed decimal or "$" hexadecimal number.
// Throws EConvertError "'%s' は整数ではありません" for anything else.
TColor StringToColor(const QString& text);

// The colour to paint with: system colours follow the desktop's palette.
QColor toQColor(TColor colour);
// A painted colour back to a stored value (always an ordinary colour).
TColor fromQColor(const QColor& colour);
