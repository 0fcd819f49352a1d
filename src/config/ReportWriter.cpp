// The configuration report writer of the main window and the SAVE TO FILE and PRINT buttons
// that use it. Replies are read straight from the port while the receive event stands aside.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "config/ConfigReport.h"
#include "config/ReportPrinter.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLoggingCategory>
#include <QPrinter>
#include <QPushButton>
#include <QTimer>

#include <optional>

Q_LOGGING_CATEGORY(lcReportWriter, "wavecrest.config", QtWarningMsg)

namespace {

using ConfigReport::Row;

// Any way out of a report that is not its completion.
struct ReportAborted
{
    QString why;
    bool fileFailed = false;   // why is the system's text for a file that could not be written
};

// While the "ser" answer is awaited the radio is nudged with CR LF, but no oftener than this,
// so that a slow radio is not flooded with line ends.
constexpr qint64 NudgeIntervalMs = 100;
// As long as the port time-out gives any answer.
constexpr qint64 NudgePromptsWaitMs = 2000;

QString chooseReportFile(QString name)
{
    for (;;) {
        if (name.isEmpty()) {
            name = dialogs().saveFile(QStringLiteral("Radio Configuration Save"),
                                      QStringLiteral("TEXT Files (*.txt)|*.txt|All Files (*.*)|*.*"), QString());
            if (name.isEmpty())
                return {};
        }
        if (!FileExists(name))
            return name;
        // A folder (or a device) of that name is not a file to overwrite: it cannot be written.
        if (const QString why = RegularFile::notAFile(name); !why.isEmpty()) {
            ConfigFiles::showWriteFailure(name, why);
            return {};
        }
        switch (MsgBox(QStringLiteral("File Exists !!\r\n\r\nOverwrite ? "), Msg::YesNoCancel, Msg::NoIcon,
                       QStringLiteral("File I/O Error"))) {
        case Msg::Yes:
            return name;
        case Msg::No:
            name.clear();
            break;
        default:
            return {};
        }
    }
}

// Each nudge raises a prompt of its own after the answer to "ser". They are collected with that
// answer, so that none of them is taken for the end of the next answer and shifts every row after
// it by one. A radio that leaves a nudge unanswered costs this wait, not the report.
void collectNudgePrompts(CommControl &port, QString &collected, int nudges)
{
    const qsizetype echo = qMax<qsizetype>(0, collected.indexOf(QLatin1String("ser"), 0, Qt::CaseInsensitive));
    Clock::waitFor(
        [&] {
            collected += port.inputText();
            return collected.mid(echo).count(QLatin1Char('>')) > nudges;
        },
        NudgePromptsWaitMs);
}

// Collects the "ser" answer until it ends with the prompt, nudging the radio meanwhile; false when
// the port time-out ended it.
bool collectSerialNumber(CommControl &port, const Exchange::PortTimeout &timeout, QString &collected, int &nudges)
{
    const auto reached = [&] { return Exchange::promptReached(collected, Exchange::PromptEnd::LastCharIsPrompt); };
    if (reached())
        return true;
    const Exchange::ArmedPortTimeout armed(timeout, [&] {
        collected += port.inputText();
        return reached();
    });
    qint64 nudgeDue = Clock::nowMs() + NudgeIntervalMs;
    for (;;) {
        collected += port.inputText();
        if (reached())
            return true;
        Clock::waitFor([&] { return port.inBufferCount() > 0 || timeout.timedOut(); },
                       qMax<qint64>(1, nudgeDue - Clock::nowMs()));
        if (timeout.timedOut())
            return false;
        if (Clock::nowMs() >= nudgeDue) {
            Exchange::sendRaw(port, QByteArrayLiteral("\r\n"));
            ++nudges;
            nudgeDue = Clock::nowMs() + NudgeIntervalMs;
        }
    }
}

bool awaitSerialNumber(CommControl &port, const Exchange::PortTimeout &timeout, QString &collected)
{
    int nudges = 0;
    const bool reached = collectSerialNumber(port, timeout, collected, nudges);
    if (reached && nudges > 0)
        collectNudgePrompts(port, collected, nudges);
    return reached;
}

} // namespace

void frmCorvista::connectReportButtons()
{
    connect(cmdSaveToFile, &QPushButton::clicked, this, &frmCorvista::cmdSaveToFile_Click);
    connect(cmdPrint, &QPushButton::clicked, this, &frmCorvista::cmdPrint_Click);
}

