// The configuration store and restore window: the radio's current settings beside those of a
// configuration file, a tick per setting to send, and saving the current settings to a file.
// While it is open it has the serial port to itself (MSComm2); the main window's port is closed.
#pragma once

#include "link/Exchange.h"
#include "platform/LinkGate.h"
#include "platform/CommControl.h"

#include <QColor>
#include <QHash>
#include <QLineEdit>
#include <QWidget>
#include <memory>
#include <optional>

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolBar;
class frmCorvista;

// A value box of the window: keeps its text exactly (the owner boxes hold CR LF) and shows it
// on one line.
class RestoreBox : public QLineEdit
{
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
    void setValue(const QString &text);
    QString value() const { return m_value; }

private:
    QString m_value;
};

// The radio stopped showing its prompt (error 999 of the exchange).
class RestoreLost : public RuntimeError
{
public:
    RestoreLost() : RuntimeError(999, QStringLiteral("The radio does not answer")) {}
};

class frmRestore : public QWidget
{
    Q_OBJECT
public:
    // The window's flags outlive one opening; each opening clears only CloseRequested.
    struct Flags
    {
        bool RereadRequested = false;
        bool ExchangeIdle = false;
        bool CloseRequested = false;
        bool FileLoaded = false;
    };
    static Flags &flags();
    static void resetFlags();   // tests
    // The open window, or nullptr.
    static frmRestore *openWindow();
    // Closes the open window, if any (the main timer does so when the radio was lost).
    static void unloadOpenWindow();

    explicit frmRestore(frmCorvista &mainWindow);
    ~frmRestore() override;

    // ---- controls ----
    std::unique_ptr<CommControl> MSComm2;
    QToolBar *Toolbar1 = nullptr;
    QHash<QString, QAction *> toolButtons;   // "OpenConfig", "SaveConfig", "ProgramRadio", "Refresh"
    QTabBar *TabStrip = nullptr;
    QStackedWidget *RadSetStack = nullptr;
    QFrame *RadSet[7] = {};
    QGroupBox *DescriptionFrame = nullptr;
    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *FileSettingsLabel = nullptr;
    QFrame *Frame2 = nullptr;
    QLabel *ProgressLabel = nullptr;
    QLabel *ProgressBlock[10] = {};
    QLabel *DiagWarnLabel = nullptr;
    QLabel *SkipLabel = nullptr;
    QPushButton *CheckAllButton = nullptr;
    QPushButton *UnCheckAllButton = nullptr;
    QPushButton *CloseButton = nullptr;
    QTimer *Timer1 = nullptr;

    // A current box by the main window's name ("Mode") or a New box ("NewMode"); a check box.
    RestoreBox *box(const QString &name) const { return m_boxes.value(name); }
    QCheckBox *check(const QString &name) const { return m_checks.value(name); }
    // A row's top on its page, in twips.
    int rowTop(const QString &boxName) const { return m_tops.value(boxName); }
    QColor blockFill(int index) const { return m_blockFill[index]; }
    bool readingOut() const { return m_reading; }

    // ---- opening, exchange, closing ----
    void Form_Load();
    void Form_Unload();
    // Runs Form_Unload once and lets the window go.
    void unload();
    void StartReadoutTimer();
    void StopReadoutTimer();
    // Makes sure the radio shows its prompt, then writes command and its CR. Throws
    // RestoreLost when the radio does not answer; a closed port only shows a message. A command
    // the radio cannot take as one line (RadioCanTake) raises CommError 8091 with nothing written.
    void SendRestoreCommand(const QString &command);
    void WakeRestoreRadio();
    void MSComm2_OnComm();
    void Toolbar1_ButtonClick(const QString &key);
    void TabStrip_Click();

    // ---- read-out, selection, file, programming, save ----
    void Timer1_Timer();
    void CheckAllButton_Click();
    void UnCheckAllButton_Click();
    void ModeCheck_Click();
    void CloseButton_Click();
    void RequestReread();
    void ReadConfigurationFile();
    void ProgramSelectedSettings();
    void SaveConfiguration();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Marks one of the window's own procedures as running. A message box or an event round inside
    // it may close the window (the main window's tick does so when the radio is lost); the window
    // is deleted only once the last such procedure has returned, and each stops at m_unloaded.
    class Busy
    {
    public:
        // The window's procedures are the link holder's own code, whichever event round runs them.
        explicit Busy(frmRestore &window)
            : m_window(window), m_code(window.m_linkOwnership ? window.m_linkOwnership->ticket() : 0)
        {
            ++m_window.m_busy;
        }
        ~Busy()
        {
            if (--m_window.m_busy == 0)
                m_window.deleteIfUnloaded();
        }
        Busy(const Busy &) = delete;
        Busy &operator=(const Busy &) = delete;

    private:
        frmRestore &m_window;
        LinkGate::OwnerCode m_code;
    };
    void deleteIfUnloaded();

    void buildUi();
    void applyRevisionLayout();
    // One exchange: the command, 50 ms, one read of the port into RxBuffer.
    QString restoreExchange(const QString &command);
    void setRowEnabled(const QString &boxName, bool enabled);
    void applyRule(int rule);
    void setBlockFill(int index, const QColor &colour);
    void endExchange();

    frmCorvista &m_main;
    QHash<QString, RestoreBox *> m_boxes;
    QHash<QString, QCheckBox *> m_checks;
    QHash<QString, int> m_tops;
    QColor m_blockFill[10];
    bool m_reading = false;
    bool m_unloaded = false;
    int m_busy = 0;
    bool m_deleting = false;
    // From the port's handover until the main window has it back.
    std::optional<Exchange::LinkOwnership> m_linkOwnership;
};
