#include "mbus.h"

#include "conversions.h"
#include "mbusdecoder.h"
#include "mbusframe.h"
#include "requestwriter.h"
#include "trafficstate.h"

#include <QCoreApplication>

#include <cstdint>
#include <optional>

namespace {

using namespace mbus_frame;

constexpr std::uint8_t kSecondaryAddressing = 0xFD; // FD, FE and FF reach any meter
constexpr std::uint8_t kPointToPoint = 0xFE;        // answered by the one meter on the line

// Received long frame (EN 13757-2): 68 L L 68 C A CI data CS 16. The checksum covers C through
// the last data byte; the CS byte sits at the second L plus 4.
constexpr int kLengthPos = 2;
constexpr int kSumStartPos = 4;
// The A field of the short frame 10 C A CS 16.
constexpr int kShortAddressPos = 2;

// A long frame repeats its L field, has a second start byte, and L covers at least C, A and CI.
bool fitsLongFrame(const std::uint8_t *frame, int pos)
{
    constexpr int kLeastLength = 3;
    switch (pos) {
    case kLengthPos:
        return frame[kLengthPos] == frame[kLengthPos - 1] && frame[kLengthPos] >= kLeastLength;
    case kLengthPos + 1:
        return frame[pos] == kLongStart;
    default:
        return true;
    }
}

// A frame from the primary station (a request, or the line's echo of one) has the PRM bit set.
bool isRequest(const std::uint8_t *frame)
{
    constexpr std::uint8_t kPrimaryStation = 0x40;
    return (frame[kSumStartPos] & kPrimaryStation) != 0;
}

// Whether the long frame's C field is RSP_UD, whatever its FCB/ACD/DFC bits.
bool isRspUd(const std::uint8_t *frame)
{
    constexpr std::uint8_t kRspUd = 0x08;
    constexpr std::uint8_t kRspUdMask = 0xCF;
    return (frame[kSumStartPos] & kRspUdMask) == kRspUd;
}

// Whether the long frame in FrameBuf is an RSP_UD (any FCB/ACD/DFC bits) from the meter the
// armed REQ_UD2 went to. Requests to FD (secondary addressing), FE (point to point) and FF
// (broadcast) are answered under the meter's own address.
bool answersRequest(const TrafficState &state)
{
    if (!isRspUd(state.FrameBuf.data()))
        return false;
    const QByteArray &request = state.ArmedRequest();
    if (request.size() <= kShortAddressPos)
        return false;
    const auto asked = std::uint8_t(request.at(kShortAddressPos));
    return asked >= kSecondaryAddressing || asked == state.FrameBuf[kSumStartPos + 1];
}

} // namespace

void MbusReadData(TrafficState &state, std::uint8_t primaryAddress)
{
    RequestWriter frame(state);
    frame.putUnsummed({kShortStart});
    frame.put({kReqUd2, primaryAddress});
    frame.putTail();
    state.SendFrame(kReplyMbus, kMbusReadDataLastIndex, true);
}

void MbusChangeAddress(TrafficState &state, std::uint8_t newAddress)
{
    constexpr std::uint8_t kLength = 0x06; // C, A, CI, DIF, VIF and the new address
    RequestWriter frame(state);
    frame.putUnsummed({kLongStart, kLength, kLength, kLongStart});
    frame.put({kSndUd, kPointToPoint, kCiDataSend, kDifInt8, kVifBusAddress, newAddress});
    frame.putTail();
    state.SendFrame(kReplyMbus, kMbusChangeAddressLastIndex, false);
}

// A candidate that is not a long frame is given up as soon as that shows; a long frame is accepted
// when its checksum and stop byte are right and it is the RSP_UD of the meter asked.
void MbusRecognizeReply(TrafficState &state)
{
    state.RecognizeFrame(kMbusProtocol.layout);
}

TypedFrame MbusCompleteFrame(QByteArrayView typed)
{
    // A short frame 10 C A: its checksum sums C and A.
    constexpr qsizetype kShortChecksumPos = 3;
    if (typed.isEmpty() || std::uint8_t(typed[0]) != kShortStart)
        return CompleteFrameChecksum(kMbusProtocol.layout, typed);
    if (typed.size() < kShortChecksumPos || typed.size() > kShortChecksumPos + 2)
        return {{},
                QCoreApplication::translate("TypedFrame", "短帧是 10 C A，后面是校验和与 16。")};
    QByteArray frame = typed.first(kShortChecksumPos).toByteArray();
    frame.append(char(SumByte(frame, 1, kShortChecksumPos)));
    frame.append(char(0x16));
    return {frame, {}};
}

const MeterProtocol kMbusProtocol{
    kReplyMbus,
    QLatin1StringView("mbus"),
    {kLengthPos, kSumStartPos, kSumStartPos, &fitsLongFrame, &isRequest, &answersRequest, &isRspUd},
    &MbusRecognizeReply,
    &MbusDecodeReply,
    [](int baudRate) { return MbusReplyTimeoutMs(baudRate); },
    nullptr,
    &MbusCompleteFrame,
};
