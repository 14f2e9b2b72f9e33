#include "portstate.h"

#include "openfailure.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

QString PortStateName(PortState state)
{
    switch (state) {
    case PortState::Free:
        return QStringLiteral("free");
    case PortState::Busy:
        return QStringLiteral("busy");
    case PortState::Missing:
        return QStringLiteral("missing");
    case PortState::NoPermission:
        return QStringLiteral("no permission");
    }
    return {};
}

PortState ProbeDevice(const QString &device)
{
#ifdef Q_OS_UNIX
    // The port object reports a missing device and a forbidden one alike; tell them apart first.
    const QByteArray native = QFile::encodeName(device);
    struct stat info = {};
    if (::stat(native.constData(), &info) != 0)
        return PortState::Missing;
    if (::access(native.constData(), R_OK | W_OK) != 0)
        return PortState::NoPermission;
#endif
    PortMap map = PortMap::empty();
    map.set(PortMap::kFirstPort, device);
    SerialComm comm(map);
    comm.setCommPort(PortMap::kFirstPort);
    switch (comm.setPortOpen(true)) {
    case SerialComm::kNoError:
        comm.setPortOpen(false);
        return PortState::Free;
    case SerialComm::kPortAlreadyOpen:
        return PortState::Busy;
    default:
        return PortState::Missing;
    }
}

QString PortListing(const LoadedPortMap &loaded)
{
    QString listing;
    for (int port = PortMap::kFirstPort; port <= PortMap::kLastPort; ++port) {
        const QString device = loaded.map.device(port);
        if (device.isEmpty())
            continue;
        const PortState state = ProbeDevice(device);
        QString line = QStringLiteral("COM%1").arg(port).leftJustified(6) +
                       PortStateName(state).leftJustified(15) + device;
        if (const QString origin = loaded.origins.value(port); !origin.isEmpty())
            line += QStringLiteral("  (from ") + origin + u')';
        listing += line + u'\n';
        // Why an open would fail, and what to do, on an indented line of its own.
        if (state != PortState::Free) {
            const int error = state == PortState::Busy ? SerialComm::kPortAlreadyOpen
                                                       : SerialComm::kHardwareNotAvailable;
            listing +=
                QString(6, u' ') + OpenFailureEnglish(DiagnoseOpenFailure(device, error)) + u'\n';
        }
    }
    return listing;
}
