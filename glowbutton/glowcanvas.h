#pragma once

#include "glowcolor.h"

#include <QImage>
#include <QRect>

class QFont;
class QString;
class SystemColors;

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0.
int GlowDivHalfEven(int num, int den);

// Colour helpers shared by every face; all channels stay within 0..255.

// Each channel + n, clamped.
GlowColor GlowOffset(GlowColor c, int n);
// Each channel (a + b) / 2, rounded half to even.
GlowColor GlowAverage(GlowColor a, GlowColor b);
// Each channel k + (255 - k) * channel / 255 (integer division), clamped: k = 0 keeps c.
GlowColor GlowLighten(GlowColor c, int k);
// RGB(g, g, g) with g = (R + G + B) / 3 rounded half to even.
GlowColor GlowGrey(GlowColor c);
// The colour i/n of the way from `from` to `to`, each channel rounded half to even.
GlowColor GlowBlend(GlowColor from, GlowColor to, int i, int n);

// Edge kinds: single lines (raised/sunken outer/inner) and their pairs.
enum GlowEdgeKind {
    kEdgeRaisedOuter = 1,
    kEdgeSunkenOuter = 2,
    kEdgeRaisedInner = 4,
    kEdgeSunkenInner = 8,
    kEdgeRaised = 5,
    kEdgeSunken = 10,
};

// Caption-format flags.
enum GlowTextFlag {
    kTextCenter = 1,
    kTextRight = 2,
    kTextVCenter = 4,
    kTextBottom = 8,
    kTextWordBreak = 16,
    kTextSingleLine = 32,
};

// Pixel-exact integer drawing over a 32-bit image. Every primitive but text writes single
// pixels, so results never depend on antialiasing; writes outside the image are dropped.
class GlowCanvas
{
public:
    // `image` must outlive the canvas; an image that is not 32 bits per pixel (RGB32, ARGB32 or
    // premultiplied ARGB32) is converted to RGB32. Pixels are written opaque, straight into the
    // buffer the image owns when the canvas is made: do not copy or resize the image while the
    // canvas draws on it (painting on it with a QPainter in between is fine).
    explicit GlowCanvas(QImage &image);

    int Width() const { return m_image.width(); }
    int Height() const { return m_image.height(); }
    QImage &Image() { return m_image; }

    // The colour at (x, y); kBadColor outside the image.
    GlowColor Pixel(int x, int y) const;
    void SetPixel(int x, int y, GlowColor c);
    // A one-pixel line from (x1, y1) towards (x2, y2), the end point not drawn.
    void Line(int x1, int y1, int x2, int y2, GlowColor c);
    // Fills left <= x < right, top <= y < bottom.
    void FillRect(int left, int top, int right, int bottom, GlowColor c);
    // The whole image in c.
    void Fill(GlowColor c);
    // Lines (x,y) -> (x+w,y) -> (x+w,y+h) -> (x,y+h) -> (x,y).
    void Outline(int x, int y, int w, int h, GlowColor c);
    // Outline in c1, the same shifted by (1, 1) in c2, corners (x, y+h) and (x+w, y) in c3 and
    // (x+1, y+h-1), (x+w-1, y+1) in the average of c2 and c1.
    void EtchedFrame(int x, int y, int w, int h, GlowColor c1, GlowColor c2, GlowColor c3);
    // Lines x1..x2 (excluded) at y..y+n, colour `from` on the first, `to` on the last.
    void VerticalGradient(GlowColor from, GlowColor to, int x1, int y, int x2, int n);
    // Columns x1..x2 from y1 to y2 (excluded), colour `from` on the first, `to` on the last.
    void HorizontalGradient(GlowColor from, GlowColor to, int x1, int y1, int x2, int y2);
    // The two-tone edge of `kind` on all four sides of `rect`, in the platform's light and
    // dark system colours (light, highlight, shadow, dark shadow).
    void Edge(const QRect &rect, int kind, const SystemColors &colors);
    // `text` in `rect` with the caption-format `flags`, transparent background; an ampersand
    // underlines the next character and "&&" draws one.
    void Text(const QString &text, const QRect &rect, int flags, const QFont &font, GlowColor c);
    // `picture` stretched to w x h (nearest pixel) and laid over the image by its alpha.
    void Picture(const QImage &picture, int x, int y, int w, int h);

private:
    void HLine(int x1, int x2, int y, GlowColor c);
    void VLine(int x, int y1, int y2, GlowColor c);
    QRgb *Row(int y) const { return reinterpret_cast<QRgb *>(m_bits + y * m_stride); }

    QImage &m_image;
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
};
