#include "support/MockCommControl.h"

void MockCommControl::setPortOpen(bool open)
{
    if (!open) {
        // Received bytes nobody read are gone; writes a stalled device never took are dropped.
        m_open = false;
        m_in.clear();
        m_stalledOut.clear();
        return;
    }
    if (m_open)
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port already open"));
    if (m_openFails)
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port %1 cannot be opened").arg(deviceName()));
    m_open = true;
}

void MockCommControl::writeOut(const QByteArray &bytes)
{
    if (!m_open)
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    if (m_stalled) {
        m_stalledOut += bytes;
        return;
    }
    send(bytes);
}

void MockCommControl::send(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    m_written += bytes;
    emit dataWritten(bytes);
    if (m_loopback)
        feed(bytes);
}

QByteArray MockCommControl::input()
{
    if (!m_open)
        throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
    QByteArray all;
    all.swap(m_in);
    return all;
}

void MockCommControl::feed(const QByteArray &bytes)
{
    if (!m_open || bytes.isEmpty())
        return;
    m_in += bytes;
    // The data sits in the buffer at once (a direct read after a pause sees it), but the event
    // comes only when the program next handles events, and one event covers every chunk so far.
    if (m_receivePending)
        return;
    m_receivePending = true;
    QMetaObject::invokeMethod(this, &MockCommControl::deliverReceive, Qt::QueuedConnection);
}

void MockCommControl::deliverReceive()
{
    m_receivePending = false;
    // A direct read may have taken the data meanwhile; the real port raises nothing then either.
    if (m_open && !m_in.isEmpty())
        raiseEvent(CommEv::Receive);
}

QByteArray MockCommControl::takeWritten()
{
    QByteArray all;
    all.swap(m_written);
    return all;
}

void MockCommControl::setWriteStalled(bool stalled)
{
    m_stalled = stalled;
    if (!stalled && m_open) {
        QByteArray waiting;
        waiting.swap(m_stalledOut);
        send(waiting);
    }
}

void MockCommControl::raiseError(int event)
{
    QMetaObject::invokeMethod(this, [this, event] {
        if (m_open)
            raiseEvent(event);
    }, Qt::QueuedConnection);
}

void MockCommControl::loseDevice()
{
    if (!m_open)
        return;
    setPortOpen(false);
    QMetaObject::invokeMethod(this, [this] { raiseEvent(CommEv::DeviceLost); }, Qt::QueuedConnection);
}
