#pragma once

#include <QJsonObject>
#include <QString>
#include <cstdint>

// How a read-data request ended: with a checked reply, or, once its reply time-out has passed
// without one, with the reason none came.
enum class ReplyVerdict : std::uint8_t {
    Checked,      // a reply passed every check
    Nothing,      // no byte from the meter
    Incomplete,   // a frame started and never completed
    BadChecksum,  // a complete frame whose checksum byte was wrong
    NotThisMeter, // a checked frame, but for another address or not a reply to the request
    Unrecognised, // bytes, but no frame in them
};

struct ReplyOutcome
{
    std::uint8_t protocol = 0;
    ReplyVerdict verdict = ReplyVerdict::Nothing;
    // From the last request byte to the reply's last byte; -1 without a checked reply.
    int responseMs = -1;
    // For BadChecksum: the sum of the frame's bytes and the checksum byte it carried.
    std::uint8_t expectedSum = 0;
    std::uint8_t receivedSum = 0;
};

// The line the data-analysis area shows for an outcome: the response time of a checked reply
// ("应答时间：182 ms"), otherwise why no checked reply came and what to look at.
QString ReplyOutcomeText(const ReplyOutcome &outcome);
// The verdict's name in JSON: "checked", "no-reply", "incomplete", "bad-checksum",
// "not-this-meter", "unrecognised".
QString ReplyVerdictName(ReplyVerdict verdict);

// The success figures of a series of read-data requests, as continuous reading judges a meter's
// communication by.
class ReplyStatistics
{
public:
    void add(const ReplyOutcome &outcome);
    void reset() { *this = ReplyStatistics(); }

    int requests() const { return m_requests; }
    int passed() const { return m_passed; }
    int unanswered() const { return m_unanswered; }
    // Every other failure: incomplete, bad checksum, another meter's frame, unrecognised bytes.
    int failed() const { return m_requests - m_passed - m_unanswered; }
    // Over the checked replies; 0 without one.
    int averageMs() const;
    int longestMs() const { return m_longestMs; }

    // "第 N 次：通过 P，无应答 T，校验失败 F，平均应答 A ms，最长 M ms"
    QString text() const;
    QJsonObject toJson() const;

private:
    int m_requests = 0;
    int m_passed = 0;
    int m_unanswered = 0;
    std::int64_t m_totalMs = 0;
    int m_longestMs = 0;
};
