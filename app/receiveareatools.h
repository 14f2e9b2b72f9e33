#pragma once

#include <QObject>
#include <QString>
#include <QTime>
#include <functional>

class QLineEdit;
class QMenu;
class TrafficTextArea;

// The receive area's tools beside copy and select-all, in its context menu: clear, find
// (Ctrl+F: hex as typed or spaced, or plain text; each match is selected in turn), a time stamp
// before each received chunk (off at start, so that the area shows the bytes alone), and saving
// the traffic record, which the owner does.
class ReceiveAreaTools : public QObject
{
    Q_OBJECT
public:
    // `save` runs at "保存通讯记录…".
    ReceiveAreaTools(TrafficTextArea *area, std::function<void()> save);

    // Appends a received chunk's hex text, after the time `when` on a line of its own while time
    // stamps are shown.
    void appendReceived(const QString &text, const QTime &when = QTime::currentTime());
    bool showsTime() const { return m_showTime; }
    void setShowsTime(bool show) { m_showTime = show; }

    // Shows the find box with the focus in it.
    void openFind();
    // Selects the next match of `query` after the selection, from the start again after the
    // last; false (and the find box red, saying so) when there is none.
    bool findNext(const QString &query);

    // What `query` is looked for as: hex digits (spaced or not, an even number) as the area
    // shows them, "6810aa" as "68 10 AA"; anything else as typed.
    static QString findPattern(const QString &query);

private:
    void addActions(QMenu *menu);
    void placeFindBox();
    bool eventFilter(QObject *watched, QEvent *event) override;

    TrafficTextArea *m_area;
    QLineEdit *m_findBox;
    std::function<void()> m_save;
    bool m_showTime = false;
};
