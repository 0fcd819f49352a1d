// The radio password window: sets the radio's customer password or removes it. It stays open
// beside the main window, and the radio's echo stays off until it closes.
#pragma once

#include <QWidget>

class frmCorvista;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class frmSetPass : public QWidget
{
    Q_OBJECT
public:
    // Loading shows the window and opens the echo-off bracket; it deletes itself when closed.
    explicit frmSetPass(frmCorvista &main);

    QLabel *Label1 = nullptr;
    QRadioButton *PassRadio[2] = {};   // 0 "Use a password:", 1 "Do not use a radio password."
    QLineEdit *Pass1 = nullptr;
    QLineEdit *Pass2 = nullptr;
    QPushButton *OKButton = nullptr;
    QPushButton *CancelButton = nullptr;

    void Form_Load();
    void PassRadio_Click(int index);
    void OKButton_Click();
    void CancelButton_Click();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void setPassword();
    void removePassword();
    void savePassEnabled(bool enabled);

    frmCorvista &m_main;
    bool m_unloaded = false;
};
