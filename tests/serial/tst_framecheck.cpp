#include "framecheck.h"
#include "meterprotocols.h"

#include <QTest>

Q_DECLARE_METATYPE(FrameRule)

class TestFrameCheck : public QObject
{
    Q_OBJECT

private slots:
    void shouldNameTheFirstRuleBroken_data();
    void shouldNameTheFirstRuleBroken();
};

void TestFrameCheck::shouldNameTheFirstRuleBroken_data()
{
    QTest::addColumn<QString>("protocol");
    QTest::addColumn<QByteArray>("hex");
    QTest::addColumn<FrameRule>("broken");

    // M-Bus RSP_UD 68 L L 68 C A CI CS 16, and a CJ/T 188 read-data reply (C 81, DI 90 1F).
    QTest::newRow("mbus reply") << "mbus" << QByteArray("68030368 080172 7B 16")
                                << FrameRule::Holds;
    QTest::newRow("mbus RSP_UD with ACD and DFC bits")
        << "mbus" << QByteArray("68030368 380172 AB 16") << FrameRule::Holds;
    QTest::newRow("cj188 reply after wake-up bytes")
        << "cj188" << QByteArray("FEFE 6810 01000000000000 81 03 901F00 AC 16") << FrameRule::Holds;
    QTest::newRow("bytes after the end byte")
        << "mbus" << QByteArray("68030368 080172 7B 16 E5") << FrameRule::Holds;

    QTest::newRow("empty") << "mbus" << QByteArray() << FrameRule::StartByte;
    QTest::newRow("short frame start")
        << "mbus" << QByteArray("10 5B 01 5C 16") << FrameRule::StartByte;
    QTest::newRow("L bytes differ")
        << "mbus" << QByteArray("68070368 080172 7B 16") << FrameRule::Header;
    QTest::newRow("no second 68") << "mbus" << QByteArray("68030369 080172 7B 16")
                                  << FrameRule::Header;
    QTest::newRow("noise") << "mbus" << QByteArray("68395565 4C75E3") << FrameRule::Header;
    QTest::newRow("cut short") << "cj188" << QByteArray("6810 01000000000000 81 03 901F")
                               << FrameRule::Length;
    QTest::newRow("mbus checksum")
        << "mbus" << QByteArray("68030368 080172 7C 16") << FrameRule::Checksum;
    QTest::newRow("mbus end byte 17")
        << "mbus" << QByteArray("68030368 080172 7B 17") << FrameRule::EndByte;
    QTest::newRow("mbus no end byte")
        << "mbus" << QByteArray("68030368 080172 7B") << FrameRule::EndByte;
    QTest::newRow("cj188 end byte 17")
        << "cj188" << QByteArray("6810 01000000000000 81 03 901F00 AC 17") << FrameRule::EndByte;
    QTest::newRow("mbus SND_UD, our own request")
        << "mbus" << QByteArray("68030368 53FE51 A2 16") << FrameRule::Direction;
    QTest::newRow("mbus neither request nor RSP_UD")
        << "mbus" << QByteArray("68030368 000172 73 16") << FrameRule::Direction;
    QTest::newRow("cj188 request C 01")
        << "cj188" << QByteArray("6810 01000000000000 01 03 901F00 2C 16") << FrameRule::Direction;
}

void TestFrameCheck::shouldNameTheFirstRuleBroken()
{
    QFETCH(QString, protocol);
    QFETCH(QByteArray, hex);
    QFETCH(FrameRule, broken);

    const MeterProtocol *description = FindMeterProtocol(protocol);
    QVERIFY(description);
    const FrameCheck check = CheckFrame(*description, QByteArray::fromHex(hex.replace(' ', "")));
    QCOMPARE(check.broken, broken);
    QCOMPARE(check.error.isEmpty(), broken == FrameRule::Holds);
}

QTEST_GUILESS_MAIN(TestFrameCheck)
#include "tst_framecheck.moc"
