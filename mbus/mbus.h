#pragma once

#include "meterprotocol.h"

#include <cstdint>

class TrafficState;

// The id of the M-Bus link layer in ReplyMode while its reply is awaited.
inline constexpr std::uint8_t kReplyMbus = 2;

// M-Bus (EN 13757-2) as the traffic path, the session and the programs see it.
extern const MeterProtocol kMbusProtocol;

inline constexpr int kMbusReadDataLastIndex = 4;

// How long a meter may take to start its reply (EN 13757-2): 330 bit times at `baudRate` plus
// 50 ms, counted from the last request byte, in whole milliseconds rounded up.
constexpr int MbusReplyTimeoutMs(int baudRate)
{
    return (330 * 1000 + baudRate - 1) / baudRate + 50;
}
inline constexpr int kMbusChangeAddressLastIndex = 11;

// Builds REQ_UD2 (10 5B A CS 16) for `primaryAddress` and sends it, arming the reply recognizer.
void MbusReadData(TrafficState &state, std::uint8_t primaryAddress);
// Builds SND_UD to FE setting the primary address to `newAddress` and sends it without arming
// the recognizer.
void MbusChangeAddress(TrafficState &state, std::uint8_t newAddress);
// Hunts for an M-Bus long frame in the receive ring and sets FrameReady on a checked RSP_UD of
// the meter the armed request went to.
void MbusRecognizeReply(TrafficState &state);
// A typed short frame (10 C A) or long frame (68 L L 68 ...) with its checksum and end byte put
// in, or why it cannot be completed.
TypedFrame MbusCompleteFrame(QByteArrayView typed);
