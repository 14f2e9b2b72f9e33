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
#include <limits>

namespace {

constexpr int kDragScrollInterval = 50; // ms between rows while a drag holds outside the view
constexpr int kPaintInterval = 16;      // ms from an append to its repaint: one 60 Hz frame
constexpr int kGlyphOverhang = 2;       // pixels a glyph may reach left of its cell

// Characters after which a row may break.
bool isBreakSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == QChar(0x3000);
}

// Control characters take no room and are not drawn (a tab is drawn as a space).
bool isControl(QChar c)
{
    return c.unicode() < 0x20 || c.unicode() == 0x7f;
}

} // namespace

TrafficTextArea::TrafficTextArea(QWidget *parent) : QAbstractScrollArea(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setFont(defaultFont());
    viewport()->setCursor(Qt::IBeamCursor);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    resetMetrics();
    m_layoutWidth = wrapWidth();
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
    if (text == m_text)
        return;
    m_paintTimer.stop(); // the whole view is repainted below
    m_text = text;
    m_anchor = m_cursor = 0;
    restartLayout();
    if (exceedsBound())
        dropOldest(false);
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
        // The open row keeps its characters up to its last space; after that, words may move to
        // the next row and new characters follow. Rows above it are final.
        const bool hasBreak = m_wrap && m_open.breakAfter > m_rowStarts.back();
        m_pending = PendingAppends{};
        m_pending.row = rowCount() - 1;
        m_pending.left = hasBreak ? m_open.width - m_open.tailWidth : m_open.width;
        m_pending.followEnd = showsEnd();
        m_paintTimer.start(kPaintInterval, this);
    }

    m_text.append(text);
    layoutPending();
    if (exceedsBound()) {
        const int droppedRows = dropOldest(m_pending.followEnd);
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
    if (characters == m_maximumLength)
        return;
    m_maximumLength = characters;
    if (!exceedsBound())
        return;
    showPendingAppends();
    dropOldest(showsEnd());
    viewport()->update();
    emit textChanged();
}

// Where to cut inside a row: at `from` at the earliest, just after the first space or line
// break before `to` if there is one (for hex traffic: before a whole byte), and never between
// the halves of a surrogate pair.
int TrafficTextArea::cutInsideRow(int from, int to) const
{
    for (int i = from; i < to; ++i) {
        const QChar c = m_text.at(i);
        if (isBreakSpace(c) || c == u'\n')
            return i + 1;
    }
    if (from > 0 && from < m_text.size() && m_text.at(from).isLowSurrogate() &&
        m_text.at(from - 1).isHighSurrogate())
        return from + 1;
    return from;
}

// Drops the oldest characters down to three quarters of the bound. Whole rows go where that
// keeps at least half of it: the rows after them broke where a layout of the kept text alone
// would break them, so only their starts move. Rows long next to the bound are cut inside and
// the rest, under three quarters of the bound, is laid out again. The view keeps showing the
// same characters (or the end, when `followEnd`). Returns how many rows went from above a view
// that shows the same pixels as before, or -1 when the view changed; the caller repaints.
int TrafficTextArea::dropOldest(bool followEnd)
{
    const int size = int(m_text.size());
    const int keep = m_maximumLength - m_maximumLength / 4;
    QScrollBar *bar = verticalScrollBar();
    int cut = 0;
    int value = 0;
    int droppedRows = -1;
    const auto firstKept = std::lower_bound(m_rowStarts.begin(), m_rowStarts.end(), size - keep);
    if (firstKept != m_rowStarts.end() && *firstKept <= size - keep / 2) {
        cut = *firstKept;
        droppedRows = int(firstKept - m_rowStarts.begin());
        m_rowStarts.erase(m_rowStarts.begin(), firstKept);
        for (int &start : m_rowStarts)
            start -= cut;
        m_open.laidOut -= cut;
        m_open.breakAfter = std::max(-1, m_open.breakAfter - cut);
        m_text.remove(0, cut);
        value = bar->value() - droppedRows * m_rowHeight;
    } else {
        const int topCharacter = m_rowStarts[rowAt(0)];
        cut = cutInsideRow(size - keep, size - keep / 2);
        m_text.remove(0, cut);
        restartLayout();
        const auto row = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(),
                                          std::max(0, topCharacter - cut));
        value = int(row - m_rowStarts.begin() - 1) * m_rowHeight;
    }

    if (hasSelection() && std::min(m_anchor, m_cursor) < cut) {
        m_anchor = m_cursor = 0; // part of the selected text is gone
        droppedRows = -1;
    } else {
        m_anchor = std::max(0, m_anchor - cut);
        m_cursor = std::max(0, m_cursor - cut);
    }

    const QScopedValueRollback hold(m_holdPixels, true);
    updateScrollBar();
    bar->setValue(followEnd ? bar->maximum() : value);
    return followEnd || value < 0 ? -1 : droppedRows;
}

