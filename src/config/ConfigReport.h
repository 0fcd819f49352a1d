// The configuration file as the report writer makes it, without any window: the rows it asks
// the radio for, how each answer is cut into a line, the header lines, the print layout and the
// print file's name. The writer (ReportWriter.cpp) does the talking; everything here is text.
#pragma once

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

namespace ConfigReport {

// How an answer becomes the file's line(s).
enum class Cut {
    Standard,           // from the keyword up to the closing CR LF ">"
    OwnerText,          // the query word, a blank and the answer without its line breaks
    FirstSix,           // "MODE M": the mode letter is its 6th character
    FirstTen,           // "PWR 30 dBm"
    ColonsRemovedA,     // "MASK: FFFF FFFF" gives "AMASK FFFF FFFF"
    ColonsRemoved,      // "ALARM ACTIVE: HI" gives "ALARM ACTIVE HI"
    NoLineWhenNA,       // a setting this radio does not use answers "n/a"
    NoneWhenAbsent,     // a radio that does not know CSADDR still gets "CSADDR NONE"
    ValueAndState,      // "DLINK 19200 (ON)" gives "DLINK 19200" and "DLINK ON"
};

struct Row
{
    int order = 0;      // 1-32
    QString query;      // sent with one CR ("unit", "OWN")
    QString keyword;    // where the line starts ("UNIT", "MASK"); empty for the owner texts
    QString status;     // "Status" panel while saving; empty: the panel keeps its text
    Cut cut = Cut::Standard;
};

// Every row of the report, in report order, made from the settings catalogue.
const QList<Row> &rows();

// Rows asked only of a master radio.
bool masterOnly(const Row &row);
// Rows after whose exchange the terminal gets a dot.
bool dotAfter(const Row &row);

// An answer too short for its cut: the writer gives up as on any failure.
class CutError : public std::runtime_error
{
public:
    explicit CutError(const QString &what) : std::runtime_error(what.toStdString()) {}
};

// The lines a row writes for the collected answer (none, one or two). Throws CutError.
QStringList rowLines(const Row &row, const QString &collected);

// The 6th character of the mode line ("MODE M"), or the empty text when there is none.
QString modeLetter(const QStringList &modeLines);
// Whether the master-only rows are asked (the letter compared without regard to case).
bool isMasterLetter(const QString &letter);

// Header lines.
QString programVersion();                       // "3.0.1"
QString createdLine();
QString dateLine(const QDate &date);            // the system's short date format
// Nothing when the "ser" answer holds no "SN".
std::optional<QString> serialNumberLine(const QString &collected);
// Nothing when the collected text holds no echoed "srev". Throws CutError.
std::optional<QString> firmwareLine(const QString &collected);

// A file line as bytes: Latin-1 and CR LF.
QByteArray fileLine(const QString &line);

// The print file for the serial number box's text: Temp/<text from its 4th character>.txt,
// keeping only letters, digits, "-" and "_" of it, or Temp/config.txt when nothing is left.
QString printFileName(const QString &programFolder, const QString &serialNumberText);

// The print layout: the file's lines cut into pages of at most linesPerPage lines, a line
// longer than columns carried on to the next line. At least one page.
QList<QStringList> printPages(const QStringList &lines, int linesPerPage, int columns);
// The file's text split at its line ends (CR LF, LF or CR); no empty last line for the last end.
QStringList splitLines(const QString &text);

} // namespace ConfigReport
