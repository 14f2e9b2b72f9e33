// Feeds arbitrary bytes to the receive path in arbitrary notifications, interleaved with every
// request of both protocols, their own echoes, well-formed frames with any control field and
// pauses on the line, and checks what must always hold: the ring's indexes stay in range, the
// received counter equals the bytes fed, and every checked reply stands on a frame received after
// the read-data request it answers, with a right checksum and end byte, that goes from the meter
// asked to us (a CJ/T 188 reply to read data, an M-Bus RSP_UD) and never is a request, our own
// echo included.
#include "cj188.h"
#include "mbus.h"
#include "trafficstate.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool condition, const char *what)
{
    if (!condition) {
        std::fprintf(stderr, "broken: %s\n", what);
        std::abort();
    }
}

// Reads the script byte by byte; past its end every read gives 0.
class Script
{
public:
    Script(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}
    bool atEnd() const { return m_pos >= m_size; }
    std::uint8_t next() { return atEnd() ? 0 : m_data[m_pos++]; }
    QByteArray take(std::size_t count)
    {
        const std::size_t n = std::min(count, m_size - m_pos);
        QByteArray bytes(reinterpret_cast<const char *>(m_data + m_pos), qsizetype(n));
        m_pos += n;
        return bytes;
    }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

std::uint8_t sum(const QByteArray &bytes, qsizetype from, qsizetype to)
{
    unsigned total = 0;
    for (qsizetype i = from; i < to; ++i)
        total += std::uint8_t(bytes[i]);
    return std::uint8_t(total);
}

// The request kinds the script sends, and the control field each read-data reply carries.
constexpr std::uint8_t kCj188ReadData = 0x01;
constexpr std::uint8_t kCj188ReplyBit = 0x80;
constexpr std::uint8_t kCj188FunctionMask = 0x3F;
constexpr std::uint8_t kMbusRspUd = 0x08;
constexpr std::uint8_t kMbusRspUdMask = 0xCF;

class Checker : public NullTrafficView, public TrafficPort
{
public:
    explicit Checker(TrafficState &state) : m_state(state) {}

    void showCheckedReply() override { checkVerdict(); }
    bool isOpen() const override { return true; }
    void warnClosed() override {}
    bool write(const QByteArray &bytes) override
    {
        lastWrite = bytes;
        return true;
    }

    // A read-data request arms the recognizer: it is the one a verdict answers until the next,
    // whatever other requests (read address, change address) go out meanwhile.
    void armed(std::uint8_t mode)
    {
        armedMode = mode;
        armedRequest = lastWrite;
        receivedSinceArmed.clear();
    }

    std::uint8_t armedMode = kReplyNone;
    QByteArray armedRequest;
    // Every byte received since the armed request.
    QByteArray receivedSinceArmed;
    QByteArray lastWrite;

private:
    void checkVerdict()
    {
        require(m_state.ReplyMode == armedMode && armedMode != kReplyNone,
                "verdict for the protocol of the armed request");
        const QByteArray frame = armedMode == kReplyCj188 ? checkedCj188() : checkedMbus();
        require(frame.endsWith('\x16'), "end byte");
        require(frame != armedRequest.mid(armedRequest.indexOf('\x68')), "own echo as reply");
        require(receivedSinceArmed.contains(frame), "frame received after its request");
    }

    QByteArray checkedCj188() const
    {
        const auto &f = m_state.FrameBuf;
        const int length = f[10];
        const QByteArray frame(reinterpret_cast<const char *>(f.data()), 13 + length);
        require(f[0] == 0x68, "CJ/T 188 start byte");
        require(std::uint8_t(frame[11 + length]) == sum(frame, 0, 11 + length), "CJ/T 188 sum");
        const qsizetype start = armedRequest.indexOf('\x68');
        require(start >= 0, "CJ/T 188 request");
        for (int i = 0; i < 7; ++i) {
            const auto asked = std::uint8_t(armedRequest[start + 2 + i]);
            require(asked == 0xAA || asked == f[2 + i], "CJ/T 188 address");
        }
        // From the meter to us, answering read data: not a request, not a read-address reply.
        require((f[9] & kCj188ReplyBit) != 0, "CJ/T 188 reply direction");
        require((f[9] & kCj188FunctionMask) == kCj188ReadData, "CJ/T 188 reply to read data");
        return frame;
    }

