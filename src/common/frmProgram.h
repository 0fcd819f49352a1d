// The one progress window of the program: a caption, a status line, a bar and Cancel, kept in
// front of every other window while a long transfer runs. It does no work of its own; it shows
// what its user writes into it and raises DownloadCancelled when Cancel is pressed.
#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;

class frmProgram : public QWidget
{
    Q_OBJECT
public:
    // The window every user shares; created on first use and not loaded (hidden) until shown.
    static frmProgram &instance();

    QLabel *Label1 = nullptr;
    QProgressBar *ProgressBar1 = nullptr;   // 0 to 100
    QPushButton *Command1 = nullptr;        // Cancel

    // Shows the window modeless, over owner when one is given.
    void showModeless(QWidget *owner = nullptr);
    // Hides the window and puts its caption, label and bar back to their design values. While
    // DownloadCancelled is false the window comes straight back: set the flag first.
    void unload();
    bool isLoaded() const { return isVisible(); }

    void Form_Activate();
    void Command1_Click();
    void Form_Deactivate();

protected:
    void changeEvent(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    explicit frmProgram(QWidget *parent = nullptr);
    void resetToDesign();
    void showAgainLater();

    bool m_reshowQueued = false;
};
