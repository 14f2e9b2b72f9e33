#include "hexbytes.h"
#include "paintcounter.h"
#include "traffictextarea.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>
#include <cmath>

using RowStarts = QList<int>;

enum class Gesture { Drag, ShiftClick, DoubleClick };
Q_DECLARE_METATYPE(Gesture)

namespace {

QList<int> rowStartsOf(const TrafficTextArea &area)
{
    return QList<int>(area.rowStarts().begin(), area.rowStarts().end());
}

} // namespace

class TestTrafficTextArea : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldMeasureWideCharactersWithTheFont();
    void shouldRewrapWhenResized();
    void shouldShowOneRowWithoutScrollBarAsAStrip();
    void shouldFollowTheEndOnlyWhenShowingIt();
    void shouldFollowTheEndWhereTheUserScrolledBeforeAppendsShow_data();
    void shouldFollowTheEndWhereTheUserScrolledBeforeAppendsShow();
    void shouldCopyExactlyWhatTheMouseSelected_data();
    void shouldCopyExactlyWhatTheMouseSelected();
    void shouldCopyAndSelectAllFromTheContextMenu();
    void shouldEmptyOnClearAndSignalEachChangeOnce();
    void shouldPaintTheSelectionBehindSelectedSpaces();
    void shouldLeaveNoStalePixelsWhenAnAppendMovesAWord();
    void shouldShowTheStateOnceAppendsArePainted_data();
    void shouldShowTheStateOnceAppendsArePainted();
    void shouldPaintAppendsAtMostOncePerFrame_data();
    void shouldPaintAppendsAtMostOncePerFrame();
    void shouldKeepTheSelectionOnItsCharactersUnderABound_data();
    void shouldKeepTheSelectionOnItsCharactersUnderABound();
    void shouldApplyTheBoundToSetTextAndToALowerBound();

private:
    // Sizes the area so that exactly `columns` characters of the monospace font fit in a row.
    void setColumns(int columns);
    QPoint pointAt(int row, qreal column) const;
    // The row at the top of the view and how many of its pixels are scrolled above the view.
    QPair<int, int> topRow() const;
    // The viewport as the screen shows it once pending repaints are done (not a fresh render,
    // so that missed repaints show).
    QImage shownViewport() const;
    // The viewport painted afresh from the area's current state.
    QImage freshViewport() const;
    // Waits until the screen shows what the area would paint now; checks every few
    // milliseconds, so that a check after each of hundreds of appends stays cheap.
    bool waitForFreshViewport() const;

    TrafficTextArea *m_area = nullptr;
    qreal m_advance = 0;
};

void TestTrafficTextArea::init()
{
    m_area = new TrafficTextArea;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(12);
    m_area->setFont(font);
    QPalette palette = m_area->palette();
    palette.setColor(QPalette::Base, Qt::white);
    palette.setColor(QPalette::Highlight, QColor(0, 0, 160));
    m_area->setPalette(palette);
    const QFontMetricsF metrics(font);
    m_advance = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const QChar c : QStringLiteral("0123456789ABCDEF "))
        if (metrics.horizontalAdvance(c) != m_advance)
            QSKIP("the fixed-pitch system font is not fixed pitch for hex digits");
    m_area->resize(400, 200);
    m_area->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_area));
}

void TestTrafficTextArea::cleanup()
{
    delete m_area;
    m_area = nullptr;
}

void TestTrafficTextArea::setColumns(int columns)
{
    const int chrome = m_area->width() - m_area->viewport()->width();
    // Half a character of slack, so rounding in the advances cannot change the count.
    const int text = int(std::floor((columns + 0.5) * m_advance));
    m_area->resize(chrome + 2 * TrafficTextArea::kTextMargin + text, m_area->height());
}

// The middle of `row` at `column` character widths from the text's left edge.
QPoint TestTrafficTextArea::pointAt(int row, qreal column) const
{
    const int rowHeight = QFontMetrics(m_area->font()).lineSpacing();
    const int x = TrafficTextArea::kTextMargin + int(column * m_advance);
    const int y = TrafficTextArea::kTextMargin + row * rowHeight + rowHeight / 2 -
                  m_area->verticalScrollBar()->value();
    return {x, y};
}

