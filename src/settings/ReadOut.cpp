// The main timer tick and the read-out of every setting into the settings pages.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/LinkGate.h"
#include "restore/frmRestore.h"
#include "settings/ReplyCut.h"

#include <QAction>
#include <QLabel>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

Q_LOGGING_CATEGORY(lcReadOut, "wavecrest.settings", QtWarningMsg)

namespace {
const QString NotAvailable = QStringLiteral("NOT AVAILABLE");

bool isModeR(const QString &modeText)
{
    return modeText.compare(QLatin1String("MODE R"), Qt::CaseInsensitive) == 0;
}

// The read-out order: the catalogue's rows that have a place in it.
const QList<const RadioSetting *> &readOutRows()
{
    static const QList<const RadioSetting *> rows = [] {
        QList<const RadioSetting *> out;
        for (const RadioSetting &row : RadioSettingCatalogue())
            if (row.readOutPosition > 0)
                out << &row;
        std::stable_sort(out.begin(), out.end(), [](const RadioSetting *a, const RadioSetting *b) {
            return a->readOutPosition < b->readOutPosition;
        });
        return out;
    }();
    return rows;
}
} // namespace

void frmCorvista::Timer1_Timer()
{
    SharedState &s = shared();
    // The connection clock: hours of the time of day the difference makes.
    const QDateTime now = QDateTime::currentDateTime();
    const qint64 secs = s.ConnectStart.isValid() ? s.ConnectStart.secsTo(now) : now.time().msecsSinceStartOfDay() / 1000;
    const qint64 day = ((secs % 86400) + 86400) % 86400;
    panelConnectTime->setText(QStringLiteral("%1:%2:%3 ")
                                  .arg(day / 3600, 2, 10, QLatin1Char('0'))
                                  .arg((day / 60) % 60, 2, 10, QLatin1Char('0'))
                                  .arg(day % 60, 2, 10, QLatin1Char('0')));

    try {
        if (s.RestoreCommFailed) {
            s.RestoreCommFailed = false;
            frmRestore::unloadOpenWindow();
            // A lost device was reported and the main window shows it disconnected.
            if (!DeviceLoss::reported())
                mnuOpen_Click();
            return;
        }
        // A tick inside another operation's wait or box leaves the connect to the first free tick.
        if (s.ConnectOnLaunchPending && !LinkGate::busy()) {
            s.ConnectOnLaunchPending = false;
            ConnectRadio();
        }
        // Inside another operation's exchange (a firmware transfer, a report, a file being sent,
        // a read-out) a CR or a query would land in the middle of it: what is due waits for the
        // first tick after the operation.
        const bool linkFree = !Exchange::linkOwned();
        if (MSComm1->portOpen() && s.KeepAlivePref && (s.KeepAliveOverdue || Clock::nowSeconds() >= s.KeepAliveDue)) {
            s.KeepAliveOverdue = !linkFree;
            if (linkFree) {
                s.KeepAliveDue = Clock::nowSeconds() + 240.0;
                if (s.KeepAliveCount != 8) {
                    Exchange::commandLine(*MSComm1, QString());
                    ++s.KeepAliveCount;
                } else {
                    s.RefreshRequested = true;
                }
            }
        }
        if (linkFree && MSComm1->portOpen() && s.RefreshRequested && !m_readingSettings) {
            Exchange::LinkOwnership readOutOwnsLink;
            s.RefreshRequested = false;
            m_readingSettings = true;
            struct Done
            {
                bool &flag;
                ~Done() { flag = false; }
            } done{m_readingSettings};
            ReadRadioSettings();
        }
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::readOutPause()
{
    Delay(80);
    Clock::doEvents();
}

bool frmCorvista::QueryExchange(const RadioSetting &row, bool *wroteValue)
{
    SharedState &s = shared();
    if (wroteValue)
        *wroteValue = false;
    const bool answered = Exchange::sendAndAwaitAnswer(*MSComm1, row.keyword, Prompt::Ready, 4,
                                                       CompareMode::IgnoreCase);
    ValueBox *box = Pages.box(row.box);
    if (!answered || !box)
        return answered;
    if (!row.specialReply.isEmpty() && s.RxBuffer.contains(row.specialReply, Qt::CaseInsensitive)) {
        box->setText(NotAvailable);
    } else if (const std::optional<QString> value = ReplyValueRule(row.keyword, s.RxBuffer, m_readOutInSetupMode)) {
        box->setText(*value);
        if (wroteValue)
            *wroteValue = true;
    }
    return true;
}

void frmCorvista::ReadRadioSettings()
{
    SharedState &s = shared();
    qCDebug(lcReadOut) << "read-out starts";
    // Inside the password window's echo-off bracket no reply would carry the echo its value is
    // cut behind: the read-out turns the echo on for itself and closes the bracket again after.
    struct EchoBracket
    {
        CommControl &port;
        bool wasOff;
        ~EchoBracket()
        {
            if (!wasOff || !port.portOpen() || !LinkGate::writePermitted())
                return;
            try {
                shared().RxBuffer = QStringLiteral(" ");
                Exchange::echoOff(port);
                Exchange::replyWait({Prompt::Ready}, Exchange::EchoPromptSeconds, CompareMode::IgnoreCase);
            } catch (const CommError &e) {
                qCDebug(lcReadOut) << "echo bracket not reopened:" << e.number();
            }
        }
    } bracket{*MSComm1, s.EchoOff};
    if (bracket.wasOff) {
        s.RxBuffer = QStringLiteral(" ");
        Exchange::echoOn(*MSComm1);
        Exchange::replyWait({Prompt::Ready}, Exchange::EchoPromptSeconds, CompareMode::IgnoreCase);
    }
    if (!Exchange::sendAndWait(*MSComm1, QString(), {Prompt::Ready}, 4, CompareMode::IgnoreCase))
        WakeRadio();
    s.InSetupMode = s.RxBuffer.contains(QStringLiteral("SETUP"), Qt::CaseInsensitive);
    // The prompt found here ends every answer of this read-out, whatever changes the flag meanwhile.
    m_readOutInSetupMode = s.InSetupMode;
    readOutPause();

    int group = 1;
    for (const RadioSetting *row : readOutRows()) {
        if (row->readOutGroup != group) {
            // The pause after a group comes whether or not its last query was sent.
            readOutPause();
            group = row->readOutGroup;
        }
        if (row->notQueriedAtModeR && isModeR(Pages.box(QStringLiteral("Mode"))->text())) {
            Pages.box(row->box)->setText(NotAvailable);
            continue;
        }
        const bool gated = revisionGatePasses(row->gate, s.FirmwareRevNumber);
        bool wroteValue = false;
        const bool answered = gated && QueryExchange(*row, &wroteValue);

        if (row->keyword == QLatin1String("srev")) {
            s.FirmwareRevNumber = firmwareRevNumberFrom(s.RxBuffer);
            s.CurrentFirmwareVersion = answered ? firmwareVersionFromSrev(Pages.box(row->box)->text()) : QString();
            applyVersionLayout(Pages, s.FirmwareRevNumber);
        } else if (row->keyword == QLatin1String("own")) {
            // The probe writes back what the box shows; that is only this radio's owner name
            // when this read-out put it there. An answer without a reply line leaves the box
            // with an older text, perhaps another radio's; a later read-out probes instead.
            if (s.AccessCheckPending && wroteValue)
                runWriteAccessProbe();
        } else if (row->keyword == QLatin1String("mode")) {
            applyReadOutModeLayout();
        } else if (row->keyword == QLatin1String("rtu") && gated) {
            ValueBox *rtu = Pages.box(row->box);
            rtu->setEnabled(true);
            rtu->setCursor(Qt::ArrowCursor);
        }
    }
    readOutPause();
    qCDebug(lcReadOut) << "read-out done";
}

void frmCorvista::runWriteAccessProbe()
{
    SharedState &s = shared();
    s.AccessCheckPending = false;
    const QString probe = QStringLiteral("own ") + Pages.box(QStringLiteral("OwnerName"))->text();
    const Exchange::WriteAccess access =
        Exchange::writeAccessProbe(*MSComm1, probe, 0.2, [this] { txtTerm->clear(); });
    if (access == Exchange::WriteAccess::NotProbed) {
        // The owner's name came with a further line or another control character: the login
        // buttons stay as the connect left them, and a later read-out that reads a clean name
        // probes with it.
        qCDebug(lcReadOut) << "write-access probe skipped, the owner name box is not one command:" << probe;
        s.AccessCheckPending = true;
        return;
    }
    const bool denied = access == Exchange::WriteAccess::Denied;
    toolButtons["Login"]->setEnabled(denied);
    toolButtons["Logout"]->setEnabled(!denied);
    Exchange::echoOn(*MSComm1);
}

void frmCorvista::applyReadOutModeLayout()
{
    const QString mode = Pages.box(QStringLiteral("Mode"))->text();
    ButtonZoneData->setEnabled(true);
    const bool master = mode.compare(QLatin1String("MODE M"), Qt::CaseInsensitive) == 0;
    ButtonRSSI->setEnabled(master ? m_readOutInSetupMode : true);
    applyModeLayout(Pages, mode);
}
