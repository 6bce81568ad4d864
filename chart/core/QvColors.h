#pragma once
// ARGB colours of the chart library and the table of named colours.
//
// A TQvColor is a 32-bit unsigned ARGB value with alpha in the top byte (255 = opaque), so
// opaque red is 0xFFFF0000. Colours given as text are looked up case-insensitively in the table
// of 167 named colours (26 system colours first, then the 141 web colours); any other text is
// read as a decimal integer.

#include <QColor>
#include <QString>
#include <cstdint>

using TQvColor = std::uint32_t;

namespace QvColors {
constexpr TQvColor Transparent = 0x00FFFFFF;
constexpr TQvColor Black = 0xFF000000;
constexpr TQvColor White = 0xFFFFFFFF;
constexpr TQvColor Red = 0xFFFF0000;
constexpr TQvColor Green = 0xFF008000;
constexpr TQvColor Blue = 0xFF0000FF;
constexpr TQvColor Gray = 0xFF808080;
constexpr TQvColor LightGray = 0xFFD3D3D3;
constexpr TQvColor DarkGray = 0xFFA9A9A9;
constexpr TQvColor Gainsboro = 0xFFDCDCDC;
constexpr TQvColor WindowFrame = 0xFF646464;
} // namespace QvColors

struct TQvNamedColor
{
    const char* Name;
    TQvColor Value;
};

// Number of named colours (167) and the number of system colours at the start of the table (26).
constexpr int QvNamedColorCount = 167;
constexpr int QvSystemColorCount = 26;

// The i-th entry of the table (0 <= i < QvNamedColorCount).
const TQvNamedColor& QvNamedColor(int i);

// Index of the named colour (case-insensitive), or -1.
int QvNamedColorIndex(const QString& Name);

// A colour from text: a name of the table (case-insensitive, surrounding blanks ignored) or a
// decimal integer (negative values wrap to their 32-bit pattern). Anything else gives 0.
TQvColor QvColorFromText(const QString& Text, bool* Ok = nullptr);

// The text of a colour: the name of the first web colour with that value, else the value as a
// decimal integer. QvColorFromText(QvColorToText(c)) == c for every c.
QString QvColorToText(TQvColor Color);

inline constexpr int QvAlpha(TQvColor c) { return int(c >> 24); }
inline constexpr bool QvIsOpaque(TQvColor c) { return (c >> 24) == 0xFF; }
// The same colour with the given alpha (0..255).
inline constexpr TQvColor QvWithAlpha(TQvColor c, int Alpha)
{
    return (TQvColor(Alpha & 0xFF) << 24) | (c & 0x00FFFFFF);
}

inline QColor QvToQColor(TQvColor c) { return QColor::fromRgba(c); }
inline TQvColor QvFromQColor(const QColor& c) { return TQvColor(c.rgba()); }
// An opaque colour from a plain RGB value 0xRRGGBB (the toolkit's colours carry no alpha).
inline constexpr TQvColor QvOpaque(std::uint32_t Rgb) { return 0xFF000000u | (Rgb & 0x00FFFFFF); }
