#include "mbus.h"

#include "conversions.h"
#include "trafficstate.h"

#include <cstdint>
#include <optional>

namespace {

constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kStop = 0x16;
constexpr std::uint8_t kReqUd2 = 0x5B;       // C field: REQ_UD2, FCV = 1, FCB = 0 (never toggled)
constexpr std::uint8_t kSndUd = 0x53;        // C field: SND_UD, FCV = 1, FCB = 0
constexpr std::uint8_t kPointToPoint = 0xFE; // answered by the one meter on the line
constexpr std::uint8_t kCiDataSend = 0x51;
constexpr std::uint8_t kDifInt8 = 0x01;
constexpr std::uint8_t kVifBusAddress = 0x7A;

// Received long frame (EN 13757-2): 68 L L 68 C A CI data CS 16. The checksum covers C through
// the last data byte; the CS byte sits at the second L plus 4.
constexpr int kLengthPos = 2;
constexpr int kSumStartPos = 4;

// Stores a request byte at `index` of TxBuf and adds it to the running CheckSum.
void putSummed(TrafficState &state, int index, std::uint8_t value)
{
    state.TxBuf[index] = value;
    state.CheckSum += value;
}

} // namespace

void MbusReadData(TrafficState &state, const QString &addressText)
{
    state.CheckSum = 0;
    state.TxBuf[0] = kShortStart;
    state.TxBuf[1] = kReqUd2;
    state.CheckSum = kReqUd2;
    putSummed(state, 2, std::uint8_t(HexPairValue(addressText)));
    state.TxBuf[3] = state.CheckSumByte();
    state.TxBuf[4] = kStop;
    state.SendFrame(SendArea::Mbus, kMbusReadDataLastIndex, kReplyMbus);
}

void MbusChangeAddress(TrafficState &state, const QString &newAddressText)
{
    state.CheckSum = 0;
    state.TxBuf[0] = kLongStart;
    state.TxBuf[1] = 0x06; // L: C, A, CI, DIF, VIF and the new address
    state.TxBuf[2] = 0x06;
    state.TxBuf[3] = kLongStart;
    state.TxBuf[4] = kSndUd;
    state.CheckSum = kSndUd;
    putSummed(state, 5, kPointToPoint);
    putSummed(state, 6, kCiDataSend);
    putSummed(state, 7, kDifInt8);
    putSummed(state, 8, kVifBusAddress);
    putSummed(state, 9, std::uint8_t(HexPairValue(newAddressText)));
    state.TxBuf[10] = state.CheckSumByte();
    state.TxBuf[11] = kStop;
    state.SendFrame(SendArea::Mbus, kMbusChangeAddressLastIndex, std::nullopt);
}

// Only the checksum decides: the L bytes need not agree, and neither the second start byte nor
// the stop byte is examined. The sum restarts at position 4, which is tested before the checksum
// position, so a frame with L = 0 can never be accepted.
void MbusRecognizeReply(TrafficState &state)
{
    state.RecognizeFrame({kLengthPos, kSumStartPos, kSumStartPos});
}
