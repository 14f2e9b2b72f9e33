#include "glowfaces.h"

#include "systemcolors.h"

#include <algorithm>
#include <initializer_list>

namespace {

constexpr int kButtonFace = 15;
constexpr int kHighlight = 13;
constexpr int kButtonShadow = 16;
constexpr int kWindow = 5;
constexpr GlowColor kBlack = 0;

} // namespace

GlowColor GlowFace::Sys(int index) const { return colors.SysColor(index); }
GlowColor GlowFace::Base() const { return facts.useCustomColors ? back : Sys(kButtonFace); }
GlowColor GlowFace::Hl() const { return facts.useCustomColors ? highlight : Sys(kHighlight); }

GlowColor GlowFace3(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = face.Base();
    canvas.Fill(fill);
    const bool custom = face.facts.useCustomColors;
    GlowColor inner = fill;
    if (face.state == 2)
        inner = custom ? GlowAverage(face.highlight, face.back)
                       : GlowAverage(face.Sys(kButtonShadow), face.Sys(kButtonFace));
    else if (face.state == 3)
        inner = custom ? face.highlight : face.Sys(kButtonShadow);
    const int w = face.W(), h = face.H();
    canvas.FillRect(4, 4, w - 4, h - 4, inner);
    canvas.EtchedFrame(0, 0, w - 1, h - 1, face.Sys(kButtonShadow), face.Sys(kWindow), inner);
    return fill;
}

namespace {

// The face colour of styles 0, 1 and 2: with custom colours BackColor in the states listed in
// `backStates` and HighlightColor otherwise, else the system face. Fills the surface with it.
GlowColor FillFace(GlowCanvas &canvas, const GlowFace &face, std::initializer_list<int> backStates)
{
    GlowColor fill = face.Sys(kButtonFace);
    if (face.facts.useCustomColors)
        fill = std::find(backStates.begin(), backStates.end(), face.state) != backStates.end()
                   ? face.back
                   : face.highlight;
    canvas.Fill(fill);
    return fill;
}

QRect Whole(const GlowFace &face) { return QRect(0, 0, face.W(), face.H()); }

} // namespace

GlowColor GlowFace0(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {1});
    canvas.Edge(Whole(face), face.state == 3 ? kEdgeSunken : kEdgeRaised, face.colors);
    const GlowFacts &f = face.facts;
    if ((f.hasFocus && f.showFocus) || (!f.hasFocus && f.displayAsDefault))
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, kBlack);
    return fill;
}

GlowColor GlowFace1(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {1, 4});
    if (face.state == 3)
        canvas.Edge(Whole(face), kEdgeSunkenOuter, face.colors);
    else if (face.state == 4)
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, fill);
    else
        canvas.Edge(Whole(face), kEdgeRaisedInner, face.colors);
    return fill;
}

GlowColor GlowFace2(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {1, 4});
    if (face.state == 2)
        canvas.Edge(Whole(face), kEdgeRaisedInner, face.colors);
    else if (face.state == 3)
        canvas.Edge(Whole(face), kEdgeSunkenOuter, face.colors);
    else
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, fill);
    return fill;
}

GlowColor GlowFace4(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor hl = face.Hl();
    GlowColor fill = GlowLighten(face.Base(), 32);
    if (face.state == 2)
        fill = GlowLighten(hl, 176);
    else if (face.state == 3)
        fill = GlowLighten(hl, 128);
    canvas.Fill(fill);
    if (face.state == 2 || face.state == 3)
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, hl);
    return fill;
}

GlowFaceFn GlowFaceOf(int style)
{
    switch (style) {
    case 0: return GlowFace0;
    case 1: return GlowFace1;
    case 2: return GlowFace2;
    case 3: return GlowFace3;
    case 4: return GlowFace4;
    // Styles whose face is not drawn yet show the style 3 face.
    case 5: case 7: case 8: case 9: case 10: return GlowFace3;
    default: return nullptr;
    }
}
