// The serial control on a real port (QSerialPort).
#pragma once

#include "platform/CommControl.h"
#include "platform/OutputQueueSource.h"

#include <memory>

class QSerialPort;
class LineWatch;
class DriverDrain;
class LineStatusSource;

class SerialCommControl : public CommControl
{
    Q_OBJECT
public:
    explicit SerialCommControl(QObject *parent = nullptr);
    ~SerialCommControl() override;

    bool portOpen() const override;
    void setPortOpen(bool open) override;
    QByteArray input() override;
    int inBufferCount() const override;
    int outBufferCount() const override;
    void discardOutput() override;
    QString deviceName() const override;
    // Where the line watch reads the line's error counters and modem lines (the device's driver
    // unless replaced).
    void setLineStatusSource(std::unique_ptr<LineStatusSource> source);
    // Where the driver's output queue is read (the device's driver unless replaced).
    void setOutputQueueSource(std::unique_ptr<OutputQueueSource> source);

protected:
    void writeOut(const QByteArray &bytes) override;
    void applySettings() override;
    double secondsUntilSent() const override;

private:
    void onReadyRead();
    void onError(int error);
    bool deviceGone(int error) const;
    void pullPending() const;
    void closePort(bool drain = true);
    // Before the line closes or changes speed: what was written leaves it first.
    enum class LineChange { None, Speed, Closing };
    void drainBefore(LineChange change);
    // The driver's own drain, ended by until (nominal seconds); handles events meanwhile or sleeps.
    // Once the queue has been sent (queueSent) it is expected to end at once, with no handler run.
    void drainDriver(double until, bool handleEvents, bool queueSent);
    void write(const QByteArray &bytes);
    double byteSeconds() const;
    int driverQueue() const;

    QSerialPort *m_port;
    QString m_device;
    LineWatch *m_lineWatch;
    std::unique_ptr<OutputQueueSource> m_queueSource;
    mutable bool m_pulling = false;
    bool m_lost = false;
    double m_lineFreeAt = 0;  // nominal seconds: when the last byte written is through the line
    LineChange m_lineChange = LineChange::None;
    double m_drainDeadline = 0;  // nominal seconds: the drain under way gives up its queue wait then
    double m_drainLimit = 0;     // nominal seconds: and the driver's drain then
    std::shared_ptr<DriverDrain> m_driverDrain;  // the driver's drain under way
    bool m_undrained = false;    // written since the driver last drained
    QByteArray m_heldBack;       // written while the speed changes: goes out at the new speed
    quint64 m_opening = 0;       // counts the port's openings
};
