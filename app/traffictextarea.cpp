#include "traffictextarea.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>
#include <climits>

namespace {

constexpr int kDragScrollInterval = 50; // ms between rows while a drag holds outside the view
constexpr int kPaintInterval = 16;      // ms from an append to its repaint: one 60 Hz frame
// While a line streams (appends keep coming within this many ms of the last repaint), appends
// are shown at this pace instead: a view that scrolls by more than its height each 60 Hz frame
// would be painted whole every frame, while the eye gets no more from it at 10 Hz.
constexpr int kStreamingInterval = 100; // ms
constexpr int kGlyphOverhang = 2;       // pixels a glyph may reach left of its cell
const QColor kMarkColor(255, 230, 80);  // behind marked characters, e.g. matches of a search

} // namespace

TrafficTextArea::TrafficTextArea(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(defaultFont());
    viewport()->setCursor(Qt::IBeamCursor);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resetMetrics();
    m_layout.setAdvance(fontAdvance());
    m_layout.setWidth(wrapWidth());
}

TrafficTextArea::~TrafficTextArea() = default;

QFont TrafficTextArea::defaultFont()
{
    QFont font;
    font.setFamilies({QStringLiteral("Consolas"), QStringLiteral("DejaVu Sans Mono"),
                      QStringLiteral("WenQuanYi Micro Hei Mono"), QStringLiteral("Courier New"),
                      QStringLiteral("Monospace")});
    font.setStyleHint(QFont::Monospace);
    font.setPointSize(10);
    return font;
}

void TrafficTextArea::setText(const QString &text)
{
    if (text == m_layout.text())
        return;
    m_paintTimer.stop(); // the whole view is repainted below
    m_anchor = m_cursor = 0;
    m_marks.clear();
    const int top = topCharacter();
    const TrafficLayout::Cut cut = m_layout.setText(text);
    if (cut.characters > 0)
        afterCut(cut, top, false);
    updateScrollBar();
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit textChanged();
}

void TrafficTextArea::appendText(const QString &text)
{
    if (text.isEmpty())
        return;
    if (!m_paintTimer.isActive()) {
        m_pending = PendingAppends{};
        m_pending.row = rowCount() - 1;
        m_pending.left = m_layout.settledWidth();
        m_pending.followEnd = showsEnd();
        const bool streaming = m_lastShown.isValid() && !m_lastShown.hasExpired(kStreamingInterval);
        m_paintTimer.start(streaming ? kStreamingInterval : kPaintInterval, this);
    }

    const int top = topCharacter();
    const TrafficLayout::Cut cut = m_layout.append(text);
    if (cut.characters > 0) {
        const int droppedRows = afterCut(cut, top, m_pending.followEnd);
        if (droppedRows < 0) {
            m_pending.wholeView = true;
        } else if (m_pending.row >= droppedRows) {
            m_pending.row -= droppedRows;
        } else {
            m_pending.row = 0;
            m_pending.left = 0;
        }
    }
    emit textChanged();
}

// Whether the view shows the last row, as the scroll bar stood before the appends not yet shown.
bool TrafficTextArea::showsEnd() const
{
    if (m_paintTimer.isActive())
        return m_pending.followEnd;
    const QScrollBar *bar = verticalScrollBar();
    return bar->value() >= bar->maximum();
}

// Brings the scroll bar up to the appends made since the last frame, follows the end when the
// view showed it, and repaints what they changed.
void TrafficTextArea::showPendingAppends()
{
    if (!m_paintTimer.isActive())
        return;
    m_paintTimer.stop();
    m_lastShown.start();
    emit appendsShown();
    {
        // Pixels about to be repainted whole need no scrolling.
        const QScopedValueRollback hold(m_holdPixels, m_pending.wholeView);
        QScrollBar *bar = verticalScrollBar();
        updateScrollBar();
        if (m_pending.followEnd)
            bar->setValue(bar->maximum());
    }
    if (m_pending.wholeView) {
        viewport()->update();
        return;
    }
    const int width = viewport()->width();
    const int top = rowTop(m_pending.row);
    const int left = int(kTextMargin + m_pending.left) - kGlyphOverhang;
    QRegion changed(left, top, width - left, m_rowHeight);
    if (rowCount() > m_pending.row + 1)
        changed += QRect(0, top + m_rowHeight, width, viewport()->height());
    viewport()->update(changed.intersected(viewport()->rect()));
}

void TrafficTextArea::clear()
{
    setText(QString());
}

void TrafficTextArea::setMaximumLength(int characters)
{
    characters = std::max(0, characters);
    if (characters == maximumLength())
        return;
    if (characters == 0 || characters >= m_layout.text().size()) {
        m_layout.setMaximumLength(characters);
        return;
    }
    showPendingAppends();
    const bool followEnd = showsEnd();
    const int top = topCharacter();
    afterCut(m_layout.setMaximumLength(characters), top, followEnd);
    viewport()->update();
    emit textChanged();
}

