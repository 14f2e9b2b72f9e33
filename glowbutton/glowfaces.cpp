#include "glowfaces.h"

#include "systemcolors.h"

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

GlowFaceFn GlowFaceOf(int style)
{
    switch (style) {
    case 3: return GlowFace3;
    // Styles whose face is not drawn yet show the style 3 face.
    case 0: case 1: case 2: case 4: case 5: case 7: case 8: case 9: case 10: return GlowFace3;
    default: return nullptr;
    }
}
