#include "cj188.h"
#include "conversions.h"
#include "mbus.h"
#include "recordingtrafficview.h"
#include "trafficstate.h"

#include <QtTest>

namespace {

void placeRingIndexes(TrafficState &state, std::int16_t index)
{
    state.RxWritePos = state.RxTakePos = state.RxPeekPos = index;
}

// The meter commands of both pages, as the buttons run them.
enum Command { kCj188ReadData, kCj188ReadAddress, kMbusReadData, kMbusChangeAddress };

void run(TrafficState &state, int command)
{
    const Cj188Meter water{0x10, Cj188AddressBytes(QStringLiteral("12345678")), {0x33, 0x78}};
    switch (command) {
    case kCj188ReadData:
        return Cj188ReadData(state, water);
    case kCj188ReadAddress:
        return Cj188ReadAddress(state, water.type);
    case kMbusReadData:
        return MbusReadData(state, 0x01);
    case kMbusChangeAddress:
        return MbusChangeAddress(state, 0x05);
    }
}

QByteArray withWrongChecksum(QByteArray reply, qsizetype checksumIndex)
{
    reply[checksumIndex] = char(reply[checksumIndex] ^ 0x01);
    return reply;
}

} // namespace

class TestTrafficState : public QObject
{
    Q_OBJECT
private slots:
    void shouldShowWarnClearCountWriteAndArmInThatOrder_data();
    void shouldShowWarnClearCountWriteAndArmInThatOrder();
    void shouldCountShowAndStoreReceivedBytes_data();
    void shouldCountShowAndStoreReceivedBytes();
    void shouldRestartTheCountersFromZeroAfterAReset();
    void shouldConsumeOrOnlyPeekAtRingBytes();
    void shouldStopDiscardingAtTheWriteIndex();
    void shouldAssembleAFrameAcrossTheRingWrap_data();
    void shouldAssembleAFrameAcrossTheRingWrap();
    void shouldDropTheOldestBytesOnOverrun();
    void shouldAbandonTheFrameUnderAssemblyOnOverrun();
    void shouldNeverTakeBytesFromBeforeARequestForItsReply_data();
    void shouldNeverTakeBytesFromBeforeARequestForItsReply();
    void shouldScaleTheCandidatePauseWithTheBaudRate_data();
    void shouldScaleTheCandidatePauseWithTheBaudRate();
    void shouldAbandonAStalledCandidate_data();
    void shouldAbandonAStalledCandidate();
    void shouldFindNoReplyInRandomBytes_data();
    void shouldFindNoReplyInRandomBytes();
    void shouldDecideAHalfReplyByTheRequestSentMeanwhile_data();
    void shouldDecideAHalfReplyByTheRequestSentMeanwhile();
};

void TestTrafficState::shouldShowWarnClearCountWriteAndArmInThatOrder_data()
{
    QTest::addColumn<bool>("portOpened");
    QTest::addColumn<int>("protocol"); // whose page shows the request
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<int>("replyModeBefore");
    QTest::addColumn<bool>("arms");
    QTest::addColumn<QStringList>("log");
    QTest::addColumn<int>("replyModeAfter");

    const QStringList openLog{"show", "clear", "write"};
    const QByteArray readData = Bytes({0x10, 0x5B, 0x01, 0x5C, 0x16});
    QTest::newRow("port open, arms M-Bus") << true << int(kReplyMbus) << readData << int(kReplyNone)
                                           << true << openLog << int(kReplyMbus);
    QTest::newRow("port closed: frame shown, warned, then cleared, counted, written, armed")
        << false << int(kReplyCj188) << readData << int(kReplyNone) << true
        << QStringList{"show", "warn", "clear", "write"} << int(kReplyCj188);
    QTest::newRow("no reply armed keeps the armed one")
        << true << int(kReplyMbus) << Bytes({0x68, 0x06, 0x06, 0x68, 0x00}) << int(kReplyCj188)
        << false << openLog << int(kReplyCj188);
    QTest::newRow("one byte 00") << true << int(kReplyCj188) << Bytes({0x00}) << int(kReplyMbus)
                                 << true << openLog << int(kReplyCj188);
}

