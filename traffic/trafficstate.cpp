#include "trafficstate.h"

#include "conversions.h"
#include "meterprotocol.h"

#include <algorithm>
#include <chrono>

namespace {

TrafficView *nullView()
{
    static NullTrafficView view;
    return &view;
}

} // namespace

TrafficState::TrafficState(TrafficView *view, TrafficPort *port)
    : m_view(view ? view : nullView()), m_port(port), m_clock([] {
          return std::int64_t(std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now().time_since_epoch())
                                  .count());
      })
{
}

void TrafficState::setView(TrafficView *view)
{
    m_view = view ? view : nullView();
}

void TrafficState::addProtocol(const MeterProtocol &protocol)
{
    if (protocol.id != kReplyNone && protocol.id < m_protocols.size())
        m_protocols[protocol.id] = &protocol;
}

const MeterProtocol *TrafficState::protocol(std::uint8_t id) const
{
    return id < m_protocols.size() ? m_protocols[id] : nullptr;
}

void TrafficState::SendFrame(std::uint8_t protocol, int lastIndex, bool armReply)
{
    lastIndex = std::clamp(lastIndex, 0, kTxBufSize - 1);
    const QString shown =
        HexTrafficText(QByteArray(reinterpret_cast<const char *>(TxBuf.data()), lastIndex + 1));
    m_view->setSendAreaText(protocol, shown);
    if (m_port && !m_port->isOpen())
        m_port->warnClosed();
    m_view->clearReplyAreas();

    // What goes on the line is what the send area shows.
    const QByteArray bytes = HexTextBytes(shown);
    TxCount += bytes.size();
    m_view->setTxCaption(QString::number(TxCount));
    if (m_port)
        m_port->write(bytes); // a write to a closed port fails; that is not reported again

    if (armReply) {
        // Only bytes received after the request can answer it: a late or repeated answer to an
        // earlier one, or a candidate it left half assembled, must not be taken for its reply.
        DiscardTo(RxWritePos);
        RxPeekPos = RxTakePos;
        RxPending = 0;
        FramePos = 0;
        ReplyMode = protocol;
        m_armedRequest = bytes;
    }
    AwaitingReply = true;
}

void TrafficState::ReceiveNotification(const QByteArray &input)
{
    RxCount += input.size();
    m_view->setRxCaption(QString::number(RxCount));
    ReadPortInput(input);
    recognize();
}

int TrafficState::CandidatePauseMs(int baudRate)
{
    constexpr int kCharacters = 22;
    constexpr int kBitsPerCharacter = 11; // start, 8 data, parity, stop
    constexpr int kLeastMs = 50;
    if (baudRate <= 0)
        return kLeastMs;
    const std::int64_t ms =
        (std::int64_t(kCharacters) * kBitsPerCharacter * 1000 + baudRate - 1) / baudRate;
    return int(std::max<std::int64_t>(ms, kLeastMs));
}

int TrafficState::AbandonStaleCandidate()
{
    const int pause = CandidatePauseMs(m_baudRate);
    while (FramePos != 0 && armedProtocol()) {
        const std::int64_t idle = m_clock() - m_lastReceiveMs;
        if (idle < pause)
            return int(pause - idle);
        rejectCandidate();
        recognize();
    }
    return -1;
}

void TrafficState::recognize()
{
    FrameReady = 0;
    const MeterProtocol *armed = armedProtocol();
    if (!armed)
        return;
    armed->recognize(*this);

    if (FrameReady == 1 && AwaitingReply) {
        m_view->showCheckedReply(*armed, m_checkedFrame);
        ReplyMode = kReplyNone;
        FrameReady = 0;
        AwaitingReply = false;
    }
}

void TrafficState::ReadPortInput(const QByteArray &input)
{
    if (input.isEmpty())
        return;
    m_lastReceiveMs = m_clock();
    m_view->appendReceiveText(HexTrafficText(input));
    for (const char c : input)
        storeByte(static_cast<std::uint8_t>(c));
    RxPending = 1;
}

