// The serial communications control: the one layer the windows talk to a radio through.
// One implementation sits on QSerialPort (SerialCommControl); tests use an in-memory one.
#pragma once

#include "platform/RuntimeError.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

// A numbered error of the serial control (8005, 8018, ...).
class CommError : public RuntimeError
{
public:
    using RuntimeError::RuntimeError;
};

namespace CommErr {
constexpr int InvalidPortNumber = 8002;
constexpr int PortAlreadyOpen = 8005;   // also: the device is in use or missing
constexpr int PortNotOpen = 8018;       // the operation needs an open port
constexpr int InvalidSettings = 380;
// Not the control's own: the write was refused because another operation holds the link to the
// radio, or because the operation that wrote was ended (platform/LinkGate.h).
constexpr int WriteRefused = 8090;
// Not the control's own either: the command text holds a line end, another control character or
// a character outside Latin-1, so it would not reach the radio as the one command it was meant to
// be; nothing is written.
constexpr int UnsendableText = 8091;
} // namespace CommErr

// Values of CommEvent.
namespace CommEv {
constexpr int Send = 1;
constexpr int Receive = 2;
constexpr int CTS = 3;
constexpr int DSR = 4;
constexpr int CD = 5;
constexpr int Ring = 6;
constexpr int EOFChar = 7;
constexpr int Break = 1001;
constexpr int CTSTO = 1002;
constexpr int DSRTO = 1003;
constexpr int Frame = 1004;
constexpr int Overrun = 1006;
constexpr int CDTO = 1007;
constexpr int RxOver = 1008;
constexpr int RxParity = 1009;
constexpr int TxFull = 1010;
constexpr int DCB = 1011;
// The device went away while open (USB adapter unplugged, other end of a pty closed). The
// control closes the port before raising it.
constexpr int DeviceLost = 1100;

// The text shown for an event (empty for the data events and for errors) and for an error.
QString eventText(int event);
QString errorText(int event);
} // namespace CommEv

class CommControl : public QObject
{
    Q_OBJECT
public:
    explicit CommControl(QObject *parent = nullptr) : QObject(parent) {}
    ~CommControl() override = default;

    // Port number 1-16 (raises 8005 while open, like the original control).
    virtual int commPort() const { return m_commPort; }
    virtual void setCommPort(int port);

    // "19200,N,8,1"; may be changed while open: what was written leaves at the old settings first
    // (handling events, as a close does), and what is written meanwhile goes at the new ones.
    virtual QString settings() const { return m_settings; }
    virtual void setSettings(const QString &settings);

    virtual int handshaking() const { return m_handshaking; }
    virtual void setHandshaking(int mode) { m_handshaking = mode; }

    virtual bool portOpen() const = 0;
    // Opening raises 8005 when the device cannot be opened; closing a closed port does nothing.
    // Closing first lets what was written leave the line, handling events, for the line time of
    // what is queued (at most 10 s). To the handlers that run meanwhile the port is closed already:
    // a write is refused (8018), and an open waits for the close to end first.
    virtual void setPortOpen(bool open) = 0;

    // Writes the bytes; raises 8018 when the port is closed and 8090 when the link gate refuses
    // the write (nothing is written then).
    void output(const QByteArray &bytes);
    void output(const QString &text) { output(text.toLatin1()); }

    // Everything received so far, emptying the receive buffer; raises 8018 when closed.
    virtual QByteArray input() = 0;
    QString inputText() { return QString::fromLatin1(input()); }

    virtual int inBufferCount() const = 0;
    // Bytes written and not yet sent: the control's own buffer and the driver's queue.
    virtual int outBufferCount() const = 0;
    virtual int outBufferSize() const { return m_outBufferSize; }
    virtual void setOutBufferSize(int size) { m_outBufferSize = size; }

    // Nominal seconds the line needs for this many bytes at the current settings.
    double lineSeconds(qsizetype bytes) const;

    // The one wait for the output: handles events until what was written has left the line, and
    // wakes within a few milliseconds of that, sleeping meanwhile. True once it has left (or the
    // port closed: nothing more leaves); false when stop() held or timeoutMs (nominal) passed.
    bool waitUntilSent(qint64 timeoutMs, const std::function<bool()> &stop = {});

    // Throws away what was written and has not left yet.
    virtual void discardOutput() {}

    int commEvent() const { return m_commEvent; }

    // Device path behind the current port number ("" when none is known).
    virtual QString deviceName() const { return {}; }

    // Parses "19200,N,8,1"; false when the text is not a valid settings text.
    static bool parseSettings(const QString &text, int *baud, char *parity, int *dataBits, int *stopBits);

signals:
    // The communication event: CommEvent tells which.
    void onComm();

protected:
    // The write itself, once the gate has let it through.
    virtual void writeOut(const QByteArray &bytes) = 0;
    void raiseEvent(int event)
    {
        m_commEvent = event;
        emit onComm();
    }
    virtual void applySettings() {}
    // Nominal seconds until what was written has left the line, as far as the control can tell;
    // 0 once the port is closed.
    virtual double secondsUntilSent() const { return lineSeconds(outBufferCount()); }

    int m_commPort = 1;
    QString m_settings = QStringLiteral("9600,N,8,1");
    int m_handshaking = 0;
    int m_outBufferSize = 512;
    int m_commEvent = 0;
};

// Where the program gets its serial controls: a real port unless a test installed a factory.
namespace CommFactory {
std::unique_ptr<CommControl> create(QObject *parent = nullptr);
void setFactory(std::function<std::unique_ptr<CommControl>(QObject *)> factory);
} // namespace CommFactory
