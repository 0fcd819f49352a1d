// The receive path over a long connection. The simulated radio, on a pseudo-terminal in a thread of
// its own, streams signal-strength reports (CR LF lines) with its line full at 19200 baud into the
// connected program, as after "rssi" typed in the terminal: prints the program's CPU use per
// window (a minute in the full run) and the last window against the first. Then the radio sends
// 1 MB without a CR in one burst: prints the longest stall of the program's event loop and the
// longest the terminal grew; and the same megabyte handed to the receive path as one chunk. A
// burst that has not arrived whole within 30 s fails the run (exit status 1).
//
// usage: bench_receivepath [seconds]   (or BENCH_SECONDS; 120 unless given)
#include "support/CpuTime.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "fakeradio/FakeRadio.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "support/PtyPort.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

namespace {
constexpr double BytesPerSecond = 19200.0 / 10.0;

// Carries the radio's bytes to the program no faster than the line would, and the program's
// bytes to the radio at once. Lives in the radio's thread.
class PacedLink : public QObject
{
public:
    PacedLink(PtyPort &pty, FakeRadio &radio) : m_pty(pty)
    {
        connect(&pty, &PtyPort::received, &radio, &FakeRadio::receive);
        connect(&radio, &FakeRadio::transmit, this, [this](const QByteArray &b) {
            // The line holds at most a second's worth: a radio that makes more loses it, as its
            // own output buffer would.
            if (m_toProgram.size() < qsizetype(BytesPerSecond))
                m_toProgram += b;
        });
        m_timer.setTimerType(Qt::PreciseTimer);
        connect(&m_timer, &QTimer::timeout, this, &PacedLink::pump);
        m_clock.start();
        m_lastNs = m_clock.nsecsElapsed();
        m_timer.start(2);
    }

    // Sends at once what still waits for the line, so that what is written next comes after it.
    void flush()
    {
        m_pty.write(m_toProgram);
        bytesToProgram += m_toProgram.size();
        m_toProgram.clear();
    }

    std::atomic<qint64> bytesToProgram{0};
    // When set, the line carries text without a CR in place of the radio's output.
    std::atomic<bool> textWithoutCr{false};

private:
    void pump()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_allowance = std::min(m_allowance + double(now - m_lastNs) / 1e9 * BytesPerSecond, 64.0);
        m_lastNs = now;
        if (textWithoutCr) {
            static const QByteArray text("The quick brown fox jumps over the lazy dog 0123456789 ");
            QByteArray out;
            for (int n = int(m_allowance); n > 0; --n, m_fillerAt = (m_fillerAt + 1) % int(text.size()))
                out += text[m_fillerAt];
            m_allowance -= out.size();
            m_pty.write(out);
            bytesToProgram += out.size();
            return;
        }
        const int n = std::min(int(m_allowance), int(m_toProgram.size()));
        if (n <= 0) {
            if (m_toProgram.isEmpty())
                m_allowance = 0;
            return;
        }
        m_allowance -= n;
        m_pty.write(m_toProgram.left(n));
        m_toProgram.remove(0, n);
        bytesToProgram += n;
    }

    PtyPort &m_pty;
    QByteArray m_toProgram;
    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_lastNs = 0;
    double m_allowance = 0;
    int m_fillerAt = 0;
};

// The radio's side: made, run and destroyed in its own thread.
struct RadioSide
{
    PtyPort pty;
    FakeRadio radio;
    std::unique_ptr<PacedLink> link;
};

template <typename F>
void inThread(QObject *context, F &&f)
{
    QMetaObject::invokeMethod(context, std::forward<F>(f), Qt::BlockingQueuedConnection);
}

