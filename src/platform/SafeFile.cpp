#include "platform/SafeFile.h"

#include "platform/FileIdentity.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QList>
#include <QLoggingCategory>
#include <QPair>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcSafeFile, "wavecrest.files", QtInfoMsg)

namespace {

// A short write the system gave no reason for.
const QString IncompleteWrite = QStringLiteral("The file could not be written completely.");

// More links in a row than this make a loop, as the system counts them.
constexpr int MaxLinks = 40;

// A file written in place has its old contents kept in memory meanwhile; the files saved here are
// a few kilobytes.
constexpr qint64 InPlaceLimit = 16 << 20;

// The file a name leads to, every link of a chain followed, as an open of the name would; empty,
// with the reason, when the chain loops.
QString linkedFile(const QString &path, QString *why)
{
    QString file = QFileInfo(path).absoluteFilePath();
    for (int links = 0;; ++links) {
        // A relative link starts from the folder the system finds, which a link to a folder moves.
        const QFileInfo info(file);
        if (const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath(); !folder.isEmpty())
            file = folder + QLatin1Char('/') + info.fileName();
        if (!QFileInfo(file).isSymbolicLink())
            return file;
        if (links == MaxLinks) {
            *why = QStringLiteral("It is a link in a chain of links that never reaches a file.");
            return {};
        }
        file = QFileInfo(file).symLinkTarget();
    }
}

// The system's reason a file cannot be written, naming the file a link led to.
QString fileReason(const QString &path, const QString &target, const QString &why)
{
    if (!QFileInfo(path).isSymbolicLink())
        return why;
    return QStringLiteral("The file it leads to, %1, cannot be written: %2").arg(QDir::toNativeSeparators(target), why);
}

QString folderReason(const QString &folder, const QString &why)
{
    return QStringLiteral("No new file can be made in the folder %1: %2").arg(QDir::toNativeSeparators(folder), why);
}

// The temporary file's name: short, so that it fits beside a target whose own name is as long as
// the file system allows (the target's name with a suffix would not), and hidden while it lasts.
const QString TemporaryPrefix = QStringLiteral(".wavecrest-save-");
constexpr int TemporaryRandomLength = 6;

// A file closed without release() (its window destroyed) drops out by itself.
QList<QPair<QPointer<QFileDevice>, QString>> &keptOff()
{
    static QList<QPair<QPointer<QFileDevice>, QString>> files;
    return files;
}

QString randomTemporaryName()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    QString name = TemporaryPrefix;
    for (int i = 0; i < TemporaryRandomLength; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters - 1))]);
    return name;
}

// The reason a save to path is refused for a file the program holds open; empty when none is.
QString keptOffReason(const QString &path)
{
    for (const auto &[file, why] : keptOff())
        if (file && file->isOpen() && FileIdentity::sameFile(*file, path))
            return why;
    return {};
}

#ifdef Q_OS_UNIX
bool isTemporaryName(const QString &name)
{
    static const QRegularExpression own(QStringLiteral("^\\.wavecrest-save-[a-z0-9]{%1}$").arg(TemporaryRandomLength));
    return own.match(name).hasMatch();
}

// A save killed between its temporary file and the rename leaves a whole copy behind. A save
// still under way (another window, another running copy) holds a lock on its file and keeps it.
void removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({TemporaryPrefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (!isTemporaryName(name))
            continue;
        const QByteArray path = QFile::encodeName(dir.filePath(name));
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0)
            continue;
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            qCDebug(lcSafeFile) << "removing the leftover of a save" << dir.filePath(name);
            ::unlink(path.constData());
        }
        ::close(fd);
    }
}

// Creates and locks a new temporary file in folder; -1 with errno set when the folder will not take one.
int createTemporary(const QString &folder, QString *path)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        *path = QDir(folder).filePath(randomTemporaryName());
        const QByteArray name = QFile::encodeName(*path);
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno == EEXIST)
            continue;
        if (fd < 0)
            return -1;
        // Another save's clean-up may have taken the file between its creation and the lock.
        struct stat opened {};
        struct stat named {};
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &opened) == 0
            && ::stat(name.constData(), &named) == 0 && opened.st_ino == named.st_ino && opened.st_dev == named.st_dev)
            return fd;
        ::close(fd);
    }
    errno = EEXIST;
    return -1;
}

