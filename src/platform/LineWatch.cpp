#include "platform/LineWatch.h"

#include "platform/Clock.h"
#include "platform/CommControl.h"

#include <QLoggingCategory>
#include <QPointer>
#include <QSerialPort>

#ifdef Q_OS_LINUX
#include <linux/serial.h>
#include <sys/ioctl.h>
#endif

Q_LOGGING_CATEGORY(lcLineWatch, "wavecrest.serial.line", QtWarningMsg)

namespace {

class SerialLineStatusSource : public LineStatusSource
{
public:
    explicit SerialLineStatusSource(QSerialPort *port) : m_port(port) {}

    LineStatus read() override
    {
        LineStatus status;
#if defined(Q_OS_LINUX) && defined(TIOCGICOUNT)
        const int fd = int(m_port->handle());
        if (!m_port->isOpen() || fd < 0)
            return status;
        serial_icounter_struct counts{};
        if (::ioctl(fd, TIOCGICOUNT, &counts) != 0)
            return status;   // a pseudo-terminal or a driver that keeps no counters
        status.countersKnown = true;
        status.frame = quint64(counts.frame);
        status.overrun = quint64(counts.overrun);
        status.parity = quint64(counts.parity);
        status.brk = quint64(counts.brk);
        status.bufferOverrun = quint64(counts.buf_overrun);
        // Only a driver that keeps counters is asked for its modem lines: a pseudo-terminal has
        // none, and asking would report an error on the port.
        const QSerialPort::PinoutSignals pins = m_port->pinoutSignals();
        status.linesKnown = true;
        status.cts = pins.testFlag(QSerialPort::ClearToSendSignal);
        status.dsr = pins.testFlag(QSerialPort::DataSetReadySignal);
        status.cd = pins.testFlag(QSerialPort::DataCarrierDetectSignal);
#else
        Q_UNUSED(m_port);
#endif
        return status;
    }

private:
    QSerialPort *m_port;
};

} // namespace

std::unique_ptr<LineStatusSource> makeSerialLineStatusSource(QSerialPort *port)
{
    return std::make_unique<SerialLineStatusSource>(port);
}

LineWatch::LineWatch(std::function<void(int)> raise, QObject *parent) : QObject(parent), m_raise(std::move(raise))
{
    connect(&m_timer, &QTimer::timeout, this, &LineWatch::check);
}

void LineWatch::setSource(std::unique_ptr<LineStatusSource> source)
{
    m_source = std::move(source);
    if (m_timer.isActive())
        m_last = m_source ? m_source->read() : LineStatus{};
}

void LineWatch::start()
{
    m_last = m_source ? m_source->read() : LineStatus{};
    Clock::startTimer(m_timer, IntervalMs);
}

void LineWatch::stop()
{
    m_timer.stop();
}

void LineWatch::check()
{
    // An error box shown for one rise lets the timer tick again; that tick waits for the next.
    if (!m_source || m_raising)
        return;
    const LineStatus now = m_source->read();
    const LineStatus before = m_last;
    m_last = now;
    QList<int> events;
    if (now.countersKnown && before.countersKnown) {
        if (now.frame > before.frame)
            events << CommEv::Frame;
        if (now.overrun > before.overrun)
            events << CommEv::Overrun;
        if (now.parity > before.parity)
            events << CommEv::RxParity;
        if (now.brk > before.brk)
            events << CommEv::Break;
        if (now.bufferOverrun > before.bufferOverrun)
            events << CommEv::RxOver;
    }
    if (now.countersKnown && now.linesKnown && before.linesKnown) {
        if (now.cts != before.cts)
            events << CommEv::CTS;
        if (now.dsr != before.dsr)
            events << CommEv::DSR;
        if (now.cd != before.cd)
            events << CommEv::CD;
    }
    if (events.isEmpty())
        return;
    m_raising = true;
    QPointer<LineWatch> self(this);
    for (int event : std::as_const(events)) {
        qCDebug(lcLineWatch) << "line event" << event;
        m_raise(event);
        // The handler may have closed the port (stopping this watch) or destroyed the control.
        if (!self)
            return;
        if (!m_timer.isActive())
            break;
    }
    m_raising = false;
}
