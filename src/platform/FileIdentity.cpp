#include "platform/FileIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace FileIdentity {

bool nameLeadsTo(const QFileDevice &open, const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = open.handle();
    struct stat opened{};
    struct stat named{};
    if (fd >= 0 && ::fstat(fd, &opened) == 0) {
        if (opened.st_nlink == 0)
            return false;
        if (::stat(QFile::encodeName(path).constData(), &named) != 0)
            return false;
        return opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
    }
#else
    Q_UNUSED(open);
#endif
    return QFileInfo::exists(path);
}

} // namespace FileIdentity
