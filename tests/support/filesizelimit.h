#pragma once

#include <csignal>
#include <sys/resource.h>

// While alive, no file of this process may grow beyond `bytes`: a write past it fails with EFBIG
// (SIGXFSZ, which would end the process, is ignored), as a write to a full disk fails. Restores
// the limit and the signal's handling when it goes.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        const rlimit limit = {bytes, m_previous.rlim_max};
        m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    // False when the limit could not be set.
    bool isActive() const { return m_active; }

private:
    rlimit m_previous = {};
    void (*m_previousHandler)(int) = SIG_DFL;
    bool m_active = false;
};
