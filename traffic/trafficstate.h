#pragma once

#include "addressreply.h"
#include "replyoutcome.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

struct MeterProtocol;

// ReplyMode while no reply is awaited; otherwise it holds the id of the awaited protocol.
inline constexpr std::uint8_t kReplyNone = 0;

// The display side of the traffic path: it only shows. The meter session implements it and
// passes each call on as a signal; tests record the calls.
class TrafficView
{
public:
    virtual ~TrafficView() = default;
    // Replaces the whole text of the send area of `protocol`'s page.
    virtual void setSendAreaText(std::uint8_t protocol, const QString &text) = 0;
    // Empties the receive area and the data-analysis area.
    virtual void clearReplyAreas() = 0;
    // Appends text at the end of the receive area.
    virtual void appendReceiveText(const QString &text) = 0;
    // Shows that the awaited reply passed every check: `frame` runs from its start byte through
    // its end byte, as received.
    virtual void showCheckedReply(const MeterProtocol &protocol, const QByteArray &frame) = 0;
    virtual void setTxCaption(const QString &text) = 0;
    virtual void setRxCaption(const QString &text) = 0;
    // Follows showCheckedReply when the checked frame was the line's echo of the request itself;
    // the awaited reply is still hunted for.
    virtual void showEcho(const MeterProtocol &, const QByteArray &) {}
    // A read-data request went out and its reply is awaited; its outcome is due in `dueInMs`
    // (CheckReplyDeadline tells it then).
    virtual void replyAwaited(int /*dueInMs*/) {}
    // How the awaited reply ended: after showCheckedReply, or once the reply time-out passed, or
    // when the next read-data request went out first.
    virtual void showOutcome(const ReplyOutcome &) {}
    // A read-address request went out; the outcome of its reply is due in `dueInMs`
    // (CheckAddressDeadline tells it then).
    virtual void addressAwaited(int /*dueInMs*/) {}
    // The meter answered the read-address request.
    virtual void showMeterAddress(const MeterProtocol &, const MeterIdentity &) {}
    // No answer to the read-address request came in time: why.
    virtual void showAddressOutcome(const ReplyOutcome &) {}
};

// A view that shows nothing: for users of the traffic path without a window, which override only
// what they watch.
class NullTrafficView : public TrafficView
{
public:
    void setSendAreaText(std::uint8_t, const QString &) override {}
    void clearReplyAreas() override {}
    void appendReceiveText(const QString &) override {}
    void showCheckedReply(const MeterProtocol &, const QByteArray &) override {}
    void setTxCaption(const QString &) override {}
    void setRxCaption(const QString &) override {}
};

// The port the send step writes requests to.
class TrafficPort
{
public:
    virtual ~TrafficPort() = default;
    virtual bool isOpen() const = 0;
    // Tells the user that a request is about to go out on a closed port.
    virtual void warnClosed() = 0;
    // Writes bytes in one write; a failure is reported by false only.
    virtual bool write(const QByteArray &bytes) = 0;
};

// The traffic state of one meter line: send buffer, receive ring, reply state and counters, with
// the send step and the receive path. Everything runs on the UI thread; nothing here is locked.
class TrafficState
{
public:
    static constexpr int kTxBufSize = 257;
    static constexpr int kRingSize = 2049;
    // The longest frame either protocol can carry: CJ/T 188 with L = 255 (268 bytes through its
    // end byte); an M-Bus long frame with L = 255 has 261.
    static constexpr int kFrameBufSize = 268;
    static constexpr std::int16_t kLastRingIndex = kRingSize - 1;

    // Protocol ids run from 1 to kMaxProtocols - 1.
    static constexpr int kMaxProtocols = 8;

    // Milliseconds on a monotonic clock.
    using Clock = std::function<std::int64_t()>;

    // Without a view nothing is shown; without a port requests are shown and counted only.
    explicit TrafficState(TrafficView *view = nullptr, TrafficPort *port = nullptr);

    void setView(TrafficView *view);
    void setPort(TrafficPort *port) { m_port = port; }
    // Registers `protocol`, whose recognizer the receive path runs while ReplyMode equals its
    // id; not owned.
    void addProtocol(const MeterProtocol &protocol);
    // The protocol registered under `id`, or nullptr.
    const MeterProtocol *protocol(std::uint8_t id) const;