void TrafficState::storeByte(std::uint8_t b)
{
    const std::int16_t next = NextRingIndex(RxWritePos);
    if (next == RxTakePos) {
        // The ring holds all it can of unconsumed bytes: drop the oldest so the indexes stay
        // consistent, and give up any frame under assembly (some of its bytes may be gone).
        RxRing[RxTakePos] = 0;
        RxTakePos = NextRingIndex(RxTakePos);
        FramePos = 0;
    }
    RxRing[RxWritePos] = b;
    RxWritePos = next;
}

std::uint8_t TrafficState::TakeByte()
{
    const std::uint8_t b = RxRing[RxTakePos];
    RxRing[RxTakePos] = 0;
    RxTakePos = NextRingIndex(RxTakePos);
    if (RxTakePos == RxWritePos)
        RxPending = 0;
    return b;
}

std::uint8_t TrafficState::ClsChar()
{
    const std::uint8_t b = RxRing[RxPeekPos];
    RxPeekPos = NextRingIndex(RxPeekPos);
    if (RxPeekPos == RxWritePos)
        RxPending = 0;
    return b;
}

void TrafficState::DiscardTo(std::int16_t target)
{
    while (RxTakePos != target) {
        RxRing[RxTakePos] = 0;
        RxTakePos = NextRingIndex(RxTakePos);
        if (RxTakePos == RxWritePos) {
            RxPending = 0;
            break;
        }
    }
}

void TrafficState::RecognizeFrame(const FrameLayout &layout)
{
    constexpr std::uint8_t kStart = 0x68;
    constexpr std::uint8_t kEnd = 0x16;
    while (FrameReady == 0 && RxPending == 1) {
        if (FramePos == 0) {
            const std::uint8_t b = TakeByte();
            RxPeekPos = RxTakePos;
            if (b == kStart) {
                FrameBuf[0] = b;
                FramePos = 1;
            }
            continue;
        }
        const std::uint8_t b = ClsChar();
        FrameBuf[FramePos] = b;
        if (layout.fits && !layout.fits(FrameBuf.data(), FramePos)) {
            rejectCandidate();
            continue;
        }
        // The checksum byte and the end byte after it, once the length byte is in.
        const int checksumPos = FrameBuf[layout.lengthPos] + layout.checksumOffset;
        if (FramePos > layout.lengthPos && FramePos > layout.sumStartPos) {
            if (FramePos == checksumPos &&
                b != SumByte(&FrameBuf[layout.sumStartPos], checksumPos - layout.sumStartPos)) {
                rejectCandidate();
                continue;
            }
            if (FramePos == checksumPos + 1) {
                if (b != kEnd ||
                    (m_skipRequests && layout.isRequest && layout.isRequest(FrameBuf.data())) ||
                    (layout.belongs && !layout.belongs(*this))) {
                    rejectCandidate();
                    continue;
                }
                m_checkedFrame =
                    QByteArray(reinterpret_cast<const char *>(FrameBuf.data()), FramePos + 1);
                FramePos = 0;
                DiscardTo(RxPeekPos); // what follows the end byte stays in the ring
                FrameReady = 1;
                return;
            }
        }
        if (++FramePos == kFrameBufSize)
            rejectCandidate(); // longer than any frame
    }
}

void TrafficState::rejectCandidate()
{
    // The hunt resumes at the byte after the candidate's start byte, at once: the bytes after it
    // may hold the real frame.
    FramePos = 0;
    RxPending = RxTakePos != RxWritePos ? 1 : 0;
}

int TrafficState::RxUnconsumed() const
{
    return (RxWritePos - RxTakePos + kRingSize) % kRingSize;
}

void TrafficState::ResetTxCount()
{
    TxCount = 0;
    m_view->setTxCaption(QStringLiteral("0"));
}

void TrafficState::ResetRxCount()
{
    RxCount = 0;
    m_view->setRxCaption(QStringLiteral("0"));
}