void TestTrafficState::shouldShowWarnClearCountWriteAndArmInThatOrder()
{
    QFETCH(bool, portOpened);
    QFETCH(int, protocol);
    QFETCH(QByteArray, frame);
    QFETCH(int, replyModeBefore);
    QFETCH(bool, arms);
    QFETCH(QStringList, log);
    QFETCH(int, replyModeAfter);

    RecordingTrafficView view;
    view.portOpen = portOpened;
    view.receiveText = QStringLiteral("E5 ");
    TrafficState state = view.newTrafficState();
    state.TxCount = 100;
    state.ReplyMode = std::uint8_t(replyModeBefore);
    std::copy(frame.cbegin(), frame.cend(), state.TxBuf.begin());

    state.SendFrame(std::uint8_t(protocol), int(frame.size()) - 1, arms);

    QCOMPARE(view.log, log);
    const QString shown = protocol == kReplyCj188 ? view.cj188SendText : view.mbusSendText;
    QCOMPARE(shown, HexTrafficText(frame));
    QVERIFY(view.receiveText.isEmpty());
    QCOMPARE(view.writes, QList<QByteArray>{frame});
    QCOMPARE(state.TxCount, 100 + std::int64_t(frame.size()));
    QCOMPARE(view.txCaption, QString::number(100 + frame.size()));
    QCOMPARE(state.ReplyMode, std::uint8_t(replyModeAfter));
    QVERIFY(state.AwaitingReply);
}

void TestTrafficState::shouldCountShowAndStoreReceivedBytes_data()
{
    QTest::addColumn<QList<QByteArray>>("notifications");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("shown");

    QTest::newRow("one notification") << QList<QByteArray>{Bytes({0x68, 0x10, 0xAA})} << "3"
                                      << "68 10 AA ";
    QTest::newRow("notifications add up")
        << QList<QByteArray>{Bytes({0xE5}), Bytes({0x00, 0xFF})} << "3"
        << "E5 00 FF ";
    QTest::newRow("empty notification stores nothing") << QList<QByteArray>{QByteArray()} << "0"
                                                       << "";
}

void TestTrafficState::shouldCountShowAndStoreReceivedBytes()
{
    QFETCH(QList<QByteArray>, notifications);
    QFETCH(QString, caption);
    QFETCH(QString, shown);

    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    for (const QByteArray &bytes : notifications)
        state.ReceiveNotification(bytes);

    QCOMPARE(view.rxCaption, caption);
    QCOMPARE(view.receiveText, shown);
    // No reply awaited: the bytes stay in the ring for a later recognizer.
    QCOMPARE(UnconsumedBytes(state), notifications.join());
    QCOMPARE(state.RxPending, std::uint8_t(shown.isEmpty() ? 0 : 1));
    QCOMPARE(view.checkedReplies, 0);
}

void TestTrafficState::shouldRestartTheCountersFromZeroAfterAReset()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.ReceiveNotification(QByteArray(7, '\x11'));
    MbusReadData(state, 0x01);

    state.ResetRxCount();
    state.ResetTxCount();
    QCOMPARE(view.rxCaption, QStringLiteral("0"));
    QCOMPARE(view.txCaption, QStringLiteral("0"));

    state.ReceiveNotification(QByteArray(2, '\x11'));
    MbusChangeAddress(state, 0x05);
    QCOMPARE(view.rxCaption, QStringLiteral("2"));
    QCOMPARE(view.txCaption, QStringLiteral("12"));
}

void TestTrafficState::shouldConsumeOrOnlyPeekAtRingBytes()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.ReadPortInput(Bytes({0x11, 0x22, 0x33, 0x44}));
    QCOMPARE(state.RxPending, std::uint8_t(1));

    QCOMPARE(state.ClsChar(), std::uint8_t(0x11)); // looked at, not consumed
    QCOMPARE(state.RxRing[0], std::uint8_t(0x11));
    QCOMPARE(state.TakeByte(), std::uint8_t(0x11)); // consumed and cleared
    QCOMPARE(state.RxRing[0], std::uint8_t(0));
    QCOMPARE(state.RxTakePos, std::int16_t(1));

    state.DiscardTo(3);
    QCOMPARE(UnconsumedBytes(state), Bytes({0x44}));
    QCOMPARE(state.RxRing[1], std::uint8_t(0));
    QCOMPARE(state.RxRing[2], std::uint8_t(0));
    QCOMPARE(state.RxPending, std::uint8_t(1));

    state.RxPeekPos = 3;
    QCOMPARE(state.ClsChar(), std::uint8_t(0x44)); // the peek reaches the write index
    QCOMPARE(state.RxPending, std::uint8_t(0));

    state.RxPending = 1;
    QCOMPARE(state.TakeByte(), std::uint8_t(0x44)); // and so does the take
    QCOMPARE(state.RxPending, std::uint8_t(0));
    QVERIFY(UnconsumedBytes(state).isEmpty());
}

