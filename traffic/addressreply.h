#pragma once

#include "replyoutcome.h"

#include <QString>
#include <cstdint>
#include <optional>

// A meter as its read-address reply names it, in the digits the request fields take.
struct MeterIdentity
{
    QString address; // e.g. "0012345678": the address digits, most significant first
    QString type;    // the meter type code, e.g. "10"
    QString maker;   // the manufacturer code, e.g. "3378"

    friend bool operator==(const MeterIdentity &, const MeterIdentity &) = default;
};

// What the bytes received since a read-address request hold: the meter that answered, or, for
// when the reply time-out passes without one, why none did.
struct AddressHunt
{
    std::optional<MeterIdentity> identity;
    ReplyVerdict verdict = ReplyVerdict::Nothing;
    // For BadChecksum: the sum of the frame's bytes and the checksum byte it carried.
    std::uint8_t expectedSum = 0;
    std::uint8_t receivedSum = 0;
};
