#pragma once

#include "glowfaces.h"

// Styles 0, 1 and 2: a plain face framed by the platform's raised and sunken edges.
GlowColor GlowFace0(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace1(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace2(GlowCanvas &, const GlowFace &, GlowColor);
