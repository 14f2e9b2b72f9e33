#include "messageboxes.h"

QMessageBox::StandardButton WidgetMessageBoxes::show(const QString &text, const QString &title,
                                                     Icon icon, QMessageBox::StandardButtons buttons)
{
    QMessageBox box(m_parent);
    box.setWindowTitle(title);
    box.setText(text);
    box.setStandardButtons(buttons);
    switch (icon) {
    case Icon::None:
        box.setIcon(QMessageBox::NoIcon);
        break;
    case Icon::Information:
        box.setIcon(QMessageBox::Information);
        break;
    case Icon::Error:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    return static_cast<QMessageBox::StandardButton>(box.exec());
}
