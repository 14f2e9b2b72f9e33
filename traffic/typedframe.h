#pragma once

#include "trafficstate.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

// A frame typed by the technician, or what is wrong with the entry (then no bytes).
struct TypedFrame
{
    QByteArray bytes;
    QString error;

    bool ok() const { return error.isEmpty(); }
};

// The bytes of hex typed into a send area: pairs of hex digits, blanks between the pairs allowed
// ("68 10 AA" or "6810AA"). At most TrafficState::kTxBufSize bytes.
TypedFrame ParseTypedHex(const QString &text);

// `typed` with the checksum and end byte 16 put after its last data byte (replacing any already
// there), for a frame that starts, after any wake-up bytes FE, with the start byte 68 and holds
// its length byte at `layout.lengthPos`; the layout says where the checksum goes and what it sums.
TypedFrame CompleteFrameChecksum(const TrafficState::FrameLayout &layout, QByteArrayView typed);

// Sends `frame` as it is through the send step, as `protocol`'s request, arming its recognizer.
// The frame must fit TxBuf.
void SendTypedFrame(TrafficState &state, std::uint8_t protocol, const QByteArray &frame);
