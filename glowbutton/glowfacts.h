#pragma once

#include "glowcolor.h"

#include <QFont>
#include <QImage>
#include <QRegion>
#include <QString>

class SystemColors;

// Everything one repaint of a button reads: the widget turns its fields and interaction state
// into this value, the painting side turns it into pixels. Pure data, no widget.
struct GlowFacts
{
    int width = 20;
    int height = 20;
    int style = 0;
    int nonThemeStyle = 0;
    int state = 1; // stored visual state: 1 normal, 2 hot, 3 pressed, 4 disabled
    bool shown = true;
    bool runMode = true;
    bool hasFocus = false;
    bool displayAsDefault = false;
    bool enabled = true;
    int buttonType = 0; // 0 push, 1 check
    bool value = false;
    bool showFocus = false;
    bool useCustomColors = false;
    GlowColor backColor = 0;
    GlowColor highlightColor = 0;
    GlowColor fontColor = 0;
    GlowColor fontHighlightColor = 0;
    GlowColor surfaceBackColor = 0; // the surface's background colour before the repaint
    QString caption;
    int captionFormat = 17;
    QFont font;
    QImage icon; // null: no picture
    int iconAlign = 0;
    int iconSize = 16;
    bool useMaskColor = false;
    GlowColor maskColor = 0xC0C0C0;
};

// What a repaint stores back into the button.
struct GlowRepaint
{
    int state = 1;                  // the visual state after the repaint's overrides
    int style = 0;                  // Style, replaced by NonThemeStyle when the theme failed
    GlowColor surfaceBackColor = 0; // the surface background after the repaint
};

// Draws style 6 from the platform theme; a null painter means "no theme".
class GlowThemePainter
{
public:
    virtual ~GlowThemePainter() = default;
    // Paints a push-button bevel in theme state `state` (1..5) over `rect`; false on failure.
    virtual bool DrawPushButton(QImage &surface, const QRect &rect, int state) = 0;
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
