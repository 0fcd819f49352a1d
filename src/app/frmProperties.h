// The COM port dialog ("Setup"): picks the port number of the main window's serial control and
// keeps it in the settings store.
#pragma once

#include <QDialog>
#include <functional>

class CommControl;
class QComboBox;
class QLabel;
class QPushButton;

class frmProperties : public QDialog
{
    Q_OBJECT
public:
    // showPortState is called after the port was closed for a switch (reopened or not), with the
    // port's open state as it now reads, so the main window can set the tick of mnuOpen and the
    // enabled state of mnuSendText and the "TransmitTextFile" button.
    frmProperties(CommControl &MSComm1, std::function<void(bool portOpen)> showPortState = {},
                  QWidget *parent = nullptr);

    QLabel *SelectPort = nullptr;
    QLabel *lblPort = nullptr;
    QComboBox *cboPort = nullptr;
    QLabel *lblDevice = nullptr;   // the device behind the selected entry
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;

public slots:
    void Form_Load();
    void LoadPropertySettings();
    void cmdOK_Click();
    void cmdCancel_Click();

private:
    void showDevice();

    CommControl &MSComm1;
    std::function<void(bool)> m_showPortState;
};