QPair<int, int> TestTrafficTextArea::topRow() const
{
    const int rowHeight = QFontMetrics(m_area->font()).lineSpacing();
    const int y = m_area->verticalScrollBar()->value() - TrafficTextArea::kTextMargin;
    return y < 0 ? qMakePair(0, y) : qMakePair(y / rowHeight, y % rowHeight);
}

QImage TestTrafficTextArea::shownViewport() const
{
    QCoreApplication::processEvents();
    const QImage window = m_area->screen()->grabWindow(m_area->winId()).toImage();
    const QWidget *view = m_area->viewport();
    return window.copy(QRect(view->mapTo(m_area, QPoint(0, 0)), view->size()))
        .convertToFormat(QImage::Format_RGB32);
}

QImage TestTrafficTextArea::freshViewport() const
{
    return m_area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool TestTrafficTextArea::waitForFreshViewport() const
{
    QDeadlineTimer deadline(5000);
    while (shownViewport() != freshViewport()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(2);
    }
    return true;
}

void TestTrafficTextArea::shouldMeasureWideCharactersWithTheFont()
{
    const QString text = QStringLiteral("校验通过！");
    const QFontMetricsF metrics(m_area->font());
    const qreal wide = metrics.horizontalAdvance(text.at(0));
    for (const QChar c : text)
        if (metrics.horizontalAdvance(c) != wide)
            QSKIP("no font with equal advances for these characters");
    const int chrome = m_area->width() - m_area->viewport()->width();
    m_area->resize(chrome + 2 * TrafficTextArea::kTextMargin + int(2.5 * wide), 100);
    m_area->setText(text);
    // Two characters and a half fit a row.
    QCOMPARE(rowStartsOf(*m_area), (RowStarts{0, 2, 4}));

    // From a quarter into "验" (row 0) to a quarter into "过" (row 1).
    const int rowHeight = QFontMetrics(m_area->font()).lineSpacing();
    const auto cell = [&](int row, int column) {
        return QPoint(TrafficTextArea::kTextMargin + int((column + 0.25) * wide),
                      TrafficTextArea::kTextMargin + row * rowHeight + rowHeight / 2);
    };
    QTest::mousePress(m_area->viewport(), Qt::LeftButton, {}, cell(0, 1));
    QTest::mouseMove(m_area->viewport(), cell(1, 1));
    QTest::mouseRelease(m_area->viewport(), Qt::LeftButton, {}, cell(1, 1));
    QTest::keyClick(m_area, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("验通"));
}

void TestTrafficTextArea::shouldRewrapWhenResized()
{
    const QString text = hexBytes(40);
    setColumns(60);
    m_area->setText(text);
    const RowStarts wide = rowStartsOf(*m_area);
    QCOMPARE(wide, (RowStarts{0, 60}));

    setColumns(20);
    QCOMPARE(rowStartsOf(*m_area), (RowStarts{0, 21, 42, 63, 84, 105}));
    setColumns(60);
    QCOMPARE(rowStartsOf(*m_area), wide);
    QCOMPARE(m_area->text(), text);
}

void TestTrafficTextArea::shouldShowOneRowWithoutScrollBarAsAStrip()
{
    setColumns(4);
    m_area->setWrap(false);
    m_area->setText(hexBytes(50) + "\n" + hexBytes(50));
    QCOMPARE(m_area->rowCount(), 1);
    QVERIFY(!m_area->verticalScrollBar()->isVisible());

    m_area->setWrap(true);
    QVERIFY(m_area->rowCount() > 30);
    QVERIFY(m_area->verticalScrollBar()->isVisible());
}

void TestTrafficTextArea::shouldFollowTheEndOnlyWhenShowingIt()
{
    QScrollBar *bar = m_area->verticalScrollBar();
    setColumns(30);
    for (int i = 0; i < 300; ++i)
        m_area->appendText(hexBytes(1, i));
    // The scroll bar catches up with the appends in the next frame.
    QTRY_VERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());

    bar->setValue(bar->maximum() / 2);
    const int reading = bar->value();
    const int shownMaximum = bar->maximum();
    m_area->appendText(hexBytes(100));
    QTRY_VERIFY(bar->maximum() > shownMaximum);
    QCOMPARE(bar->value(), reading);

    m_area->setText(hexBytes(300));
    QCOMPARE(bar->value(), 0);
}

