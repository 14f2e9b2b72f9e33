#include "glowhooktable.h"

#include <QEvent>

int GlowMessageOf(int eventType)
{
    switch (eventType) {
    case QEvent::MouseMove: return kMsgMouseMove;
    case QEvent::Leave: return kMsgMouseLeave;
    case QEvent::StyleChange: return kMsgThemeChanged;
    case QEvent::PaletteChange: return kMsgColorsChanged;
    default: return 0;
    }
}

namespace {

void addTo(QList<int> &list, int message)
{
    if (message == kAllMessages) {
        list = {kAllMessages};
        return;
    }
    if (list.contains(message))
        return;
    const qsizetype free = list.indexOf(0);
    if (free >= 0)
        list[free] = message;
    else
        list.append(message);
}

void deleteFrom(QList<int> &list, int message)
{
    if (message == kAllMessages) {
        list.clear();
        return;
    }
    const qsizetype i = list.indexOf(message);
    if (i >= 0)
        list[i] = 0;
}

} // namespace

GlowHookTable::Record *GlowHookTable::find(const QWidget *window)
{
    for (Record &r : m_records) {
        if (r.hooked && r.window == window)
            return &r;
    }
    return nullptr;
}

int GlowHookTable::StartHooking(QWidget *window)
{
    qsizetype index = -1;
    for (qsizetype i = 0; i < m_records.size() && index < 0; ++i) {
        if (m_records.at(i).hooked && m_records.at(i).window == window)
            index = i;
    }
    for (qsizetype i = 0; i < m_records.size() && index < 0; ++i) {
        if (!m_records.at(i).hooked)
            index = i;
    }
    if (index < 0) {
        index = m_records.size();
        m_records.append(Record());
    }
    Record &r = m_records[index];
    r.window = window;
    r.hooked = true;
    return int(index);
}

void GlowHookTable::AddMessage(QWidget *window, int message, int when)
{
    editLists(window, message, when, addTo);
}

void GlowHookTable::DeleteMessage(QWidget *window, int message, int when)
{
    editLists(window, message, when, deleteFrom);
}

void GlowHookTable::editLists(QWidget *window, int message, int when,
                              void (*edit)(QList<int> &, int))
{
    Record *r = find(window);
    if (!r)
        return;
    if (when & kHookAfter)
        edit(r->after, message);
    if (when & kHookBefore)
        edit(r->before, message);
}

void GlowHookTable::StopHooking(QWidget *window)
{
    if (Record *r = find(window))
        *r = Record();
}

void GlowHookTable::StopAll()
{
    for (qsizetype i = m_records.size() - 1; i >= 0; --i) {
        if (m_records.at(i).hooked)
            m_records[i] = Record();
    }
}

bool GlowHookTable::Wants(const QWidget *window, int message, int when) const
{
    if (message == 0)
        return false;
    for (const Record &r : m_records) {
        if (!r.hooked || r.window != window)
            continue;
        const QList<int> &list = when == kHookBefore ? r.before : r.after;
        return list.contains(message) || list.contains(kAllMessages);
    }
    return false;
}
