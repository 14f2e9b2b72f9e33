#pragma once

#include "glowcolor.h"

#include <QColor>
#include <QIcon>
#include <QTimer>
#include <QWidget>

class SystemColors;

// A button's own tooltip: a frameless window above all others that never takes the focus,
// rectangular or a balloon whose pointer touches the mouse position, with an optional title
// and title icon. Shown a moment after it is armed; a tip without text never shows.
class GlowToolTip : public QWidget
{
    Q_OBJECT
public:
    GlowToolTip(QWidget *owner, bool balloon, const SystemColors &colors);

    void SetText(const QString &text);
    // `icon`: 0 none, 1 information, 2 warning, 3 error.
    void SetTitle(int icon, const QString &title);
    void SetTextColor(GlowColor c);
    void SetBackColor(GlowColor c);
    // Starts the short wait after which the tip appears at the mouse position.
    void Arm();

    bool Balloon() const { return m_balloon; }
    QString Text() const { return m_text; }
    QString Title() const { return m_title; }
    int TitleIcon() const { return m_icon; }
    bool HasTitle() const { return m_hasTitle; }
    QColor TextColor() const { return m_textColor; }
    QColor BackColor() const { return m_backColor; }

    static constexpr int kShowDelayMs = 400;

protected:
    void paintEvent(QPaintEvent *e) override;

private:
    void showAt(const QPoint &globalPos);
    QRect bodyRect() const;
    QPolygon outline() const;
    // The window shape: the outline with every pixel of its border.
    QRegion shape() const;
    QFont titleFont() const;

    bool m_balloon = false;
    QString m_text;
    QString m_title;
    int m_icon = 0;
    bool m_hasTitle = false;
    QColor m_textColor;
    QColor m_backColor;
    QTimer m_delay;
};