void TestTrafficTextArea::shouldFollowTheEndWhereTheUserScrolledBeforeAppendsShow_data()
{
    QTest::addColumn<bool>("startAtEnd");
    QTest::addColumn<bool>("scrollToEnd"); // where the user scrolls before the appends show
    QTest::addColumn<bool>("follows");

    QTest::newRow("scrolled away from the end") << true << false << false;
    QTest::newRow("scrolled to the end") << false << true << true;
    QTest::newRow("stayed at the end") << true << true << true;
}

void TestTrafficTextArea::shouldFollowTheEndWhereTheUserScrolledBeforeAppendsShow()
{
    QFETCH(bool, startAtEnd);
    QFETCH(bool, scrollToEnd);
    QFETCH(bool, follows);
    QScrollBar *bar = m_area->verticalScrollBar();
    setColumns(30);
    m_area->appendText(hexBytes(300));
    QTRY_VERIFY(bar->maximum() > 0);
    bar->setValue(startAtEnd ? bar->maximum() : bar->maximum() / 2);
    const int shownMaximum = bar->maximum();

    m_area->appendText(hexBytes(100));
    bar->setValue(scrollToEnd ? bar->maximum() : bar->maximum() / 2);
    const int scrolled = bar->value();
    QTRY_VERIFY(bar->maximum() > shownMaximum);
    QCOMPARE(bar->value(), follows ? bar->maximum() : scrolled);
}

void TestTrafficTextArea::shouldCopyExactlyWhatTheMouseSelected_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QPointF>("from"); // (column, row) where the mouse is pressed
    QTest::addColumn<QPointF>("to");   // (column, row) where it is released
    QTest::addColumn<Gesture>("gesture");
    QTest::addColumn<QString>("copied");

    // Rows of 9 columns: "00 01 02 " "03 04 05 " "06 07 08 " "09 "
    const QString bytes = hexBytes(10);
    QTest::newRow("one byte") << bytes << QPointF(3.2, 0) << QPointF(5.2, 0) << Gesture::Drag
                              << "01";
    QTest::newRow("nearest boundary")
        << bytes << QPointF(2.7, 0) << QPointF(4.6, 0) << Gesture::Drag << "01";
    QTest::newRow("dragged backwards")
        << bytes << QPointF(5.2, 0) << QPointF(3.2, 0) << Gesture::Drag << "01";
    QTest::newRow("across rows") << bytes << QPointF(6.2, 0) << QPointF(2.2, 1) << Gesture::Drag
                                 << "02 03";
    QTest::newRow("row end includes its space")
        << bytes << QPointF(6.2, 1) << QPointF(9.2, 1) << Gesture::Drag << "05 ";
    QTest::newRow("past the text's end")
        << bytes << QPointF(0.2, 2) << QPointF(4.2, 7) << Gesture::Drag << "06 07 08 09 ";
    QTest::newRow("shift click extends")
        << bytes << QPointF(0.2, 1) << QPointF(5.2, 2) << Gesture::ShiftClick << "03 04 05 06 07";
    QTest::newRow("press and release in place")
        << bytes << QPointF(4.2, 0) << QPointF(4.2, 0) << Gesture::Drag << "";
    QTest::newRow("line break stays out of a row-end drag")
        << "68 10\r\nAA 16 " << QPointF(0.2, 0) << QPointF(8.8, 0) << Gesture::Drag << "68 10\r";
    QTest::newRow("line break joins a drag into the next row")
        << "68 10\r\nAA 16 " << QPointF(3.2, 0) << QPointF(2.2, 1) << Gesture::Drag << "10\r\nAA";
    QTest::newRow("double click selects a byte")
        << bytes << QPointF(4.2, 0) << QPointF() << Gesture::DoubleClick << "01";
    QTest::newRow("double click right of a byte")
        << bytes << QPointF(7.8, 1) << QPointF() << Gesture::DoubleClick << "05";
}

