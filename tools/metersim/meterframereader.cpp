#include "meterframereader.h"

#include "metercodec.h"

#include <utility>

namespace {

constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kStop = 0x16;
constexpr int kShortLength = 5;
// C, A and CI are the least a long frame carries (EN 13757-2).
constexpr int kMinLongLField = 3;
// Index of the length byte L in a CJ/T 188 frame; the data follow it.
constexpr int kCj188LIndex = 10;
constexpr int kCj188CIndex = 9;
constexpr std::uint8_t kCj188ReplyBit = 0x80;

// What the bytes from one offset on can still be.
struct Candidate
{
    enum State { Invalid, Incomplete, Complete } state = Invalid;
    MeterFrameKind kind = MeterFrameKind::Cj188;
    qsizetype length = 0;
};

constexpr Candidate kInvalid{};
constexpr Candidate kIncomplete{Candidate::Incomplete};

std::uint8_t At(QByteArrayView b, qsizetype i)
{
    return std::uint8_t(b[i]);
}

// A closed frame: `sumFrom` to the checksum byte at `length - 2`, stop byte last.
Candidate Closed(QByteArrayView b, MeterFrameKind kind, qsizetype length, qsizetype sumFrom)
{
    if (b.size() < length)
        return kIncomplete;
    const bool ok = At(b, length - 1) == kStop &&
                    At(b, length - 2) == ByteSum(b.sliced(sumFrom, length - 2 - sumFrom));
    return ok ? Candidate{Candidate::Complete, kind, length} : kInvalid;
}

Candidate ExamineShort(QByteArrayView b)
{
    return Closed(b, MeterFrameKind::MbusShort, kShortLength, 1);
}

Candidate ExamineLong(QByteArrayView b)
{
    if (b.size() >= 3 && b[1] != b[2])
        return kInvalid;
    if (b.size() >= 4 && (At(b, 3) != kLongStart || At(b, 1) < kMinLongLField))
        return kInvalid;
    if (b.size() < 4)
        return kIncomplete;
    return Closed(b, MeterFrameKind::MbusLong, At(b, 1) + 6, 4);
}

Candidate ExamineCj188(QByteArrayView b)
{
    if (b.size() > kCj188CIndex && (At(b, kCj188CIndex) & kCj188ReplyBit))
        return kInvalid;
    if (b.size() <= kCj188LIndex)
        return kIncomplete;
    return Closed(b, MeterFrameKind::Cj188, At(b, kCj188LIndex) + 13, 0);
}

// Both protocols open a frame with 68; whichever reading completes first wins.
Candidate Examine(QByteArrayView b)
{
    switch (At(b, 0)) {
    case kShortStart:
        return ExamineShort(b);
    case kLongStart: {
        const Candidate mbus = ExamineLong(b);
        const Candidate cj188 = ExamineCj188(b);
        if (mbus.state == Candidate::Complete)
            return mbus;
        if (cj188.state == Candidate::Complete)
            return cj188;
        const bool open =
            mbus.state == Candidate::Incomplete || cj188.state == Candidate::Incomplete;
        return open ? kIncomplete : kInvalid;
    }
    default:
        return kInvalid;
    }
}

} // namespace

QList<MeterFrame> MeterFrameReader::feed(QByteArrayView bytes)
{
    m_buffer.append(bytes);
    QList<MeterFrame> frames;
    for (;;) {
        // The earliest complete frame wins, even over an earlier start that still waits for
        // bytes: a real request arrives in one go, so an open candidate in front of a complete
        // frame is a stray start byte whose length field points somewhere far ahead.
        qsizetype firstOpen = -1;
        bool found = false;
        for (qsizetype offset = 0; offset < m_buffer.size(); ++offset) {
            const Candidate c = Examine(QByteArrayView(m_buffer).sliced(offset));
            if (c.state == Candidate::Complete) {
                MeterFrame frame;
                frame.kind = c.kind;
                frame.bytes = m_buffer.sliced(offset, c.length);
                frame.lead = m_skipped + m_buffer.first(offset);
                m_skipped.clear();
                m_buffer.remove(0, offset + c.length);
                frames.append(frame);
                found = true;
                break;
            }
            if (c.state == Candidate::Incomplete && firstOpen < 0)
                firstOpen = offset;
        }
        if (!found) {
            const qsizetype drop = firstOpen < 0 ? m_buffer.size() : firstOpen;
            m_skipped.append(m_buffer.first(drop));
            m_buffer.remove(0, drop);
            return frames;
        }
    }
}

QByteArray MeterFrameReader::takeSkipped()
{
    return std::exchange(m_skipped, {});
}
