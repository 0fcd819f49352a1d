#include "platform/FileIdentity.h"

#include <QFile>
#include <QFileInfo>
#include <QString>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace FileIdentity {

bool sameFile(const QFileDevice &open, const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat a {};
    struct stat b {};
    if (open.handle() >= 0 && ::fstat(open.handle(), &a) == 0)
        return ::stat(QFile::encodeName(path).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
#endif
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(open.fileName()).canonicalFilePath();
}

bool nameLeadsTo(const QFileDevice &open, const QString &path)
{
#ifdef Q_OS_UNIX
    // Deleted: no name leads to it, though one of the same name may have been made since.
    struct stat opened {};
    if (open.handle() >= 0 && ::fstat(open.handle(), &opened) == 0 && opened.st_nlink == 0)
        return false;
#endif
    return sameFile(open, path);
}

} // namespace FileIdentity
