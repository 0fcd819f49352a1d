#include "platform/SerialCommControl.h"
#include "platform/Clock.h"
#include "platform/LineWatch.h"
#include "platform/PortMap.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPort>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <utility>

#ifdef Q_OS_UNIX
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#endif

Q_LOGGING_CATEGORY(lcSerial, "wavecrest.serial", QtWarningMsg)

namespace {

// Whether the handle itself reports the device gone: a hung-up terminal (USB adapter pulled,
// other end of a pseudo-terminal closed) polls as POLLHUP or POLLERR. False where the platform
// cannot tell.
bool handleHungUp(qintptr handle)
{
#ifdef Q_OS_UNIX
    if (handle < 0)
        return false;
    pollfd p{int(handle), 0, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, 0);
    } while (ready < 0 && errno == EINTR);
    return ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

// Bytes the driver still holds for sending; -1 where it cannot say.
int driverOutputQueue(qintptr handle)
{
#if defined(Q_OS_UNIX) && defined(TIOCOUTQ)
    int queued = 0;
    if (handle >= 0 && ::ioctl(int(handle), TIOCOUTQ, &queued) == 0)
        return std::max(0, queued);
#else
    Q_UNUSED(handle);
#endif
    return -1;
}

// Throws away what the driver holds for sending; false where the platform has no such call.
bool flushDriverOutput(qintptr handle)
{
#ifdef Q_OS_UNIX
    return handle >= 0 && ::tcflush(int(handle), TCOFLUSH) == 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

// Waits until the driver has sent everything it holds, the device's own FIFO included, which no
// queue count shows; false where the platform has no such call.
bool drainDriverOutput(qintptr handle)
{
#ifdef Q_OS_UNIX
    if (handle < 0)
        return false;
    int result = 0;
    do {
        result = ::tcdrain(int(handle));
    } while (result != 0 && errno == EINTR);
    return result == 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

} // namespace

// The driver's drain blocks for as long as the device takes, which on a held line has no end: it
// runs on a thread of its own while the caller waits with a deadline. What the thread touches is
// shared, so a drain the driver never ends can be left behind without harm.
class DriverDrain
{
public:
    explicit DriverDrain(qintptr handle) : m_state(std::make_shared<State>())
    {
        std::thread([state = m_state, handle] {
            drainDriverOutput(handle);
            {
                std::lock_guard lock(state->mutex);
                state->done = true;
            }
            state->ended.notify_all();
            // Wakes an event loop that waits for this.
            if (QCoreApplication *app = QCoreApplication::instance())
                QMetaObject::invokeMethod(app, [] {}, Qt::QueuedConnection);
        }).detach();
    }

    bool done() const
    {
        std::lock_guard lock(m_state->mutex);
        return m_state->done;
    }

    // Until the drain ends or timeoutMs (nominal) pass; handling events or asleep.
    bool wait(qint64 timeoutMs, bool handleEvents) const
    {
        if (handleEvents)
            return Clock::waitFor([this] { return done(); }, timeoutMs);
        return waitAsleep(std::chrono::milliseconds(Clock::realMs(timeoutMs)));
    }

    bool waitAsleep(std::chrono::milliseconds real) const
    {
        std::unique_lock lock(m_state->mutex);
        return m_state->ended.wait_for(lock, real, [this] { return m_state->done; });
    }

private:
    struct State
    {
        std::mutex mutex;
        std::condition_variable ended;
        bool done = false;
    };
    std::shared_ptr<State> m_state;
};

namespace {

// The longest a close or a settings change waits for the output to leave (nominal seconds).
constexpr double DrainLimitSeconds = 10.0;
// What the driver's drain may take beyond the queue's line time: a device's FIFO and the latency
// of a USB adapter (nominal seconds).
constexpr double DriverDrainSeconds = 2.0;
// After a drain that ran out of time was cut short by throwing the output away.
constexpr qint64 DriverDrainCutMs = 500;
// A driver with nothing left to send returns from its drain at once: so soon that no handler need
// run meanwhile (real milliseconds, too short for the window to freeze).
constexpr std::chrono::milliseconds DriverDrainAtOnce{50};

} // namespace

SerialCommControl::SerialCommControl(QObject *parent)
    : CommControl(parent), m_port(new QSerialPort(this)),
      m_lineWatch(new LineWatch([this](int event) { raiseEvent(event); }, this))
{
    m_lineWatch->setSource(makeSerialLineStatusSource(m_port));
    connect(m_port, &QSerialPort::readyRead, this, &SerialCommControl::onReadyRead);
    connect(m_port, &QSerialPort::errorOccurred, this, [this](QSerialPort::SerialPortError e) { onError(int(e)); });
}

SerialCommControl::~SerialCommControl()
{
    // No events run in a destructor: the last bytes get their line time asleep.
    m_lineWatch->stop();
    if (m_port->isOpen() && !m_lost) {
        Clock::sleepMs(qint64(std::ceil(std::min(DrainLimitSeconds, secondsUntilSent()) * 1000.0)));
        drainDriver(Clock::nowSeconds() + DriverDrainSeconds, false, true);
    }
    closePort(false);
}

bool SerialCommControl::portOpen() const
{
    return m_port->isOpen() && m_lineChange != LineChange::Closing;
}

void SerialCommControl::setLineStatusSource(std::unique_ptr<LineStatusSource> source)
{
    m_lineWatch->setSource(std::move(source));
}

void SerialCommControl::setOutputQueueSource(std::unique_ptr<OutputQueueSource> source)
{
    m_queueSource = std::move(source);
}

int SerialCommControl::driverQueue() const
{
    return m_queueSource ? m_queueSource->queued() : driverOutputQueue(m_port->handle());
}

QString SerialCommControl::deviceName() const
{
    return PortMap::deviceFor(m_commPort);
}

void SerialCommControl::setPortOpen(bool open)
{
    if (!open) {
        closePort();
        return;
    }
    // A close still letting its output leave ends first.
    if (m_lineChange == LineChange::Closing)
        closePort();
    if (m_port->isOpen())
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port already open"));
    const QString device = deviceName();
    if (device.isEmpty())
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port Com%1 is not present").arg(m_commPort));
    m_port->setPortName(device);
    m_device = device;
    m_lost = false;
    m_lineFreeAt = 0;
    m_undrained = false;
    m_heldBack.clear();
    ++m_opening;
    if (!m_port->open(QIODevice::ReadWrite)) {
        const QString why = m_port->errorString();
        m_port->clearError();
        qCInfo(lcSerial) << "open failed" << device << why;
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port %1 cannot be opened: %2").arg(device, why));
    }
    applySettings();
    // Modem lines: a pseudo-terminal refuses these, which is no error for us.
    m_port->setDataTerminalReady(true);
    m_port->clearError();
    m_lineWatch->start();
    qCDebug(lcSerial) << "opened" << device << m_settings;
}

void SerialCommControl::applySettings()
{
    // A change asked for while the line drains for another is taken up by that one.
    if (!m_port->isOpen() || m_lineChange != LineChange::None)
        return;
    // A byte still on the line when its speed changes arrives garbled.
    drainBefore(LineChange::Speed);
    if (!m_port->isOpen())
        return;
    int baud = 9600, dataBits = 8, stopBits = 1;
    char parity = 'N';
    parseSettings(m_settings, &baud, &parity, &dataBits, &stopBits);
    m_port->setBaudRate(baud);
    m_port->setDataBits(QSerialPort::DataBits(dataBits));
    m_port->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop);
    switch (parity) {
    case 'E': m_port->setParity(QSerialPort::EvenParity); break;
    case 'O': m_port->setParity(QSerialPort::OddParity); break;
    case 'M': m_port->setParity(QSerialPort::MarkParity); break;
    case 'S': m_port->setParity(QSerialPort::SpaceParity); break;
    default: m_port->setParity(QSerialPort::NoParity); break;
    }
    m_port->setFlowControl(m_handshaking == 2 ? QSerialPort::HardwareControl
                           : m_handshaking == 1 ? QSerialPort::SoftwareControl
                                                : QSerialPort::NoFlowControl);
    m_port->clearError();
    if (!m_heldBack.isEmpty())
        write(std::exchange(m_heldBack, QByteArray()));
}

void SerialCommControl::drainBefore(LineChange change)
{
    if (!m_port->isOpen() || m_lost)
        return;
    if (m_lineChange != LineChange::None) {
        // A drain is under way (this one was asked for from an event it handles): wait with it,
        // to its deadline, instead of starting another.
        if (change == LineChange::Closing)
            m_lineChange = change;
        const auto msUntil = [](double at) { return qint64(std::max(0.0, at - Clock::nowSeconds()) * 1000.0); };
        waitUntilSent(msUntil(m_drainDeadline));
        if (const std::shared_ptr<DriverDrain> driver = m_driverDrain)
            driver->wait(msUntil(m_drainLimit), true);
        return;
    }
    // Bounded by the line time of what is queued, with room for a driver that is a little late.
    const double left = secondsUntilSent();
    if (left <= 0 && !m_undrained)
        return;
    const double now = Clock::nowSeconds();
    m_drainDeadline = now + std::min(DrainLimitSeconds, 1.25 * left + 0.1);
    m_drainLimit = now + DrainLimitSeconds;
    m_lineChange = change;
    const bool sent = waitUntilSent(qint64(std::ceil((m_drainDeadline - Clock::nowSeconds()) * 1000.0)));
    if (!sent)
        qCInfo(lcSerial) << "output still queued when the line changed:" << outBufferCount() << "bytes";
    // The queue's count leaves out what the device itself still holds; the driver knows when
    // that has gone too. It may take a little longer than the line time, never past the limit.
    drainDriver(std::min(m_drainLimit, std::max(m_drainDeadline, Clock::nowSeconds() + DriverDrainSeconds)), true,
                sent);
    m_lineChange = LineChange::None;
}

void SerialCommControl::drainDriver(double until, bool handleEvents, bool queueSent)
{
    if (!m_undrained || !m_port->isOpen() || m_lost)
        return;
    const double left = until - Clock::nowSeconds();
    if (left <= 0) {
        qCInfo(lcSerial) << "no time left to drain the driver";
        return;
    }
    const qintptr handle = m_port->handle();
    m_driverDrain = std::make_shared<DriverDrain>(handle);
    bool drained = (queueSent && m_driverDrain->waitAsleep(DriverDrainAtOnce))
                   || m_driverDrain->wait(qint64(std::ceil(left * 1000.0)), handleEvents);
    if (!drained) {
        // Throwing the output away ends the driver's drain.
        qCInfo(lcSerial) << "the driver did not drain in time: its output is thrown away";
        flushDriverOutput(handle);
        drained = m_driverDrain->wait(DriverDrainCutMs, handleEvents);
        if (!drained)
            qCWarning(lcSerial) << "the driver's drain did not end";
    }
    m_driverDrain.reset();
    m_undrained = false;
}

void SerialCommControl::closePort(bool drain)
{
    // Closing throws away what was received and not read, but not what was written: a command
    // sent just before closing still goes out, before the port's settings are given back.
    m_lineWatch->stop();
    const quint64 opening = m_opening;
    if (drain)
        drainBefore(LineChange::Closing);
    // A handler run during the drain may have closed the port and opened it again: that opening
    // is not this close's.
    if (m_port->isOpen() && opening == m_opening) {
        m_heldBack.clear();
        m_port->clear(QSerialPort::Input);
        m_port->close();
        m_lineChange = LineChange::None;
    }
    m_port->clearError();
}

void SerialCommControl::writeOut(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    // An event handled while the line drains writes: not into a line about to close, and at the
    // new speed when the speed is changing.
    if (m_lineChange == LineChange::Closing)
        throw CommError(CommErr::PortNotOpen, QStringLiteral("The port is closing"));
    if (m_lineChange == LineChange::Speed) {
        m_heldBack += bytes;
        return;
    }
    write(bytes);
}

void SerialCommControl::write(const QByteArray &bytes)
{
    m_port->write(bytes);
    // Hand the bytes to the driver now, as the original control did, not at the next event.
    m_port->flush();
    m_undrained = true;
    m_lineFreeAt = std::max(m_lineFreeAt, Clock::nowSeconds()) + double(bytes.size()) * byteSeconds();
}

double SerialCommControl::byteSeconds() const
{
    return lineSeconds(1);
}

double SerialCommControl::secondsUntilSent() const
{
    if (!m_port->isOpen() || m_lost)
        return 0;
    // The queue as the driver tells it, and the line time of what was written: a driver that
    // cannot tell its queue (a pseudo-terminal reports none) or the hardware's last bytes still
    // need that.
    return std::max(lineSeconds(outBufferCount()), m_lineFreeAt - Clock::nowSeconds());
}

void SerialCommControl::discardOutput()
{
    m_heldBack.clear();
    // What is thrown away needs no drain.
    m_undrained = false;
    if (!m_port->isOpen())
        return;
    flushDriverOutput(m_port->handle());
    m_port->clear(QSerialPort::Output);
    m_lineFreeAt = Clock::nowSeconds();
}

void SerialCommControl::pullPending() const
{
    // Bytes waiting in the driver reach the port's own buffer only in the event loop; a direct
    // read after a pause must see them too. readyRead raised meanwhile is not an event for us.
    if (!m_port->isOpen() || m_pulling)
        return;
    m_pulling = true;
    while (m_port->isOpen() && m_port->waitForReadyRead(0)) {
    }
    m_pulling = false;
}

QByteArray SerialCommControl::input()
{
    if (!m_port->isOpen())
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    pullPending();
    return m_port->readAll();
}

int SerialCommControl::inBufferCount() const
{
    if (!m_port->isOpen())
        return 0;
    pullPending();
    return int(m_port->bytesAvailable());
}

int SerialCommControl::outBufferCount() const
{
    if (!m_port->isOpen())
        return 0;
    return int(m_port->bytesToWrite()) + std::max(0, driverQueue());
}

void SerialCommControl::onReadyRead()
{
    // What comes while the port closes is thrown away with it.
    if (m_pulling || m_lineChange == LineChange::Closing)
        return;
    raiseEvent(CommEv::Receive);
}

bool SerialCommControl::deviceGone(int error) const
{
#ifdef Q_OS_UNIX
    // Ask the port, not errno: a read of 0 bytes on a hung-up terminal leaves errno as some
    // earlier call set it, and a full output queue is EAGAIN on a device that works.
    Q_UNUSED(error);
    return handleHungUp(m_port->handle()) || (!m_device.isEmpty() && !QFileInfo::exists(m_device));
#else
    // Here writes never fail for a full queue, so every failure of the port means it is gone.
    Q_UNUSED(error);
    return true;
#endif
}

void SerialCommControl::onError(int error)
{
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::NoError:
    case QSerialPort::UnsupportedOperationError:
    case QSerialPort::TimeoutError:
        return;
    default:
        break;
    }
    if (!m_port->isOpen() || m_lost)
        return;
    if (!deviceGone(error)) {
        // A full output queue (a long transfer outruns the line): the rest goes out when the
        // driver takes it.
        qCDebug(lcSerial) << "port error on a working device:" << m_port->errorString();
        m_port->clearError();
        return;
    }
    // The device is gone. QSerialPort keeps reporting the failed read until the port is closed,
    // so close it on the next turn of the event loop and raise one event.
    m_lost = true;
    qCInfo(lcSerial) << "device lost:" << m_port->errorString();
    QMetaObject::invokeMethod(this, [this] {
        closePort();
        raiseEvent(CommEv::DeviceLost);
    }, Qt::QueuedConnection);
}