void frmCorvista::SaveConfigurationReport(const QString &fileName, bool printing)
{
    SharedState &s = shared();
    Exchange::LinkOwnership reportOwnsLink;
    std::optional<Exchange::DirectReadScope> directRead;
    directRead.emplace();

    const QString path = chooseReportFile(fileName);
    if (path.isEmpty())
        return;

    // The report goes to a sibling temporary file that takes the chosen name only once it is
    // complete, so a report that breaks off, or meets a full disk, leaves the file the user had
    // untouched.
    SafeFileWriter file(path);
    CommControl &port = *MSComm1;
    const Exchange::PortTimeout timeout = portTimeout();
    auto write = [&file](const QString &line) {
        if (!file.write(ConfigReport::fileLine(line)))
            throw ReportAborted{file.errorString(), true};
    };
    auto exchange = [&](const QString &query, QString &collected) {
        collected.clear();
        if (!Exchange::polledPromptExchange(port, Exchange::commandBytes(query), 50,
                                            Exchange::PromptEnd::LastCharIsPrompt, 0, timeout, collected))
            throw ReportAborted{QStringLiteral("no answer to ") + query};
    };

    QString fileError;
    try {
        if (!file.open())
            throw ReportAborted{file.errorString(), true};
        if (printing)
            keepStatusText(QStringLiteral("Preparing Report"));
        if (printing) {
            write(QString());
            write(QString());
        }
        write(ConfigReport::createdLine());
        write(ConfigReport::dateLine(QDate::currentDate()));

        // Whatever the radio had pending goes, with the prompts these line ends raise.
        Exchange::sendRaw(port, QByteArrayLiteral("\r\n\r\n"));
        Clock::sleepMs(250);
        port.input();

        Exchange::commandLine(port, QStringLiteral("ser"));
        Clock::sleepMs(150);
        QString collected = port.inputText();
        txtTerm->setText(QStringLiteral("\r\n").repeated(5)
                         + (printing ? QStringLiteral("PRINTING.") : QStringLiteral("SAVING.")));
        if (!awaitSerialNumber(port, timeout, collected))
            throw ReportAborted{QStringLiteral("no answer to ser")};
        if (const auto line = ConfigReport::serialNumberLine(collected))
            write(*line);
        txtTerm->writeAtEnd(QStringLiteral("."));
        Clock::doEvents();

        exchange(QStringLiteral("srev"), collected);
        txtTerm->writeAtEnd(QStringLiteral("."));
        if (const auto line = ConfigReport::firmwareLine(collected))
            write(*line);

        write(QString());
        write(QString());
        // With the echo off every answer starts with its keyword. This bracket's opening half
        // ends in CR LF.
        Exchange::echoOff(port);
        Exchange::sendRaw(port, QByteArray(1, Exchange::LF));

        QString modeLetter;
        for (const Row &row : ConfigReport::rows()) {
            if (ConfigReport::masterOnly(row) && !ConfigReport::isMasterLetter(modeLetter))
                continue;
            if (!printing && !row.status.isEmpty())
                setStatusText(row.status);
            exchange(row.query, collected);
            const QStringList lines = ConfigReport::rowLines(row, collected);
            if (row.cut == ConfigReport::Cut::FirstSix)
                modeLetter = ConfigReport::modeLetter(lines);
            for (const QString &line : lines)
                write(line);
            if (ConfigReport::dotAfter(row))
                txtTerm->writeAtEnd(QStringLiteral("."));
        }

        if (!file.commit())
            throw ReportAborted{file.errorString(), true};
        Clock::startTimer(*Timer2, 2000);
        Exchange::echoOn(port);
        Clock::sleepMs(250);
        port.input();
        directRead.reset();
        s.ReportWritten = true;
        return;
    } catch (const ReportAborted &e) {
        qCInfo(lcReportWriter) << "report aborted:" << e.why;
        if (e.fileFailed)
            fileError = e.why;
    } catch (const std::exception &e) {
        qCInfo(lcReportWriter) << "report aborted:" << e.what();
    }
    file.cancel();

    // A failure inside a wait leaves no time-out armed behind it to fire on a later report.
    StopPortTimeout();
    try {
        Exchange::echoOn(port);
        Clock::sleepMs(250);
        port.input();
    } catch (const CommError &e) {
        qCInfo(lcReportWriter) << "no eeco after the abort:" << e.text();
    }
    Clock::sleepMs(100);
    directRead.reset();
    s.PortTimedOut = false;
    setStatusText(QString());
    if (!fileError.isEmpty())
        ConfigFiles::showWriteFailure(path, fileError);
    refreshAfterTask();
}

void frmCorvista::cmdSaveToFile_Click()
{
    const Exchange::LinkOwnership operation;
    if (refusedWhileBusy(operation))
        return;
    if (!MSComm1->portOpen())
        return;
    frQuick->setEnabled(false);
    SaveConfigurationReport(QString(), false);
    frQuick->setEnabled(true);
    refreshAfterTask();
}

void frmCorvista::cmdPrint_Click()
{
    const Exchange::LinkOwnership operation;
    if (refusedWhileBusy(operation))
        return;
    SharedState &s = shared();
    s.ReportWritten = false;
    bool finished = false;
    try {
        const QString temp = AppPaths::inProgramFolder(QStringLiteral("Temp"));
        if (!DirExists(temp))
            QDir().mkpath(temp);
        const ValueBox *serial = Pages.box(QStringLiteral("SerialNumber"));
        const QString printFile =
            ConfigReport::printFileName(AppPaths::programFolder(), serial ? serial->text() : QString());
        if (FileExists(printFile))
            QFile::remove(printFile);
        frQuick->setEnabled(false);
        SaveConfigurationReport(printFile, true);
        if (s.ReportWritten) {
            setStatusText(QStringLiteral("Printing"));
            QPrinter printer;
            printer.setDocName(QFileInfo(printFile).fileName());
            ReportPrinter::proposeOutputFile(printer, printFile);
            if (!dialogs().printerDialog(printer))
                throw ReportAborted{QStringLiteral("printer dialog cancelled")};
            QString why;
            if (!ReportPrinter::printFile(printer, printFile, &why)) {
                qCWarning(lcReportWriter) << "the report was not printed" << why;
                MsgBox(QStringLiteral("The report could not be printed:\r\n") + QDir::toNativeSeparators(printFile)
                           + QStringLiteral("\r\n\r\n") + why,
                       Msg::OKOnly, Msg::Exclamation, QStringLiteral("Print Error"));
            }
        }
        finished = true;
    } catch (const ReportAborted &e) {
        qCInfo(lcReportWriter) << "print:" << e.why;
    } catch (const std::exception &e) {
        qCInfo(lcReportWriter) << "print:" << e.what();
    }
    if (finished)
        Clock::startTimer(*Timer2, 2000);
    frQuick->setEnabled(true);
    refreshAfterTask();
}
