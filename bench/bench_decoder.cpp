// Decoding throughput: a 250-byte M-Bus RSP_UD (CI 72, 40 data records of every common kind)
// decoded again and again, alone and with its JSON line; frames per second for each.
//
// Usage: bench_decoder [seconds]   (default 2)

#include "decodedreply.h"
#include "mbusdecoder.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QTextStream>
#include <cstdint>

namespace {

constexpr int kFrameSize = 250;

QByteArray Hex(const char *text)
{
    return QByteArray::fromHex(text);
}

// The frame: long header, then records cycled from this list, then idle filler up to 250 bytes.
QByteArray Frame()
{
    const QByteArray records[] = {
        Hex("04066EB20000"),     // energy kWh, 32-bit
        Hex("0C1378563412"),     // volume l, 8-digit BCD
        Hex("042B34300000"),     // power W
        Hex("023B3002"),         // volume flow
        Hex("02599619"),         // flow temperature
        Hex("025DA811"),         // return temperature
        Hex("046D1E0A493C"),     // date and time, type F
        Hex("C4825106C8AF0000"), // energy with storage, tariff, subunit
        Hex("426C413C"),         // date, type G
        Hex("0E0E129078563412"), // energy MJ, 12-digit BCD
        Hex("05320000C03F"),     // power J/h, 32-bit real
        Hex("02FD48E600"),       // voltage
        Hex("0DFD1003434241"),   // customer location, text
    };
    const QByteArray header = Hex("72785634125847010401000000");
    QByteArray userData = header;
    for (int i = 0; userData.size() + 2 + 2 + 2 < kFrameSize - 6; ++i) {
        const QByteArray &r = records[i % std::size(records)];
        if (userData.size() + r.size() > kFrameSize - 6 - 2)
            break;
        userData += r;
    }
    while (userData.size() < kFrameSize - 6 - 2) // C and A complete the L bytes
        userData += char(0x2F);
    const QByteArray body = Hex("0800") + userData;
    std::uint8_t sum = 0;
    for (const char c : body)
        sum = std::uint8_t(sum + std::uint8_t(c));
    return Hex("68") + char(body.size()) + char(body.size()) + Hex("68") + body + char(sum) +
           char(0x16);
}

template <typename F> double FramesPerSecond(double seconds, F &&decodeOnce)
{
    QElapsedTimer clock;
    clock.start();
    long long frames = 0;
    while (clock.nsecsElapsed() < qint64(seconds * 1e9)) {
        for (int i = 0; i < 1000; ++i)
            decodeOnce();
        frames += 1000;
    }
    return frames / (clock.nsecsElapsed() / 1e9);
}

} // namespace

int main(int argc, char *argv[])
{
    const double seconds = argc > 1 ? QByteArray(argv[1]).toDouble() : 2.0;
    QTextStream out(stdout);
    const QByteArray frame = Frame();
    const DecodedReply reply = MbusDecodeReply(frame);
    out << "frame: " << frame.size() << " bytes, " << reply.records.size() << " records, "
        << (reply.checked ? "checked" : "NOT CHECKED") << '\n';
    if (frame.size() != kFrameSize || !reply.checked || !reply.error.isEmpty())
        return 1;

    long long sink = 0;
    const double decode =
        FramesPerSecond(seconds, [&] { sink += MbusDecodeReply(frame).records.size(); });
    const double withJson =
        FramesPerSecond(seconds, [&] { sink += DecodedReplyJson(MbusDecodeReply(frame)).size(); });
    out << "decode:        " << qRound64(decode) << " frames/s\n";
    out << "decode + JSON: " << qRound64(withJson) << " frames/s\n";
    return sink > 0 ? 0 : 1;
}
