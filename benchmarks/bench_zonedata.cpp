// The zone data window polling the simulated radio, which answers at once on a thread of its own
// over a pseudo-terminal: prints the polls made and the CPU the program's thread used meanwhile,
// as a share of one core; the terminal pane and the charts show everything as they do for a
// user. Then the same for the zone quality window.
//
// usage: bench_zonedata [seconds]   (20 unless given)
// Where the time goes: valgrind --tool=callgrind --toggle-collect='*measuredPolling*' bench_zonedata 5
#include "support/CpuTime.h"
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "diagnostics/frmZoneData.h"
#include "diagnostics/frmZoneQuality.h"
#include "platform/Clock.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {
// The measured stretch, a function of its own so that a profiler can count just this.
[[gnu::noinline]] void measuredPolling(double seconds)
{
    Clock::pumpFor(qint64(seconds * 1000));
}

constexpr int SettleMs = 2500;

// Opens the window over the main window, lets it settle into its poll, measures, and prints.
// firstTickMs: when the window's first poll tick comes.
template <typename Window>
void measure(RadioRig &rig, frmCorvista &w, const char *name, int firstTickMs, double seconds)
{
    rig.radio().clearLog();
    double cpu = 0, wall = 0;
    {
        std::optional<ThreadedRadio> threaded(std::in_place, rig.radio(), rig.pty());
        Window window(*w.MSComm1, &w);
        window.show();
        Clock::pumpFor(SettleMs);
        const double cpu0 = threadCpuSeconds();
        QElapsedTimer t;
        t.start();
        measuredPolling(seconds);
        wall = double(t.nsecsElapsed()) / 1e9;
        cpu = threadCpuSeconds() - cpu0;
        window.close();
        threaded.reset();
    }
    // The polls of the settling time are in the count too: the rate is over all the polling.
    const int polls = int(rig.radio().lines().count(QStringLiteral("ZONE DATA")));
    std::printf("%s window: %d polls (%.1f per second)\n", name, polls,
                polls / (seconds + (SettleMs - firstTickMs) / 1000.0));
    std::printf("  program CPU while polling: %.2f %% of a core over %.1f s (target under 3 %%)\n",
                100.0 * cpu / wall, wall);
    std::fflush(stdout);
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    if (seconds <= 0) {
        std::printf("usage: bench_zonedata [seconds]\n");
        return 2;
    }
    RadioRig rig{1.0};
    if (!rig.ok()) {
        std::printf("no pseudo-terminal on this machine: nothing measured\n");
        return 0;
    }
    // The strict line keeps its books inside every write the program's thread makes; that is the
    // test rig's cost, not the program's. The radio answers at once either way.
    rig.radio().setStrictLine(false);
    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    w.Timer1->stop();
    shared().RefreshRequested = false;
    Clock::pumpFor(300);
    if (!w.MSComm1->portOpen()) {
        std::printf("the program did not connect to the simulated radio\n");
        return 1;
    }
    measure<frmZoneData>(rig, w, "zone data", 2000, seconds);
    measure<frmZoneQuality>(rig, w, "zone quality", 150, seconds);
    w.MSComm1->setPortOpen(false);
    return 0;
}