// Keeps the selection and the view on their characters after the layout dropped the oldest
// ones, or the view at the end when `followEnd`; `topCharacter` stood at the top of the view
// before the cut. Returns how many rows went from above a view that shows the same pixels as
// before, or -1 when the view changed; the caller repaints.
int TrafficTextArea::afterCut(const TrafficLayout::Cut &cut, int topCharacter, bool followEnd)
{
    QScrollBar *bar = verticalScrollBar();
    int droppedRows = cut.rows;
    m_marks.clear(); // their characters moved
    const int value =
        cut.rows >= 0 ? bar->value() - cut.rows * m_rowHeight
                      : m_layout.rowOf(std::max(0, topCharacter - cut.characters)) * m_rowHeight;

    if (hasSelection() && std::min(m_anchor, m_cursor) < cut.characters) {
        m_anchor = m_cursor = 0; // part of the selected text is gone
        droppedRows = -1;
    } else {
        m_anchor = std::max(0, m_anchor - cut.characters);
        m_cursor = std::max(0, m_cursor - cut.characters);
    }

    const QScopedValueRollback hold(m_holdPixels, true);
    updateScrollBar();
    bar->setValue(followEnd ? bar->maximum() : value);
    return followEnd || value < 0 ? -1 : droppedRows;
}

void TrafficTextArea::setWrap(bool wrap)
{
    if (wrap == wraps())
        return;
    setVerticalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    relayout([this, wrap] { m_layout.setWrap(wrap); });
}

QString TrafficTextArea::selectedText() const
{
    const int start = std::min(m_anchor, m_cursor);
    return m_layout.text().mid(start, std::max(m_anchor, m_cursor) - start);
}

void TrafficTextArea::selectAll()
{
    setCursorPosition(0, false);
    setCursorPosition(int(m_layout.text().size()), true);
}

void TrafficTextArea::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
}

void TrafficTextArea::select(int start, int length)
{
    const int size = int(m_layout.text().size());
    start = std::clamp(start, 0, size);
    setCursorPosition(start, false);
    setCursorPosition(std::min(start + std::max(length, 0), size), true);
    if (!wraps())
        return;
    showPendingAppends();
    QScrollBar *bar = verticalScrollBar();
    const int top = kTextMargin + m_layout.rowOf(start) * m_rowHeight;
    if (top < bar->value() || top + m_rowHeight > bar->value() + viewport()->height())
        bar->setValue(top - viewport()->height() / 2);
}

void TrafficTextArea::setMarks(std::vector<std::pair<int, int>> marks)
{
    std::sort(marks.begin(), marks.end());
    m_marks = std::move(marks);
    viewport()->update();
}

QString TrafficTextArea::lineAt(const QPoint &point) const
{
    const QString &text = m_layout.text();
    const int position = positionAt(point);
    const qsizetype start = position > 0 ? text.lastIndexOf(u'\n', position - 1) + 1 : 0;
    qsizetype end = text.indexOf(u'\n', position);
    if (end < 0)
        end = text.size();
    return text.mid(start, end - start);
}

QMenu *TrafficTextArea::createStandardContextMenu()
{
    auto *menu = new QMenu(this);
    QAction *copyAction = menu->addAction(tr("复制"), this, [this] { copy(); });
    copyAction->setShortcut(QKeySequence::Copy);
    copyAction->setEnabled(hasSelection());
    QAction *selectAllAction = menu->addAction(tr("全选"), this, [this] { selectAll(); });
    selectAllAction->setShortcut(QKeySequence::SelectAll);
    selectAllAction->setEnabled(!isEmpty());
    return menu;
}

void TrafficTextArea::resetMetrics()
{
    // Kerning off: a run is then drawn exactly as wide as the sum of its characters' advances,
    // which is what layout, selection and hit testing use.
    m_drawFont = font();
    m_drawFont.setKerning(false);
    const QFontMetrics intMetrics(m_drawFont, viewport());
    m_rowHeight = std::max(1, intMetrics.lineSpacing());
    m_ascent = intMetrics.ascent();
}

TrafficLayout::Advance TrafficTextArea::fontAdvance() const
{
    const QFontMetricsF metrics(m_drawFont, viewport());
    return [metrics](char32_t c) { return metrics.horizontalAdvance(QString::fromUcs4(&c, 1)); };
}

int TrafficTextArea::wrapWidth() const
{
    return viewport()->width() - 2 * kTextMargin;
}

int TrafficTextArea::topCharacter() const
{
    return m_layout.rowStarts()[rowAt(0)];
}

