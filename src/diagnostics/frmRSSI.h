// The "RSSI" window: the signal strength the radio reports after "rssi", as text and as a bar
// from -120 dBm to -50 dBm.
#pragma once

#include "link/Exchange.h"

#include <QDialog>

class CommControl;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

class frmRSSI : public QDialog
{
    Q_OBJECT
public:
    // port is the main window's serial control; the reports arrive in RxBuffer.
    explicit frmRSSI(CommControl &port, QWidget *parent = nullptr);
    ~frmRSSI() override;

    QLineEdit *Text1 = nullptr;           // the last reported level as the radio wrote it
    QProgressBar *ProgressBar1 = nullptr; // 50 to 120: dBm + 170
    QLabel *Label3 = nullptr, *Label8 = nullptr, *Label7 = nullptr, *Label6 = nullptr;  // -120 .. -90 dBm
    QLabel *Label1 = nullptr, *Label5 = nullptr, *Label4 = nullptr, *Label2 = nullptr;  // -80 .. -50 dBm
    QPushButton *Command1 = nullptr;      // "OK"
    QTimer *Timer1 = nullptr;

    void Form_Load();
    void Timer1_Timer();
    void Command1_Click();
    void Form_Unload();

    void done(int result) override;

private:
    void buildUi();

    CommControl &m_port;
    // The window holds the link while it is open: nothing else writes into its exchanges.
    Exchange::LinkOwnership m_ownsLink;
    bool m_unloaded = false;
};
