#include "glowhost.h"

#include "glowthemepainter.h"

const SystemColors &GlowHost::Colors() const
{
    static const PaletteSystemColors palette;
    return palette;
}

GlowThemePainter *GlowHost::Theme() const
{
    return GlowAppThemePainter();
}
