#include "meterprocess.h"

#include "metersimprocess.h"

#include <QDeadlineTimer>

#include <algorithm>

#include <csignal>

namespace {

// Generous: the simulator starts, logs and ends within milliseconds.
constexpr int kWaitMs = 5000;

} // namespace

QString MeterProcess::start(const QStringList &arguments)
{
    m_log.clear();
    m_path = StartMeterSim(m_process, m_program, arguments, kWaitMs);
    return m_path;
}

QStringList MeterProcess::logLines(const QString &tag)
{
    QStringList lines;
    for (const QString &line : log().split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (line.startsWith(tag + QLatin1Char(' ')) && !line.endsWith(QLatin1Char(')')))
            lines << line.mid(tag.size() + 1);
    return lines;
}

bool MeterProcess::waitForLogLine(const QString &line)
{
    const QDeadlineTimer deadline(kWaitMs);
    for (;;) {
        if (log().split(QLatin1Char('\n')).contains(line))
            return true;
        if (deadline.hasExpired() || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(std::min<qint64>(50, deadline.remainingTime())));
    }
}

QString MeterProcess::log()
{
    m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
    return m_log;
}

bool MeterProcess::signalAndWait(int signal)
{
    ::kill(pid_t(m_process.processId()), signal);
    const bool finished = m_process.waitForFinished(kWaitMs);
    log();
    return finished;
}

void MeterProcess::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(1000);
}