// Opens the file as the in-place write would, which says whether the user may write it: -1 with
// errno set when not, or when there is no file (ENOENT).
int openExisting(const QString &file, int flags)
{
    int fd = -1;
    do
        fd = ::open(QFile::encodeName(file).constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    return fd;
}

// Writes bytes at the file's start; the system's reason when not all of them were written.
QString writeAtStart(int fd, const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pwrite(fd, bytes.constData() + done, size_t(bytes.size() - done), off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return n < 0 ? qt_error_string(errno) : IncompleteWrite;
        done += n;
    }
    return {};
}

// The file's whole contents become bytes, on the disk; the system's reason when they did not.
QString replaceContents(int fd, const QByteArray &bytes)
{
    QString why = writeAtStart(fd, bytes);
    if (why.isEmpty() && ::ftruncate(fd, off_t(bytes.size())) != 0)
        why = qt_error_string(errno);
    if (why.isEmpty() && ::fsync(fd) != 0)
        why = qt_error_string(errno);
    return why;
}

// Whether the new file fd, given the old file's owner, group and permissions where the user may
// give them, would be the old file under its name. A file with other hard links would not: they
// would keep the old contents.
bool takesItsPlace(int fd, const struct stat &old)
{
    if (old.st_nlink != 1)
        return false;
    // Root may give the new file the old one's owner; anyone may give it a group of their own.
    if (::fchown(fd, old.st_uid, old.st_gid) != 0)
        (void)::fchown(fd, uid_t(-1), old.st_gid);
    // After the owner: a change of owner clears the set-user and set-group bits.
    ::fchmod(fd, old.st_mode & 07777);
    struct stat made {};
    return ::fstat(fd, &made) == 0 && made.st_uid == old.st_uid && made.st_gid == old.st_gid
        && (made.st_mode & 07777) == (old.st_mode & 07777);
}
#endif

} // namespace

SafeFileWriter::SafeFileWriter(const QString &path) : m_path(path), m_target(path) {}

SafeFileWriter::~SafeFileWriter()
{
    cancel();
}

bool SafeFileWriter::open()
{
    if (const QString why = keptOffReason(m_path); !why.isEmpty())
        return fail(why);
    QString why;
    m_target = linkedFile(m_path, &why);
    if (m_target.isEmpty())
        return fail(why);
    if (const QString kind = RegularFile::notAFile(m_target); !kind.isEmpty())
        return fail(kind);
    const QString folder = QFileInfo(m_target).absolutePath();
#ifdef Q_OS_UNIX
    // The open an in-place write would make says whether the user may write the file at all.
    const int target = openExisting(m_target, O_WRONLY);
    if (target < 0 && errno != ENOENT)
        return fail(fileReason(m_path, m_target, qt_error_string(errno)));
    struct stat old {};
    if (target >= 0) {
        // Something other than a file may have taken the name since it was looked at.
        if (::fstat(target, &old) != 0)
            why = qt_error_string(errno);
        else if (!S_ISREG(old.st_mode))
            why = QStringLiteral("It is not a file but a device or a pipe.");
        if (!why.isEmpty()) {
            ::close(target);
            return fail(why);
        }
    }
    removeLeftovers(folder);
    const int fd = createTemporary(folder, &m_temporary);
    if (fd < 0) {
        why = qt_error_string(errno);
        m_temporary.clear();
        if (target < 0)
            return fail(folderReason(folder, why));
        qCDebug(lcSafeFile) << "no new file beside" << m_target << why << "- writing it in place";
        return openInPlace(target);
    }
    if (target >= 0 && !takesItsPlace(fd, old)) {
        ::close(fd);
        ::unlink(QFile::encodeName(m_temporary).constData());
        m_temporary.clear();
        qCDebug(lcSafeFile) << "a new file would not be" << m_target << "- writing it in place";
        return openInPlace(target);
    }
    if (target >= 0)
        ::close(target);
    // Unbuffered: each write reaches the system at once, so a full disk fails the write that met
    // it, with its reason, instead of a flush at the end.
    if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(QFile::encodeName(m_temporary).constData());
        return fail(m_file.errorString());
    }
#else
    if (QFile::exists(m_target)) {
        // Opened to add nothing, as the in-place write would open it: it says whether the user may write it.
        QFile probe(m_target);
        if (!probe.open(QIODevice::WriteOnly | QIODevice::Append))
            return fail(fileReason(m_path, m_target, probe.errorString()));
    }
    do
        m_temporary = QDir(folder).filePath(randomTemporaryName());
    while (QFile::exists(m_temporary));
    m_file.setFileName(m_temporary);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered)) {
        m_temporary.clear();
        return fail(QFile::exists(m_target) ? m_file.errorString() : folderReason(folder, m_file.errorString()));
    }
#endif
    m_open = true;
    return true;
}

