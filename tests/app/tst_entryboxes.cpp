#include "polltimer.h"
#include "ptypair.h"
#include "windowtest.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

// The window's entry boxes as a person types into them: what each keeps, and the polling interval
// its digits set. COM1 is a pseudo-terminal, so that polling can start without a meter.
class TestEntryBoxes : public WindowTest
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void shouldKeepOnlyWhatTheBoxAcceptsWhenTyped_data();
    void shouldKeepOnlyWhatTheBoxAcceptsWhenTyped();
    void shouldRefuseACharacterTypedIntoAFullBox_data();
    void shouldRefuseACharacterTypedIntoAFullBox();
    void shouldSetThePollingIntervalFromTheTypedDigits_data();
    void shouldSetThePollingIntervalFromTheTypedDigits();
    void shouldShowTheCj188PollingStoppedWhenTheMbusPageOpens();

private:
    std::unique_ptr<PtyPair> m_com1;
};

void TestEntryBoxes::init()
{
    m_com1 = std::make_unique<PtyPair>();
    QVERIFY2(m_com1->isOpen(), qPrintable(m_com1->errorString()));
    PortMap map = PortMap::empty();
    map.set(1, m_com1->slavePath());
    createWindow(map);
}

void TestEntryBoxes::cleanup()
{
    m_window.reset();
    m_com1.reset();
    m_messages.messages.clear();
}

void TestEntryBoxes::shouldKeepOnlyWhatTheBoxAcceptsWhenTyped_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("expected");
    QTest::newRow("address: letters vanish") << QByteArray("Text1") << "12a3 b"
                                             << "123";
    QTest::newRow("address: at most ten digits") << QByteArray("Text1") << "0012345678999"
                                                 << "0012345678";
    QTest::newRow("maker code: letter in empty box") << QByteArray("Text3") << "x"
                                                     << "";
    QTest::newRow("maker code: space") << QByteArray("Text2") << " 7"
                                       << "7";
    QTest::newRow("maker code: two digits") << QByteArray("Text3") << "123"
                                            << "12";
    QTest::newRow("M-Bus address: hex in either case") << QByteArray("Text6") << "fG"
                                                       << "f";
    QTest::newRow("M-Bus address: no third digit") << QByteArray("Text6") << "aB9"
                                                   << "aB";
    QTest::newRow("new address: symbols vanish") << QByteArray("Text7") << "-0x5"
                                                 << "05";
    QTest::newRow("interval: point vanishes") << QByteArray("Text4") << "1.5"
                                              << "15";
    QTest::newRow("interval: at most three digits") << QByteArray("Text5") << "1234"
                                                    << "123";
}

void TestEntryBoxes::shouldKeepOnlyWhatTheBoxAcceptsWhenTyped()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, typed);
    QFETCH(QString, expected);
    if (box == "Text6" || box == "Text7" || box == "Text5")
        click("GlowButton4");
    auto *edit = child<QLineEdit>(box.constData());
    edit->clear();
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), expected);
}

void TestEntryBoxes::shouldRefuseACharacterTypedIntoAFullBox_data()
{
    QTest::addColumn<QByteArray>("box");
    QTest::addColumn<QString>("full");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("cursor");
    const struct
    {
        const char *box;
        const char *full;
        const char *typed;
    } boxes[] = {{"Text1", "1234567890", "5"}, {"Text3", "33", "4"}, {"Text2", "78", "9"},
                 {"Text4", "100", "2"},        {"Text6", "05", "1"}, {"Text7", "A0", "f"},
                 {"Text5", "999", "1"}};
    for (const auto &b : boxes) {
        const int length = int(qstrlen(b.full));
        for (const auto &[where, cursor] :
             {std::pair{"start", 0}, std::pair{"middle", length / 2}, std::pair{"end", length}})
            QTest::addRow("%s: %s", b.box, where)
                << QByteArray(b.box) << QString::fromLatin1(b.full) << QString::fromLatin1(b.typed)
                << cursor;
    }
}

// A character beyond the box's length cannot be entered: the box keeps its text and its cursor,
// instead of pushing its last character out (another meter's address, another interval).
void TestEntryBoxes::shouldRefuseACharacterTypedIntoAFullBox()
{
    QFETCH(QByteArray, box);
    QFETCH(QString, full);
    QFETCH(QString, typed);
    QFETCH(int, cursor);
    if (box == "Text6" || box == "Text7" || box == "Text5")
        click("GlowButton4");
    auto *edit = child<QLineEdit>(box.constData());
    edit->setText(full);
    edit->setFocus();
    edit->setCursorPosition(cursor);
    QTest::keyClicks(edit, typed);
    QCOMPARE(edit->text(), full);
    QCOMPARE(edit->cursorPosition(), cursor);
}

void TestEntryBoxes::shouldSetThePollingIntervalFromTheTypedDigits_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("interval");
    QTest::newRow("15 seconds") << "15" << 15000;
    QTest::newRow("leading zeros") << "007" << 7000;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("above 65 seconds") << "999" << 999000;
    QTest::newRow("letters ignored") << "a6b6" << 66000;
}

void TestEntryBoxes::shouldSetThePollingIntervalFromTheTypedDigits()
{
    QFETCH(QString, typed);
    QFETCH(int, interval);
    QCOMPARE(child<QComboBox>("Combo1")->currentText(), QStringLiteral("COM1"));
    click("OpenCOomPort");
    QVERIFY(m_window->port().PortOpen());
    for (const char *box : {"Text4", "Text5"}) {
        auto *edit = child<QLineEdit>(box);
        edit->clear();
        QTest::keyClicks(edit, typed);
    }
    QCOMPARE(child<PollTimer>("Timer1")->Interval(), interval);
    QCOMPARE(child<PollTimer>("Timer2")->Interval(), interval);
    // An interval of 0 polls without ticking; the box still shows that polling is on.
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(child<PollTimer>("Timer1")->isTicking(), interval > 0);
    QVERIFY(m_messages.messages.isEmpty());
}

// The interval box is green while its polling runs; the M-Bus page stops the CJ/T 188 polling,
// and its box shows that.
void TestEntryBoxes::shouldShowTheCj188PollingStoppedWhenTheMbusPageOpens()
{
    auto *interval = child<QLineEdit>("Text4");
    const QColor normal = interval->palette().color(QPalette::Base);
    click("OpenCOomPort");
    click("GlowButton11");
    QVERIFY(child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(interval->palette().color(QPalette::Base), QColor(0, 255, 0));

    click("GlowButton4");
    QVERIFY(!child<PollTimer>("Timer1")->Enabled());
    QCOMPARE(interval->palette().color(QPalette::Base), normal);
    QVERIFY(m_messages.messages.isEmpty());
}

QTEST_MAIN(TestEntryBoxes)
#include "tst_entryboxes.moc"
