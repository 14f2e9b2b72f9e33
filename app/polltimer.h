#pragma once

#include <QObject>
#include <QTimer>

// A periodic timer with the Enabled/Interval behaviour the pollers rely on: an interval of 0
// never fires, even while enabled; changing the interval restarts the period.
class PollTimer : public QObject
{
    Q_OBJECT
public:
    explicit PollTimer(QObject *parent = nullptr);

    bool Enabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    int Interval() const { return m_interval; }
    void setInterval(int milliseconds);
    // True while ticks are actually being fired.
    bool isTicking() const { return m_timer.isActive(); }

signals:
    void Timer();

private:
    void apply();

    QTimer m_timer;
    bool m_enabled = false;
    int m_interval = 1000;
};
