#include "cj188.h"
#include "conversions.h"
#include "mbus.h"
#include "meterfields.h"
#include "recordingtrafficview.h"
#include "trafficstate.h"

#include <QtTest>

namespace {

const QString kColdWater = QStringLiteral("冷水水表 - 10H");

// What TxBuf holds before a command in these tests, so that a kept byte shows up as 0x42.
constexpr std::uint8_t kOldByte = 0x42;

Cj188Fields fields(const QString &type, const QString &address, const QString &a5 = "33",
                   const QString &a6 = "78")
{
    return Cj188Fields{type, address, a5, a6};
}

// A read-data request with the fixed parts filled in; every varying field and CS given literally.
QByteArray readDataRequest(int type, std::initializer_list<int> a0ToA4, int a5, int a6, int cs)
{
    return Bytes({0xFE, 0xFE, 0xFE, 0x68, type}) + Bytes(a0ToA4) + Bytes({a5, a6}) +
           Bytes({0x01, 0x03,       // C: read data, L: 3
                  0x1F, 0x90, 0x01, // DI0 DI1 (901F), SER
                  cs, 0x16});
}

// A frame with no data bytes: its checksum directly follows L.
const QByteArray kEmptyReply = Bytes({
    0x68, 0x10, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // start, T, A0..A6
    0x01,                                                 // C
    0x00,                                                 // L: 0
    0x38,                                                 // CS
    0x16,                                                 // end
});

QByteArray withByte(QByteArray bytes, qsizetype index, int value)
{
    bytes[index] = char(value);
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Cj188Fields)

class TestCj188 : public QObject
{
    Q_OBJECT
private slots:
    void shouldBuildTheReadDataRequestFromTheFields_data();
    void shouldBuildTheReadDataRequestFromTheFields();
    void shouldBuildTheReadAddressRequestAndKeepTheReplyMode_data();
    void shouldBuildTheReadAddressRequestAndKeepTheReplyMode();
    void shouldReportOnlyACheckedReplyOfTheMeterAsked_data();
    void shouldReportOnlyACheckedReplyOfTheMeterAsked();
    void shouldPassOverEchoedRequestsWhenAsked_data();
    void shouldPassOverEchoedRequestsWhenAsked();
};

void TestCj188::shouldBuildTheReadDataRequestFromTheFields_data()
{
    QTest::addColumn<Cj188Fields>("input");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("address 12345678")
        << fields(kColdWater, "12345678")
        << Bytes({
               0xFE, 0xFE, 0xFE,             // wake-up
               0x68,                         // start
               0x10,                         // T
               0x78, 0x56, 0x34, 0x12, 0x00, // A0..A4, least significant pair first
               0x33, 0x78,                   // A5 A6: manufacturer code
               0x01, 0x03, 0x1F, 0x90, 0x01, // C L DI0 DI1 SER
               0xEB,                         // CS over 68..SER
               0x16,                         // end
           });
    QTest::newRow("empty address")
        << fields(kColdWater, "") << readDataRequest(0x10, {0, 0, 0, 0, 0}, 0x33, 0x78, 0xD7);
    QTest::newRow("address 1") << fields(kColdWater, "1")
                               << readDataRequest(0x10, {0x01, 0, 0, 0, 0}, 0x33, 0x78, 0xD8);
    QTest::newRow("address 9999999999")
        << fields(kColdWater, "9999999999")
        << readDataRequest(0x10, {0x99, 0x99, 0x99, 0x99, 0x99}, 0x33, 0x78, 0xD4);
    QTest::newRow("spaces around the address are trimmed")
        << fields(kColdWater, "  12345678 ")
        << readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xEB);
    QTest::newRow("only the first ten address digits count")
        << fields(kColdWater, "123456789012")
        << readDataRequest(0x10, {0x90, 0x78, 0x56, 0x34, 0x12}, 0x33, 0x78, 0x7B);
    QTest::newRow("address pair that does not convert keeps the old byte")
        << fields(kColdWater, "12-45678")
        << readDataRequest(0x10, {0x78, 0x56, kOldByte, 0x12, 0x00}, 0x33, 0x78, 0xF9);
    QTest::newRow("heat meter 20H")
        << fields("热计量表 - 20H", "12345678")
        << readDataRequest(0x20, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xFB);
    QTest::newRow("large diameter 19H is a BCD pair, not decimal 19")
        << fields("大口径表 - 19H", "12345678")
        << readDataRequest(0x19, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xF4);
    QTest::newRow("typed type shorter than 9 characters gives 0")
        << fields("冷水水表 - 1", "12345678")
        << readDataRequest(0x00, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xDB);
    QTest::newRow("typed type that does not convert keeps the old byte, summed")
        << fields("冷水水表 - A0H", "12345678")
        << readDataRequest(kOldByte, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0x1D);
    QTest::newRow("empty manufacturer code boxes send 00")
        << fields(kColdWater, "12345678", "", "")
        << readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x00, 0x00, 0x40);
    QTest::newRow("one digit padded left; letter as second character adds its code")
        << fields(kColdWater, "12345678", "7", "1A")
        << readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x07, 0x21, 0x68);
    QTest::newRow("letter first keeps the old byte; three digits give 0")
        << fields(kColdWater, "12345678", "A1", "123")
        << readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, kOldByte, 0x00, 0x82);
}

