#include "framecheck.h"

#include "meterprotocol.h"

#include <algorithm>
#include <cstdint>

namespace {

constexpr std::uint8_t kWakeUp = 0xFE;
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;

QString HexByte(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

// The first byte the layout's header check refuses, or -1.
int RefusedHeaderByte(const TrafficState::FrameLayout &layout, const std::uint8_t *frame,
                      int available)
{
    if (!layout.fits)
        return -1;
    for (int pos = 1; pos < available; ++pos) {
        if (!layout.fits(frame, pos))
            return pos;
    }
    return -1;
}

} // namespace

FrameCheck CheckFrame(const MeterProtocol &protocol, QByteArrayView frame)
{
    while (!frame.isEmpty() && std::uint8_t(frame.front()) == kWakeUp)
        frame = frame.sliced(1);
    if (frame.isEmpty() || std::uint8_t(frame.front()) != kStart)
        return {FrameRule::StartByte, QStringLiteral("no start byte 68")};

    const TrafficState::FrameLayout &layout = protocol.layout;
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(frame.data());
    // No frame is longer than the frame buffer; what follows its end byte is not looked at.
    const int size = int(std::min<qsizetype>(frame.size(), TrafficState::kFrameBufSize));
    if (size <= layout.lengthPos)
        return {FrameRule::Length, QStringLiteral("frame cut short before its length byte")};
    const int throughChecksum = protocol.sizeThroughChecksum(bytes[layout.lengthPos]);
    if (const int pos = RefusedHeaderByte(layout, bytes, std::min(size, throughChecksum)); pos >= 0)
        return {FrameRule::Header,
                QStringLiteral("malformed frame: byte %1 (%2) does not fit the frame header")
                    .arg(pos + 1)
                    .arg(HexByte(bytes[pos]))};
    if (size < throughChecksum)
        return {FrameRule::Length, QStringLiteral("frame cut short: %1 of %2 bytes through the "
                                                  "checksum")
                                       .arg(size)
                                       .arg(throughChecksum)};

    const int csPos = throughChecksum - 1;
    std::uint8_t sum = 0;
    for (int i = layout.sumStartPos; i < csPos; ++i)
        sum = std::uint8_t(sum + bytes[i]);
    if (bytes[csPos] != sum)
        return {FrameRule::Checksum, QStringLiteral("checksum %1, but the bytes sum to %2")
                                         .arg(HexByte(bytes[csPos]), HexByte(sum))};
    if (size == throughChecksum)
        return {FrameRule::EndByte, QStringLiteral("no end byte after the checksum")};
    if (bytes[throughChecksum] != kEnd)
        return {FrameRule::EndByte,
                QStringLiteral("end byte %1, not 16").arg(HexByte(bytes[throughChecksum]))};

    if (layout.isRequest && layout.isRequest(bytes))
        return {FrameRule::Direction, QStringLiteral("a request, not a meter's reply")};
    if (layout.isReply && !layout.isReply(bytes))
        return {FrameRule::Direction, QStringLiteral("not a reply a meter sends")};
    return {};
}
