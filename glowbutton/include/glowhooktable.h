#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

// Window-message numbers the button listens for, with the Qt events they stand for.
constexpr int kMsgMouseMove = 0x0200;      // QEvent::MouseMove
constexpr int kMsgMouseLeave = 0x02A3;     // QEvent::Leave
constexpr int kMsgThemeChanged = 0x031A;   // QEvent::StyleChange
constexpr int kMsgColorsChanged = 0x0015;  // QEvent::PaletteChange
constexpr int kAllMessages = -1;

// When a hooked message is delivered: after the window's own handling, before it, or both.
enum GlowHookWhen { kHookAfter = 1, kHookBefore = 2, kHookBoth = 3 };

// The message number of `type`, or 0 for an event that is no hooked message.
int GlowMessageOf(int eventType);

// Per-window hook records: which messages of a window go to the callback, before and/or after
// the window's own handling. A record whose window is null is free and reused first; a list
// entry of 0 is free and reused first; -1 in a list stands for every message.
class GlowHookTable
{
public:
    struct Record
    {
        QPointer<QWidget> window;
        bool hooked = false;
        QList<int> after;
        QList<int> before;
    };

    // The index of `window`'s record, taking a free one or appending when it has none.
    int StartHooking(QWidget *window);
    void AddMessage(QWidget *window, int message, int when);
    // Zeroes the entry of `message`; kAllMessages empties the list.
    void DeleteMessage(QWidget *window, int message, int when);
    // Frees `window`'s record with both lists.
    void StopHooking(QWidget *window);
    // Stops hooking every hooked window, last record first.
    void StopAll();

    // Whether `message` of `window` is delivered at `when` (kHookAfter or kHookBefore).
    bool Wants(const QWidget *window, int message, int when) const;
    const QList<Record> &Records() const { return m_records; }

private:
    Record *find(const QWidget *window);
    void editLists(QWidget *window, int message, int when, void (*edit)(QList<int> &, int));

    QList<Record> m_records;
};
