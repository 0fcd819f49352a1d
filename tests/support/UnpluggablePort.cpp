#include "support/UnpluggablePort.h"

#include <QList>
#include <QMutex>
#include <QPointer>
#include <atomic>

namespace {
std::atomic<bool> s_unplugged{false};
QMutex s_mutex;
QList<QPointer<UnpluggablePort>> s_ports;
} // namespace

UnpluggablePort::UnpluggablePort(QObject *parent) : SerialCommControl(parent)
{
    QMutexLocker lock(&s_mutex);
    s_ports << this;
}

UnpluggablePort::~UnpluggablePort()
{
    QMutexLocker lock(&s_mutex);
    s_ports.removeAll(this);
}

void UnpluggablePort::install()
{
    s_unplugged = false;
    CommFactory::setFactory([](QObject *parent) { return std::make_unique<UnpluggablePort>(parent); });
}

void UnpluggablePort::unplug()
{
    if (s_unplugged.exchange(true))
        return;
    QMutexLocker lock(&s_mutex);
    for (const QPointer<UnpluggablePort> &port : std::as_const(s_ports))
        if (port)
            QMetaObject::invokeMethod(port.data(), &UnpluggablePort::noticeLoss, Qt::QueuedConnection);
}

void UnpluggablePort::plugBack()
{
    s_unplugged = false;
}

bool UnpluggablePort::unplugged()
{
    return s_unplugged;
}

void UnpluggablePort::noticeLoss()
{
    if (!portOpen())
        return;
    // What was on its way went with the adapter.
    discardOutput();
    SerialCommControl::setPortOpen(false);
    raiseEvent(CommEv::DeviceLost);
}

void UnpluggablePort::setPortOpen(bool open)
{
    if (open && s_unplugged)
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("The device %1 is missing").arg(deviceName()));
    SerialCommControl::setPortOpen(open);
}

void UnpluggablePort::writeOut(const QByteArray &bytes)
{
    if (s_unplugged && portOpen())
        return;
    SerialCommControl::writeOut(bytes);
}

QByteArray UnpluggablePort::input()
{
    QByteArray bytes = SerialCommControl::input();
    return s_unplugged ? QByteArray() : bytes;
}

int UnpluggablePort::inBufferCount() const
{
    return s_unplugged ? 0 : SerialCommControl::inBufferCount();
}
