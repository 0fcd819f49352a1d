// A simulated radio on a pseudo-terminal with port 1 pointed at it, and the main window on the
// real serial control: what end-to-end tests drive. ok() is false when no pty can be had.
#pragma once

#include "fakeradio/FakeRadio.h"
#include "support/PtyPort.h"
#include "support/TestEnv.h"

#include <memory>

class frmCorvista;

// Empty when got is expected; otherwise where they part and what each holds from there, in full,
// so a byte lost, doubled or late can be told apart.
QByteArray byteDifference(const QByteArray &got, const QByteArray &expected);

// Declares a RadioRig named name (arguments as the constructor's) in a Qt Test function, or skips
// the test when the machine gives no pseudo-terminal.
#define RIG(name, ...)                                                                                                 \
    RadioRig name{__VA_ARGS__};                                                                                        \
    if (!name.ok())                                                                                                    \
        QSKIP("This machine gives no pseudo-terminal.");

class RadioRig
{
public:
    explicit RadioRig(double clockScale = 0.02, const FakeRadio::Config &config = {});
    ~RadioRig();

    bool ok() const { return m_ok; }
    TestEnv &env() { return *m_env; }
    FakeRadio &radio() { return *m_radio; }
    PtyPort &pty() { return *m_pty; }
    frmCorvista &window() { return *m_window; }
    ScriptedDialogs &dialogs() { return m_env->dialogs(); }

    // Every serial control the program makes from here on reports the line's queue as a UART
    // driver does: the bytes not yet through drain at the line rate, where a bare pseudo-terminal
    // reports none. WAVECREST_TEST_UART_QUEUE=1 in the environment does this for every rig.
    void useUartQueue();

    // Creates the main window (shown offscreen) and runs its load.
    frmCorvista &openWindow();
    // Handles events until the radio has heard everything the program wrote: the line takes its
    // time, so the last bytes of an exchange can still be on their way when the program moves on.
    // False when the line was still busy after two seconds (real time: the line's thread can be
    // held up however fast the test's clock runs).
    bool settle();

private:
    std::unique_ptr<TestEnv> m_env;
    std::unique_ptr<PtyPort> m_pty;
    std::unique_ptr<FakeRadio> m_radio;
    std::unique_ptr<frmCorvista> m_window;
    bool m_ok = false;
};
