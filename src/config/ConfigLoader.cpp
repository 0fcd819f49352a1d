// The configuration loader and line sender of the main window, and the ACTION buttons PROGRAM
// RADIO FROM FILE and READ RADIO. Answers are read straight from the port while the receive event
// stands aside; the sender waits for each line's prompt but does not judge the answer.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "config/ConfigFiles.h"
#include "link/DeviceLoss.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"
#include "platform/RegularFile.h"

#include <QGroupBox>
#include <QLoggingCategory>
#include <QPushButton>
#include <QRegularExpression>

#include <optional>
#include <utility>

Q_LOGGING_CATEGORY(lcConfigLoader, "wavecrest.config.loader", QtWarningMsg)

namespace {

// ConfigLines holds indexes 0 to 100.
constexpr int MaxConfigLines = 101;
// An empty line in a file is a pause for the radio, not a command.
constexpr int EmptyLinePauseMs = 1000;
constexpr int AfterAnswerPauseMs = 20;
constexpr int PollPauseMs = 100;

const QString UnitWord = QStringLiteral("UNIT");

QString unitPrompt()
{
    return QStringLiteral("Select the UNIT number for this radio.\r\n\r\n"
                          "Valid numbers are from 10000 - 65000.\r\n\r\n"
                          "The factory default is a 4 digit number. If you wish to change it, "
                          "the entry MUST be a five digit number in the range above.\r\n\r\n"
                          "(Click 'CANCEL' button to use the default entry.)");
}

// The unit number typed ("12345", "UNIT 12345", "unit 12345"), or nothing when it is not one the
// radio takes. Only digits count: "1e4" or "12345.0" would go to the radio as they were typed.
std::optional<QString> unitNumber(QString answer, QString &trimmed)
{
    answer.remove(UnitWord, Qt::CaseInsensitive);
    trimmed = answer.trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    if (!digits.match(trimmed).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong value = trimmed.toLongLong(&ok);
    if (!ok || value <= 9999 || value >= 65001)
        return std::nullopt;
    return trimmed;
}

// Lets the user give this radio its own unit number; returns the line to send.
QString askUnitLine(const QString &entry)
{
    QString defaultText = entry;
    for (;;) {
        const QString answer = dialogs().inputBox(unitPrompt(), QStringLiteral("Check UNIT number."), defaultText);
        if (answer.isEmpty())
            return entry;
        if (!AnswerSendable(answer))
            continue;
        QString trimmed;
        if (const auto number = unitNumber(answer, trimmed)) {
            const QString line = QStringLiteral("UNIT ") + *number;
            MsgBox(QStringLiteral("New Unit: ") + line, Msg::OKOnly, Msg::NoIcon, Dialogs::applicationTitle());
            return line;
        }
        defaultText = trimmed;
    }
}

// The lines of the file into ConfigLines; false (ConfigLines untouched) when it is missing. A file
// that cannot be read, or holds no line or more lines than ConfigLines holds, is refused with a
// message that names it and says why, and leaves ConfigLines empty, so that a caller who sends
// regardless sends nothing.
bool readConfigurationLines(const QString &fileName)
{
    if (!FileExists(fileName))
        return false;
    SharedState &s = shared();
    QString why;
    const std::optional<QStringList> lines = ConfigFiles::readLines(fileName, &why);
    if (lines && lines->isEmpty())
        why = QStringLiteral("It holds no line.");
    else if (lines && lines->size() > MaxConfigLines)
        why = QStringLiteral("It holds %1 lines; a configuration has at most %2.")
                  .arg(lines->size())
                  .arg(MaxConfigLines);
    if (!why.isEmpty()) {
        qCInfo(lcConfigLoader) << "not loaded:" << fileName << why;
        s.ConfigLines.clear();
        RegularFile::showReadFailure(fileName, why);
        return false;
    }
    s.ConfigLines = *lines;
    return true;
}

} // namespace

void frmCorvista::refreshAfterTask()
{
    // After a lost device the user connects again when it is back; trying now only fails again.
    // (After the user's Disconnect or Exit the refresh itself does nothing.)
    if (DeviceLoss::reported())
        return;
    try {
        ButtonRefresh_Click();
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

bool frmCorvista::LoadConfigurationFile(QString &fileName, bool newRadio)
{
    if (newRadio)
        fileName = AppPaths::inProgramFolder(QStringLiteral("NewRadio.txt"));
    if (!readConfigurationLines(fileName))
        return false;
    ConfigLinesFile = fileName;
    if (newRadio)
        return true;
    for (const QString &line : std::as_const(shared().ConfigLines))
        if (line.contains(QLatin1String("With Firmware Version:"), Qt::CaseInsensitive))
            return true;
    return MsgBox(QStringLiteral("The file does not appear to be a saved configuration file\r\n"
                                 "that was created with this Wavecrest Configuration utility.\r\n\r\n"
                                 "Do you want to send it to the radio anyway ?"),
                  Msg::YesNo, Msg::NoIcon, QStringLiteral("File Error"))
        == Msg::Yes;
}

void frmCorvista::SendConfigurationLines(bool unitPrompt)
{
    SharedState &s = shared();
    Exchange::LinkOwnership senderOwnsLink;
    ConfigSendAborted = false;
    const Exchange::PortTimeout timeout = portTimeout();
    try {
        for (qsizetype i = 0; i < s.ConfigLines.size(); ++i) {
            // The user's Disconnect or Exit ended the run: nothing more is asked or sent.
            if (LinkGate::operationEnded()) {
                ConfigSendAborted = true;
                break;
            }
            QString entry = s.ConfigLines[i];
            if (entry.isEmpty()) {
                Clock::sleepMs(EmptyLinePauseMs);
                continue;
            }
            if (entry.startsWith(QLatin1Char('#')))
                continue;
            // A tab or another control byte in a line would reach the radio inside the command.
            if (!RadioCanTake(entry)) {
                qCInfo(lcConfigLoader) << "line not sent, the radio cannot take it as one command:" << entry;
                ConfigLinesLeftOut.append({ConfigLinesFile, int(i) + 1, entry});
                continue;
            }
            if (unitPrompt && entry.contains(UnitWord, Qt::CaseInsensitive)) {
                entry = askUnitLine(entry);
                s.ConfigLines[i] = entry;
            }
            keepStatusText(entry);
            txtTerm->writeAtEnd(QStringLiteral("."));
            QString collected;
            if (!Exchange::polledPromptExchange(*MSComm1, Exchange::commandBytes(entry), 0,
                                                Exchange::PromptEnd::CrLfPrompt, PollPauseMs, timeout, collected)) {
                qCInfo(lcConfigLoader) << "no prompt after" << entry;
                ConfigSendAborted = true;
                break;
            }
            Clock::sleepMs(AfterAnswerPauseMs);
        }
    } catch (const RuntimeError &e) {
        qCInfo(lcConfigLoader) << "sending stopped:" << e.text();
        StopPortTimeout();
        ConfigSendAborted = true;
    }
    if (!ConfigSendAborted)
        return;
    s.IgnoreCommEvents = false;
    s.PortTimedOut = false;
    refreshAfterTask();
}

void frmCorvista::programFromConfigurationFile(const QString &fileName, const QString &word)
{
    // Also between the baseline and the file, and while the unit number is asked.
    Exchange::LinkOwnership programmingOwnsLink;
    frQuick->setEnabled(false);
    txtTerm->setText(QStringLiteral("\r\n").repeated(5) + word);
    ConfigSendAborted = false;
    ConfigLinesLeftOut.clear();
    try {
        Exchange::DirectReadScope directRead;
        QString baseline;
        const bool baselineLoaded = LoadConfigurationFile(baseline, true);
        if (baselineLoaded)
            SendConfigurationLines(false);
        // A baseline that is there but cannot be loaded has said why; the file alone would leave
        // the radio half old, half new, so nothing is sent. The user already agreed to this file:
        // it is read again without a second question. A baseline that broke off leaves the radio
        // unanswered, so the file does not follow it.
        if ((baselineLoaded || !FileExists(baseline)) && !ConfigSendAborted && readConfigurationLines(fileName)) {
            ConfigLinesFile = fileName;
            SendConfigurationLines(true);
        }
    } catch (const RuntimeError &e) {
        qCInfo(lcConfigLoader) << "programming stopped:" << e.text();
    }
    // After a break-off the sender has already handed the port back and asked for the refresh.
    if (!ConfigSendAborted)
        refreshAfterTask();
    tellConfigLinesLeftOut();
    frQuick->setEnabled(true);
}

void frmCorvista::tellConfigLinesLeftOut()
{
    const QList<ConfigFiles::LeftOutLine> lines = std::exchange(ConfigLinesLeftOut, {});
    // A run that the user's Disconnect or Exit ended says nothing more.
    if (lines.isEmpty() || LinkGate::operationEnded())
        return;
    MsgBox(ConfigFiles::linesLeftOutMessage(lines), Msg::OKOnly, Msg::Exclamation, QStringLiteral("Warning"));
}

void frmCorvista::RestoreConfiguration()
{
    QString fileName = dialogs().openFile(QStringLiteral("Radio Configuration Restore"),
                                          QStringLiteral("TEXT Files (*.txt)|*.txt|All Files (*.*)|*.*"), QString());
    if (fileName.isEmpty())
        return;
    if (!LoadConfigurationFile(fileName, false))
        return;
    programFromConfigurationFile(fileName, QStringLiteral("RESTORING."));
}

void frmCorvista::cmdProgramFromFile_Click()
{
    const Exchange::LinkOwnership operation;
    if (refusedWhileBusy(operation))
        return;
    RestoreConfiguration();
}

void frmCorvista::cmdReadRadio_Click()
{
    refreshAfterTask();
}
