#include "metersession.h"

#include "conversions.h"
#include "meterprotocol.h"
#include "trafficlog.h"

#include <QDateTime>
#include <QSaveFile>

#include <algorithm>

namespace {

const QString kInitialSettings = QStringLiteral("2400,E,8,1");

} // namespace

QString PortEntryText(const ProbedPort &port)
{
    const QString name = QStringLiteral("COM%1").arg(port.number);
    return port.busy ? name + MeterSession::tr(kBusyPortSuffix.toUtf8().constData()) : name;
}

MeterSession::MeterSession(PortMapSource portMaps, const QList<const MeterProtocol *> &protocols,
                           QObject *parent)
    : QObject(parent), m_portMaps(std::move(portMaps)), m_comm(PortMap::empty()),
      m_traffic(this, &m_linePort)
{
    for (const MeterProtocol *protocol : protocols)
        m_traffic.addProtocol(*protocol);
    m_comm.setObjectName(QStringLiteral("MSComm1"));
    m_comm.setSettings(kInitialSettings);
    m_comm.setInputMode(SerialComm::comInputModeBinary);
    m_comm.setRThreshold(1);
    m_comm.setSThreshold(1);
    m_comm.setInputLen(0);
    connect(&m_comm, &SerialComm::OnComm, this, &MeterSession::onComm);
    connect(&m_comm, &SerialComm::DeviceLost, this, &MeterSession::deviceLost);
    m_candidateTimer.setSingleShot(true);
    m_candidateTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_candidateTimer, &QTimer::timeout, this, &MeterSession::checkCandidate);
    m_replyTimer.setSingleShot(true);
    m_replyTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_replyTimer, &QTimer::timeout, this, &MeterSession::checkReplyDeadline);
    m_addressTimer.setSingleShot(true);
    connect(&m_addressTimer, &QTimer::timeout, this, [this] {
        if (const int dueInMs = m_traffic.CheckAddressDeadline(); dueInMs >= 0)
            m_addressTimer.start(dueInMs);
    });
}

void MeterSession::loadPortMap()
{
    // A changed map (a file edited, an adapter mapped anew) shows at the next load.
    m_comm.setPortMap(m_portMaps());
}

QList<ProbedPort> MeterSession::probe()
{
    loadPortMap();
    return ProbePorts(m_comm);
}

int MeterSession::open(int port, const QString &settings)
{
    int error = m_comm.setCommPort(port);
    if (error == SerialComm::kNoError)
        error = m_comm.setSettings(settings);
    if (error == SerialComm::kNoError)
        error = m_comm.setPortOpen(true);
    if (error != SerialComm::kNoError && m_comm.PortOpen())
        m_comm.setPortOpen(false);
    m_linkOpen = error == SerialComm::kNoError;
    if (m_linkOpen) {
        m_traffic.setBaudRate(LeadingNumber(settings));
        m_record.clear();
    }
    return error;
}

void MeterSession::close()
{
    const bool wasOpen = m_linkOpen;
    m_comm.setPortOpen(false);
    m_linkOpen = false;
    if (wasOpen)
        emit lineClosed();
}

bool MeterSession::write(const QByteArray &bytes)
{
    keep(true, bytes);
    return m_comm.Output(bytes) == SerialComm::kNoError;
}

void MeterSession::onComm()
{
    if (m_comm.CommEvent() != SerialComm::comEvReceive)
        return;
    const QByteArray input = m_comm.Input();
    keep(false, input);
    emit received(input);
    m_traffic.ReceiveNotification(input);
    checkCandidate();
}

void MeterSession::keep(bool sent, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const auto direction = sent ? TrafficLog::Direction::Sent : TrafficLog::Direction::Received;
    if (m_log)
        m_log->write(direction, bytes, now);
    m_record.append({now.toMSecsSinceEpoch(), sent, bytes});
}

bool MeterSession::saveTrafficRecord(const QString &path, QString *error) const
{
    // Unbuffered, so that a write the disk takes only in part (a full disk, a file size limit)
    // is seen here: the file is then never put in place.
    QSaveFile file(path);
    bool written = file.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (qsizetype i = 0; written && i < m_record.size(); ++i) {
        const Chunk &chunk = m_record.at(i);
        const auto direction =
            chunk.sent ? TrafficLog::Direction::Sent : TrafficLog::Direction::Received;
        const QByteArray line =
            (TrafficLog::line(QDateTime::fromMSecsSinceEpoch(chunk.msecsSinceEpoch), direction,
                              chunk.bytes) +
             QLatin1Char('\n'))
                .toUtf8();
        for (qsizetype done = 0; written && done < line.size();) {
            const qint64 n = file.write(line.constData() + done, line.size() - done);
            written = n > 0;
            done += std::max<qint64>(n, 0);
        }
    }
    if (written && file.commit())
        return true;
    if (error)
        *error = file.errorString();
    return false;
}

void MeterSession::checkCandidate()
{
    const int dueInMs = m_traffic.AbandonStaleCandidate();
    if (dueInMs < 0)
        m_candidateTimer.stop();
    else
        m_candidateTimer.start(dueInMs);
}

void MeterSession::setSendAreaText(std::uint8_t protocol, const QString &text)
{
    emit requestShown(protocol, text);
}

void MeterSession::showCheckedReply(const MeterProtocol &protocol, const QByteArray &frame)
{
    // A checked frame shaped as a request is the line's echo of the request: checked, but no
    // reply to decode.
    const auto *bytes = reinterpret_cast<const std::uint8_t *>(frame.constData());
    const bool request = protocol.layout.isRequest && protocol.layout.isRequest(bytes);
    emit checkedReply(protocol.id, frame, request ? DecodedReply{} : protocol.decode(frame));
}

void MeterSession::showEcho(const MeterProtocol &protocol, const QByteArray &)
{
    emit echoShown(protocol.id);
}

void MeterSession::showOutcome(const ReplyOutcome &outcome)
{
    m_statistics.add(outcome);
    emit replyOutcome(outcome, m_statistics);
}

void MeterSession::showMeterAddress(const MeterProtocol &protocol, const MeterIdentity &identity)
{
    m_addressTimer.stop();
    emit meterAddress(protocol.id, identity);
}

void MeterSession::checkReplyDeadline()
{
    // A stale candidate is given up first: what it held may be the reply.
    checkCandidate();
    const int dueInMs = m_traffic.CheckReplyDeadline();
    if (dueInMs >= 0)
        m_replyTimer.start(dueInMs);
}
