// Throughput of the receive path core: counting, hex text, ring storage and reply recognition,
// for polling traffic of CJ/T 188 and M-Bus read-data replies arriving in pieces of various
// sizes. The window's widgets are left out (a view that does nothing).
//
// Usage: bench_receivepath [seconds]   (default 2)
// Exits with 1 when the path is slower than 1000 times a 115200 baud line.

#include "cj188.h"
#include "mbus.h"
#include "meterprotocols.h"
#include "trafficstate.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QTextStream>
#include <cstdint>
#include <random>

namespace {

constexpr double kLineBytesPerSecond = 11520.0; // 115200 baud, 10 bits per byte
constexpr double kRequiredRatio = 1000.0;
constexpr int kRepliesPerPass = 20000;

class CountingView : public NullTrafficView
{
public:
    void showCheckedReply(const MeterProtocol &, const QByteArray &) override { ++checkedReplies; }

    long long checkedReplies = 0;
};

std::uint8_t sumOf(const QByteArray &bytes, qsizetype from)
{
    unsigned sum = 0;
    for (qsizetype i = from; i < bytes.size(); ++i)
        sum += std::uint8_t(bytes[i]);
    return std::uint8_t(sum);
}

// A CJ/T 188 read-data answer (L = 22) with varying readings.
QByteArray cj188Reply(std::mt19937 &random)
{
    QByteArray frame = QByteArray::fromHex("FEFEFE68107856341200337881161F9001");
    for (int i = 0; i < 19; ++i)
        frame.append(char(random() & 0xFF));
    frame.append(char(sumOf(frame, 3)));
    frame.append('\x16');
    return frame;
}

// An M-Bus RSP_UD with a fixed header and 3 to 40 record bytes.
QByteArray mbusReply(std::mt19937 &random)
{
    const int records = 3 + int(random() % 38);
    QByteArray body = QByteArray::fromHex("08017278563412244001042A000000");
    for (int i = 0; i < records; ++i)
        body.append(char(random() & 0xFF));
    QByteArray frame;
    frame.append('\x68').append(char(body.size())).append(char(body.size())).append('\x68');
    frame.append(body).append(char(sumOf(body, 0))).append('\x16');
    return frame;
}

// Each protocol's replies, taken in turn.
struct ReplySource
{
    const MeterProtocol *protocol;
    QByteArray (*make)(std::mt19937 &random);
};
const ReplySource kSources[] = {{&kCj188Protocol, &cj188Reply}, {&kMbusProtocol, &mbusReply}};

struct Reply
{
    std::uint8_t mode;
    QList<QByteArray> notifications;
};

// Replies of both protocols, each cut into notifications of 1 to 64 bytes the way a serial
// driver hands them over: mostly small pieces, sometimes a large one.
QList<Reply> makeTraffic(qsizetype *totalBytes)
{
    static constexpr int kPieceSizes[] = {1, 1, 2, 3, 4, 6, 8, 12, 16, 32, 64};
    std::mt19937 random(188);
    QList<Reply> replies;
    *totalBytes = 0;
    for (int r = 0; r < kRepliesPerPass; ++r) {
        const ReplySource &source = kSources[r % std::size(kSources)];
        const QByteArray frame = source.make(random);
        Reply reply{source.protocol->id, {}};
        for (qsizetype at = 0; at < frame.size();) {
            const int size = kPieceSizes[random() % std::size(kPieceSizes)];
            reply.notifications << frame.mid(at, size);
            at += size;
        }
        *totalBytes += frame.size();
        replies << reply;
    }
    return replies;
}

} // namespace

int main(int argc, char **argv)
{
    const double seconds = argc > 1 ? QString::fromLocal8Bit(argv[1]).toDouble() : 2.0;
    QTextStream out(stdout);

    qsizetype bytesPerPass = 0;
    const QList<Reply> replies = makeTraffic(&bytesPerPass);

    CountingView view;
    TrafficState state(&view);
    for (const MeterProtocol *protocol : MeterProtocols())
        state.addProtocol(*protocol);

    long long bytes = 0;
    long long notifications = 0;
    int passes = 0;
    QElapsedTimer timer;
    timer.start();
    do {
        for (const Reply &reply : replies) {
            // What the poll tick's read-data command leaves behind.
            state.ReplyMode = reply.mode;
            state.AwaitingReply = true;
            for (const QByteArray &piece : reply.notifications)
                state.ReceiveNotification(piece);
            notifications += reply.notifications.size();
        }
        bytes += bytesPerPass;
        ++passes;
    } while (timer.nsecsElapsed() < qint64(seconds * 1e9));
    const double elapsed = double(timer.nsecsElapsed()) / 1e9;

    const long long expectedReplies = static_cast<long long>(passes) * replies.size();
    const double rate = double(bytes) / elapsed;
    const double ratio = rate / kLineBytesPerSecond;
    out << "receive path: " << bytes << " bytes in " << notifications << " notifications, "
        << view.checkedReplies << " of " << expectedReplies << " replies checked, "
        << QString::number(elapsed, 'f', 3) << " s\n"
        << "throughput: " << QString::number(rate, 'f', 0)
        << " bytes/s = " << QString::number(ratio, 'f', 0) << " x 115200 baud (11520 bytes/s)\n";

    if (view.checkedReplies != expectedReplies) {
        out << "FAILED: not every reply was recognized\n";
        return 2;
    }
    if (ratio < kRequiredRatio) {
        out << "FAILED: below " << kRequiredRatio << " x line speed\n";
        return 1;
    }
    return 0;
}
