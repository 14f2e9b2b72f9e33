#pragma once

#include "glowfaces.h"

// Style 8: a raised panel in a frame that darkens with the focus.
GlowColor GlowFace8(GlowCanvas &, const GlowFace &, GlowColor);
// Style 9: a pillow with a bright upper half, swapped when pressed.
GlowColor GlowFace9(GlowCanvas &, const GlowFace &, GlowColor);
// The window shape of styles 8 and 9: corners cut two, three and four pixels deep.
QRegion GlowPillowShape(int w, int h);
