// The "Zone Quality" window: the percentage of usable received frames per zone, from the same
// "ZONE DATA" reply as the zone data window, measured against the zone's own total or against the
// average of the zones in use.
#pragma once

#include "link/Exchange.h"

#include <QDialog>
#include <array>

class CommControl;
class QAction;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QTimer;
class ZoneBar;

class frmZoneQuality : public QDialog
{
    Q_OBJECT
public:
    explicit frmZoneQuality(CommControl &port, QWidget *parent = nullptr);
    ~frmZoneQuality() override;

    // ---- controls, indexed by zone 0..7 ----
    QGroupBox *frameZone[8] = {};
    QLabel *percentUsable[8] = {};
    QLabel *lblPercent = nullptr;
    ZoneBar *usableBar[8] = {};
    QLabel *labelZone[88] = {};
    QTimer *pollTimer = nullptr;
    QTimer *resetTimer = nullptr;
    QString resetTimerTag;   // why the reset timer runs: "unknownData" or "incompleteZoneData"
    QMenuBar *menuBar = nullptr;
    QMenu *mnuSelectFilter = nullptr;
    QAction *mnuNormalAveraging = nullptr;
    QAction *mnuBlockedFrequencies = nullptr;
    QAction *mnuToggleZoneUpdates = nullptr;
    QAction *mnuExitScreen = nullptr;

    std::array<qint64, 8> RxTotal{};
    std::array<qint64, 8> RxError{};
    std::array<bool, 8> JumpPending{};
    bool DiscardIncomplete = false;
    int SkippedCount = 0;

    void Form_Load();
    void pollTimer_Timer();
    void resetTimer_Timer();
    void mnuNormalAveraging_Click();
    void mnuBlockedFrequencies_Click();
    void mnuToggleZoneUpdates_Click();
    void mnuExitScreen_Click();
    void ShowAndCountSkippedZones();
    void ParseZoneTotals();
    void UpdateZoneQuality();

private:
    void buildUi();
    void sendCommand(const QString &command);
    void startResetTimer(const QString &tag);

    CommControl &m_port;
    // The window holds the link while it is open: nothing else writes into its exchanges.
    Exchange::LinkOwnership m_ownsLink;
    std::array<bool, 8> m_skipped{};
};
