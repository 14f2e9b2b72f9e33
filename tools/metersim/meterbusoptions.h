#pragma once

#include "metermbus.h"

#include <QList>
#include <QString>
#include <optional>

// One meter of a simulated M-Bus from its description
// "primary=5,id=12345678,maker=ELS,version=1,medium=4,telegrams=3": primary address 0-250,
// identification number of up to eight digits, manufacturer as three letters A-Z or as the field
// in four hex digits, version and medium as hex bytes, 1 to 16 telegrams. Keys left out keep
// their defaults; nothing on an unknown key or a bad value.
std::optional<MeterMbusConfig> ParseBusMeter(const QString &description);

// The meters of a file with one description per line; blank lines and lines starting with # are
// skipped. False with the reason in `error` (the file and line) when one cannot be used.
bool ReadBusMeterFile(const QString &path, QList<MeterMbusConfig> &meters, QString *error);
