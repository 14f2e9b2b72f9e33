#include "lampwidget.h"

#include <QPainter>

void LampWidget::setColor(const QColor &color)
{
    if (color == m_color)
        return;
    m_color = color;
    update();
}

void LampWidget::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(m_color);
    painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
}
