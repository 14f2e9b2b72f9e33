#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// Byte-level encodings shared by the CJ/T 188 and EN 13757 meters of the simulator.

// Low eight bits of the plain byte sum: the checksum of CJ/T 188 and EN 13757-2 frames.
std::uint8_t ByteSum(QByteArrayView bytes);

// `value` as `size` bytes of packed BCD, least significant byte first; digits beyond the field
// are cut off (BcdBytes(123456, 4) -> 56 34 12 00).
QByteArray BcdBytes(std::uint64_t value, int size);

// `value` as a `size`-byte little-endian integer, two's complement for negative values.
QByteArray LittleEndianBytes(std::int64_t value, int size);