void TestCj188::shouldBuildTheReadDataRequestFromTheFields()
{
    QFETCH(Cj188Fields, input);
    QFETCH(QByteArray, frame);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.TxBuf.fill(kOldByte);

    Cj188ReadData(state, Cj188MeterOfFields(input));

    QCOMPARE(TxFrame(state, kCj188LastIndex), frame);
    QCOMPARE(state.TxBuf[kCj188LastIndex + 1], kOldByte); // the rest of TxBuf is left alone
    QCOMPARE(view.writes, QList<QByteArray>{frame});
    QCOMPARE(view.cj188SendText, HexTrafficText(frame));
    QVERIFY(view.mbusSendText.isEmpty());
}

void TestCj188::shouldBuildTheReadAddressRequestAndKeepTheReplyMode_data()
{
    QTest::addColumn<QString>("type");
    QTest::addColumn<int>("replyMode");
    QTest::addColumn<QByteArray>("frame");

    QTest::newRow("cold water, idle")
        << kColdWater << int(kReplyNone)
        << Bytes({
               0xFE, 0xFE, 0xFE,                         // wake-up
               0x68, 0x10,                               // start, T
               0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, // A0..A6: wildcard
               0x03, 0x03,                               // C: read address, L
               0x0A, 0x81, 0x01,                         // DI0 DI1 (810A), SER
               0xB0, 0x16,                               // CS, end
           });
    QTest::newRow("heat meter, M-Bus reply awaited")
        << QStringLiteral("热计量表 - 20H") << int(kReplyMbus)
        << Bytes({0xFE, 0xFE, 0xFE, 0x68, 0x20, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0xAA, 0x03,
                  0x03, 0x0A, 0x81, 0x01, 0xC0, 0x16});
}

void TestCj188::shouldBuildTheReadAddressRequestAndKeepTheReplyMode()
{
    QFETCH(QString, type);
    QFETCH(int, replyMode);
    QFETCH(QByteArray, frame);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.ReplyMode = std::uint8_t(replyMode);

    Cj188ReadAddress(state, Cj188TypeOfEntry(type));

    QCOMPARE(TxFrame(state, kCj188LastIndex), frame);
    QCOMPARE(view.writes, QList<QByteArray>{frame});
    QCOMPARE(state.ReplyMode, std::uint8_t(replyMode));
    QVERIFY(state.AwaitingReply);
}

