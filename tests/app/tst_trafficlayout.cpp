#include "hexbytes.h"
#include "trafficlayout.h"

#include <QtTest>

using RowStarts = QList<int>;

namespace {

// Every character takes one column of 10 pixels, wide (CJK) ones two.
constexpr int kColumn = 10;

qreal columnAdvance(char32_t c)
{
    return c >= 0x2E80 && c < 0xFFFF ? 2 * kColumn : kColumn;
}

TrafficLayout layoutOf(const QString &text, int columns, bool wrap = true)
{
    TrafficLayout layout(columnAdvance);
    layout.setWidth(columns * kColumn);
    layout.setWrap(wrap);
    layout.setText(text);
    return layout;
}

RowStarts rowsOf(const TrafficLayout &layout)
{
    return RowStarts(layout.rowStarts().begin(), layout.rowStarts().end());
}

} // namespace

class TestTrafficLayout : public QObject
{
    Q_OBJECT
private slots:
    void shouldBreakAfterTheLastSpaceThatFits_data();
    void shouldBreakAfterTheLastSpaceThatFits();
    void shouldLayOutAppendsAsTheWholeText_data();
    void shouldLayOutAppendsAsTheWholeText();
    void shouldKeepTheNewestTextInWholeRows_data();
    void shouldKeepTheNewestTextInWholeRows();
    void shouldHitTheNearestCharacterBoundary_data();
    void shouldHitTheNearestCharacterBoundary();
};

void TestTrafficLayout::shouldBreakAfterTheLastSpaceThatFits_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<RowStarts>("rows");

    const QString frame = QStringLiteral("68 10 AA 16 ");
    QTest::newRow("all fits") << frame << 12 << true << RowStarts{0};
    QTest::newRow("trailing space hangs") << frame << 11 << true << RowStarts{0};
    QTest::newRow("break after third byte") << frame << 8 << true << RowStarts{0, 9};
    QTest::newRow("two bytes and space fit") << frame << 6 << true << RowStarts{0, 6};
    QTest::newRow("space past edge hangs") << frame << 5 << true << RowStarts{0, 6};
    QTest::newRow("one byte per row") << frame << 4 << true << RowStarts{0, 3, 6, 9};
    QTest::newRow("narrower than a byte")
        << frame << 1 << true << RowStarts{0, 1, 3, 4, 6, 7, 9, 10};
    QTest::newRow("run without spaces") << "0123456789" << 4 << true << RowStarts{0, 4, 8};
    QTest::newRow("long word starts a new row")
        << "AB 0123456789" << 4 << true << RowStarts{0, 3, 7, 11};
    QTest::newRow("several spaces hang") << "AB    CD" << 3 << true << RowStarts{0, 6};
    QTest::newRow("tab breaks like a space") << "AB\tCD" << 3 << true << RowStarts{0, 3};
    QTest::newRow("line break starts a row") << "68\r\n10 " << 20 << true << RowStarts{0, 4};
    QTest::newRow("line break at the edge") << "0123\n45" << 4 << true << RowStarts{0, 5};
    QTest::newRow("control characters take no room") << "01\r2" << 2 << true << RowStarts{0, 3};
    QTest::newRow("combining marks take no room")
        << QStringLiteral("e\u0301e\u0301e\u0301") << 2 << true << RowStarts{0, 4};
    QTest::newRow("wide characters")
        << QStringLiteral("校验通过！") << 5 << true << RowStarts{0, 2, 4};
    QTest::newRow("empty") << "" << 4 << true << RowStarts{0};
    QTest::newRow("one row without wrapping")
        << hexBytes(50) + "\n" + hexBytes(50) << 4 << false << RowStarts{0};
}

void TestTrafficLayout::shouldBreakAfterTheLastSpaceThatFits()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QFETCH(bool, wrap);
    QFETCH(RowStarts, rows);
    QCOMPARE(rowsOf(layoutOf(text, columns, wrap)), rows);
}

void TestTrafficLayout::shouldLayOutAppendsAsTheWholeText_data()
{
    QTest::addColumn<QStringList>("pieces");
    QTest::addColumn<int>("columns");

    QStringList bytes;
    for (int i = 0; i < 1000; ++i)
        bytes << hexBytes(1, i);
    QTest::newRow("thousand single bytes") << bytes << 23;

    QStringList uneven;
    const QString burst = hexBytes(700);
    for (int at = 0, size = 1; at < burst.size(); at += size, size = size % 97 + 7)
        uneven << burst.mid(at, size);
    QTest::newRow("pieces split mid-byte") << uneven << 23;

    QTest::newRow("line breaks kept as given")
        << QStringList{"68 10\r\n", "AA\n", "\n", "16 "} << 23;
    QTest::newRow("wide characters one by one")
        << QStringList{"校", "验", "通", "过", "！", " OK"} << 5;
    const QString emoji = QStringLiteral("A😀B");
    // One column: a pair laid out as two characters would take two rows.
    QTest::newRow("surrogate pair split between appends")
        << QStringList{emoji.left(2), emoji.mid(2, 1), emoji.mid(3)} << 1;
    QTest::newRow("empty pieces") << QStringList{"", "68 ", "", "16 "} << 23;
}

// Rows built piece by piece are the rows of the whole text laid out at once, and stay so at
// another width.
void TestTrafficLayout::shouldLayOutAppendsAsTheWholeText()
{
    QFETCH(QStringList, pieces);
    QFETCH(int, columns);
    TrafficLayout layout = layoutOf(QString(), columns);
    for (const QString &piece : pieces)
        layout.append(piece);

    const QString whole = pieces.join(QString());
    QCOMPARE(layout.text(), whole);
    QCOMPARE(rowsOf(layout), rowsOf(layoutOf(whole, columns)));
    layout.setWidth(3 * columns * kColumn);
    QCOMPARE(rowsOf(layout), rowsOf(layoutOf(whole, 3 * columns)));
}

