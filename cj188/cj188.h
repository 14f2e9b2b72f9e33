#pragma once

#include "meterprotocol.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

class TrafficState;

// The id of CJ/T 188 in ReplyMode while its reply is awaited.
inline constexpr std::uint8_t kReplyCj188 = 1;

// CJ/T 188 as the traffic path, the session and the programs see it.
extern const MeterProtocol kCj188Protocol;

// The meter a request goes to. A byte that is none (its text did not convert) leaves the byte
// TxBuf holds there, which is summed all the same.
struct Cj188Meter
{
    std::optional<std::uint8_t> type; // T, e.g. 0x10 for a cold-water meter
    // A0..A4: the address in BCD, least significant pair first ("0012345678" -> 78 56 34 12 00).
    std::array<std::optional<std::uint8_t>, 5> address{};
    // A5 and A6: the manufacturer code, e.g. 0x33 0x78 for "3378".
    std::array<std::optional<std::uint8_t>, 2> maker{};
};

// An address of up to ten decimal digits as A0..A4, padded with leading zeros; a pair that does
// not convert gives none.
std::array<std::optional<std::uint8_t>, 5> Cj188AddressBytes(const QString &digits);

// Index of the last byte (the end byte 16) of both 19-byte requests in TxBuf.
inline constexpr int kCj188LastIndex = 18;

// How long a CJ/T 188 meter may take to start its reply, from the last request byte.
inline constexpr int kCj188ReplyTimeoutMs = 1000;

// Builds the read-meter-data request (C 01, DI 901F) in TxBuf and sends it, arming the reply
// recognizer.
void Cj188ReadData(TrafficState &state, const Cj188Meter &meter);
// Builds the read-meter-address request (C 03, DI 810A, address all AA) for a meter of `type` and
// sends it without arming the recognizer.
void Cj188ReadAddress(TrafficState &state, std::optional<std::uint8_t> type);
// Looks through everything received since the read-address request `request` for the meter's
// checked answer (C 83, DI 810A in either byte order), passing over wake-up bytes and the
// request's own echo; without one, says why for when the time-out passes.
AddressHunt Cj188HuntAddressReply(QByteArrayView received, QByteArrayView request);
// Hunts for a CJ/T 188 frame in the receive ring and sets FrameReady on a checked one that
// carries the address of the armed request (and, while the traffic state skips requests, marks a
// reply in C).
void Cj188RecognizeReply(TrafficState &state);
