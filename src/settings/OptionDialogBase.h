// What the option dialogs share: each writes its commands straight to the main window's serial
// control, one line at a time with nothing awaited, and every way of closing one sends a bare CR.
#pragma once

#include <QDialog>
#include <QString>

class CommControl;
class QHBoxLayout;
class QPushButton;
class QRadioButton;

// Writes text and one CR when the port is open; with the port closed nothing goes out and the
// user's choice is lost. A serial control error shows the standard message.
void sendOptionCommand(CommControl &port, const QString &text);

class OptionDialogBase : public QDialog
{
    Q_OBJECT
public:
    // OK, Cancel, a choice button or the close box: all end here, and Form_Unload runs once.
    void done(int result) override;

    // Sends the bare CR that ends the dialog's exchange with the radio.
    void Form_Unload();

protected:
    explicit OptionDialogBase(CommControl &port, QWidget *parent = nullptr);
    // The pause between two commands of one choice, so the radio has done with the first.
    static void pauseBetweenCommands();

    // The "<setting> Enabled" (index 0) and "<setting> Disabled" pair.
    void makeOnOffOptions(QRadioButton *(&OnOption)[2], const QString &setting);
    // Selects Enabled when the box text holds "ON" in capitals (the reply ends "(ON)" or "(OFF)").
    static void selectOnOff(QRadioButton *const (&OnOption)[2], const QString &boxText);
    // "<keyword> on" or "<keyword> off", as selected.
    void sendOnOff(const QString &keyword, QRadioButton *const (&OnOption)[2]);
    // "Program Settings" and "Cancel" at the right of a row.
    QHBoxLayout *makeProgramButtons(QPushButton *&OKButton, QPushButton *&CancelButton);

    CommControl &m_port;

private:
    bool m_unloaded = false;
};
