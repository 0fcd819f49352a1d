#include "support/FileAccessAs.h"

#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <unistd.h>
#endif

FileAccessAs::FileAccessAs(uint uid, uint gid)
{
#ifdef Q_OS_LINUX
    if (!possible())
        return;
    // The group first: once the user is no longer root it may not change its group.
    m_oldGid = uint(::setfsgid(gid_t(gid)));
    m_oldUid = uint(::setfsuid(uid_t(uid)));
    // Both calls answer with the old value, whether they took the new one or not.
    m_active = uint(::setfsuid(uid_t(-1))) == uid && uint(::setfsgid(gid_t(-1))) == gid;
#else
    Q_UNUSED(uid);
    Q_UNUSED(gid);
#endif
}

FileAccessAs::~FileAccessAs()
{
#ifdef Q_OS_LINUX
    if (!possible())
        return;
    ::setfsuid(uid_t(m_oldUid));
    ::setfsgid(gid_t(m_oldGid));
#endif
}

bool FileAccessAs::possible()
{
#ifdef Q_OS_LINUX
    return ::geteuid() == 0;
#else
    return false;
#endif
}
