#include "trafficlog.h"

#include "decodedreply.h"

bool TrafficLog::open(const QString &path)
{
    m_file.setFileName(path);
    return m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
}

QString TrafficLog::line(const QDateTime &when, Direction direction, const QByteArray &bytes)
{
    // An explicit offset keeps the time unambiguous when the log travels to another machine.
    const QDateTime stamped = when.toOffsetFromUtc(when.offsetFromUtc());
    return stamped.toString(Qt::ISODateWithMs) +
           (direction == Direction::Sent ? QLatin1String(" TX ") : QLatin1String(" RX ")) +
           SpacedHex(bytes);
}

void TrafficLog::write(Direction direction, const QByteArray &bytes)
{
    if (!m_file.isOpen() || bytes.isEmpty())
        return;
    m_file.write(
        (line(QDateTime::currentDateTime(), direction, bytes) + QLatin1Char('\n')).toUtf8());
    m_file.flush();
}
