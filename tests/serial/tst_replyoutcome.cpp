#include "cj188.h"
#include "mbus.h"
#include "meterrequests.h"
#include "recordingtrafficview.h"
#include "replyoutcome.h"
#include "trafficstate.h"

#include <QtTest>

namespace {

constexpr int kBaud = 2400;

QByteArray withSum(QByteArray frame, qsizetype sumStart, qsizetype checksumIndex)
{
    frame[checksumIndex] = SumOf(frame.sliced(sumStart, checksumIndex - sumStart));
    return frame;
}

// A read-data request of `protocol`, what comes back for it, and how it must end.
struct Exchange
{
    std::uint8_t protocol;
    QByteArray received;
    ReplyVerdict verdict;
    int echoes;
};

void sendRead(TrafficState &state, std::uint8_t protocol)
{
    if (protocol == kReplyCj188)
        Cj188ReadData(state, {0x10, Cj188AddressBytes(QStringLiteral("12345678")), {0x33, 0x78}});
    else
        MbusReadData(state, 0x01);
}

// Runs the clock to the reply's outcome, as the session's timer does.
void runToOutcome(TrafficState &state, std::int64_t &now)
{
    for (int due = state.CheckReplyDeadline(); due >= 0; due = state.CheckReplyDeadline())
        now += due;
}

// A traffic state on a recording view, with a clock the test moves, at 2400 baud.
struct Line
{
    RecordingTrafficView view;
    TrafficState state{view.newTrafficState()};
    std::int64_t now = 0;

    Line()
    {
        state.setClock([this] { return now; });
        state.setBaudRate(kBaud);
    }
};

} // namespace

Q_DECLARE_METATYPE(Exchange)
Q_DECLARE_METATYPE(ReplyVerdict)

class TestReplyOutcome : public QObject
{
    Q_OBJECT
private slots:
    void shouldEndEveryReadInExactlyOneOutcome_data();
    void shouldEndEveryReadInExactlyOneOutcome();
    void shouldEndThePreviousReadFirstWhenTheNextGoesOut();
    void shouldGiveAReplyUnderWayTheTimeOfItsLongestFrame();
    void shouldNameTheMeterThatAnswersTheAddressRequest_data();
    void shouldNameTheMeterThatAnswersTheAddressRequest();
};

void TestReplyOutcome::shouldEndEveryReadInExactlyOneOutcome_data()
{
    QTest::addColumn<Exchange>("exchange");
    QTest::addColumn<QList<qsizetype>>("ends");
    const QByteArray water = kWaterReply;
    QByteArray otherWater = water;
    otherWater[5] = '\x99'; // A0 of another meter
    otherWater = withSum(otherWater, 3, kWaterReplyCs);
    QByteArray otherHeat = kHeatReply;
    otherHeat[5] = '\x02';
    otherHeat = withSum(otherHeat, 4, kHeatReplyCs);
    QByteArray badWater = water;
    badWater[kWaterReplyCs] = '\x00';
    const QByteArray cjEcho = kCj188ReadData;
    const QByteArray mbusEcho = Hex("10 5B 01 5C 16");
    const QByteArray noise = Hex("01 02 03 04 05 06");
    const QList<std::pair<const char *, Exchange>> rows = {
        {"cj188 nothing", {kReplyCj188, {}, ReplyVerdict::Nothing, 0}},
        {"cj188 part", {kReplyCj188, water.first(25), ReplyVerdict::Incomplete, 0}},
        {"cj188 bad checksum", {kReplyCj188, badWater, ReplyVerdict::BadChecksum, 0}},
        {"cj188 other address", {kReplyCj188, otherWater, ReplyVerdict::NotThisMeter, 0}},
        {"cj188 noise", {kReplyCj188, noise, ReplyVerdict::Unrecognised, 0}},
        {"cj188 echo only", {kReplyCj188, cjEcho, ReplyVerdict::Nothing, 1}},
        {"cj188 echo then reply", {kReplyCj188, cjEcho + water, ReplyVerdict::Checked, 1}},
        {"cj188 reply then echo", {kReplyCj188, water + cjEcho, ReplyVerdict::Checked, 0}},
        {"mbus nothing", {kReplyMbus, {}, ReplyVerdict::Nothing, 0}},
        {"mbus part", {kReplyMbus, kHeatReply.first(12), ReplyVerdict::Incomplete, 0}},
        {"mbus other address", {kReplyMbus, otherHeat, ReplyVerdict::NotThisMeter, 0}},
        {"mbus noise", {kReplyMbus, noise, ReplyVerdict::Unrecognised, 0}},
        {"mbus echo then reply", {kReplyMbus, mbusEcho + kHeatReply, ReplyVerdict::Checked, 1}},
        {"mbus reply then echo", {kReplyMbus, kHeatReply + mbusEcho, ReplyVerdict::Checked, 0}},
    };
    for (const auto &[name, exchange] : rows) {
        for (const FeedPlan &plan : FeedPlans(exchange.received.size()))
            QTest::addRow("%s, %s", name, qPrintable(plan.name)) << exchange << plan.ends;
    }
}

