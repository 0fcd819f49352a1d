// Firmware files (Motorola S-record text): the header checks made before the user is asked
// anything, the version comparisons, and the check of every record before a byte goes to the radio.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <optional>

class QIODevice;

namespace SRecord {

// "17-2851", the radio model's part number, as the header record carries it.
inline const QString PartNumberHex = QStringLiteral("31372D32383531");

// Characters 1-2 of the file are "S0" (case ignored).
bool hasHeaderType(QByteArrayView head);
// Characters 9-22 are the part number (case ignored).
bool hasPartNumber(QByteArrayView head);
// Characters 31-40 decoded as five pairs of hexadecimal digits, a character each; nothing when the
// file is too short for them or a pair is not hexadecimal.
std::optional<QString> versionOf(QByteArrayView head);

// A version is "major.minor.patch", one character each; its parts are the 1st, 3rd and 5th
// character (empty when the text is too short), compared as text without regard to case.
QString versionPart(const QString &version, int index);
bool isOlder(const QString &current, const QString &incoming);
bool isSame(const QString &current, const QString &incoming);

// The letter questions in the order they are asked: A to Z, each letter at most once, about the
// current version when one of its parts is that letter, otherwise about the new one.
struct LetterQuestion
{
    QChar letter;
    bool inCurrent = false;
};
QList<LetterQuestion> letterQuestions(const QString &current, const QString &incoming);

// Why one line is not a valid record; nothing when it is.
std::optional<QString> recordFault(QByteArrayView line);

// The first line of a file that the loader would refuse: not a valid S-record (type in upper
// case, length, checksum, no white space around it, a count record without data), or the place
// where a complete file's end record or its data records should be. Lines end in CR LF, CR CR LF,
// LF or CR; empty lines are passed over, and behind the end record only blanks and DOS
// end-of-file marks (^Z) may follow.
struct Fault
{
    int line = 0;      // 1-based
    QString reason;
};
std::optional<Fault> findFault(QByteArrayView file);
std::optional<Fault> findFault(QIODevice &file);

} // namespace SRecord
