// "XMAP Setting": the last step of a sub-remote's quick setup. On the same 32 boxes the user first
// picks the extension addresses the remote may associate with (sent as its extension map), then
// the one it tries first (sent as XPRI). Answers are read straight from the port and dropped.
#pragma once

#include "settings/ExtensionMap.h"

#include <QDialog>

class CommControl;
class QCheckBox;
class QLabel;
class QPushButton;

class frmSimpleXMAP : public QDialog
{
    Q_OBJECT
public:
    explicit frmSimpleXMAP(CommControl &port, QWidget *parent = nullptr);

    QCheckBox *chkXADDR[ExtensionMap::AddressCount] = {};   // chkXADDR[n] stands for XADDR n
    QLabel *lblMain = nullptr;
    QLabel *lblMaster = nullptr;
    QLabel *lblXMap = nullptr;
    QPushButton *cmdSet = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *cmdHelp = nullptr;

    bool XpriStep = false;                 // false: choosing the map; true: choosing the first address
    int SelectedXaddr = 0;
    ExtensionMap::Ticks XmapBits{};        // the map as chosen

    void chkXADDR_Click(int index);
    void cmdSet_Click();
    void cmdCancel_Click();
    void cmdHelp_Click();

private:
    void Form_Load();
    void ShowXmapStep();
    void ShowXpriStep();
    void setXmap();
    void setXpri();

    CommControl &m_port;
    bool InClick = false;   // the code is ticking boxes itself
};
