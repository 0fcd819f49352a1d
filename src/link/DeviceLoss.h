// One lost serial device, one message: the communication error box is shown once for the loss,
// and the errors that follow from it (writes to the closed port, a reopen that fails) stay quiet
// until the main window opens its port again.
#pragma once

class CommControl;

namespace DeviceLoss {

// Tells the user that the device went away, unless the box is on screen already.
void report();
// The loss was told and no port has opened since.
bool reported();
// The communication error box is on screen (its own event loop is running).
bool boxShowing();
// Shows the communication error box, marked as on screen while it is.
void showBox();

// The link went away under an exchange that was waiting: the port closed (a lost device, the
// user's Disconnect or Exit) or the operation was ended. The one message about it has been
// shown, so the exchange reports nothing of its own, neither a success nor a refusal.
bool linkEndedUnder(const CommControl &port);

} // namespace DeviceLoss