void TestTrafficLayout::shouldKeepTheNewestTextInWholeRows_data()
{
    QTest::addColumn<QString>("stream");
    QTest::addColumn<int>("pieceLength");
    QTest::addColumn<int>("bound");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("wrap");
    // Whether every cut must fall just after a space or line break. Rows of at least one byte
    // ("XX ") break only after a space or at a line break, and the cut is made at a row start,
    // so the kept hex text starts with a whole byte. Rows narrower than a byte break inside
    // bytes, so there the cut may too.
    QTest::addColumn<bool>("cutAfterSpace");

    const QString hex = hexBytes(600);
    QString frames;
    for (int i = 0; i < 60; ++i)
        frames += hexBytes(4 + i % 9, i) + "\r\n";

    QTest::newRow("single bytes") << hex << 3 << 300 << 23 << true << true;
    QTest::newRow("pieces split mid-byte") << hex << 7 << 300 << 23 << true << true;
    QTest::newRow("pieces over a quarter of the bound") << hex << 100 << 300 << 23 << true << true;
    QTest::newRow("pieces over the bound") << hex << 200 << 90 << 23 << true << true;
    QTest::newRow("bound of about one row") << hex << 3 << 25 << 23 << true << true;
    QTest::newRow("bound shorter than a row") << hex << 3 << 22 << 60 << true << true;
    QTest::newRow("rows narrower than a byte") << hex << 5 << 100 << 1 << true << false;
    QTest::newRow("frames ending in line breaks") << frames << 5 << 200 << 23 << true << true;
    QTest::newRow("one row without wrapping") << hex << 3 << 101 << 23 << false << true;
    // Pieces of three halves split the pairs between appends; an odd bound could cut one.
    QTest::newRow("surrogate pairs without spaces")
        << QStringLiteral("😀").repeated(150) << 3 << 11 << 23 << true << false;
}

void TestTrafficLayout::shouldKeepTheNewestTextInWholeRows()
{
    QFETCH(QString, stream);
    QFETCH(int, pieceLength);
    QFETCH(int, bound);
    QFETCH(int, columns);
    QFETCH(bool, wrap);
    QFETCH(bool, cutAfterSpace);
    TrafficLayout layout = layoutOf(QString(), columns, wrap);
    layout.setMaximumLength(bound);

    int cuts = 0;
    for (int at = 0; at < stream.size(); at += pieceLength) {
        const QString before = layout.text();
        const QString piece = stream.mid(at, pieceLength);
        const TrafficLayout::Cut cut = layout.append(piece);
        const QString whole = stream.left(at + piece.size());
        const QString kept = layout.text();
        QVERIFY2(whole.endsWith(kept), qPrintable(kept));
        QVERIFY(kept.size() <= bound);
        QVERIFY(kept.size() >= std::min<qsizetype>(whole.size(), bound / 3));
        QVERIFY(kept.isEmpty() || !kept.front().isLowSurrogate());
        QCOMPARE(kept.size(), before.size() + piece.size() - cut.characters);
        if (cut.characters > 0)
            ++cuts;
        // Whole rows dropped are the rows the uncut text had above the kept text.
        if (cut.rows > 0)
            QCOMPARE(layoutOf(before + piece, columns, wrap).rowStarts().at(cut.rows),
                     cut.characters);
        if (cutAfterSpace && kept.size() < whole.size()) {
            const QChar last = whole.at(whole.size() - kept.size() - 1);
            QVERIFY2(last == u' ' || last == u'\n', qPrintable(kept));
        }
        QCOMPARE(rowsOf(layout), rowsOf(layoutOf(kept, columns, wrap)));
    }
    // Each cut leaves room for at least a quarter of the bound before the next.
    QVERIFY2(cuts <= 1 + stream.size() / (bound / 4), qPrintable(QString::number(cuts)));
}

void TestTrafficLayout::shouldHitTheNearestCharacterBoundary_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<qreal>("column"); // from the row's left edge
    QTest::addColumn<int>("position");

    // Rows of 5 columns: "00 01 " "02 03 "
    const QString bytes = hexBytes(4);
    QTest::newRow("left half of a character") << bytes << 1 << 3.4 << 9;
    QTest::newRow("right half of a character") << bytes << 1 << 3.6 << 10;
    QTest::newRow("past the row's end") << bytes << 0 << 9.0 << 6;
    QTest::newRow("left of the row") << bytes << 1 << -2.0 << 6;
    QTest::newRow("wide character, first quarter") << QStringLiteral("校验通过！") << 0 << 2.5 << 1;
    QTest::newRow("wide character, last quarter") << QStringLiteral("校验通过！") << 0 << 3.5 << 2;
    QTest::newRow("combining mark stays with its letter")
        << QStringLiteral("e\u0301x") << 0 << 0.8 << 2;
    QTest::newRow("surrogate pair stays whole") << QStringLiteral("A😀B") << 0 << 1.6 << 3;
    QTest::newRow("before the line break ending a row") << "68\r\n10" << 0 << 9.0 << 3;
}

void TestTrafficLayout::shouldHitTheNearestCharacterBoundary()
{
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(qreal, column);
    QFETCH(int, position);
    QCOMPARE(layoutOf(text, 5).positionAt(row, column * kColumn), position);
}

QTEST_APPLESS_MAIN(TestTrafficLayout)
#include "tst_trafficlayout.moc"
