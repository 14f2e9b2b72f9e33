// Styles 3 and 4: flat faces, one etched, one tinted.
#include "glowflatfaces.h"

#include "systemcolors.h"

GlowColor GlowFace3(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor fill = face.Base();
    canvas.Fill(fill);
    const bool custom = face.facts.useCustomColors;
    const GlowColor shadow = face.Sys(kSysButtonShadow);
    GlowColor inner = fill;
    if (face.state == kStateHot)
        inner = custom ? GlowAverage(face.highlight, face.back)
                       : GlowAverage(shadow, face.Sys(kSysButtonFace));
    else if (face.state == kStatePressed)
        inner = custom ? face.highlight : shadow;
    const int w = face.W(), h = face.H();
    canvas.FillRect(4, 4, w - 4, h - 4, inner);
    canvas.EtchedFrame(0, 0, w - 1, h - 1, shadow, face.Sys(kSysWindow), inner);
    return fill;
}

GlowColor GlowFace4(GlowCanvas &canvas, const GlowFace &face, GlowColor)
{
    const GlowColor hl = face.Hl();
    GlowColor fill = GlowLighten(face.Base(), 32);
    if (face.state == kStateHot)
        fill = GlowLighten(hl, 176);
    else if (face.state == kStatePressed)
        fill = GlowLighten(hl, 128);
    canvas.Fill(fill);
    if (face.state == kStateHot || face.state == kStatePressed)
        canvas.Outline(0, 0, face.W() - 1, face.H() - 1, hl);
    return fill;
}
