#include "ptypair.h"

#include "pseudoterminal.h"

#include <QDeadlineTimer>

#include <cerrno>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct SpeedEntry
{
    speed_t code;
    int rate;
};

constexpr SpeedEntry kSpeeds[] = {
    {B300, 300},     {B600, 600},       {B1200, 1200},     {B2400, 2400},
    {B4800, 4800},   {B9600, 9600},     {B19200, 19200},   {B38400, 38400},
    {B57600, 57600}, {B115200, 115200}, {B230400, 230400},
};

} // namespace

PtyPair::PtyPair()
{
    if (const std::optional<PseudoTerminal> pty = OpenPseudoTerminal(&m_error)) {
        m_master = pty->master;
        m_slave = pty->slave;
        m_slavePath = pty->slavePath;
    }
}

PtyPair::~PtyPair()
{
    closeMaster();
}

bool PtyPair::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    const QDeadlineTimer deadline(5000);
    while (m_master >= 0 && done < bytes.size()) {
        const ssize_t n = ::write(m_master, bytes.constData() + done, size_t(bytes.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
        pollfd writable = {m_master, POLLOUT, 0};
        if (deadline.hasExpired() || ::poll(&writable, 1, int(deadline.remainingTime())) <= 0)
            break;
    }
    return done == bytes.size();
}

QByteArray PtyPair::read(int count, int timeoutMs)
{
    QByteArray received;
    const QDeadlineTimer deadline(timeoutMs);
    while (m_master >= 0 && received.size() < count) {
        pollfd readable = {m_master, POLLIN, 0};
        const int ready = ::poll(&readable, 1, int(deadline.remainingTime()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0 || (readable.revents & POLLIN) == 0)
            break;
        char chunk[512];
        const ssize_t n = ::read(m_master, chunk, sizeof chunk);
        if (n <= 0)
            break;
        received.append(chunk, n);
    }
    return received;
}

QByteArray PtyPair::readAvailable()
{
    QByteArray received;
    char chunk[512];
    ssize_t n = 0;
    while (m_master >= 0 && (n = ::read(m_master, chunk, sizeof chunk)) > 0)
        received.append(chunk, n);
    return received;
}

void PtyPair::closeMaster()
{
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

int PtyPair::baudRate() const
{
    termios line = {};
    if (m_master < 0 || ::tcgetattr(m_master, &line) != 0)
        return -1;
    const speed_t code = ::cfgetospeed(&line);
    for (const SpeedEntry &entry : kSpeeds) {
        if (entry.code == code)
            return entry.rate;
    }
    return -1;
}

bool PtyPair::twoStopBits() const
{
    termios line = {};
    return m_master >= 0 && ::tcgetattr(m_master, &line) == 0 && (line.c_cflag & CSTOPB) != 0;
}
