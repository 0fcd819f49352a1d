// The "Preferences" dialog: the terminal pane's colours and bold text, and the three behaviour
// switches (connect on launch, keep the connection alive, log out on exit).
#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QPlainTextEdit;
class QPushButton;

class frmPreferences : public QDialog
{
    Q_OBJECT
public:
    // txtTerm is the main window's terminal pane: its look is shown here and changed by OK.
    explicit frmPreferences(QPlainTextEdit *txtTerm, QWidget *parent = nullptr);

    QComboBox *TextColorList = nullptr;
    QComboBox *BackgroundColorList = nullptr;
    QCheckBox *BoldCheck = nullptr;
    QCheckBox *ConnectOnLaunchCheck = nullptr;
    QCheckBox *KeepAliveCheck = nullptr;
    QCheckBox *LogoutCheck = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

public slots:
    void Form_Load();
    void OKButton_Click();
    void CancelButton_Click();

private:
    QPlainTextEdit *m_txtTerm;
};
