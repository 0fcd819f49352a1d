#include "platform/RegularFile.h"

#include "platform/Dialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStringDecoder>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

Q_LOGGING_CATEGORY(lcRegularFile, "wavecrest.files", QtInfoMsg)

namespace {

const QString FolderReason = QStringLiteral("It is a folder, not a file.");
const QString OtherReason = QStringLiteral("It is not a file but a device or a pipe.");

QString sizeText(qint64 bytes)
{
    if (bytes >= (1 << 20) && bytes % (1 << 20) == 0)
        return QStringLiteral("%1 MB").arg(bytes >> 20);
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KB").arg(bytes >> 10);
    return QStringLiteral("%1 bytes").arg(bytes);
}

QString tooLarge(qint64 limit)
{
    return QStringLiteral("It is larger than %1, more than a file of this kind can be.").arg(sizeText(limit));
}

bool fail(QString *error, const QString &why, const QString &path)
{
    qCDebug(lcRegularFile) << "not read:" << path << why;
    if (error)
        *error = why;
    return false;
}

#ifdef Q_OS_UNIX
QString kindReason(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    return S_ISDIR(mode) ? FolderReason : OtherReason;
}

// An embedded NUL would let the system open a shorter path than the one asked about.
bool usablePath(const QString &path)
{
    return !path.isEmpty() && !path.contains(QChar(0));
}

// Opens without waiting (a FIFO's open would wait for a writer) and takes only a regular file,
// judged on what was opened, so nothing can be swapped in between a test and the open.
int openRegular(const QString &path, int flags, QString *error, qint64 *size = nullptr)
{
    if (!usablePath(path)) {
        fail(error, qt_error_string(ENOENT), path);
        return -1;
    }
    int fd = -1;
    do {
        fd = ::open(QFile::encodeName(path).constData(), flags | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        fail(error, qt_error_string(errno), path);
        return -1;
    }
    struct stat info {};
    QString why = ::fstat(fd, &info) != 0 ? qt_error_string(errno) : kindReason(info.st_mode);
    if (!why.isEmpty()) {
        ::close(fd);
        fail(error, why, path);
        return -1;
    }
    const int status = ::fcntl(fd, F_GETFL);
    if (status >= 0)
        ::fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
    if (size)
        *size = qint64(info.st_size);
    return fd;
}
#endif

} // namespace

namespace RegularFile {

QString notAFile(const QString &path)
{
#ifdef Q_OS_UNIX
    struct stat info {};
    if (!usablePath(path) || ::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return kindReason(info.st_mode);
#else
    const QFileInfo info(path);
    if (!info.exists() || info.isFile())
        return {};
    return info.isDir() ? FolderReason : OtherReason;
#endif
}

std::optional<QByteArray> read(const QString &path, qint64 limit, QString *error)
{
#ifdef Q_OS_UNIX
    qint64 size = 0;
    const int fd = openRegular(path, O_RDONLY, error, &size);
    if (fd < 0)
        return std::nullopt;
    if (size > limit) {
        ::close(fd);
        fail(error, tooLarge(limit), path);
        return std::nullopt;
    }
    // A file the system gives no size for (some system files say 0) still stops at the limit.
    QByteArray bytes;
    bytes.reserve(qsizetype(size));
    char chunk[64 * 1024];
    for (;;) {
        const qint64 room = limit + 1 - bytes.size();
        if (room <= 0)
            break;
        const ssize_t got = ::read(fd, chunk, size_t(qMin<qint64>(qint64(sizeof chunk), room)));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            const QString why = qt_error_string(errno);
            ::close(fd);
            fail(error, why, path);
            return std::nullopt;
        }
        if (got == 0)
            break;
        bytes.append(chunk, qsizetype(got));
    }
    ::close(fd);
#else
    const QString why = notAFile(path);
    if (!why.isEmpty()) {
        fail(error, why, path);
        return std::nullopt;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        fail(error, file.errorString(), path);
        return std::nullopt;
    }
    if (file.size() > limit) {
        fail(error, tooLarge(limit), path);
        return std::nullopt;
    }
    QByteArray bytes = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError) {
        fail(error, file.errorString(), path);
        return std::nullopt;
    }
#endif
    if (bytes.size() > limit) {
        fail(error, tooLarge(limit), path);
        return std::nullopt;
    }
    return bytes;
}

std::optional<QByteArray> singleByteText(const QByteArray &bytes, QString *error)
{
    QStringConverter::Encoding encoding;
    QString name;
    qsizetype mark = 2;
    if (bytes.startsWith(QByteArrayView("\xEF\xBB\xBF"))) {
        encoding = QStringConverter::Utf8;
        name = QStringLiteral("UTF-8");
        mark = 3;
    } else if (bytes.startsWith(QByteArrayView("\xFF\xFE"))) {
        encoding = QStringConverter::Utf16LE;
        name = QStringLiteral("UTF-16");
    } else if (bytes.startsWith(QByteArrayView("\xFE\xFF"))) {
        encoding = QStringConverter::Utf16BE;
        name = QStringLiteral("UTF-16");
    } else {
        return bytes;
    }
    const QByteArrayView body = QByteArrayView(bytes).sliced(mark);
    QStringDecoder decoder(encoding, QStringConverter::Flag::Stateless);
    const QString text = decoder.decode(body);
    // The decoder keeps a last odd byte for a next call that never comes, and passes a surrogate
    // without its partner through: neither is an error to it.
    const bool damaged = decoder.hasError()
        || (encoding == QStringConverter::Utf8 ? text.toUtf8() != body
                                               : body.size() % 2 != 0 || !QStringView(text).isValidUtf16());
    if (damaged) {
        fail(error, QStringLiteral("It is %1 (Unicode) text that is cut off or damaged.").arg(name), QString());
        return std::nullopt;
    }
    for (const QChar c : text) {
        if (c.unicode() > 0xFF) {
            fail(error,
                 QStringLiteral("It is %1 (Unicode) text holding characters a plain text file of this kind "
                                "cannot hold. Save it as ANSI text.")
                     .arg(name),
                 QString());
            return std::nullopt;
        }
    }
    return text.toLatin1();
}

std::optional<QByteArray> readSingleByte(const QString &path, qint64 limit, QString *error)
{
    const std::optional<QByteArray> bytes = read(path, limit, error);
    if (!bytes)
        return std::nullopt;
    return singleByteText(*bytes, error);
}

std::optional<QString> readText(const QString &path, QString *error, qint64 limit)
{
    const std::optional<QByteArray> bytes = readSingleByte(path, limit, error);
    if (!bytes)
        return std::nullopt;
    return QString::fromLatin1(*bytes);
}

bool openForAppend(QFile &file, QString *error)
{
    const QString path = file.fileName();
    // Said before the open, which on a folder would give only the system's terse words.
    const QString why = notAFile(path);
    if (!why.isEmpty())
        return fail(error, why, path);
#ifdef Q_OS_UNIX
    const int fd = openRegular(path, O_WRONLY | O_APPEND | O_CREAT, error);
    if (fd < 0)
        return false;
    if (!file.open(fd, QIODevice::WriteOnly | QIODevice::Append, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return fail(error, file.errorString(), path);
    }
    return true;
#else
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        return fail(error, file.errorString(), path);
    return true;
#endif
}

void showReadFailure(const QString &path, const QString &error)
{
    MsgBox(QStringLiteral("The file could not be read:\r\n") + QDir::toNativeSeparators(path)
               + QStringLiteral("\r\n\r\n") + error,
           Msg::OKOnly, Msg::Exclamation, QStringLiteral("File I/O Error"));
}

} // namespace RegularFile
