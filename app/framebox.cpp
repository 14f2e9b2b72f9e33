#include "framebox.h"

#include <QPainter>

void FrameBox::setCaptionColor(const QColor &color)
{
    if (color == m_captionColor)
        return;
    m_captionColor = color;
    update();
}

void FrameBox::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QFontMetrics metrics(font());
    const int edgeTop = title().isEmpty() ? 0 : metrics.height() / 2;
    const QRect edge = rect().adjusted(0, edgeTop, -2, -2);
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(edge);
    painter.setPen(palette().color(QPalette::Light));
    painter.drawRect(edge.translated(1, 1));

    if (title().isEmpty())
        return;
    const QRect captionRect(8, 0, metrics.horizontalAdvance(title()) + 4, metrics.height());
    painter.fillRect(captionRect, palette().color(QPalette::Window));
    painter.setPen(m_captionColor);
    painter.drawText(captionRect, Qt::AlignCenter, title());
}
