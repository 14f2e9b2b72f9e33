// Styles 5 and 7: a glossy gradient body in a dark frame with cut corners, and coloured glow
// lines for the hot and focused states. Style 5 has a fixed light palette of its own.
#include "glowglossyfaces.h"

#include "glowgeometry.h"
#include "systemcolors.h"

namespace {

GlowColor Off(GlowColor c, int n)
{
    return GlowOffset(c, n);
}

// The four glow lines and, where given, the side columns between them.
struct Glow
{
    GlowColor top, second, lower, bottom;
    bool columns = false;
};

// Glow lines over the top two and bottom two inner rows of a polygon-cut button.
void DrawGlow(GlowCanvas &c, int w, int h, const Glow &g)
{
    c.Line(2, 1, w - 2, 1, g.top);
    c.Line(1, 2, w - 1, 2, g.second);
    c.Line(1, h - 3, w - 1, h - 3, g.lower);
    c.Line(2, h - 2, w - 2, h - 2, g.bottom);
    if (g.columns) {
        c.VerticalGradient(g.second, g.lower, 1, 3, 2, h - 7);
        c.VerticalGradient(g.second, g.lower, w - 2, 3, w - 3, h - 7);
    }
}

// The frame of styles 5 and 7: sides two pixels in from the corners, inner corner pixels in
// the frame colour, the eight outer corner pixels in `corner`.
void DrawCutFrame(GlowCanvas &c, int w, int h, GlowColor frame, GlowColor inner, GlowColor corner)
{
    c.Line(2, 0, w - 2, 0, frame);
    c.Line(0, 2, 0, h - 2, frame);
    c.Line(2, h - 1, w - 2, h - 1, frame);
    c.Line(w - 1, 0, w - 1, h, frame);
    for (QPoint p : {QPoint(1, 1), QPoint(1, h - 2), QPoint(w - 2, 1), QPoint(w - 2, h - 2)})
        c.SetPixel(p.x(), p.y(), inner);
    for (QPoint p :
         {QPoint(1, 0), QPoint(w - 2, 0), QPoint(0, 1), QPoint(0, h - 2), QPoint(1, h - 1),
          QPoint(w - 2, h - 1), QPoint(w - 1, 1), QPoint(w - 1, h - 2)})
        c.SetPixel(p.x(), p.y(), corner);
}

// Body gradient and the two one-pixel side columns, as style 7 draws them.
void DrawBody(GlowCanvas &c, int w, int h, bool pressed, GlowColor f)
{
    if (pressed) {
        c.VerticalGradient(Off(f, -15), f, 1, 1, w - 2, h - 2);
        c.VerticalGradient(Off(f, -32), Off(f, -5), 1, 2, 2, h - 5);
        c.VerticalGradient(Off(f, -21), Off(f, 21), w - 2, 2, w - 3, h - 5);
    } else {
        c.VerticalGradient(Off(f, 21), Off(f, -21), 1, 2, 2, h - 5);
        c.VerticalGradient(Off(f, -5), Off(f, -32), w - 2, 2, w - 3, h - 5);
    }
}

// The fixed light palette of style 5.
namespace light {
constexpr GlowColor kFrame = GlowRgb(0, 60, 116), kFrameOff = GlowRgb(201, 199, 186);
constexpr GlowColor kCornerOuter = GlowRgb(72, 110, 144), kCornerInner = GlowRgb(106, 139, 162),
                    kCornerSoft = GlowRgb(191, 199, 202), kCornerOff = GlowRgb(216, 213, 199);
constexpr GlowColor kTopFrom = GlowRgb(252, 252, 251), kTopTo = GlowRgb(240, 240, 240),
                    kMidFrom = GlowRgb(250, 250, 249), kMidTo = GlowRgb(240, 240, 234),
                    kLowFrom = GlowRgb(235, 235, 230), kLowTo = GlowRgb(214, 208, 197);
constexpr GlowColor kPressedLight = GlowRgb(242, 241, 238), kPressedDark = GlowRgb(209, 204, 193);
constexpr GlowColor kDisabledFill = GlowRgb(245, 244, 234);
constexpr Glow kHot{GlowRgb(255, 240, 207), GlowRgb(253, 216, 137), GlowRgb(248, 179, 48),
                    GlowRgb(229, 151, 16), true};
constexpr Glow kFocus{GlowRgb(206, 231, 255), GlowRgb(188, 212, 246), GlowRgb(137, 173, 228),
                      GlowRgb(105, 130, 238), true};
} // namespace light

GlowColor Face5Light(GlowCanvas &c, const GlowFace &face)
{
    const int w = face.W(), h = face.H();
    const GlowColor fill = face.Sys(kSysButtonFace);
    c.Fill(fill);
    const int state = face.state;
    if (state == kStateDisabled) {
        c.FillRect(1, 1, w - 1, h - 1, light::kDisabledFill);
        DrawCutFrame(c, w, h, light::kFrameOff, light::kCornerOff, light::kCornerOff);
        return fill;
    }
    if (state == kStatePressed) {
        c.VerticalGradient(light::kPressedDark, light::kPressedLight, 1, 1, w - 2, h - 3);
    } else {
        // A near-white body: a bright upper third, a soft middle, a shaded lower edge.
        const int top = h / 3, low = h - 6;
        c.VerticalGradient(light::kTopFrom, light::kTopTo, 1, 1, w - 1, top - 1);
        c.VerticalGradient(light::kMidFrom, light::kMidTo, 1, top + 1, w - 1, low - top - 2);
        c.VerticalGradient(light::kLowFrom, light::kLowTo, 1, low, w - 1, h - 2 - low);
    }
    DrawCutFrame(c, w, h, light::kFrame, light::kCornerInner, light::kCornerOuter);
    for (QPoint p :
         {QPoint(2, 1), QPoint(1, 2), QPoint(w - 3, 1), QPoint(w - 2, 2), QPoint(1, h - 3),
          QPoint(2, h - 2), QPoint(w - 2, h - 3), QPoint(w - 3, h - 2)})
        c.SetPixel(p.x(), p.y(), light::kCornerSoft);
    const GlowFacts &f = face.facts;
    if (state == kStateHot)
        DrawGlow(c, w, h, light::kHot);
    else if ((state == kStateNormal && f.hasFocus) || state == kStateDefaulted ||
             (state == kStateNormal && f.displayAsDefault))
        DrawGlow(c, w, h, light::kFocus);
    return fill;
}

GlowColor Face5Custom(GlowCanvas &c, const GlowFace &face)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const GlowColor b = face.back, hl = face.highlight;
    c.Fill(b);
    if (state == kStateDisabled) {
        DrawCutFrame(c, w, h, Off(b, -64), Off(b, -53), Off(b, -53));
        return b;
    }
    if (state == kStatePressed)
        c.VerticalGradient(Off(b, -15), b, 1, 1, w - 2, h - 2);
    else
        c.VerticalGradient(b, Off(b, -15), 1, 1, w - 2, h - 3);
    DrawBody(c, w, h, state == kStatePressed, b);
    DrawCutFrame(c, w, h, Off(b, -128), Off(b, -128), Off(b, -21));
    const bool glow = state == kStateHot || ((state == kStateNormal || state == kStateDefaulted) &&
                                             face.facts.hasFocus && face.facts.showFocus);
    if (glow)
        DrawGlow(c, w, h, {Off(hl, 85), Off(hl, 69), Off(hl, 16), hl, true});
    return b;
}

} // namespace

