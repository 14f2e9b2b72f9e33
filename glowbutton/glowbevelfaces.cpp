// Styles 0, 1 and 2: a plain face framed by the platform's raised and sunken edges.
#include "glowbevelfaces.h"

#include "systemcolors.h"

#include <algorithm>
#include <initializer_list>

namespace {

constexpr GlowColor kBlack = 0;

// The face colour of styles 0, 1 and 2: with custom colours BackColor in the states listed in
// `backStates` and HighlightColor otherwise, else the system face. Fills the surface with it.
GlowColor FillFace(GlowCanvas &canvas, const GlowFace &face,
                   std::initializer_list<GlowState> backStates)
{
    GlowColor fill = face.Sys(kSysButtonFace);
    if (face.facts.useCustomColors)
        fill = std::find(backStates.begin(), backStates.end(), face.state) != backStates.end()
                   ? face.back
                   : face.highlight;
    canvas.Fill(fill);
    return fill;
}

QRect Whole(const GlowFace &face)
{
    return QRect(0, 0, face.W(), face.H());
}

} // namespace

GlowColor GlowFace0(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {kStateNormal});
    canvas.Edge(Whole(face), face.state == kStatePressed ? kEdgeSunken : kEdgeRaised, face.colors);
    const GlowFacts &f = face.facts;
    if ((f.hasFocus && f.showFocus) || (!f.hasFocus && f.displayAsDefault))
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, kBlack);
    return fill;
}

GlowColor GlowFace1(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {kStateNormal, kStateDisabled});
    if (face.state == kStatePressed)
        canvas.Edge(Whole(face), kEdgeSunkenOuter, face.colors);
    else if (face.state == kStateDisabled)
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, fill);
    else
        canvas.Edge(Whole(face), kEdgeRaisedInner, face.colors);
    return fill;
}

GlowColor GlowFace2(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = FillFace(canvas, face, {kStateNormal, kStateDisabled});
    if (face.state == kStateHot)
        canvas.Edge(Whole(face), kEdgeRaisedInner, face.colors);
    else if (face.state == kStatePressed)
        canvas.Edge(Whole(face), kEdgeSunkenOuter, face.colors);
    else
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, fill);
    return fill;
}