void TestTrafficTextArea::shouldCopyExactlyWhatTheMouseSelected()
{
    QFETCH(QString, text);
    QFETCH(QPointF, from);
    QFETCH(QPointF, to);
    QFETCH(Gesture, gesture);
    QFETCH(QString, copied);
    setColumns(9);
    m_area->setText(text);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    QWidget *view = m_area->viewport();
    const QPoint start = pointAt(int(from.y()), from.x());
    const QPoint end = pointAt(int(to.y()), to.x());
    if (gesture == Gesture::ShiftClick) {
        QTest::mouseClick(view, Qt::LeftButton, {}, start);
        QTest::mouseClick(view, Qt::LeftButton, Qt::ShiftModifier, end);
    } else if (gesture == Gesture::DoubleClick) {
        // The events a real double click delivers.
        QTest::mouseClick(view, Qt::LeftButton, {}, start);
        QTest::mousePress(view, Qt::LeftButton, {}, start);
        QTest::mouseDClick(view, Qt::LeftButton, {}, start);
        QTest::mouseRelease(view, Qt::LeftButton, {}, start);
    } else {
        QTest::mousePress(view, Qt::LeftButton, {}, start);
        QTest::mouseMove(view, (start + end) / 2);
        QTest::mouseMove(view, end);
        QTest::mouseRelease(view, Qt::LeftButton, {}, end);
    }
    QCOMPARE(m_area->selectedText(), copied);

    QTest::keyClick(m_area, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), copied.isEmpty() ? "before" : copied);
}

void TestTrafficTextArea::shouldCopyAndSelectAllFromTheContextMenu()
{
    const QString text = hexBytes(5) + "校验通过！";
    m_area->setText(text);
    QGuiApplication::clipboard()->setText(QStringLiteral("before"));

    std::unique_ptr<QMenu> menu(m_area->createStandardContextMenu());
    const QList<QAction *> actions = menu->actions();
    QCOMPARE(actions.size(), 2);
    QCOMPARE(actions[0]->text(), QStringLiteral("复制"));
    QCOMPARE(actions[1]->text(), QStringLiteral("全选"));
    QVERIFY(!actions[0]->isEnabled());
    actions[1]->trigger();
    QCOMPARE(m_area->selectedText(), text);

    menu.reset(m_area->createStandardContextMenu());
    QVERIFY(menu->actions()[0]->isEnabled());
    menu->actions()[0]->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), text);
}

void TestTrafficTextArea::shouldEmptyOnClearAndSignalEachChangeOnce()
{
    m_area->setText(hexBytes(200));
    m_area->selectAll();
    QSignalSpy changed(m_area, &TrafficTextArea::textChanged);

    m_area->clear();
    QVERIFY(m_area->isEmpty());
    QCOMPARE(m_area->text(), QString());
    QCOMPARE(m_area->rowCount(), 1);
    QVERIFY(!m_area->hasSelection());
    QCOMPARE(m_area->verticalScrollBar()->maximum(), 0);
    m_area->clear();
    QCOMPARE(changed.size(), 1);

    m_area->appendText(QString());
    m_area->appendText(QStringLiteral("68 "));
    m_area->appendText(QStringLiteral("10 "));
    QCOMPARE(m_area->text(), QStringLiteral("68 10 "));
    QCOMPARE(changed.size(), 3);
}

void TestTrafficTextArea::shouldPaintTheSelectionBehindSelectedSpaces()
{
    setColumns(30);
    m_area->setText(QStringLiteral("68 10 AA "));
    // The middle of a space cell carries no glyph, only the background.
    const auto spaceCells = [&] {
        const QImage shown = shownViewport();
        QList<QColor> colors;
        for (const int column : {2, 5, 8})
            colors << shown.pixelColor(pointAt(0, column + 0.5));
        return colors;
    };
    const QColor base(Qt::white);
    const QColor highlight(0, 0, 160);

    QTest::mousePress(m_area->viewport(), Qt::LeftButton, {}, pointAt(0, 3.2));
    QTest::mouseRelease(m_area->viewport(), Qt::LeftButton, {}, pointAt(0, 6.2));
    QCOMPARE(spaceCells(), (QList<QColor>{base, highlight, base}));

    QTest::mouseClick(m_area->viewport(), Qt::LeftButton, {}, pointAt(0, 20));
    QCOMPARE(spaceCells(), (QList<QColor>{base, base, base}));
    QTest::keyClick(m_area, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(spaceCells(), (QList<QColor>{highlight, highlight, highlight}));
}

void TestTrafficTextArea::shouldLeaveNoStalePixelsWhenAnAppendMovesAWord()
{
    setColumns(5);
    m_area->setText(QStringLiteral("68 10"));
    const int rowHeight = QFontMetrics(m_area->font()).lineSpacing();
    // Whether `count` character cells from `column` in `row` show nothing but the background.
    const auto blank = [&](int row, int column, int count) {
        const QPoint cell = pointAt(row, column) - QPoint(0, rowHeight / 2);
        const QImage image =
            shownViewport().copy(QRect(cell, QSize(int(count * m_advance), rowHeight)));
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) != Qt::white)
                    return false;
        return true;
    };
    QVERIFY(!blank(0, 3, 2));
    QVERIFY(blank(1, 0, 3));

    // The new byte joins "10", which no longer fits and moves to the next row.
    m_area->appendText(QStringLiteral("A"));
    QCOMPARE(rowStartsOf(*m_area), (RowStarts{0, 3}));
    QTRY_VERIFY(blank(0, 3, 2));
    QTRY_VERIFY(!blank(1, 0, 3));
}

