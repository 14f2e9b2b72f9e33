#pragma once

#include <QByteArrayView>
#include <QString>

struct MeterProtocol;

// The rules a whole frame must hold before it counts as a checked reply, in the order they are
// applied: the start byte 68 (after any wake-up bytes FE), a header the protocol's layout accepts
// (M-Bus: both L bytes equal, the second start byte 68), all bytes through the checksum, the
// checksum, the end byte 16, and a reply rather than a request.
enum class FrameRule {
    Holds,
    StartByte,
    Header,
    Length,
    Checksum,
    EndByte,
    Direction,
};

struct FrameCheck
{
    FrameRule broken = FrameRule::Holds; // the first rule the frame breaks
    QString error;                       // what that rule found, for the JSON's "error"
};

// Checks `frame` (from its first byte; bytes after the end byte are not looked at) against the
// rules above, the same ones the receive path applies before it takes a frame for the reply.
FrameCheck CheckFrame(const MeterProtocol &protocol, QByteArrayView frame);
