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

// Stores one preference under "Preferences". When the store cannot take it, failure gets the
// system's text, unless an earlier write has already put its own there: the others are tried all
// the same, and the user is told once.
void savePreference(const QString &key, const QString &value, QString &failure);
// Tells the user that the preferences could not be saved, naming the store and the system's
// reason; nothing when failure is empty.
void showPreferenceFailure(const QString &failure);
