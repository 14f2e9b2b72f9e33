#pragma once

#include "glowfaces.h"

class GlowThemePainter;

// Style 6: the button face in the system colour, then the theme's push-button bevel over the
// whole surface (a focused Normal button in the Defaulted look). False when there is no theme
// or it fails; the surface then holds only the button face.
bool GlowFace6(GlowCanvas &canvas, const GlowFace &face, GlowThemePainter *theme);
