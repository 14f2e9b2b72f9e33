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
    // A new read-data request ends the one still awaiting its reply: its outcome comes first.
    if (armReply && AwaitingReply && armedProtocol())
        conclude(failedOutcome());
    m_address = {}; // a new request ends the read-address hunt
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
    m_lastRequest = bytes;
    AwaitingReply = true;
    if (armReply)
        armOutcome(bytes);
}

void TrafficState::armOutcome(const QByteArray &request)
{
    m_notes = {};
    m_echoPos = 0;
    const std::int64_t now = m_clock();
    m_requestEndMs = now + LineTimeMs(int(request.size()), m_baudRate);
    const MeterProtocol *armed = armedProtocol();
    m_deadlineMs = m_requestEndMs + (armed ? ReplyTimeoutMs(*armed) : 0);
    m_deadlineExtended = false;
    m_view->replyAwaited(int(m_deadlineMs - now));
}

void TrafficState::ArmAddressReply(std::uint8_t id)
{
    const MeterProtocol *hunted = protocol(id);
    if (!hunted || !hunted->huntAddressReply)
        return;
    const std::int64_t now = m_clock();
    m_address = {hunted,
                 m_lastRequest,
                 {},
                 now + LineTimeMs(int(m_lastRequest.size()), m_baudRate) + ReplyTimeoutMs(*hunted)};
    m_view->addressAwaited(int(m_address.deadlineMs - now));
}

int TrafficState::CheckAddressDeadline()
{
    if (!m_address.protocol)
        return -1;
    const std::int64_t now = m_clock();
    if (now < m_address.deadlineMs)
        return int(m_address.deadlineMs - now);
    const AddressHunt hunt =
        m_address.protocol->huntAddressReply(m_address.received, m_address.request);
    const std::uint8_t id = m_address.protocol->id;
    m_address = {};
    m_view->showAddressOutcome({id, hunt.verdict, -1, hunt.expectedSum, hunt.receivedSum});
    return -1;
}

void TrafficState::huntAddress(const QByteArray &input)
{
    // Far more than any answer with its echo and some noise; older bytes can no longer start it.
    constexpr qsizetype kKeptBytes = 4 * kFrameBufSize;
    if (!m_address.protocol || input.isEmpty())
        return;
    m_address.received += input;
    if (m_address.received.size() > kKeptBytes)
        m_address.received.remove(0, m_address.received.size() - kKeptBytes);
    const AddressHunt hunt =
        m_address.protocol->huntAddressReply(m_address.received, m_address.request);
    if (!hunt.identity)
        return;
    const MeterProtocol &found = *m_address.protocol;
    m_address = {};
    m_view->showMeterAddress(found, *hunt.identity);
}

int TrafficState::ReplyTimeoutMs(const MeterProtocol &protocol) const
{
    if (m_replyTimeoutMs > 0)
        return m_replyTimeoutMs;
    return protocol.replyTimeoutMs ? protocol.replyTimeoutMs(m_baudRate) : 0;
}

int TrafficState::LineTimeMs(int bytes, int baudRate)
{
    constexpr std::int64_t kBitsPerCharacter = 11; // start, 8 data, parity, stop
    if (baudRate <= 0 || bytes <= 0)
        return 0;
    return int((bytes * kBitsPerCharacter * 1000 + baudRate - 1) / baudRate);
}

int TrafficState::CheckReplyDeadline()
{
    if (!AwaitingReply || !armedProtocol())
        return -1;
    const std::int64_t now = m_clock();
    if (now < m_deadlineMs)
        return int(m_deadlineMs - now);
    // A reply under way when the time-out passes may still complete: as long as its longest
    // frame takes on the line.
    if (FramePos != 0) {
        if (!m_deadlineExtended) {
            m_deadlineExtended = true;
            m_deadlineMs = now + LineTimeMs(kFrameBufSize, m_baudRate);
            return int(m_deadlineMs - now);
        }
        // Bytes still coming (more slowly than the line could carry them): wait as long as a
        // candidate may wait for its next byte.
        const std::int64_t stale = m_lastReceiveMs + CandidatePauseMs(m_baudRate);
        if (now < stale) {
            m_deadlineMs = stale;
            return int(stale - now);
        }
    }
    conclude(failedOutcome());
    return -1;
}

