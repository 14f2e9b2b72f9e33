#include "mbuslink.h"

#include "conversions.h"
#include "mbusdecoder.h"
#include "mbusframe.h"

#include <QRegularExpression>

namespace {

using namespace mbus_frame;

constexpr std::uint8_t kSndNke = 0x40;
constexpr std::uint8_t kFcb = 0x20;
constexpr std::uint8_t kCiSelect = 0x52;
constexpr std::uint8_t kCiReset = 0x50;
constexpr int kHeaderPos = 7; // first byte after CI in a long frame

QByteArray ShortFrame(std::uint8_t control, std::uint8_t address)
{
    QByteArray out;
    out.append(char(kShortStart));
    out.append(char(control));
    out.append(char(address));
    out.append(char(std::uint8_t(control + address)));
    out.append(char(kStop));
    return out;
}

QByteArray LongFrame(std::uint8_t address, std::uint8_t ci, const QByteArray &data)
{
    QByteArray body;
    body.append(char(kSndUd));
    body.append(char(address));
    body.append(char(ci));
    body.append(data);
    QByteArray out;
    out.append(char(kLongStart));
    out.append(char(body.size()));
    out.append(char(body.size()));
    out.append(char(kLongStart));
    out.append(body);
    out.append(char(SumByte(body, 0, body.size())));
    out.append(char(kStop));
    return out;
}

std::uint8_t At(QByteArrayView bytes, qsizetype i)
{
    return std::uint8_t(bytes[i]);
}

// The size of the whole checked long frame at the start of `bytes`, 0 when there is none (yet).
qsizetype LongFrameSize(QByteArrayView bytes)
{
    if (bytes.size() < 4 || At(bytes, 0) != kLongStart || At(bytes, 1) != At(bytes, 2) ||
        At(bytes, 3) != kLongStart || At(bytes, 1) < 3)
        return 0;
    const qsizetype size = At(bytes, 1) + 6;
    if (bytes.size() < size || At(bytes, size - 1) != kStop)
        return 0;
    return SumByte(bytes, 4, size - 2) == At(bytes, size - 2) ? size : 0;
}

} // namespace

QString MbusSecondaryAddress::text() const
{
    return QStringLiteral("%1%2%3%4")
        .arg(id, 8, 16, QLatin1Char('0'))
        .arg(manufacturer, 4, 16, QLatin1Char('0'))
        .arg(version, 2, 16, QLatin1Char('0'))
        .arg(medium, 2, 16, QLatin1Char('0'))
        .toUpper();
}

QByteArray MbusSecondaryAddress::bytes() const
{
    QByteArray out;
    for (int shift = 0; shift < 32; shift += 8)
        out.append(char(id >> shift));
    out.append(char(manufacturer));
    out.append(char(manufacturer >> 8));
    out.append(char(version));
    out.append(char(medium));
    return out;
}

MbusSecondaryAddress MbusSecondaryAddress::withDigit(int i, int value) const
{
    MbusSecondaryAddress out = *this;
    const int shift = 28 - 4 * i;
    out.id = (id & ~(0xFu << shift)) | (std::uint32_t(value) << shift);
    return out;
}

bool MbusSecondaryAddress::matches(const MbusSecondaryAddress &address) const
{
    for (int i = 0; i < 8; ++i) {
        if (digit(i) != 0xF && digit(i) != address.digit(i))
            return false;
    }
    return (manufacturer == 0xFFFF || manufacturer == address.manufacturer) &&
           (version == 0xFF || version == address.version) &&
           (medium == 0xFF || medium == address.medium);
}

std::optional<MbusSecondaryAddress> ParseMbusSecondaryAddress(const QString &text)
{
    static const QRegularExpression kPattern(QStringLiteral("^[0-9Ff]{8}[0-9A-Fa-f]{8}$"));
    if (!kPattern.match(text).hasMatch())
        return std::nullopt;
    MbusSecondaryAddress a;
    a.id = text.left(8).toUInt(nullptr, 16);
    a.manufacturer = std::uint16_t(text.mid(8, 4).toUInt(nullptr, 16));
    a.version = std::uint8_t(text.mid(12, 2).toUInt(nullptr, 16));
    a.medium = std::uint8_t(text.mid(14, 2).toUInt(nullptr, 16));
    return a;
}

QString MbusManufacturerLetters(std::uint16_t code)
{
    QString letters;
    for (const int shift : {10, 5, 0}) {
        const int letter = (code >> shift) & 0x1F;
        if (letter < 1 || letter > 26)
            return {};
        letters += QLatin1Char(char(letter + 64));
    }
    return (code & 0x8000) ? QString() : letters;
}

