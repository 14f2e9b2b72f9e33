#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// The simulated meter as a child process on its own pseudo-terminal.
class MeterProcess
{
public:
    ~MeterProcess() { stop(); }

    // Starts the simulator with `arguments` and returns the device path it prints first, or an
    // empty string when it did not start.
    QString start(const QStringList &arguments)
    {
        m_log.clear();
        m_process.setProgram(QStringLiteral(METERSIM_PATH));
        m_process.setArguments(arguments);
        m_process.start();
        if (!m_process.waitForStarted(5000))
            return {};
        while (!m_process.canReadLine())
            if (!m_process.waitForReadyRead(5000))
                return {};
        return QString::fromLocal8Bit(m_process.readLine()).trimmed();
    }

    // The hex of the "RX ..." / "TX ..." lines logged so far, leaving out annotated ones (echoed
    // bytes, bytes that made no request).
    QStringList logLines(const QString &tag)
    {
        m_log += QString::fromLocal8Bit(m_process.readAllStandardError());
        QStringList lines;
        for (const QString &line : m_log.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
            if (line.startsWith(tag + QLatin1Char(' ')) && !line.endsWith(QLatin1Char(')')))
                lines << line.mid(tag.size() + 1);
        return lines;
    }

    void stop()
    {
        if (m_process.state() == QProcess::NotRunning)
            return;
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
        m_process.waitForFinished(1000);
    }

private:
    QProcess m_process;
    QString m_log;
};
