// "Diagnostic Link Options": switches the radio's diagnostic link on or off and sets its baud rate.
#pragma once

#include "settings/OptionDialogBase.h"

class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class frmDLINKOptions : public OptionDialogBase
{
    Q_OBJECT
public:
    // DLINKText is the main window's DLINK box as the read-out wrote it ("DLINK 19200 (ON)").
    frmDLINKOptions(CommControl &port, const QString &DLINKText, QWidget *parent = nullptr);

    static constexpr int RateCount = 8;
    static const char *const Rates[RateCount];

    QRadioButton *OnOption[2] = {};   // 0: enabled, 1: disabled
    QGroupBox *BaudFrame = nullptr;
    QRadioButton *BaudRate[RateCount] = {};
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;
    QLabel *InfoLabel = nullptr;

public slots:
    void Form_Load(const QString &DLINKText);
    void OKButton_Click();
    void CancelButton_Click();
};
