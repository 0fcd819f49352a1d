// Runs a rig's simulated radio and its end of the pseudo-terminal on a thread of their own while
// this lives, so the radio answers at once however seldom the program handles events, as a real
// radio does. Look at the radio's log or settings only after this is gone. For command-line
// exchanges: the radio's own timers (signal-strength stream, paced reading) stay behind.
#pragma once

#include <QThread>

#include <functional>

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

// Runs action with the radio on its own thread and counts how often a 2 ms timer of the calling
// thread fired meanwhile: a program that handles its window events while it waits lets it tick.
int ticksWhileThreaded(FakeRadio &radio, PtyPort &pty, const std::function<void()> &action);
