#pragma once

#include <QImage>
#include <QRect>

class QStyle;

// Draws style 6 from the platform theme; a null painter means "no theme".
class GlowThemePainter
{
public:
    virtual ~GlowThemePainter() = default;
    // Paints a push-button bevel in theme state `state` (GlowState 1..5) over `rect`; false on
    // failure.
    virtual bool DrawPushButton(QImage &surface, const QRect &rect, int state) = 0;
};

// Style 6 drawn by a QStyle's push-button bevel.
class GlowStyleThemePainter : public GlowThemePainter
{
public:
    // `style` null: the application's style at the time of drawing.
    explicit GlowStyleThemePainter(QStyle *style = nullptr) : m_style(style) {}
    bool DrawPushButton(QImage &surface, const QRect &rect, int state) override;

private:
    QStyle *m_style;
};

// The environment variable that turns the theme off: "0", "off", "no" or "false".
inline constexpr char kGlowThemeVariable[] = "GLOWBUTTON_THEME";

// The application's theme painter, or null while the theme is switched off (looked up on
// every call, so a change of the variable takes effect at the next repaint).
GlowThemePainter *GlowAppThemePainter();
