// Reading and writing the configuration and preset text files: Latin-1, CR LF line ends.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace ConfigFiles {

// The file's lines without their line ends (CR LF, LF or a lone CR) and without a byte-order mark;
// nothing when it is not a regular file, is too large to be one of these or cannot be read, with
// the reason in *error.
std::optional<QStringList> readLines(const QString &path, QString *error = nullptr);

// The sibling of path with the extension ".tmp" ("Preset1.txt" gives "Preset1.tmp").
QString tmpSibling(const QString &path);

// Writes the lines (CR LF after each) to a temporary file that then takes path's name, so that a
// failed write leaves the file as it was. False on any failure, with the system's text in *error.
bool writeThroughTmp(const QString &path, const QStringList &lines, QString *error = nullptr);

// Tells the user that the file could not be written, in the system's words.
void showWriteFailure(const QString &path, const QString &error);

// A line of a file that the line sender left out: the radio could not take it as one command.
struct LeftOutLine
{
    QString file;
    int number = 0;   // from 1
    QString text;
};
// What the user is told once a run has left lines out: each file, and its lines by number and
// text, a control character shown by its name.
QString linesLeftOutMessage(const QList<LeftOutLine> &lines);

} // namespace ConfigFiles
