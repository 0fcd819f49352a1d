// The main window's menu entry of the restore window: the write-access probe, then the port goes
// to the restore window until it closes.
#include "app/frmCorvista.h"

#include "common/SharedState.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Dialogs.h"
#include "restore/frmRestore.h"

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
            Exchange::echoOff(*MSComm1);
            s.RxBuffer = QStringLiteral(" ");
            // Writing back the radio's own network address changes nothing but tells whether
            // the radio takes changes from this user.
            ValueBox *address = Pages.box(QStringLiteral("NetworkAddress"));
            Exchange::commandLine(*MSComm1, address ? address->text() : QString());
            Exchange::replyWait({Reply::ProgrammedOk, Reply::AccessDenied, Prompt::Ready}, 0.3, CompareMode::IgnoreCase);
            txtTerm->clear();
            if (s.RxBuffer.contains(Reply::Denied, Qt::CaseInsensitive)) {
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
