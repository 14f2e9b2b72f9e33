#include "conversions.h"
#include "windowwidgets.h"

#include <QLineEdit>
#include <QtTest>
#include <memory>

using namespace WindowWidgets;

class TestWindowWidgets : public QObject
{
    Q_OBJECT
private slots:
    void shouldFilterAPasteBeforeLimitingIt_data();
    void shouldFilterAPasteBeforeLimitingIt();
    void shouldKeepTheCursorWhereItWasWhenTypingIntoTheMiddle_data();
    void shouldKeepTheCursorWhereItWasWhenTypingIntoTheMiddle();
};

void TestWindowWidgets::shouldFilterAPasteBeforeLimitingIt_data()
{
    QTest::addColumn<bool>("hex");
    QTest::addColumn<int>("maxLength");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("at");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::newRow("address with spaces") << false << 10 << "" << 0 << "0012 3456 78"
                                         << "0012345678" << 10;
    QTest::newRow("address longer than ten digits") << false << 10 << "" << 0 << "00-12-34-56-78-9"
                                                    << "0012345678" << 10;
    QTest::newRow("maker code") << false << 2 << "" << 0 << " 4 2"
                                << "42" << 2;
    QTest::newRow("M-Bus address") << true << 2 << "" << 0 << "0x 1f"
                                   << "01" << 2;
    QTest::newRow("interval") << false << 3 << "" << 0 << "1 0 s"
                              << "10" << 2;
    // What the box held stays; the paste gets the room that is left.
    QTest::newRow("into the middle: the start of the paste fits")
        << false << 10 << "123456" << 3 << "7-8-9-0-1"
        << "1237890456" << 7;
    QTest::newRow("at the start of a full box: nothing fits")
        << false << 10 << "1234567890" << 0 << "55"
        << "1234567890" << 0;
    QTest::newRow("at the end of a box with room for one") << true << 2 << "0" << 1 << "ab"
                                                           << "0a" << 2;
}

void TestWindowWidgets::shouldFilterAPasteBeforeLimitingIt()
{
    QFETCH(bool, hex);
    QFETCH(int, maxLength);
    QFETCH(QString, before);
    QFETCH(int, at);
    QFETCH(QString, pasted);
    QFETCH(QString, expected);
    QFETCH(int, cursor);
    // A paste leaves the cursor after the pasted text.
    const QString after = QString(before).insert(at, pasted);
    const FilteredText filtered = FilterBoxText(before, after, int(at + pasted.size()),
                                                hex ? &KeepHexDigits : &KeepDigits, maxLength);
    QCOMPARE(filtered.text, expected);
    QCOMPARE(filtered.cursor, cursor);
}

void TestWindowWidgets::shouldKeepTheCursorWhereItWasWhenTypingIntoTheMiddle_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("cursor");
    QTest::newRow("digit: after it") << "5"
                                     << "125634" << 3;
    QTest::newRow("letter: where it was") << "a"
                                          << "12634" << 2;
    QTest::newRow("digit, letter, digit") << "5a7"
                                          << "1257634" << 4;
}

void TestWindowWidgets::shouldKeepTheCursorWhereItWasWhenTypingIntoTheMiddle()
{
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    QFETCH(int, cursor);
    std::unique_ptr<QLineEdit> box(
        textBox(nullptr, QStringLiteral("Text1"), QStringLiteral("12634"), &KeepDigits, 10));
    box->setCursorPosition(2);
    QTest::keyClicks(box.get(), typed);
    QCOMPARE(box->text(), expected);
    QCOMPARE(box->cursorPosition(), cursor);
}

QTEST_MAIN(TestWindowWidgets)
#include "tst_windowwidgets.moc"
