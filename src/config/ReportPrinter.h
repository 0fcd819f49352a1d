// Prints a configuration report file on the printer the user chose: the file's text in a
// fixed-width font, line for line, with a new page whenever one is full.
#pragma once

#include <QString>

class QPrinter;

namespace ReportPrinter {

// False when the printer could not be started (nothing printed), with the reason in *error.
bool printText(QPrinter &printer, const QString &text, QString *error = nullptr);
// The file is read as Latin-1, as the writer wrote it. False when it cannot be read or printed,
// with the reason in *error.
bool printFile(QPrinter &printer, const QString &path, QString *error = nullptr);
// Where the printer dialog proposes to print to a file: the folder the file dialogs start in,
// under the report's name. The printer chosen by default stays chosen.
void proposeOutputFile(QPrinter &printer, const QString &reportFile);

} // namespace ReportPrinter
