#pragma once

#include "glowcanvas.h"
#include "glowfacts.h"

class SystemColors;

// What a face reads: the repaint's facts with the visual state after its overrides and the
// colours already made drawable.
struct GlowFace
{
    const GlowFacts &facts;
    const SystemColors &colors;
    int state = 1; // 1 normal, 2 hot, 3 pressed, 4 disabled, 5 defaulted
    GlowColor back = 0;      // BackColor, translated
    GlowColor highlight = 0; // HighlightColor, translated

    int W() const { return facts.width; }
    int H() const { return facts.height; }
    GlowColor Sys(int index) const;
    // BackColor with custom colours, else the system button face.
    GlowColor Base() const;
    // HighlightColor with custom colours, else the system highlight.
    GlowColor Hl() const;
};

// Draws the face of a style; returns the colour the whole surface was filled with (the new
// background), or `background` unchanged when the face does not fill it.
using GlowFaceFn = GlowColor (*)(GlowCanvas &canvas, const GlowFace &face, GlowColor background);

// The face routine of `style`; null for a style without a face of its own.
GlowFaceFn GlowFaceOf(int style);

GlowColor GlowFace0(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace1(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace2(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace3(GlowCanvas &, const GlowFace &, GlowColor);
GlowColor GlowFace4(GlowCanvas &, const GlowFace &, GlowColor);
