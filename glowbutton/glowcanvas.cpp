#include "glowcanvas.h"

#include "systemcolors.h"

#include <QFont>
#include <QPainter>
#include <QString>

#include <algorithm>
#include <cstdlib>

namespace {

int Clamp255(int v)
{
    return std::clamp(v, 0, 255);
}

QRgb ToRgb(GlowColor c)
{
    return qRgb(GlowRed(c), GlowGreen(c), GlowBlue(c));
}
GlowColor FromRgb(QRgb p)
{
    return GlowRgb(qRed(p), qGreen(p), qBlue(p));
}

template <typename F> GlowColor PerChannel(GlowColor a, GlowColor b, F f)
{
    return GlowRgb(Clamp255(f(GlowRed(a), GlowRed(b))), Clamp255(f(GlowGreen(a), GlowGreen(b))),
                   Clamp255(f(GlowBlue(a), GlowBlue(b))));
}

} // namespace

// num / den rounded to the nearest integer, halves to the even neighbour; den > 0.
int GlowDivHalfEven(int num, int den)
{
    const int sign = num < 0 ? -1 : 1;
    const int a = std::abs(num);
    int q = a / den;
    const int twice = 2 * (a % den);
    if (twice > den || (twice == den && q % 2 == 1))
        ++q;
    return sign * q;
}

GlowColor GlowOffset(GlowColor c, int n)
{
    return PerChannel(c, c, [n](int v, int) { return v + n; });
}

GlowColor GlowAverage(GlowColor a, GlowColor b)
{
    return PerChannel(a, b, [](int x, int y) { return GlowDivHalfEven(x + y, 2); });
}

GlowColor GlowLighten(GlowColor c, int k)
{
    return PerChannel(c, c, [k](int v, int) { return k + (255 - k) * v / 255; });
}

GlowColor GlowGrey(GlowColor c)
{
    const int g = GlowDivHalfEven(GlowRed(c) + GlowGreen(c) + GlowBlue(c), 3);
    return GlowRgb(g, g, g);
}

GlowColor GlowBlend(GlowColor from, GlowColor to, int i, int n)
{
    if (n == 0)
        return from;
    if (n < 0) {
        n = -n;
        i = -i;
    }
    // The whole value is rounded, not only the step: from 3 towards 0 half way gives 2.
    return PerChannel(from, to,
                      [i, n](int f, int t) { return GlowDivHalfEven(f * n + (t - f) * i, n); });
}

GlowCanvas::GlowCanvas(QImage &image) : m_image(image)
{
    const QImage::Format f = m_image.format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 &&
        f != QImage::Format_ARGB32_Premultiplied)
        m_image = m_image.convertToFormat(QImage::Format_RGB32);
    if (!m_image.isNull()) {
        m_bits = m_image.bits(); // detaches once; every primitive writes through it
        m_stride = m_image.bytesPerLine();
    }
}

GlowColor GlowCanvas::Pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return kBadColor;
    return FromRgb(Row(y)[x]);
}

void GlowCanvas::SetPixel(int x, int y, GlowColor c)
{
    if (x < 0 || y < 0 || x >= Width() || y >= Height())
        return;
    Row(y)[x] = ToRgb(c);
}

void GlowCanvas::HLine(int x1, int x2, int y, GlowColor c)
{
    if (y < 0 || y >= Height())
        return;
    // x1 is drawn, x2 is not, whichever way the line runs.
    const int from = x1 <= x2 ? x1 : x2 + 1;
    const int to = x1 <= x2 ? x2 : x1 + 1;
    const int a = std::max(from, 0), b = std::min(to, Width());
    if (a >= b)
        return;
    QRgb *row = Row(y);
    std::fill(row + a, row + b, ToRgb(c));
}

void GlowCanvas::Fill(GlowColor c)
{
    m_image.fill(ToRgb(c)); // Qt's vectorised fill: most repaints start with one or two
}

void GlowCanvas::VLine(int x, int y1, int y2, GlowColor c)
{
    if (x < 0 || x >= Width())
        return;
    const int from = y1 <= y2 ? y1 : y2 + 1;
    const int to = y1 <= y2 ? y2 : y1 + 1;
    const QRgb rgb = ToRgb(c);
    for (int y = std::max(from, 0); y < std::min(to, Height()); ++y)
        Row(y)[x] = rgb;
}

void GlowCanvas::Line(int x1, int y1, int x2, int y2, GlowColor c)
{
    if (y1 == y2) {
        HLine(x1, x2, y1, c);
        return;
    }
    if (x1 == x2) {
        VLine(x1, y1, y2, c);
        return;
    }
    // Bresenham along the major axis, stopping before the end point.
    const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
    const int sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
    int err = dx - dy;
    int x = x1, y = y1;
    while (x != x2 || y != y2) {
        SetPixel(x, y, c);
        const int e2 = 2 * err;
        if (e2 > -dy) {
            err -= dy;
            x += sx;
        }
        if (e2 < dx) {
            err += dx;
            y += sy;
        }
    }
}

void GlowCanvas::FillRect(int left, int top, int right, int bottom, GlowColor c)
{
    for (int y = top; y < bottom; ++y)
        HLine(left, right, y, c);
}