void TestReplyOutcome::shouldEndEveryReadInExactlyOneOutcome()
{
    QFETCH(Exchange, exchange);
    QFETCH(QList<qsizetype>, ends);
    Line line;
    auto &[view, state, now] = line;
    now = 1000;
    sendRead(state, exchange.protocol);
    const std::int64_t requestEnd =
        now + TrafficState::LineTimeMs(int(view.writes.last().size()), kBaud);

    // Every notification arrives 150 ms after the last request byte.
    now = requestEnd + 150;
    qsizetype begin = 0;
    for (const qsizetype end : ends) {
        state.ReceiveNotification(exchange.received.sliced(begin, end - begin));
        begin = end;
    }
    runToOutcome(state, now);

    QCOMPARE(view.outcomes.size(), 1);
    const ReplyOutcome &outcome = view.outcomes.first();
    QCOMPARE(outcome.protocol, exchange.protocol);
    QCOMPARE(outcome.verdict, exchange.verdict);
    QCOMPARE(view.log.count(QStringLiteral("echo")), exchange.echoes);
    if (exchange.verdict == ReplyVerdict::Checked) {
        QCOMPARE(outcome.responseMs, 150);
        QCOMPARE(view.checkedFrame.right(2),
                 (exchange.protocol == kReplyCj188 ? kWaterReply : kHeatReply).right(2));
        // The echo's line comes after the echo's own checked frame and before the reply.
        if (exchange.echoes == 1)
            QVERIFY(view.log.indexOf(QStringLiteral("echo")) <
                    view.log.indexOf(QStringLiteral("outcome")));
    }
    if (exchange.verdict == ReplyVerdict::BadChecksum) {
        QCOMPARE(outcome.receivedSum, 0x00);
        QCOMPARE(outcome.expectedSum, std::uint8_t(kWaterReply[kWaterReplyCs]));
    }
    // Later bytes belong to no request.
    state.ReceiveNotification(kWaterReply);
    runToOutcome(state, now);
    QCOMPARE(view.outcomes.size(), 1);
}

void TestReplyOutcome::shouldEndThePreviousReadFirstWhenTheNextGoesOut()
{
    Line line;
    auto &[view, state, now] = line;
    sendRead(state, kReplyCj188);
    now += 10;
    view.log.clear();
    sendRead(state, kReplyCj188);
    QCOMPARE(view.log.first(2), (QStringList{QStringLiteral("outcome"), QStringLiteral("show")}));
    QCOMPARE(view.outcomes.first().verdict, ReplyVerdict::Nothing);
    // A request that arms nothing leaves the awaited reply awaited.
    Cj188ReadAddress(state, 0x10);
    QCOMPARE(view.outcomes.size(), 1);
    runToOutcome(state, now);
    QCOMPARE(view.outcomes.size(), 2);
}