bool SafeFileWriter::openInPlace(int handle)
{
#ifdef Q_OS_UNIX
    // The old contents, read from the file that handle holds and no other, to put back on a failure.
    struct stat opened {};
    struct stat kept {};
    const int fd = openExisting(m_target, O_RDONLY);
    QString why;
    if (fd < 0 || ::fstat(fd, &kept) != 0 || ::fstat(handle, &opened) != 0)
        why = qt_error_string(errno);
    else if (kept.st_dev != opened.st_dev || kept.st_ino != opened.st_ino)
        why = QStringLiteral("It was replaced while it was being opened.");
    else if (kept.st_size > InPlaceLimit)
        why = QStringLiteral("It can only be written in place, and at more than %1 MB it is too large for its old "
                             "contents to be kept meanwhile.")
                  .arg(InPlaceLimit >> 20);
    while (why.isEmpty()) {
        char chunk[64 * 1024];
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            why = qt_error_string(errno);
        if (n <= 0)
            break;
        m_old.append(chunk, qsizetype(n));
    }
    if (fd >= 0)
        ::close(fd);
    if (!why.isEmpty()) {
        ::close(handle);
        return fail(QStringLiteral("Its contents could not be read, to be kept while it is written: ") + why);
    }
    m_handle = handle;
    m_open = true;
    return true;
#else
    Q_UNUSED(handle);
    return fail(IncompleteWrite);
#endif
}

bool SafeFileWriter::write(const QByteArray &bytes)
{
    if (failed())
        return false;
    if (!m_open)
        return fail(QStringLiteral("The file is not open."));
    if (m_handle >= 0) {
        m_new += bytes;
        return true;
    }
    const char *data = bytes.constData();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 written = m_file.write(data, left);
        if (written <= 0)
            return fail(m_file.error() != QFileDevice::NoError ? m_file.errorString() : IncompleteWrite);
        data += written;
        left -= written;
    }
    return true;
}

bool SafeFileWriter::commit()
{
    if (!m_open && !failed())
        fail(QStringLiteral("The file is not open."));
    if (failed()) {
        cancel();
        return false;
    }
    if (m_handle >= 0)
        return commitInPlace();
    bool ok = m_file.flush() && m_file.error() == QFileDevice::NoError;
#ifdef Q_OS_UNIX
    // On the disk before it takes the name: a power cut then leaves the old file or the new one.
    if (ok && ::fsync(m_file.handle()) != 0)
        ok = fail(qt_error_string(errno));
#endif
    if (!ok) {
        fail(m_file.errorString());
        cancel();
        return false;
    }
    m_file.close();
    m_open = false;
#ifdef Q_OS_UNIX
    if (::rename(QFile::encodeName(m_temporary).constData(), QFile::encodeName(m_target).constData()) != 0) {
        fail(qt_error_string(errno));
        dropTemporary();
        return false;
    }
#else
    // Without an atomic replace the old file goes just before the new one takes its name.
    if ((QFile::exists(m_target) && !QFile::remove(m_target)) || !QFile::rename(m_temporary, m_target)) {
        fail(QFile(m_target).errorString());
        dropTemporary();
        return false;
    }
#endif
    return true;
}

bool SafeFileWriter::commitInPlace()
{
#ifdef Q_OS_UNIX
    const QString why = replaceContents(m_handle, m_new);
    if (!why.isEmpty()) {
        const QString back = replaceContents(m_handle, m_old);
        fail(why
             + (back.isEmpty() ? QStringLiteral("\r\nIts old contents were put back.")
                               : QStringLiteral("\r\nIts old contents could not be put back (%1): it holds part of "
                                                "the new ones.")
                                     .arg(back)));
    }
#endif
    cancel();
    return !failed();
}

void SafeFileWriter::cancel()
{
    if (!m_open)
        return;
    m_open = false;
#ifdef Q_OS_UNIX
    if (m_handle >= 0)
        ::close(m_handle);
#endif
    m_handle = -1;
    m_old.clear();
    m_new.clear();
    m_file.close();
    dropTemporary();
}

void SafeFileWriter::dropTemporary()
{
    if (!m_temporary.isEmpty())
        QFile::remove(m_temporary);
    m_temporary.clear();
}

bool SafeFileWriter::fail(const QString &why)
{
    if (m_error.isEmpty()) {
        m_error = why.isEmpty() ? IncompleteWrite : why;
        qCDebug(lcSafeFile) << "cannot write" << m_path << m_error;
    }
    return false;
}

namespace SafeFile {

bool write(const QString &path, const QByteArray &bytes, QString *error)
{
    SafeFileWriter file(path);
    const bool ok = file.open() && file.write(bytes) && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

void keepOff(const QFileDevice *file, const QString &why)
{
    release(file);
    keptOff().append({const_cast<QFileDevice *>(file), why});
}

void release(const QFileDevice *file)
{
    keptOff().removeIf([file](const auto &kept) { return kept.first.isNull() || kept.first == file; });
}

QString refusal(const QString &path)
{
    if (const QString why = keptOffReason(path); !why.isEmpty())
        return why;
#ifdef Q_OS_UNIX
    QString why;
    const QString target = linkedFile(path, &why);
    if (target.isEmpty())
        return why;
    if (!RegularFile::notAFile(target).isEmpty())
        return {};
    const int fd = openExisting(target, O_WRONLY);
    if (fd < 0)
        return errno == ENOENT ? QString() : fileReason(path, target, qt_error_string(errno));
    ::close(fd);
#endif
    return {};
}

} // namespace SafeFile