void GlowCanvas::Outline(int x, int y, int w, int h, GlowColor c)
{
    Line(x, y, x + w, y, c);
    Line(x + w, y, x + w, y + h, c);
    Line(x + w, y + h, x, y + h, c);
    Line(x, y + h, x, y, c);
}

void GlowCanvas::EtchedFrame(int x, int y, int w, int h, GlowColor c1, GlowColor c2, GlowColor c3)
{
    Outline(x, y, w - 1, h - 1, c1);
    Outline(x + 1, y + 1, w - 1, h - 1, c2);
    SetPixel(x, y + h, c3);
    SetPixel(x + w, y, c3);
    const GlowColor mid = GlowAverage(c2, c1);
    SetPixel(x + 1, y + h - 1, mid);
    SetPixel(x + w - 1, y + 1, mid);
}

void GlowCanvas::VerticalGradient(GlowColor from, GlowColor to, int x1, int y, int x2, int n)
{
    for (int i = 0; i <= n; ++i)
        HLine(x1, x2, y + i, GlowBlend(from, to, i, n));
}

void GlowCanvas::HorizontalGradient(GlowColor from, GlowColor to, int x1, int y1, int x2, int y2)
{
    const int n = x2 - x1;
    for (int i = 0; i <= n; ++i)
        VLine(x1 + i, y1, y2, GlowBlend(from, to, i, n));
}

void GlowCanvas::Edge(const QRect &rect, int kind, const SystemColors &colors)
{
    // {top-left, bottom-right} system colour indexes of each single line.
    struct Tones
    {
        GlowSysColor lightSide, darkSide;
    };
    const auto tones = [](int line) -> Tones {
        switch (line) {
        case kEdgeRaisedOuter:
            return {kSysLight, kSysDarkShadow};
        case kEdgeSunkenOuter:
            return {kSysButtonShadow, kSysButtonHighlight};
        case kEdgeRaisedInner:
            return {kSysButtonHighlight, kSysButtonShadow};
        default:
            return {kSysDarkShadow, kSysLight}; // sunken inner
        }
    };
    // A lone inner or outer line sits on the rectangle itself; a pair puts the inner one
    // a pixel further in.
    const int outer = kind & (kEdgeRaisedOuter | kEdgeSunkenOuter);
    const int inner = kind & (kEdgeRaisedInner | kEdgeSunkenInner);
    int l = rect.left(), t = rect.top(), r = rect.left() + rect.width(),
        b = rect.top() + rect.height();
    for (int line : {outer, inner}) {
        if (line == 0)
            continue;
        const Tones tone = tones(line);
        const GlowColor lt = colors.SysColor(tone.lightSide);
        const GlowColor rb = colors.SysColor(tone.darkSide);
        // The dark sides run the full length and own the top-right and bottom-left corners.
        Line(l, b - 2, l, t - 1, lt);
        Line(l, t, r - 1, t, lt);
        Line(l, b - 1, r, b - 1, rb);
        Line(r - 1, t, r - 1, b - 1, rb);
        ++l, ++t, --r, --b;
    }
}

void GlowCanvas::Text(const QString &text, const QRect &rect, int flags, const QFont &font,
                      GlowColor c)
{
    if (text.isEmpty())
        return;
    int align = Qt::TextShowMnemonic;
    align |= (flags & kTextRight)    ? Qt::AlignRight
             : (flags & kTextCenter) ? Qt::AlignHCenter
                                     : Qt::AlignLeft;
    if (flags & kTextSingleLine) {
        align |= (flags & kTextBottom)    ? Qt::AlignBottom
                 : (flags & kTextVCenter) ? Qt::AlignVCenter
                                          : Qt::AlignTop;
        align |= Qt::TextSingleLine;
    } else {
        align |= Qt::AlignTop;
        if (flags & kTextWordBreak)
            align |= Qt::TextWordWrap;
    }
    QPainter p(&m_image);
    p.setFont(font);
    p.setPen(ToQColor(c));
    p.drawText(rect, align, text);
}

void GlowCanvas::Picture(const QImage &picture, int x, int y, int w, int h)
{
    if (picture.isNull() || w <= 0 || h <= 0)
        return;
    const QImage src = picture.convertToFormat(QImage::Format_ARGB32);
    // Only the part that lands on the image is sampled, so a huge icon size costs nothing.
    const QRect visible = QRect(x, y, w, h) & QRect(0, 0, Width(), Height());
    for (int py = visible.top(); py <= visible.bottom(); ++py) {
        const int sy = int((2 * qint64(py - y) + 1) * src.height() / (2 * qint64(h)));
        const QRgb *row = reinterpret_cast<const QRgb *>(src.constScanLine(sy));
        for (int px = visible.left(); px <= visible.right(); ++px) {
            const QRgb p = row[(2 * qint64(px - x) + 1) * src.width() / (2 * qint64(w))];
            const int a = qAlpha(p);
            if (a == 0)
                continue;
            const GlowColor s = FromRgb(p);
            if (a == 255) {
                SetPixel(px, py, s);
                continue;
            }
            SetPixel(px, py, PerChannel(s, Pixel(px, py), [a](int sv, int dv) {
                         return (sv * a + dv * (255 - a) + 127) / 255;
                     }));
        }
    }
}
