#pragma once

#include <QColor>
#include <QWidget>

// A small filled oval status lamp.
class LampWidget : public QWidget
{
    Q_OBJECT
public:
    explicit LampWidget(const QColor &color, QWidget *parent = nullptr)
        : QWidget(parent), m_color(color)
    {
    }
    QColor color() const { return m_color; }
    void setColor(const QColor &color);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_color;
};
