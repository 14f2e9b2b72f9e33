#pragma once

#include "glowproperties.h"

#include <QRegion>

class GlowThemePainter;
class SystemColors;

// Everything one repaint of a button reads: the stored properties, as the widget keeps them,
// plus its size and interaction state. Pure data, no widget.
struct GlowFacts : GlowProperties
{
    int width = 20;
    int height = 20;
    GlowState state = kStateNormal; // the stored visual state, Normal to Disabled
    bool shown = true;
    bool runMode = true;
    bool hasFocus = false;
    bool displayAsDefault = false;
    GlowColor surfaceBackColor = 0; // the surface's background colour before the repaint
    int captionFormat = 17;
};

// What a repaint stores back into the button.
struct GlowRepaint
{
    GlowState state = kStateNormal; // the visual state after the repaint's overrides
    int style = 0;                  // Style, replaced by NonThemeStyle when the theme failed
    GlowColor surfaceBackColor = 0; // the surface background after the repaint
};

// Runs the whole repaint into `surface` (sized width x height); `scratch` is the hidden icon
// surface, at least as large, never cleared between repaints.
GlowRepaint RefreshGlowButton(QImage &surface, QImage &scratch, const GlowFacts &facts,
                              const SystemColors &colors, GlowThemePainter *theme);

// The window shape of `style` for a w x h button, in widget coordinates.
QRegion GlowShape(int style, int w, int h);

// The caption-format flags for `captionAlign`; an alignment outside 0..4 keeps `previous`.
int GlowCaptionFormat(int captionAlign, int previous);

// Draws `icon` in grey at (x, y) stretched to w x h; false for a missing surface or icon.
bool PaintIconGrayscale(QImage *dest, const QImage *icon, int x, int y, int height, int width);