GlowColor GlowFace5(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    return face.facts.useCustomColors ? Face5Custom(canvas, face) : Face5Light(canvas, face);
}

GlowColor GlowFace7(GlowCanvas &c, const GlowFace &face, GlowColor)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const GlowColor base = face.Base();
    const int d = state == kStateHot        ? 24
                  : state == kStatePressed  ? -9
                  : state == kStateDisabled ? 18
                                            : 8;
    const GlowColor f = Off(base, d);
    c.Fill(f);
    if (state == kStatePressed)
        c.VerticalGradient(Off(f, -15), f, 1, 1, w - 2, h - 2);
    else
        c.VerticalGradient(Off(f, state == kStateHot ? 16 : 15),
                           Off(f, state == kStateHot ? -16 : -15), 1, 1, w - 2, h - 3);
    DrawBody(c, w, h, state == kStatePressed, f);
    DrawCutFrame(c, w, h, Off(f, -96), Off(f, -96), Off(base, state == kStateDisabled ? 5 : -21));
    if (state == kStatePressed) {
        c.Line(2, 1, w - 2, 1, Off(base, -21));
        c.Line(2, h - 2, w - 2, h - 2, Off(base, 8));
    } else if (state != kStateHot) {
        c.Line(2, 1, w - 2, 1, Off(base, 21));
        c.Line(2, h - 2, w - 2, h - 2, Off(base, -37));
    }
    if (state == kStateHot || ((state == kStateNormal || state == kStateDefaulted) &&
                               (face.facts.hasFocus || state == kStateDefaulted))) {
        const GlowColor hl = face.Hl();
        DrawGlow(c, w, h, {Off(hl, 21), Off(hl, 21), Off(hl, -5), Off(hl, -21)});
    }
    return f;
}

QRegion GlowGlossyShape(int w, int h)
{
    // One pixel off each top corner, two off each bottom corner.
    return GlowPolygonPixels(
        QPolygon({{0, 1}, {1, 0}, {w - 1, 0}, {w, 1}, {w, h - 2}, {w - 2, h}, {2, h}, {0, h - 2}}),
        w, h);
}