void TestTrafficState::shouldStopDiscardingAtTheWriteIndex()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    placeRingIndexes(state, TrafficState::kLastRingIndex - 1);
    state.ReadPortInput(Bytes({0x11, 0x22, 0x33})); // at 2047, 2048, 0

    state.DiscardTo(500);

    QCOMPARE(state.RxTakePos, std::int16_t(1));
    QCOMPARE(state.RxWritePos, std::int16_t(1));
    QCOMPARE(state.RxPending, std::uint8_t(0));
    QCOMPARE(state.RxRing[TrafficState::kLastRingIndex], std::uint8_t(0));
    QCOMPARE(state.RxRing[0], std::uint8_t(0));
}

void TestTrafficState::shouldAssembleAFrameAcrossTheRingWrap_data()
{
    QTest::addColumn<int>("start");
    QTest::newRow("write index wraps mid-frame") << 2030;
    QTest::newRow("start byte at the last index") << 2048;
    QTest::newRow("end byte at the last index") << 2048 - int(kHeatReplyCs + 1);
}

void TestTrafficState::shouldAssembleAFrameAcrossTheRingWrap()
{
    QFETCH(int, start);

    for (const FeedPlan &plan : FeedPlans(kHeatReply.size())) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        placeRingIndexes(state, std::int16_t(start));
        MbusReadData(state, 0x01);

        QCOMPARE(FeedAndDescribe(state, view, kHeatReply, plan),
                 ExpectedOutcome(plan, kHeatReplyCs, QByteArray()));
        QCOMPARE(state.RxTakePos,
                 std::int16_t((start + kHeatReply.size()) % TrafficState::kRingSize));
    }
}

void TestTrafficState::shouldDropTheOldestBytesOnOverrun()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    QByteArray all;
    for (int i = 0; i < TrafficState::kRingSize + 40; ++i)
        all.append(char(i * 7 % 251));

    state.ReceiveNotification(all.left(TrafficState::kRingSize - 1)); // the ring is full
    QCOMPARE(UnconsumedBytes(state), all.left(TrafficState::kRingSize - 1));
    for (qsizetype i = TrafficState::kRingSize - 1; i < all.size(); i += 20)
        state.ReceiveNotification(all.mid(i, 20));

    QCOMPARE(UnconsumedBytes(state), all.right(TrafficState::kRingSize - 1));
    QCOMPARE(view.rxCaption, QString::number(all.size()));
    QCOMPARE(view.receiveText, HexTrafficText(all));
}

void TestTrafficState::shouldAbandonTheFrameUnderAssemblyOnOverrun()
{
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    run(state, kCj188ReadData);

    // A CJ/T 188 frame with L = 0 whose sum B8 is all it still waits for.
    state.ReceiveNotification(
        Bytes({0x68, 0x10, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, 0x81, 0x00}));
    QCOMPARE(state.FramePos, std::int16_t(11));

    // More than the ring holds: the frame's bytes are overwritten, so the B8 bytes must be
    // hunted through as non-start bytes, not taken as its checksum.
    state.ReceiveNotification(QByteArray(TrafficState::kRingSize + 50, '\xB8'));

    QCOMPARE(view.checkedReplies, 0);
    QCOMPARE(state.FramePos, std::int16_t(0));
    QVERIFY(UnconsumedBytes(state).isEmpty());
    QCOMPARE(state.ReplyMode, std::uint8_t(kReplyCj188));
}

