#pragma once

#include <QColor>
#include <QtGlobal>

// A colour as the button's properties store it: red in the low byte (0x00BBGGRR). A value with
// the high bit set (0x8000000F) refers to a system colour and is translated before drawing; a
// failed translation yields 0xFFFFFFFF (-1), which is then used as it is.
using GlowColor = quint32;

constexpr GlowColor kSystemColorFlag = 0x80000000u;
constexpr GlowColor kBadColor = 0xFFFFFFFFu;

constexpr GlowColor GlowRgb(int r, int g, int b)
{
    return GlowColor(r & 0xFF) | GlowColor(g & 0xFF) << 8 | GlowColor(b & 0xFF) << 16;
}
constexpr int GlowRed(GlowColor c) { return int(c & 0xFF); }
constexpr int GlowGreen(GlowColor c) { return int(c >> 8 & 0xFF); }
constexpr int GlowBlue(GlowColor c) { return int(c >> 16 & 0xFF); }

inline QColor ToQColor(GlowColor c) { return QColor(GlowRed(c), GlowGreen(c), GlowBlue(c)); }
inline GlowColor FromQColor(const QColor &c) { return GlowRgb(c.red(), c.green(), c.blue()); }
