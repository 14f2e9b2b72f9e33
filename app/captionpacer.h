#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class GlowButton;
class TrafficTextArea;

// Paints a counter's caption together with a traffic area's text: while a meter streams, the
// count changes with every read, but the counter's face changes once per frame the area shows.
class CaptionPacer : public QObject
{
    Q_OBJECT
public:
    CaptionPacer(GlowButton *counter, TrafficTextArea *area, QObject *parent = nullptr);

    // The caption to show with the area's next frame, or after a short delay when no text comes.
    void setCaption(const QString &text);
    // Shows a waiting caption now.
    void showNow();

private:
    GlowButton *m_counter;
    QString m_caption;
    QTimer m_delay;
};
