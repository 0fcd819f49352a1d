// The line watch: while a port is open it reads the driver's error counters and modem lines a few
// times a second and turns each counter rise or line change into the control's communication
// event. QSerialPort reports none of these itself.
#pragma once

#include <QObject>
#include <QTimer>
#include <functional>
#include <memory>

class QSerialPort;

// What the driver tells about the line. A source that has no counters (a pseudo-terminal, a
// platform without them) leaves countersKnown false and nothing is reported.
struct LineStatus
{
    bool countersKnown = false;
    quint64 frame = 0;
    quint64 overrun = 0;
    quint64 parity = 0;
    quint64 brk = 0;
    quint64 bufferOverrun = 0;
    bool linesKnown = false;
    bool cts = false;
    bool dsr = false;
    bool cd = false;
};

class LineStatusSource
{
public:
    virtual ~LineStatusSource() = default;
    virtual LineStatus read() = 0;
};

// The source of a real port: on Linux the driver's counters (TIOCGICOUNT) and, where the driver
// gives those, the modem lines; elsewhere nothing.
std::unique_ptr<LineStatusSource> makeSerialLineStatusSource(QSerialPort *port);

class LineWatch : public QObject
{
    Q_OBJECT
public:
    // raise is called with the CommEv value of each rise or change.
    explicit LineWatch(std::function<void(int)> raise, QObject *parent = nullptr);

    void setSource(std::unique_ptr<LineStatusSource> source);
    // Takes the current status as the starting point and checks every intervalMs (nominal).
    void start();
    void stop();
    bool isActive() const { return m_timer.isActive(); }

    static constexpr int IntervalMs = 250;

private:
    void check();

    std::function<void(int)> m_raise;
    std::unique_ptr<LineStatusSource> m_source;
    QTimer m_timer;
    LineStatus m_last;
    bool m_raising = false;
};
