#include "replyoutcome.h"

#include <QCoreApplication>
#include <algorithm>

// The outcome lines, in the language of the translation the program installs.
namespace {
struct Words
{
    Q_DECLARE_TR_FUNCTIONS(ReplyOutcome)
};
} // namespace

QString ReplyOutcomeText(const ReplyOutcome &outcome)
{
    switch (outcome.verdict) {
    case ReplyVerdict::Checked:
        return Words::tr("应答时间：%1 ms").arg(outcome.responseMs);
    case ReplyVerdict::Nothing:
        return Words::tr("无应答：仪表在应答时限内没有发送任何数据，请检查接线、表地址、波特率"
                         "和校验位。");
    case ReplyVerdict::Incomplete:
        return Words::tr("应答不完整：帧已开始但没有收完，请检查接线和干扰，或延长应答时限。");
    case ReplyVerdict::BadChecksum:
        return Words::tr("校验和错误：应为 %1，收到 %2，请检查线路干扰和校验位设置。")
            .arg(QStringLiteral("%1").arg(outcome.expectedSum, 2, 16, QLatin1Char('0')).toUpper(),
                 QStringLiteral("%1").arg(outcome.receivedSum, 2, 16, QLatin1Char('0')).toUpper());
    case ReplyVerdict::NotThisMeter:
        return Words::tr("不是本表的应答：收到的帧校验正确，但来自其他地址或不是对本请求的"
                         "应答，请检查表地址。");
    case ReplyVerdict::Unrecognised:
        break;
    }
    return Words::tr("无法识别的数据：收到数据但其中没有完整的帧，请检查波特率、校验位和协议。");
}

QString ReplyVerdictName(ReplyVerdict verdict)
{
    switch (verdict) {
    case ReplyVerdict::Checked:
        return QStringLiteral("checked");
    case ReplyVerdict::Nothing:
        return QStringLiteral("no-reply");
    case ReplyVerdict::Incomplete:
        return QStringLiteral("incomplete");
    case ReplyVerdict::BadChecksum:
        return QStringLiteral("bad-checksum");
    case ReplyVerdict::NotThisMeter:
        return QStringLiteral("not-this-meter");
    case ReplyVerdict::Unrecognised:
        break;
    }
    return QStringLiteral("unrecognised");
}

void ReplyStatistics::add(const ReplyOutcome &outcome)
{
    ++m_requests;
    if (outcome.verdict == ReplyVerdict::Checked) {
        ++m_passed;
        const int ms = std::max(outcome.responseMs, 0);
        m_totalMs += ms;
        m_longestMs = std::max(m_longestMs, ms);
    } else if (outcome.verdict == ReplyVerdict::Nothing) {
        ++m_unanswered;
    }
}

int ReplyStatistics::averageMs() const
{
    return m_passed == 0 ? 0 : int((m_totalMs + m_passed / 2) / m_passed);
}

QString ReplyStatistics::text() const
{
    return Words::tr("第 %1 次：通过 %2，无应答 %3，校验失败 %4，平均应答 %5 ms，最长 %6 ms")
        .arg(m_requests)
        .arg(m_passed)
        .arg(m_unanswered)
        .arg(failed())
        .arg(averageMs())
        .arg(m_longestMs);
}

QJsonObject ReplyStatistics::toJson() const
{
    return {
        {QStringLiteral("requests"), m_requests},    {QStringLiteral("passed"), m_passed},
        {QStringLiteral("no_reply"), m_unanswered},  {QStringLiteral("failed"), failed()},
        {QStringLiteral("average_ms"), averageMs()}, {QStringLiteral("longest_ms"), m_longestMs}};
}
