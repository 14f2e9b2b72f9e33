#include "parityletter.h"

namespace {

struct ParityRow
{
    char16_t letter;
    QSerialPort::Parity parity;
};

constexpr ParityRow kParities[] = {
    {u'N', QSerialPort::NoParity},    {u'E', QSerialPort::EvenParity},
    {u'O', QSerialPort::OddParity},   {u'M', QSerialPort::MarkParity},
    {u'S', QSerialPort::SpaceParity},
};

} // namespace

std::optional<QSerialPort::Parity> ParityFromLetter(QStringView letter)
{
    if (letter.size() != 1)
        return std::nullopt;
    const char16_t upper = letter.front().toUpper().unicode();
    for (const ParityRow &row : kParities) {
        if (row.letter == upper)
            return row.parity;
    }
    return std::nullopt;
}
