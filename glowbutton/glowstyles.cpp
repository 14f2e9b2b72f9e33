// The table of styles: which face, shape and icon margin each style number stands for.
#include "glowbevelfaces.h"
#include "glowfaces.h"
#include "glowflatfaces.h"
#include "glowgeometry.h"
#include "glowglossyfaces.h"
#include "glowpictureface.h"
#include "glowpillowfaces.h"
#include "systemcolors.h"

#include <iterator>

namespace {

QRegion Rectangle(int w, int h)
{
    return QRegion(0, 0, w, h);
}

constexpr GlowStyleTraits kStyles[] = {
    {GlowFace0, Rectangle, 4},         {GlowFace1, Rectangle, 4},
    {GlowFace2, Rectangle, 4},         {GlowFace3, Rectangle, 4},
    {GlowFace4, Rectangle, 4},         {GlowFace5, GlowGlossyShape, 5},
    {nullptr, Rectangle, 4},           {GlowFace7, GlowGlossyShape, 5},
    {GlowFace8, GlowPillowShape, 4},   {GlowFace9, GlowPillowShape, 7},
    {GlowFace10, GlowPictureShape, 7},
};

} // namespace

const GlowStyleTraits *GlowStyleOf(int style)
{
    return style >= 0 && style < int(std::size(kStyles)) ? &kStyles[style] : nullptr;
}

QRegion GlowShape(int style, int w, int h)
{
    const GlowStyleTraits *traits = GlowStyleOf(style);
    return traits ? traits->shape(w, h) : Rectangle(w, h);
}

int GlowIconMargin(int style)
{
    const GlowStyleTraits *traits = GlowStyleOf(style);
    return traits ? traits->iconMargin : 4;
}

GlowColor GlowFace::Sys(GlowSysColor index) const
{
    return colors.SysColor(index);
}
GlowColor GlowFace::Base() const
{
    return facts.useCustomColors ? back : Sys(kSysButtonFace);
}
GlowColor GlowFace::Hl() const
{
    return facts.useCustomColors ? highlight : Sys(kSysHighlight);
}
