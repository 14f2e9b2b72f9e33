// metersim: a simulated CJ/T 188 and M-Bus meter on a pseudo-terminal or a serial device.
//
// The first line on standard output is the device to open; requests and replies are logged on
// standard error as "RX <hex>" / "TX <hex>" lines. SIGINT or SIGTERM ends it with status 0.

#include "conversions.h"
#include "meterdeskversion.h"
#include "metersimoptions.h"
#include "metersimulator.h"
#include "pseudoterminal.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <optional>
#include <sys/inotify.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Bytes that made no request are logged once the line has been quiet this long.
constexpr int kIdleMs = 100;
// ... or once this many have piled up.
constexpr qsizetype kSkippedLogSize = 256;

int g_signalPipe[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
    errno = savedErrno;
}

// SIGINT and SIGTERM become a byte on a pipe that the event loop watches.
bool InstallSignalPipe(QString *error)
{
    if (::pipe(g_signalPipe) != 0) {
        *error = QStringLiteral("pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    for (const int fd : g_signalPipe) {
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = OnTerminateSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

QString ErrnoText(const char *what)
{
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(std::strerror(errno)));
}

void LogLine(const char *tag, QByteArrayView bytes, const char *note = nullptr)
{
    QByteArray line = QByteArray(tag) + ' ' + HexTrafficText(bytes.toByteArray()).toLatin1();
    line.chop(1); // the traffic text ends in a space
    if (note)
        line += QByteArray(" ") + note;
    line += '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
    std::fflush(stderr);
}

// Where the meter's bytes come from and go to.
class Line
{
public:
    virtual ~Line() = default;
    // Queues bytes for the line; they leave in order.
    virtual void write(const QByteArray &bytes) = 0;

    std::function<void(const QByteArray &)> onReceived;
    std::function<void(const QString &)> onFailed;
};

// The master side of a new pseudo-terminal. The simulator keeps a descriptor of the slave side
// open itself, so that another program opening and closing the slave never leaves the master
// without a slave: that would make every read fail with EIO and the event loop spin.
// Like a real line, it remembers nothing for a program that has closed the device: the opens and
// closes of the slave are watched, and when the last client closes, what it never read is
// dropped, as is whatever is written until a client opens the device again.
class PtyLine final : public Line
{
public:
    // The most the simulator queues for a client that does not read; more is dropped.
    static constexpr qsizetype kMaxQueued = 64 * 1024;

    ~PtyLine() override
    {
        m_readNotifier.reset();
        m_writeNotifier.reset();
        m_watchNotifier.reset();
        if (m_watch >= 0)
            ::close(m_watch);
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }

    // Opens the pseudo-terminal with a raw slave side; path() names the slave.
    bool open(QString *error)
    {
        const std::optional<PseudoTerminal> pty = OpenPseudoTerminal(error);
        if (!pty)
            return false;
        m_master = pty->master;
        m_slave = pty->slave;
        m_path = pty->slavePath;
        const QByteArray name = QFile::encodeName(m_path);
        // The simulator's own descriptor is open already, so only other programs are counted.
        m_watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_watch < 0 || ::inotify_add_watch(m_watch, name.constData(), IN_OPEN | IN_CLOSE) < 0) {
            *error = ErrnoText("inotify");
            return false;
        }
        m_watchNotifier = std::make_unique<QSocketNotifier>(m_watch, QSocketNotifier::Read);
        QObject::connect(m_watchNotifier.get(), &QSocketNotifier::activated,
                         [this] { followClients(); });

        m_readNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Read);
        QObject::connect(m_readNotifier.get(), &QSocketNotifier::activated,
                         [this] { readAvailable(); });
        m_writeNotifier = std::make_unique<QSocketNotifier>(m_master, QSocketNotifier::Write);
        m_writeNotifier->setEnabled(false);
        QObject::connect(m_writeNotifier.get(), &QSocketNotifier::activated, [this] { flush(); });
        return true;
    }

    QString path() const { return m_path; }

    void write(const QByteArray &bytes) override
    {
        followClients();
        if (m_clients <= 0)
            return; // nobody has the device open: the bytes go nowhere, as on a real line
        m_out += bytes.left(std::max<qsizetype>(0, kMaxQueued - m_out.size()));
        if (!m_writeNotifier->isEnabled())
            flush();
    }

private:
    // Counts the other programs that have the slave open, from the watch's queued events. A
    // client opens the device before it writes, so its open is queued before its first request.
    void followClients()
    {
        alignas(inotify_event) char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_watch, buffer, sizeof buffer);
            if (n <= 0)
                return;
            for (ssize_t at = 0; at < n;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                if (event->mask & IN_OPEN)
                    ++m_clients;
                if ((event->mask & IN_CLOSE) && --m_clients <= 0)
                    hangUp();
                at += ssize_t(sizeof(inotify_event) + event->len);
            }
        }
    }

    // The last client closed: what it did not read is gone.
    void hangUp()
    {
        int unread = 0;
        ::ioctl(m_slave, FIONREAD, &unread);
        const qsizetype dropped = unread + m_out.size();
        m_clients = 0;
        m_out.clear();
        m_writeNotifier->setEnabled(false);
        ::tcflush(m_slave, TCIFLUSH);
        if (dropped > 0) {
            std::fprintf(stderr, "HUP %lld bytes never read dropped\n",
                         static_cast<long long>(dropped));
            std::fflush(stderr);
        }
    }

    void readAvailable()
    {
        followClients();
        char buffer[4096];
        for (;;) {
            const ssize_t n = ::read(m_master, buffer, sizeof buffer);
            if (n > 0) {
                onReceived(QByteArray(buffer, n));
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            m_readNotifier->setEnabled(false);
            onFailed(n == 0 ? QStringLiteral("read: end of file") : ErrnoText("read"));
            return;
        }
    }

    // Writes what the slave side can take now; the rest waits until the master is writable
    // again (the other side reads slowly or not at all).
    void flush()
    {
        while (!m_out.isEmpty()) {
            const ssize_t n = ::write(m_master, m_out.constData(), size_t(m_out.size()));
            if (n > 0) {
                m_out.remove(0, n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
                m_writeNotifier->setEnabled(true);
                return;
            }
            m_out.clear();
            m_writeNotifier->setEnabled(false);
            onFailed(ErrnoText("write"));
            return;
        }
        m_writeNotifier->setEnabled(false);
    }

    int m_master = -1;
    int m_slave = -1;
    int m_watch = -1;
    int m_clients = 0;
    QString m_path;
    QByteArray m_out;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
    std::unique_ptr<QSocketNotifier> m_watchNotifier;
};

// An existing serial device.
class SerialLine final : public Line
{
public:
    bool open(const QString &path, qint32 baudRate, QSerialPort::Parity parity, QString *error)
    {
        m_port.setPortName(path);
        if (!m_port.open(QIODevice::ReadWrite)) {
            *error = QStringLiteral("%1: %2").arg(path, m_port.errorString());
            return false;
        }
        // A pseudo-terminal carries no parity bit and refuses one: serve it without, as the
        // window opens it.
        if (QFileInfo(path).canonicalFilePath().startsWith(QStringLiteral("/dev/pts/")))
            parity = QSerialPort::NoParity;
        if (!m_port.setBaudRate(baudRate) || !m_port.setParity(parity) ||
            !m_port.setDataBits(QSerialPort::Data8) || !m_port.setStopBits(QSerialPort::OneStop) ||
            !m_port.setFlowControl(QSerialPort::NoFlowControl)) {
            *error = QStringLiteral("%1: %2").arg(path, m_port.errorString());
            return false;
        }
        QObject::connect(&m_port, &QSerialPort::readyRead,
                         [this] { onReceived(m_port.readAll()); });
        // A device that goes away (a USB adapter pulled out) ends the simulator.
        QObject::connect(
            &m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
                if (e == QSerialPort::ResourceError || e == QSerialPort::WriteError ||
                    e == QSerialPort::ReadError) {
                    m_port.close();
                    onFailed(m_port.portName() + QStringLiteral(": ") + m_port.errorString());
                }
            });
        return true;
    }

    void write(const QByteArray &bytes) override { m_port.write(bytes); }

private:
    QSerialPort m_port;
};

