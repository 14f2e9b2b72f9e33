#pragma once

#include <QGroupBox>

// A frame drawn as an etched rectangle with its caption set into the top edge; children keep
// the absolute places they are given, measured from the frame's top-left corner.
class FrameBox : public QGroupBox
{
    Q_OBJECT
public:
    explicit FrameBox(const QString &caption, QWidget *parent = nullptr)
        : QGroupBox(caption, parent)
    {
    }
    void setCaptionColor(const QColor &color);
    QColor captionColor() const { return m_captionColor; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_captionColor = Qt::black;
};
