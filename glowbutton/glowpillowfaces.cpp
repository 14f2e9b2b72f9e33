// Styles 8 and 9: a face in a frame whose corners are cut two, three and four pixels deep
// and fade out; style 8 a raised panel, style 9 a pillow with a bright upper half.
#include "glowpillowfaces.h"

#include "glowgeometry.h"
#include "systemcolors.h"

namespace {

GlowColor Off(GlowColor c, int n)
{
    return GlowOffset(c, n);
}

// The frame of the 2-3-4 cut shape (styles 8 and 9): four sides two pixels in from the corners
// and the pixels (1,1), (1,H-3), (W-3,1), (W-3,H-3) in the frame colour; the longer cut
// diagonals in `soft`, and the side ends next to each cut one step lighter still, so the
// corners fade out.
void DrawCutFrame234(GlowCanvas &c, int w, int h, GlowColor frame, GlowColor soft)
{
    c.Line(2, 0, w - 3, 0, frame);
    c.Line(0, 2, 0, h - 3, frame);
    c.Line(3, h - 1, w - 2, h - 1, frame);
    c.Line(w - 1, 3, w - 1, h - 2, frame);
    for (QPoint p : {QPoint(1, 1), QPoint(1, h - 3), QPoint(w - 3, 1), QPoint(w - 3, h - 3)})
        c.SetPixel(p.x(), p.y(), frame);
    for (QPoint p : {QPoint(w - 2, 2), QPoint(2, h - 2), QPoint(w - 2, h - 2)})
        c.SetPixel(p.x(), p.y(), soft);
    const GlowColor fade = GlowOffset(soft, 21);
    for (QPoint p :
         {QPoint(2, 0), QPoint(w - 4, 0), QPoint(0, 2), QPoint(0, h - 4), QPoint(3, h - 1),
          QPoint(w - 3, h - 1), QPoint(w - 1, 3), QPoint(w - 1, h - 3)})
        c.SetPixel(p.x(), p.y(), fade);
}

} // namespace

GlowColor GlowFace8(GlowCanvas &c, const GlowFace &face, GlowColor)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const bool custom = face.facts.useCustomColors;
    const GlowColor sys = face.Sys(kSysButtonFace);
    const GlowColor fill = state == kStateNormal ? (custom ? face.back : sys)
                                                 : (custom ? face.highlight : Off(sys, 15));
    c.Fill(fill);
    const bool pressed = state == kStatePressed;
    const GlowColor light = Off(fill, 96);
    const GlowColor topLeft = pressed ? fill : light, bottomRight = pressed ? light : fill;
    c.VerticalGradient(Off(fill, pressed ? -15 : 15), Off(fill, pressed ? 15 : -15), 2, 2, w - 3,
                       h - 6);
    c.Line(2, 1, w - 3, 1, topLeft);
    c.Line(1, 2, 1, h - 3, topLeft);
    c.Line(2, h - 3, w - 2, h - 3, bottomRight);
    c.Line(w - 2, 3, w - 2, h - 3, bottomRight);
    const GlowColor frame = Off(face.Base(), (!pressed && face.facts.hasFocus) ? -96 : -48);
    DrawCutFrame234(c, w, h, frame, Off(frame, 21));
    return fill;
}

GlowColor GlowFace9(GlowCanvas &c, const GlowFace &face, GlowColor)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const bool custom = face.facts.useCustomColors;
    const GlowColor sys = face.Sys(kSysButtonFace);
    const GlowColor b = custom ? face.back : sys, hi = custom ? face.highlight : sys;
    const GlowColor fill = state == kStateNormal    ? Off(b, -15)
                           : state == kStateHot     ? Off(hi, 1)
                           : state == kStatePressed ? Off(hi, 24)
                                                    : Off(b, 15);
    c.Fill(fill);
    const bool pressed = state == kStatePressed;
    // A pillow: a bright upper half and a shaded lower half (swapped when pressed), shaded
    // sides, a light top line and a dark frame.
    const int mid = h / 2;
    const int up = pressed ? -20 : 36, down = pressed ? 4 : -24;
    c.VerticalGradient(Off(fill, up), Off(fill, up / 3), 2, 2, w - 2, mid - 2);
    c.VerticalGradient(Off(fill, down / 6), Off(fill, down), 2, mid, w - 2, h - 3 - mid);
    c.HorizontalGradient(Off(fill, -22), Off(fill, 6), 1, 2, 4, h - 2);
    c.HorizontalGradient(Off(fill, 6), Off(fill, -30), w - 5, 2, w - 2, h - 2);
    c.Line(2, 1, w - 3, 1, Off(fill, pressed ? -30 : 60));
    const GlowColor frame = Off(fill, -88);
    DrawCutFrame234(c, w, h, frame, Off(frame, 40));
    return fill;
}

QRegion GlowPillowShape(int w, int h)
{
    return GlowPolygonPixels(
        QPolygon({{0, 2}, {2, 0}, {w - 3, 0}, {w, 3}, {w, h - 3}, {w - 3, h}, {4, h}, {0, h - 4}}),
        w, h);
}
