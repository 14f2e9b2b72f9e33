#include "meterfields.h"

#include "conversions.h"

namespace {

// The text without leading and trailing spaces; tabs and other blanks are kept.
QString trimSpaces(const QString &text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last > first && text.at(last - 1) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first);
}

// A manufacturer code box as one BCD byte: "33" -> 0x33, "" -> 0x00, "7" -> 0x07.
std::optional<std::uint8_t> makerCodeByte(const QString &text)
{
    return PairToByte(PadText(trimSpaces(text), 2, QStringLiteral("L")));
}

} // namespace

std::optional<std::uint8_t> Cj188TypeOfEntry(const QString &entry)
{
    return PairToByte(entry.mid(7, 2));
}

Cj188Meter Cj188MeterOfFields(const Cj188Fields &fields)
{
    return Cj188Meter{Cj188TypeOfEntry(fields.meterType),
                      Cj188AddressBytes(trimSpaces(fields.address)),
                      {makerCodeByte(fields.makerCodeA5), makerCodeByte(fields.makerCodeA6)}};
}

std::uint8_t MbusAddressOfText(const QString &text)
{
    return std::uint8_t(HexPairValue(text));
}
