#include "support/QuietConnect.h"

#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "support/RadioRig.h"

#include <QTimer>

FakeRadio::Config writableRadio()
{
    FakeRadio::Config c;
    c.password.clear();
    return c;
}

frmCorvista &connectQuietly(RadioRig &rig)
{
    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    w.Timer1->stop();
    // The connect's last prompts arrive, and the radio hears all that was sent, before the log
    // is emptied.
    Clock::pumpFor(200);
    if (!rig.settle())
        qWarning("the connect's output was still on the line when the test began");
    shared().RefreshRequested = false;
    rig.radio().clearLog();
    rig.dialogs().clear();
    return w;
}
