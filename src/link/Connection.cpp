// Connecting to the radio: the connect sequence, the wake-up handshake, disconnect and Refresh.
#include "app/frmCorvista.h"

#include "app/ClickableLabel.h"
#include "common/SharedState.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <optional>

namespace {
const QString kClosSent = QStringLiteral("*** CLOS command sent to the radio before disabling the COMM port. ***\r\n");
}

void frmCorvista::ConnectRadio()
{
    SharedState &s = shared();
    // An operation that the user's Disconnect or Exit ended does not connect again on its way out.
    if (LinkGate::operationEnded())
        return;
    const Exchange::LinkOwnership connecting;
    if (refusedWhileBusy(connecting))
        return;
    try {
        for (int i = 10; i >= 0; --i)
            Clock::doEvents();
        s.ConnectAborted = false;
        if (!MSComm1->portOpen())
            mnuOpen_Click();
        if (!s.ConnectAborted) {
            toolButtons["Disconnect"]->setEnabled(true);
            toolButtons["Connect"]->setEnabled(false);
            setConnectedImages(true);
            EnableRadioActions();
            StartConnectClock();
        }
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::mnuOpen_Click()
{
    SharedState &s = shared();
    if (LinkGate::operationEnded())
        return;
    const Exchange::LinkOwnership connecting;
    if (refusedWhileBusy(connecting))
        return;
    try {
        s.DisconnectRequested = false;
        // A disconnect or a failed connect leaves the flag set; the sequence always wakes the
        // radio afresh, whether Connect or the menu item started it.
        s.ConnectAborted = false;
        if (MSComm1->portOpen()) {
            Exchange::commandLine(*MSComm1, QStringLiteral("CLOS"));
            txtTerm->writeAtEnd(kClosSent);
            MSComm1->setPortOpen(false);
        }
        MSComm1->setPortOpen(!MSComm1->portOpen());
        mnuOpen->setChecked(MSComm1->portOpen());
        if (!MSComm1->portOpen()) {
            toolButtons["Connect"]->setEnabled(true);
            toolButtons["Disconnect"]->setEnabled(false);
            setConnectedImages(false);
            setSettingsText(QStringLiteral("Settings: "));
            StopConnectClock();
            return;
        }
        toolButtons["Connect"]->setEnabled(false);
        toolButtons["Disconnect"]->setEnabled(true);
        setSettingsText(QStringLiteral("Settings: ") + MSComm1->settings());
        m_deviceLostReported = false;
        // The handshake is no time for a keep-alive: the schedule starts with the port, and one
        // held back on an earlier connection is no longer due.
        s.KeepAliveDue = Clock::nowSeconds() + 240.0;
        s.KeepAliveOverdue = false;

        WakeRadio();
        if (s.ConnectAborted)
            return;

        if (s.RxBuffer.endsWith(Prompt::Setup, Qt::CaseInsensitive))
            Exchange::commandLine(*MSComm1, QStringLiteral("QUIT"));
        txtTerm->clear();

        // Flush: whatever the radio still sends from the handshake is thrown away.
        s.DiscardRx = true;
        s.RxBuffer = QStringLiteral(" ");
        MSComm1->setPortOpen(false);
        Clock::sleepMs(100);
        MSComm1->setPortOpen(true);
        Clock::sleepMs(100);

        Exchange::commandLine(*MSComm1, QString());
        Exchange::commandLine(*MSComm1, QStringLiteral("OPEN"));
        txtTerm->setText(QStringLiteral("Connected"));
        toolButtons["TransmitTextFile"]->setEnabled(true);
        toolButtons["Login"]->setEnabled(true);
        for (QAction *a : {mnuSendText, mnuAccessCode, mnuEncryptCode, mnuSetupMode, mnuConfigRestore, mnuSetPass})
            a->setEnabled(true);
        mnuRadioPassSub->setEnabled(true);
        setConnectedImages(true);
        Exchange::commandLine(*MSComm1, QString());
        s.AccessCheckPending = true;
        s.DiscardRx = false;
        s.KeepAliveDue = Clock::nowSeconds() + 240.0;
        StartConnectClock();

        s.RxBuffer = QStringLiteral(" ");
        Exchange::replyWait({Prompt::Ready}, 4, CompareMode::IgnoreCase);
        if (s.RxBuffer.contains(Prompt::Loader, Qt::CaseInsensitive)) {
            MsgBox(QStringLiteral("ERROR - This radio needs software!\r\r"
                                  "Use the 'Radio Firmware Upgrade' option to upload a .s28 firmware file to the radio.\r\r"
                                  "Visit the Karvel website to obtain the most recent release of firmware."),
                   Msg::OKOnly, Msg::Critical, QStringLiteral("Radio Error"));
        } else {
            s.RefreshRequested = true;
        }
        // Whoever started the sequence (Connect, the menu item, a reconnect), a connected radio
        // offers its actions again; a disconnect or a lost radio turned them off.
        EnableRadioActions();
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen) {
            s.ConnectAborted = true;
            MsgBox(QStringLiteral("The selected COM port is not available. Please select another port."), Msg::OKOnly,
                   Msg::Exclamation, QStringLiteral("Error"));
            DisconnectRadio();
        } else if (e.number() == CommErr::PortNotOpen) {
            if (!s.ConnectAborted)
                showCommErrorBox();
        }
        mnuOpen->setChecked(MSComm1->portOpen());
    }
}

void frmCorvista::WakeRadio()
{
    SharedState &s = shared();
    if (!MSComm1->portOpen())
        MSComm1->setPortOpen(true);
    s.RxBuffer.clear();
    int attempts = 0;
    s.ShowRxText = false;
    if (!s.ConnectAborted) {
        bool answered = false;
        while (attempts < 30) {
            // This is where the receive path appends what the radio sent during the pauses.
            Clock::doEvents();
            Exchange::sendRaw(*MSComm1, QByteArray("\x1b\r\n"));
            Clock::sleepMs(qint64(Clock::random() * 701.0 + 400.0));
            for (int j = 0; j <= 3; ++j) {
                if (s.DisconnectRequested) {
                    txtTerm->setText(QStringLiteral("Disconnected"));
                    return;
                }
                Exchange::sendRaw(*MSComm1, QByteArray("\r\r"));
                Clock::sleepMs(100);
                const QString dots(attempts + j, QLatin1Char('.'));
                txtTerm->setText(QStringLiteral("Connecting") + dots);
                setStatusText(QStringLiteral("Status: Connecting....") + dots);
            }
            if (s.RxBuffer.endsWith(QLatin1Char('>'))) {
                answered = true;
                break;
            }
            ++attempts;
        }
        // The last attempt's answer came during its pauses: it is looked at before giving up.
        if (!answered) {
            Clock::doEvents();
            answered = s.RxBuffer.endsWith(QLatin1Char('>'));
        }
        if (!answered) {
            DisconnectRadio();
            txtTerm->setText(QStringLiteral("Error. Please reconnect."));
            setStatusText(QStringLiteral("Status: Error. Please reconnect."));
            s.ConnectAborted = true;
            return;
        }
    }
    s.ShowRxText = true;
}

void frmCorvista::DisconnectRadio()
{
    SharedState &s = shared();
    // Called while an operation talks to the radio (the user's Disconnect, a lost device), it ends
    // that operation first: the operation stops at its next step and sends nothing more.
    std::optional<LinkGate::WayOut> wayOut;
    if (LinkGate::busy())
        wayOut.emplace();
    try {
        StopConnectClock();
        s.DisconnectRequested = true;
        // A keep-alive held back by the operation belongs to this connection only.
        s.KeepAliveOverdue = false;
        txtTerm->clear();
        if (MSComm1->portOpen()) {
            try {
                Exchange::commandLine(*MSComm1, QStringLiteral("CLOS"));
                txtTerm->writeAtEnd(kClosSent);
                MSComm1->setPortOpen(false);
            } catch (const CommError &e) {
                MsgBox(e.text(), Msg::OKOnly, Msg::Exclamation, Dialogs::applicationTitle());
                if (MSComm1->portOpen())
                    MSComm1->setPortOpen(false);
            }
        }
        showDisconnectedState();
        txtTerm->writeAtEnd(QStringLiteral("Disconnected"));
        setStatusText(QStringLiteral("Status: "));
        DisableRadioActions();
        s.IgnoreCommEvents = false;
        s.ConnectAborted = true;
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::showDisconnectedState()
{
    mnuSendText->setEnabled(false);
    toolButtons["TransmitTextFile"]->setEnabled(false);
    toolButtons["Disconnect"]->setEnabled(false);
    toolButtons["Connect"]->setEnabled(true);
    setSettingsText(QStringLiteral("Settings: "));
    mnuOpen->setChecked(false);
    toolButtons["Login"]->setEnabled(false);
    toolButtons["Logout"]->setEnabled(false);
    setConnectedImages(false);
    for (QAction *a : {mnuAccessCode, mnuEncryptCode, mnuSetupMode, mnuConfigRestore, mnuSetPass})
        a->setEnabled(false);
    mnuRadioPassSub->setEnabled(false);
}

void frmCorvista::ButtonRefresh_Click()
{
    if (LinkGate::operationEnded())
        return;
    const Exchange::LinkOwnership refresh;
    if (refusedWhileBusy(refresh))
        return;
    if (!MSComm1->portOpen())
        ConnectRadio();
    else
        shared().RefreshRequested = true;
}

void frmCorvista::StartConnectClock()
{
    shared().ConnectStart = QDateTime::currentDateTime();
    Clock::startTimer(*Timer1, 1000);
}

void frmCorvista::StopConnectClock()
{
    Timer1->stop();
    panelConnectTime->setText(QString());
}