    // The send step: shows TxBuf[0..lastIndex] on `protocol`'s page, has the port warn when it is
    // closed, empties the reply areas, counts and writes the bytes, sets AwaitingReply. With
    // `armReply` it arms `protocol`'s recognizer and discards every byte received before, with
    // any frame under assembly.
    void SendFrame(std::uint8_t protocol, int lastIndex, bool armReply);

    // The receive path for the bytes read in one port notification: counts exactly these bytes,
    // shows and stores them, runs the recognizer of ReplyMode and reports a checked reply.
    void ReceiveNotification(const QByteArray &input);
    // Shows `input` at the end of the receive area and stores it in RxRing.
    void ReadPortInput(const QByteArray &input);

    // Arms the hunt for the answer to the read-address request of `protocol` that SendFrame has
    // just written. The hunt looks at every byte received from then on, apart from the receive
    // ring and the read-data recognizer, and ends with the meter's address, with its outcome
    // once the reply time-out has passed, or at the next request.
    void ArmAddressReply(std::uint8_t protocol);
    // Ends the read-address hunt with its outcome when its time-out has passed; the milliseconds
    // until then, or -1 when no hunt runs (any more).
    int CheckAddressDeadline();

    // Replaces the clock that times received bytes (a steady clock by default).
    void setClock(Clock clock) { m_clock = std::move(clock); }
    // The line speed, which sets how long a candidate frame may wait for its next byte.
    void setBaudRate(int baudRate) { m_baudRate = baudRate; }
    // Overrides every protocol's reply time-out; 0 or less: each protocol's own.
    void setReplyTimeoutMs(int ms) { m_replyTimeoutMs = ms; }
    // The reply time-out of `protocol` at the line speed, or the override.
    int ReplyTimeoutMs(const MeterProtocol &protocol) const;
    // Milliseconds `bytes` characters take on the line at `baudRate` (11 bits each), rounded up.
    static int LineTimeMs(int bytes, int baudRate);
    // Ends the awaited reply with its outcome when its time-out has passed: a reply that has
    // started by then is first given the time its longest frame takes on the line, and then as
    // long as its bytes keep coming within CandidatePauseMs of each other. Returns the
    // milliseconds until the outcome is due, or -1 when no reply is awaited (any more).
    int CheckReplyDeadline();

    // How long a candidate may wait for its next byte: 22 characters at `baudRate`, at least
    // 50 ms. Longer, and no meter is still sending it.
    static int CandidatePauseMs(int baudRate);
    // Gives up a candidate frame on which no byte has arrived for CandidatePauseMs and hunts on
    // from the byte after its start, through the bytes already received, reporting a checked
    // reply found there. Returns the milliseconds until a candidate still waiting goes stale, or
    // -1 when none waits.
    int AbandonStaleCandidate();

    // Ring primitives for the recognizers.
    // Returns the byte at RxTakePos, clears it there and advances RxTakePos.
    std::uint8_t TakeByte();
    // Returns the byte at RxPeekPos and advances RxPeekPos; the byte stays in the ring.
    std::uint8_t ClsChar();
    // Consumes the ring from RxTakePos up to `target` or up to RxWritePos, whichever comes first.
    void DiscardTo(std::int16_t target);

    // Where a protocol keeps the facts its recognizer needs, as positions in FrameBuf.
    struct FrameLayout
    {
        int lengthPos;      // the length byte
        int checksumOffset; // the checksum byte stands at FrameBuf[lengthPos] + checksumOffset
        int sumStartPos;    // the checksum covers the bytes from here up to the checksum byte
        // Whether a candidate can still be a frame once FrameBuf[pos] is stored; none: always.
        bool (*fits)(const std::uint8_t *frame, int pos) = nullptr;
        // Whether a whole frame is a request (the line's echo of our own), never a reply.
        bool (*isRequest)(const std::uint8_t *frame) = nullptr;
        // Whether the frame in FrameBuf, checksum and end byte right, answers ArmedRequest().
        bool (*belongs)(const TrafficState &state) = nullptr;
        // Whether a whole frame that is no request is of the kind a meter answers with; none:
        // every frame that is no request.
        bool (*isReply)(const std::uint8_t *frame) = nullptr;
    };
    // Hunts for a frame with the start byte 68 in the ring, assembling it in FrameBuf across
    // notifications, and sets FrameReady when its checksum byte equals the sum of the candidate's
    // own bytes (so that nothing done meanwhile, such as building a request, can spoil it), the
    // end byte 16 follows, `belongs` accepts it and, while requests are skipped, it is no request.
    // A start attempt consumes one byte; the rest of a candidate is only looked at until it is
    // accepted, so after a rejection the hunt resumes at once at the byte after its start byte. On
    // acceptance the frame is consumed up to and including its end byte.
    void RecognizeFrame(const FrameLayout &layout);