void TestCj188::shouldReportOnlyACheckedReplyOfTheMeterAsked_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<qsizetype>("checksumIndex"); // of the reply reported, -1: none
    QTest::addColumn<QByteArray>("left");         // unconsumed in the ring at the end

    QTest::newRow("reply after wake-up bytes") << kWaterReply << kWaterReplyCs << QByteArray();
    QTest::newRow("noise before the reply is dropped")
        << Bytes({0x00, 0xFF, 0x16, 0xE5}) + kWaterReply << kWaterReplyCs + 4 << QByteArray();
    QTest::newRow("wrong checksum: rejected, every byte rescanned")
        << withByte(kWaterReply, kWaterReplyCs, 0xFE) << qsizetype(-1) << QByteArray();
    QTest::newRow("end byte other than 16 is rejected")
        << withByte(kWaterReply, kWaterReplyCs + 1, 0x00) << qsizetype(-1) << QByteArray();
    QTest::newRow("reply from another meter is rejected")
        << Bytes({0x68, 0x10, 0x79, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // A0 79: meter 12345679
                  0x01, 0x00, 0x39, 0x16})                              // C, L, CS, end
        << qsizetype(-1) << QByteArray();
    QTest::newRow("L = 0: checksum right after L") << kEmptyReply << qsizetype(11) << QByteArray();
    QTest::newRow("echo of the read-data request")
        << readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xEB) << qsizetype(17)
        << QByteArray();
    // The stray 68 makes a candidate with C = 01 as its L, checked (A3 expected) at the 1F.
    QTest::newRow("68 inside a rejected candidate starts the next one")
        << Bytes({0x68}) +
               readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xEB).mid(3)
        << qsizetype(15) << QByteArray();
    QTest::newRow("two replies: first reported, second stays unread")
        << kWaterReply + kEmptyReply << kWaterReplyCs << kEmptyReply;
    QByteArray longest = Bytes({0x68, 0x10, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, 0x81, 0xFF}) +
                         QByteArray(255, '\0');
    longest += SumOf(longest);
    QTest::newRow("L = 255 is accepted")
        << longest + Bytes({0x16}) << qsizetype(266) << QByteArray();
}

void TestCj188::shouldReportOnlyACheckedReplyOfTheMeterAsked()
{
    QFETCH(QByteArray, stream);
    QFETCH(qsizetype, checksumIndex);
    QFETCH(QByteArray, left);

    for (const FeedPlan &plan : FeedPlans(stream.size())) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        Cj188ReadData(state, Cj188MeterOfFields(fields(kColdWater, "12345678")));

        QCOMPARE(FeedAndDescribe(state, view, stream, plan),
                 ExpectedOutcome(plan, checksumIndex, left));
        // The line's echo of the request is shown as checked, and the reply still awaited.
        const bool awaiting = checksumIndex < 0 || stream == view.writes.first();
        QCOMPARE(state.ReplyMode, std::uint8_t(awaiting ? kReplyCj188 : kReplyNone));
        QCOMPARE(state.AwaitingReply, awaiting);
    }
}

void TestCj188::shouldPassOverEchoedRequestsWhenAsked_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<qsizetype>("checksumIndex"); // of the reply reported, -1: none

    const QByteArray echo = readDataRequest(0x10, {0x78, 0x56, 0x34, 0x12, 0x00}, 0x33, 0x78, 0xEB);
    QTest::newRow("echo alone") << echo << qsizetype(-1);
    QTest::newRow("echo, then the reply") << echo + kWaterReply << echo.size() + kWaterReplyCs;
    QTest::newRow("request-like frame without wake-up") << kEmptyReply << qsizetype(-1);
}

void TestCj188::shouldPassOverEchoedRequestsWhenAsked()
{
    QFETCH(QByteArray, stream);
    QFETCH(qsizetype, checksumIndex);

    for (const FeedPlan &plan : FeedPlans(stream.size())) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        state.setSkipRequests(true);
        Cj188ReadData(state, Cj188MeterOfFields(fields(kColdWater, "12345678")));

        QCOMPARE(FeedAndDescribe(state, view, stream, plan),
                 ExpectedOutcome(plan, checksumIndex, QByteArray()));
        if (checksumIndex >= 0)
            QCOMPARE(view.checkedFrame, kWaterReply.mid(3)); // from its start byte, as received
    }
}

QTEST_APPLESS_MAIN(TestCj188)
#include "tst_cj188.moc"
