#include "cj188.h"

#include "conversions.h"
#include "requestwriter.h"
#include "trafficstate.h"

#include <cstdint>
#include <optional>

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

const QString kPadLeft = QStringLiteral("L");

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

// FE FE FE 68 T: wake-up bytes (not summed), start byte and meter type.
void putHead(RequestWriter &frame, const QString &meterType)
{
    frame.putUnsummed({kWakeUp, kWakeUp, kWakeUp});
    frame.put(kStart);
    // The two characters before the final "H" of an item such as "冷水水表 - 10H".
    frame.put(PairToByte(meterType.mid(7, 2)));
}

// A manufacturer code box as one BCD byte: "33" -> 0x33, "" -> 0x00, "7" -> 0x07.
std::optional<std::uint8_t> makerCodeByte(const QString &text)
{
    return PairToByte(PadText(trimSpaces(text), 2, kPadLeft));
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

} // namespace

void Cj188ReadData(TrafficState &state, const Cj188Fields &fields)
{
    RequestWriter frame(state);
    putHead(frame, fields.meterType);
    // The address travels least significant pair first: "0012345678" -> 78 56 34 12 00.
    const QString address = PadText(trimSpaces(fields.address), kAddressDigits, kPadLeft);
    for (int k = 0; k < 5; ++k)
        frame.put(PairToByte(address.mid(kAddressDigits - 2 - 2 * k, 2)));
    frame.put(makerCodeByte(fields.makerCodeA5));
    frame.put(makerCodeByte(fields.makerCodeA6));
    frame.put({0x01, 0x03, 0x1F, 0x90, 0x01}); // C, L, DI0, DI1 (901F: read data), SER
    frame.putTail();
    state.SendFrame(SendArea::Cj188, kCj188LastIndex, kReplyCj188);
}

void Cj188ReadAddress(TrafficState &state, const Cj188Fields &fields)
{
    RequestWriter frame(state);
    putHead(frame, fields.meterType);
    for (int i = 0; i < kAddressBytes; ++i)
        frame.put(kWildcardAddress);
    frame.put({0x03, 0x03, 0x0A, 0x81, 0x01}); // C, L, DI0, DI1 (810A: read address), SER
    frame.putTail();
    state.SendFrame(SendArea::Cj188, kCj188LastIndex, std::nullopt);
}

// A frame is 68 T A0..A6 C L data CS 16: it is accepted when CS equals the sum of everything from
// the start byte through the last data byte, the end byte is 16 and the frame carries the address
// of the request.
void Cj188RecognizeReply(TrafficState &state)
{
    state.RecognizeFrame({kLengthPos, kFirstDataPos, 0, nullptr, &carriesRequestedAddress});
}
