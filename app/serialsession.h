#pragma once

#include "serialcomm.h"

#include <QObject>
#include <functional>

class TrafficLog;

// Suffix of a port-list entry whose device is held by another program.
inline const QString kBusyPortSuffix = QStringLiteral(" 占用");

// The port list's text for a probed port: "COM5", or "COM5 占用" when another program holds it.
QString PortEntryText(const ProbedPort &port);

// The window's serial line without the window: it owns the port object, probes the port list
// with the port map as it is at that moment, opens a port by number with a settings text, closes
// it, and passes on what arrives and the loss of the device.
class SerialSession : public QObject
{
    Q_OBJECT
public:
    // Gives the map of devices behind COM1 to COM20, asked afresh at every probe.
    using PortMapSource = std::function<PortMap()>;

    // The port starts closed with the settings "2400,E,8,1", binary input, notifying every byte.
    explicit SerialSession(PortMapSource portMaps, QObject *parent = nullptr);

    SerialComm &comm() { return m_comm; }
    bool isOpen() const { return m_comm.PortOpen(); }
    // The device behind a port number (empty when unmapped).
    QString devicePath(int port) const { return m_comm.devicePath(port); }

    // Rereads the port map and lists the ports that exist; closes the port first.
    QList<ProbedPort> probe();
    // Opens `port` with `settings`; SerialComm's error number (kNoError when open). A failed open
    // leaves the port closed.
    int open(int port, const QString &settings);
    void close() { m_comm.setPortOpen(false); }
    // Writes `bytes` (logged as sent); false when the port is closed or the device is gone.
    bool write(const QByteArray &bytes);
    // Reports a loss noticed but not yet reported (deviceLost, port closed) now; true when there
    // was one.
    bool deliverPendingLoss() { return m_comm.DeliverPendingLoss(); }

    // Every chunk sent and received goes to `log` too (nullptr: none); not owned.
    void setTrafficLog(TrafficLog *log) { m_log = log; }

signals:
    // Bytes arrived (already logged as received).
    void received(const QByteArray &bytes);
    // The device went away while open; the port is closed by now. Raised once per loss.
    void deviceLost();

private:
    void onComm();

    PortMapSource m_portMaps;
    SerialComm m_comm;
    TrafficLog *m_log = nullptr;
};
