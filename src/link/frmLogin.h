// The login window: asks for the radio password or the encryption code (LoginMode) and sends it
// inside the echo-off bracket, so the secret never comes back into the terminal pane.
#pragma once

#include <QDialog>

class CommError;
class frmCorvista;
class QLabel;
class QLineEdit;
class QPushButton;

namespace LoginLink {
// Errors 8005 and 8018 end a handler with the standard box (true); any other only skips the
// failing step (false).
bool endsOnCommError(const CommError &e);
} // namespace LoginLink

class frmLogin : public QDialog
{
    Q_OBJECT
public:
    // Loading the window opens the echo-off bracket (when the port is open).
    explicit frmLogin(frmCorvista &main, QWidget *parent = nullptr);

    QLabel *InfoLabel = nullptr;
    QLabel *Label = nullptr;
    QLineEdit *txtPassword = nullptr;
    QPushButton *cmdOK = nullptr;
    QPushButton *cmdCancel = nullptr;
    QPushButton *NoneButton = nullptr;

    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();
    void NoneButton_Click();

    // Whether "eeco" is still owed to the radio.
    bool echoOffPending() const { return m_echoOff; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    bool portOpen() const;
    // Sends "eeco" once, and only while the port is open.
    void closeBracket();
    // Unloads the window after a button ended the exchange.
    void unload();

    frmCorvista &m_main;
    bool m_echoOff = false;
};
