#pragma once

#include <QMessageBox>
#include <QString>

// Modal message boxes of the window go through this one interface, so that tests can record the
// messages instead of blocking on them.
class MessageBoxes
{
public:
    enum class Icon { None, Information, Error };
    virtual ~MessageBoxes() = default;
    // Shows a modal message and returns the button that closed it.
    virtual QMessageBox::StandardButton show(const QString &text, const QString &title, Icon icon,
                                             QMessageBox::StandardButtons buttons) = 0;
};

// The program's message boxes: a QMessageBox over `parent`.
class WidgetMessageBoxes : public MessageBoxes
{
public:
    explicit WidgetMessageBoxes(QWidget *parent = nullptr) : m_parent(parent) {}
    void setParent(QWidget *parent) { m_parent = parent; }
    QMessageBox::StandardButton show(const QString &text, const QString &title, Icon icon,
                                     QMessageBox::StandardButtons buttons) override;

private:
    QWidget *m_parent = nullptr;
};
