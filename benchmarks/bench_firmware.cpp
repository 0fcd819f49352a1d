// A firmware upgrade of a 256 KiB S-record file into the simulated radio, which runs on a thread of
// its own and takes its input no faster than a 115200 baud 8N1 line, once on a bare pseudo-terminal
// (its driver reports no output queue) and once on a line whose driver reports its queue as a
// UART's does. For each it prints the transfer stage's time (from the first bytes of the file at
// the loader to its last byte there, so the first bytes' own few milliseconds on the line are not
// in it), the floor (file bytes x 10 bits / 115200) and their ratio, the program's CPU time over
// that stage, and the verdict as the program reported it. An optional argument scales the clock
// (default 1).
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "fakeradio/FirmwareImage.h"
#include "platform/Clock.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <cstdio>
#include <cstdlib>

namespace {

bool run(double scale, bool uartQueue)
{
    RadioRig rig{scale > 0 ? scale : 1.0};
    if (!rig.ok()) {
        std::printf("no pseudo-terminal on this machine: nothing measured\n");
        return true;
    }
    if (uartQueue)
        rig.useUartQueue();
    const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 256 * 1024);
    const QString path = rig.env().path(QStringLiteral("bench.s28"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(image) != image.size())
        return false;
    f.close();

    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    shared().RefreshRequested = false;
    shared().CurrentFirmwareVersion = QStringLiteral("3.2.0");
    rig.dialogs().answerOpen(path);
    rig.dialogs().answerMsgBox(Msg::Yes);
    double verdictAt = -1;
    QString verdict;
    rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &s) {
        if (s.text == QLatin1String("Radio programming was successful.")
            || s.text == QLatin1String("Radio programming FAILED.")) {
            verdictAt = Clock::nowSeconds();
            verdict = s.text;
        }
    };
    const LoaderCpuTime programCpu(rig.radio(), rig.pty());

    QElapsedTimer whole;
    whole.start();
    {
        ThreadedRadio threaded(rig.radio(), rig.pty());
        w.mnuSendText_Click();
    }
    const double wholeSeconds = double(whole.elapsed()) / 1000.0;

    const FakeRadio::LoaderLog &log = rig.radio().loaderLog();
    const double transfer = log.lastByteAt - log.firstByteAt;
    const double floor = double(image.size()) * 10.0 / 115200.0;
    std::printf("%s\n", uartQueue ? "line whose driver reports its queue as a UART's:" : "bare pseudo-terminal:");
    std::printf("  file:                    %lld bytes\n", static_cast<long long>(image.size()));
    std::printf("  transfer stage:          %.3f s (first to last byte of the file at the loader)\n", transfer);
    std::printf("  floor:                   %.3f s (file bytes x 10 bits / 115200)\n", floor);
    std::printf("  ratio:                   %.4f (target at most 1.05)\n", transfer / floor);
    std::printf("  program's CPU:           %.2f %% of a core over the transfer stage (target under 5 %%)\n",
                100.0 * programCpu.seconds() / (transfer * Clock::scale()));
    std::printf("  loader's verdict:        %s\n", qPrintable(log.verdict));
    if (verdict.isEmpty()) {
        std::printf("  program reported:        no verdict; messages: %s\n",
                    qPrintable(rig.dialogs().messageTexts().join(QStringLiteral(" | "))));
    } else {
        std::printf("  program reported:        %s (%.3f s after the loader took the last byte; target at most 1.6)\n",
                    qPrintable(verdict), verdictAt - log.lastByteAt);
    }
    std::printf("  whole upgrade:           %.1f s real, clock scale %.3g\n", wholeSeconds, Clock::scale());
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    for (const bool uartQueue : {false, true})
        if (!run(scale, uartQueue))
            return 1;
    return 0;
}
