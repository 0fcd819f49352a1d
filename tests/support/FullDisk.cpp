#include "support/FullDisk.h"

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

FullDisk::FullDisk(qint64 roomBytes)
{
#ifdef Q_OS_UNIX
    // Past the limit a write would otherwise end the process with SIGXFSZ instead of failing.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0)
        return;
    m_oldLimit = limit.rlim_cur;
    limit.rlim_cur = rlim_t(roomBytes);
    m_active = ::setrlimit(RLIMIT_FSIZE, &limit) == 0;
#else
    Q_UNUSED(roomBytes);
#endif
}

FullDisk::~FullDisk()
{
#ifdef Q_OS_UNIX
    if (!m_active)
        return;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) == 0) {
        limit.rlim_cur = rlim_t(m_oldLimit);
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
#endif
}
