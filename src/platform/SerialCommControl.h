// The serial control on a real port (QSerialPort).
#pragma once

#include "platform/CommControl.h"

#include <memory>

class QSerialPort;
class LineWatch;
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
    void drainOutput() override;
    QString deviceName() const override;
    // Where the line watch reads the line's error counters and modem lines (the device's driver
    // unless replaced).
    void setLineStatusSource(std::unique_ptr<LineStatusSource> source);

protected:
    void writeOut(const QByteArray &bytes) override;
    void applySettings() override;

private:
    void onReadyRead();
    void onError(int error);
    bool deviceGone(int error) const;
    void pullPending() const;
    void closePort();
    // Blocks (sleeping) until what was written has left the line, for at most 10 s.
    void waitUntilSent();
    double byteSeconds() const;

    QSerialPort *m_port;
    QString m_device;
    LineWatch *m_lineWatch;
    mutable bool m_pulling = false;
    bool m_lost = false;
    double m_lineFreeAt = 0;  // nominal seconds: when the last byte written is through the line
};
