// One whole repaint: the state overrides, the style's face, the icon and the caption.
#include "glowcanvas.h"
#include "glowfaces.h"
#include "glowfacts.h"
#include "glowgeometry.h"
#include "glowthemeface.h"
#include "systemcolors.h"

#include <algorithm>

namespace {

constexpr GlowColor kIconShadow = 0x808080;

// The caption colour of a repaint in `state`.
GlowColor CaptionColor(const GlowFacts &f, const SystemColors &colors, GlowState state)
{
    if (!f.useCustomColors)
        return colors.SysColor(f.enabled ? kSysButtonText : kSysGreyText);
    if (state == kStateNormal)
        return colors.Translate(f.fontColor);
    if (state == kStateDisabled)
        return colors.SysColor(kSysGreyText);
    return colors.Translate(f.fontHighlightColor);
}

// Paints the icon on the scratch surface at (x, y), s x s; the scratch keeps what lay there.
void PaintOnScratch(QImage &scratch, const QImage &icon, int x, int y, int s)
{
    GlowCanvas(scratch).Picture(icon, x, y, s, s);
}

// Sets every pixel of the s x s square at (x, y) whose scratch colour is not `mask`, to
// `paint(scratch colour)`.
template <typename F>
void CopyUnmasked(GlowCanvas &canvas, QImage &scratch, int x, int y, int s, GlowColor mask, F paint)
{
    const GlowCanvas source(scratch);
    const QRect square = QRect(x, y, s, s) & QRect(0, 0, canvas.Width(), canvas.Height());
    for (int j = square.top(); j <= square.bottom(); ++j)
        for (int i = square.left(); i <= square.right(); ++i) {
            const GlowColor c = source.Pixel(i, j);
            if (c != mask && c != kBadColor)
                canvas.SetPixel(i, j, paint(c));
        }
}

void DrawIcon(GlowCanvas &canvas, QImage &scratch, const GlowFacts &f, const SystemColors &colors,
              int style, GlowState state, int margin)
{
    const int s = f.iconSize;
    QPoint at = GlowIconPosition(f.iconAlign, f.width, f.height, s, margin);
    const GlowColor mask = colors.Translate(f.maskColor);
    if (state == kStatePressed)
        at += QPoint(1, 1);
    if (state == kStateHot && style == 4) {
        // A grey shadow where the icon lies, then the icon raised over it.
        if (f.useMaskColor) {
            PaintOnScratch(scratch, f.icon, at.x(), at.y(), s);
            CopyUnmasked(canvas, scratch, at.x(), at.y(), s, mask,
                         [](GlowColor) { return kIconShadow; });
        } else {
            canvas.Picture(f.icon, at.x(), at.y(), s, s);
            const GlowColor background = canvas.Pixel(1, 1);
            const QRect square =
                QRect(at.x(), at.y(), s + 1, s + 1) & QRect(0, 0, canvas.Width(), canvas.Height());
            for (int j = square.top(); j <= square.bottom(); ++j)
                for (int i = square.left(); i <= square.right(); ++i)
                    if (canvas.Pixel(i, j) != background)
                        canvas.SetPixel(i, j, kIconShadow);
        }
        at -= QPoint(2, 2);
    }
    if (f.useMaskColor) {
        PaintOnScratch(scratch, f.icon, at.x(), at.y(), s);
        if (f.enabled)
            CopyUnmasked(canvas, scratch, at.x(), at.y(), s, mask, [](GlowColor c) { return c; });
        else
            CopyUnmasked(canvas, scratch, at.x(), at.y(), s, mask, GlowGrey);
    } else if (f.enabled) {
        canvas.Picture(f.icon, at.x(), at.y(), s, s);
    } else {
        PaintIconGrayscale(&canvas.Image(), &f.icon, at.x(), at.y(), s, s);
    }
}

// The kept greys of the grey-icon conversion: multiples of 0x10 except 0x90, and white.
bool IsKeptGrey(GlowColor c)
{
    const int r = GlowRed(c);
    if (GlowGreen(c) != r || GlowBlue(c) != r)
        return false;
    return r == 0xFF || (r % 0x10 == 0 && r != 0x90);
}

} // namespace

GlowRepaint RefreshGlowButton(QImage &surface, QImage &scratch, const GlowFacts &facts,
                              const SystemColors &colors, GlowThemePainter *theme)
{
    GlowRepaint out{facts.state, facts.style, facts.surfaceBackColor};
    const int w = facts.width, h = facts.height;
    if (surface.size() != QSize(w, h) || surface.format() != QImage::Format_RGB32)
        surface = QImage(w, h, QImage::Format_RGB32);
    if (scratch.width() < w || scratch.height() < h) {
        QImage larger(std::max(w, scratch.width()), std::max(h, scratch.height()),
                      QImage::Format_RGB32);
        larger.fill(Qt::black);
        scratch = larger;
    }
    GlowCanvas canvas(surface);
    canvas.Fill(out.surfaceBackColor);
    if (!facts.shown)
        return out;

    GlowState state = facts.state;
    if (!facts.runMode && facts.style != 5)
        state = kStateHot;
    if (facts.buttonType == 1 && facts.value)
        state = kStatePressed;
    if (!facts.enabled) {
        state = kStateDisabled;
        out.surfaceBackColor = colors.SysColor(kSysButtonFace);
        canvas.Fill(out.surfaceBackColor);
    }
    out.state = state;

    const GlowFace face{facts, colors, state, colors.Translate(facts.backColor),
                        colors.Translate(facts.highlightColor)};
    const GlowStyleTraits *traits = GlowStyleOf(facts.style);
    int margin = 4;
    if (facts.style == 6) {
        out.surfaceBackColor = colors.SysColor(kSysButtonFace);
        // After a failed theme only icon and caption are drawn, the icon as NonThemeStyle does.
        if (!GlowFace6(canvas, face, theme))
            out.style = facts.nonThemeStyle;
    } else if (traits && traits->face) {
        out.surfaceBackColor = traits->face(canvas, face, out.surfaceBackColor);
        margin = traits->iconMargin;
    }

    if (!facts.icon.isNull())
        DrawIcon(canvas, scratch, facts, colors, out.style, state, margin);
    canvas.Text(facts.caption, GlowCaptionRect(w, h), facts.captionFormat, facts.font,
                CaptionColor(facts, colors, state));
    return out;
}

bool PaintIconGrayscale(QImage *dest, const QImage *icon, int x, int y, int height, int width)
{
    if (!dest || dest->isNull() || !icon || icon->isNull())
        return false;
    QImage grey = icon->convertToFormat(QImage::Format_ARGB32);
    for (int i = 0; i < grey.width(); ++i)
        for (int j = 0; j < grey.height(); ++j) {
            QRgb &p = reinterpret_cast<QRgb *>(grey.scanLine(j))[i];
            const GlowColor c = GlowRgb(qRed(p), qGreen(p), qBlue(p));
            if (IsKeptGrey(c))
                continue;
            // 0.33 R + 0.59 G + 0.11 B in hundredths, rounded half to even; the weights add up
            // to 1.03, so bright colours clamp.
            const int hundredths = 33 * GlowRed(c) + 59 * GlowGreen(c) + 11 * GlowBlue(c);
            const int g = std::min(GlowDivHalfEven(hundredths, 100), 255);
            p = qRgba(g, g, g, qAlpha(p));
        }
    GlowCanvas canvas(*dest);
    canvas.Picture(grey, x, y, width, height);
    return true;
}
