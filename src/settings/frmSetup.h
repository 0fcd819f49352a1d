// The bench-test window: shows and sets the radio's two test frequencies, keys and de-keys its
// transmitter, and takes the radio out of setup mode again. It is modeless and talks through the
// main window's port; like every window but the main one it compares replies exactly.
#pragma once

#include <QWidget>

class frmCorvista;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class ClickableLabel;
class ValueBox;

class frmSetup : public QWidget
{
    Q_OBJECT
public:
    // The window of owner's radio; not loaded (hidden, nothing read) until shown.
    explicit frmSetup(frmCorvista &owner);

    QFrame *Frame1 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Image1 = nullptr;
    QPushButton *Key = nullptr;
    QPushButton *DKey = nullptr;
    ClickableLabel *RxLabel = nullptr;
    ValueBox *RxFrequency = nullptr;
    ClickableLabel *TxLabel = nullptr;
    ValueBox *TxFrequency = nullptr;
    QLabel *Label1 = nullptr;
    QPushButton *ExitButton = nullptr;

    // Loads the window when it is not loaded (its design texts, then Form_Load), then shows it.
    void showModeless();
    // Form_Unload and hide; the controls go back to their design texts at the next load.
    void unload();
    bool isLoaded() const { return m_loaded; }

    void Form_Load();
    void Form_Unload();
    void ExitButton_Click();
    void RxFrequency_Click();
    void TxFrequency_Click();
    void Key_Click();
    void DKey_Click();
    void RxLabel_Click();
    void TxLabel_Click();
    void ReadRxFrequency();
    void ReadTxFrequency();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void resetToDesign();
    void readFrequency(const QString &command, QLineEdit *box);
    void programFrequency(const QString &command, const QString &prompt, const QString &title, QLineEdit *box);
    void keyTransmitter(bool on);
    // A handler's answer to a serial control error: the standard message for a lost port.
    static void handleCommError(int number, const char *handler);

    frmCorvista &m_main;
    bool m_loaded = false;
};
