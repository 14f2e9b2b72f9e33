#pragma once

#include "trafficlayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QElapsedTimer>
#include <QString>
#include <algorithm>
#include <utility>
#include <vector>

class QMenu;
class QPainter;

// A read-only plain text area for serial traffic. The text is kept exactly as given: the area
// never inserts line breaks, it only wraps rows on screen. Rows come from a TrafficLayout (see
// there for how rows break and how a maximum length drops the oldest rows), so an append costs
// time in proportion to the appended text, and only the visible rows are painted.
//
// Wrapping area (the default): a vertical scroll bar is always shown, so the wrap width never
// depends on the content. One-line strip (setWrap(false)): a single row, centred vertically,
// without scroll bars, that shows the start of the text; whatever lies past the right edge is
// clipped (it can still be selected and copied).
//
// The user selects with the mouse (press and drag, shift+click extends, double-click takes the
// run between spaces, e.g. one byte) and copies with the copy shortcut or the context menu;
// select-all works the same ways. Appends keep the selection. Text is drawn in the
// widget's font with the palette's Text colour on its Base colour. Text is laid out left to
// right; right-to-left scripts are not reordered.
//
// Appends are shown at most once per screen frame: text() and the rows change at once, while the
// repaint and the scroll bar's range and following of the end wait for a short timer, so that a
// line delivering many small pieces costs one paint per frame; while appends keep coming, the
// frames are ten a second. Everything else repaints at once.
class TrafficTextArea : public QAbstractScrollArea
{
    Q_OBJECT
public:
    // Blank space in pixels between the viewport's edges and the text.
    static constexpr int kTextMargin = 3;

    explicit TrafficTextArea(QWidget *parent = nullptr);
    ~TrafficTextArea() override;

    // A compact monospace font, so that hex pairs line up; the area starts with it.
    static QFont defaultFont();

    // The whole text, exactly as set and appended (its newest part under a maximum length).
    QString text() const { return m_layout.text(); }
    // Replaces the whole text, clears the selection and shows the first row. The same text again
    // changes nothing.
    void setText(const QString &text);
    // Adds `text` at the end; a view that showed the last row keeps showing it. The text and rows
    // change at once; the screen and the scroll bar follow within a frame.
    void appendText(const QString &text);
    // Empties the area.
    void clear();
    bool isEmpty() const { return m_layout.text().isEmpty(); }

    // Keeps text() at most `characters` long by dropping its oldest characters; 0 (the default)
    // keeps everything. A selection stays on its characters, or is cleared once any of them is
    // dropped; the view stays on the same rows, or at the end when it showed the end. A bound
    // below the current length applies at once; setText() keeps the tail of a longer text.
    void setMaximumLength(int characters);
    int maximumLength() const { return m_layout.maximumLength(); }

    // true: wrapping area with a vertical scroll bar; false: one-line strip.
    void setWrap(bool wrap);
    bool wraps() const { return m_layout.wraps(); }

    // The selected characters, exactly as they stand in text(); empty without a selection.
    QString selectedText() const;
    bool hasSelection() const { return m_anchor != m_cursor; }
    // Index in text() just past the selection.
    int selectionEnd() const { return std::max(m_anchor, m_cursor); }
    void selectAll();
    // Puts the selected characters on the clipboard; does nothing without a selection.
    void copy() const;

    // Selects text()[start, start + length) and scrolls the view to it.
    void select(int start, int length);
    // Marks the characters [first, second) of each pair with a background of their own, until the
    // text is set again or its oldest characters are dropped.
    void setMarks(std::vector<std::pair<int, int>> marks);
    const std::vector<std::pair<int, int>> &marks() const { return m_marks; }
    // The line of text() (between line breaks) at `point` in viewport coordinates.
    QString lineAt(const QPoint &point) const;

    // A new menu with "复制" (copy) and "全选" (select all); the caller owns it.
    QMenu *createStandardContextMenu();

    // Index in text() of the first character of every row, in order; the first is always 0.
    const std::vector<int> &rowStarts() const { return m_layout.rowStarts(); }
    int rowCount() const { return m_layout.rowCount(); }

signals:
    // The text has changed: set, appended to or cleared.
    void textChanged();
    // Appends made since the last frame are being shown now; whatever is drawn beside them in
    // reply joins the same screen update.
    void appendsShown();
    // A double click at a line (see lineAt), after it selected the run under the pointer.
    void lineDoubleClicked(const QString &line);
    // The context menu for `point` (viewport coordinates) is about to show: its owner may add
    // actions to it.
    void contextMenuAboutToShow(QMenu *menu, const QPoint &point);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool event(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void timerEvent(QTimerEvent *event) override;

private:
    // Appends made since the screen last showed them.
    struct PendingAppends
    {
        int row = 0;            // first row whose pixels changed
        qreal left = 0;         // in that row, the text width before the first change
        bool wholeView = false; // rows moved under the view: repaint all of it
        bool followEnd = false; // the view showed the end: scroll to the new end
    };

    void resetMetrics();
    TrafficLayout::Advance fontAdvance() const;
    int topCharacter() const;
    void relayout(const std::function<void()> &change);
    int afterCut(const TrafficLayout::Cut &cut, int topCharacter, bool followEnd);
    bool showsEnd() const;
    void showPendingAppends();
    int wrapWidth() const;
    int rowTop(int row) const;
    int rowAt(int y) const;
    int positionAt(const QPoint &point) const;
    void updateScrollBar();
    void paintRow(QPainter &painter, int row, int top, const QRect &area);
    void setCursorPosition(int position, bool keepAnchor);
    void updateDragScroll(const QPoint &point);

    TrafficLayout m_layout;
    std::vector<std::pair<int, int>> m_marks; // sorted

    QFont m_drawFont;
    int m_rowHeight = 1;
    int m_ascent = 0;

    int m_anchor = 0;
    int m_cursor = 0;
    bool m_dragging = false;
    QPoint m_dragPoint;
    QBasicTimer m_dragScrollTimer;
    bool m_holdPixels = false; // scroll-bar moves that renumber rows, not move the content
    PendingAppends m_pending;  // valid while m_paintTimer runs
    QBasicTimer m_paintTimer;
    QElapsedTimer m_lastShown; // when appends were last shown
};
