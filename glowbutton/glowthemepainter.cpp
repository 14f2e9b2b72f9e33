#include "glowthemepainter.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

bool GlowStyleThemePainter::DrawPushButton(QImage &surface, const QRect &rect, int state)
{
    QStyle *style = m_style ? m_style : QApplication::style();
    if (!style || surface.isNull() || state < 1 || state > 5)
        return false;
    QStyleOptionButton option;
    option.rect = rect;
    option.palette = QApplication::palette();
    option.state = QStyle::State_Enabled | QStyle::State_Raised;
    switch (state) {
    case 2: option.state |= QStyle::State_MouseOver; break;
    case 3: option.state = QStyle::State_Enabled | QStyle::State_Sunken; break;
    case 4: option.state = QStyle::State_Raised; break;
    case 5: option.features |= QStyleOptionButton::DefaultButton; break;
    default: break;
    }
    if (state == 4)
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
