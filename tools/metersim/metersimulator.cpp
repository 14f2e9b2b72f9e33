#include "metersimulator.h"

MeterSimulator::MeterSimulator(const MeterCj188Config &cj188, const MeterMbusConfig &mbus,
                               const MeterFaults &faults)
    : m_cj188(cj188), m_mbus{MeterMbus(mbus)}, m_faults(faults),
      m_clock(&QDateTime::currentDateTime)
{
}

QByteArray CombinedOnBus(const QList<QByteArray> &replies)
{
    QByteArray line;
    for (qsizetype n = 0; n < replies.size(); ++n) {
        for (qsizetype i = 0; i < replies[n].size(); ++i) {
            const qsizetype at = n + i;
            if (at < line.size())
                line[at] = char(line[at] & replies[n][i]);
            else
                line.append(replies[n][i]);
        }
    }
    return line;
}

void MeterSimulator::setMbusMeters(const QList<MeterMbusConfig> &meters)
{
    m_mbus.clear();
    for (const MeterMbusConfig &config : meters)
        m_mbus.append(MeterMbus(config));
    if (m_mbus.isEmpty())
        m_mbus.append(MeterMbus());
}

QByteArray MeterSimulator::mbusReply(QByteArrayView request, const QDateTime &now)
{
    QList<QByteArray> replies;
    for (MeterMbus &meter : m_mbus) {
        const QByteArray reply = meter.reply(request, now);
        if (!reply.isEmpty())
            replies << reply;
    }
    return CombinedOnBus(replies);
}

void MeterSimulator::setClock(std::function<QDateTime()> clock)
{
    m_clock = std::move(clock);
}

QList<MeterExchange> MeterSimulator::feed(QByteArrayView bytes)
{
    QList<MeterExchange> exchanges;
    for (const MeterFrame &frame : m_reader.feed(bytes)) {
        const QDateTime now = m_clock();
        const QByteArray reply = frame.kind == MeterFrameKind::Cj188
                                     ? m_cj188.reply(frame.bytes, now)
                                     : mbusReply(frame.bytes, now);
        exchanges.append({frame, withFaults(reply)});
    }
    return exchanges;
}

QByteArray MeterSimulator::withFaults(QByteArray reply)
{
    if (reply.isEmpty() || m_faults.silent)
        return {};
    ++m_replies;
    const auto strikes = [this](int every) { return every > 0 && m_replies % every == 0; };
    if (strikes(m_faults.dropEvery))
        return {};
    // Framed replies of both protocols end in CS 16.
    if ((m_faults.badChecksum || strikes(m_faults.corruptEvery)) && reply.size() > 2)
        reply[reply.size() - 2] = char(reply[reply.size() - 2] + 1);
    if (m_faults.noise)
        reply.prepend(kNoise);
    return reply;
}
