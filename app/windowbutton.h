#pragma once

#include <QPushButton>

// The push button as the window uses it: a caption and a Click notification, nothing more.
class WindowButton : public QPushButton
{
    Q_OBJECT
public:
    explicit WindowButton(const QString &caption, QWidget *parent = nullptr)
        : QPushButton(caption, parent)
    {
        connect(this, &QPushButton::clicked, this, &WindowButton::Click);
    }
    QString Caption() const { return text(); }
    void setCaption(const QString &caption) { setText(caption); }

signals:
    void Click();
};
