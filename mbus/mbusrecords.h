#pragma once

#include "decodedreply.h"

#include <QByteArrayView>
#include <cstdint>
#include <optional>

// Reads the data records of an EN 13757-3 variable data block into `reply`, each with its
// bytes; `msbFirst` for CI 76, `medium` from the long header where there is one. A record that
// cannot be decoded is kept with an error; one cut short, or a special DIF, ends the reading.
void ReadRecords(QByteArrayView data, bool msbFirst, std::optional<std::uint8_t> medium,
                 DecodedReply &reply);