// Connects the line with the simulated meter: takes requests, logs them, writes replies in
// pieces when asked to, echoes requests like an RS-485 adapter with local echo.
class Session
{
public:
    Session(Line &line, MeterSimulator &meter, int pieceSize, bool echo)
        : m_line(line), m_meter(meter), m_pieceSize(pieceSize), m_echo(echo)
    {
        m_gap.setSingleShot(true);
        m_gap.setInterval(kPieceGapMs);
        QObject::connect(&m_gap, &QTimer::timeout, [this] {
            if (!m_queue.empty())
                m_queue.front().gapBefore = false;
            pump();
        });
        m_idle.setSingleShot(true);
        m_idle.setInterval(kIdleMs);
        QObject::connect(&m_idle, &QTimer::timeout, [this] { logSkipped(); });
    }

    void received(const QByteArray &bytes)
    {
        if (m_echo) {
            LogLine("TX", bytes, "(echo)");
            send(bytes, 0);
        }
        for (const MeterExchange &exchange : m_meter.feed(bytes)) {
            LogLine("RX", exchange.request.lead + exchange.request.bytes);
            if (exchange.reply.isEmpty())
                continue;
            LogLine("TX", exchange.reply);
            send(exchange.reply, m_pieceSize);
        }
        if (m_meter.skippedSize() >= kSkippedLogSize)
            logSkipped();
        m_idle.start();
    }

