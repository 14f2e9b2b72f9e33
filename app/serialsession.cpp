#include "serialsession.h"

#include "trafficlog.h"

namespace {

const QString kInitialSettings = QStringLiteral("2400,E,8,1");

} // namespace

QString PortEntryText(const ProbedPort &port)
{
    const QString name = QStringLiteral("COM%1").arg(port.number);
    return port.busy ? name + kBusyPortSuffix : name;
}

SerialSession::SerialSession(PortMapSource portMaps, QObject *parent)
    : QObject(parent), m_portMaps(std::move(portMaps)), m_comm(PortMap::empty())
{
    m_comm.setObjectName(QStringLiteral("MSComm1"));
    m_comm.setSettings(kInitialSettings);
    m_comm.setInputMode(SerialComm::comInputModeBinary);
    m_comm.setRThreshold(1);
    m_comm.setSThreshold(1);
    m_comm.setInputLen(0);
    connect(&m_comm, &SerialComm::OnComm, this, &SerialSession::onComm);
    connect(&m_comm, &SerialComm::DeviceLost, this, &SerialSession::deviceLost);
}

QList<ProbedPort> SerialSession::probe()
{
    // A changed map (a file edited, an adapter mapped anew) shows at the next probe.
    m_comm.setPortMap(m_portMaps());
    return ProbePorts(m_comm);
}

int SerialSession::open(int port, const QString &settings)
{
    int error = m_comm.setCommPort(port);
    if (error == SerialComm::kNoError)
        error = m_comm.setSettings(settings);
    if (error == SerialComm::kNoError)
        error = m_comm.setPortOpen(true);
    if (error != SerialComm::kNoError && m_comm.PortOpen())
        m_comm.setPortOpen(false);
    return error;
}

bool SerialSession::write(const QByteArray &bytes)
{
    if (m_log)
        m_log->sent(bytes);
    return m_comm.Output(bytes) == SerialComm::kNoError;
}

void SerialSession::onComm()
{
    if (m_comm.CommEvent() != SerialComm::comEvReceive)
        return;
    const QByteArray input = m_comm.Input();
    if (m_log)
        m_log->received(input);
    emit received(input);
}
