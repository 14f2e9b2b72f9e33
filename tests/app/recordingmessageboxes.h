#pragma once

#include "messageboxes.h"

#include <QList>

// Records every message the window would show, and never blocks.
class RecordingMessageBoxes : public MessageBoxes
{
public:
    struct Message
    {
        QString text;
        QString title;
        Icon icon;
    };

    QMessageBox::StandardButton show(const QString &text, const QString &title, Icon icon,
                                     QMessageBox::StandardButtons) override
    {
        messages.append({text, title, icon});
        return QMessageBox::Ok;
    }

    QList<Message> messages;
};
