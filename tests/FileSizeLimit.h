#pragma once

// A disk that takes no more than a few bytes, for the tests of writes that
// come up short.

#include <QtGlobal>

#include <csignal>
#include <sys/resource.h>

// Files may grow to `bytes` while it lives. A write past the limit comes
// up short as on a full disk, instead of stopping the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        m_set = getrlimit(RLIMIT_FSIZE, &m_old) == 0;
        const rlimit small{bytes, m_old.rlim_max};
        m_set = m_set && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_old);
    }
    bool isSet() const { return m_set; }
    Q_DISABLE_COPY(FileSizeLimit)

private:
    rlimit m_old{};
    bool m_set = false;
};
