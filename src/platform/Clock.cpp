#include "platform/Clock.h"
#include "platform/LinkGate.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QRandomGenerator>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace {
QElapsedTimer &elapsed()
{
    static QElapsedTimer timer = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return timer;
}

double g_scale = 1.0;
std::function<double()> g_random;
QRandomGenerator g_generator(1);
} // namespace

namespace Clock {

qint64 nowMs()
{
    return qint64(double(elapsed().nsecsElapsed()) / 1e6 / g_scale);
}

double nowSeconds()
{
    return double(elapsed().nsecsElapsed()) / 1e9 / g_scale;
}

int realMs(qint64 nominalMs)
{
    if (nominalMs <= 0)
        return 0;
    const double real = std::ceil(double(nominalMs) * g_scale);
    return int(qMax(1.0, real));
}

void setScale(double factor)
{
    g_scale = factor > 0 ? factor : 1.0;
}

double scale()
{
    return g_scale;
}

void sleepMs(qint64 nominalMs)
{
    if (nominalMs <= 0)
        return;
    const qint64 realNs = qint64(double(nominalMs) * g_scale * 1e6);
    QElapsedTimer t;
    t.start();
    qint64 left = realNs;
    while (left > 0) {
        QThread::usleep(quint64(qMax<qint64>(1, left / 1000)));
        left = realNs - t.nsecsElapsed();
    }
}

void doEvents()
{
    const LinkGate::PumpScope round;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// A process that was not scheduled for a while finds its deadline passed with the answer already
// come: an event posted and not handled, bytes in the kernel not yet read. One pass over what is
// pending, without waiting, before a wait says the answer did not come.
static bool lastLook(const std::function<bool()> &done)
{
    const LinkGate::PumpScope round;
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    return done();
}

bool waitFor(const std::function<bool()> &done, qint64 timeoutMs)
{
    const double deadline = nowSeconds() + double(timeoutMs) / 1000.0;
    // Every wait handles what is pending once, even when its answer is already there: a radio
    // that answers at once must not keep the window from painting and its timers from ticking.
    doEvents();
    if (done())
        return true;
    // The timer only wakes the blocked dispatcher at the deadline; nothing polls.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake, &QTimer::timeout, [] {});
    wake.start(realMs(timeoutMs));
    for (;;) {
        {
            const LinkGate::PumpScope round;
            QCoreApplication::sendPostedEvents();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        }
        if (done())
            return true;
        if (nowSeconds() >= deadline)
            return lastLook(done);
        if (!wake.isActive()) {
            const double left = (deadline - nowSeconds()) * 1000.0;
            wake.start(realMs(qint64(std::ceil(left))));
        }
        {
            const LinkGate::PumpScope round;
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        }
        if (done())
            return true;
        if (nowSeconds() >= deadline)
            return lastLook(done);
    }
}

void pumpFor(qint64 nominalMs)
{
    waitFor([] { return false; }, nominalMs);
}

void startTimer(QTimer &timer, int nominalMs)
{
    timer.start(qMax(1, realMs(nominalMs)));
}

void setInterval(QTimer &timer, int nominalMs)
{
    timer.setInterval(qMax(1, realMs(nominalMs)));
}

double random()
{
    if (g_random)
        return g_random();
    return g_generator.generateDouble();
}

void setRandomSource(std::function<double()> source)
{
    g_random = std::move(source);
}

void seedRandom(quint32 seed)
{
    g_generator.seed(seed);
}

} // namespace Clock
