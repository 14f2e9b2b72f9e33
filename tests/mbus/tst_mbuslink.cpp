// The EN 13757-2 link layer's frames, answers and waiting rules, with an injected clock.

#include "mbuslink.h"

#include <QTest>

using Bytes = QByteArray;
Q_DECLARE_METATYPE(MbusAnswer)

namespace {

Bytes Hex(const char *hex)
{
    return QByteArray::fromHex(hex);
}

// A checked RSP_UD from meter 5 with a CI 72 header: id 12345678, maker 15AC, version 02,
// medium 07, and `tail` as its records.
Bytes Reply(const Bytes &tail = {})
{
    const Bytes body = Hex("08057278563412AC15020701000000") + tail;
    Bytes out = Hex("68") + char(body.size()) + char(body.size()) + Hex("68") + body;
    std::uint8_t sum = 0;
    for (const char b : body)
        sum = std::uint8_t(sum + std::uint8_t(b));
    return out + char(sum) + Hex("16");
}

} // namespace

class TestMbusLink : public QObject
{
    Q_OBJECT
private slots:
    void requests_data()
    {
        QTest::addColumn<Bytes>("frame");
        QTest::addColumn<Bytes>("expected");
        QTest::newRow("SND_NKE") << MbusSndNke(5) << Hex("1040054516");
        QTest::newRow("REQ_UD2 FCB 0") << MbusReqUd2(5, false) << Hex("105B056016");
        QTest::newRow("REQ_UD2 FCB 1") << MbusReqUd2(0xFD, true) << Hex("107BFD7816");
        QTest::newRow("select with wildcards")
            << MbusSelect(*ParseMbusSecondaryAddress(QStringLiteral("1234FFFFFFFF07FF")))
            << Hex("680B0B6853FD52FFFF3412FFFF07FFEA16");
        QTest::newRow("reset") << MbusApplicationReset(7, std::nullopt)
                               << Hex("68030368530750AA16");
        QTest::newRow("reset with subcode")
            << MbusApplicationReset(7, 0x10) << Hex("6804046853075010BA16");
        QTest::newRow("set primary of FD")
            << MbusSetPrimaryAddress(0xFD, 9) << Hex("6806066853FD51017A092516");
        QTest::newRow("switch to 9600")
            << MbusSwitchBaud(0xFE, *MbusBaudCi(9600)) << Hex("6803036853FEBD0E16");
    }
    void requests()
    {
        QFETCH(Bytes, frame);
        QFETCH(Bytes, expected);
        QCOMPARE(frame.toHex(' '), expected.toHex(' '));
    }

    void baudCodes()
    {
        QCOMPARE(MbusBaudCi(300), std::optional<std::uint8_t>(0xB8));
        QCOMPARE(MbusBaudCi(38400), std::optional<std::uint8_t>(0xBF));
        QCOMPARE(MbusBaudCi(115200), std::nullopt);
    }

    void secondaryAddresses_data()
    {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<bool>("matches"); // against 12345678 15AC 02 07
        QTest::newRow("all wildcards") << "FFFFFFFFFFFFFFFF" << true << true;
        QTest::newRow("exact, lower case") << "1234567815ac0207" << true << true;
        QTest::newRow("digit wildcards") << "12F4F678FFFFFFFF" << true << true;
        QTest::newRow("other digit") << "12F4F679FFFFFFFF" << true << false;
        QTest::newRow("half byte is no wildcard") << "12345678F5AC0207" << true << false;
        QTest::newRow("other version") << "12345678FFFF03FF" << true << false;
        QTest::newRow("hex digit in id") << "1234567A15AC0207" << false << false;
        QTest::newRow("too short") << "1234567815AC020" << false << false;
    }
    void secondaryAddresses()
    {
        QFETCH(QString, mask);
        QFETCH(bool, valid);
        QFETCH(bool, matches);
        const auto parsed = ParseMbusSecondaryAddress(mask);
        QCOMPARE(parsed.has_value(), valid);
        if (!parsed)
            return;
        QCOMPARE(parsed->text(), mask.toUpper());
        const MbusSecondaryAddress meter{0x12345678, 0x15AC, 0x02, 0x07};
        QCOMPARE(parsed->matches(meter), matches);
    }

