#include "platform/SafeFile.h"

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
#endif

} // namespace

SafeFileWriter::SafeFileWriter(const QString &path) : m_path(path), m_target(path) {}

SafeFileWriter::~SafeFileWriter()
{
    cancel();
}

bool SafeFileWriter::open()
{
    if (const QString why = SafeFile::refusal(m_path); !why.isEmpty())
        return fail(why);
    // A link keeps pointing where it did: the file it names gets the new contents.
    const QFileInfo info(m_path);
    if (info.isSymLink())
        m_target = info.symLinkTarget();
    const QString folder = QFileInfo(m_target).absolutePath();
#ifdef Q_OS_UNIX
    removeLeftovers(folder);
    const int fd = createTemporary(folder, &m_temporary);
    if (fd < 0)
        return fail(qt_error_string(errno));
    // The new file keeps the old one's permissions, as a file edited in place would.
    struct stat old {};
    if (::stat(QFile::encodeName(m_target).constData(), &old) == 0)
        ::fchmod(fd, old.st_mode & 07777);
    // Unbuffered: each write reaches the system at once, so a full disk fails the write that met
    // it, with its reason, instead of a flush at the end.
    if (!m_file.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        ::unlink(QFile::encodeName(m_temporary).constData());
        return fail(m_file.errorString());
    }
#else
    do
        m_temporary = QDir(folder).filePath(randomTemporaryName());
    while (QFile::exists(m_temporary));
    m_file.setFileName(m_temporary);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly | QIODevice::Unbuffered))
        return fail(m_file.errorString());
#endif
    m_open = true;
    return true;
}

bool SafeFileWriter::write(const QByteArray &bytes)
{
    if (failed())
        return false;
    if (!m_open)
        return fail(QStringLiteral("The file is not open."));
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

void SafeFileWriter::cancel()
{
    if (!m_open)
        return;
    m_open = false;
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
    for (const auto &[file, why] : keptOff())
        if (file && file->isOpen() && sameFile(*file, path))
            return why;
    return {};
}

} // namespace SafeFile
