#pragma once

#include <QObject>
#include <functional>

class PollTimer;
class QLineEdit;
class QWidget;

// Continuous reading on one meter page: the "连续读表" frame with its start and stop buttons and
// its interval box, and the PollTimer whose ticks run the page's read command. The box's text
// gives the period in whole seconds; the box is green while polling runs.
class Poller : public QObject
{
    Q_OBJECT
public:
    // Object names of the frame, the start and stop buttons, the interval box, its unit label
    // and the timer.
    struct Names
    {
        const char *frame, *start, *stop, *interval, *unit, *timer;
    };

    // Builds the frame on `page`. `portOpen` is asked at every start; `warnClosed` runs when a
    // start is refused because the port is closed.
    Poller(QWidget *page, const Names &names, std::function<bool()> portOpen,
           std::function<void()> warnClosed, QObject *parent = nullptr);

    PollTimer *timer() const { return m_timer; }
    // Starts polling, unless the port is closed: then it warns and nothing changes.
    void start();
    void stop();

signals:
    // Polling starts (the port is open): before the first tick.
    void started();

private:
    PollTimer *m_timer = nullptr;
    QLineEdit *m_intervalBox = nullptr;
    std::function<bool()> m_portOpen;
    std::function<void()> m_warnClosed;
};
