#include "platform/SafeFile.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSafeFile, "wavecrest.files", QtInfoMsg)

namespace {
// A short write the system gave no reason for.
const QString IncompleteWrite = QStringLiteral("The file could not be written completely.");
} // namespace

SafeFileWriter::SafeFileWriter(const QString &path) : m_file(path) {}

SafeFileWriter::~SafeFileWriter()
{
    if (m_open)
        m_file.cancelWriting();
}

bool SafeFileWriter::open()
{
    // Unbuffered: each write reaches the system at once, so a full disk fails the write that met
    // it, with its reason, instead of a flush at the end whose failure QSaveFile::commit() can miss.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return fail(m_file.errorString());
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
    if (!m_file.flush() || m_file.error() != QFileDevice::NoError) {
        fail(m_file.errorString());
        cancel();
        return false;
    }
    m_open = false;
    if (!m_file.commit()) {
        fail(m_file.errorString());
        return false;
    }
    return true;
}

void SafeFileWriter::cancel()
{
    if (!m_open)
        return;
    m_open = false;
    m_file.cancelWriting();
    m_file.commit();   // with the writing cancelled this only removes the temporary file
}

bool SafeFileWriter::fail(const QString &why)
{
    if (m_error.isEmpty()) {
        m_error = why.isEmpty() ? IncompleteWrite : why;
        qCDebug(lcSafeFile) << "cannot write" << m_file.fileName() << m_error;
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

} // namespace SafeFile
