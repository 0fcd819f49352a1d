#include "platform/PrivateProfile.h"

#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QFile>
#include <QLoggingCategory>
#include <QVector>

Q_LOGGING_CATEGORY(lcProfile, "wavecrest.profile", QtInfoMsg)

namespace {

// The file is single-byte text: Latin-1 maps each byte to one character and back, so offsets in
// the decoded text are offsets in the file and untouched lines are written back byte for byte.
// A file an editor saved as UTF-16 or as UTF-8 with a byte-order mark is decoded, and written back
// as single-byte text without the mark: behind a mark, a Latin-1 byte would be damaged UTF-8.
QString readText(const QString &filePath, bool *exists, QString *error = nullptr)
{
    const std::optional<QByteArray> bytes =
        filePath.isEmpty() ? std::nullopt : RegularFile::readSingleByte(filePath, RegularFile::TextLimit, error);
    *exists = bytes.has_value();
    return bytes ? QString::fromLatin1(*bytes) : QString();
}

bool isBlank(QChar c)
{
    // Only the ASCII blanks: a no-break space (0xA0) is part of a Latin-1 value.
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

QString trimBlanks(QStringView text)
{
    qsizetype first = 0;
    qsizetype last = text.size();
    while (first < last && isBlank(text[first]))
        ++first;
    while (last > first && isBlank(text[last - 1]))
        --last;
    return text.sliced(first, last - first).toString();
}

QString trimTrailingBlanks(const QString &text)
{
    qsizetype last = text.size();
    while (last > 0 && isBlank(text[last - 1]))
        --last;
    return text.left(last);
}

struct Line
{
    enum Kind { Other, Section, Entry, Bare };   // Bare: a line of text without "="
    qsizetype start = 0;       // first character
    qsizetype contentEnd = 0;  // end of the text before the line end
    qsizetype end = 0;         // after the line end (== contentEnd on a last line without one)
    Kind kind = Other;
    QString name;              // section name or key, trimmed
    QString value;             // an entry's value, trimmed
};

QVector<Line> parseLines(const QString &text)
{
    QVector<Line> lines;
    qsizetype pos = 0;
    while (pos < text.size()) {
        Line line;
        line.start = pos;
        // A line ends at CR LF, LF or a lone CR: a CR left inside a line would hide the key that
        // follows it from every reader and join it to the value before.
        qsizetype stop = pos;
        while (stop < text.size() && text[stop] != u'\n' && text[stop] != u'\r')
            ++stop;
        line.contentEnd = stop;
        if (stop < text.size())
            stop += text[stop] == u'\r' && stop + 1 < text.size() && text[stop + 1] == u'\n' ? 2 : 1;
        line.end = stop;
        pos = line.end;

        const QString content = trimBlanks(QStringView(text).sliced(line.start, line.contentEnd - line.start));
        const qsizetype close = content.lastIndexOf(u']');
        if (content.startsWith(u'[') && close > 0) {
            line.kind = Line::Section;
            line.name = trimBlanks(QStringView(content).sliced(1, close - 1));
        } else if (!content.isEmpty() && !content.startsWith(u';')) {
            const qsizetype eq = content.indexOf(u'=');
            if (eq >= 0) {
                line.kind = Line::Entry;
                line.name = trimBlanks(QStringView(content).left(eq));
                line.value = trimBlanks(QStringView(content).sliced(eq + 1));
            } else {
                line.kind = Line::Bare;
            }
        }
        lines.append(line);
    }
    return lines;
}

struct Location
{
    int section = -1;     // line of the section header
    int entry = -1;       // line of the key within that section
    int lastEntry = -1;   // last key line of the section (the header when it has none)
};

// The first section of that name, and the first key of that name in it, as the platform finds them.
Location locate(const QVector<Line> &lines, const QString &section, const QString &key)
{
    Location at;
    for (int i = 0; i < lines.size(); ++i) {
        const Line &line = lines[i];
        if (line.kind == Line::Section) {
            if (at.section >= 0)
                break;
            if (line.name.compare(section, Qt::CaseInsensitive) == 0)
                at.section = at.lastEntry = i;
        } else if (at.section >= 0 && (line.kind == Line::Entry || line.kind == Line::Bare)) {
            at.lastEntry = i;
            if (at.entry < 0 && line.kind == Line::Entry && line.name.compare(key, Qt::CaseInsensitive) == 0)
                at.entry = i;
        }
    }
    return at;
}

// A line break inside a name or value would start a new line of the file and could plant keys
// or sections the caller never wrote.
QString oneLine(QString text)
{
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

} // namespace

ProfileString getPrivateProfileString(const QString &section, const QString &key,
                                      const QString &defaultValue, int bufferSize,
                                      const QString &filePath)
{
    ProfileString result;
    if (bufferSize <= 0)
        return result;

    bool exists = false;
    const QString text = readText(filePath, &exists);
    QString value = trimTrailingBlanks(defaultValue);
    if (exists) {
        const QVector<Line> lines = parseLines(text);
        const Location at = locate(lines, section, key);
        if (at.entry >= 0)
            value = lines[at.entry].value;
    }
    result.text = value.left(bufferSize - 1);
    result.count = int(result.text.size());
    return result;
}

std::optional<QString> readProfileValue(const QString &section, const QString &key, const QString &filePath,
                                        bool *unreadable)
{
    bool exists = false;
    const QString text = readText(filePath, &exists);
    if (unreadable)
        *unreadable = !exists && !filePath.isEmpty() && QFile::exists(filePath);
    if (!exists)
        return std::nullopt;
    const QVector<Line> lines = parseLines(text);
    const Location at = locate(lines, section, key);
    if (at.entry < 0)
        return std::nullopt;
    return lines[at.entry].value;
}

int writePrivateProfileString(const QString &section, const QString &key, const QString &value,
                              const QString &filePath, QString *error)
{
    if (filePath.isEmpty()) {
        if (error)
            *error = QStringLiteral("No file name.");
        return 0;
    }

    bool exists = false;
    QString why;
    QString text = readText(filePath, &exists, &why);
    if (!exists && QFile::exists(filePath)) {
        // There is a file but it cannot be read: writing would lose what it holds.
        qCDebug(lcProfile) << "cannot read" << filePath << why;
        if (error)
            *error = why;
        return 0;
    }

    const QString eol = text.contains(QLatin1String("\r\n")) ? QStringLiteral("\r\n")
                      : text.contains(u'\n')                 ? QStringLiteral("\n")
                      : text.contains(u'\r')                 ? QStringLiteral("\r")
                                                             : QStringLiteral("\r\n");
    const QVector<Line> lines = parseLines(text);
    const Location at = locate(lines, section, key);

    if (at.entry >= 0) {
        const Line &line = lines[at.entry];
        text.replace(line.start, line.contentEnd - line.start, line.name + u'=' + oneLine(value));
    } else if (at.section >= 0) {
        const Line &after = lines[at.lastEntry];
        const QString entry = oneLine(key) + u'=' + oneLine(value);
        if (after.end == after.contentEnd)
            text.insert(after.end, eol + entry);
        else
            text.insert(after.end, entry + eol);
    } else {
        if (!text.isEmpty() && !text.endsWith(u'\n') && !text.endsWith(u'\r'))
            text += eol;
        if (!lines.isEmpty() && !trimBlanks(QStringView(text).sliced(lines.last().start)).isEmpty())
            text += eol;   // a blank line between sections, as a person would lay them out
        text += u'[' + oneLine(section) + u']' + eol + oneLine(key) + u'=' + oneLine(value) + eol;
    }

    if (!SafeFile::write(filePath, text.toLatin1(), &why)) {
        qCDebug(lcProfile) << "cannot write" << filePath << why;
        if (error)
            *error = why;
        return 0;
    }
    return 1;
}
