// fakeradio: the simulated radio on a pseudo-terminal, for trying the program without a radio.
// Prints the device to open; --link gives it a stable name. Runs until SIGTERM or SIGINT.
#include "fakeradio/FakeRadio.h"
#include "support/PtyPort.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::pipe(g_signalPipe) != 0)
        return false;
    struct sigaction sa = {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fakeradio"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A simulated Wavecrest SS radio on a pseudo-terminal."));
    parser.addHelpOption();
    const QCommandLineOption linkOpt(QStringLiteral("link"), QStringLiteral("Create a symbolic link PATH to the device."),
                                     QStringLiteral("PATH"));
    const QCommandLineOption revisionOpt(QStringLiteral("revision"),
                                         QStringLiteral("Firmware version, e.g. 3.2.0 (the default) or 2.1.0."),
                                         QStringLiteral("VERSION"));
    const QCommandLineOption modeOpt(QStringLiteral("mode"), QStringLiteral("Radio mode M, R or X (default M)."),
                                     QStringLiteral("MODE"));
    const QCommandLineOption loggedInOpt(QStringLiteral("logged-in"), QStringLiteral("Start logged in."));
    const QCommandLineOption passwordOpt(QStringLiteral("password"),
                                         QStringLiteral("Radio password (default 1234; empty for none)."),
                                         QStringLiteral("PASSWORD"));
    const QCommandLineOption setupOpt(QStringLiteral("setup"), QStringLiteral("Start in setup mode (SETUP>)."));
    const QCommandLineOption loaderOpt(QStringLiteral("loader"), QStringLiteral("Start in the loader (LOADER>)."));
    const QCommandLineOption silentOpt(QStringLiteral("silent-bursts"),
                                       QStringLiteral("Wake-up bursts to leave unanswered (-1: never answer)."),
                                       QStringLiteral("N"));
    const QCommandLineOption verboseOpt(QStringLiteral("verbose"), QStringLiteral("Log every line to stderr."));
    parser.addOptions({linkOpt, revisionOpt, modeOpt, loggedInOpt, passwordOpt, setupOpt, loaderOpt, silentOpt,
                       verboseOpt});
    parser.process(app);

    FakeRadio::Config config;
    if (parser.isSet(revisionOpt))
        config.version = parser.value(revisionOpt);
    if (parser.isSet(modeOpt)) {
        const QString mode = parser.value(modeOpt).toUpper();
        if (mode != QLatin1String("M") && mode != QLatin1String("R") && mode != QLatin1String("X")) {
            std::fprintf(stderr, "fakeradio: --mode takes M, R or X\n");
            return 2;
        }
        config.mode = mode;
    }
    config.loggedIn = parser.isSet(loggedInOpt);
    if (parser.isSet(passwordOpt))
        config.password = parser.value(passwordOpt);
    if (parser.isSet(setupOpt))
        config.stage = FakeRadio::Stage::Setup;
    if (parser.isSet(loaderOpt))
        config.stage = FakeRadio::Stage::Loader;
    if (parser.isSet(silentOpt))
        config.silentBursts = parser.value(silentOpt).toInt();
    if (parser.isSet(verboseOpt))
        QLoggingCategory::setFilterRules(QStringLiteral("wavecrest.fakeradio.debug=true"));

    if (!installSignalHandlers()) {
        std::fprintf(stderr, "fakeradio: cannot install signal handlers\n");
        return 1;
    }
    QSocketNotifier stop(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&stop, &QSocketNotifier::activated, &app, &QCoreApplication::quit);

    PtyPort pty;
    if (!pty.open()) {
        std::fprintf(stderr, "fakeradio: this system gives no pseudo-terminal\n");
        return 1;
    }
    if (parser.isSet(linkOpt) && !pty.makeSymlink(parser.value(linkOpt))) {
        std::fprintf(stderr, "fakeradio: cannot create the link %s\n", qPrintable(parser.value(linkOpt)));
        return 1;
    }
    FakeRadio radio(config);
    radio.attach(&pty);
    // The program that opens the device runs in another process: the line can time only the
    // writes made in this one, so the radio hears the rest as soon as they come.
    radio.setStrictLine(false);

    std::printf("%s\n", qPrintable(pty.slavePath()));
    std::fflush(stdout);

    const int result = app.exec();
    pty.close();  // also removes the link
    return result;
}
