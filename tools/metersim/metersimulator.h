#pragma once

#include "metercj188.h"
#include "meterframereader.h"
#include "metermbus.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QDateTime>
#include <QList>
#include <functional>

// Faults the simulated meter can be told to show.
struct MeterFaults
{
    // A few bytes other than 68 go out in front of every reply.
    bool noise = false;
    // The checksum byte of every framed reply is off by one (a lone E5 has none).
    bool badChecksum = false;
    // Requests are taken and acted on, but nothing is sent back.
    bool silent = false;
    // Every Nth reply is not sent (0: none), as a meter that misses requests.
    int dropEvery = 0;
    // Every Nth reply carries a wrong checksum (0: none), as a line with interference.
    int corruptEvery = 0;
};

// What a bus puts on the line when several meters send at once. No two meters start on the same
// bit: each further reply starts a byte time after the one before. Where replies overlap, each
// bit is 0 when any sender drives it to 0 (the line's idle state is 1); the result is longer than
// any one reply, so its length never adds up to a frame.
QByteArray CombinedOnBus(const QList<QByteArray> &replies);

// One request taken from the line and what the meter sends back for it.
struct MeterExchange
{
    MeterFrame request;
    // Bytes for the line, faults applied; empty when the meter keeps quiet.
    QByteArray reply;
};

// The meter on the line: a CJ/T 188 meter and an M-Bus meter sharing one byte stream, as one
// device speaking both protocols would. No I/O: bytes go in, replies come out.
class MeterSimulator
{
public:
    // Noise sent in front of a reply under MeterFaults::noise: no start byte of either protocol.
    static inline const QByteArray kNoise = QByteArray::fromHex("FF003C");

    explicit MeterSimulator(const MeterCj188Config &cj188 = {}, const MeterMbusConfig &mbus = {},
                            const MeterFaults &faults = {});

    // Puts these M-Bus meters on the line in place of the one given to the constructor.
    void setMbusMeters(const QList<MeterMbusConfig> &meters);

    // Replaces the meters' clock (the local time by default).
    void setClock(std::function<QDateTime()> clock);

    // Takes received bytes in any pieces; returns one exchange per request they complete.
    QList<MeterExchange> feed(QByteArrayView bytes);

    // Bytes dropped since the last request that no request has claimed; see MeterFrameReader.
    QByteArray takeSkipped() { return m_reader.takeSkipped(); }
    qsizetype skippedSize() const { return m_reader.skippedSize(); }

    const MeterCj188 &cj188() const { return m_cj188; }
    const MeterMbus &mbus() const { return m_mbus.front(); }
    const QList<MeterMbus> &mbusMeters() const { return m_mbus; }

private:
    QByteArray withFaults(QByteArray reply);
    QByteArray mbusReply(QByteArrayView request, const QDateTime &now);

    MeterFrameReader m_reader;
    MeterCj188 m_cj188;
    QList<MeterMbus> m_mbus;
    MeterFaults m_faults;
    // Replies the meter had to give so far, for the faults that strike every Nth one.
    int m_replies = 0;
    std::function<QDateTime()> m_clock;
};
