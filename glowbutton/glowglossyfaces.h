#pragma once

#include "glowfaces.h"

// Style 5: light and glossy with an orange hot glow and a blue focus glow; with custom colours
// a gradient of BackColor with a HighlightColor glow.
GlowColor GlowFace5(GlowCanvas &, const GlowFace &, GlowColor);
// Style 7: the glossy body in BackColor (or the button face) with a highlight glow.
GlowColor GlowFace7(GlowCanvas &, const GlowFace &, GlowColor);
// The window shape of styles 5 and 7: corners cut one pixel at the top, two at the bottom.
QRegion GlowGlossyShape(int w, int h);
