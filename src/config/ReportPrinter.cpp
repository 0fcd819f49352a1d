#include "config/ReportPrinter.h"

#include "config/ConfigReport.h"

#include "platform/Dialogs.h"
#include "platform/RegularFile.h"

#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLoggingCategory>
#include <QPainter>
#include <QPrinter>

Q_LOGGING_CATEGORY(lcReportPrinter, "wavecrest.config", QtWarningMsg)

namespace ReportPrinter {

bool printText(QPrinter &printer, const QString &text, QString *error)
{
    // A plain text file printed the way a text editor prints it: a margin all round.
    printer.setPageMargins(QMarginsF(20, 15, 15, 15), QPageLayout::Millimeter);
    QPainter painter;
    if (!painter.begin(&printer)) {
        qCWarning(lcReportPrinter) << "printer could not be started" << printer.printerName() << printer.outputFileName();
        if (error)
            *error = printer.outputFileName().isEmpty()
                ? QStringLiteral("The printer %1 could not be started.").arg(printer.printerName())
                : QStringLiteral("The file %1 could not be written.")
                      .arg(QDir::toNativeSeparators(printer.outputFileName()));
        return false;
    }
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(10);
    painter.setFont(font);
    const QFontMetrics metrics(font, painter.device());
    const QRect area = painter.viewport();
    const int lineHeight = qMax(1, metrics.lineSpacing());
    const int charWidth = qMax(1, metrics.horizontalAdvance(QLatin1Char('M')));
    const QList<QStringList> pages =
        ConfigReport::printPages(ConfigReport::splitLines(text), area.height() / lineHeight, area.width() / charWidth);
    for (qsizetype page = 0; page < pages.size(); ++page) {
        if (page > 0)
            printer.newPage();
        int y = metrics.ascent();
        for (const QString &line : pages[page]) {
            painter.drawText(0, y, line);
            y += lineHeight;
        }
    }
    if (!painter.end()) {
        if (error)
            *error = QStringLiteral("The printer %1 did not take the pages.").arg(printer.printerName());
        return false;
    }
    return true;
}

bool printFile(QPrinter &printer, const QString &path, QString *error)
{
    const std::optional<QByteArray> bytes = RegularFile::read(path, RegularFile::TextLimit, error);
    if (!bytes) {
        qCWarning(lcReportPrinter) << "report file could not be read" << path << (error ? *error : QString());
        return false;
    }
    return printText(printer, QString::fromLatin1(*bytes), error);
}

void proposeOutputFile(QPrinter &printer, const QString &reportFile)
{
    // Left empty, the dialog proposes the working folder, which is Temp: emptied at every start,
    // it would take the user's PDF with it. Naming a PDF file makes the printer a PDF writer, so
    // the kind of output it had is given back; choosing a printer in the dialog drops the name.
    const QPrinter::OutputFormat format = printer.outputFormat();
    printer.setOutputFileName(QDir(Dialogs::fileDialogFolder())
                                  .filePath(QFileInfo(reportFile).completeBaseName() + QStringLiteral(".pdf")));
    printer.setOutputFormat(format);
}

} // namespace ReportPrinter
