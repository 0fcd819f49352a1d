// A full read-out of a revision 320 master against the simulated radio, with both directions of
// the link paced at the 19200 baud byte rate. Prints the read-out time, the floor (the bytes both
// sides sent at 19200 baud 8N1 plus the read-out's fixed pauses) and their ratio; then the
// program's CPU use while a read-out waits on a radio that has gone silent.
#include "support/CpuTime.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "fakeradio/FakeRadio.h"
#include "platform/Clock.h"
#include "support/PtyPort.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <ctime>

namespace {
constexpr double BytesPerSecond = 19200.0 / 10.0;

// Carries bytes between the pty and the radio no faster than the line would.
class PacedLink : public QObject
{
public:
    PacedLink(PtyPort &pty, FakeRadio &radio) : m_pty(pty), m_radio(radio)
    {
        connect(&pty, &PtyPort::received, this, [this](const QByteArray &b) { m_toRadio += b; kick(); });
        connect(&radio, &FakeRadio::transmit, this, [this](const QByteArray &b) {
            if (!silent)
                m_toProgram += b;
            kick();
        });
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &PacedLink::pump);
        m_clock.start();
    }

    bool silent = false;
    qint64 bytesToRadio = 0, bytesToProgram = 0;

private:
    void kick()
    {
        if (!m_timer.isActive()) {
            m_lastNs = m_clock.nsecsElapsed();
            m_timer.start(1);
        }
    }

    void pump()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_allowance += double(now - m_lastNs) / 1e9 * BytesPerSecond;
        m_lastNs = now;
        const int n = int(m_allowance);
        if (n > 0) {
            m_allowance -= n;
            const QByteArray in = m_toRadio.left(n);
            m_toRadio.remove(0, in.size());
            const QByteArray out = m_toProgram.left(n);
            m_toProgram.remove(0, out.size());
            bytesToRadio += in.size();
            bytesToProgram += out.size();
            if (!in.isEmpty())
                m_radio.receive(in);
            if (!out.isEmpty())
                m_pty.write(out);
        }
        if (m_toRadio.isEmpty() && m_toProgram.isEmpty()) {
            m_timer.stop();
            m_allowance = 0;
        }
    }

    PtyPort &m_pty;
    FakeRadio &m_radio;
    QByteArray m_toRadio, m_toProgram;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    double m_allowance = 0;
};
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestEnv env;
    PtyPort pty;
    if (!pty.open()) {
        std::printf("no pseudo-terminal on this machine\n");
        return 0;
    }
    qputenv("WAVECREST_COM1", pty.slavePath().toLocal8Bit());
    FakeRadio radio;
    PacedLink link(pty, radio);

    frmCorvista w;
    w.quitOnUnload = false;
    w.show();
    w.Timer1->stop();
    w.ConnectRadio();
    w.Timer1->stop();
    Clock::pumpFor(500);

    const qint64 in0 = link.bytesToRadio, out0 = link.bytesToProgram;
    QElapsedTimer t;
    t.start();
    shared().RefreshRequested = true;
    w.Timer1_Timer();
    w.Timer1->stop();
    const double elapsed = double(t.nsecsElapsed()) / 1e9;
    const qint64 bytes = (link.bytesToRadio - in0) + (link.bytesToProgram - out0);
    const double pauses = 11 * 0.080 + 0.2;   // the group pauses and the access probe's pump
    const double floor = double(bytes) / BytesPerSecond + pauses;
    std::printf("read-out of a revision 320 master: %.3f s\n", elapsed);
    std::printf("floor (%lld bytes at 19200 baud + %.2f s of fixed pauses): %.3f s\n", (long long)bytes, pauses, floor);
    std::printf("ratio: %.3f (target at most 1.10)\n", elapsed / floor);

    // The radio stops answering queries: measure the CPU while the read-out waits for it.
    bool measured = false;
    double cpu0 = 0;
    QElapsedTimer wall;
    QObject::connect(&pty, &PtyPort::received, &pty, [&](const QByteArray &b) {
        if (b.contains("ser") && !link.silent) {
            link.silent = true;
            cpu0 = processCpuSeconds();
            wall.start();
            QTimer::singleShot(3000, &pty, [&] {
                const double cpu = processCpuSeconds() - cpu0;
                std::printf("CPU while waiting on a silent radio: %.1f %% of one core over %.1f s (target under 5 %%)\n",
                            100.0 * cpu / (double(wall.elapsed()) / 1000.0), double(wall.elapsed()) / 1000.0);
                measured = true;
                std::fflush(stdout);
                std::_Exit(0);
            });
        }
    });
    shared().RefreshRequested = true;
    w.Timer1_Timer();
    return measured ? 0 : 1;
}