    // Logs the bytes taken since the last request that made no request.
    void logSkipped()
    {
        const QByteArray skipped = m_meter.takeSkipped();
        if (!skipped.isEmpty())
            LogLine("RX", skipped, "(ignored)");
    }

private:
    struct Piece
    {
        QByteArray bytes;
        bool gapBefore = false;
    };

    void send(const QByteArray &bytes, int pieceSize)
    {
        if (pieceSize <= 0) {
            m_queue.push_back({bytes, false});
        } else {
            for (qsizetype i = 0; i < bytes.size(); i += pieceSize)
                m_queue.push_back({bytes.mid(i, pieceSize), i > 0});
        }
        pump();
    }

    void pump()
    {
        while (!m_queue.empty()) {
            if (m_queue.front().gapBefore) {
                if (!m_gap.isActive())
                    m_gap.start();
                return;
            }
            m_line.write(m_queue.front().bytes);
            m_queue.pop_front();
        }
    }

    Line &m_line;
    MeterSimulator &m_meter;
    const int m_pieceSize;
    const bool m_echo;
    std::deque<Piece> m_queue;
    QTimer m_gap;
    QTimer m_idle;
};

// Makes `link` point at `target`. A symbolic link left behind by an earlier run is replaced;
// any other file is left alone and reported.
bool CreateLink(const QString &target, const QString &link, QString *error)
{
    const QFileInfo info(link);
    if (info.isSymLink())
        QFile::remove(link);
    else if (info.exists()) {
        *error = QStringLiteral("%1 exists and is not a symbolic link").arg(link);
        return false;
    }
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()) !=
        0) {
        *error = ErrnoText("symlink");
        return false;
    }
    return true;
}

void RemoveLink(const QString &target, const QString &link)
{
    const QFileInfo info(link);
    if (info.isSymLink() && info.symLinkTarget() == QFileInfo(target).absoluteFilePath())
        QFile::remove(link);
}

// Reads the command line into `options`; the exit status instead when the simulator is not to
// run: 0 after printing the help text or the version, 2 after reporting a bad option.
std::optional<int> ReadCommandLine(MeterSimOptions &options)
{
    QString error;
    if (!ParseMeterSimOptions(QCoreApplication::arguments(), options, &error)) {
        std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
        return 2;
    }
    if (options.help) {
        std::fputs(qPrintable(MeterSimHelpText()), stdout);
        return 0;
    }
    if (options.version) {
        std::puts("metersim " METERDESK_VERSION);
        return 0;
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("metersim"));

    MeterSimOptions options;
    if (const std::optional<int> status = ReadCommandLine(options))
        return *status;
    QString error;
    if (!InstallSignalPipe(&error)) {
        std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
        return 1;
    }

    std::unique_ptr<Line> line;
    QString path;
    if (options.device.isEmpty()) {
        auto pty = std::make_unique<PtyLine>();
        if (!pty->open(&error)) {
            std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
            return 1;
        }
        path = pty->path();
        line = std::move(pty);
    } else {
        auto serial = std::make_unique<SerialLine>();
        if (!serial->open(options.device, options.baudRate, options.parity, &error)) {
            std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
            return 1;
        }
        path = options.device;
        line = std::move(serial);
    }
    if (!options.link.isEmpty() && !CreateLink(path, options.link, &error)) {
        std::fprintf(stderr, "metersim: %s\n", qPrintable(error));
        return 1;
    }

    MeterSimulator meter(options.cj188, options.mbus, options.faults);
    if (!options.busMeters.isEmpty())
        meter.setMbusMeters(options.busMeters);
    Session session(*line, meter, options.pieceSize, options.echo);
    line->onReceived = [&session](const QByteArray &bytes) { session.received(bytes); };
    line->onFailed = [](const QString &message) {
        std::fprintf(stderr, "metersim: %s\n", qPrintable(message));
        QCoreApplication::exit(1);
    };
    QSocketNotifier terminateNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&terminateNotifier, &QSocketNotifier::activated,
                     [] { QCoreApplication::quit(); });

    std::printf("%s\n", qPrintable(path));
    std::fflush(stdout);

    const int status = QCoreApplication::exec();
    session.logSkipped();
    if (!options.link.isEmpty())
        RemoveLink(path, options.link);
    return status;
}
