#include "trafficlog.h"

#include "decodedreply.h"

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Writes all of `bytes`; false with the cause in `error` when the system takes no more (a full
// disk, a file size limit, a terminal gone).
bool writeAll(QFile &file, const QByteArray &bytes, QString &error)
{
#ifdef Q_OS_UNIX
    // Straight to the descriptor: the cause of a failure is errno, which QFile does not keep.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::write(file.handle(), bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error = qt_error_string(written < 0 ? errno : EIO);
            return false;
        }
        done += written;
    }
    return true;
#else
    if (file.write(bytes) == bytes.size() && file.flush())
        return true;
    error = file.errorString();
    return false;
#endif
}

#ifdef Q_OS_UNIX
// Opens `path` for appending, creating it, without ever blocking: a FIFO or a socket is refused
// before it is opened, and the open does not wait either (a FIFO put there meanwhile fails at
// once). Only a regular file or a terminal is kept. The descriptor, or -1 with `error`.
int openForAppending(const QString &path, QString &error)
{
    const QString notFileOrTerminal = QStringLiteral("not a regular file or terminal");
    const QByteArray native = QFile::encodeName(path);
    struct stat info = {};
    if (::stat(native.constData(), &info) == 0 && !S_ISREG(info.st_mode) &&
        !S_ISCHR(info.st_mode)) {
        error = notFileOrTerminal;
        return -1;
    }
    const int fd =
        ::open(native.constData(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = qt_error_string(errno);
        return -1;
    }
    if (::fstat(fd, &info) != 0 || !(S_ISREG(info.st_mode) || ::isatty(fd))) {
        ::close(fd);
        error = notFileOrTerminal;
        return -1;
    }
    // Writes to a terminal wait for room rather than fail.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return fd;
}
#endif

} // namespace

bool TrafficLog::open(const QString &path)
{
    m_file.close();
    m_file.setFileName(path);
    m_path = path;
    m_failure.clear();
#ifdef Q_OS_UNIX
    const int fd = openForAppending(path, m_error);
    if (fd < 0)
        return false;
    // Written unbuffered (see writeAll); O_APPEND already holds (Qt's own append would seek, which
    // a terminal cannot).
    if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered,
                     QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_error = m_file.errorString();
        return false;
    }
    return true;
#else
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text)) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
#endif
}

QString TrafficLog::line(const QDateTime &when, Direction direction, const QByteArray &bytes)
{
    // An explicit offset keeps the time unambiguous when the log travels to another machine.
    const QDateTime stamped = when.toOffsetFromUtc(when.offsetFromUtc());
    return stamped.toString(Qt::ISODateWithMs) +
           (direction == Direction::Sent ? QLatin1String(" TX ") : QLatin1String(" RX ")) +
           SpacedHex(bytes);
}

void TrafficLog::write(Direction direction, const QByteArray &bytes, const QDateTime &when)
{
    if (!m_file.isOpen() || bytes.isEmpty())
        return;
    const QByteArray text = (line(when, direction, bytes) + QLatin1Char('\n')).toUtf8();
    if (writeAll(m_file, text, m_error))
        return;
    m_failure = m_path + QStringLiteral(": ") + m_error;
    // The log stops here, and its owner hears of it once.
    m_file.close();
    emit failed(m_failure);
}
