#pragma once

#include "glowcanvas.h"
#include "glowfacts.h"
#include "systemcolors.h"

#include <QRegion>

// What a face reads: the repaint's facts with the visual state after its overrides and the
// custom colours already made drawable.
struct GlowFace
{
    const GlowFacts &facts;
    const SystemColors &colors;
    GlowState state = kStateNormal; // Defaulted is drawn like a focused Normal
    GlowColor back = 0;             // BackColor, translated
    GlowColor highlight = 0;        // HighlightColor, translated

    int W() const { return facts.width; }
    int H() const { return facts.height; }
    GlowColor Sys(GlowSysColor index) const;
    // BackColor with custom colours, else the system button face.
    GlowColor Base() const;
    // HighlightColor with custom colours, else the system highlight.
    GlowColor Hl() const;
};

// Draws the face of a style; returns the colour the whole surface was filled with (the new
// background), or `background` unchanged when the face does not fill it.
using GlowFaceFn = GlowColor (*)(GlowCanvas &canvas, const GlowFace &face, GlowColor background);
// The window shape of a w x h button of one style, in widget coordinates.
using GlowShapeFn = QRegion (*)(int w, int h);

// How one style paints: its face (null for style 6, which the theme draws), its window shape
// and the gap between an edge-aligned icon and the button edge.
struct GlowStyleTraits
{
    GlowFaceFn face;
    GlowShapeFn shape;
    int iconMargin;
};

// The traits of `style`; null for a style outside 0..10.
const GlowStyleTraits *GlowStyleOf(int style);
