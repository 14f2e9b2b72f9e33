#pragma once

// Whole repaints against fixed system colours, probed pixel by pixel.
#include "glowcanvas.h"
#include "glowfacts.h"
#include "systemcolors.h"

#include <QList>
#include <QPoint>
#include <QString>
#include <QStringList>

inline constexpr int kW = 89, kH = 25;
inline constexpr GlowColor kFace = GlowRgb(236, 233, 216);
inline constexpr GlowColor kShadow = GlowRgb(172, 168, 153);
inline constexpr GlowColor kWindow = GlowRgb(255, 255, 255);
inline constexpr GlowColor kHighlight = GlowRgb(49, 106, 197);
inline constexpr GlowColor kGreyText = GlowRgb(161, 161, 146);
inline constexpr GlowColor kBack = GlowRgb(120, 200, 140);
inline constexpr GlowColor kHot = GlowRgb(220, 120, 30);
inline constexpr GlowColor kPrior = GlowRgb(1, 2, 3); // the surface background before a repaint
inline constexpr GlowColor kLight = GlowRgb(241, 239, 226), kDark = GlowRgb(113, 111, 100),
                           kBright = GlowRgb(255, 255, 254), kBlack = 0;

inline FixedSystemColors Colors()
{
    FixedSystemColors colors;
    colors.Set(5, kWindow);
    colors.Set(13, kHighlight);
    colors.Set(15, kFace);
    colors.Set(16, kShadow);
    colors.Set(17, kGreyText);
    colors.Set(18, GlowRgb(0, 0, 0));
    colors.Set(20, kBright);
    colors.Set(21, kDark);
    colors.Set(22, kLight);
    return colors;
}

inline GlowFacts Facts(int style, int state, bool custom = false)
{
    GlowFacts f;
    f.width = kW;
    f.height = kH;
    f.style = style;
    f.state = GlowState(state);
    f.enabled = state != 4;
    f.useCustomColors = custom;
    f.backColor = kBack;
    f.highlightColor = kHot;
    f.surfaceBackColor = kPrior;
    f.captionFormat = 37;
    return f;
}

struct Painted
{
    QImage image;
    GlowRepaint repaint;
    GlowColor At(int x, int y) const { return GlowCanvas(const_cast<QImage &>(image)).Pixel(x, y); }
};

inline Painted Paint(const GlowFacts &f, GlowThemePainter *theme = nullptr)
{
    Painted p;
    QImage scratch;
    p.repaint = RefreshGlowButton(p.image, scratch, f, Colors(), theme);
    return p;
}

using Probes = QList<QPair<QPoint, GlowColor>>;

inline QString Mismatches(const Painted &p, const Probes &probes)
{
    QStringList out;
    for (const auto &[at, expected] : probes) {
        const GlowColor got = p.At(at.x(), at.y());
        if (got != expected)
            out << QString("(%1,%2) %3 not %4")
                       .arg(at.x())
                       .arg(at.y())
                       .arg(got, 6, 16, QChar('0'))
                       .arg(expected, 6, 16, QChar('0'));
    }
    return out.join("; ");
}