    // Whether RecognizeFrame passes over frames that are requests, as a line with local echo
    // returns them. Off by default: a checked frame carrying the address asked is taken as the
    // reply, whatever its direction.
    void setSkipRequests(bool skip) { m_skipRequests = skip; }

    // The request that armed the recognizer, as written to the port.
    const QByteArray &ArmedRequest() const { return m_armedRequest; }
    // The frame RecognizeFrame accepted last, from its start byte through its end byte.
    const QByteArray &CheckedFrame() const { return m_checkedFrame; }
    // Number of received bytes held in the ring and not yet consumed.
    int RxUnconsumed() const;

    void ResetTxCount();
    void ResetRxCount();

    static std::int16_t NextRingIndex(std::int16_t index)
    {
        return index >= kLastRingIndex ? std::int16_t(0) : std::int16_t(index + 1);
    }

    // Traffic state, named as the protocol code refers to it.
    std::array<std::uint8_t, kRingSize> RxRing{};
    std::int16_t RxWritePos = 0;
    std::int16_t RxTakePos = 0;
    std::int16_t RxPeekPos = 0;
    std::uint8_t RxPending = 0;
    std::uint8_t FrameReady = 0;
    std::int16_t FramePos = 0;
    bool AwaitingReply = false;
    std::array<std::uint8_t, kTxBufSize> TxBuf{};
    std::array<std::uint8_t, kFrameBufSize> FrameBuf{};
    std::int64_t TxCount = 0;
    std::int64_t RxCount = 0;
    std::uint8_t ReplyMode = kReplyNone;

private:
    const MeterProtocol *armedProtocol() const { return protocol(ReplyMode); }
    // Runs the recognizer of ReplyMode and reports a checked reply.
    void recognize();
    void storeByte(std::uint8_t b);
    void rejectCandidate();
    // Arms the reply time-out and the notes of what arrives for the request just written.
    void armOutcome(const QByteArray &request);
    // Ends the awaited reply with `outcome`: shows it and stops awaiting.
    void conclude(ReplyOutcome outcome);
    // Why no checked reply came, from what the hunt met since the request.
    ReplyOutcome failedOutcome() const;

    // What the hunt met since the armed request, for the outcome when no checked reply comes.
    struct HuntNotes
    {
        bool received = false; // a byte arrived (the request's echo aside)
        bool started = false;  // a candidate got past its length byte
        bool badSum = false;   // a candidate's checksum byte was wrong
        bool foreign = false;  // a checked frame that does not answer the request
        std::uint8_t expectedSum = 0;
        std::uint8_t receivedSum = 0;
    };
    HuntNotes m_notes;
    // The read-address hunt: the protocol whose answer is awaited (none: no hunt), its request,
    // what arrived since and when its outcome is due.
    struct AddressWait
    {
        const MeterProtocol *protocol = nullptr;
        QByteArray request;
        QByteArray received;
        std::int64_t deadlineMs = 0;
    };
    AddressWait m_address;
    // Adds `input` to what the read-address hunt looks through and shows the meter it finds.
    void huntAddress(const QByteArray &input);
    // The bytes taken in for the echo so far: how many of the armed request came back as the
    // first bytes after it; -1 once something else came.
    qsizetype m_echoPos = -1;
    // Advances the echo match over `input`; the bytes of `input` through the echo's last one when
    // it completes there, otherwise 0.
    qsizetype echoEndIn(const QByteArray &input);
    // While the echo's bytes are hunted through: a request found then is the echo.
    bool m_takingEcho = false;
    std::int64_t m_requestEndMs = 0;
    std::int64_t m_deadlineMs = 0;
    bool m_deadlineExtended = false;
    int m_replyTimeoutMs = 0;

    TrafficView *m_view;
    TrafficPort *m_port = nullptr;
    std::array<const MeterProtocol *, kMaxProtocols> m_protocols{};
    QByteArray m_armedRequest;
    QByteArray m_lastRequest; // the request SendFrame wrote last
    QByteArray m_checkedFrame;
    Clock m_clock;
    std::int64_t m_lastReceiveMs = 0;
    int m_baudRate = 2400;
    bool m_skipRequests = false;
};
