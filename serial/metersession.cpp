#include "metersession.h"

#include "conversions.h"
#include "meterprotocol.h"
#include "trafficlog.h"

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
    if (m_linkOpen)
        m_traffic.setBaudRate(LeadingNumber(settings));
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
    if (m_log)
        m_log->sent(bytes);
    return m_comm.Output(bytes) == SerialComm::kNoError;
}

void MeterSession::onComm()
{
    if (m_comm.CommEvent() != SerialComm::comEvReceive)
        return;
    const QByteArray input = m_comm.Input();
    if (m_log)
        m_log->received(input);
    emit received(input);
    m_traffic.ReceiveNotification(input);
    checkCandidate();
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
    emit checkedReply(protocol.id, frame, protocol.decode(frame));
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

void MeterSession::checkReplyDeadline()
{
    // A stale candidate is given up first: what it held may be the reply.
    checkCandidate();
    const int dueInMs = m_traffic.CheckReplyDeadline();
    if (dueInMs >= 0)
        m_replyTimer.start(dueInMs);
}