    void answers_data()
    {
        QTest::addColumn<Bytes>("bytes");
        QTest::addColumn<MbusAnswer>("answer");
        QTest::newRow("nothing") << Bytes() << MbusAnswer::None;
        QTest::newRow("E5") << Hex("E5") << MbusAnswer::Ack;
        QTest::newRow("two E5 one after the other") << Hex("E5E5") << MbusAnswer::Collision;
        QTest::newRow("other single byte") << Hex("E4") << MbusAnswer::Collision;
        QTest::newRow("reply") << Reply() << MbusAnswer::Frame;
        Bytes broken = Reply();
        broken[broken.size() - 2] = char(broken[broken.size() - 2] ^ 0x01);
        QTest::newRow("checksum off") << broken << MbusAnswer::Collision;
        QTest::newRow("reply and more") << Reply() + Hex("E5") << MbusAnswer::Collision;
        QTest::newRow("reply cut short") << Reply().chopped(1) << MbusAnswer::Collision;
    }
    void answers()
    {
        QFETCH(Bytes, bytes);
        QFETCH(MbusAnswer, answer);
        QCOMPARE(ClassifyMbusAnswer(bytes), answer);
    }

    void identityAndMore()
    {
        QCOMPARE(MbusFrameIdentity(Reply())->text(), QStringLiteral("1234567815AC0207"));
        QVERIFY(!MbusFrameIdentity(Hex("E5")));
        QVERIFY(!MbusFrameHasMore(Reply(Hex("0406E8030000"))));
        QVERIFY(MbusFrameHasMore(Reply(Hex("0406E80300001F"))));
        // A value whose last byte is 1F is no "more records follow".
        QVERIFY(!MbusFrameHasMore(Reply(Hex("04060000001F"))));
    }

    // Each row: bytes arriving at times; whether waiting is over at `at`, and the answer.
    void waiting_data()
    {
        QTest::addColumn<QList<qint64>>("times");
        QTest::addColumn<QList<Bytes>>("chunks");
        QTest::addColumn<qint64>("at");
        QTest::addColumn<bool>("done");
        QTest::addColumn<MbusAnswer>("answer");
        // Request sent at 1000 with a 200 ms time-out.
        QTest::newRow("silent, before the time-out")
            << QList<qint64>{} << QList<Bytes>{} << qint64(1199) << false << MbusAnswer::None;
        QTest::newRow("silent, at the time-out")
            << QList<qint64>{} << QList<Bytes>{} << qint64(1200) << true << MbusAnswer::None;
        QTest::newRow("E5 ends the wait at once") << QList<qint64>{1050} << QList<Bytes>{Hex("E5")}
                                                  << qint64(1050) << true << MbusAnswer::Ack;
        QTest::newRow("echo is not an answer") << QList<qint64>{1010} << QList<Bytes>{MbusSndNke(5)}
                                               << qint64(1199) << false << MbusAnswer::None;
        QTest::newRow("echo, then E5")
            << QList<qint64>{1010, 1100} << QList<Bytes>{MbusSndNke(5), Hex("E5")} << qint64(1100)
            << true << MbusAnswer::Ack;
        QTest::newRow("reply still coming after the time-out")
            << QList<qint64>{1150, 1300} << QList<Bytes>{Reply().left(4), Reply().mid(4, 6)}
            << qint64(1450) << false << MbusAnswer::Collision;
        QTest::newRow("broken bytes end when the line is quiet")
            << QList<qint64>{1150} << QList<Bytes>{Hex("6803")} << qint64(1350) << true
            << MbusAnswer::Collision;
        QTest::newRow("reply in pieces")
            << QList<qint64>{1150, 1300} << QList<Bytes>{Reply().left(4), Reply().mid(4)}
            << qint64(1300) << true << MbusAnswer::Frame;
    }
    void waiting()
    {
        QFETCH(QList<qint64>, times);
        QFETCH(QList<Bytes>, chunks);
        QFETCH(qint64, at);
        QFETCH(bool, done);
        QFETCH(MbusAnswer, answer);
        MbusAnswerWait wait(MbusSndNke(5), 200, 1000);
        for (qsizetype i = 0; i < chunks.size(); ++i)
            wait.feed(chunks[i], times[i]);
        QCOMPARE(wait.done(at), done);
        QCOMPARE(wait.answer(), answer);
    }
};

QTEST_APPLESS_MAIN(TestMbusLink)
#include "tst_mbuslink.moc"
