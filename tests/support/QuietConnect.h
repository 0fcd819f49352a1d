// A connected main window with a quiet wire, for tests of one exchange at a time.
#pragma once

#include "fakeradio/FakeRadio.h"

class frmCorvista;
class RadioRig;

// A radio without a password: it takes every write, so tests see its settings change.
FakeRadio::Config writableRadio();

// Opens the window and connects, then stops the main timer (no read-out or keep-alive meets the
// exchange under test) and empties the radio's log, the dialogs shown and RefreshRequested.
frmCorvista &connectQuietly(RadioRig &rig);
