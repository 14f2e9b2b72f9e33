#include "glowgeometry.h"

#include "glowcanvas.h"
#include "glowfacts.h"

#include <QPolygon>
#include <QVector>

#include <algorithm>
#include <cmath>

// The pixels of a polygon with integer corners, alternate fill. Pixel (x, y) belongs to the
// shape when a point just right of and a hair below its top-left corner lies inside, so edges
// facing up or left are kept and edges facing down or right are not: a w x h rectangle gives
// exactly w x h pixels and a one-pixel diagonal cut removes exactly one corner pixel.
QRegion GlowPolygonPixels(const QPolygon &poly, int w, int h)
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

QSize GlowClampSize(QSize size)
{
    return QSize(std::max(size.width(), kGlowMinSide), std::max(size.height(), kGlowMinSide));
}

QRect GlowCaptionRect(int w, int h)
{
    return QRect(QPoint(4, 4), QPoint(w - 5, h - 5));
}

QPoint GlowIconPosition(int iconAlign, int w, int h, int s, int margin)
{
    const int cx = GlowDivHalfEven(w - s, 2), cy = GlowDivHalfEven(h - s, 2);
    switch (iconAlign) {
    case 1:
        return {margin, cy};
    case 2:
        return {w - s - margin, cy};
    case 3:
        return {cx, margin};
    case 4:
        return {cx, h - s - margin};
    default:
        return {cx, cy};
    }
}

int GlowCaptionFormat(int captionAlign, int previous)
{
    static constexpr int kFormats[] = {37, 36, 38, 33, 41};
    if (captionAlign < 0 || captionAlign > 4)
        return previous;
    return kFormats[captionAlign];
}
