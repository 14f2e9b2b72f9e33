#include "logo.h"

#include "windowwidgets.h"

#include <QCoreApplication>
#include <QLinearGradient>
#include <QPainter>

using namespace WindowWidgets;

QPixmap MakeLogo()
{
    QPixmap logo(947, 283);
    QPainter painter(&logo);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, 283);
    sky.setColorAt(0, QColor(16, 72, 150));
    sky.setColorAt(1, QColor(6, 30, 72));
    painter.fillRect(logo.rect(), sky);
    // A meter dial on the left.
    painter.setPen(QPen(QColor(190, 220, 255), 10));
    painter.setBrush(QColor(235, 245, 255));
    painter.drawEllipse(QPointF(150, 141), 100, 100);
    painter.setPen(QPen(QColor(16, 72, 150), 6));
    for (int i = 0; i < 12; ++i) {
        painter.save();
        painter.translate(150, 141);
        painter.rotate(i * 30);
        painter.drawLine(0, -84, 0, -70);
        painter.restore();
    }
    painter.setPen(QPen(QColor(220, 40, 40), 10, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(150, 141), QPointF(205, 90));
    painter.setPen(Qt::white);
    QFont title = verdana(60);
    title.setPixelSize(96);
    title.setBold(true);
    painter.setFont(title);
    painter.drawText(QRect(290, 20, 640, 150), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("MeterDesk"));
    QFont subtitle = songTi(30);
    subtitle.setPixelSize(52);
    painter.setFont(subtitle);
    painter.setPen(QColor(190, 220, 255));
    painter.drawText(QRect(295, 170, 640, 80), Qt::AlignLeft | Qt::AlignVCenter,
                     QCoreApplication::translate("Logo", "仪表通讯测试"));
    return logo;
}
