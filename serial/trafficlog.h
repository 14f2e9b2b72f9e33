#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

// Appends every chunk of line traffic to a text file, one line per chunk, so that an exchange can
// be replayed and attached to a report:
//   2026-12-09T11:16:13.123+00:00 TX 10 5B 00 5B 16
// The file is flushed after each line.
class TrafficLog
{
public:
    enum class Direction { Sent, Received };

    // Opens `path` for appending (creating it); false when it cannot, with errorString().
    bool open(const QString &path);
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_file.errorString(); }

    // Logs a chunk with the current local time; empty chunks and a closed log write nothing.
    void sent(const QByteArray &bytes) { write(Direction::Sent, bytes); }
    void received(const QByteArray &bytes) { write(Direction::Received, bytes); }

    // One log line without its newline: ISO 8601 time in milliseconds with the UTC offset,
    // "TX" or "RX", the bytes as upper-case hex pairs.
    static QString line(const QDateTime &when, Direction direction, const QByteArray &bytes);

private:
    void write(Direction direction, const QByteArray &bytes);

    QFile m_file;
};
