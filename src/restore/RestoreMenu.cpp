// The main window's menu entry of the restore window: the write-access probe, then the port goes
// to the restore window until it closes.
#include "app/frmCorvista.h"

#include "common/SharedState.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Dialogs.h"
#include "restore/frmRestore.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcRestoreMenu, "wavecrest.restore", QtWarningMsg)

void frmCorvista::mnuConfigRestore_Click()
{
    SharedState &s = shared();
    // The window takes the port away from whatever talks to the radio now.
    const Exchange::LinkOwnership handover;
    if (refusedWhileBusy(handover))
        return;
    if (frmRestore::openWindow()) {
        MsgBox(QStringLiteral("The window is already open."), Msg::OKOnly, Msg::Exclamation, QStringLiteral("Error"));
        return;
    }
    try {
        if (MSComm1->portOpen()) {
            // Writing back the radio's own network address changes nothing but tells whether
            // the radio takes changes from this user.
            ValueBox *address = Pages.box(QStringLiteral("NetworkAddress"));
            const QString probe = address ? address->text() : QString();
            const Exchange::WriteAccess access =
                Exchange::writeAccessProbe(*MSComm1, probe, 0.3, [this] { txtTerm->clear(); });
            if (access == Exchange::WriteAccess::NotProbed) {
                // Taken as a probe without an answer: the window opens as for a user who may write.
                qCDebug(lcRestoreMenu) << "write-access probe skipped, the network address box is not one command:"
                                       << probe;
            } else if (access == Exchange::WriteAccess::Denied) {
                const int answer = MsgBox(
                    QStringLiteral("Warning! You are not currently logged in, and therefore will not be able to "
                                   "reconfigure the radio.\rYou will, however, be able to save a configuration file "
                                   "based off of the current settings.\r\rWould you like to continue?"),
                    Msg::YesNo, Msg::Exclamation, QStringLiteral("Warning!"));
                Exchange::echoOn(*MSComm1);
                if (answer != Msg::Yes) {
                    s.RefreshRequested = true;
                    return;
                }
            } else {
                Exchange::echoOn(*MSComm1);
            }
        }
        // The restore window takes the port over; the radio's command line stays open.
        MSComm1->setPortOpen(false);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen) {
            showCommErrorBox();
            return;
        }
    }
    // Modal: the main window takes no input until the restore window has gone.
    auto *window = new frmRestore(*this);
    window->show();
    window->Form_Load();
}
