#pragma once

#include "decodedreply.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>

// Decodes an M-Bus RSP_UD long frame (68 L L 68 C A CI data CS 16, EN 13757-2) with its
// EN 13757-3 variable data: CI 72 and 76 (long header; 76 sends multi-byte fields high byte
// first), 7A (short header) and 78 (no header). "checked" says whether the CS byte equals the sum
// over C through the last data byte. The second L byte bounds the decoding, and so do the bytes
// given: nothing past the frame is read. A record that cannot be decoded is kept with its raw
// bytes and an error; a record cut short ends the decoding.
DecodedReply MbusDecodeReply(QByteArrayView frame);

// The medium's name in the window's language ("热量（出口）" in Chinese), empty for a reserved
// code.
QString MbusMediumName(std::uint8_t code);
