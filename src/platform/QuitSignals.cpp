#include "platform/QuitSignals.h"

#include <QLoggingCategory>
#include <QObject>

Q_LOGGING_CATEGORY(lcQuitSignals, "wavecrest.app", QtWarningMsg)

#ifdef Q_OS_UNIX
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

int g_pipe[2] = {-1, -1};

extern "C" void onQuitSignal(int signal)
{
    // Only async-signal-safe calls here; errno belongs to the code the signal interrupted.
    const int savedErrno = errno;
    const char byte = char(signal);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = savedErrno;
}

bool openPipe()
{
    if (g_pipe[0] >= 0)
        return true;
    if (::pipe(g_pipe) != 0)
        return false;
    for (int fd : g_pipe) {
        ::fcntl(fd, F_SETFD, FD_CLOEXEC);
        // A full pipe drops a signal rather than block the handler; one byte waiting is enough.
        ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    }
    return true;
}

} // namespace

namespace QuitSignals {

bool install(QObject *context, std::function<void()> onQuit)
{
    if (!openPipe()) {
        qCWarning(lcQuitSignals) << "no pipe for the quit signals";
        return false;
    }
    auto *notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [quit = std::move(onQuit)] {
        char bytes[16];
        while (::read(g_pipe[0], bytes, sizeof bytes) > 0) {
        }
        qCInfo(lcQuitSignals) << "quit signal received";
        quit();
    });
    struct sigaction action = {};
    action.sa_handler = onQuitSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    return true;
}

} // namespace QuitSignals

#else

namespace QuitSignals {

bool install(QObject *, std::function<void()>)
{
    return false;
}

} // namespace QuitSignals

#endif