void TestTrafficTextArea::shouldShowTheStateOnceAppendsArePainted_data()
{
    QTest::addColumn<int>("bound");
    QTest::addColumn<qreal>("rowsAboveEnd"); // where the view is put; 0 follows the end
    QTest::addColumn<int>("appendedBytes");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<bool>("topRowKept"); // else the view ends up on the oldest kept row

    // 396 bytes in rows of 8 bytes are 50 rows, the last half full. A bound of 1500 drops about
    // 16 rows per cut; one of 1195 drops 13 rows at the second append, into the last row, which
    // is in view; one of 800 (text cut to 25 rows) drops 8 rows, fewer than the view shows.
    QTest::newRow("following the end") << 0 << 0.0 << 600 << true << false;
    QTest::newRow("following the end, oldest rows dropped") << 1500 << 0.0 << 600 << true << false;
    QTest::newRow("end in view, rows dropped above") << 1195 << 0.25 << 120 << true << true;
    QTest::newRow("reading rows that stay") << 1500 << 10.0 << 120 << true << true;
    QTest::newRow("reading, fewer rows dropped than shown") << 800 << 0.25 << 120 << true << true;
    QTest::newRow("reading rows that are dropped") << 1500 << 33.0 << 600 << true << false;
    QTest::newRow("one-line strip, cut inside its row") << 100 << 0.0 << 600 << false << false;
}

// Whatever the appends did (new rows, rows dropped above or under the view, the view following
// the end), the screen shows the area's state once the frame is painted: no stale pixels. A view
// that followed the end still does; one on rows that were kept still shows them.
void TestTrafficTextArea::shouldShowTheStateOnceAppendsArePainted()
{
    QFETCH(int, bound);
    QFETCH(qreal, rowsAboveEnd);
    QFETCH(int, appendedBytes);
    QFETCH(bool, wrap);
    QFETCH(bool, topRowKept);
    QScrollBar *bar = m_area->verticalScrollBar();
    setColumns(23);
    m_area->setWrap(wrap);
    m_area->setMaximumLength(bound);
    m_area->setText(hexBytes(396));
    QTRY_COMPARE(shownViewport(), freshViewport());
    const int rowHeight = QFontMetrics(m_area->font()).lineSpacing();
    bar->setValue(bar->maximum() - int(rowsAboveEnd * rowHeight));
    QCOMPARE(bar->value() == bar->maximum(), rowsAboveEnd == 0);
    const auto [row, offset] = topRow();
    const QString topText = m_area->text().mid(m_area->rowStarts()[row], 24);

    for (int at = 0, size = 1; at < appendedBytes; at += size, size = size % 5 + 1) {
        const QString piece = hexBytes(size, 396 + at);
        // An append that drops rows is checked on its own, so that its frame holds little else.
        const bool drops = bound > 0 && m_area->text().size() + piece.size() > bound;
        if (drops)
            QVERIFY(waitForFreshViewport());
        m_area->appendText(piece);
        if (drops)
            QVERIFY(waitForFreshViewport());
        else if (at % 3 == 0)
            QCoreApplication::processEvents();
    }
    QTRY_COMPARE(shownViewport(), freshViewport());
    if (rowsAboveEnd == 0) {
        QCOMPARE(bar->value(), bar->maximum());
    } else if (topRowKept) {
        const auto [keptRow, keptOffset] = topRow();
        QCOMPARE(m_area->text().mid(m_area->rowStarts()[keptRow], 24), topText);
        QCOMPARE(keptOffset, offset);
    } else {
        QCOMPARE(bar->value(), 0);
    }
}

