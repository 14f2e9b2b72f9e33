#pragma once

#include "typedframe.h"

#include <QLineEdit>
#include <functional>

class QMenu;
class TrafficTextArea;

// Lets the technician type a frame into a send area. Typing into the area (or its menu action
// "输入帧") opens this line over it with the area's text; Enter sends the hex as it stands,
// "计算校验和" puts in the checksum and end byte of the typed frame, Escape gives up. A bad entry
// turns the line red, says why in its tooltip and status tip, and sends nothing. The area keeps
// showing each request as before.
class SendAreaEntry : public QLineEdit
{
    Q_OBJECT
public:
    using Completer = std::function<TypedFrame(QByteArrayView)>;

    // Over `area`; `complete` completes a typed frame of the page's protocol.
    SendAreaEntry(TrafficTextArea *area, Completer complete);

    // Opens the entry with the focus in it: with the area's text to edit, or empty.
    void open(bool withAreaText = true);
    // Reads the entry: emits frameEntered and closes for a good one, marks it bad otherwise.
    void enter();
    // Puts in the checksum and end byte, or marks the entry bad.
    void completeChecksum();
    // Why the entry was refused last; empty while it is not.
    QString problem() const { return m_problem; }

signals:
    void frameEntered(const QByteArray &frame);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void markBad(const QString &problem);
    void markGood();
    void addActions(QMenu *menu);

    TrafficTextArea *m_area;
    Completer m_complete;
    QString m_problem;
};
