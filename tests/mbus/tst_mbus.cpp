#include "cj188.h"
#include "conversions.h"
#include "mbus.h"
#include "meterfields.h"
#include "recordingtrafficview.h"
#include "trafficstate.h"

#include <QtTest>

namespace {

// The smallest RSP_UD: C A CI and no data records.
const QByteArray kShortReply = Bytes({
    0x68, 0x03, 0x03, 0x68, // start, L, L, start
    0x08, 0x01, 0x72,       // C: RSP_UD, A: 1, CI: variable data
    0x7B,                   // CS over C..CI
    0x16,                   // stop
});
constexpr qsizetype kShortReplyCs = 7;

const QByteArray kChangeAddressTo05 = Bytes({
    0x68, 0x06, 0x06, 0x68, // start, L, L, start
    0x53, 0xFE, 0x51,       // C: SND_UD, A: point to point, CI: data send
    0x01, 0x7A, 0x05,       // DIF 8-bit, VIF bus address, new address 05
    0x22,                   // CS
    0x16,                   // stop
});

// An RSP_UD from address 1 with L = `length`: C A CI and length - 3 data bytes.
QByteArray longReply(int length)
{
    QByteArray frame = Bytes({0x68, length, length, 0x68, 0x08, 0x01, 0x72});
    for (int i = 3; i < length; ++i)
        frame.append(char(i));
    frame.append(SumOf(frame.mid(4)));
    frame.append(char(0x16));
    return frame;
}

QByteArray withStop(QByteArray frame, char stop)
{
    frame[frame.size() - 1] = stop;
    return frame;
}

// The smallest RSP_UD with control field `c` from primary address `a`.
QByteArray shortReply(int c, int a)
{
    QByteArray frame = Bytes({0x68, 0x03, 0x03, 0x68, c, a, 0x72});
    return frame + SumOf(frame.mid(4)) + char(0x16);
}

} // namespace

// The reply time-out: 330 bit times rounded up to whole milliseconds, plus 50 ms.
static_assert(MbusReplyTimeoutMs(300) == 1150);
static_assert(MbusReplyTimeoutMs(2400) == 188); // 137.5 ms of bits
static_assert(MbusReplyTimeoutMs(9600) == 85);  // 34.375 ms of bits
static_assert(MbusReplyTimeoutMs(38400) == 59);

class TestMbus : public QObject
{
    Q_OBJECT
private slots:
    void shouldBuildTheReqUd2ShortFrame_data();
    void shouldBuildTheReqUd2ShortFrame();
    void shouldBuildTheChangeAddressFrameAndKeepTheReplyMode_data();
    void shouldBuildTheChangeAddressFrameAndKeepTheReplyMode();
    void shouldReportOnlyACheckedLongFrame_data();
    void shouldReportOnlyACheckedLongFrame();
    void shouldNeverCheckTheAnswerToAChangeOfAddress();
    void shouldAcceptOnlyTheRspUdOfTheMeterAsked_data();
    void shouldAcceptOnlyTheRspUdOfTheMeterAsked();
};

void TestMbus::shouldBuildTheReqUd2ShortFrame_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QByteArray>("frame");
    // start, C: REQ_UD2, A, CS, stop
    QTest::newRow("empty address is 00") << "" << Bytes({0x10, 0x5B, 0x00, 0x5B, 0x16});
    QTest::newRow("single digit") << "1" << Bytes({0x10, 0x5B, 0x01, 0x5C, 0x16});
    QTest::newRow("lower case fe") << "fe" << Bytes({0x10, 0x5B, 0xFE, 0x59, 0x16});
    QTest::newRow("upper case FE") << "FE" << Bytes({0x10, 0x5B, 0xFE, 0x59, 0x16});
    QTest::newRow("checksum wraps to 00") << "A5" << Bytes({0x10, 0x5B, 0xA5, 0x00, 0x16});
}