void TestTrafficState::shouldNeverTakeBytesFromBeforeARequestForItsReply_data()
{
    QTest::addColumn<int>("firstCommand");
    QTest::addColumn<QByteArray>("before"); // received after the first command
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<qsizetype>("checksumIndex"); // of the reply reported, -1: none

    const QByteArray badWater = withWrongChecksum(kWaterReply, kWaterReplyCs);
    const QByteArray shortReply = Bytes({0x68, 0x03, 0x03, 0x68, 0x08, 0x01, 0x72, 0x7B, 0x16});
    const QByteArray badShortReply = withWrongChecksum(shortReply, 7);
    const QByteArray truncated = shortReply.left(6);
    QTest::newRow("read-address answer, then a bad read-data reply")
        << int(kCj188ReadAddress) << kAddressReply << int(kCj188ReadData) << badWater
        << qsizetype(-1);
    QTest::newRow("read-address answer, then a good read-data reply")
        << int(kCj188ReadAddress) << kAddressReply << int(kCj188ReadData) << kWaterReply
        << kWaterReplyCs;
    QTest::newRow("meter answered twice, then a bad reply")
        << int(kMbusReadData) << shortReply + shortReply << int(kMbusReadData) << badShortReply
        << qsizetype(-1);
    QTest::newRow("truncated reply, then a bad one")
        << int(kMbusReadData) << truncated << int(kMbusReadData) << badShortReply << qsizetype(-1);
    QTest::newRow("truncated reply, then a good one")
        << int(kMbusReadData) << truncated << int(kMbusReadData) << shortReply << qsizetype(7);
    QTest::newRow("half a CJ/T 188 reply, then a bad one")
        << int(kCj188ReadData) << kWaterReply.left(20) << int(kCj188ReadData) << badWater
        << qsizetype(-1);
}

void TestTrafficState::shouldNeverTakeBytesFromBeforeARequestForItsReply()
{
    QFETCH(int, firstCommand);
    QFETCH(QByteArray, before);
    QFETCH(int, command);
    QFETCH(QByteArray, reply);
    QFETCH(qsizetype, checksumIndex);

    for (const FeedPlan &plan : FeedPlans(reply.size())) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        run(state, firstCommand);
        state.ReceiveNotification(before);
        run(state, command);

        QCOMPARE(FeedAndDescribe(state, view, reply, plan),
                 ExpectedOutcome(plan, checksumIndex, QByteArray()));
    }
}

void TestTrafficState::shouldScaleTheCandidatePauseWithTheBaudRate_data()
{
    QTest::addColumn<int>("baudRate");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("300: 22 characters of 11 bits") << 300 << 807;
    QTest::newRow("2400, rounded up") << 2400 << 101;
    QTest::newRow("9600: at least 50 ms") << 9600 << 50;
}

void TestTrafficState::shouldScaleTheCandidatePauseWithTheBaudRate()
{
    QFETCH(int, baudRate);
    QFETCH(int, pauseMs);
    QCOMPARE(TrafficState::CandidatePauseMs(baudRate), pauseMs);
}

void TestTrafficState::shouldAbandonAStalledCandidate_data()
{
    QTest::addColumn<int>("command");
    QTest::addColumn<QByteArray>("stream"); // a false start, then a good reply

    // The false start's L (34, from the reply's address) asks for more bytes than ever come.
    QTest::newRow("CJ/T 188") << int(kCj188ReadData) << Bytes({0x68, 0x00, 0x20}) + kWaterReply;
    QTest::newRow("M-Bus") << int(kMbusReadData)
                           << Bytes({0x68, 0x20, 0x20, 0x68, 0x08}) + kHeatReply;
}

void TestTrafficState::shouldAbandonAStalledCandidate()
{
    QFETCH(int, command);
    QFETCH(QByteArray, stream);

    std::int64_t now = 1000;
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    state.setClock([&now] { return now; });
    state.setBaudRate(2400); // a pause of 101 ms
    run(state, command);
    QCOMPARE(state.AbandonStaleCandidate(), -1);

    state.ReceiveNotification(stream.chopped(1));
    now += 60;
    state.ReceiveNotification(stream.right(1)); // the pause starts again
    QCOMPARE(state.AbandonStaleCandidate(), 101);
    now += 100;
    QCOMPARE(state.AbandonStaleCandidate(), 1);
    QCOMPARE(view.checkedReplies, 0);

    now += 1;
    QCOMPARE(state.AbandonStaleCandidate(), -1);
    QCOMPARE(view.checkedReplies, 1);
    QVERIFY(UnconsumedBytes(state).isEmpty());
}

void TestTrafficState::shouldFindNoReplyInRandomBytes_data()
{
    QTest::addColumn<int>("mbusAddress"); // -1: a CJ/T 188 request

    QTest::newRow("CJ/T 188") << -1;
    QTest::newRow("M-Bus to 01") << 0x01;
    QTest::newRow("M-Bus to FE, any meter") << 0xFE;
}

