#include "support/ThreadedRadio.h"

#include "fakeradio/FakeRadio.h"
#include "support/CpuTime.h"
#include "support/PtyPort.h"

#include <QTimer>

ThreadedRadio::ThreadedRadio(FakeRadio &radio, PtyPort &pty) : m_radio(radio), m_pty(pty)
{
    m_thread.start();
    m_radio.moveToThread(&m_thread);
    m_pty.moveToThread(&m_thread);
}

ThreadedRadio::~ThreadedRadio()
{
    // An object can only be handed on by the thread it lives in.
    QThread *home = QThread::currentThread();
    QMetaObject::invokeMethod(
        &m_radio,
        [this, home] {
            m_radio.moveToThread(home);
            m_pty.moveToThread(home);
        },
        Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

int ticksWhileThreaded(FakeRadio &radio, PtyPort &pty, const std::function<void()> &action)
{
    int ticks = 0;
    QTimer counter;
    counter.setTimerType(Qt::PreciseTimer);
    QObject::connect(&counter, &QTimer::timeout, [&ticks] { ++ticks; });
    counter.start(2);
    {
        ThreadedRadio threaded(radio, pty);
        action();
        counter.stop();
    }
    return ticks;
}

LoaderCpuTime::LoaderCpuTime(FakeRadio &radio, PtyPort &pty) : m_clock(currentThreadCpuClock())
{
    m_link = QObject::connect(&pty, &PtyPort::received, &pty, [this, &radio] {
        const FakeRadio::LoaderLog &log = radio.loaderLog();
        if (log.firstByteAt < 0 || log.lastByteAt == m_lastByteAt)
            return;
        m_lastByteAt = log.lastByteAt;
        m_last = cpuSeconds(m_clock);
        if (m_first < 0)
            m_first = m_last;
    }, Qt::DirectConnection);
}

LoaderCpuTime::~LoaderCpuTime()
{
    QObject::disconnect(m_link);
}