void TrafficTextArea::setWrap(bool wrap)
{
    if (wrap == m_wrap)
        return;
    m_wrap = wrap;
    setVerticalScrollBarPolicy(wrap ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    relayout();
}

QString TrafficTextArea::selectedText() const
{
    const int start = std::min(m_anchor, m_cursor);
    return m_text.mid(start, std::max(m_anchor, m_cursor) - start);
}

void TrafficTextArea::selectAll()
{
    setCursorPosition(0, false);
    setCursorPosition(int(m_text.size()), true);
}

void TrafficTextArea::copy() const
{
    if (hasSelection())
        QGuiApplication::clipboard()->setText(selectedText());
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

    const QFontMetricsF metrics(m_drawFont, viewport());
    const qreal spaceAdvance = metrics.horizontalAdvance(QStringLiteral(" "));
    for (int c = 0; c < int(m_asciiAdvance.size()); ++c) {
        const QChar ch(c);
        if (ch == u'\t')
            m_asciiAdvance[c] = spaceAdvance;
        else if (isControl(ch))
            m_asciiAdvance[c] = 0;
        else
            m_asciiAdvance[c] = metrics.horizontalAdvance(QString(ch));
    }
    m_otherAdvance.clear();
}

// Advance of the character at `index`; a surrogate pair counts as one character of length 2.
qreal TrafficTextArea::advanceOf(int index, int *length) const
{
    const QChar c = m_text.at(index);
    *length = 1;
    if (c.unicode() < m_asciiAdvance.size())
        return m_asciiAdvance[c.unicode()];

    char32_t codePoint = c.unicode();
    if (c.isHighSurrogate() && index + 1 < m_text.size() && m_text.at(index + 1).isLowSurrogate()) {
        codePoint = QChar::surrogateToUcs4(c, m_text.at(index + 1));
        *length = 2;
    }
    const auto cached = m_otherAdvance.constFind(codePoint);
    if (cached != m_otherAdvance.cend())
        return *cached;

    const QChar::Category category = QChar::category(codePoint);
    qreal advance = 0;
    if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing) {
        const QFontMetricsF metrics(m_drawFont, viewport());
        advance = metrics.horizontalAdvance(m_text.mid(index, *length));
    }
    m_otherAdvance.insert(codePoint, advance);
    return advance;
}

int TrafficTextArea::wrapWidth() const
{
    return viewport()->width() - 2 * kTextMargin;
}

void TrafficTextArea::restartLayout()
{
    m_rowStarts.assign(1, 0);
    m_open = OpenRow{};
    m_layoutWidth = wrapWidth();
    layoutPending();
}

// Lays out everything again (new width, font or mode), keeping the first visible character at
// the top, or the end in view when the end was shown.
void TrafficTextArea::relayout()
{
    showPendingAppends();
    QScrollBar *bar = verticalScrollBar();
    const bool followEnd = bar->value() >= bar->maximum();
    const int topCharacter = m_rowStarts[rowAt(0)];

    restartLayout();
    updateScrollBar();
    if (followEnd) {
        bar->setValue(bar->maximum());
    } else {
        const auto row = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(), topCharacter);
        bar->setValue(int(row - m_rowStarts.begin() - 1) * m_rowHeight);
    }
    viewport()->update();
}

// Places the characters not yet laid out into rows, continuing the open row. Each character is
// visited once: a word moving to the next row takes its width along in `tailWidth`.
void TrafficTextArea::layoutPending()
{
    const qreal limit = m_wrap ? qreal(m_layoutWidth) : std::numeric_limits<qreal>::infinity();
    const int size = int(m_text.size());
    int i = m_open.laidOut;
    while (i < size) {
        const QChar c = m_text.at(i);
        if (c.isHighSurrogate() && i + 1 == size)
            break; // the low half may still arrive with the next append
        if (c == u'\n') {
            if (m_wrap) {
                m_rowStarts.push_back(i + 1);
                m_open = OpenRow{};
            }
            ++i;
            continue;
        }
        int length = 1;
        const qreal advance = advanceOf(i, &length);
        if (isBreakSpace(c)) {
            // Spaces never wrap: they may hang past the edge, and the next row starts after them.
            m_open.width += advance;
            m_open.breakAfter = i + length;
            m_open.tailWidth = 0;
        } else if (advance > 0) {
            if (m_open.width + advance > limit && i > m_rowStarts.back()) {
                if (m_open.breakAfter > m_rowStarts.back()) {
                    m_rowStarts.push_back(m_open.breakAfter);
                    m_open.width = m_open.tailWidth;
                }
                // A word wider than a row breaks at the character.
                if (m_open.width + advance > limit && i > m_rowStarts.back()) {
                    m_rowStarts.push_back(i);
                    m_open.width = 0;
                }
                m_open.breakAfter = -1;
            }
            m_open.width += advance;
            m_open.tailWidth += advance;
        }
        i += length;
    }
    m_open.laidOut = i;
}

