// Feeds arbitrary bytes to the receive path in arbitrary notifications, interleaved with requests
// of both protocols and with pauses on the line, and checks what must always hold: the ring's
// indexes stay in range, the received counter equals the bytes fed, and every checked reply stands
// on a frame received after the request it answers, with a right checksum and end byte, that
// belongs to that request.
#include "cj188.h"
#include "mbus.h"
#include "trafficstate.h"

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>

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

    // The request that armed a recognizer, and every byte received since.
    QByteArray armedRequest;
    QByteArray receivedSinceArmed;
    QByteArray lastWrite;

private:
    void checkVerdict()
    {
        const auto &f = m_state.FrameBuf;
        QByteArray frame;
        if (m_state.ReplyMode == kReplyCj188) {
            const int length = f[10];
            frame = QByteArray(reinterpret_cast<const char *>(f.data()), 13 + length);
            require(std::uint8_t(frame[11 + length]) == sum(frame, 0, 11 + length), "CJ/T 188 sum");
            const qsizetype start = armedRequest.indexOf('\x68');
            require(start >= 0, "CJ/T 188 request");
            for (int i = 0; i < 7; ++i) {
                const auto asked = std::uint8_t(armedRequest[start + 2 + i]);
                require(asked == 0xAA || asked == f[2 + i], "CJ/T 188 address");
            }
        } else {
            require(m_state.ReplyMode == kReplyMbus, "verdict without a request");
            const int length = f[2];
            frame = QByteArray(reinterpret_cast<const char *>(f.data()), length + 6);
            require(f[1] == f[2] && f[3] == 0x68 && length >= 3, "long frame");
            require(std::uint8_t(frame[length + 4]) == sum(frame, 4, length + 4), "M-Bus sum");
            require((f[4] & 0xCF) == 0x08, "RSP_UD");
            const auto asked = std::uint8_t(armedRequest[2]);
            require(asked >= 0xFD || asked == f[5], "M-Bus address");
        }
        require(frame.endsWith('\x16'), "end byte");
        require(receivedSinceArmed.contains(frame), "frame received after its request");
    }

    TrafficState &m_state;
};

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
            checker.armedRequest = checker.lastWrite;
            checker.receivedSinceArmed.clear();
            break;
        }
        case 1:
            MbusReadData(state, QString::number(script.next(), 16));
            checker.armedRequest = checker.lastWrite;
            checker.receivedSinceArmed.clear();
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
            const QByteArray bytes = script.take(op / 8 + 1);
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
