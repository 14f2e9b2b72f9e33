#include "cj188.h"

#include "cj188decoder.h"
#include "conversions.h"
#include "requestwriter.h"
#include "trafficstate.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <tuple>

namespace {

constexpr std::uint8_t kWakeUp = 0xFE;
constexpr std::uint8_t kStart = 0x68;
constexpr std::uint8_t kWildcardAddress = 0xAA;
constexpr int kAddressBytes = 7; // A0..A6
constexpr int kAddressDigits = 10;

// Frame from its start byte: the address at positions 2 to 8, the L field at position 10 and the
// checksum right after the L data bytes.
constexpr int kFirstAddressPos = 2;
constexpr int kLengthPos = 10;
constexpr int kFirstDataPos = 11;

// The C field's bit that marks a reply; a request (or its echo) has it clear.
constexpr int kControlPos = 9;
constexpr std::uint8_t kReplyBit = 0x80;

// FE FE FE 68 T: wake-up bytes (not summed), start byte and meter type.
void putHead(RequestWriter &frame, std::optional<std::uint8_t> type)
{
    frame.putUnsummed({kWakeUp, kWakeUp, kWakeUp});
    frame.put(kStart);
    frame.put(type);
}

bool isRequest(const std::uint8_t *frame)
{
    return (frame[kControlPos] & kReplyBit) == 0;
}

// Whether the frame in FrameBuf carries the address of the armed request (its echo does too). A
// request address byte AA is a wildcard that any meter answers.
bool carriesRequestedAddress(const TrafficState &state)
{
    const QByteArray &request = state.ArmedRequest();
    const qsizetype start = request.indexOf(char(kStart));
    if (start < 0 || request.size() < start + kFirstAddressPos + kAddressBytes)
        return false;
    for (int i = 0; i < kAddressBytes; ++i) {
        const auto asked = std::uint8_t(request.at(start + kFirstAddressPos + i));
        if (asked != kWildcardAddress && asked != state.FrameBuf[kFirstAddressPos + i])
            return false;
    }
    return true;
}

// The read-address answer: C 83 and the identifier 810A, low byte first or high byte first.
constexpr std::uint8_t kAddressAnswer = 0x83;
constexpr std::uint8_t kDiAddressLow = 0x0A;
constexpr std::uint8_t kDiAddressHigh = 0x81;
constexpr int kFrameOverhead = kFirstDataPos + 2; // start byte through L, CS and end byte

QString hexPair(std::uint8_t byte)
{
    return QStringLiteral("%1").arg(byte, 2, 16, QLatin1Char('0')).toUpper();
}

bool isAddressAnswer(QByteArrayView frame)
{
    const auto at = [&frame](int pos) { return std::uint8_t(frame[pos]); };
    if (at(kControlPos) != kAddressAnswer || at(kLengthPos) < 2)
        return false;
    const std::uint8_t di0 = at(kFirstDataPos);
    const std::uint8_t di1 = at(kFirstDataPos + 1);
    return (di0 == kDiAddressLow && di1 == kDiAddressHigh) ||
           (di0 == kDiAddressHigh && di1 == kDiAddressLow);
}

MeterIdentity identityOf(QByteArrayView frame)
{
    MeterIdentity identity;
    identity.type = hexPair(std::uint8_t(frame[1]));
    for (int i = kFirstAddressPos + 4; i >= kFirstAddressPos; --i) // A4 down to A0
        identity.address += hexPair(std::uint8_t(frame[i]));
    identity.maker = hexPair(std::uint8_t(frame[7])) + hexPair(std::uint8_t(frame[8]));
    return identity;
}

AddressHunt failedHunt(bool received, bool started, bool badSum, bool foreign)
{
    AddressHunt hunt;
    if (foreign)
        hunt.verdict = ReplyVerdict::NotThisMeter;
    else if (badSum)
        hunt.verdict = ReplyVerdict::BadChecksum;
    else if (started)
        hunt.verdict = ReplyVerdict::Incomplete;
    else if (received)
        hunt.verdict = ReplyVerdict::Unrecognised;
    return hunt;
}

} // namespace

