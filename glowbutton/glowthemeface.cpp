// Style 6: the platform theme's push-button bevel, drawn through a QStyle.
#include "glowthemeface.h"

#include "glowthemepainter.h"
#include "systemcolors.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

bool GlowStyleThemePainter::DrawPushButton(QImage &surface, const QRect &rect, int state)
{
    QStyle *style = m_style ? m_style : QApplication::style();
    if (!style || surface.isNull() || state < kStateNormal || state > kStateDefaulted)
        return false;
    QStyleOptionButton option;
    option.rect = rect;
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled | QStyle::State_Raised;
    switch (state) {
    case kStateHot:
        option.state |= QStyle::State_MouseOver;
        break;
    case kStatePressed:
        option.state = QStyle::State_Enabled | QStyle::State_Sunken;
        break;
    case kStateDisabled:
        option.state = QStyle::State_Raised;
        break;
    case kStateDefaulted:
        option.features |= QStyleOptionButton::DefaultButton;
        break;
    default:
        break;
    }
    if (state == kStateDisabled)
        option.palette.setCurrentColorGroup(QPalette::Disabled);
    QPainter painter(&surface);
    style->drawControl(QStyle::CE_PushButtonBevel, &option, &painter, nullptr);
    return painter.end();
}

GlowThemePainter *GlowAppThemePainter()
{
    const QByteArray value = qgetenv(kGlowThemeVariable).trimmed().toLower();
    if (value == "0" || value == "off" || value == "no" || value == "false")
        return nullptr;
    static GlowStyleThemePainter painter;
    return &painter;
}

bool GlowFace6(GlowCanvas &canvas, const GlowFace &face, GlowThemePainter *theme)
{
    const GlowColor fill = face.Sys(kSysButtonFace);
    canvas.Fill(fill);
    const GlowState themeState =
        (face.state == kStateNormal && face.facts.hasFocus) ? kStateDefaulted : face.state;
    if (theme && theme->DrawPushButton(canvas.Image(), QRect(0, 0, face.W(), face.H()), themeState))
        return true;
    // Nothing of a failed theme drawing stays.
    canvas.Fill(fill);
    return false;
}
