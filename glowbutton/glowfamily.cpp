// The hand-drawn family: gradient body, dark frame, shaded corners and state glows (styles 5,
// 7, 8 and 9), and the picture style 10.
#include "glowfaces.h"

#include "glowgeometry.h"
#include "glowimages.h"
#include "systemcolors.h"

namespace {

constexpr int kButtonFace = 15;

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
    const GlowColor fill = face.Sys(kButtonFace);
    c.Fill(fill);
    const int state = face.state;
    if (state == 4) {
        c.FillRect(1, 1, w - 1, h - 1, light::kDisabledFill);
        DrawCutFrame(c, w, h, light::kFrameOff, light::kCornerOff, light::kCornerOff);
        return fill;
    }
    if (state == 3) {
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
    if (state == 2)
        DrawGlow(c, w, h, light::kHot);
    else if ((state == 1 && f.hasFocus) || state == 5 || (state == 1 && f.displayAsDefault))
        DrawGlow(c, w, h, light::kFocus);
    return fill;
}

GlowColor Face5Custom(GlowCanvas &c, const GlowFace &face)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const GlowColor b = face.back, hl = face.highlight;
    c.Fill(b);
    if (state == 4) {
        DrawCutFrame(c, w, h, Off(b, -64), Off(b, -53), Off(b, -53));
        return b;
    }
    if (state == 3)
        c.VerticalGradient(Off(b, -15), b, 1, 1, w - 2, h - 2);
    else
        c.VerticalGradient(b, Off(b, -15), 1, 1, w - 2, h - 3);
    DrawBody(c, w, h, state == 3, b);
    DrawCutFrame(c, w, h, Off(b, -128), Off(b, -128), Off(b, -21));
    const bool glow =
        state == 2 || ((state == 1 || state == 5) && face.facts.hasFocus && face.facts.showFocus);
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
    const int d = state == 2 ? 24 : state == 3 ? -9 : state == 4 ? 18 : 8;
    const GlowColor f = Off(base, d);
    c.Fill(f);
    if (state == 3)
        c.VerticalGradient(Off(f, -15), f, 1, 1, w - 2, h - 2);
    else
        c.VerticalGradient(Off(f, state == 2 ? 16 : 15), Off(f, state == 2 ? -16 : -15), 1, 1,
                           w - 2, h - 3);
    DrawBody(c, w, h, state == 3, f);
    DrawCutFrame(c, w, h, Off(f, -96), Off(f, -96), Off(base, state == 4 ? 5 : -21));
    if (state == 3) {
        c.Line(2, 1, w - 2, 1, Off(base, -21));
        c.Line(2, h - 2, w - 2, h - 2, Off(base, 8));
    } else if (state != 2) {
        c.Line(2, 1, w - 2, 1, Off(base, 21));
        c.Line(2, h - 2, w - 2, h - 2, Off(base, -37));
    }
    if (state == 2 || ((state == 1 || state == 5) && (face.facts.hasFocus || state == 5))) {
        const GlowColor hl = face.Hl();
        DrawGlow(c, w, h, {Off(hl, 21), Off(hl, 21), Off(hl, -5), Off(hl, -21)});
    }
    return f;
}

GlowColor GlowFace8(GlowCanvas &c, const GlowFace &face, GlowColor)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const bool custom = face.facts.useCustomColors;
    const GlowColor sys = face.Sys(kButtonFace);
    const GlowColor fill =
        state == 1 ? (custom ? face.back : sys) : (custom ? face.highlight : Off(sys, 15));
    c.Fill(fill);
    const bool pressed = state == 3;
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
    const GlowColor sys = face.Sys(kButtonFace);
    const GlowColor b = custom ? face.back : sys, hi = custom ? face.highlight : sys;
    const GlowColor fill = state == 1   ? Off(b, -15)
                           : state == 2 ? Off(hi, 1)
                           : state == 3 ? Off(hi, 24)
                                        : Off(b, 15);
    c.Fill(fill);
    const bool pressed = state == 3;
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

namespace {

// Palette index of each letter.
struct LetterIndex
{
    unsigned char index[128] = {};
    constexpr LetterIndex()
    {
        for (int i = 0; kGlowPaletteLetters[i]; ++i)
            index[int(kGlowPaletteLetters[i])] = static_cast<unsigned char>(i);
    }
};
constexpr LetterIndex kLetterIndex;

GlowColor PictureColor(const GlowPicture &p, char letter)
{
    return p.palette[kLetterIndex.index[letter & 0x7F]];
}

// Draws `rows` with its top-left corner at (x, y), a run of equal letters as one line; spaces
// are skipped.
template <int N>
void DrawPiece(GlowCanvas &c, const GlowPicture &p, const char *const (&rows)[N], int x, int y)
{
    for (int j = 0; j < N; ++j) {
        const char *row = rows[j];
        for (int i = 0; row[i];) {
            int end = i + 1;
            while (row[end] == row[i])
                ++end;
            if (row[i] != ' ')
                c.Line(x + i, y + j, x + end, y + j, PictureColor(p, row[i]));
            i = end;
        }
    }
}

} // namespace

GlowColor GlowFace10(GlowCanvas &c, const GlowFace &face, GlowColor background)
{
    const int w = face.W(), h = face.H(), state = face.state;
    const bool focused = face.facts.hasFocus;
    const GlowPicture &p = ((state == 1 || state == 4) && !focused) ? kGlowPictureA
                           : state == 3                             ? kGlowPictureC
                                                                    : kGlowPictureB;
    using P = GlowPicture;
    for (int i = 0; i < P::kTop; ++i)
        c.Line(P::kLeft, i, w - P::kRight, i, PictureColor(p, p.top[i]));
    for (int i = 0; i < P::kBottom; ++i)
        c.Line(P::kLeft, h - 1 - i, w - P::kRight, h - 1 - i, PictureColor(p, p.bottom[i]));
    for (int i = 0; i < P::kLeft; ++i)
        c.Line(i, P::kTop, i, h - P::kBottom, PictureColor(p, p.left[i]));
    for (int i = 0; i < P::kRight; ++i)
        c.Line(w - 1 - i, P::kTop, w - 1 - i, h - P::kBottom, PictureColor(p, p.right[i]));
    c.FillRect(P::kLeft, P::kTop, w - P::kRight, h - P::kBottom, p.middle);
    DrawPiece(c, p, p.topLeft, 0, 0);
    DrawPiece(c, p, p.topRight, w - P::kRight, 0);
    DrawPiece(c, p, p.bottomLeft, 0, h - P::kBottom);
    DrawPiece(c, p, p.bottomRight, w - P::kRight, h - P::kBottom);
    return background;
}
