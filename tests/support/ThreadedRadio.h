// Runs a rig's simulated radio and its end of the pseudo-terminal on a thread of their own while
// this lives, so the radio answers at once however seldom the program handles events, as a real
// radio does. Look at the radio's log or settings only after this is gone. For command-line
// exchanges: the radio's own timers (signal-strength stream, paced reading) stay behind.
#pragma once

#include <QThread>

class FakeRadio;
class PtyPort;

class ThreadedRadio
{
public:
    ThreadedRadio(FakeRadio &radio, PtyPort &pty);
    // Brings the radio and the pseudo-terminal back to the thread that made this.
    ~ThreadedRadio();
    ThreadedRadio(const ThreadedRadio &) = delete;
    ThreadedRadio &operator=(const ThreadedRadio &) = delete;

private:
    FakeRadio &m_radio;
    PtyPort &m_pty;
    QThread m_thread;
};
