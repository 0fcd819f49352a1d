// The one seam for time: the monotonic clock of every deadline, pauses that handle no events,
// the event pump, the event-pumping wait, timer intervals and the random pause of the wake-up.
// Every duration the program states is a nominal millisecond count; the scale factor (1 in the
// program, smaller in tests) turns it into real time, so tests run the same logic faster.
#pragma once

#include <QtGlobal>
#include <functional>

class QTimer;

namespace Clock {

// Nominal milliseconds since the program started, on a monotonic clock.
qint64 nowMs();
// Nominal seconds since the program started (what the waits compare against).
double nowSeconds();

// Real milliseconds for a nominal duration (never below 1 for a positive duration).
int realMs(qint64 nominalMs);
void setScale(double factor);
double scale();

// A pause that handles no events: the thread sleeps, it does not spin.
void sleepMs(qint64 nominalMs);

// Handle the pending window events once.
void doEvents();

// Event-pumping wait: returns true as soon as done() holds, false once timeoutMs (nominal) has
// passed. Handles the pending events once before the first test of done(), then blocks in the
// event loop between events; done() is tested after each event batch. Past the deadline it
// handles what is pending once more, without waiting, and tests done() a last time.
bool waitFor(const std::function<bool()> &done, qint64 timeoutMs);

// Pump events for a fixed nominal time (a wait whose condition never holds).
void pumpFor(qint64 nominalMs);

// Starts or restarts a timer with a nominal interval.
void startTimer(QTimer &timer, int nominalMs);
void setInterval(QTimer &timer, int nominalMs);

// A uniform random number in [0, 1); tests may replace the source.
double random();
void setRandomSource(std::function<double()> source);
void seedRandom(quint32 seed);

} // namespace Clock
