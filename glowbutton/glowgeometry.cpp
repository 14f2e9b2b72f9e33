#include "glowgeometry.h"

#include "glowfacts.h"

#include <QPolygon>
#include <QVector>

#include <algorithm>
#include <cmath>

namespace {

// Halves rounded to the even neighbour.
int HalfEven(int v)
{
    const int q = v >= 0 ? v / 2 : -((-v) / 2);
    if (v % 2 == 0)
        return q;
    // v is odd: v / 2 lies exactly between q and its neighbour away from zero.
    const int other = v > 0 ? q + 1 : q - 1;
    return q % 2 == 0 ? q : other;
}

// The pixels of a polygon with integer corners, alternate fill. Pixel (x, y) belongs to the
// shape when a point just right of and a hair below its top-left corner lies inside, so edges
// facing up or left are kept and edges facing down or right are not: a w x h rectangle gives
// exactly w x h pixels and a one-pixel diagonal cut removes exactly one corner pixel.
QRegion PolygonPixels(const QPolygon &poly, int w, int h)
{
    constexpr double kRight = 1e-3, kBelow = 1e-7;
    QVector<QRect> rects;
    QVector<double> xs;
    for (int y = 0; y < h; ++y) {
        const double sy = y + kBelow;
        xs.clear();
        for (int i = 0; i < poly.size(); ++i) {
            const QPoint a = poly[i], b = poly[(i + 1) % poly.size()];
            if ((a.y() < sy) == (b.y() < sy))
                continue;
            xs.append(a.x() + (sy - a.y()) * (b.x() - a.x()) / (b.y() - a.y()));
        }
        std::sort(xs.begin(), xs.end());
        for (int i = 0; i + 1 < xs.size(); i += 2) {
            const int first = std::max(0, int(std::floor(xs[i] - kRight)) + 1);
            const int last = std::min(w - 1, int(std::ceil(xs[i + 1] - kRight)) - 1);
            if (first <= last)
                rects.append(QRect(first, y, last - first + 1, 1));
        }
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

// A rectangle (0, 0)-(right, bottom), right and bottom excluded, with elliptic corners of
// radius r; pixels count by their centres.
QRegion RoundedPixels(int right, int bottom, int r, int w, int h)
{
    QVector<QRect> rects;
    for (int y = 0; y < std::min(h, bottom); ++y) {
        const double cy = y + 0.5;
        double dy = 0;
        if (cy < r)
            dy = r - cy;
        else if (cy > bottom - r)
            dy = cy - (bottom - r);
        const double inset = dy > 0 ? r - std::sqrt(std::max(0.0, double(r) * r - dy * dy)) : 0;
        // First and last pixel whose centre lies within the rounded outline.
        const int first = int(std::ceil(inset - 0.5));
        const int last = std::min(w - 1, int(std::floor(right - inset - 0.5)));
        if (first <= last)
            rects.append(QRect(first, y, last - first + 1, 1));
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

} // namespace

QSize GlowClampSize(QSize size)
{
    return QSize(std::max(size.width(), kGlowMinSide), std::max(size.height(), kGlowMinSide));
}

QRect GlowCaptionRect(int w, int h) { return QRect(QPoint(4, 4), QPoint(w - 5, h - 5)); }

int GlowIconMargin(int style)
{
    switch (style) {
    case 5:
    case 7: return 5;
    case 9:
    case 10: return 7;
    default: return 4;
    }
}

QPoint GlowIconPosition(int iconAlign, int w, int h, int s, int margin)
{
    const int cx = HalfEven(w - s), cy = HalfEven(h - s);
    switch (iconAlign) {
    case 1: return {margin, cy};
    case 2: return {w - s - margin, cy};
    case 3: return {cx, margin};
    case 4: return {cx, h - s - margin};
    default: return {cx, cy};
    }
}

QRegion GlowShape(int style, int w, int h)
{
    switch (style) {
    case 5:
    case 7:
        return PolygonPixels(QPolygon({{0, 1}, {1, 0}, {w - 1, 0}, {w, 1}, {w, h - 2},
                                       {w - 2, h}, {2, h}, {0, h - 2}}),
                             w, h);
    case 8:
    case 9:
        return PolygonPixels(QPolygon({{0, 2}, {2, 0}, {w - 3, 0}, {w, 3}, {w, h - 3},
                                       {w - 3, h}, {4, h}, {0, h - 4}}),
                             w, h);
    case 10: return RoundedPixels(w + 1, h + 1, 9, w, h);
    default: return QRegion(0, 0, w, h);
    }
}

int GlowCaptionFormat(int captionAlign, int previous)
{
    static constexpr int kFormats[] = {37, 36, 38, 33, 41};
    if (captionAlign < 0 || captionAlign > 4)
        return previous;
    return kFormats[captionAlign];
}
