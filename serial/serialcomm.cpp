#include "serialcomm.h"

#include "conversions.h"
#include "parityletter.h"

#include <QFile>
#include <QSerialPort>

#include <limits>
#include <optional>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/sysmacros.h>
#endif

namespace {

// The line settings a settings text stands for, in QSerialPort's terms.
struct LineSettings
{
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// Settings the trial opens of the port probe use: every serial device accepts them.
const QString kProbeSettings = QStringLiteral("9600,N,8,1");

// Parses "baud,parity,data,stop"; fields may carry blanks around them.
std::optional<LineSettings> parseSettings(const QString &text)
{
    const QStringList fields = text.split(u',');
    if (fields.size() != 4)
        return std::nullopt;
    const QString baud = fields[0].trimmed();
    const QString parity = fields[1].trimmed().toUpper();
    const QString data = fields[2].trimmed();
    const QString stop = fields[3].trimmed();

    LineSettings settings;
    if (!IsDecimalDigits(baud) || baud.size() > 10)
        return std::nullopt;
    const qint64 baudValue = baud.toLongLong();
    if (baudValue <= 0 || baudValue > std::numeric_limits<qint32>::max())
        return std::nullopt;
    settings.baudRate = qint32(baudValue);

    const std::optional<QSerialPort::Parity> parityValue = ParityFromLetter(parity);
    if (!parityValue)
        return std::nullopt;
    settings.parity = *parityValue;

    if (data == u"5")
        settings.dataBits = QSerialPort::Data5;
    else if (data == u"6")
        settings.dataBits = QSerialPort::Data6;
    else if (data == u"7")
        settings.dataBits = QSerialPort::Data7;
    else if (data == u"8")
        settings.dataBits = QSerialPort::Data8;
    else
        return std::nullopt;

    if (stop == u"1")
        settings.stopBits = QSerialPort::OneStop;
    else if (stop == u"1.5")
        settings.stopBits = QSerialPort::OneAndHalfStop;
    else if (stop == u"2")
        settings.stopBits = QSerialPort::TwoStop;
    else
        return std::nullopt;
    return settings;
}

// QSerialPort outside Windows quietly programs one stop bit when asked for 1.5; refuse instead
// of running the line with settings other than those chosen.
bool platformSupports(const LineSettings &settings)
{
#ifdef Q_OS_WIN
    Q_UNUSED(settings);
    return true;
#else
    return settings.stopBits != QSerialPort::OneAndHalfStop;
#endif
}

// Hands the settings to the port; on an open port they reach the device at once.
bool applySettings(QSerialPort &port, const LineSettings &settings)
{
    bool ok = port.setBaudRate(settings.baudRate);
    ok = port.setParity(settings.parity) && ok;
    ok = port.setDataBits(settings.dataBits) && ok;
    ok = port.setStopBits(settings.stopBits) && ok;
    ok = port.setFlowControl(QSerialPort::NoFlowControl) && ok;
    return ok;
}

// Opens `port` with `settings`; the error the open met (cleared on the port), NoError when open.
// `switching` is set meanwhile, so that the error signals of the open are taken as expected.
QSerialPort::SerialPortError openWith(QSerialPort &port, const LineSettings &settings,
                                      bool &switching)
{
    applySettings(port, settings);
    switching = true;
    const bool opened = port.open(QIODevice::ReadWrite);
    switching = false;
    const QSerialPort::SerialPortError error = opened ? QSerialPort::NoError : port.error();
    port.clearError();
    return error;
}

#ifdef Q_OS_UNIX
// A device worth trying: a character device this process may read and write. QSerialPort reports
// a missing permission and a port held by someone else alike (PermissionError), so the permission
// is checked here first; after this a PermissionError can only mean busy.
bool deviceAccessible(const QString &path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    return ::stat(native.constData(), &info) == 0 && S_ISCHR(info.st_mode) &&
           ::access(native.constData(), R_OK | W_OK) == 0;
}

// A pseudo-terminal carries no parity bit: Linux clears PARENB there whatever is asked. When that
// was the only change an open asked for (the device left with CLOCAL and IGNPAR by an earlier
// program), QSerialPort reads the unchanged line back and takes it for refused settings.
bool pseudoTerminal(const QString &path)
{
#ifdef Q_OS_LINUX
    constexpr unsigned kFirstPtySlaveMajor = 136; // Unix 98 pseudo-terminal slaves: 136 to 143
    constexpr unsigned kLastPtySlaveMajor = 143;
    struct stat info = {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISCHR(info.st_mode) &&
           major(info.st_rdev) >= kFirstPtySlaveMajor && major(info.st_rdev) <= kLastPtySlaveMajor;
#else
    Q_UNUSED(path);
    return false;
#endif
}

// A hung-up terminal (adapter removed, pseudo-terminal master closed) reports POLLHUP or POLLERR
// for good; a full output queue (EAGAIN, which QSerialPort also calls ResourceError) does not.
bool descriptorHungUp(qintptr handle)
{
    if (handle < 0)
        return true;
    pollfd probe = {int(handle), POLLIN, 0};
    if (::poll(&probe, 1, 0) < 0)
        return false;
    return (probe.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}
#endif

} // namespace

PortMap PortMap::platformDefault()
{
    PortMap map;
#ifdef Q_OS_WIN
    for (int port = kFirstPort; port <= kLastPort; ++port)
        map.set(port, QStringLiteral("COM%1").arg(port));
#else
    for (int i = 0; i < 4; ++i)
        map.set(1 + i, QStringLiteral("/dev/ttyS%1").arg(i));
    for (int i = 0; i < 8; ++i) {
        map.set(5 + i, QStringLiteral("/dev/ttyUSB%1").arg(i));
        map.set(13 + i, QStringLiteral("/dev/ttyACM%1").arg(i));
    }
#endif
    return map;
}

SerialComm::SerialComm(const PortMap &map, QObject *parent)
    : QObject(parent), m_map(map), m_port(new QSerialPort(this))
{
    connect(m_port, &QSerialPort::readyRead, this, &SerialComm::onReadyRead);
    connect(m_port, &QSerialPort::bytesWritten, this, &SerialComm::onBytesWritten);
    connect(m_port, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError error) { onErrorOccurred(error); });
}

SerialComm::~SerialComm()
{
    // The port is a child and would otherwise close after this object is gone, signalling into it.
    m_port->disconnect(this);
    m_port->close();
}

void SerialComm::setPortMap(const PortMap &map)
{
    m_map = map;
}

int SerialComm::setCommPort(int port)
{
    if (port < 1 || port > kMaxPortNumber)
        return kInvalidPortNumber;
    if (m_port->isOpen())
        return kPortAlreadyOpen;
    m_commPort = port;
    return kNoError;
}

bool SerialComm::PortOpen() const
{
    return m_port->isOpen() && !m_lossPending;
}

int SerialComm::setPortOpen(bool open)
{
    if (!open) {
        closePort();
        return kNoError;
    }
    return openPort();
}

int SerialComm::openPort()
{
    // A loss noticed but not yet reported: report it now, so that the open starts from closed.
    if (m_lossPending)
        finishDeviceLoss();
    if (m_port->isOpen())
        return kPortAlreadyOpen;
    const QString device = m_map.device(m_commPort);
    if (device.isEmpty())
        return kInvalidPortNumber;
#ifdef Q_OS_UNIX
    if (!deviceAccessible(device))
        return kHardwareNotAvailable;
#endif
    const std::optional<LineSettings> settings = parseSettings(m_settings);
    if (!settings || !platformSupports(*settings))
        return kSettingsRefused;

    m_port->setPortName(device);
    QSerialPort::SerialPortError error = openWith(*m_port, *settings, m_switching);
    if (error == QSerialPort::UnsupportedOperationError &&
        settings->parity != QSerialPort::NoParity && pseudoTerminal(device)) {
        // Opened as a fresh pseudo-terminal opens: without the parity bit it cannot carry.
        LineSettings withoutParity = *settings;
        withoutParity.parity = QSerialPort::NoParity;
        error = openWith(*m_port, withoutParity, m_switching);
    }
    if (error == QSerialPort::NoError) {
        m_lossPending = false;
        return kNoError;
    }
    switch (error) {
    case QSerialPort::PermissionError:
        // The lock file is held or the device is in exclusive use (EBUSY).
        return kPortAlreadyOpen;
    case QSerialPort::UnsupportedOperationError:
        // The device turned down the baud rate or another setting.
        return kSettingsRefused;
    default:
        return kHardwareNotAvailable;
    }
}

void SerialComm::closePort()
{
    m_switching = true;
    m_port->close();
    m_switching = false;
    m_port->clearError();
    m_lossPending = false;
}

int SerialComm::setSettings(const QString &settings)
{
    const std::optional<LineSettings> parsed = parseSettings(settings);
    if (!parsed)
        return kSettingsRefused;
    if (m_port->isOpen()) {
        if (!platformSupports(*parsed) || !applySettings(*m_port, *parsed)) {
            if (const std::optional<LineSettings> previous = parseSettings(m_settings))
                applySettings(*m_port, *previous);
            m_port->clearError();
            return kSettingsRefused;
        }
    }
    m_settings = settings;
    return kNoError;
}

int SerialComm::InBufferCount() const
{
    return PortOpen() ? int(m_port->bytesAvailable()) : 0;
}

QByteArray SerialComm::Input()
{
    if (!PortOpen())
        return {};
    return m_inputLen > 0 ? m_port->read(m_inputLen) : m_port->readAll();
}

int SerialComm::Output(const QByteArray &bytes)
{
    if (!PortOpen())
        return kPortNotOpen;
    if (bytes.isEmpty())
        return kNoError;
    if (m_port->write(bytes) != bytes.size())
        return kPortNotOpen;
    // Hand the bytes to the driver now, as the classic control does; the rest (if the driver's
    // queue is full) follows from the event loop.
    m_port->flush();
    return m_lossPending ? kPortNotOpen : kNoError;
}

void SerialComm::onReadyRead()
{
    if (m_rThreshold <= 0 || m_port->bytesAvailable() < m_rThreshold)
        return;
    m_commEvent = comEvReceive;
    emit OnComm();
}

void SerialComm::onBytesWritten()
{
    if (m_sThreshold <= 0 || m_port->bytesToWrite() > 0)
        return;
    m_commEvent = comEvSend;
    emit OnComm();
}

void SerialComm::onErrorOccurred(int error)
{
    // Opening and closing raise errors of their own (a failed open, restoring the line settings
    // of a device already gone); only errors of an open port in use can mean the device left.
    if (m_switching || m_lossPending || !m_port->isOpen())
        return;
    switch (error) {
    case QSerialPort::ReadError:
        // A read that returned nothing though the descriptor was readable: end of file on a
        // hung-up terminal. The read notifier stays armed, so leaving it would spin.
    case QSerialPort::WriteError:
        break;
    case QSerialPort::ResourceError:
#ifdef Q_OS_UNIX
        if (!descriptorHungUp(m_port->handle()))
            return;
#endif
        break;
    default:
        return;
    }
    // Closing from inside the port's own notifier callback would delete the notifier under it;
    // finish on a clean stack. Until then the port counts as closed.
    m_lossPending = true;
    QMetaObject::invokeMethod(this, &SerialComm::finishDeviceLoss, Qt::QueuedConnection);
}

bool SerialComm::DeliverPendingLoss()
{
    if (!m_lossPending)
        return false;
    finishDeviceLoss();
    return true;
}

void SerialComm::finishDeviceLoss()
{
    // The owner may have closed the port in between; then there is nothing left to report.
    if (!m_lossPending)
        return;
    closePort();
    emit DeviceLost();
}

QList<ProbedPort> ProbePorts(SerialComm &comm)
{
    const int previousPort = comm.CommPort();
    const QString previousSettings = comm.Settings();
    comm.setPortOpen(false);
    comm.setSettings(kProbeSettings);

    QList<ProbedPort> ports;
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        comm.setCommPort(port);
        switch (comm.setPortOpen(true)) {
        case SerialComm::kNoError:
            ports.append({port, false});
            comm.setPortOpen(false);
            break;
        case SerialComm::kPortAlreadyOpen:
            ports.append({port, true});
            break;
        default:
            break;
        }
    }

    comm.setCommPort(previousPort);
    comm.setSettings(previousSettings);
    return ports;
}

int PortNumberOfEntry(const QString &text)
{
    return LeadingNumber(text.mid(3, 2));
}

QString SettingsText(const SettingsChoice &choice)
{
    return choice.baud + u',' + choice.parity.mid(1, 1) + u',' + choice.dataBits + u',' +
           choice.stopBits;
}
