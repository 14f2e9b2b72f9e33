#pragma once

#include <QBasicTimer>
#include <QPushButton>
#include <QTimerEvent>

// The push button as the window uses it: a caption and a Click notification, nothing more.
class WindowButton : public QPushButton
{
    Q_OBJECT
public:
    explicit WindowButton(const QString &caption, QWidget *parent = nullptr)
        : QPushButton(caption, parent), m_caption(caption)
    {
        connect(this, &QPushButton::clicked, this, &WindowButton::Click);
    }
    QString Caption() const { return m_caption; }
    // Shows `caption` at once.
    void setCaption(const QString &caption)
    {
        m_showTimer.stop();
        m_caption = caption;
        setText(caption);
    }
    // Caption() changes at once; the face follows at the next showCaption(), at the latest after
    // `delayMs`, so that a caption changing on every serial read is painted once per frame.
    void setCaptionLater(const QString &caption, int delayMs)
    {
        m_caption = caption;
        if (!m_showTimer.isActive())
            m_showTimer.start(delayMs, this);
    }
    // Shows a caption set by setCaptionLater() now.
    void showCaption()
    {
        if (!m_showTimer.isActive())
            return;
        m_showTimer.stop();
        setText(m_caption);
    }

signals:
    void Click();

protected:
    void timerEvent(QTimerEvent *event) override
    {
        if (event->timerId() != m_showTimer.timerId())
            return QPushButton::timerEvent(event);
        showCaption();
    }

private:
    QString m_caption;
    QBasicTimer m_showTimer;
};
