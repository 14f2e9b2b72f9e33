#pragma once

#include "addressreply.h"
#include "decodedreply.h"
#include "trafficstate.h"
#include "typedframe.h"

#include <QByteArrayView>
#include <QLatin1StringView>
#include <cstdint>

// Everything the traffic path, the meter session and the programs need to know of one meter
// protocol. Each protocol folder defines one; the list of all of them is in protocols/.
struct MeterProtocol
{
    // ReplyMode while this protocol's reply is awaited: 1 to TrafficState::kMaxProtocols - 1.
    std::uint8_t id;
    // The name on the command line and in the JSON's "protocol": "cj188", "mbus".
    QLatin1StringView name;
    // Where the length and checksum stand, which candidates fit, how a request (the line's echo
    // of our own) is told apart and whether a frame answers the armed request.
    TrafficState::FrameLayout layout;
    // Hunts for a reply in the receive ring and sets FrameReady on a checked one; the frame is
    // then TrafficState::CheckedFrame().
    void (*recognize)(TrafficState &state);
    // Decodes a whole frame, from its start byte (wake-up bytes allowed) through its end byte.
    DecodedReply (*decode)(QByteArrayView frame);
    // How long a meter may take to start its reply at `baudRate`, from the last request byte.
    int (*replyTimeoutMs)(int baudRate);
    // Looks for the answer to the read-address request `request` in everything received since it
    // went out (its echo included); none: the protocol has no such request.
    AddressHunt (*huntAddressReply)(QByteArrayView received, QByteArrayView request);
    // A typed frame with its checksum and end byte put in (CompleteFrameChecksum), or why not.
    TypedFrame (*completeFrame)(QByteArrayView typed);

    // The bytes from the start byte through the checksum byte of a frame whose length byte says
    // `length`.
    int sizeThroughChecksum(std::uint8_t length) const
    {
        return length + layout.checksumOffset + 1;
    }
};
