// The serial control's waits at the real pace, on the simulated radio's pseudo-terminal: how long a
// close, a speed change and a disconnect take to let a kilobyte leave a 19200 baud line (against
// its line time) and how often a 2 ms timer ticks meanwhile; a close on a line that takes nothing
// (its 10 s limit, at a tenth of the pace) with its ticks and CPU; the CPU of a wait on a silent
// port and of a port whose device went away; how soon a wait ends after the reply; how often the
// line watch reads; how soon the window closes once the user gives the stuck output up at quit; and
// what Delay costs. Prints the figures.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "fakeradio/FakeRadio.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LineWatch.h"
#include "platform/SerialCommControl.h"
#include "support/CpuTime.h"
#include "support/PtyPort.h"
#include "support/RadioRig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <cstdio>

namespace {

// A line whose counters never change; every read is counted.
class CountedLine : public LineStatusSource
{
public:
    explicit CountedLine(int &reads) : m_reads(reads) {}
    LineStatus read() override
    {
        ++m_reads;
        LineStatus s;
        s.countersKnown = true;
        return s;
    }

private:
    int &m_reads;
};

void drains()
{
    const QByteArray queued = QByteArray(1000, 'x') + '\r';
    const double lineTime = double(queued.size()) * 10.0 / 19200.0;
    for (const char *change : {"close", "speed change", "disconnect"}) {
        RadioRig rig(1.0);
        if (!rig.ok())
            return;
        rig.useUartQueue();
        frmCorvista &w = rig.openWindow();
        shared().KeepAlivePref = false;
        w.MSComm1->setPortOpen(true);
        rig.settle();
        int ticks = 0;
        QTimer counter;
        counter.setTimerType(Qt::PreciseTimer);
        QObject::connect(&counter, &QTimer::timeout, [&] { ++ticks; });
        counter.start(2);
        QElapsedTimer took;
        w.MSComm1->output(queued);
        took.start();
        if (QByteArray(change) == "close")
            w.MSComm1->setPortOpen(false);
        else if (QByteArray(change) == "disconnect")
            w.DisconnectRadio();
        else
            w.MSComm1->setSettings(QStringLiteral("115200,N,8,1"));
        const double seconds = double(took.nsecsElapsed()) / 1e9;
        counter.stop();
        rig.settle();
        std::printf("drain before a %-12s %.3f s for a line time of %.3f s (%.3f of it), %d ticks of a 2 ms timer, "
                    "%d driver drains, %lld bytes lost\n",
                    change, seconds, lineTime, seconds / lineTime, ticks, rig.pty().drainCalls(),
                    static_cast<long long>(rig.pty().lostBytes().size()));
    }
}

void stuckClose(PtyPort &pty, FakeRadio &radio)
{
    Clock::setScale(0.1);
    SerialCommControl comm;
    comm.setSettings(QStringLiteral("19200,N,8,1"));
    comm.setPortOpen(true);
    radio.detach();
    pty.findChild<QSocketNotifier *>()->setEnabled(false);
    for (int block = 0; block < 64; ++block)
        comm.output(QByteArray(512, 'S'));
    int ticks = 0;
    QTimer counter;
    QObject::connect(&counter, &QTimer::timeout, [&] { ++ticks; });
    Clock::startTimer(counter, 100);
    const double cpu0 = processCpuSeconds();
    const double start = Clock::nowSeconds();
    comm.setPortOpen(false);
    const double waited = Clock::nowSeconds() - start;
    const double cpu = processCpuSeconds() - cpu0;
    std::printf("close of a line that takes nothing: %.2f s nominal (limit 10), %d ticks of a 100 ms timer "
                "(%.0f expected), CPU %.2f %% of the real time\n",
                waited, ticks, waited * 10, 100.0 * cpu / (waited * Clock::scale()));
    Clock::setScale(1.0);
}

// Nobody takes the bytes at quit: the shut-down's 10 s run out and the user answers Ignore.
void outputGivenUpAtQuit()
{
    RadioRig rig(0.1);
    if (!rig.ok())
        return;
    frmCorvista &w = rig.openWindow();
    w.MSComm1->setPortOpen(true);
    rig.radio().detach();
    rig.pty().findChild<QSocketNotifier *>()->setEnabled(false);
    for (int block = 0; block < 64; ++block)
        w.MSComm1->output(QByteArray(512, 'S'));
    shared().LogoutOnQuitPref = true;
    rig.dialogs().answerMsgBox(Msg::Ignore);
    double answeredAt = 0;
    rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) { answeredAt = Clock::nowSeconds(); };
    const bool closed = w.close();
    std::printf("quit, output given up (Ignore):  window %s %.2f s nominal after the answer (a close that waited "
                "for the output again would take 10)\n",
                closed ? "closed" : "NOT closed", Clock::nowSeconds() - answeredAt);
}

void silentAndPromptWaits(PtyPort &pty, FakeRadio &radio)
{
    SerialCommControl comm;
    comm.setPortOpen(true);
    radio.config().silentBursts = -1;
    QByteArray rx;
    QObject::connect(&comm, &CommControl::onComm, [&] {
        if (comm.commEvent() == CommEv::Receive)
            rx += comm.input();
    });
    comm.output(QByteArray("silent\r"));
    double cpu0 = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    Clock::waitFor([&] { return rx.contains('>'); }, 2000);
    std::printf("2 s wait on a silent port:       %.3f s, CPU %.2f %%\n", double(wall.elapsed()) / 1000.0,
                100.0 * (processCpuSeconds() - cpu0) / 2.0);

    QElapsedTimer sentAt;
    QTimer::singleShot(300, [&] {
        pty.write("\r\n>");
        sentAt.start();
    });
    Clock::waitFor([&] { return rx.contains('>'); }, 2000);
    std::printf("wait ended after the reply:      %.2f ms\n", double(sentAt.nsecsElapsed()) / 1e6);

    int reads = 0;
    SerialCommControl watched;
    watched.setCommPort(1);
    watched.setLineStatusSource(std::make_unique<CountedLine>(reads));
    comm.setPortOpen(false);
    watched.setPortOpen(true);
    Clock::pumpFor(1000);
    std::printf("line watch:                      %d reads in 1 s (between 1 and 6 meant)\n", reads);
    watched.setPortOpen(false);

    comm.setPortOpen(true);
    pty.close();
    cpu0 = processCpuSeconds();
    Clock::pumpFor(1000);
    std::printf("1 s after the device went away:  CPU %.2f %%, port %s\n",
                100.0 * (processCpuSeconds() - cpu0), comm.portOpen() ? "still open" : "closed");
}

void delays()
{
    QElapsedTimer wall;
    wall.start();
    const double cpu0 = processCpuSeconds();
    Delay(1000);
    std::printf("Delay(1000):                     %lld ms, CPU %.2f %%\n", static_cast<long long>(wall.elapsed()),
                100.0 * (processCpuSeconds() - cpu0));
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    drains();
    {
        TestEnv env(1.0);
        PtyPort pty;
        if (!pty.open()) {
            std::printf("no pseudo-terminal on this machine: nothing measured\n");
            return 0;
        }
        qputenv("WAVECREST_COM1", pty.slavePath().toLocal8Bit());
        FakeRadio radio;
        radio.attach(&pty);
        silentAndPromptWaits(pty, radio);
    }
    {
        PtyPort pty;
        pty.open();
        qputenv("WAVECREST_COM1", pty.slavePath().toLocal8Bit());
        FakeRadio radio;
        radio.attach(&pty);
        stuckClose(pty, radio);
    }
    outputGivenUpAtQuit();
    delays();
    return 0;
}
