#include "receiveareatools.h"

#include "traffictextarea.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>

#include <algorithm>

namespace {

constexpr int kFindBoxWidth = 180;

// The find box's look: plain, or red while its text is not found.
void markFindBox(QLineEdit *box, bool found, const QString &why)
{
    box->setStyleSheet(found ? QString() : QStringLiteral("QLineEdit { background: #FF8080; }"));
    box->setToolTip(why);
}

} // namespace

ReceiveAreaTools::ReceiveAreaTools(TrafficTextArea *area, std::function<void()> save)
    : QObject(area), m_area(area), m_findBox(new QLineEdit(area)), m_save(std::move(save))
{
    m_findBox->setObjectName(area->objectName() + QStringLiteral("Find"));
    m_findBox->setPlaceholderText(tr("查找（十六进制或文字）"));
    m_findBox->hide();
    m_findBox->installEventFilter(this);
    area->installEventFilter(this);
    connect(m_findBox, &QLineEdit::returnPressed, this, [this] { findNext(m_findBox->text()); });
    connect(m_findBox, &QLineEdit::textEdited, this, [this] {
        markFindBox(m_findBox, true, {});
        m_area->setMarks({});
    });
    connect(area, &TrafficTextArea::contextMenuAboutToShow, this,
            [this](QMenu *menu) { addActions(menu); });
}

void ReceiveAreaTools::addActions(QMenu *menu)
{
    menu->addAction(tr("清除"), m_area, &TrafficTextArea::clear)->setEnabled(!m_area->isEmpty());
    menu->addAction(tr("查找…"), this, &ReceiveAreaTools::openFind)
        ->setShortcut(QKeySequence::Find);
    menu->addSeparator();
    QAction *time = menu->addAction(tr("显示时间"), this, [this](bool on) { m_showTime = on; });
    time->setCheckable(true);
    time->setChecked(m_showTime);
    menu->addSeparator();
    menu->addAction(tr("保存通讯记录…"), this, [this] { m_save(); });
}

void ReceiveAreaTools::appendReceived(const QString &text, const QTime &when)
{
    if (!m_showTime) {
        m_area->appendText(text);
        return;
    }
    const QString stamp =
        QLatin1Char('[') + when.toString(QStringLiteral("HH:mm:ss.zzz")) + QStringLiteral("] ");
    m_area->appendText((m_area->isEmpty() ? QString() : QStringLiteral("\n")) + stamp + text);
}

void ReceiveAreaTools::openFind()
{
    placeFindBox();
    m_findBox->show();
    m_findBox->raise();
    m_findBox->setFocus(Qt::ShortcutFocusReason);
    m_findBox->selectAll();
}

void ReceiveAreaTools::placeFindBox()
{
    const int width = std::min(kFindBoxWidth, m_area->width());
    m_findBox->setGeometry(m_area->width() - width - m_area->frameWidth(), m_area->frameWidth(),
                           width, m_findBox->sizeHint().height());
}

QString ReceiveAreaTools::findPattern(const QString &query)
{
    static const QRegularExpression hexOnly(QStringLiteral("^[0-9A-Fa-f\\s]+$"));
    QString digits = query;
    digits.remove(QRegularExpression(QStringLiteral("\\s")));
    if (!hexOnly.match(query).hasMatch() || digits.size() % 2 != 0)
        return query;
    QStringList pairs;
    for (qsizetype i = 0; i < digits.size(); i += 2)
        pairs << digits.mid(i, 2).toUpper();
    return pairs.join(QLatin1Char(' '));
}

bool ReceiveAreaTools::findNext(const QString &query)
{
    const QString pattern = findPattern(query);
    if (pattern.trimmed().isEmpty())
        return false;
    const QString text = m_area->text();
    // After the selection, so that each search moves to the next match.
    const qsizetype from = m_area->hasSelection() ? m_area->selectionEnd() : 0;
    // Every match is marked; the next one is selected.
    std::vector<std::pair<int, int>> marks;
    for (qsizetype i = text.indexOf(pattern, 0, Qt::CaseInsensitive); i >= 0;
         i = text.indexOf(pattern, i + 1, Qt::CaseInsensitive))
        marks.emplace_back(int(i), int(i + pattern.size()));
    m_area->setMarks(marks);
    qsizetype at = text.indexOf(pattern, from, Qt::CaseInsensitive);
    if (at < 0)
        at = text.indexOf(pattern, 0, Qt::CaseInsensitive);
    if (at < 0) {
        markFindBox(m_findBox, false, tr("接收区中没有“%1”。").arg(pattern));
        return false;
    }
    markFindBox(m_findBox, true, {});
    m_area->select(int(at), int(pattern.size()));
    return true;
}

bool ReceiveAreaTools::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_area && event->type() == QEvent::Resize && m_findBox->isVisible())
        placeFindBox();
    // Ctrl+F belongs to the area while it has the focus, ahead of any window shortcut.
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched == m_area && key && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Find)) {
        event->accept();
        if (event->type() == QEvent::KeyPress)
            openFind();
        return true;
    }
    if (watched == m_findBox && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        m_findBox->hide();
        m_area->setMarks({});
        m_area->setFocus();
        return true;
    }
    return QObject::eventFilter(watched, event);
}
