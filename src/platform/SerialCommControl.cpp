#include "platform/SerialCommControl.h"
#include "platform/Clock.h"
#include "platform/LineWatch.h"
#include "platform/PortMap.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPort>

#include <algorithm>
#include <cerrno>
#include <cmath>

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

// Blocks until the hardware has sent what the driver held; false where the platform has no such
// call.
bool drainDriver(qintptr handle)
{
#ifdef Q_OS_UNIX
    if (handle < 0)
        return false;
    int result = 0;
    do {
        result = ::tcdrain(int(handle));
    } while (result < 0 && errno == EINTR);
    return result == 0;
#else
    Q_UNUSED(handle);
    return false;
#endif
}

// The longest a close or a settings change waits for the output to leave (nominal seconds).
constexpr double DrainLimitSeconds = 10.0;

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
    closePort();
}

bool SerialCommControl::portOpen() const
{
    return m_port->isOpen();
}

void SerialCommControl::setLineStatusSource(std::unique_ptr<LineStatusSource> source)
{
    m_lineWatch->setSource(std::move(source));
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
    if (m_port->isOpen())
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port already open"));
    const QString device = deviceName();
    if (device.isEmpty())
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port Com%1 is not present").arg(m_commPort));
    m_port->setPortName(device);
    m_device = device;
    m_lost = false;
    m_lineFreeAt = 0;
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
    int baud = 9600, dataBits = 8, stopBits = 1;
    char parity = 'N';
    parseSettings(m_settings, &baud, &parity, &dataBits, &stopBits);
    if (!m_port->isOpen())
        return;
    // A byte still on the line when its speed changes arrives garbled.
    waitUntilSent();
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
}

void SerialCommControl::closePort()
{
    // Closing throws away what was received and not read, but not what was written: a command
    // sent just before closing still goes out, before the port's settings are given back.
    m_lineWatch->stop();
    if (m_port->isOpen()) {
        waitUntilSent();
        m_port->clear(QSerialPort::Input);
        m_port->close();
    }
    m_port->clearError();
}

void SerialCommControl::writeOut(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    m_port->write(bytes);
    // Hand the bytes to the driver now, as the original control did, not at the next event.
    m_port->flush();
    m_lineFreeAt = std::max(m_lineFreeAt, Clock::nowSeconds()) + double(bytes.size()) * byteSeconds();
}

double SerialCommControl::byteSeconds() const
{
    int baud = 9600, dataBits = 8, stopBits = 1;
    char parity = 'N';
    parseSettings(m_settings, &baud, &parity, &dataBits, &stopBits);
    return double(1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits) / std::max(1, baud);
}

void SerialCommControl::waitUntilSent()
{
    if (!m_port->isOpen() || m_lost)
        return;
    const double deadline = Clock::nowSeconds() + DrainLimitSeconds;
    const auto pause = [&](double seconds) {
        seconds = std::min(seconds, deadline - Clock::nowSeconds());
        if (seconds > 0)
            Clock::sleepMs(std::max<qint64>(1, qint64(std::ceil(seconds * 1000.0))));
    };
    // Qt's own buffer goes to the driver as the driver makes room.
    while (m_port->bytesToWrite() > 0 && !m_lost && Clock::nowSeconds() < deadline) {
        m_port->flush();
        if (m_port->bytesToWrite() > 0)
            pause(64 * byteSeconds());
    }
    // The driver's queue, as far as it tells.
    int queued = driverOutputQueue(m_port->handle());
    while (queued > 0 && !m_lost && Clock::nowSeconds() < deadline) {
        pause(queued * byteSeconds());
        queued = driverOutputQueue(m_port->handle());
    }
    // The last bytes in the hardware. Where flow control may hold the line, only once the queue
    // is known to be empty, so that the wait keeps its bound.
    if (m_lost)
        return;
    if (queued == 0 || (queued < 0 && m_handshaking == 0))
        drainDriver(m_port->handle());
    // The line time of what was written: a pseudo-terminal's drain returns at once, and a driver
    // that cannot tell its queue has still to send it.
    pause(m_lineFreeAt - Clock::nowSeconds());
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
    return int(m_port->bytesToWrite()) + std::max(0, driverOutputQueue(m_port->handle()));
}

void SerialCommControl::drainOutput()
{
    waitUntilSent();
}

void SerialCommControl::onReadyRead()
{
    if (m_pulling)
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
