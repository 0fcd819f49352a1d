// "Software RTU Options": switches the radio's built-in RTU simulator on or off and sets its id.
#pragma once

#include "settings/OptionDialogBase.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmRTUOptions : public OptionDialogBase
{
    Q_OBJECT
public:
    // SoftRTUText is the main window's SoftRTU box as the read-out wrote it ("RTU 5 (OFF)").
    frmRTUOptions(CommControl &port, const QString &SoftRTUText, QWidget *parent = nullptr);

    QRadioButton *OnOption[2] = {};   // 0: enabled, 1: disabled
    QLineEdit *RTUID = nullptr;
    QLabel *Label = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QLabel *InfoLabel = nullptr;

    // Whether the typed id reads as a number that rounds (a half to the even neighbour) to 0-80.
    static bool RTUIDAccepted(const QString &typed);

public slots:
    void Form_Load(const QString &SoftRTUText);
    void OKButton_Click();
    void CancelButton_Click();
};