void TestMbus::shouldBuildTheReqUd2ShortFrame()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, frame);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.TxBuf.fill(0x42);

    MbusReadData(state, MbusAddressOfText(address));
    MbusReadData(state, MbusAddressOfText(address)); // the frame count bit is never toggled

    QCOMPARE(TxFrame(state, kMbusReadDataLastIndex), frame);
    QCOMPARE(state.TxBuf[kMbusReadDataLastIndex + 1], std::uint8_t(0x42));
    QCOMPARE(view.writes, QList<QByteArray>({frame, frame}));
    QCOMPARE(view.mbusSendText, HexTrafficText(frame));
    QCOMPARE(view.txCaption, QStringLiteral("10"));
    QCOMPARE(state.ReplyMode, std::uint8_t(kReplyMbus));
    QVERIFY(state.AwaitingReply);
}

void TestMbus::shouldBuildTheChangeAddressFrameAndKeepTheReplyMode_data()
{
    QTest::addColumn<QString>("newAddress");
    QTest::addColumn<int>("replyMode");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("new address 05, idle") << "05" << int(kReplyNone) << kChangeAddressTo05;
    QTest::newRow("empty is 00, CJ/T 188 reply awaited")
        << "" << int(kReplyCj188)
        << Bytes({0x68, 0x06, 0x06, 0x68, 0x53, 0xFE, 0x51, 0x01, 0x7A, 0x00, 0x1D, 0x16});
}

void TestMbus::shouldBuildTheChangeAddressFrameAndKeepTheReplyMode()
{
    QFETCH(QString, newAddress);
    QFETCH(int, replyMode);
    QFETCH(QByteArray, frame);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.ReplyMode = std::uint8_t(replyMode);

    MbusChangeAddress(state, MbusAddressOfText(newAddress));

    QCOMPARE(TxFrame(state, kMbusChangeAddressLastIndex), frame);
    QCOMPARE(view.writes, QList<QByteArray>{frame});
    QCOMPARE(view.mbusSendText, HexTrafficText(frame));
    QCOMPARE(state.ReplyMode, std::uint8_t(replyMode));
    QVERIFY(state.AwaitingReply);
}

void TestMbus::shouldReportOnlyACheckedLongFrame_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<qsizetype>("checksumIndex"); // of the reply reported, -1: none
    QTest::addColumn<QByteArray>("left");         // unconsumed in the ring at the end

    const QByteArray none;
    QTest::newRow("shortest RSP_UD") << kShortReply << kShortReplyCs << none;
    QTest::newRow("RSP_UD with a record") << kHeatReply << kHeatReplyCs << none;
    QTest::newRow("noise before the reply is dropped")
        << Bytes({0x00, 0xFF}) + kShortReply << kShortReplyCs + 2 << none;
    QTest::newRow("wrong checksum is rejected")
        << Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01, 0x72, 0x7C, 0x16}) << qsizetype(-1)
        << QByteArray();
    // The checksum over C..CI would hold in each of these, but they are not long frames.
    QTest::newRow("L bytes differ") << Bytes({0x68, 0x05, 0x03, 0x68, 0x08, 0x01, 0x72, 0x7B, 0x16})
                                    << qsizetype(-1) << QByteArray();
    QTest::newRow("fourth byte is not 68")
        << Bytes({0x68, 0x03, 0x03, 0x00, 0x08, 0x01, 0x72, 0x7B, 0x16}) << qsizetype(-1)
        << QByteArray();
    // A truncated reply, then one with a wrong checksum: the candidate 68 08 01 68 03 03 ...
    // spliced from both would pass its checksum.
    QTest::newRow("truncated reply, then a bad one")
        << Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01}) +
               Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01, 0x72, 0x00, 0x16})
        << qsizetype(-1) << QByteArray();
    QTest::newRow("truncated reply, then a good one")
        << Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01}) + kShortReply << kShortReplyCs + 6 << none;
    QTest::newRow("E5 acknowledgement is dropped")
        << Bytes({0xE5}) << qsizetype(-1) << QByteArray();
    QTest::newRow("echo of the change-address request is not an RSP_UD")
        << kChangeAddressTo05 << qsizetype(-1) << none;
    QTest::newRow("stop byte other than 16 is rejected")
        << withStop(kShortReply, 0x00) << qsizetype(-1) << none;
    QTest::newRow("echo of the read-data request is dropped")
        << Bytes({0x10, 0x5B, 0x01, 0x5C, 0x16}) << qsizetype(-1) << QByteArray();
    QTest::newRow("L = 0 is never accepted")
        << Bytes({0x68, 0x00, 0x00, 0x68, 0xD0, 0x16}) << qsizetype(-1) << QByteArray();
    for (int length = 251; length <= 255; ++length) {
        QTest::addRow("full-size reply, L = %d", length)
            << longReply(length) << qsizetype(length + 4) << none;
    }
    // The stray 68 takes its L from the byte two places on (03) and fails at the reply's CI.
    QTest::newRow("stray 68 ahead of the reply")
        << Bytes({0x68}) + kShortReply << kShortReplyCs + 1 << none;
    QTest::newRow("two replies: first reported, second stays unread")
        << kShortReply + kHeatReply << kShortReplyCs << kHeatReply;
}

