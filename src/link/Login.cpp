// The main window's side of logging in and out, the encryption code and the radio password.
#include "app/frmCorvista.h"

#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "link/frmLogin.h"
#include "link/frmSetPass.h"
#include "platform/Dialogs.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>

Q_LOGGING_CATEGORY(lcLoginMenu, "wavecrest.link", QtWarningMsg)

namespace {

bool portClosedNotice(const CommControl &port)
{
    if (port.portOpen())
        return false;
    MsgBox(QStringLiteral("Please Toggle COMM Port open first."), Msg::OKOnly, Msg::NoIcon,
           QStringLiteral("User Help"));
    return true;
}

} // namespace

void frmCorvista::showLoggedIn(bool loggedIn)
{
    toolButtons[QStringLiteral("Login")]->setEnabled(!loggedIn);
    toolButtons[QStringLiteral("Logout")]->setEnabled(loggedIn);
}

void frmCorvista::mnuAccessCode_Click()
{
    const Exchange::LinkOwnership loggingIn;
    if (refusedWhileBusy(loggingIn))
        return;
    if (portClosedNotice(*MSComm1))
        return;
    shared().LoginMode = QStringLiteral("pass");
    frmLogin login(*this);
    login.NoneButton->hide();
    login.setWindowTitle(QStringLiteral("Enter Password:"));
    login.Label->setText(QStringLiteral("&Password:"));
    login.txtPassword->setMaxLength(4);
    login.InfoLabel->setText(QStringLiteral("Please enter a radio password:"));
    dialogs().execModal(login, loggingIn.ticket());
}

void frmCorvista::mnuEncryptCode_Click()
{
    const Exchange::LinkOwnership loggingIn;
    if (refusedWhileBusy(loggingIn))
        return;
    if (portClosedNotice(*MSComm1))
        return;
    try {
        const QString probe = Pages.box(QStringLiteral("NetworkAddress"))->text();
        const Exchange::WriteAccess access =
            Exchange::writeAccessProbe(*MSComm1, probe, 0.3, [this] { txtTerm->clear(); });
        if (DeviceLoss::linkEndedUnder(*MSComm1))
            return;
        if (access == Exchange::WriteAccess::Denied) {
            MsgBox(QStringLiteral("Error! You are not currently logged in, and therefore will not be able to enter in "
                                  "an encryption code."),
                   Msg::OKOnly, Msg::Critical, QStringLiteral("Error!"));
            Exchange::echoOn(*MSComm1);
            return;
        }
        // Not probed, the address is taken as a probe without an answer: the radio judges the code.
        if (access == Exchange::WriteAccess::NotProbed)
            qCDebug(lcLoginMenu) << "write-access probe skipped, the network address box is not one command:" << probe;
        else
            Exchange::echoOn(*MSComm1);
    } catch (const CommError &e) {
        if (LoginLink::endsOnCommError(e))
            return;
    }
    shared().LoginMode = QStringLiteral("code");
    frmLogin login(*this);
    login.NoneButton->show();
    login.setWindowTitle(QStringLiteral("Enter Encryption Code:"));
    login.Label->setText(QStringLiteral("&Code:"));
    login.InfoLabel->setText(QStringLiteral("Please enter an encryption code (1-255), or click 'None' not to use an "
                                            "encryption code:"));
    login.txtPassword->setMaxLength(3);
    dialogs().execModal(login, loggingIn.ticket());
}

void frmCorvista::LogoutRadio()
{
    const Exchange::LinkOwnership logout;
    if (refusedWhileBusy(logout))
        return;
    try {
        Exchange::unawaitedCommand(*MSComm1, QStringLiteral("PASS NONE"));
    } catch (const CommError &e) {
        if (LoginLink::endsOnCommError(e))
            return;
    }
    showLoggedIn(false);
    txtTerm->setText(QStringLiteral("*** LOGGED OUT ***"));
}

void frmCorvista::mnuSetPass_Click()
{
    // One password window at a time: a second click brings the open one forward.
    const Exchange::LinkOwnership opening;
    if (refusedWhileBusy(opening))
        return;
    if (m_setPassWindow) {
        m_setPassWindow->raise();
        m_setPassWindow->activateWindow();
        return;
    }
    m_setPassWindow = new frmSetPass(*this);
}
