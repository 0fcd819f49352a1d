// A serial control in memory, for tests. feed() makes bytes arrive as if from the wire; onComm
// (CommEv::Receive) follows through the event loop. written() is everything the program sent;
// setLoopback(true) sends each write back. Failures: setOpenFails (8005), setWriteStalled (bytes
// wait, outBufferCount() > 0), raiseError(event), loseDevice() (port closed, one DeviceLost).
#pragma once

#include "platform/CommControl.h"

class MockCommControl : public CommControl
{
    Q_OBJECT
public:
    explicit MockCommControl(QObject *parent = nullptr) : CommControl(parent) {}

    bool portOpen() const override { return m_open; }
    void setPortOpen(bool open) override;
    QByteArray input() override;
    int inBufferCount() const override { return m_open ? int(m_in.size()) : 0; }
    int outBufferCount() const override { return m_open ? int(m_stalledOut.size()) : 0; }
    void discardOutput() override { m_stalledOut.clear(); }
    QString deviceName() const override { return QStringLiteral("mock:COM%1").arg(m_commPort); }

    // Bytes from the wire. A closed port hears nothing, so they are dropped then.
    void feed(const QByteArray &bytes);

    QByteArray written() const { return m_written; }
    QByteArray takeWritten();

    void setLoopback(bool on) { m_loopback = on; }
    // The device is missing or in use: every open raises 8005 until cleared.
    void setOpenFails(bool fail) { m_openFails = fail; }
    // While stalled, writes wait in the output buffer; clearing the stall sends them.
    void setWriteStalled(bool stalled);
    // An error event (CommEv::Frame, CommEv::Overrun, ...) delivered through the event loop.
    void raiseError(int event);
    // The device went away: the port closes now and one DeviceLost event follows.
    void loseDevice();

signals:
    // Bytes that left the output buffer for the wire (what a radio on the other end hears).
    void dataWritten(const QByteArray &bytes);

protected:
    void writeOut(const QByteArray &bytes) override;

private:
    void send(const QByteArray &bytes);
    void deliverReceive();

    bool m_open = false;
    bool m_loopback = false;
    bool m_openFails = false;
    bool m_stalled = false;
    bool m_receivePending = false;
    QByteArray m_in;
    QByteArray m_stalledOut;
    QByteArray m_written;
};
