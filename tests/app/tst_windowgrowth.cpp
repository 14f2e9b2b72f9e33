#include "windowtest.h"

#include <QtTest>

// The window enlarged by its user: which controls take the extra width and height, and that
// every control is back in its first place once the window returns to its first size.
class TestWindowGrowth : public WindowTest
{
    Q_OBJECT
private slots:
    void init() { createWindow(PortMap::empty()); }
    void cleanup() { m_window.reset(); }

    void shouldGiveTheExtraSizeToTheMeterArea_data();
    void shouldGiveTheExtraSizeToTheMeterArea();

private:
    QRect geometry(const char *name) { return child<QWidget>(name)->geometry(); }
};

void TestWindowGrowth::shouldGiveTheExtraSizeToTheMeterArea_data()
{
    QTest::addColumn<QSize>("asked");
    QTest::addColumn<QSize>("size");
    // Pixels added to the meter area's width, and to the receive and data-analysis frames'
    // heights (a third of the extra height to the receive frame, two thirds to the analysis).
    QTest::addColumn<int>("wider");
    QTest::addColumn<int>("receive");
    QTest::addColumn<int>("analysis");
    QTest::newRow("first size") << QSize(912, 606) << QSize(912, 606) << 0 << 0 << 0;
    QTest::newRow("smaller: held at first size")
        << QSize(700, 400) << QSize(912, 606) << 0 << 0 << 0;
    QTest::newRow("wider only") << QSize(1112, 606) << QSize(1112, 606) << 200 << 0 << 0;
    QTest::newRow("taller only") << QSize(912, 1006) << QSize(912, 1006) << 0 << 133 << 267;
    QTest::newRow("narrower, taller") << QSize(800, 706) << QSize(912, 706) << 0 << 33 << 67;
    QTest::newRow("1400 x 1000") << QSize(1400, 1000) << QSize(1400, 1000) << 488 << 131 << 263;
}

void TestWindowGrowth::shouldGiveTheExtraSizeToTheMeterArea()
{
    QFETCH(QSize, asked);
    QFETCH(QSize, size);
    QFETCH(int, wider);
    QFETCH(int, receive);
    QFETCH(int, analysis);

    // From another grown size, so that each row also shows the way back.
    m_window->resize(1300, 900);
    QTRY_COMPARE(m_window->size(), QSize(1300, 900));
    m_window->resize(asked);
    QTRY_COMPARE(m_window->size(), size);

    QCOMPARE(geometry("mainpage"), QRect(192, 8, 713 + wider, 593 + receive + analysis));
    QCOMPARE(geometry("EN1434仪表"), QRect(8, 40, 697 + wider, 201));
    QCOMPARE(geometry("RichTextBox4"), QRect(8, 16, 665 + wider, 25));
    QCOMPARE(geometry("Frame9"), QRect(8, 248, 697 + wider, 193 + receive));
    QCOMPARE(geometry("RichTextBox2"), QRect(8, 16, 681 + wider, 169 + receive));
    QCOMPARE(geometry("Frame2"), QRect(8, 448 + receive, 697 + wider, 137 + analysis));
    QCOMPARE(geometry("RichTextBox3"), QRect(8, 16, 681 + wider, 113 + analysis));
    // Everything else keeps its first place and size.
    QCOMPARE(geometry("setpage"), QRect(8, 136, 177, 305));
    QCOMPARE(geometry("Frame4"), QRect(8, 520, 177, 81));
    QCOMPARE(geometry("Frame7"), QRect(456, 16, 217, 105));
    QCOMPARE(geometry("GlowButton15"), QRect(280, 88, 129, 25));
    QCOMPARE(m_window->minimumSize(), QSize(912, 606));
}

QTEST_MAIN(TestWindowGrowth)
#include "tst_windowgrowth.moc"
