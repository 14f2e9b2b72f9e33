#pragma once

#include <QEvent>
#include <QObject>

// Counts the paint events of the widgets it is installed on as an event filter.
class PaintCounter : public QObject
{
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++count;
        return false;
    }
};