    QByteArray checkedMbus() const
    {
        const auto &f = m_state.FrameBuf;
        const int length = f[2];
        const QByteArray frame(reinterpret_cast<const char *>(f.data()), length + 6);
        require(f[0] == 0x68 && f[1] == f[2] && f[3] == 0x68 && length >= 3, "long frame");
        require(std::uint8_t(frame[length + 4]) == sum(frame, 4, length + 4), "M-Bus sum");
        // RSP_UD goes from the meter to us; SND_UD and REQ_UD2 go the other way.
        require((f[4] & kMbusRspUdMask) == kMbusRspUd, "M-Bus reply direction (RSP_UD)");
        const auto asked = std::uint8_t(armedRequest[2]);
        require(asked >= 0xFD || asked == f[5], "M-Bus address");
        return frame;
    }

    TrafficState &m_state;
};

// A frame of `mode` whose checksum and end byte hold, with the control field and data the script
// gives and the address of `request` (the armed one), so that only the direction and the kind of
// the frame tell whether it answers.
QByteArray WellFormedFrame(std::uint8_t mode, const QByteArray &request, Script &script)
{
    const std::uint8_t control = script.next();
    const QByteArray data = script.take(script.next() % 8);
    QByteArray frame;
    if (mode == kReplyCj188) {
        const qsizetype start = request.indexOf('\x68');
        frame = start >= 0 ? request.mid(start, 9) : QByteArray(9, '\xAA');
        frame[0] = '\x68';
        frame += char(control);
        frame += char(data.size());
        frame += data;
        frame += char(sum(frame, 0, frame.size()));
    } else {
        const char length = char(3 + data.size());
        frame = QByteArray("\x68") + length + length + '\x68' + char(control);
        frame += request.size() > 2 ? request[2] : char(script.next());
        frame += char(script.next()); // CI
        frame += data;
        frame += char(sum(frame, 4, frame.size()));
    }
    return frame + '\x16';
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    TrafficState state;
    Checker checker(state);
    state.setView(&checker);
    state.setPort(&checker);
    state.setRecognizer(kReplyCj188, Cj188RecognizeReply);
    state.setRecognizer(kReplyMbus, MbusRecognizeReply);
    std::int64_t now = 0;
    state.setClock([&now] { return now; });

    Script script(data, size);
    std::int64_t fed = 0;
    while (!script.atEnd()) {
        const std::uint8_t op = script.next();
        switch (op % 8) {
        case 0: {
            const Cj188Fields fields{QStringLiteral("冷水水表 - 10H"),
                                     QString::number(script.next() % 4), QStringLiteral("33"),
                                     QStringLiteral("78")};
            Cj188ReadData(state, fields);
            checker.armed(kReplyCj188);
            break;
        }
        case 1:
            MbusReadData(state, QString::number(script.next(), 16));
            checker.armed(kReplyMbus);
            break;
        case 2:
            if (op & 0x80)
                Cj188ReadAddress(state, Cj188Fields{QStringLiteral("冷水水表 - 10H"), {}, {}, {}});
            else
                MbusChangeAddress(state, QStringLiteral("05"));
            break;
        case 3:
            now += script.next();
            state.AbandonStaleCandidate();
            break;
        default: {
            QByteArray bytes;
            if (op % 8 == 5) // the line echoes the last request, as an adapter may
                bytes = checker.lastWrite;
            else if (op % 8 == 6)
                bytes = WellFormedFrame(op & 0x80 ? kReplyCj188 : kReplyMbus, checker.armedRequest,
                                        script);
            else
                bytes = script.take(op / 8 + 1);
            fed += bytes.size();
            checker.receivedSinceArmed += bytes;
            state.ReceiveNotification(bytes);
            break;
        }
        }
        for (const std::int16_t index : {state.RxWritePos, state.RxTakePos, state.RxPeekPos})
            require(index >= 0 && index < TrafficState::kRingSize, "ring index");
        require(state.FramePos >= 0 && state.FramePos < TrafficState::kFrameBufSize, "FramePos");
        require(state.RxCount == fed, "received counter");
    }
    return 0;
}