std::optional<std::uint16_t> MbusManufacturerCode(const QString &letters)
{
    if (letters.size() != 3)
        return std::nullopt;
    std::uint16_t code = 0;
    for (const QChar c : letters) {
        const QChar upper = c.toUpper();
        if (upper < QLatin1Char('A') || upper > QLatin1Char('Z'))
            return std::nullopt;
        code = std::uint16_t(code * 32 + (upper.unicode() - 64));
    }
    return code;
}

QByteArray MbusSndNke(std::uint8_t address)
{
    return ShortFrame(kSndNke, address);
}

QByteArray MbusReqUd2(std::uint8_t address, bool fcb)
{
    return ShortFrame(fcb ? kReqUd2 | kFcb : kReqUd2, address);
}

QByteArray MbusSelect(const MbusSecondaryAddress &mask)
{
    return LongFrame(kMbusSelectedAddress, kCiSelect, mask.bytes());
}

QByteArray MbusApplicationReset(std::uint8_t address, std::optional<std::uint8_t> subcode)
{
    return LongFrame(address, kCiReset, subcode ? QByteArray(1, char(*subcode)) : QByteArray());
}

QByteArray MbusSetPrimaryAddress(std::uint8_t address, std::uint8_t newAddress)
{
    QByteArray data;
    data.append(char(kDifInt8));
    data.append(char(kVifBusAddress));
    data.append(char(newAddress));
    return LongFrame(address, kCiDataSend, data);
}

std::optional<std::uint8_t> MbusBaudCi(int baudRate)
{
    constexpr int kRates[] = {300, 600, 1200, 2400, 4800, 9600, 19200, 38400};
    for (int i = 0; i < 8; ++i) {
        if (kRates[i] == baudRate)
            return std::uint8_t(0xB8 + i);
    }
    return std::nullopt;
}

QByteArray MbusSwitchBaud(std::uint8_t address, std::uint8_t ci)
{
    return LongFrame(address, ci, {});
}

MbusAnswer ClassifyMbusAnswer(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return MbusAnswer::None;
    if (bytes.size() == 1 && At(bytes, 0) == kMbusAck)
        return MbusAnswer::Ack;
    if (LongFrameSize(bytes) == bytes.size())
        return MbusAnswer::Frame;
    return MbusAnswer::Collision;
}

bool MbusAnswerComplete(QByteArrayView bytes)
{
    return (bytes.size() == 1 && At(bytes, 0) == kMbusAck) ||
           (!bytes.isEmpty() && LongFrameSize(bytes) == bytes.size());
}

std::optional<MbusSecondaryAddress> MbusFrameIdentity(QByteArrayView frame)
{
    if (LongFrameSize(frame) == 0 || frame.size() < kHeaderPos + 8 + 2 ||
        At(frame, kHeaderPos - 1) != kCiLongHeader)
        return std::nullopt;
    const QByteArrayView h = frame.sliced(kHeaderPos, 8);
    MbusSecondaryAddress a;
    a.id = std::uint32_t(At(h, 0)) | std::uint32_t(At(h, 1)) << 8 | std::uint32_t(At(h, 2)) << 16 |
           std::uint32_t(At(h, 3)) << 24;
    a.manufacturer = std::uint16_t(At(h, 4) | At(h, 5) << 8);
    a.version = At(h, 6);
    a.medium = At(h, 7);
    return a;
}

bool MbusFrameHasMore(QByteArrayView frame)
{
    // The decoder walks the records, so a value that happens to end in 1F is not taken for it.
    return LongFrameSize(frame) > 0 && MbusDecodeReply(frame).moreRecords;
}

MbusAnswerWait::MbusAnswerWait(QByteArray request, int timeoutMs, qint64 sentAtMs)
    : m_request(std::move(request)), m_echoLeft(m_request.size()), m_timeoutMs(timeoutMs),
      m_lastByteAtMs(sentAtMs)
{
}

void MbusAnswerWait::feed(QByteArrayView bytes, qint64 nowMs)
{
    // The echo of a line with local echo comes first and byte for byte; it is not an answer.
    while (!bytes.isEmpty() && m_bytes.isEmpty() && m_echoLeft > 0 &&
           bytes[0] == m_request[m_request.size() - m_echoLeft]) {
        bytes = bytes.sliced(1);
        --m_echoLeft;
    }
    if (bytes.isEmpty())
        return;
    m_echoLeft = 0;
    m_bytes += bytes;
    m_lastByteAtMs = nowMs;
}

bool MbusAnswerWait::done(qint64 nowMs) const
{
    return MbusAnswerComplete(m_bytes) || nowMs >= deadline();
}

MbusAnswer MbusAnswerWait::answer() const
{
    return ClassifyMbusAnswer(m_bytes);
}
