#include "portmapfile.h"

#include "conversions.h"
#include "serialcomm.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kExpectedForm = QStringLiteral("expected COMn=DEVICE, for example COM5=/dev/ttyUSB0");

// A port map is a few lines; anything bigger is not one, and is not read into memory.
constexpr qint64 kMaxFileSize = 64 * 1024;
// Text from the file or the command line is echoed in a message at most this long.
constexpr qsizetype kMaxEchoed = 200;

PortAssignment failed(const QString &problem)
{
    return {0, QString(), problem};
}

// `text` as a message quotes it: cut to kMaxEchoed characters, "…" marking a cut.
QString echoed(QStringView text)
{
    return text.size() <= kMaxEchoed ? text.toString()
                                     : text.first(kMaxEchoed).toString() + QChar(0x2026);
}

PortMappings fileProblem(const QString &path, const QString &problem)
{
    return {{}, {path + QStringLiteral(": ") + problem}};
}

} // namespace

PortAssignment ParsePortAssignment(QStringView text)
{
    const qsizetype equals = text.indexOf(u'=');
    if (equals < 0)
        return failed(QStringLiteral("\"%1\" is not a port mapping; %2")
                          .arg(echoed(text.trimmed()), kExpectedForm));
    const QStringView name = text.left(equals).trimmed();
    const QString device = text.mid(equals + 1).trimmed().toString();

    const QStringView number =
        name.startsWith(u"COM", Qt::CaseInsensitive) ? name.sliced(3) : QStringView();
    if (!IsDecimalDigits(number))
        return failed(
            QStringLiteral("\"%1\" is not a port name; %2").arg(echoed(name), kExpectedForm));
    bool ok = false;
    const int port = number.toInt(&ok);
    if (!ok || port < PortMap::kFirstPort || port > PortMap::kLastPort)
        return failed(QStringLiteral("%1 is outside COM%2 to COM%3")
                          .arg(echoed(name))
                          .arg(PortMap::kFirstPort)
                          .arg(PortMap::kLastPort));
    if (device.isEmpty())
        return failed(
            QStringLiteral("no device after \"%1=\"; %2").arg(echoed(name), kExpectedForm));
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
        if (line.contains(QChar(0))) {
            result.problems << origin + QStringLiteral(": holds a NUL byte, so it is no text; "
                                                       "the line is ignored");
            continue;
        }
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
        return fileProblem(path, QStringLiteral("cannot be read: it is a folder"));
    // A FIFO would block the read and a device (/dev/zero) would never end.
    if (!info.isFile())
        return fileProblem(path, QStringLiteral("not a regular file"));
    if (info.size() > kMaxFileSize)
        return fileProblem(path, QStringLiteral("larger than 64 KiB, ignored"));
    QFile file;
#ifdef Q_OS_UNIX
    // The path may have been replaced since it was looked at: open without blocking, and check
    // what was opened.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat opened = {};
    if (fd < 0)
        return fileProblem(path, QStringLiteral("cannot be read: ") + qt_error_string(errno));
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode)) {
        ::close(fd);
        return fileProblem(path, QStringLiteral("not a regular file"));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fileProblem(path, QStringLiteral("cannot be read: ") + file.errorString());
    }
#else
    file.setFileName(path);
    if (!file.open(QIODevice::ReadOnly))
        return fileProblem(path, QStringLiteral("cannot be read: ") + file.errorString());
#endif
    // The file may have grown since it was looked at: one byte more than allowed tells.
    const QByteArray bytes = file.read(kMaxFileSize + 1);
    if (bytes.size() > kMaxFileSize)
        return fileProblem(path, QStringLiteral("larger than 64 KiB, ignored"));
    // UTF-8; a byte-order mark that some editors write first is dropped by the conversion.
    return ParsePortMapText(QString::fromUtf8(bytes), path);
}
