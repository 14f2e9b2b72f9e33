#pragma once

#include "glowfaces.h"

// Style 3: an etched frame around an inner panel that darkens when hot and pressed.
GlowColor GlowFace3(GlowCanvas &, const GlowFace &, GlowColor);
// Style 4: a flat lightened face, outlined in the highlight colour when hot or pressed.
GlowColor GlowFace4(GlowCanvas &, const GlowFace &, GlowColor);
