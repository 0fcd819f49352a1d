// Writing a file whole or not at all. The bytes go to a temporary file beside the target, which
// takes the target's name only once every byte has been written; a write that fails (a full disk,
// a folder the user cannot write) leaves the old file as it was and keeps the system's own words
// for what went wrong, for the message the user is shown.
//
// A save writes to the file the name leads to, through every link, and never to a file the user
// may not write. Where a new file could not take the old one's place, or would not be the same
// file (a folder the user cannot write, another owner or group, a file with other hard links), the
// file is written in place instead: its old bytes are kept first and put back should the write
// fail.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

class QFileDevice;

class SafeFileWriter
{
public:
    explicit SafeFileWriter(const QString &path);
    // A file never committed is dropped.
    ~SafeFileWriter();

    SafeFileWriter(const SafeFileWriter &) = delete;
    SafeFileWriter &operator=(const SafeFileWriter &) = delete;

    // Creates the temporary file, or readies the in-place write; false when the user may not
    // write the file, a new file cannot be made in the folder, or the target is a file the program
    // holds open (the communications log). Leftovers of earlier saves to the folder that were
    // killed half-way go first.
    bool open();
    // Appends the bytes; false when not all of them were written. After the first failure every
    // write and the commit fail. In place, the bytes wait for the commit.
    bool write(const QByteArray &bytes);
    // Gives the target its new contents; false after any failure, the target then untouched.
    bool commit();
    // Drops what was written; the target stays as it was.
    void cancel();

    bool failed() const { return !m_error.isEmpty(); }
    // The system's text for the first failure ("No space left on device"); empty when none.
    QString errorString() const { return m_error; }
    QString fileName() const { return m_path; }

private:
    bool fail(const QString &why);
    void dropTemporary();
    bool openInPlace(int handle);
    bool commitInPlace();

    QString m_path;
    QString m_target;      // m_path, or the file its chain of links leads to
    QString m_temporary;
    QFile m_file;
    QString m_error;
    bool m_open = false;
    // In place: the file's own handle, its old contents and the new ones.
    int m_handle = -1;
    QByteArray m_old;
    QByteArray m_new;
};

namespace SafeFile {
// Writes the whole file in one go; on failure false, the old file untouched and the system's
// text in *error.
bool write(const QString &path, const QByteArray &bytes, QString *error = nullptr);

// While file is open, no save replaces it: a file replaced under an open handle goes on being
// written unseen, its new contents with no trace of it. why is the reason the user is shown.
void keepOff(const QFileDevice *file, const QString &why);
void release(const QFileDevice *file);
// Why a save to path would be refused: one of those files, or a file the user may not write (the
// system's reason); empty when it would not.
QString refusal(const QString &path);
} // namespace SafeFile
