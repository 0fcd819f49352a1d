#include "link/DeviceLoss.h"

#include "app/frmCorvista.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"

namespace {
bool s_boxShowing = false;
}

namespace DeviceLoss {

void report()
{
    frmCorvista *main = frmCorvista::instance();
    if (main) {
        if (main->m_deviceLostReported)
            return;
        // Whatever runs on from here, the box's own event loop included, meets the same loss.
        main->m_deviceLostReported = true;
    }
    if (!s_boxShowing)
        showBox();
}

bool reported()
{
    const frmCorvista *main = frmCorvista::instance();
    return main && main->m_deviceLostReported;
}

bool boxShowing()
{
    return s_boxShowing;
}

bool linkEndedUnder(const CommControl &port)
{
    return !port.portOpen() || reported() || LinkGate::operationEnded();
}

void showBox()
{
    s_boxShowing = true;
    struct Shown
    {
        ~Shown() { s_boxShowing = false; }
    } shown;
    MsgBox(frmCorvista::commErrorText(), Msg::OKOnly, Msg::Exclamation, QStringLiteral("Error"));
}

} // namespace DeviceLoss
