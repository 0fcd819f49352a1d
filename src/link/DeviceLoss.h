// One lost serial device, one message: the communication error box is shown once for the loss,
// and the errors that follow from it (writes to the closed port, a reopen that fails) stay quiet
// until the main window opens its port again.
#pragma once

namespace DeviceLoss {

// Tells the user that the device went away, unless the box is on screen already.
void report();
// The loss was told and no port has opened since.
bool reported();
// The communication error box is on screen (its own event loop is running).
bool boxShowing();
// Shows the communication error box, marked as on screen while it is.
void showBox();

} // namespace DeviceLoss
