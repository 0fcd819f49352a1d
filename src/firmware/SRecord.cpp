#include "firmware/SRecord.h"

#include <QIODevice>

#include <algorithm>

namespace SRecord {

namespace {

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Bytes of the address field by record type; 0 for a type that does not exist (S4).
int addressBytes(char type)
{
    switch (type) {
    case '0': case '1': case '5': case '9': return 2;
    case '2': case '6': case '8': return 3;
    case '3': case '7': return 4;
    default: return 0;
    }
}

constexpr char EndOfFile = '\x1a';   // DOS end-of-file mark (^Z)

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v';
}

bool isEndRecord(char type)
{
    return type == '7' || type == '8' || type == '9';
}

bool isDataRecord(char type)
{
    return type == '1' || type == '2' || type == '3';
}

bool isCountRecord(char type)
{
    return type == '5' || type == '6';
}

bool sameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Text comparison of single characters, case ignored: "" sorts before everything.
int compareParts(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive);
}

} // namespace

bool hasHeaderType(QByteArrayView head)
{
    return head.size() >= 2 && sameText(QString::fromLatin1(head.first(2)), QStringLiteral("S0"));
}

bool hasPartNumber(QByteArrayView head)
{
    return head.size() >= 22 && sameText(QString::fromLatin1(head.sliced(8, 14)), PartNumberHex);
}

std::optional<QString> versionOf(QByteArrayView head)
{
    if (head.size() < 40)
        return std::nullopt;
    QString version;
    for (int i = 30; i < 40; i += 2) {
        const int hi = hexValue(head[i]);
        const int lo = hexValue(head[i + 1]);
        if (hi < 0 || lo < 0)
            return std::nullopt;
        version += QChar::fromLatin1(char(hi * 16 + lo));
    }
    return version;
}

QString versionPart(const QString &version, int index)
{
    return version.mid(index * 2, 1);
}

bool isOlder(const QString &current, const QString &incoming)
{
    const int major = compareParts(versionPart(current, 0), versionPart(incoming, 0));
    const int minor = compareParts(versionPart(current, 1), versionPart(incoming, 1));
    const int patch = compareParts(versionPart(current, 2), versionPart(incoming, 2));
    return major > 0 || (major >= 0 && minor > 0) || (major >= 0 && minor >= 0 && patch > 0);
}

bool isSame(const QString &current, const QString &incoming)
{
    for (int i = 0; i < 3; ++i)
        if (!sameText(versionPart(current, i), versionPart(incoming, i)))
            return false;
    return true;
}

QList<LetterQuestion> letterQuestions(const QString &current, const QString &incoming)
{
    QList<LetterQuestion> out;
    for (char c = 'A'; c <= 'Z'; ++c) {
        const QString letter(QChar::fromLatin1(c));
        const auto holds = [&](const QString &version) {
            for (int i = 0; i < 3; ++i)
                if (sameText(versionPart(version, i), letter))
                    return true;
            return false;
        };
        if (holds(current))
            out << LetterQuestion{QChar::fromLatin1(c), true};
        else if (holds(incoming))
            out << LetterQuestion{QChar::fromLatin1(c), false};
    }
    return out;
}

std::optional<QString> recordFault(QByteArrayView line)
{
    if (line.isEmpty())
        return QStringLiteral("the line is empty");
    // The file goes out unchanged, and the loader reads a record to its line end: what it would
    // refuse after the radio was erased is refused here, before anything is sent.
    if (std::all_of(line.begin(), line.end(), isBlank))
        return QStringLiteral("it holds only white space");
    if (isBlank(line.front()) || isBlank(line.back()))
        return QStringLiteral("it has white space before or after the record");
    if (line[0] == 's')
        return QStringLiteral("it begins with a lower-case \"s\"");
    if (line[0] != 'S')
        return QStringLiteral("it does not begin with \"S\"");
    if (line.size() < 2 || addressBytes(line[1]) == 0)
        return QStringLiteral("its record type is not one of S0-S3 or S5-S9");
    const QByteArrayView hex = line.sliced(2);
    for (const char c : hex)
        if (hexValue(c) < 0)
            return QStringLiteral("it holds characters that are not hexadecimal digits");
    if (hex.size() < 2 || hex.size() % 2 != 0)
        return QStringLiteral("its length does not match its byte count");
    const int count = hexValue(hex[0]) * 16 + hexValue(hex[1]);
    if (hex.size() != 2 + count * 2)
        return QStringLiteral("its length does not match its byte count");
    if (count < addressBytes(line[1]) + 1)
        return QStringLiteral("it is too short for its record type");
    if (isCountRecord(line[1]) && count > addressBytes(line[1]) + 1)
        return QStringLiteral("a count record carries no data");
    // The checksum byte makes the sum of the count, address and data bytes 0xFF.
    unsigned sum = 0;
    for (int i = 0; i < hex.size(); i += 2)
        sum += unsigned(hexValue(hex[i]) * 16 + hexValue(hex[i + 1]));
    if ((sum & 0xFF) != 0xFF)
        return QStringLiteral("its checksum is wrong");
    return std::nullopt;
}

std::optional<Fault> findFault(QByteArrayView file)
{
    int lineNo = 0;
    int lastRecord = 0;
    bool ended = false;
    bool hasData = false;
    qsizetype pos = 0;
    while (pos < file.size()) {
        qsizetype end = pos;
        while (end < file.size() && file[end] != '\r' && file[end] != '\n')
            ++end;
        QByteArrayView line = file.sliced(pos, end - pos);
        const int at = ++lineNo;
        // Line ends are CR LF, LF, CR, or CR CR LF as some tools write it; any further CR on its
        // own is an empty line.
        pos = end;
        qsizetype crs = 0;
        while (pos < file.size() && file[pos] == '\r') {
            ++pos;
            ++crs;
        }
        if (pos < file.size() && file[pos] == '\n')
            ++pos;
        else if (crs > 1)
            lineNo += int(crs - 1);

        if (ended) {
            // Behind the end record only blanks and DOS end-of-file marks may follow.
            for (const char c : line)
                if (!isBlank(c) && c != EndOfFile)
                    return Fault{at, QStringLiteral("it follows the end record")};
            continue;
        }
        if (line.isEmpty())
            continue;
        // An end-of-file mark may close the end record's own line.
        QByteArrayView record = line;
        const qsizetype mark = line.indexOf(EndOfFile);
        if (mark > 0) {
            const QByteArrayView before = line.first(mark);
            const QByteArrayView after = line.sliced(mark);
            const bool onlyMarks = std::all_of(after.begin(), after.end(), [](char c) { return isBlank(c) || c == EndOfFile; });
            if (onlyMarks && !recordFault(before) && isEndRecord(before[1]))
                record = before;
        }
        if (const auto why = recordFault(record))
            return Fault{at, *why};
        hasData = hasData || isDataRecord(record[1]);
        lastRecord = at;
        ended = isEndRecord(record[1]);
    }
    if (lastRecord == 0)
        return Fault{1, QStringLiteral("the file holds no records")};
    // A file cut short at a line end is still a run of good records; only the end record tells.
    if (!ended)
        return Fault{lastRecord, QStringLiteral("the file ends here without an end record (S7, S8 or S9)")};
    // The loader refuses a file that carries nothing to write.
    if (!hasData)
        return Fault{lastRecord, QStringLiteral("the file holds no data record (S1, S2 or S3)")};
    return std::nullopt;
}

std::optional<Fault> findFault(QIODevice &file)
{
    return findFault(QByteArrayView(file.readAll()));
}

} // namespace SRecord
