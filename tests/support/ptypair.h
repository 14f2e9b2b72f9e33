#pragma once

#include <QByteArray>
#include <QString>

// A pseudo-terminal standing in for a serial device in tests. The program under test opens the
// slave side by its path, as it would open /dev/ttyUSB0; the test plays the far end of the line
// (the meter) through the master side. The slave side is raw: no echo, no newline translation.
class PtyPair
{
public:
    // Opens a new pseudo-terminal; check isOpen() (errorString() says why not).
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    // True while the master end is open.
    bool isOpen() const { return m_master >= 0; }
    QString errorString() const { return m_error; }
    // The device path of the slave side, for instance "/dev/pts/3".
    QString slavePath() const { return m_slavePath; }

    // Writes all bytes to the master end: the program reads them from the slave side.
    bool write(const QByteArray &bytes);
    // Collects what the program wrote to the slave side until `count` bytes have arrived or
    // `timeoutMs` has passed; returns what arrived.
    QByteArray read(int count, int timeoutMs = 5000);
    // What the program wrote to the slave side and is waiting now, without waiting.
    QByteArray readAvailable();

    // Closes the master end (and the helper's own slave descriptor): the slave side hangs up and
    // its device node goes away, as when a USB adapter is pulled out.
    void closeMaster();

    // The line speed the program set on the slave side (-1 when not a standard rate).
    int baudRate() const;
    // Whether the program set two stop bits on the slave side.
    bool twoStopBits() const;

private:
    int m_master = -1;
    // Held open so that the pseudo-terminal keeps its settings and the master does not see a
    // hang-up between the program's opens.
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};
