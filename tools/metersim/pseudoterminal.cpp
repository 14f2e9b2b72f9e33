#include "pseudoterminal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Closes what was opened and reports the step that failed.
std::optional<PseudoTerminal> failed(const PseudoTerminal &pty, const char *step, QString *error)
{
    *error = QStringLiteral("%1: %2").arg(QLatin1String(step),
                                          QString::fromLocal8Bit(std::strerror(errno)));
    if (pty.slave >= 0)
        ::close(pty.slave);
    if (pty.master >= 0)
        ::close(pty.master);
    return std::nullopt;
}

} // namespace

std::optional<PseudoTerminal> OpenPseudoTerminal(QString *error)
{
    PseudoTerminal pty;
    pty.master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (pty.master < 0)
        return failed(pty, "posix_openpt", error);
    const char *name = nullptr;
    if (::grantpt(pty.master) != 0 || ::unlockpt(pty.master) != 0 ||
        (name = ::ptsname(pty.master)) == nullptr)
        return failed(pty, "grantpt/unlockpt/ptsname", error);
    pty.slavePath = QString::fromLocal8Bit(name);
    ::fcntl(pty.master, F_SETFL, ::fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    ::fcntl(pty.master, F_SETFD, FD_CLOEXEC);

    pty.slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0)
        return failed(pty, "open slave", error);
    termios settings = {};
    if (::tcgetattr(pty.slave, &settings) != 0)
        return failed(pty, "tcgetattr", error);
    ::cfmakeraw(&settings);
    if (::tcsetattr(pty.slave, TCSANOW, &settings) != 0)
        return failed(pty, "tcsetattr", error);
    return pty;
}
