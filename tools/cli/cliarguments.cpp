#include "cliarguments.h"

#include "conversions.h"
#include "metersession.h"
#include "openfailure.h"
#include "portmaploader.h"

#include <QRegularExpression>

std::variant<PortArgument, QString> ReadPortArgument(const QString &port)
{
    if (const auto m = QRegularExpression(QStringLiteral("^COM(\\d{1,2})$")).match(port);
        m.hasMatch()) {
        const int number = m.captured(1).toInt();
        if (number < PortMap::kFirstPort || number > PortMap::kLastPort)
            return QStringLiteral("invalid value for --port: %1 is outside COM1 to COM20")
                .arg(port);
        return PortArgument{number, PortMapSourceOver({})};
    }
    return PortArgument{1, [port] {
                            PortMap map = PortMap::empty();
                            map.set(1, port);
                            return map;
                        }};
}

std::optional<int> PlainNumber(const QString &text, int least, int most)
{
    if (text.isEmpty() || text.size() > 9 || !IsDecimalDigits(text))
        return std::nullopt;
    const int value = text.toInt();
    return value >= least && value <= most ? std::optional<int>(value) : std::nullopt;
}

std::variant<LineArgument, QString> ReadLineArgument(const QString &command, const QString &port,
                                                     const QString &baud, const QString &parity)
{
    if (port.isEmpty())
        return command + QStringLiteral(" needs --port");
    const auto portArgument = ReadPortArgument(port);
    if (const auto *error = std::get_if<QString>(&portArgument))
        return *error;
    const std::optional<int> rate = PlainNumber(baud, 1, 10000000);
    if (!rate)
        return QStringLiteral("invalid value for --baud: %1").arg(baud);
    const QString bits = parity.toUpper();
    if (bits.size() != 1 || !QStringLiteral("NEO").contains(bits))
        return QStringLiteral("invalid value for --parity: %1").arg(parity);
    return LineArgument{std::get<PortArgument>(portArgument), *rate,
                        QStringLiteral("%1,%2,8,1").arg(*rate).arg(bits)};
}

QString PortOpenFailureMessage(const MeterSession &session, int port, int error)
{
    return QStringLiteral("cannot open the port: ") +
           OpenFailureEnglish(DiagnoseOpenFailure(session.devicePath(port), error));
}
