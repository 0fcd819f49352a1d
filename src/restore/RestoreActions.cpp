// What the restore window does with the radio and with files: the read-out into the current
// column, reading a configuration file into the New column, programming the ticked rows and
// saving the current settings.
#include "restore/frmRestore.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "config/ConfigFiles.h"
#include "config/ConfigReport.h"
#include "app/frmCorvista.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RegularFile.h"
#include "restore/RestoreRules.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <algorithm>

namespace {
const QString TextFilter = QStringLiteral("TEXT Files (*.txt)|*.txt|All Files (*.*)|*.*");
const QColor BlockDone = QColor(127, 163, 199);
const QColor BlockRunning = QColor(160, 160, 160);

// Clears a flag on every way out.
struct Running
{
    bool &flag;
    explicit Running(bool &f) : flag(f) { flag = true; }
    ~Running() { flag = false; }
};
} // namespace

void frmRestore::Timer1_Timer()
{
    SharedState &s = shared();
    Flags &f = flags();
    if (m_reading || m_unloaded || !MSComm2->portOpen() || !f.RereadRequested)
        return;
    Busy busy(*this);
    Running running(m_reading);
    const QString rev = s.FirmwareRevNumber;
    try {
        ProgressLabel->show();
        ProgressLabel->setEnabled(true);
        ProgressLabel->setText(QString());
        for (int i = 0; i < 10; ++i) {
            setBlockFill(i, BlockRunning);
            ProgressBlock[i]->hide();
            Clock::doEvents();
            if (m_unloaded)
                return;
        }
        f.ExchangeIdle = false;
        f.RereadRequested = false;
        Delay(100);
        Clock::doEvents();
        if (m_unloaded)
            return;
        Clock::sleepMs(50);
        s.RxBuffer = MSComm2->inputText();   // whatever came before is of no use
        Delay(80);
        Clock::doEvents();

        for (int group = 1; group <= 10; ++group) {
            for (const RadioSetting *row : Restore::readOutGroup(group)) {
                if (m_unloaded)
                    return;
                if (!revisionGatePasses(row->restoreReadGate, rev))
                    continue;
                const QString &q = row->keyword;
                const QString reply = restoreExchange(q);
                if (reply.contains(q) && reply.contains(QLatin1Char('>'))) {
                    if (q == QLatin1String("repeat") && reply.contains(QStringLiteral("PROGRAMMABLE ONLY")))
                        box(row->box)->setValue(QStringLiteral("MASTER ONLY"));
                    else if (const std::optional<QString> value = Restore::cutReply(q, reply, s.InSetupMode))
                        box(row->box)->setValue(*value);
                    if (q == QLatin1String("mode") && f.FileLoaded) {
                        applyRule(int(Restore::Rule::Master));
                        applyRule(int(Restore::Rule::Sleep));
                    }
                }
                if (q == QLatin1String("dtype")) {
                    Delay(100);
                    Clock::doEvents();
                }
            }
            Delay(80);
            Clock::doEvents();
            if (m_unloaded)
                return;
            ProgressBlock[group - 1]->show();
            ProgressLabel->setText(group == 10 ? QStringLiteral("100%") : QStringLiteral(" %1%").arg(group * 10));
            Clock::doEvents();
        }
        if (m_unloaded)
            return;
        Clock::sleepMs(900);
        ProgressLabel->setEnabled(false);
        for (int i = 0; i < 10; ++i)
            setBlockFill(i, BlockDone);
        unsetCursor();
        toolButtons[QStringLiteral("SaveConfig")]->setEnabled(true);
        endExchange();
    } catch (const RestoreLost &) {
        unload();
    } catch (const CommError &e) {
        if (m_unloaded)
            return;
        if (e.number() == CommErr::PortAlreadyOpen)
            MsgBox(QStringLiteral("The selected COM port is not available. Please select another port."), Msg::OKOnly,
                   Msg::Exclamation, QStringLiteral("Error"));
        // A read-out that cannot go on must not leave Close without effect.
        f.ExchangeIdle = true;
    }
}

void frmRestore::ReadConfigurationFile()
{
    Busy busy(*this);
    SharedState &s = shared();
    QString fileName;
    for (;;) {
        fileName = dialogs().openFile(QStringLiteral("Configuration File Selection"), TextFilter, QString());
        if (fileName.isEmpty() || m_unloaded)
            return;
        QString failure;
        if (FileExists(fileName, &failure))
            break;
        // Not a missing file: the test itself failed, and the system's words say why.
        if (!failure.isEmpty()) {
            MsgBox(failure, Msg::OKOnly, Msg::Exclamation);
            return;
        }
        MsgBox(fileName + QStringLiteral(" not found!"), Msg::OKOnly, Msg::Exclamation);
        if (m_unloaded)
            return;
    }
    toolButtons[QStringLiteral("ProgramRadio")]->setEnabled(true);
    QString error;
    const std::optional<QString> text = RegularFile::readText(fileName, &error);
    if (!text) {
        RegularFile::showReadFailure(fileName, error);
        return;
    }

    // Ticks of an earlier file go with its values: a tick left on a row this file does not fill
    // would send that row's "n/a", or a pair row's state, with the next Program.
    for (const RadioSetting *row : Restore::rows())
        check(row->restoreCheck)->setChecked(false);
    for (const RadioSetting *row : Restore::rows()) {
        box(row->restoreNewBox())->setValue(QStringLiteral("n/a"));
        check(row->restoreCheck)->setEnabled(false);
    }
    CheckAllButton->setEnabled(true);
    UnCheckAllButton->setEnabled(true);
    flags().FileLoaded = true;
    FileSettingsLabel->setText(QStringLiteral("Settings in file\n") + QFileInfo(fileName).fileName() + QLatin1Char(':'));

    Restore::ReadState state;
    // A line ends at CR LF, LF or a lone CR, as the main window's loader takes them.
    const QStringList lines = ConfigReport::splitLines(*text);
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.contains(Restore::PartNumber)) {
            if (++i >= lines.size())
                break;
            line = lines[i];
            if (Restore::olderFileNotice(line, s.FirmwareRevNumber))
                MsgBox(QStringLiteral("Notice: The configuration file you opened was created by an earlier sofware "
                                      "version then the one in the radio.\rSome of the commands have changed and "
                                      "either will not be available,\ror will be modified to be compatible with the "
                                      "current software."),
                       Msg::OKOnly, Msg::Information, QStringLiteral("Warning:"));
        }
        if (const std::optional<Restore::LineEffect> effect = Restore::interpretLine(line, s.FirmwareRevNumber, state)) {
            if (!effect->newBox.isEmpty()) {
                RestoreBox *target = box(effect->newBox);
                target->setValue(effect->pair ? Restore::pairText(target->value(), effect->text) : effect->text);
            }
            if (!effect->enableCheck.isEmpty())
                check(effect->enableCheck)->setEnabled(true);
            applyRule(int(effect->rule));
        }
        Clock::sleepMs(100);
        Clock::doEvents();
        if (m_unloaded)
            return;
    }
}

