#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <utility>

// The simulated meter as a child process on its own pseudo-terminal, and what it logs on its
// standard error.
class MeterProcess
{
public:
    // `program` is the simulator's executable.
    explicit MeterProcess(QString program) : m_program(std::move(program)) {}
    ~MeterProcess() { stop(); }
    MeterProcess(const MeterProcess &) = delete;
    MeterProcess &operator=(const MeterProcess &) = delete;

    // Starts the simulator with `arguments` and returns the device path it prints first, or an
    // empty string when it did not start.
    QString start(const QStringList &arguments);
    // The device path the running simulator printed.
    QString path() const { return m_path; }
    QProcess &process() { return m_process; }

    // The hex of the "RX ..." / "TX ..." lines logged so far, leaving out annotated ones (echoed
    // bytes, bytes that made no request).
    QStringList logLines(const QString &tag);
    // Waits until the log holds `line` as a line of its own; false when the simulator ends or
    // five seconds pass first.
    bool waitForLogLine(const QString &line);
    // Everything logged so far.
    QString log();

    // Sends `signal` and waits for the simulator to end; false when it does not.
    bool signalAndWait(int signal);
    // Ends the simulator: politely first, then by force.
    void stop();

private:
    QString m_program;
    QProcess m_process;
    QString m_path;
    QString m_log;
};