ReplyOutcome TrafficState::failedOutcome() const
{
    ReplyOutcome outcome{ReplyMode, ReplyVerdict::Nothing};
    if (m_notes.foreign) {
        outcome.verdict = ReplyVerdict::NotThisMeter;
    } else if (m_notes.badSum) {
        outcome.verdict = ReplyVerdict::BadChecksum;
        outcome.expectedSum = m_notes.expectedSum;
        outcome.receivedSum = m_notes.receivedSum;
    } else if (m_notes.started || (FramePos != 0 && m_notes.received)) {
        outcome.verdict = ReplyVerdict::Incomplete;
    } else if (m_notes.received) {
        outcome.verdict = ReplyVerdict::Unrecognised;
    }
    return outcome;
}

void TrafficState::conclude(ReplyOutcome outcome)
{
    ReplyMode = kReplyNone;
    AwaitingReply = false;
    m_echoPos = -1;
    m_view->showOutcome(outcome);
}

void TrafficState::ReceiveNotification(const QByteArray &input)
{
    RxCount += input.size();
    m_view->setRxCaption(QString::number(RxCount));
    huntAddress(input);
    // The line's echo of the request is taken in by itself, so that it is shown (and flagged)
    // before a reply that follows it in the same notification.
    const qsizetype echoEnd = echoEndIn(input);
    if (echoEnd > 0) {
        ReadPortInput(input.first(echoEnd));
        m_takingEcho = true;
        recognize();
        m_takingEcho = false;
        if (const MeterProtocol *armed = armedProtocol()) {
            m_view->showEcho(*armed, m_armedRequest);
            m_notes = {}; // the echo is no sign of the meter
        }
    }
    ReadPortInput(input.sliced(echoEnd));
    recognize();
}

qsizetype TrafficState::echoEndIn(const QByteArray &input)
{
    qsizetype i = 0;
    while (m_echoPos >= 0 && i < input.size()) {
        if (m_echoPos >= m_armedRequest.size() || input[i] != m_armedRequest[m_echoPos]) {
            m_echoPos = -1;
            return 0;
        }
        ++i;
        if (++m_echoPos == m_armedRequest.size()) {
            m_echoPos = -1;
            return i;
        }
    }
    return 0;
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
    for (;;) {
        armed->recognize(*this);
        if (FrameReady != 1 || !AwaitingReply)
            return;
        m_view->showCheckedReply(*armed, m_checkedFrame);
        FrameReady = 0;
        // The line's echo of the request is shown as checked, but the reply is still to come:
        // hunt on.
        const auto *frame = reinterpret_cast<const std::uint8_t *>(m_checkedFrame.constData());
        if (!m_takingEcho || !armed->layout.isRequest || !armed->layout.isRequest(frame)) {
            conclude({armed->id, ReplyVerdict::Checked,
                      int(std::max<std::int64_t>(m_lastReceiveMs - m_requestEndMs, 0))});
            return;
        }
    }
}

void TrafficState::ReadPortInput(const QByteArray &input)
{
    if (input.isEmpty())
        return;
    m_lastReceiveMs = m_clock();
    m_notes.received = true;
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
            m_notes.started = true;
            if (FramePos == checksumPos) {
                const std::uint8_t sum =
                    SumByte(&FrameBuf[layout.sumStartPos], checksumPos - layout.sumStartPos);
                if (b != sum) {
                    m_notes.badSum = true;
                    m_notes.expectedSum = sum;
                    m_notes.receivedSum = b;
                    rejectCandidate();
                    continue;
                }
            }
            if (FramePos == checksumPos + 1) {
                const bool skipped =
                    m_skipRequests && layout.isRequest && layout.isRequest(FrameBuf.data());
                if (b != kEnd || skipped || (layout.belongs && !layout.belongs(*this))) {
                    m_notes.foreign = m_notes.foreign || (b == kEnd && !skipped);
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
