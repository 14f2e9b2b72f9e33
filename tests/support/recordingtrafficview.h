#pragma once

#include "cj188.h"
#include "conversions.h"
#include "mbus.h"
#include "meterprotocols.h"
#include "trafficstate.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <initializer_list>

// The window side of the traffic path, recorded: what is shown, and what the port is asked.
// `log` keeps the order of the visible steps of a send: "show", "warn", "clear", "write".
class RecordingTrafficView : public TrafficView, public TrafficPort
{
public:
    void setSendAreaText(std::uint8_t protocol, const QString &text) override
    {
        (protocol == kReplyCj188 ? cj188SendText : mbusSendText) = text;
        log << QStringLiteral("show");
    }
    void clearReplyAreas() override
    {
        receiveText.clear();
        log << QStringLiteral("clear");
    }
    void appendReceiveText(const QString &text) override { receiveText += text; }
    void showCheckedReply(const MeterProtocol &protocol, const QByteArray &frame) override
    {
        ++checkedReplies;
        checkedProtocol = protocol.id;
        checkedFrame = frame;
    }
    void setTxCaption(const QString &text) override { txCaption = text; }
    void setRxCaption(const QString &text) override { rxCaption = text; }
    void showEcho(const MeterProtocol &, const QByteArray &) override
    {
        log << QStringLiteral("echo");
    }
    void showOutcome(const ReplyOutcome &outcome) override
    {
        outcomes << outcome;
        log << QStringLiteral("outcome");
    }

    // A traffic state that shows on this view and writes to it, with every protocol registered
    // as the meter session registers them.
    TrafficState newTrafficState()
    {
        TrafficState state(this, this);
        for (const MeterProtocol *protocol : MeterProtocols())
            state.addProtocol(*protocol);
        return state;
    }

    bool isOpen() const override { return portOpen; }
    void warnClosed() override { log << QStringLiteral("warn"); }
    // A closed port fails the write.
    bool write(const QByteArray &bytes) override
    {
        writes << bytes;
        log << QStringLiteral("write");
        return portOpen;
    }

    bool portOpen = true;
    QString cj188SendText;
    QString mbusSendText;
    QString receiveText;
    int checkedReplies = 0;
    std::uint8_t checkedProtocol = kReplyNone;
    QByteArray checkedFrame; // the frame of the last checked reply
    QString txCaption;
    QString rxCaption;
    QList<QByteArray> writes;
    QList<ReplyOutcome> outcomes;
    QStringList log;
};

// TxBuf[0..lastIndex]: the request as the last command built it.
inline QByteArray TxFrame(const TrafficState &state, int lastIndex)
{
    return QByteArray(reinterpret_cast<const char *>(state.TxBuf.data()), lastIndex + 1);
}

// Bytes written as a list of byte values, so that test frames can carry one comment per field.
inline QByteArray Bytes(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int v : values)
        bytes.append(char(v));
    return bytes;
}

// The answer to the read-address request.
inline const QByteArray kAddressReply = Bytes({
    0x68, 0x10, 0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // start, T, A0..A6
    0x83, 0x03,                                           // C: answer to read address, L
    0x0A, 0x81, 0x01,                                     // DI0 DI1 (810A), SER
    0x49, 0x16,                                           // CS, end
});

// The checksum of both protocols over `bytes`.
inline char SumOf(const QByteArray &bytes)
{
    return char(SumByte(bytes, 0, bytes.size()));
}

// An M-Bus RSP_UD of a heat meter with one energy record.
inline const QByteArray kHeatReply = Bytes({
    0x68, 0x15, 0x15, 0x68,             // start, L = 21, L, start
    0x08, 0x01, 0x72,                   // C, A, CI
    0x78, 0x56, 0x34, 0x12,             // identification 12345678
    0x24, 0x40, 0x01, 0x04,             // manufacturer, version, medium: heat
    0x2A, 0x00, 0x00, 0x00,             // access number, status, signature
    0x04, 0x06, 0x39, 0x30, 0x00, 0x00, // DIF 32-bit, VIF energy kWh, 12345
    0x95,                               // CS
    0x16,                               // stop
});