int TrafficTextArea::rowTop(int row) const
{
    if (!m_wrap)
        return (viewport()->height() - m_rowHeight) / 2;
    return kTextMargin + row * m_rowHeight - verticalScrollBar()->value();
}

int TrafficTextArea::rowEnd(int row) const
{
    return row + 1 < rowCount() ? m_rowStarts[row + 1] : int(m_text.size());
}

// The row under viewport height `y`, clamped to the existing rows.
int TrafficTextArea::rowAt(int y) const
{
    if (!m_wrap)
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
    const int row = rowAt(point.y());
    if (m_wrap && point.y() < rowTop(0))
        return 0;
    if (m_wrap && point.y() >= rowTop(rowCount()))
        return int(m_text.size());

    const int start = m_rowStarts[row];
    int end = rowEnd(row);
    if (end > start && m_text.at(end - 1) == u'\n')
        --end; // past the end of a row that ends in a line break means before the break
    qreal x = kTextMargin;
    int i = start;
    while (i < end) {
        int length = 1;
        qreal advance = advanceOf(i, &length);
        int next = i + length;
        while (next < end && m_text.at(next) != u'\n') {
            int nextLength = 1;
            if (advanceOf(next, &nextLength) != 0)
                break;
            next += nextLength;
        }
        if (point.x() < x + advance / 2)
            return i;
        x += advance;
        i = next;
    }
    return end;
}

void TrafficTextArea::updateScrollBar()
{
    QScrollBar *bar = verticalScrollBar();
    const int page = viewport()->height();
    const int content = m_wrap ? 2 * kTextMargin + rowCount() * m_rowHeight : 0;
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
    const int selectionStart = std::min(m_anchor, m_cursor);
    const int selectionEnd = std::max(m_anchor, m_cursor);
    const QColor textColor = palette().color(QPalette::Text);
    const QColor highlight = palette().color(QPalette::Highlight);
    const QColor highlightedText = palette().color(QPalette::HighlightedText);
    const qreal right = area.right() + 1;

    QPainter painter(viewport());
    painter.setFont(m_drawFont);
    painter.setLayoutDirection(Qt::LeftToRight);

    // Each visible row is drawn as runs of equal selection state, placed by the cached advances.
    for (int row = rowAt(area.top()); row < rowCount(); ++row) {
        const int top = rowTop(row);
        if (top > area.bottom())
            break;
        const int end = rowEnd(row);
        qreal x = kTextMargin;
        int i = m_rowStarts[row];
        // Characters well left of the area are skipped; the one just before it is still drawn
        // so that a glyph reaching past its cell keeps its pixels.
        while (i < end) {
            int length = 1;
            const qreal advance = advanceOf(i, &length);
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
        while (i < end && x <= right) {
            const bool selected = i >= selectionStart && i < selectionEnd;
            if (selected != runSelected) {
                flushRun();
                runSelected = selected;
            }
            int length = 1;
            const qreal advance = advanceOf(i, &length);
            const QChar c = m_text.at(i);
            if (c == u'\t')
                run += u' ';
            else if (!isControl(c))
                run += QStringView(m_text).mid(i, length);
            x += advance;
            i += length;
        }
        flushRun();
        if (!m_wrap)
            break;
    }
}

void TrafficTextArea::resizeEvent(QResizeEvent *event)
{
    // Called for the frame and for the viewport; rows are recomputed only when the width the
    // text wraps at has changed.
    QAbstractScrollArea::resizeEvent(event);
    showPendingAppends();
    if (m_wrap && wrapWidth() != m_layoutWidth) {
        relayout();
    } else {
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
        relayout();
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
    const int size = int(m_text.size());
    const auto isWordChar = [this](int i) {
        const QChar c = m_text.at(i);
        return !isBreakSpace(c) && c != u'\n';
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
}

void TrafficTextArea::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

void TrafficTextArea::updateDragScroll(const QPoint &point)
{
    const bool outside = point.y() < 0 || point.y() >= viewport()->height();
    if (m_wrap && outside)
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