void TestTrafficState::shouldFindNoReplyInRandomBytes()
{
    QFETCH(int, mbusAddress);

    // A meter at the wrong baud rate or a noisy line: a checksum alone passes once in 256
    // candidates.
    RecordingTrafficView view;
    TrafficState state = view.newTrafficState();
    if (mbusAddress < 0)
        run(state, kCj188ReadData);
    else
        MbusReadData(state, std::uint8_t(mbusAddress));
    QRandomGenerator random(7);
    constexpr qsizetype kNoise = 256 * 1024;
    for (qsizetype fed = 0; fed < kNoise;) {
        QByteArray chunk(random.bounded(1, 4096), Qt::Uninitialized);
        for (char &c : chunk)
            c = char(random.bounded(256));
        state.ReceiveNotification(chunk);
        fed += chunk.size();
    }
    QCOMPARE(view.checkedReplies, 0);
    QVERIFY(state.AwaitingReply);
}

void TestTrafficState::shouldDecideAHalfReplyByTheRequestSentMeanwhile_data()
{
    QTest::addColumn<int>("armingCommand");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("midCommand");
    QTest::addColumn<QByteArray>("then"); // received after the rest of the reply
    QTest::addColumn<bool>("accepted");   // one checked reply, of `reply` or else of `then`

    const QByteArray none;
    // A new read-data request gives up the reply to the last one.
    QTest::newRow("CJ/T 188 reply, read-data request in between")
        << int(kCj188ReadData) << kWaterReply << int(kCj188ReadData) << none << false;
    QTest::newRow("M-Bus reply, read-data request in between")
        << int(kMbusReadData) << kHeatReply << int(kMbusReadData) << none << false;
    QTest::newRow("CJ/T 188 reply, read-address request in between")
        << int(kCj188ReadData) << kWaterReply << int(kCj188ReadAddress) << none << true;
    QTest::newRow("CJ/T 188 reply with a wrong checksum, read-address request in between")
        << int(kCj188ReadData) << withWrongChecksum(kWaterReply, kWaterReplyCs)
        << int(kCj188ReadAddress) << none << false;
    QTest::newRow("M-Bus reply, change-address request in between")
        << int(kMbusReadData) << kHeatReply << int(kMbusChangeAddress) << none << true;
    QTest::newRow("M-Bus reply with a wrong checksum, change-address request in between")
        << int(kMbusReadData) << withWrongChecksum(kHeatReply, kHeatReplyCs)
        << int(kMbusChangeAddress) << none << false;
    // Switching the recognizer drops the half frame; the other protocol's reply is found.
    QTest::newRow("CJ/T 188 reply, M-Bus read-data request in between, then its reply")
        << int(kCj188ReadData) << kWaterReply << int(kMbusReadData) << kHeatReply << true;
    QTest::newRow("M-Bus reply, CJ/T 188 read-data request in between, then its reply")
        << int(kMbusReadData) << kHeatReply << int(kCj188ReadData) << kWaterReply << true;
}

void TestTrafficState::shouldDecideAHalfReplyByTheRequestSentMeanwhile()
{
    QFETCH(int, armingCommand);
    QFETCH(QByteArray, reply);
    QFETCH(int, midCommand);
    QFETCH(QByteArray, then);
    QFETCH(bool, accepted);

    // The request goes out after the reply's start byte and before its checksum byte.
    const qsizetype start = reply.indexOf('\x68');
    const qsizetype checksumIndex = reply.size() - 2;
    for (qsizetype split = start + 1; split <= checksumIndex; ++split) {
        RecordingTrafficView view;
        TrafficState state = view.newTrafficState();
        run(state, armingCommand);
        state.ReceiveNotification(reply.left(split));
        run(state, midCommand);
        state.ReceiveNotification(reply.mid(split));
        const int beforeThen = view.checkedReplies;
        state.ReceiveNotification(then);
        QVERIFY2(view.checkedReplies == (accepted ? 1 : 0), qPrintable(QString::number(split)));
        QVERIFY(then.isEmpty() || beforeThen == 0);
    }
}

QTEST_APPLESS_MAIN(TestTrafficState)
#include "tst_trafficstate.moc"
