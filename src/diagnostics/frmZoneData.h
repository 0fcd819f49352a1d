// The "Zone Data" window: polls the radio's per-zone transmit, receive and error counters and
// draws them as bars on one scale that grows and shrinks by powers of ten.
#pragma once

#include "link/Exchange.h"

#include <QDialog>
#include <array>

class CommControl;
class QAction;
class QGroupBox;
class QLabel;
class QMenuBar;
class QTimer;
class ZoneBar;
class ZoneChart;

class frmZoneData : public QDialog
{
    Q_OBJECT
public:
    // port is the main window's serial control; the replies arrive in RxBuffer.
    explicit frmZoneData(CommControl &port, QWidget *parent = nullptr);
    ~frmZoneData() override;

    // ---- controls, indexed by zone 0..7 ----
    QGroupBox *frameZone[8] = {};
    QLabel *zoneTXCount[8] = {};
    QLabel *zoneRXCount[8] = {};
    QLabel *zoneErrorsCount[8] = {};
    ZoneBar *zoneTXBar[8] = {};
    ZoneBar *zoneRXBar[8] = {};
    ZoneBar *zoneErrorsBar[8] = {};
    QLabel *lblTx[8] = {};
    QLabel *lblZoneRx[8] = {};
    QLabel *lblZoneErrors[8] = {};
    QLabel *labelZone[88] = {};   // 11 x zone + k: the k-th tick of the zone's scale
    QTimer *pollTimer = nullptr;
    QTimer *resetTimer = nullptr;
    QMenuBar *menuBar = nullptr;
    QAction *mnuToggleZoneUpdates = nullptr;
    QAction *mnuShowZoneQuality = nullptr;
    QAction *mnuResetZoneData = nullptr;
    QAction *mnuExitScreen = nullptr;

    // The count of each zone at the last parse that reached it.
    std::array<qint64, 8> PrevTxTotal{};
    std::array<qint64, 8> PrevRxTotal{};
    std::array<qint64, 8> PrevRxError{};

    void Form_Load();
    void pollTimer_Timer();
    void resetTimer_Timer();
    void Form_GotFocus();
    void mnuToggleZoneUpdates_Click();
    void mnuShowZoneQuality_Click();
    void mnuResetZoneData_Click();
    void mnuExitScreen_Click();
    void ParseZoneData();
    void ShowSkippedZones();
    void UpdateZoneGraph();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildUi();
    // Writes a command; a lost port stops the polling so the error is shown once.
    void sendCommand(const QString &command);

    CommControl &m_port;
    // The window holds the link while it is open: nothing else writes into its exchanges.
    Exchange::LinkOwnership m_ownsLink;
    ZoneChart *m_chart[8] = {};
    int m_pollMs = 2000;   // nominal; the first tick makes it 50
};
