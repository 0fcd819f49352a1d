// Reading the files a user chooses or the program finds beside it, without letting one hang or
// swamp the program. Only a regular file is taken: a FIFO in a file's place would hold the open
// until some other program writes to it, and a device such as /dev/zero never ends. The open
// never waits, and no more is read than the caller's limit. SafeFile is the one writer.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class QFile;

namespace RegularFile {

// Far more than any configuration, preset, NewRadio.txt or settings file holds: they are a few
// kilobytes.
constexpr qint64 TextLimit = 1 << 20;

// Why what is at path is not a file, in words for the user ("It is a folder, not a file.");
// empty when it is a regular file, when nothing is there, or when the system cannot tell.
QString notAFile(const QString &path);

// The whole file; nothing when it is missing, is not a regular file, holds more than limit bytes
// or cannot be read, with the reason in *error.
std::optional<QByteArray> read(const QString &path, qint64 limit, QString *error = nullptr);

// The bytes of a text file as single-byte text: a file an editor saved as "Unicode" (UTF-16
// behind the byte-order mark FF FE or FE FF) or as "UTF-8 with BOM" (EF BB BF) is decoded, without
// its mark; any other is as it is. Nothing, with the reason in *error, when the Unicode text is
// cut off or damaged or holds a character outside Latin-1, which a single-byte file cannot hold.
std::optional<QByteArray> singleByteText(const QByteArray &bytes, QString *error = nullptr);

// read() of a text file, decoded as singleByteText() does.
std::optional<QByteArray> readSingleByte(const QString &path, qint64 limit, QString *error = nullptr);

// A text file as its single-byte characters, decoded as singleByteText() does.
std::optional<QString> readText(const QString &path, QString *error = nullptr, qint64 limit = TextLimit);

// Opens file (by its name) to add to its end, creating it when missing. False, with the reason,
// when something other than a regular file is there.
bool openForAppend(QFile &file, QString *error = nullptr);

// Tells the user that the file could not be read, and why.
void showReadFailure(const QString &path, const QString &error);

} // namespace RegularFile
