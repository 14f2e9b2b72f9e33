#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QObject>
#include <QString>

// Appends every chunk of line traffic to a text file, one line per chunk, so that an exchange can
// be replayed and attached to a report:
//   2026-12-09T11:16:13.123+00:00 TX 10 5B 00 5B 16
// Each line is written and flushed at once and both are checked: the first failure (a full disk,
// a file size limit) closes the log and is reported once, so that nothing is lost in silence.
class TrafficLog : public QObject
{
    Q_OBJECT
public:
    enum class Direction { Sent, Received };

    using QObject::QObject;

    // Opens `path` for appending (creating it) without blocking; only a regular file or a
    // terminal is taken (a FIFO without a reader would hang the program). False when it cannot,
    // with errorString().
    bool open(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    // Why writing stopped: "FILE: reason" after a failed write, empty while none failed.
    QString failure() const { return m_failure; }

    // Logs a chunk with the current local time; empty chunks and a closed log write nothing.
    void sent(const QByteArray &bytes)
    {
        write(Direction::Sent, bytes, QDateTime::currentDateTime());
    }
    void received(const QByteArray &bytes)
    {
        write(Direction::Received, bytes, QDateTime::currentDateTime());
    }
    // Logs a chunk with the time `when`.
    void write(Direction direction, const QByteArray &bytes, const QDateTime &when);

    // One log line without its newline: ISO 8601 time in milliseconds with the UTC offset,
    // "TX" or "RX", the bytes as upper-case hex pairs.
    static QString line(const QDateTime &when, Direction direction, const QByteArray &bytes);

signals:
    // The first write or flush that failed, with failure(); the log is closed by then.
    void failed(const QString &reason);

private:
    QFile m_file;
    QString m_path;
    QString m_error;
    QString m_failure;
};
