#include "glowhost.h"

const SystemColors &GlowHost::Colors() const
{
    static const PaletteSystemColors palette;
    return palette;
}
