#pragma once

#include "cj188.h"

#include <QString>
#include <cstdint>
#include <optional>

// The CJ/T 188 page's input texts, read afresh for every request.
struct Cj188Fields
{
    QString meterType;   // Combo7, e.g. "冷水水表 - 10H"
    QString address;     // Text1, up to ten decimal digits
    QString makerCodeA5; // Text3, two decimal digits
    QString makerCodeA6; // Text2, two decimal digits
};

// The meter type byte of a Combo7 entry: the two characters before its final "H"
// ("冷水水表 - 10H" -> 0x10); none when they do not convert.
std::optional<std::uint8_t> Cj188TypeOfEntry(const QString &entry);

// The page's texts as the meter a request goes to. The address and the maker code boxes lose
// their leading and trailing spaces and are padded with zeros on the left; a pair that does not
// convert gives none, which leaves the request's byte as it was.
Cj188Meter Cj188MeterOfFields(const Cj188Fields &fields);

// A primary address box as the address: its leading hexadecimal digits ("05" -> 5, "" -> 0).
std::uint8_t MbusAddressOfText(const QString &text);
