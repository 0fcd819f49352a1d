// Runs a rig's simulated radio and its end of the pseudo-terminal on a thread of their own while
// this lives, so the radio answers at once however seldom the program handles events, as a real
// radio does. Look at the radio's log or settings only after this is gone. For command-line
// exchanges: the radio's own timers (signal-strength stream, paced reading) stay behind.
#pragma once

#include <QThread>

#include <ctime>
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

// The calling thread's CPU time from the loader's first byte of an image to its last, read on the
// radio's thread as the bytes arrive there: what a transfer costs the program, not the radio.
// Make it on the program's thread before the radio moves to its own.
class LoaderCpuTime
{
public:
    LoaderCpuTime(FakeRadio &radio, PtyPort &pty);
    ~LoaderCpuTime();
    LoaderCpuTime(const LoaderCpuTime &) = delete;
    LoaderCpuTime &operator=(const LoaderCpuTime &) = delete;
    double seconds() const { return m_last - m_first; }

private:
    QMetaObject::Connection m_link;
    clockid_t m_clock;
    double m_first = -1;
    double m_last = -1;
    double m_lastByteAt = -1;
};