// Lets `change` lay out everything again (new width, font or mode), keeping the first visible
// character at the top, or the end in view when the end was shown.
void TrafficTextArea::relayout(const std::function<void()> &change)
{
    showPendingAppends();
    QScrollBar *bar = verticalScrollBar();
    const bool followEnd = bar->value() >= bar->maximum();
    const int top = topCharacter();

    change();
    updateScrollBar();
    bar->setValue(followEnd ? bar->maximum() : m_layout.rowOf(top) * m_rowHeight);
    viewport()->update();
}

int TrafficTextArea::rowTop(int row) const
{
    if (!wraps())
        return (viewport()->height() - m_rowHeight) / 2;
    return kTextMargin + row * m_rowHeight - verticalScrollBar()->value();
}

// The row under viewport height `y`, clamped to the existing rows.
int TrafficTextArea::rowAt(int y) const
{
    if (!wraps())
        return 0;
    const int contentY = y + verticalScrollBar()->value() - kTextMargin;
    if (contentY < 0)
        return 0;
    return std::min(contentY / m_rowHeight, rowCount() - 1);
}

// The character boundary nearest to `point` in viewport coordinates. Above the text gives the
// start, below it the end; zero-width characters stay with the character before them.
int TrafficTextArea::positionAt(const QPoint &point) const
{
    if (wraps() && point.y() < rowTop(0))
        return 0;
    if (wraps() && point.y() >= rowTop(rowCount()))
        return int(m_layout.text().size());
    return m_layout.positionAt(rowAt(point.y()), point.x() - kTextMargin);
}

void TrafficTextArea::updateScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const int page = viewport()->height();
    const int content = wraps() ? 2 * kTextMargin + rowCount() * m_rowHeight : 0;
    bar->setRange(0, std::max(0, content - page));
    bar->setPageStep(page);
    bar->setSingleStep(m_rowHeight);
}

void TrafficTextArea::setCursorPosition(int position, bool keepAnchor)
{
    const int anchor = keepAnchor ? m_anchor : position;
    if (anchor == m_anchor && position == m_cursor)
        return;
    m_anchor = anchor;
    m_cursor = position;
    viewport()->update();
}

void TrafficTextArea::paintEvent(QPaintEvent *event)
{
    const QRect area = event->rect();
    QPainter painter(viewport());
    painter.setFont(m_drawFont);
    painter.setLayoutDirection(Qt::LeftToRight);
    for (int row = rowAt(area.top()); row < rowCount(); ++row) {
        const int top = rowTop(row);
        if (top > area.bottom())
            break;
        paintRow(painter, row, top, area);
        if (!wraps())
            break;
    }
}

// Draws the part of `row` within `area` as runs of equal selection state, placed by the cached
// advances.
void TrafficTextArea::paintRow(QPainter &painter, int row, int top, const QRect &area)
{
    const int selectionStart = std::min(m_anchor, m_cursor);
    const int selectionEnd = std::max(m_anchor, m_cursor);
    const QColor &textColor = palette().color(QPalette::Text);
    const QColor &highlight = palette().color(QPalette::Highlight);
    const QColor &highlightedText = palette().color(QPalette::HighlightedText);
    const qreal right = area.right() + 1;
    const QString &text = m_layout.text();
    const int end = m_layout.rowEnd(row);
    qreal x = kTextMargin;
    int i = rowStarts()[row];
    // Characters well left of the area are skipped; the one just before it is still drawn so
    // that a glyph reaching past its cell keeps its pixels.
    while (i < end) {
        int length = 1;
        const qreal advance = m_layout.advanceOf(i, &length);
        if (x + advance >= area.left() - m_rowHeight / 2)
            break;
        x += advance;
        i += length;
    }
    qreal runX = x;
    bool runSelected = false;
    QString run;
    const auto flushRun = [&] {
        if (runSelected && x > runX)
            painter.fillRect(QRectF(runX, top, x - runX, m_rowHeight), highlight);
        if (!run.isEmpty()) {
            painter.setPen(runSelected ? highlightedText : textColor);
            painter.drawText(QPointF(runX, top + m_ascent), run);
            run.clear();
        }
        runX = x;
    };
    auto mark = std::upper_bound(m_marks.cbegin(), m_marks.cend(), std::pair(i, INT_MAX));
    if (mark != m_marks.cbegin() && std::prev(mark)->second > i)
        --mark;
    while (i < end && x <= right) {
        const bool selected = i >= selectionStart && i < selectionEnd;
        while (mark != m_marks.cend() && mark->second <= i)
            ++mark;
        if (selected != runSelected) {
            flushRun();
            runSelected = selected;
        }
        int length = 1;
        const qreal advance = m_layout.advanceOf(i, &length);
        if (!selected && mark != m_marks.cend() && mark->first <= i)
            painter.fillRect(QRectF(x, top, advance, m_rowHeight), kMarkColor);
        const QChar c = text.at(i);
        if (c == u'\t')
            run += u' ';
        else if (!TrafficLayout::isControl(c))
            run += QStringView(text).mid(i, length);
        x += advance;
        i += length;
    }
    flushRun();
}

