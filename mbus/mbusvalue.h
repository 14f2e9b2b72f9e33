#pragma once

#include "decodedreply.h"
#include "mbusvif.h"

#include <QByteArray>
#include <QByteArrayView>
#include <cstdint>

// Reading the data of one M-Bus record (EN 13757-3 data types A to I) into a decoded record.

// The bytes of one fixed-length field, least significant first whatever the CI's byte order.
QByteArray FieldBytes(QByteArrayView bytes, bool msbFirst);

// The field as an unsigned integer, least significant byte first (at most 8 bytes).
std::uint64_t Unsigned(const QByteArray &lsbFirst);

// Text travels last character first.
QString ReversedText(QByteArrayView bytes);

// Decodes the data bytes of a record with data field `field` (0x00-0x0C, 0x0E) as `m` says.
void DecodeValue(DecodedRecord &r, const Meaning &m, int field, const QByteArray &lsbFirst);

// Decodes variable-length data (data field D) after its LVAR byte.
void DecodeVariable(DecodedRecord &r, const Meaning &m, std::uint8_t lvar, QByteArrayView data);

// Length of the data after an LVAR byte, or -1 for a reserved LVAR.
int VariableLength(std::uint8_t lvar);