void TestMbus::shouldReportOnlyACheckedLongFrame()
{
    QFETCH(QByteArray, stream);
    QFETCH(qsizetype, checksumIndex);
    QFETCH(QByteArray, left);

    for (const FeedPlan &plan : FeedPlans(stream.size())) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        MbusReadData(state, 0x01);

        QCOMPARE(FeedAndDescribe(state, view, stream, plan),
                 ExpectedOutcome(plan, checksumIndex, left));
        QCOMPARE(state.ReplyMode, std::uint8_t(checksumIndex < 0 ? kReplyMbus : kReplyNone));
        QCOMPARE(state.AwaitingReply, checksumIndex < 0);
    }
}

void TestMbus::shouldNeverCheckTheAnswerToAChangeOfAddress()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();

    MbusChangeAddress(state, 0x05);
    const QByteArray answers = Bytes({0xE5}) + kChangeAddressTo05;
    state.ReceiveNotification(answers);

    QCOMPARE(view.checkedReplies, 0);
    QCOMPARE(view.receiveText, HexTrafficText(answers));
    QCOMPARE(UnconsumedBytes(state), answers);
    QCOMPARE(state.ReplyMode, std::uint8_t(kReplyNone));
    QVERIFY(state.AwaitingReply);
}

void TestMbus::shouldAcceptOnlyTheRspUdOfTheMeterAsked_data()
{
    QTest::addColumn<QString>("address"); // the REQ_UD2 went to
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("RSP_UD, FCB set") << "01" << shortReply(0x28, 0x01) << true;
    QTest::newRow("RSP_UD, ACD and DFC set") << "01" << shortReply(0x38, 0x01) << true;
    QTest::newRow("RSP_UD, DFC set") << "01" << shortReply(0x18, 0x01) << true;
    QTest::newRow("not an RSP_UD: C 48") << "01" << shortReply(0x48, 0x01) << false;
    QTest::newRow("not an RSP_UD: C 0A") << "01" << shortReply(0x0A, 0x01) << false;
    QTest::newRow("another meter") << "01" << shortReply(0x08, 0x02) << false;
    QTest::newRow("address 00") << "00" << shortReply(0x08, 0x00) << true;
    QTest::newRow("point to point: any meter") << "FE" << shortReply(0x08, 0x09) << true;
    QTest::newRow("broadcast: any meter") << "FF" << shortReply(0x08, 0x09) << true;
    QTest::newRow("secondary addressing: any meter") << "FD" << shortReply(0x08, 0x09) << true;
}

void TestMbus::shouldAcceptOnlyTheRspUdOfTheMeterAsked()
{
    QFETCH(QString, address);
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    MbusReadData(state, MbusAddressOfText(address));
    state.ReceiveNotification(reply);
    QCOMPARE(view.checkedReplies, accepted ? 1 : 0);
}

QTEST_APPLESS_MAIN(TestMbus)
#include "tst_mbus.moc"