AddressHunt Cj188HuntAddressReply(QByteArrayView received, QByteArrayView request)
{
    const QByteArrayView echo = request.sliced(std::max<qsizetype>(request.indexOf(kStart), 0));
    bool anything = false;
    bool started = false;
    bool foreign = false;
    std::optional<std::pair<std::uint8_t, std::uint8_t>> badSum; // expected, received
    qsizetype i = 0;
    while (i < received.size()) {
        const auto b = std::uint8_t(received[i]);
        if (b != kStart) {
            anything = anything || b != kWakeUp;
            ++i;
            continue;
        }
        const QByteArrayView rest = received.sliced(i);
        if (rest.size() <= kLengthPos ||
            rest.size() < kFrameOverhead + std::uint8_t(rest[kLengthPos])) {
            started = true; // the frame may still complete
            break;
        }
        const int length = kFrameOverhead + std::uint8_t(rest[kLengthPos]);
        const QByteArrayView frame = rest.first(length);
        const std::uint8_t sum = SumByte(frame, 0, length - 2);
        const auto carried = std::uint8_t(frame[length - 2]);
        if (sum != carried || std::uint8_t(frame[length - 1]) != 0x16) {
            if (sum != carried && !badSum)
                badSum = {sum, carried};
            anything = true;
            ++i;
            continue;
        }
        if (isAddressAnswer(frame))
            return {identityOf(frame)};
        // The request's own echo is no sign of the meter; any other checked frame is.
        if (frame != echo)
            foreign = anything = true;
        i += length;
    }
    AddressHunt hunt = failedHunt(anything, started, badSum.has_value(), foreign);
    if (badSum)
        std::tie(hunt.expectedSum, hunt.receivedSum) = *badSum;
    return hunt;
}

std::array<std::optional<std::uint8_t>, 5> Cj188AddressBytes(const QString &digits)
{
    const QString address = PadText(digits, kAddressDigits, QStringLiteral("L"));
    std::array<std::optional<std::uint8_t>, 5> bytes{};
    for (int k = 0; k < 5; ++k)
        bytes[k] = PairToByte(address.mid(kAddressDigits - 2 - 2 * k, 2));
    return bytes;
}

void Cj188ReadData(TrafficState &state, const Cj188Meter &meter)
{
    RequestWriter frame(state);
    putHead(frame, meter.type);
    for (const std::optional<std::uint8_t> &byte : meter.address)
        frame.put(byte);
    for (const std::optional<std::uint8_t> &byte : meter.maker)
        frame.put(byte);
    frame.put({0x01, 0x03, 0x1F, 0x90, 0x01}); // C, L, DI0, DI1 (901F: read data), SER
    frame.putTail();
    state.SendFrame(kReplyCj188, kCj188LastIndex, true);
}

void Cj188ReadAddress(TrafficState &state, std::optional<std::uint8_t> type)
{
    RequestWriter frame(state);
    putHead(frame, type);
    for (int i = 0; i < kAddressBytes; ++i)
        frame.put(kWildcardAddress);
    frame.put({0x03, 0x03, 0x0A, 0x81, 0x01}); // C, L, DI0, DI1 (810A: read address), SER
    frame.putTail();
    state.SendFrame(kReplyCj188, kCj188LastIndex, false);
    state.ArmAddressReply(kReplyCj188);
}

// A frame is 68 T A0..A6 C L data CS 16: it is accepted when CS equals the sum of everything from
// the start byte through the last data byte, the end byte is 16 and the frame carries the address
// of the request.
void Cj188RecognizeReply(TrafficState &state)
{
    state.RecognizeFrame(kCj188Protocol.layout);
}

const MeterProtocol kCj188Protocol{
    kReplyCj188,
    QLatin1StringView("cj188"),
    {kLengthPos, kFirstDataPos, 0, nullptr, &isRequest, &carriesRequestedAddress},
    &Cj188RecognizeReply,
    &Cj188DecodeReply,
    [](int) { return kCj188ReplyTimeoutMs; },
    &Cj188HuntAddressReply,
    [](QByteArrayView typed) { return CompleteFrameChecksum(kCj188Protocol.layout, typed); },
};
