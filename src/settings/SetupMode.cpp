// The main window's way into the radio's bench-test mode; the window that works the mode is
// frmSetup.
#include "app/frmCorvista.h"

#include "common/SharedState.h"
#include "link/Exchange.h"
#include "platform/Dialogs.h"
#include "settings/frmSetup.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcSetupMode, "wavecrest.settings", QtWarningMsg)

namespace {
constexpr double SetupWaitSeconds = 3;
} // namespace

void frmCorvista::mnuSetupMode_Click()
{
    SharedState &s = shared();
    const Exchange::LinkOwnership action;
    if (refusedWhileBusy(action))
        return;
    try {
        if (!MSComm1->portOpen()) {
            MsgBox(QStringLiteral("Please Toggle COMM Port open first."), Msg::OKOnly, Msg::NoIcon,
                   QStringLiteral("User Help"));
            return;
        }
        const int answer = MsgBox(QStringLiteral("Setup mode is intended for bench testing only.\r\n\r\n"
                                                 "Are you sure you want to continue?"),
                                  Msg::YesNo, Msg::Exclamation, QStringLiteral("Warning"));
        if (answer != Msg::Yes)
            return;

        Exchange::LinkOwnership setupOwnsLink;
        s.InSetupMode = true;
        // "SETUP>" holds both texts; a radio that stays silent still gets the window.
        Exchange::sendAndWait(*MSComm1, QStringLiteral("setup"), {Prompt::Ready, QStringLiteral("setup")},
                              SetupWaitSeconds, CompareMode::IgnoreCase);
        if (Exchange::contains(s.RxBuffer, Reply::Denied, CompareMode::IgnoreCase)) {
            s.InSetupMode = false;
            MsgBox(QStringLiteral("You must be logged in before entering setup mode."), Msg::OKOnly,
                   Msg::Exclamation, QStringLiteral("Error!"));
            return;
        }

        if (!m_frmSetup)
            m_frmSetup = new frmSetup(*this);
        m_frmSetup->showModeless();
    } catch (const CommError &e) {
        qCDebug(lcSetupMode) << "setup mode ended by serial error" << e.number();
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}