inline constexpr qsizetype kHeatReplyCs = 25;

// The answer of a cold-water meter 12345678 to the read-data request.
inline const QByteArray kWaterReply = Bytes({
    0xFE, 0xFE, 0xFE,                         // wake-up
    0x68,                                     // start
    0x10,                                     // T: cold water
    0x78, 0x56, 0x34, 0x12, 0x00, 0x33, 0x78, // A0..A6
    0x81,                                     // C: answer to read data
    0x16,                                     // L: 22 data bytes
    0x1F, 0x90, 0x01,                         // DI0 DI1 SER
    0x00, 0x12, 0x34, 0x00, 0x2C,             // current volume 3412.00 m3
    0x00, 0x10, 0x30, 0x00, 0x2C,             // volume on settlement day
    0x00, 0x30, 0x10, 0x09, 0x12, 0x26, 0x20, // clock 2026-12-09 10:30:00
    0x00, 0x00,                               // status
    0xFD,                                     // CS
    0x16,                                     // end
});
inline constexpr qsizetype kWaterReplyCs = 36;

// The bytes held in the receive ring and not consumed yet, oldest first.
inline QByteArray UnconsumedBytes(const TrafficState &state)
{
    QByteArray bytes;
    for (auto i = state.RxTakePos; i != state.RxWritePos; i = TrafficState::NextRingIndex(i))
        bytes.append(char(state.RxRing[i]));
    return bytes;
}

// How a byte stream is cut into receive notifications: `ends` are the stream offsets at which
// the notifications end, the last one being the stream's size.
struct FeedPlan
{
    QString name;
    QList<qsizetype> ends;
};

// Every way a streaming case is fed: whole, byte by byte, and split in two at every offset.
inline QList<FeedPlan> FeedPlans(qsizetype size)
{
    QList<FeedPlan> plans;
    plans << FeedPlan{QStringLiteral("whole"), {size}};
    FeedPlan single{QStringLiteral("byte by byte"), {}};
    for (qsizetype i = 1; i <= size; ++i)
        single.ends << i;
    plans << single;
    for (qsizetype i = 1; i < size; ++i)
        plans << FeedPlan{QStringLiteral("split at %1").arg(i), {i, size}};
    return plans;
}

// Feeds `stream` to the receive path as `plan` cuts it and tells what happened, for comparison
// with ExpectedOutcome: where the checked reply was reported and what stayed in the ring.
inline QString FeedAndDescribe(TrafficState &state, const RecordingTrafficView &view,
                               const QByteArray &stream, const FeedPlan &plan)
{
    QStringList reports;
    qsizetype from = 0;
    for (const qsizetype end : plan.ends) {
        const int before = view.checkedReplies;
        state.ReceiveNotification(stream.mid(from, end - from));
        if (view.checkedReplies != before)
            reports << QStringLiteral("checked after byte %1").arg(end);
        from = end;
    }
    return QStringLiteral("%1: [%2] left %3")
        .arg(plan.name, reports.join(QStringLiteral(", ")),
             QString::fromLatin1(UnconsumedBytes(state).toHex(' ')));
}

// The outcome FeedAndDescribe gives when the reply's checksum byte is at `checksumIndex` of the
// stream (-1: nothing is accepted), so that it is reported once its end byte after it is in, and
// `left` stays in the ring.
inline QString ExpectedOutcome(const FeedPlan &plan, qsizetype checksumIndex,
                               const QByteArray &left)
{
    QString report;
    if (checksumIndex >= 0) {
        for (const qsizetype end : plan.ends) {
            if (end > checksumIndex + 1) {
                report = QStringLiteral("checked after byte %1").arg(end);
                break;
            }
        }
    }
    return QStringLiteral("%1: [%2] left %3")
        .arg(plan.name, report, QString::fromLatin1(left.toHex(' ')));
}
