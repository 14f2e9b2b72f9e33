#include "polltimer.h"

PollTimer::PollTimer(QObject *parent) : QObject(parent)
{
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &PollTimer::Timer);
}

void PollTimer::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    apply();
}

void PollTimer::setInterval(int milliseconds)
{
    m_interval = qMax(0, milliseconds);
    apply();
}

void PollTimer::apply()
{
    if (m_enabled && m_interval > 0)
        m_timer.start(m_interval);
    else
        m_timer.stop();
}
