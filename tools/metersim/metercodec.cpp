#include "metercodec.h"

std::uint8_t ByteSum(QByteArrayView bytes)
{
    unsigned sum = 0;
    for (const char b : bytes)
        sum += std::uint8_t(b);
    return std::uint8_t(sum);
}

QByteArray BcdBytes(std::uint64_t value, int size)
{
    QByteArray out;
    out.reserve(size);
    for (int i = 0; i < size; ++i) {
        const unsigned low = value % 10;
        value /= 10;
        const unsigned high = value % 10;
        value /= 10;
        out.append(char(high << 4 | low));
    }
    return out;
}

QByteArray LittleEndianBytes(std::int64_t value, int size)
{
    QByteArray out;
    out.reserve(size);
    auto bits = std::uint64_t(value);
    for (int i = 0; i < size; ++i) {
        out.append(char(bits & 0xFF));
        bits >>= 8;
    }
    return out;
}