void TrafficTextArea::resizeEvent(QResizeEvent *event)
{
    // Called for the frame and for the viewport; rows are recomputed only when the width the
    // text wraps at has changed.
    QAbstractScrollArea::resizeEvent(event);
    showPendingAppends();
    if (wraps() && wrapWidth() != m_layout.width()) {
        relayout([this] { m_layout.setWidth(wrapWidth()); });
    } else {
        m_layout.setWidth(wrapWidth()); // the strip's one row does not depend on the width
        QScrollBar *bar = verticalScrollBar();
        const bool followEnd = bar->value() >= bar->maximum();
        updateScrollBar();
        if (followEnd)
            bar->setValue(bar->maximum());
    }
}

void TrafficTextArea::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        resetMetrics();
        relayout([this] { m_layout.setAdvance(fontAdvance()); });
    }
}

bool TrafficTextArea::event(QEvent *event)
{
    // Keep copy and select-all for this area while it has focus, ahead of window shortcuts.
    if (event->type() == QEvent::ShortcutOverride) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (key->matches(QKeySequence::Copy) || key->matches(QKeySequence::SelectAll)) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TrafficTextArea::scrollContentsBy(int dx, int dy)
{
    if (m_holdPixels)
        return;
    if (m_paintTimer.isActive()) {
        // Scrolled by the user while appends wait to be shown: the end is followed only if the
        // view went there.
        const QScrollBar *bar = verticalScrollBar();
        m_pending.followEnd = bar->value() >= bar->maximum();
        if (m_pending.wholeView)
            return; // the pixels are stale and will be repainted whole
    }
    viewport()->scroll(dx, dy);
}

void TrafficTextArea::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        copy();
        event->accept();
    } else if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        event->accept();
    } else {
        QAbstractScrollArea::keyPressEvent(event);
    }
}

void TrafficTextArea::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mousePressEvent(event);
        return;
    }
    const bool extend = event->modifiers().testFlag(Qt::ShiftModifier);
    setCursorPosition(positionAt(event->position().toPoint()), extend);
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
    event->accept();
}

void TrafficTextArea::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !event->buttons().testFlag(Qt::LeftButton)) {
        QAbstractScrollArea::mouseMoveEvent(event);
        return;
    }
    m_dragPoint = event->position().toPoint();
    setCursorPosition(positionAt(m_dragPoint), true);
    updateDragScroll(m_dragPoint);
    event->accept();
}

void TrafficTextArea::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_dragging) {
        QAbstractScrollArea::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
    m_dragScrollTimer.stop();
    setCursorPosition(positionAt(event->position().toPoint()), true);
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
    event->accept();
}

void TrafficTextArea::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QAbstractScrollArea::mouseDoubleClickEvent(event);
        return;
    }
    // Selects the run of non-space characters around the click, e.g. one hex byte. The press
    // that came with the double click started no drag, so its release must not change this.
    m_dragging = false;
    const QString &text = m_layout.text();
    const int size = int(text.size());
    const auto isWordChar = [&text](int i) {
        const QChar c = text.at(i);
        return !TrafficLayout::isBreakSpace(c) && c != u'\n';
    };
    int start = positionAt(event->position().toPoint());
    int end = start;
    while (start > 0 && isWordChar(start - 1))
        --start;
    while (end < size && isWordChar(end))
        ++end;
    setCursorPosition(start, false);
    setCursorPosition(end, true);
    event->accept();
    emit lineDoubleClicked(lineAt(event->position().toPoint()));
}

void TrafficTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    emit contextMenuAboutToShow(menu, viewport()->mapFromGlobal(event->globalPos()));
    menu->popup(event->globalPos());
}

void TrafficTextArea::updateDragScroll(const QPoint &point)
{
    const bool outside = point.y() < 0 || point.y() >= viewport()->height();
    if (wraps() && outside)
        m_dragScrollTimer.start(kDragScrollInterval, this);
    else
        m_dragScrollTimer.stop();
}

void TrafficTextArea::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_paintTimer.timerId()) {
        showPendingAppends();
        return;
    }
    if (event->timerId() != m_dragScrollTimer.timerId()) {
        QAbstractScrollArea::timerEvent(event);
        return;
    }
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->value() + (m_dragPoint.y() < 0 ? -m_rowHeight : m_rowHeight));
    setCursorPosition(positionAt(m_dragPoint), true);
}
