#include "trafficlayout.h"

#include <algorithm>
#include <limits>

TrafficLayout::TrafficLayout(Advance advance)
{
    setAdvance(std::move(advance));
}

void TrafficLayout::setAdvance(Advance advance)
{
    m_advance = std::move(advance);
    // ASCII advances are looked up on every character, so they are measured at once; others as
    // they first occur.
    m_otherAdvance.clear();
    const qreal spaceAdvance = measure(u' ');
    for (int c = 0; c < int(m_asciiAdvance.size()); ++c) {
        const QChar ch(c);
        if (ch == u'\t')
            m_asciiAdvance[c] = spaceAdvance;
        else if (isControl(ch))
            m_asciiAdvance[c] = 0;
        else
            m_asciiAdvance[c] = measure(char32_t(c));
    }
    restart();
}

qreal TrafficLayout::measure(char32_t codePoint) const
{
    return m_advance ? m_advance(codePoint) : 0;
}

TrafficLayout::Cut TrafficLayout::setText(const QString &text)
{
    m_text = text;
    restart();
    return applyBound();
}

TrafficLayout::Cut TrafficLayout::append(const QString &text)
{
    m_text.append(text);
    layOutPending();
    return applyBound();
}

void TrafficLayout::setWidth(int width)
{
    if (width == m_width)
        return;
    m_width = width;
    if (m_wrap)
        restart();
}

void TrafficLayout::setWrap(bool wrap)
{
    if (wrap == m_wrap)
        return;
    m_wrap = wrap;
    restart();
}

TrafficLayout::Cut TrafficLayout::setMaximumLength(int characters)
{
    m_maximumLength = std::max(0, characters);
    return applyBound();
}

int TrafficLayout::rowEnd(int row) const
{
    return row + 1 < rowCount() ? m_rowStarts[row + 1] : int(m_text.size());
}

int TrafficLayout::rowOf(int position) const
{
    const auto row = std::upper_bound(m_rowStarts.begin(), m_rowStarts.end(), position);
    return int(row - m_rowStarts.begin() - 1);
}

qreal TrafficLayout::settledWidth() const
{
    // The open row keeps its characters up to its last space; after that, words may move to
    // the next row and new characters follow. Rows above it are final.
    const bool hasBreak = m_wrap && m_open.breakAfter > m_rowStarts.back();
    return hasBreak ? m_open.width - m_open.tailWidth : m_open.width;
}

qreal TrafficLayout::advanceOf(int index, int *length) const
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

    // Combining marks sit on the character before them.
    const QChar::Category category = QChar::category(codePoint);
    qreal advance = 0;
    if (category != QChar::Mark_NonSpacing && category != QChar::Mark_Enclosing)
        advance = measure(codePoint);
    m_otherAdvance.insert(codePoint, advance);
    return advance;
}

int TrafficLayout::positionAt(int row, qreal x) const
{
    const int start = m_rowStarts[row];
    int end = rowEnd(row);
    if (end > start && m_text.at(end - 1) == u'\n')
        --end; // past the end of a row that ends in a line break means before the break
    qreal left = 0;
    int i = start;
    while (i < end) {
        int length = 1;
        const qreal advance = advanceOf(i, &length);
        int next = i + length;
        while (next < end && m_text.at(next) != u'\n') {
            int nextLength = 1;
            if (advanceOf(next, &nextLength) != 0)
                break;
            next += nextLength;
        }
        if (x < left + advance / 2)
            return i;
        left += advance;
        i = next;
    }
    return end;
}

void TrafficLayout::restart()
{
    m_rowStarts.assign(1, 0);
    m_open = OpenRow{};
    layOutPending();
}

// Places the characters not yet laid out into rows, continuing the open row. Each character is
// visited once: a word moving to the next row takes its width along in `tailWidth`.
void TrafficLayout::layOutPending()
{
    const qreal limit = m_wrap ? qreal(m_width) : std::numeric_limits<qreal>::infinity();
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

// Where to cut inside a row: at `from` at the earliest, just after the first space or line
// break before `to` if there is one (for hex traffic: before a whole byte), and never between
// the halves of a surrogate pair.
int TrafficLayout::cutInsideRow(int from, int to) const
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

// Drops the oldest characters down to three quarters of the bound once the text passes it.
// Whole rows go where that keeps at least half of it: the rows after them broke where a layout
// of the kept text alone would break them, so only their starts move. Rows long next to the
// bound are cut inside and the rest, under three quarters of the bound, is laid out again.
TrafficLayout::Cut TrafficLayout::applyBound()
{
    const int size = int(m_text.size());
    if (m_maximumLength == 0 || size <= m_maximumLength)
        return {};
    const int keep = m_maximumLength - m_maximumLength / 4;
    const auto firstKept = std::lower_bound(m_rowStarts.begin(), m_rowStarts.end(), size - keep);
    if (firstKept != m_rowStarts.end() && *firstKept <= size - keep / 2) {
        const Cut cut{*firstKept, int(firstKept - m_rowStarts.begin())};
        m_rowStarts.erase(m_rowStarts.begin(), firstKept);
        for (int &start : m_rowStarts)
            start -= cut.characters;
        m_open.laidOut -= cut.characters;
        m_open.breakAfter = std::max(-1, m_open.breakAfter - cut.characters);
        m_text.remove(0, cut.characters);
        return cut;
    }
    const Cut cut{cutInsideRow(size - keep, size - keep / 2), -1};
    m_text.remove(0, cut.characters);
    restart();
    return cut;
}