void TestTrafficTextArea::shouldPaintAppendsAtMostOncePerFrame_data()
{
    QTest::addColumn<bool>("eventLoopBetweenAppends");

    QTest::newRow("event loop only after the appends") << false;
    // A serial line delivering a notification per byte.
    QTest::newRow("event loop after every append") << true;
}

void TestTrafficTextArea::shouldPaintAppendsAtMostOncePerFrame()
{
    QFETCH(bool, eventLoopBetweenAppends);
    QScrollBar *bar = m_area->verticalScrollBar();
    setColumns(23);
    QCoreApplication::processEvents();
    PaintCounter paints;
    m_area->viewport()->installEventFilter(&paints);

    QElapsedTimer clock;
    clock.start();
    QString whole;
    for (int i = 0; i < 300; ++i) {
        const QString piece = hexBytes(1, i);
        m_area->appendText(piece);
        whole += piece;
        QCOMPARE(m_area->text(), whole); // only painting waits
        if (eventLoopBetweenAppends)
            QCoreApplication::processEvents();
    }
    // 300 bytes fill 38 rows: the view follows the end once the appends are shown.
    QTRY_VERIFY(paints.count > 0 && bar->maximum() > 0 && bar->value() == bar->maximum());
    QCoreApplication::processEvents();
    // At most one paint per frame of 16 ms; halving the frame leaves room for timer jitter,
    // and a slow machine only loosens the bound.
    const int allowed = 2 + int(clock.elapsed() / 8);
    QVERIFY2(paints.count <= allowed,
             qPrintable(QStringLiteral("%1 paints, %2 allowed").arg(paints.count).arg(allowed)));
}

void TestTrafficTextArea::shouldKeepTheSelectionOnItsCharactersUnderABound_data()
{
    QTest::addColumn<int>("fromRow");
    QTest::addColumn<int>("toRow");
    QTest::addColumn<bool>("kept");

    // 80 bytes in rows of 8 bytes, then 30 more: the bound of 300 keeps rows 5 and later.
    QTest::newRow("in kept rows") << 8 << 9 << true;
    QTest::newRow("starting at the first kept row") << 5 << 6 << true;
    QTest::newRow("in dropped rows") << 1 << 2 << false;
    QTest::newRow("across the cut") << 4 << 6 << false;
}

void TestTrafficTextArea::shouldKeepTheSelectionOnItsCharactersUnderABound()
{
    QFETCH(int, fromRow);
    QFETCH(int, toRow);
    QFETCH(bool, kept);
    setColumns(23);
    m_area->setMaximumLength(300);
    m_area->appendText(hexBytes(80));
    QTest::mousePress(m_area->viewport(), Qt::LeftButton, {}, pointAt(fromRow, 0.2));
    QTest::mouseMove(m_area->viewport(), pointAt(toRow, 5.2));
    QTest::mouseRelease(m_area->viewport(), Qt::LeftButton, {}, pointAt(toRow, 5.2));
    const QString selected = m_area->selectedText();
    QCOMPARE(selected.size(), (toRow - fromRow) * 24 + 5);

    m_area->appendText(hexBytes(30, 80));
    QCOMPARE(m_area->text(), hexBytes(70, 40));
    QCOMPARE(m_area->hasSelection(), kept);
    QCOMPARE(m_area->selectedText(), kept ? selected : QString());
}

void TestTrafficTextArea::shouldApplyTheBoundToSetTextAndToALowerBound()
{
    setColumns(23);
    const QString text = hexBytes(200);
    m_area->setMaximumLength(300);
    m_area->setText(text);
    QVERIFY(text.endsWith(m_area->text()));
    QVERIFY(m_area->text().size() <= 300);
    QVERIFY(m_area->text().startsWith(hexBytes(1, 200 - m_area->text().size() / 3)));

    m_area->setMaximumLength(0);
    m_area->setText(text);
    QCOMPARE(m_area->text(), text);
    QSignalSpy changed(m_area, &TrafficTextArea::textChanged);
    m_area->setMaximumLength(150);
    QCOMPARE(changed.size(), 1);
    QVERIFY(text.endsWith(m_area->text()));
    QVERIFY(m_area->text().size() <= 150);

    m_area->setMaximumLength(0);
    m_area->appendText(text);
    QVERIFY(m_area->text().size() > text.size());
}

QTEST_MAIN(TestTrafficTextArea)
#include "tst_traffictextarea.moc"
