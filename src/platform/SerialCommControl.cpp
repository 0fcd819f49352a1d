#include "platform/SerialCommControl.h"
#include "platform/LineWatch.h"
#include "platform/PortMap.h"

#include <QFileInfo>
#include <QLoggingCategory>
#include <QSerialPort>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <poll.h>
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
    if (m_port->isOpen())
        m_port->close();
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
    // sent just before closing still goes out.
    m_lineWatch->stop();
    if (m_port->isOpen()) {
        m_port->clear(QSerialPort::Input);
        m_port->close();
    }
    m_port->clearError();
}

void SerialCommControl::output(const QByteArray &bytes)
{
    if (!m_port->isOpen())
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    m_port->write(bytes);
    // Hand the bytes to the driver now, as the original control did, not at the next event.
    m_port->flush();
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
    return int(m_port->bytesToWrite());
}

void SerialCommControl::drainOutput()
{
    if (!m_port->isOpen())
        return;
    m_port->flush();
#ifdef Q_OS_UNIX
    if (m_port->handle() >= 0)
        ::tcdrain(m_port->handle());
#else
    m_port->waitForBytesWritten(2000);
#endif
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
