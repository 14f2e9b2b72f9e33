#include "sendareaentry.h"

#include "conversions.h"
#include "traffictextarea.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolTip>

namespace {

const QString kBadEntryStyle = QStringLiteral("QLineEdit { background: #FF8080; }");

// Whether `event` types text into a field (not a shortcut, not a move).
bool typesText(const QKeyEvent *event)
{
    const QString text = event->text();
    return !text.isEmpty() && text.at(0).isPrint() &&
           !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

} // namespace

SendAreaEntry::SendAreaEntry(TrafficTextArea *area, Completer complete)
    : QLineEdit(area), m_area(area), m_complete(std::move(complete))
{
    setObjectName(area->objectName() + QStringLiteral("Entry"));
    setFrame(false);
    setFont(area->font());
    hide();
    area->installEventFilter(this);
    connect(this, &QLineEdit::returnPressed, this, &SendAreaEntry::enter);
    connect(this, &QLineEdit::textEdited, this, &SendAreaEntry::markGood);
    connect(area, &TrafficTextArea::contextMenuAboutToShow, this, [this](QMenu *menu) {
        menu->addSeparator();
        menu->addAction(tr("输入帧"), this, [this] { open(); });
        addActions(menu);
    });
}

void SendAreaEntry::open(bool withAreaText)
{
    setGeometry(m_area->contentsRect());
    if (!isVisible())
        setText(withAreaText ? m_area->text().trimmed() : QString());
    show();
    raise();
    setFocus(Qt::OtherFocusReason);
}

void SendAreaEntry::enter()
{
    const TypedFrame frame = ParseTypedHex(text());
    if (!frame.ok()) {
        markBad(frame.error);
        return;
    }
    markGood();
    hide();
    m_area->setFocus();
    emit frameEntered(frame.bytes);
}

void SendAreaEntry::completeChecksum()
{
    if (!isVisible())
        open();
    TypedFrame frame = ParseTypedHex(text());
    if (frame.ok())
        frame = m_complete(frame.bytes);
    if (!frame.ok()) {
        markBad(frame.error);
        return;
    }
    markGood();
    setText(HexTrafficText(frame.bytes).trimmed());
}

void SendAreaEntry::markBad(const QString &problem)
{
    m_problem = problem;
    setStyleSheet(kBadEntryStyle);
    setToolTip(problem);
    setStatusTip(problem);
    if (isVisible())
        QToolTip::showText(mapToGlobal(QPoint(0, height())), problem, this);
}

void SendAreaEntry::markGood()
{
    if (m_problem.isEmpty())
        return;
    m_problem.clear();
    setStyleSheet(QString());
    setToolTip(QString());
    setStatusTip(QString());
}

void SendAreaEntry::addActions(QMenu *menu)
{
    menu->addAction(tr("计算校验和"), this, &SendAreaEntry::completeChecksum);
}

void SendAreaEntry::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        markGood();
        hide();
        m_area->setFocus();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void SendAreaEntry::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addSeparator();
    addActions(menu);
    menu->popup(event->globalPos());
}

bool SendAreaEntry::eventFilter(QObject *watched, QEvent *event)
{
    // Typing into the area starts a new entry with what was typed.
    if (watched == m_area && event->type() == QEvent::KeyPress &&
        typesText(static_cast<QKeyEvent *>(event))) {
        open(false);
        QLineEdit::keyPressEvent(static_cast<QKeyEvent *>(event));
        return true;
    }
    if (watched == m_area && event->type() == QEvent::Resize && isVisible())
        setGeometry(m_area->contentsRect());
    return QLineEdit::eventFilter(watched, event);
}