void TestReplyOutcome::shouldGiveAReplyUnderWayTheTimeOfItsLongestFrame()
{
    Line line;
    auto &[view, state, now] = line;
    state.setReplyTimeoutMs(300);
    sendRead(state, kReplyCj188);
    const int due = state.CheckReplyDeadline();
    QCOMPARE(due, 300 + TrafficState::LineTimeMs(int(kCj188ReadData.size()), kBaud));
    now += due - 1;
    state.ReceiveNotification(kWaterReply.first(20));
    now += 1;
    const int extra = state.CheckReplyDeadline();
    QCOMPARE(extra, TrafficState::LineTimeMs(TrafficState::kFrameBufSize, kBaud));
    now += extra - 1;
    state.ReceiveNotification(kWaterReply.sliced(20));
    QCOMPARE(view.outcomes.size(), 1);
    QCOMPARE(view.outcomes.first().verdict, ReplyVerdict::Checked);
}

void TestReplyOutcome::shouldNameTheMeterThatAnswersTheAddressRequest_data()
{
    QTest::addColumn<QByteArray>("received");
    QTest::addColumn<ReplyVerdict>("verdict"); // Checked: the meter 0012345678 of maker 3378
    QTest::addColumn<QList<qsizetype>>("ends");
    QByteArray swapped = kAddressReply;
    std::swap(swapped[11], swapped[12]); // DI 810A high byte first; the sum stays
    QByteArray badSum = kAddressReply;
    badSum[14] = '\x48';
    const QList<std::tuple<const char *, QByteArray, ReplyVerdict>> rows = {
        {"DI low byte first", Hex("FE FE") + kAddressReply, ReplyVerdict::Checked},
        {"DI high byte first", swapped, ReplyVerdict::Checked},
        {"after the echo", kCj188ReadAddress + kAddressReply, ReplyVerdict::Checked},
        {"echo only", kCj188ReadAddress, ReplyVerdict::Nothing},
        {"bad checksum", badSum, ReplyVerdict::BadChecksum},
        {"a read-data reply", kWaterReply, ReplyVerdict::NotThisMeter},
        {"part", kAddressReply.first(12), ReplyVerdict::Incomplete},
    };
    for (const auto &[name, received, verdict] : rows) {
        for (const FeedPlan &plan : FeedPlans(received.size()))
            QTest::addRow("%s, %s", name, qPrintable(plan.name))
                << received << verdict << plan.ends;
    }
    QTest::addRow("nothing") << QByteArray() << ReplyVerdict::Nothing << QList<qsizetype>();
}

void TestReplyOutcome::shouldNameTheMeterThatAnswersTheAddressRequest()
{
    QFETCH(QByteArray, received);
    QFETCH(ReplyVerdict, verdict);
    QFETCH(QList<qsizetype>, ends);
    struct AddressView : RecordingTrafficView
    {
        void showMeterAddress(const MeterProtocol &, const MeterIdentity &identity) override
        {
            identities << identity;
        }
        void showAddressOutcome(const ReplyOutcome &outcome) override { outcomes << outcome; }
        QList<MeterIdentity> identities;
    } view;
    TrafficState state = view.newTrafficState();
    std::int64_t now = 0;
    state.setClock([&now] { return now; });
    Cj188ReadAddress(state, 0x10);
    qsizetype begin = 0;
    for (const qsizetype end : ends) {
        state.ReceiveNotification(received.sliced(begin, end - begin));
        begin = end;
    }
    for (int due = state.CheckAddressDeadline(); due >= 0; due = state.CheckAddressDeadline())
        now += due;

    if (verdict == ReplyVerdict::Checked) {
        QCOMPARE(view.identities, QList<MeterIdentity>({{"0012345678", "10", "3378"}}));
        QVERIFY(view.outcomes.isEmpty());
    } else {
        QVERIFY(view.identities.isEmpty());
        QCOMPARE(view.outcomes.size(), 1);
        QCOMPARE(view.outcomes.first().verdict, verdict);
    }
    // The read-data recognizer stays unarmed: nothing was taken for a read-data reply.
    QCOMPARE(view.checkedReplies, 0);
    QCOMPARE(state.ReplyMode, kReplyNone);
}

QTEST_GUILESS_MAIN(TestReplyOutcome)
#include "tst_replyoutcome.moc"