double seconds(const QElapsedTimer &t)
{
    return double(t.nsecsElapsed()) / 1e9;
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    double duration = 120;
    if (argc > 1)
        duration = QByteArray(argv[1]).toDouble();
    else if (qEnvironmentVariableIsSet("BENCH_SECONDS"))
        duration = qEnvironmentVariable("BENCH_SECONDS").toDouble();
    if (duration <= 0) {
        std::printf("usage: bench_receivepath [seconds]\n");
        return 2;
    }
    TestEnv env;

    QThread radioThread;
    radioThread.start();
    QObject radioContext;
    radioContext.moveToThread(&radioThread);
    RadioSide *side = nullptr;
    bool opened = false;
    inThread(&radioContext, [&] {
        side = new RadioSide;
        opened = side->pty.open();
        if (opened) {
            side->radio.config().rssiIntervalMs = 5;   // more than the line carries
            side->link = std::make_unique<PacedLink>(side->pty, side->radio);
        }
    });
    const auto finish = [&](int code) {
        inThread(&radioContext, [&] { delete side; });
        radioThread.quit();
        radioThread.wait();
        return code;
    };
    if (!opened) {
        std::printf("no pseudo-terminal on this machine\n");
        return finish(0);
    }
    qputenv("WAVECREST_COM1", side->pty.slavePath().toLocal8Bit());

    frmCorvista w;
    w.quitOnUnload = false;
    w.show();
    w.Timer1->stop();
    w.ConnectRadio();
    w.Timer1->stop();
    Clock::pumpFor(500);
    if (!w.MSComm1->portOpen()) {
        std::printf("the program did not connect to the simulated radio\n");
        return finish(1);
    }

    // ---- the stream ----
    for (char c : QByteArray("rssi\r")) {
        int key = c;
        w.txtTerm_KeyPress(key);
    }
    Clock::pumpFor(1000);

    const double window = duration >= 120 ? 60 : duration / 2;
    const int windows = std::max(2, int(duration / window));
    std::vector<double> cpu, processCpu, rate;
    std::printf("stream of CR LF lines, %d windows of %.0f s\n", windows, window);
    for (int i = 0; i < windows; ++i) {
        const double cpu0 = threadCpuSeconds(), proc0 = processCpuSeconds();
        const qint64 bytes0 = side->link->bytesToProgram;
        QElapsedTimer t;
        t.start();
        Clock::pumpFor(qint64(window * 1000));
        const double wall = seconds(t);
        cpu.push_back(100.0 * (threadCpuSeconds() - cpu0) / wall);
        processCpu.push_back(100.0 * (processCpuSeconds() - proc0) / wall);
        rate.push_back(double(side->link->bytesToProgram - bytes0) / wall);
        std::printf("  window %d: %.0f bytes/s; program %.2f %% of a core (whole process, radio included, %.2f %%); "
                    "RxBuffer %lld characters, terminal %d\n",
                    i + 1, rate.back(), cpu.back(), processCpu.back(), (long long)shared().RxBuffer.size(),
                    w.txtTerm->length());
        std::fflush(stdout);
    }
    const double peak = *std::max_element(cpu.begin(), cpu.end());
    std::printf("program CPU: first window %.2f %%, last %.2f %%, last/first %.2f (target at most 1.5), "
                "highest %.2f %% (target under 5 %%)\n",
                cpu.front(), cpu.back(), cpu.back() / cpu.front(), peak);

    // ---- the same line rate without a CR ----
    int key = '\r';   // any CR ends the stream
    w.txtTerm_KeyPress(key);
    Clock::pumpFor(500);
    {
        const double noCrSeconds = std::min(10.0, duration / 2);
        side->link->textWithoutCr = true;
        Clock::pumpFor(500);
        const double cpu0 = threadCpuSeconds();
        const qint64 bytes0 = side->link->bytesToProgram;
        QElapsedTimer t;
        t.start();
        Clock::pumpFor(qint64(noCrSeconds * 1000));
        const double wall = seconds(t);
        std::printf("stream without CR for %.0f s: %.0f bytes/s; program %.2f %% of a core; terminal %d characters\n",
                    wall, double(side->link->bytesToProgram - bytes0) / wall,
                    100.0 * (threadCpuSeconds() - cpu0) / wall, w.txtTerm->length());
        std::fflush(stdout);
        side->link->textWithoutCr = false;
        Clock::pumpFor(500);
    }

    // ---- the burst ----

    const QByteArray end("<end of burst>");
    QByteArray burst;
    burst.reserve(1000000);
    while (burst.size() < 1000000 - end.size())
        burst += "0123456789 abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ\n";
    burst.truncate(1000000 - end.size());
    burst += end;

    QElapsedTimer sinceTick, t;
    double longestStall = 0;
    int longestTerminal = w.txtTerm->length();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        longestStall = std::max(longestStall, seconds(sinceTick));
        sinceTick.restart();
        longestTerminal = std::max(longestTerminal, w.txtTerm->length());
    });
    const double cpu0 = threadCpuSeconds();
    sinceTick.start();
    t.start();
    tick.start(10);
    // The stream's last lines can still wait for the line; behind the burst they would hide its end.
    QMetaObject::invokeMethod(&radioContext, [&] {
        side->link->flush();
        side->pty.write(burst);
    });
    const bool arrived = Clock::waitFor([&] { return shared().RxBuffer.endsWith(QLatin1String(end)); }, 30000);
    const double wall = seconds(t);
    // The window shows the text after it arrived: the stalls of that count too.
    Clock::pumpFor(1000);
    tick.stop();
    longestStall = std::max(longestStall, seconds(sinceTick));
    longestTerminal = std::max(longestTerminal, w.txtTerm->length());
    std::printf("1 MB burst without CR: %s in %.2f s, program CPU %.2f s\n", arrived ? "received" : "NOT received",
                wall, threadCpuSeconds() - cpu0);
    if (!arrived) {
        const QString &rx = shared().RxBuffer;
        std::printf("  FAILED: the burst's end did not arrive within 30 s; %s; RxBuffer ends with \"%s\"\n",
                    rx.contains(QLatin1String(end)) ? "its end marker arrived with text behind it"
                                                    : "its end marker never arrived",
                    qPrintable(rx.right(24).replace(QLatin1Char('\r'), QLatin1String("\\r"))
                                   .replace(QLatin1Char('\n'), QLatin1String("\\n"))));
    }
    std::printf("  longest event-loop stall %.0f ms (target at most 200 ms)\n", longestStall * 1000);
    std::printf("  longest terminal %d characters (limit %d); RxBuffer %lld characters\n", longestTerminal,
                TerminalPane::Limit, (long long)shared().RxBuffer.size());

    // ---- the same megabyte as one chunk ----
    QString chunk = QString::fromLatin1(burst);
    t.restart();
    w.ShowReceivedText(w.txtTerm, chunk);
    std::printf("1 MB as one chunk: %.0f ms, terminal %d characters\n", seconds(t) * 1000, w.txtTerm->length());
    std::fflush(stdout);

    w.txtTerm->clear();
    w.MSComm1->setPortOpen(false);
    return finish(arrived ? 0 : 1);
}
