// Feeds arbitrary bytes to the receive path in arbitrary notifications, interleaved with every
// request of both protocols, their own echoes, well-formed frames with any control field and
// pauses on the line, and checks what must always hold: the ring's indexes stay in range, the
// received counter equals the bytes fed, and every checked reply stands on a frame received after
// the read-data request it answers, with a right checksum and end byte, for the meter asked. An
// M-Bus verdict is always an RSP_UD; a CJ/T 188 frame going to the meter (the line's echo of the
// request) is taken as the verdict only where requests are not skipped, as the window does.
#include "cj188.h"
#include "conversions.h"
#include "mbus.h"
#include "meterprotocols.h"
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
    return SumByte(bytes, from, to);
}

// Whether the line's own requests (the echo) are passed over, as the command line does.
bool g_skipRequests = false;

std::uint8_t byteAt(const QByteArray &bytes, qsizetype i)
{
    return std::uint8_t(bytes.at(i));
}

// A CJ/T 188 frame 68 T A0..A6 C L data CS 16 with the address asked (AA: any).
void checkCj188(const QByteArray &frame, const QByteArray &request)
{
    require(frame.size() >= 13 && frame.size() == 13 + byteAt(frame, 10), "CJ/T 188 size");
    const int length = byteAt(frame, 10);
    require(byteAt(frame, 11 + length) == sum(frame, 0, 11 + length), "CJ/T 188 sum");
    const qsizetype start = request.indexOf('\x68');
    require(start >= 0, "CJ/T 188 request");
    for (int i = 0; i < 7; ++i) {
        const std::uint8_t asked = byteAt(request, start + 2 + i);
        require(asked == 0xAA || asked == byteAt(frame, 2 + i), "CJ/T 188 address");
    }
    // C bit 7 clear: a frame going to the meter, such as the echo of our own request.
    require(!g_skipRequests || (byteAt(frame, 9) & 0x80) != 0, "CJ/T 188 request skipped");
}

// An M-Bus RSP_UD long frame 68 L L 68 C A CI data CS 16 from the meter asked (FD-FF: any).
void checkMbus(const QByteArray &frame, const QByteArray &request)
{
    require(frame.size() >= 9 && frame.size() == byteAt(frame, 2) + 6, "M-Bus size");
    const int length = byteAt(frame, 2);
    require(byteAt(frame, 1) == length && byteAt(frame, 3) == 0x68 && length >= 3, "long frame");
    require(byteAt(frame, length + 4) == sum(frame, 4, length + 4), "M-Bus sum");
    require((byteAt(frame, 4) & 0xCF) == 0x08, "RSP_UD");
    const std::uint8_t asked = byteAt(request, 2);
    require(asked >= 0xFD || asked == byteAt(frame, 5), "M-Bus address");
}

// The rules of each protocol, written apart from its recognizer.
struct Oracle
{
    const MeterProtocol *protocol;
    void (*check)(const QByteArray &frame, const QByteArray &request);
};
const Oracle kOracles[] = {{&kCj188Protocol, &checkCj188}, {&kMbusProtocol, &checkMbus}};

class Checker : public NullTrafficView, public TrafficPort
{
public:
    explicit Checker(TrafficState &state) : m_state(state) {}

    void showCheckedReply(const MeterProtocol &protocol, const QByteArray &frame) override
    {
        require(m_state.ReplyMode == protocol.id && armedMode == protocol.id,
                "verdict for the protocol of the armed read-data request");
        bool checked = false;
        for (const Oracle &oracle : kOracles) {
            if (oracle.protocol == &protocol) {
                oracle.check(frame, armedRequest);
                checked = true;
            }
        }
        require(checked, "verdict of an unknown protocol");
        require(frame.endsWith('\x16'), "end byte");
        require(receivedSinceArmed.contains(frame), "frame received after its request");
    }
    // The echo is the armed request itself, come back before anything else.
    void showEcho(const MeterProtocol &protocol, const QByteArray &echo) override
    {
        require(protocol.id == armedMode && echo == armedRequest, "echo of the armed request");
        require(receivedSinceArmed.startsWith(armedRequest), "echo received first");
        echoFlagged = true;
    }
    void showOutcome(const ReplyOutcome &outcome) override
    {
        require(outcome.protocol == armedMode, "outcome of the armed read-data request");
        require(outcome.verdict != ReplyVerdict::Checked || m_state.FrameReady == 0,
                "checked outcome after its frame");
        ++outcomes;
    }
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
        echoFlagged = false;
    }

    std::uint8_t armedMode = kReplyNone;
    QByteArray armedRequest;
    // Every byte received since the armed request.
    QByteArray receivedSinceArmed;
    QByteArray lastWrite;
    bool echoFlagged = false;
    int outcomes = 0;

private:
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
    for (const MeterProtocol *protocol : MeterProtocols())
        state.addProtocol(*protocol);
    g_skipRequests = false;
    std::int64_t now = 0;
    state.setClock([&now] { return now; });
    Script script(data, size);
    std::int64_t fed = 0;
    while (!script.atEnd()) {
        const std::uint8_t op = script.next();
        if (op == 0xFF) { // the command line's way: the line's own requests passed over
            g_skipRequests = !g_skipRequests;
            state.setSkipRequests(g_skipRequests);
            continue;
        }
        switch (op % 8) {
        case 0: {
            const Cj188Meter meter{
                0x10, Cj188AddressBytes(QString::number(script.next() % 4)), {0x33, 0x78}};
            Cj188ReadData(state, meter);
            checker.armed(kReplyCj188);
            break;
        }
        case 1:
            MbusReadData(state, script.next());
            checker.armed(kReplyMbus);
            break;
        case 2:
            if (op & 0x80)
                Cj188ReadAddress(state, 0x10);
            else
                MbusChangeAddress(state, 0x05);
            break;
        case 3:
            now += script.next();
            state.AbandonStaleCandidate();
            state.CheckReplyDeadline();
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
            const bool awaited = state.ReplyMode == checker.armedMode && state.AwaitingReply;
            state.ReceiveNotification(bytes);
            // An echoing line: the request came back whole, first; it is flagged, and the
            // meter's reply after it is still hunted for.
            if (awaited && checker.armedMode != kReplyNone &&
                checker.receivedSinceArmed.startsWith(checker.armedRequest))
                require(checker.echoFlagged, "the echo flagged");
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
