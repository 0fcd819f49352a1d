// The real serial control with an adapter a test can pull out. unplug() takes the device away at
// once (writes go nowhere, nothing more arrives); at the next event round each open control closes
// and raises one DeviceLost, as the control does when it notices a loss. Opening fails (8005)
// until plugBack(). install() makes every control the program creates one of these.
#pragma once

#include "platform/SerialCommControl.h"

class UnpluggablePort : public SerialCommControl
{
public:
    explicit UnpluggablePort(QObject *parent = nullptr);
    ~UnpluggablePort() override;

    // Installs the factory and plugs the adapter in; the test's TestEnv removes the factory.
    static void install();
    // Callable from any thread (a radio thread that hears the moment to pull it).
    static void unplug();
    static void plugBack();
    static bool unplugged();

    void setPortOpen(bool open) override;
    QByteArray input() override;
    int inBufferCount() const override;

protected:
    void writeOut(const QByteArray &bytes) override;

private:
    void noticeLoss();
};
