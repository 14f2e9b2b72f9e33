#pragma once

#include "serialcomm.h"

class MeterSession;

#include <QString>
#include <functional>
#include <optional>
#include <variant>

// The line --port names: a port number and the map that puts a device behind it.
struct PortArgument
{
    int port = 1;
    std::function<PortMap()> ports;
};

// Reads --port: COMn (1 to 20) through the port map (files and built-in table), or a device path
// put behind COM1. The usage message when COMn is out of range.
std::variant<PortArgument, QString> ReadPortArgument(const QString &port);

// The line --port, --baud and --parity name: the port and its map, the baud rate, and the port
// settings ("2400,E,8,1").
struct LineArgument
{
    PortArgument port;
    int baud = 2400;
    QString settings;
};

// Reads --port (as ReadPortArgument), --baud (1 to 10000000) and --parity (N, E or O). The usage
// message when one is missing or wrong; `command` names the command that needs the port.
std::variant<LineArgument, QString> ReadLineArgument(const QString &command, const QString &port,
                                                     const QString &baud, const QString &parity);

// A whole number from `least` to `most` in plain decimal digits: no sign, blank, fraction or
// trailing text.
std::optional<int> PlainNumber(const QString &text, int least, int most);

// Why the port `port` of `session` did not open (`error` from MeterSession::open), as the
// message a technician reads: no such device, no permission, held by which program, ...
QString PortOpenFailureMessage(const MeterSession &session, int port, int error);
