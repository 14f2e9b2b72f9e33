#include "cj188.h"
#include "mbus.h"
#include "meterrequests.h"
#include "typedframe.h"

#include <QtTest>

// Hex typed into a send area, and the checksum completion of the "计算校验和" action.
class TestTypedFrame : public QObject
{
    Q_OBJECT
private slots:
    void shouldReadTypedHexOrSayWhatIsWrong_data();
    void shouldReadTypedHexOrSayWhatIsWrong();
    void shouldCompleteChecksumAndEndByte_data();
    void shouldCompleteChecksumAndEndByte();
};

void TestTypedFrame::shouldReadTypedHexOrSayWhatIsWrong_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QByteArray>("bytes"); // empty: refused
    QTest::newRow("spaced pairs") << "10 5b 01 5C 16" << Hex("105B015C16");
    QTest::newRow("run of pairs, blanks around") << "  105B015C16 " << Hex("105B015C16");
    QTest::newRow("odd digit count") << "10 5B 1 5C 16" << QByteArray();
    QTest::newRow("not hex") << "10 5G 01" << QByteArray();
    QTest::newRow("full-width digit") << "１０" << QByteArray();
    QTest::newRow("nothing") << "   " << QByteArray();
    QTest::newRow("longest") << QString("00 ").repeated(257) << QByteArray(257, '\0');
    QTest::newRow("too long") << QString("00 ").repeated(258) << QByteArray();
}

void TestTypedFrame::shouldReadTypedHexOrSayWhatIsWrong()
{
    QFETCH(QString, typed);
    QFETCH(QByteArray, bytes);
    const TypedFrame frame = ParseTypedHex(typed);
    QCOMPARE(frame.bytes, bytes);
    QCOMPARE(frame.ok(), !bytes.isEmpty());
    if (!frame.ok())
        QVERIFY(!frame.error.isEmpty());
}

void TestTypedFrame::shouldCompleteChecksumAndEndByte_data()
{
    QTest::addColumn<bool>("mbus");
    QTest::addColumn<QByteArray>("typed");
    QTest::addColumn<QByteArray>("completed"); // empty: refused
    const QByteArray cjBody = kCj188ReadData.first(kCj188ReadData.size() - 2);
    QTest::newRow("cj188 without CS and end") << false << cjBody << kCj188ReadData;
    QTest::newRow("cj188 with a wrong CS") << false << cjBody + Hex("00 16") << kCj188ReadData;
    QTest::newRow("cj188 without wake-up") << false << cjBody.sliced(3) << kCj188ReadData.sliced(3);
    QTest::newRow("cj188 data short") << false << cjBody.first(cjBody.size() - 1) << QByteArray();
    QTest::newRow("cj188 bytes past the end")
        << false << kCj188ReadData + Hex("00") << QByteArray();
    QTest::newRow("cj188 no start byte") << false << Hex("FE FE 10 68") << QByteArray();
    QTest::newRow("mbus short frame") << true << Hex("10 5B 00") << kReqUd2To0;
    QTest::newRow("mbus short frame, wrong CS") << true << Hex("10 5B 00 00 16") << kReqUd2To0;
    QTest::newRow("mbus long frame")
        << true << kSetAddress5.first(kSetAddress5.size() - 2) << kSetAddress5;
    QTest::newRow("mbus short frame too short") << true << Hex("10 5B") << QByteArray();
    QTest::newRow("mbus long frame short") << true << Hex("68 06 06 68 53 FE") << QByteArray();
}

void TestTypedFrame::shouldCompleteChecksumAndEndByte()
{
    QFETCH(bool, mbus);
    QFETCH(QByteArray, typed);
    QFETCH(QByteArray, completed);
    const MeterProtocol &protocol = mbus ? kMbusProtocol : kCj188Protocol;
    const TypedFrame frame = protocol.completeFrame(typed);
    QCOMPARE(frame.bytes, completed);
    QCOMPARE(frame.error.isEmpty(), !completed.isEmpty());
}

QTEST_GUILESS_MAIN(TestTypedFrame)
#include "tst_typedframe.moc"
