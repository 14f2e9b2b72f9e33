#include "portmapfile.h"

#include "conversions.h"
#include "serialcomm.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace {

const QString kExpectedForm = QStringLiteral("expected COMn=DEVICE, for example COM5=/dev/ttyUSB0");

PortAssignment failed(const QString &problem)
{
    return {0, QString(), problem};
}

} // namespace

PortAssignment ParsePortAssignment(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return failed(
            QStringLiteral("\"%1\" is not a port mapping; %2").arg(text.trimmed(), kExpectedForm));
    const QStringView name = text.left(equals).trimmed();
    const QString device = text.mid(equals + 1).trimmed().toString();

    const QStringView number =
        name.startsWith(u"COM", Qt::CaseInsensitive) ? name.sliced(3) : QStringView();
    if (!IsDecimalDigits(number))
        return failed(QStringLiteral("\"%1\" is not a port name; %2").arg(name, kExpectedForm));
    bool ok = false;
    const int port = number.toInt(&ok);
    if (!ok || port < PortMap::kFirstPort || port > PortMap::kLastPort)
        return failed(QStringLiteral("%1 is outside COM%2 to COM%3")
                          .arg(name)
                          .arg(PortMap::kFirstPort)
                          .arg(PortMap::kLastPort));
    if (device.isEmpty())
        return failed(QStringLiteral("no device after \"%1=\"; %2").arg(name, kExpectedForm));
    return {port, device, QString()};
}

PortMappings ParsePortMapText(const QString &text, const QString &fileName)
{
    PortMappings result;
    QHash<int, int> lineOfPort;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines.at(i).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        const int lineNumber = int(i + 1);
        const QString origin = fileName + u':' + QString::number(lineNumber);
        const PortAssignment assignment = ParsePortAssignment(line);
        if (!assignment.problem.isEmpty()) {
            result.problems << origin + QStringLiteral(": ") + assignment.problem;
            continue;
        }
        if (const int earlier = lineOfPort.value(assignment.port)) {
            result.problems << origin +
                                   QStringLiteral(": COM%1 is mapped again (first on line %2); "
                                                  "this line holds")
                                       .arg(assignment.port)
                                       .arg(earlier);
            result.mappings.removeIf(
                [&](const PortMapping &m) { return m.port == assignment.port; });
        }
        lineOfPort.insert(assignment.port, lineNumber);
        result.mappings.append({assignment.port, assignment.device, origin});
    }
    return result;
}

PortMappings ReadPortMapFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {};
    if (info.isDir())
        return {{}, {path + QStringLiteral(": cannot be read: it is a folder")}};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {{}, {path + QStringLiteral(": cannot be read: ") + file.errorString()}};
    // UTF-8; a byte-order mark that some editors write first is dropped by the conversion.
    return ParsePortMapText(QString::fromUtf8(file.readAll()), path);
}
