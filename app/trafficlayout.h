#pragma once

#include <QChar>
#include <QHash>
#include <QString>
#include <array>
#include <functional>
#include <vector>

// The rows of a traffic text: where each row starts when the text wraps at a given width, kept
// up to date in time proportional to the text appended, and the oldest rows dropped under a
// maximum length. Widths come from an injected advance function, so the layout knows no font.
//
// Wrapping (the default): rows break after the last space that fits; spaces may hang past the
// width; a run without spaces breaks at the character; a "\n" starts a new row. Without
// wrapping, the whole text is one row.
//
// With a maximum length set, once the text passes it the oldest whole rows go, down to about
// three quarters of the bound, so that the cut runs once per quarter of the bound and the
// remaining rows keep their breaks. Only where rows are long next to the bound (no wrapping, a
// bound of a few rows) is the cut made inside a row, after a space where one is near, and the
// rest laid out again.
class TrafficLayout
{
public:
    // The advance in pixels of one character drawn alone.
    using Advance = std::function<qreal(char32_t)>;

    // What a maximum length removed from the front of the text.
    struct Cut
    {
        int characters = 0; // characters dropped from the front of text()
        int rows = 0;       // whole rows dropped; -1 when the rest was laid out again
    };

    // Characters after which a row may break.
    static bool isBreakSpace(QChar c) { return c == u' ' || c == u'\t' || c == QChar(0x3000); }
    // Control characters take no room and are not drawn (a tab takes a space's room).
    static bool isControl(QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; }

    // Lays out with `advance`; until one is set every character takes no room.
    explicit TrafficLayout(Advance advance = {});

    // Measures the characters again with `advance` (a new font) and lays out everything again.
    void setAdvance(Advance advance);

    const QString &text() const { return m_text; }
    // Replaces the whole text and lays it out.
    Cut setText(const QString &text);
    // Adds `text` at the end and lays out only what it changes.
    Cut append(const QString &text);

    // The width rows wrap at; a new width lays out everything again.
    void setWidth(int width);
    int width() const { return m_width; }
    // true: rows wrap at the width and at line breaks; false: one row.
    void setWrap(bool wrap);
    bool wraps() const { return m_wrap; }

    // Keeps text() at most `characters` long by dropping its oldest characters; 0 keeps
    // everything. A bound below the current length applies at once.
    Cut setMaximumLength(int characters);
    int maximumLength() const { return m_maximumLength; }

    // Index in text() of the first character of every row, in order; the first is always 0.
    const std::vector<int> &rowStarts() const { return m_rowStarts; }
    int rowCount() const { return int(m_rowStarts.size()); }
    // Index just past the last character of `row`.
    int rowEnd(int row) const;
    // The row that holds the character at `position` (the last row for the end of the text).
    int rowOf(int position) const;
    // The width of the last row up to the first character an append may move to another row.
    qreal settledWidth() const;

    // Advance of the character at `index`; a surrogate pair counts as one character of length 2.
    qreal advanceOf(int index, int *length) const;
    // The character boundary in `row` nearest to `x`, measured from the row's left edge; a
    // line break ending the row stays after it, zero-width characters stay with the one before.
    int positionAt(int row, qreal x) const;

private:
    // Where the open (last) row stands after the characters laid out so far.
    struct OpenRow
    {
        int laidOut = 0;     // characters of m_text already placed into rows
        qreal width = 0;     // width of the open row
        int breakAfter = -1; // index just after the row's last space, -1 if none
        qreal tailWidth = 0; // width of the characters after that space
    };

    qreal measure(char32_t codePoint) const;
    void restart();
    void layOutPending();
    Cut applyBound();
    int cutInsideRow(int from, int to) const;

    QString m_text;
    int m_maximumLength = 0;
    bool m_wrap = true;
    int m_width = 0;
    std::vector<int> m_rowStarts{0};
    OpenRow m_open;

    Advance m_advance;
    std::array<qreal, 128> m_asciiAdvance{};
    mutable QHash<char32_t, qreal> m_otherAdvance;
};
