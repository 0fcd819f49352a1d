// "XMAP Configuration": one box per extension address 0-31; shows the map the radio reported and
// programs the ticked addresses as the radio's new extension map.
#pragma once

#include "settings/ExtensionMap.h"

#include <QDialog>

class CommControl;
class QCheckBox;
class QLabel;
class QPushButton;

class frmXMAP : public QDialog
{
    Q_OBJECT
public:
    explicit frmXMAP(CommControl &port, QWidget *parent = nullptr);

    QCheckBox *Check1[ExtensionMap::AddressCount] = {};   // Check1[n] ticked: address n allowed
    QLabel *Label1 = nullptr;
    QPushButton *CurrentButton = nullptr;
    QPushButton *CheckAllButton = nullptr;
    QPushButton *UnCheckAllButton = nullptr;
    QPushButton *ProgramButton = nullptr;
    QPushButton *CloseButton = nullptr;

    ExtensionMap::Ticks ticks() const;
    void setTicks(const ExtensionMap::Ticks &ticks);

public slots:
    // Back to the map as last read (CurrentXmap).
    void CurrentButton_Click();
    void CheckAllButton_Click();
    void UnCheckAllButton_Click();
    void ProgramButton_Click();
    void CloseButton_Click();

private:
    CommControl &m_port;
};
