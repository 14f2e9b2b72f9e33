#pragma once

#include "decodedreply.h"
#include "serialcomm.h"
#include "trafficstate.h"

#include <QObject>
#include <QTimer>
#include <functional>

class TrafficLog;
struct MeterProtocol;

// Suffix of a port-list entry whose device is held by another program.
inline const QString kBusyPortSuffix =
    QString::fromUtf8(QT_TRANSLATE_NOOP("MeterSession", " 占用"));

// The port list's text for a probed port: "COM5", or "COM5 占用" when another program holds it.
QString PortEntryText(const ProbedPort &port);

// One meter line, without widgets: it owns the port object, the traffic state with the
// recognizers of the protocols it is given, and the timer that gives up a stale candidate frame.
// It loads the port map, probes, opens and closes ports by number, logs the traffic, and tells
// its users what happens through signals that carry the values: what a request and the received
// bytes look like, the counters, and each checked reply with its decoded content.
class MeterSession : public QObject, private TrafficView
{
    Q_OBJECT
public:
    // Gives the map of devices behind COM1 to COM20, asked afresh at every load.
    using PortMapSource = std::function<PortMap()>;

    // The port starts closed with the settings "2400,E,8,1", binary input, notifying every byte.
    // The protocols are not owned.
    MeterSession(PortMapSource portMaps, const QList<const MeterProtocol *> &protocols,
                 QObject *parent = nullptr);

    SerialComm &comm() { return m_comm; }
    // The traffic state that request builders write into and send from.
    TrafficState &traffic() { return m_traffic; }
    // Whether the port object is open; it counts as closed as soon as it notices a device loss.
    bool isOpen() const { return m_comm.PortOpen(); }
    // Open as far as the users know: from a successful open until close(), which they call on
    // deviceLost too. A request on a line that is not open is warned of (closedPortUsed).
    bool lineOpen() const { return m_linkOpen; }
    // The device behind a port number (empty when unmapped).
    QString devicePath(int port) const { return m_comm.devicePath(port); }

    // Rereads the port map; closes the port first.
    void loadPortMap();
    // Rereads the port map and lists the ports that exist; closes the port first.
    QList<ProbedPort> probe();
    // Opens `port` with `settings`; SerialComm's error number (kNoError when open). A failed open
    // leaves the port closed.
    int open(int port, const QString &settings);
    void close();
    // Writes `bytes` (logged as sent); false when the port is closed or the device is gone.
    bool write(const QByteArray &bytes);
    // Reports a loss noticed but not yet reported (deviceLost, port closed) now; true when there
    // was one.
    bool deliverPendingLoss() { return m_comm.DeliverPendingLoss(); }

    // Overrides every protocol's reply time-out (0 or less: each protocol's own).
    void setReplyTimeoutMs(int ms) { m_traffic.setReplyTimeoutMs(ms); }
    // The outcomes since the last reset: continuous reading resets them when it starts.
    const ReplyStatistics &statistics() const { return m_statistics; }
    void resetStatistics() { m_statistics.reset(); }

    // Every chunk sent and received goes to `log` too (nullptr: none); not owned.
    void setTrafficLog(TrafficLog *log) { m_log = log; }
    // Writes everything sent and received since the port was last opened to `path`, line for line
    // as the traffic log writes it. False with `error` when the file cannot be written; the
    // record is kept and a file already there keeps its content.
    bool saveTrafficRecord(const QString &path, QString *error) const;

signals:
    // Bytes arrived (already logged as received), before the receive path runs on them.
    void received(const QByteArray &bytes);
    // The device went away while open; the port is closed by now. Raised once per loss.
    void deviceLost();
    // close() ended an open line: work under way on it is to be given up.
    void lineClosed();
    // A request was built for `protocol`'s page; `text` is what goes on the line, as hex.
    void requestShown(quint8 protocol, const QString &text);
    // A request is about to go out on a port that is not open.
    void closedPortUsed();
    // A request went out: what showed an earlier reply is to be emptied.
    void replyAreasCleared();
    // Received bytes as hex text, to be appended to what was received before.
    void receiveShown(const QString &text);
    void txCountChanged(qint64 count);
    void rxCountChanged(qint64 count);
    // The awaited reply passed every check: `frame` from its start byte through its end byte.
    void checkedReply(quint8 protocol, const QByteArray &frame, const DecodedReply &reply);
    // The checked frame just shown was the line's echo of the request; its reply is still
    // awaited.
    void echoShown(quint8 protocol);
    // A read-data request ended: with its checked reply, or with why none came. `statistics`
    // already counts it.
    void replyOutcome(const ReplyOutcome &outcome, const ReplyStatistics &statistics);
    // The meter answered a read-address request of `protocol`.
    void meterAddress(quint8 protocol, const MeterIdentity &identity);
    // A read-address request got no answer within the reply time-out: why. Not counted in the
    // statistics, which are those of read-data requests.
    void addressOutcome(const ReplyOutcome &outcome);

private:
    void onComm();
    // Gives up a stalled candidate frame when due and waits for the next one to stall.
    void checkCandidate();

    // TrafficView
    void setSendAreaText(std::uint8_t protocol, const QString &text) override;
    void clearReplyAreas() override { emit replyAreasCleared(); }
    void appendReceiveText(const QString &text) override { emit receiveShown(text); }
    void showCheckedReply(const MeterProtocol &protocol, const QByteArray &frame) override;
    void showEcho(const MeterProtocol &protocol, const QByteArray &) override;
    void replyAwaited(int dueInMs) override { m_replyTimer.start(dueInMs); }
    void showOutcome(const ReplyOutcome &outcome) override;
    // Tells the outcome of the awaited reply when due, or waits on.
    void checkReplyDeadline();
    void addressAwaited(int dueInMs) override { m_addressTimer.start(dueInMs); }
    void showMeterAddress(const MeterProtocol &protocol, const MeterIdentity &identity) override;
    void showAddressOutcome(const ReplyOutcome &outcome) override { emit addressOutcome(outcome); }
    void setTxCaption(const QString &) override { emit txCountChanged(m_traffic.TxCount); }
    void setRxCaption(const QString &) override { emit rxCountChanged(m_traffic.RxCount); }
    // The port as the send step sees it.
    class LinePort : public TrafficPort
    {
    public:
        explicit LinePort(MeterSession &session) : m_session(session) {}
        bool isOpen() const override { return m_session.m_linkOpen; }
        void warnClosed() override { emit m_session.closedPortUsed(); }
        bool write(const QByteArray &bytes) override { return m_session.write(bytes); }

    private:
        MeterSession &m_session;
    };

    PortMapSource m_portMaps;
    SerialComm m_comm;
    LinePort m_linePort{*this};
    TrafficState m_traffic;
    bool m_linkOpen = false;
    // Fires when the candidate frame under assembly would go stale.
    QTimer m_candidateTimer;
    // Fires when the awaited reply's outcome is due.
    QTimer m_replyTimer;
    // Fires when the read-address reply's outcome is due.
    QTimer m_addressTimer;
    ReplyStatistics m_statistics;
    TrafficLog *m_log = nullptr;
    // Logs a chunk and keeps it in the record.
    void keep(bool sent, const QByteArray &bytes);
    // What went over the line since the port was last opened, for saveTrafficRecord.
    struct Chunk
    {
        std::int64_t msecsSinceEpoch;
        bool sent;
        QByteArray bytes;
    };
    QList<Chunk> m_record;
};
