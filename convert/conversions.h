#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <optional>

// Small text and number conversions shared by the traffic display and the request builders.

// Pads `text` with "0" up to `width` characters: on the left when `side` is exactly "L",
// otherwise on the right. A text already as long or longer is returned unchanged.
// The low eight bits of the sum of `count` bytes from `first`: the checksum of both protocols.
std::uint8_t SumByte(const std::uint8_t *first, qsizetype count);
// The same over `bytes[from, to)`.
std::uint8_t SumByte(QByteArrayView bytes, qsizetype from, qsizetype to);

QString PadText(const QString &text, int width, const QString &side);

// A byte as two upper-case hexadecimal digits: 0 -> "00", 10 -> "0A", 255 -> "FF".
QString HexPairText(std::uint8_t value);

// The leading hexadecimal digits (either case) of at most the first two characters of `text`
// as a number 0..255; a character that is not a hex digit ends the number, none gives 0.
int HexPairValue(const QString &text);

// Packs a two-character decimal pair into one BCD-style byte ("12" -> 0x12). A text whose length
// is not two gives 0. Returns nothing when the conversion fails: the first character is not a
// digit 0-9, a character lies below "0" or outside the single-byte code page, or the value
// exceeds 255. A second character other than a digit adds its code minus 48 ("1A" -> 0x21).
std::optional<std::uint8_t> PairToByte(const QString &text);

// Traffic text: every byte as its hexadecimal pair followed by one space ("68 10 AA ").
QString HexTrafficText(const QByteArray &bytes);

// Reads bytes back from a traffic text: spaces removed, upper-cased, then the leading run of
// hexadecimal digits (an odd last digit dropped) converted pairwise.
QByteArray HexTextBytes(const QString &text);

// True for the ASCII decimal digits 0-9 only (no other script's digits).
bool IsDecimalDigit(QChar c);
// True when `text` is not empty and every character is an ASCII decimal digit 0-9.
bool IsDecimalDigits(QStringView text);

// The characters of `text` that are decimal digits 0-9, in order.
QString KeepDigits(const QString &text);
// The characters of `text` that are hexadecimal digits (0-9, A-F, a-f, case kept), in order.
QString KeepHexDigits(const QString &text);
// The leading decimal number of `text` after leading spaces ("3 占用" -> 3, "" -> 0, "X" -> 0),
// saturating at INT_MAX.
int LeadingNumber(const QString &text);

// Days in `month` (1-12) of the Gregorian `year`: 28 to 31.
int DaysInMonth(int year, int month);