void frmRestore::ProgramSelectedSettings()
{
    Busy busy(*this);
    StopReadoutTimer();
    // Rows whose text the radio cannot take as one command: not sent, and named once at the end.
    QList<std::pair<const RadioSetting *, QString>> leftOut;
    try {
        for (const RadioSetting *row : Restore::programOrder()) {
            if (m_unloaded)
                return;
            if (!check(row->restoreCheck)->isChecked())
                continue;
            const QString newText = box(row->restoreNewBox())->value();
            const QStringList commands = Restore::programCommands(*row, newText);
            if (!std::all_of(commands.begin(), commands.end(), RadioCanTake)) {
                leftOut.append({row, newText});
                continue;
            }
            for (const QString &command : commands) {
                try {
                    SendRestoreCommand(command);
                } catch (const RestoreLost &) {
                    // Its message is shown; the next row meets the same radio.
                }
                Clock::sleepMs(50);
            }
        }
    } catch (const CommError &) {
        if (!m_unloaded)
            frmCorvista::showCommErrorBox();
        return;
    }
    if (m_unloaded)
        return;
    if (!leftOut.isEmpty()) {
        MsgBox(Restore::rowsLeftOutMessage(leftOut), Msg::OKOnly, Msg::Exclamation, QStringLiteral("Warning"));
        if (m_unloaded)
            return;
    }
    UnCheckAllButton_Click();
    StartReadoutTimer();
    flags().RereadRequested = true;
}

void frmRestore::SaveConfiguration()
{
    Busy busy(*this);
    SharedState &s = shared();
    Flags &f = flags();
    f.ExchangeIdle = false;
    s.RefreshRequested = true;
    Clock::doEvents();
    if (m_unloaded)
        return;
    const QString fileName = dialogs().saveFile(QStringLiteral("Radio Configuration Save"), TextFilter, QString());
    if (m_unloaded)
        return;
    if (fileName.isEmpty()) {
        endExchange();
        return;
    }
    QStringList lines = Restore::createdLines(QDate::currentDate());
    setEnabled(false);
    // Only a whole file is saved: one without the radio's serial number and firmware would pass
    // for a good one later, so a radio lost on the way leaves the old file as it was.
    bool complete = false;
    try {
        if (const std::optional<QString> line = Restore::serialNumberLine(restoreExchange(QStringLiteral("ser"))))
            lines << *line;
        if (const std::optional<QStringList> srev = Restore::firmwareLines(restoreExchange(QStringLiteral("srev"))))
            lines << *srev;
        lines << QString() << QString();
        lines << Restore::settingLines([this](const QString &b) { return box(b)->value(); }, s.FirmwareRevNumber);
        complete = true;
    } catch (const RestoreLost &) {
        // Its message is shown; the main window closes this window once it sees the radio gone.
    } catch (const CommError &) {
        if (!m_unloaded)
            frmCorvista::showCommErrorBox();
    }

    // The file is replaced without a question, as the Save dialog has asked already.
    QString error;
    if (complete && !ConfigFiles::writeThroughTmp(fileName, lines, &error)) {
        ConfigFiles::showWriteFailure(fileName, error);
        complete = false;
    }
    if (m_unloaded)
        return;
    if (!complete) {
        setEnabled(true);
        endExchange();
        return;
    }
    if (f.CloseRequested) {
        unload();
        return;
    }
    f.ExchangeIdle = true;

    // A short display after the file is already written: it only tells the user it is done.
    // While it stands in for the hidden window it blocks the main window as the window did;
    // it runs no loop of its own.
    hide();
    frmProgram &progress = frmProgram::instance();
    progress.ProgressBar1->setValue(0);
    progress.setWindowTitle(QStringLiteral("Saving..."));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.showModeless(this);
    Clock::sleepMs(200);
    for (int k = 0; k < 10; ++k) {
        progress.Label1->setText(QStringLiteral("Saving Configuration File..."));
        progress.ProgressBar1->setValue(10 * k);
        Clock::doEvents();
        Clock::sleepMs(200);
    }
    s.DownloadCancelled = true;
    progress.unload();
    progress.setWindowModality(Qt::NonModal);
    progress.setParent(nullptr, progress.windowFlags());
    setEnabled(true);
    if (!m_unloaded) {
        show();
        activateWindow();
    }
}
