// The main window: start-up, layout, menus, toolbar, status bar and shut-down; the receive path,
// terminal and log; connect and disconnect. Its handlers keep the names of the design.
#pragma once

#include "config/ConfigFiles.h"
#include "link/Exchange.h"
#include "platform/CommControl.h"
#include "settings/SettingsPages.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QComboBox;
class QFile;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSlider;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolBar;
class TerminalPane;
class ClickableLabel;

class frmCorvista : public QMainWindow
{
    Q_OBJECT
public:
    explicit frmCorvista(QWidget *parent = nullptr);
    ~frmCorvista() override;

    // ---- controls ----
    std::unique_ptr<CommControl> MSComm1;
    TerminalPane *txtTerm = nullptr;
    QToolBar *tbrToolBar = nullptr;
    QHash<QString, QAction *> toolButtons;   // by key, e.g. "Connect"
    QLabel *panelStatus = nullptr;           // sbrStatus panel "Status"
    QLabel *panelSettings = nullptr;         // sbrStatus panel "Settings"
    QLabel *panelConnectTime = nullptr;      // sbrStatus panel "ConnectTime"
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
    QTimer *tmrPortTO = nullptr;
    QGroupBox *InfoFrame = nullptr;
    QTabBar *SettingsTab = nullptr;
    QWidget *SettingsArea = nullptr;         // the tab strip and its stacked pages
    QStackedWidget *NetSetStack = nullptr;
    QFrame *NetSet[6] = {};
    SettingsPages Pages;                     // the value boxes and labels of every setting
    QGroupBox *frQuick = nullptr;
    QPushButton *ButtonAdv = nullptr;
    QPushButton *ButtonRefresh = nullptr;
    QPushButton *ButtonRSSI = nullptr;
    QPushButton *ButtonZoneData = nullptr;
    QFrame *Frame1 = nullptr;
    ClickableLabel *imgConnected = nullptr;
    ClickableLabel *imgNotConnected = nullptr;

    // Tasks view controls.
    QGroupBox *frNewRadio = nullptr;
    QGroupBox *frAction = nullptr;
    QGroupBox *frPreset = nullptr;
    QPushButton *cmdSaveToFile = nullptr;
    QPushButton *cmdSaveToPreset = nullptr;
    QPushButton *cmdProgramFromFile = nullptr;
    QPushButton *cmdReadRadio = nullptr;
    QPushButton *cmdPrint = nullptr;
    QPushButton *cmdPre[6] = {};
    QPushButton *cmdMaster = nullptr;
    QPushButton *cmdRemote = nullptr;
    QPushButton *cmdRepeater = nullptr;
    QPushButton *cmdSubRemote = nullptr;
    QComboBox *cmbBaud = nullptr;
    QLineEdit *txtNewADDR = nullptr;
    QSlider *sldPwr = nullptr;
    QLabel *lblPwr = nullptr;

    // Menus.
    QMenu *mnuFile = nullptr, *mnuPort = nullptr, *mnuSpecial = nullptr, *mnuRadioPassSub = nullptr;
    QMenu *mnuPreset = nullptr;
    QAction *mnuOpenLog = nullptr, *mnuCloseLog = nullptr, *mnuSendText = nullptr, *mnuFileExit = nullptr;
    QAction *mnuOpen = nullptr, *mnuProperties = nullptr;
    QAction *mnuPreferences = nullptr, *mnuSetPass = nullptr, *mnuAccessCode = nullptr, *mnuEncryptCode = nullptr;
    QAction *mnuSetupMode = nullptr, *mnuConfigRestore = nullptr, *mnuAbout = nullptr;
    QAction *mnuPresetView = nullptr, *mnuPresetDelete = nullptr, *mnuPresetRename = nullptr,
            *mnuPresetEditDesc = nullptr;

    // ---- window fields of this window only ----
    QString LogFileName;
    int TermTextLen = 0;

    // ---- start-up, layout, shut-down ----
    void Form_Load();
    void ToggleTerminal();
    void ButtonAdv_Click();
    void SettingsTab_Click();
    void ButtonRSSI_Click();
    void ButtonZoneData_Click();
    void mnuAbout_Click();
    void mnuFileExit_Click();
    void imgConnected_Click();
    void imgNotConnected_Click();
    void Timer2_Timer();
    void ClearTempFolder();
    void Form_QueryUnload();
    // Returns false when the shut-down was cancelled (Abort in "Data cannot be sent").
    bool Form_Unload();
    // The windows that send something to the radio when they close (a keyed transmitter, the
    // password window's echo-off bracket) send it, before the shut-down's logout.
    void SayLastWordsOfRadioWindows();
    // While the old firmware is erased and the new one not yet confirmed, closing the program or
    // the link would leave the radio without firmware: the user is told (without a box, which would
    // hold the transfer up), and true is returned.
    bool refusedDuringFirmwareTransfer();
    // False when the shut-down must not ask (a signal asked for it): output that does not drain
    // within 10 s is then left behind.
    bool askOnShutdownDrain = true;
    // A quit signal: the shut-down of the window's close, without asking about output that stays.
    // During the firmware transfer it waits for the transfer's end.
    void quitOnSignal();
    // A quit signal came during the firmware transfer: the program ends once it is over.
    bool quitAfterFirmwareTransfer = false;
    // A word to the user while the firmware transfer runs: in the status bar and the progress window.
    void tellDuringFirmwareTransfer(const QString &note);
    void tbrToolBar_ButtonClick(const QString &key);
    void mnuPreferences_Click();
    void mnuProperties_Click();
    void LoadPresetButtons();
    void UpdateSaveToPresetButton();

    // ---- receive path, terminal, log ----
    void MSComm1_OnComm();
    void ShowReceivedText(TerminalPane *Term, QString &Data);
    void txtTerm_KeyPress(int &KeyAscii);
    // Pasted text goes to the radio as typed keys: each line end one CR, the radio's echo shows it.
    void txtTerm_Paste(const QString &text);
    // Typed text that is not one single-byte key (a key outside Latin-1, an input method's
    // composed text): with the port open it goes as a paste does, and true is returned; with the
    // port closed it is left to the pane like any typed key.
    bool txtTerm_TypedText(const QString &text);
    void mnuOpenLog_Click();
    void mnuCloseLog_Click();
    // answered: the waiting reader's last look at the port before the time-out counts.
    void StartPortTimeout(const std::function<bool()> &answered = {});
    void StopPortTimeout();
    void tmrPortTO_Timer();
    void DisableRadioActions();
    void EnableRadioActions();

    // ---- connect, disconnect ----
    void ConnectRadio();
    void mnuOpen_Click();
    void WakeRadio();
    void DisconnectRadio();
    void ButtonRefresh_Click();
    void StartConnectClock();
    void StopConnectClock();

    // ---- main timer and read-out (settings/ReadOut.cpp) ----
    void Timer1_Timer();
    void ReadRadioSettings();
    // One query of the read-out; true when the reply came (echo and prompt both there).
    // *wroteValue (when given) tells whether the reply held a value that went into the box.
    bool QueryExchange(const RadioSetting &row, bool *wroteValue = nullptr);
    void applyReadOutModeLayout();
    void runWriteAccessProbe();
    void readOutPause();
    bool m_readingSettings = false;   // a read-out is running (ticks nest while it waits)
    bool m_readOutInSetupMode = false; // the prompt the running read-out found at its start
    // The user was told that the port's device went away (link/DeviceLoss.h); the errors that loss
    // causes stay quiet until the port opens again.
    bool m_deviceLostReported = false;
    // [read-out: more declarations go here]

    // ---- setting edit handlers (settings/EditHandlers.cpp) ----
    // Wires each value box's click to the edit of its setting; buildUi runs it once the pages exist.
    void connectSettingEdits();
    // A click on a value box: edits that box's setting on the radio as its catalogue row says.
    void SettingBox_Click(const QString &boxName);
    // The input-box edit: ask, strip the reply label off the answer, send, wait, re-read.
    void ProgramExchange(const RadioSetting &row);
    // The answer from just behind the first occurrence of label (case ignored); unchanged without it.
    static QString LabelStrip(const QString &answer, const QString &label);
    void ToggleExchange(const RadioSetting &row);
    void DeviceTypeExchange(const RadioSetting &row);
    void AlarmInfo_Click();
    void ShowSync_Click();
    // Whether the Mode box lets this edit go ahead; a failing guard ends the click silently.
    bool EditGuardPasses(EditGuard guard) const;
    // Writes one setting command, waits up to 3 s for the radio's answer and asks for the re-read.
    void SendSettingCommand(const QString &command, const RadioSetting &row);
    // [edit handlers: declarations go here]

    // ---- configuration report writer (config/ReportWriter.cpp) ----
    // Asks the radio for every setting and writes the configuration file; an empty fileName asks
    // for one. ReportWritten tells whether the file was completed.
    void SaveConfigurationReport(const QString &fileName, bool printing);
    void cmdSaveToFile_Click();
    void cmdPrint_Click();
    // Connects SAVE TO FILE and PRINT (once, from buildUi).
    void connectReportButtons();
    // [report writer: declarations go here]

    // ---- login, radio password, encryption code (link/Login.cpp) ----
    // The menu item "Enter Radio Password..." and the toolbar button "Login".
    void mnuAccessCode_Click();
    void mnuEncryptCode_Click();
    void mnuSetPass_Click();
    // The toolbar button "Logout".
    void LogoutRadio();
    // There is no logged-in flag: the Enabled state of "Login" and "Logout" is the login state.
    void showLoggedIn(bool loggedIn);
    QPointer<QWidget> m_setPassWindow;   // the open password window (it closes itself)
    // [login: declarations go here]

    // ---- setting help texts, option dialogs, extension map (settings/) ----
    // Wires each setting label's click to its help (once, from buildUi).
    void connectHelpLabels();
    // A click on a setting's label: its help in a message box; a label without help does nothing.
    void SettingLabel_Click(const QString &labelName);
    // The value boxes that open an option dialog: shown modally, then the page is read again.
    void OptionDialog_Click(const QString &boxName);
    void DTYPE_Click();
    void DLINK_Click();
    void SoftRTU_Click();
    // Reads the radio's extension map into CurrentXmap and opens the editor on it.
    void XMAP_Click();
    // [help and option dialogs: declarations go here]

    // ---- setup (bench-test) mode (settings/SetupMode.cpp) ----
    // The menu entry "Enter Setup Mode...": asks the radio into bench-test mode and opens frmSetup.
    void mnuSetupMode_Click();
    // The bench-test window, made at its first use and kept (hidden while unloaded).
    QPointer<class frmSetup> m_frmSetup;
    // [setup mode: declarations go here]

    // ---- diagnostics windows (diagnostics/) ----
    // [diagnostics: declarations go here]

    // ---- configuration loader and line sender, presets (config/ConfigLoader.cpp, config/Presets.cpp) ----
    // Reads a configuration file into ConfigLines; with newRadio the path becomes NewRadio.txt's.
    bool LoadConfigurationFile(QString &fileName, bool newRadio);
    // Sends ConfigLines line by line; with unitPrompt a "UNIT" line may be changed first.
    void SendConfigurationLines(bool unitPrompt);
    // True when the last SendConfigurationLines stopped early (port time-out or a failed write):
    // what was to follow it is then not sent either.
    bool ConfigSendAborted = false;
    // The file ConfigLines was read from, and the lines of the run's files that the sender left
    // out because the radio cannot take them as one command.
    QString ConfigLinesFile;
    QList<ConfigFiles::LeftOutLine> ConfigLinesLeftOut;
    // The end of a run of the sender: one message names the lines it left out, if any.
    void tellConfigLinesLeftOut();
    // "PROGRAM RADIO FROM FILE": asks for a file, then sends NewRadio.txt and the file.
    void RestoreConfiguration();
    void cmdProgramFromFile_Click();
    void cmdReadRadio_Click();
    // Left button (1) programs the radio from the preset, right button (2) opens mnuPreset.
    void cmdPre_MouseUp(int index, int button);
    void cmdSaveToPreset_Click();
    void mnuPresetView_Click();
    void mnuPresetDelete_Click();
    void mnuPresetRename_Click();
    void mnuPresetEditDesc_Click();
    // Wires the file and preset buttons and the preset menu (once, from buildUi).
    void connectLoaderAndPresets();
    // Presets/Preset<slot>.txt beside the program, slot 1 to 6.
    static QString presetPath(int slot);
    // NewRadio.txt (when present) and then the file, on a quiet terminal showing word.
    void programFromConfigurationFile(const QString &fileName, const QString &word);
    // The last step of a Tasks-view operation (save, print, program, preset, quick setup):
    // ButtonRefresh_Click, its port errors shown.
    void refreshAfterTask();
    // [loader and presets: declarations go here]

    // ---- quick setup of a new radio (config/QuickSetup.cpp) ----
    // Wires the NEW RADIO buttons and the address box's focus loss (once, from buildUi).
    void connectQuickSetup();
    void cmdMaster_Click();
    void cmdRemote_Click();
    void cmdRepeater_Click();
    void cmdSubRemote_Click();
    void cmdRptHelp1_Click();
    void cmdRptHelp2_Click();
    void txtNewADDR_LostFocus();
    // Warns when the new radio's address is not a number from 1 to 65000; changes nothing.
    void ValidateNewAddr();
    enum class QuickSetupRole { Master, Remote, Repeater, SubRemote };
    // The four setups are one: baseline file, then mode, address, power, baud and the role's tail.
    void QuickSetup(QuickSetupRole role);
    // The repeater's XADDR as typed, or empty when the user keeps the default 0.
    QString AskRepeaterXaddr();
    QPushButton *cmdRptHelp1 = nullptr;
    QPushButton *cmdRptHelp2 = nullptr;
    // [quick setup: declarations go here]

    // ---- store and restore window (restore/) ----
    // The menu entry: probes write access, hands the port to the restore window and shows it.
    void mnuConfigRestore_Click();
    // [restore: declarations go here]

    // ---- firmware upgrade (firmware/FirmwareUpgrade.cpp) ----
    // The menu item "&Radio Firmware Upgrade..." and the toolbar button "TransmitTextFile".
    void mnuSendText_Click();
    // [firmware: declarations go here]

    // Panel texts. A status text stays about 2 s; one that is kept stays until the panel is
    // written again.
    void setStatusText(const QString &text);
    void keepStatusText(const QString &text);
    void setSettingsText(const QString &text);
    // The port time-out as the direct-read exchanges use it.
    Exchange::PortTimeout portTimeout();
    // A user action that writes to the radio holds the link while it runs. While another operation
    // holds it the action is refused with a beep and a word in the status bar: true then.
    bool refusedWhileBusy(const Exchange::LinkOwnership &action);
    // An action that sends nothing but asks the user in more than one window: refused as a whole
    // while another operation holds the link (true then), rather than window by window.
    bool refusedWhileBusy();
    // The refusal itself: the beep and the word in the status bar.
    void tellBusy();
    // The standard message for errors 8005 and 8018.
    static void showCommErrorBox();
    // Messages shown for a serial control error that ended a handler.
    static QString commErrorText();

    // Whether the window closes for real (tests keep it open across several shut-downs).
    bool quitOnUnload = true;
    // Sees every chunk the receive path appends to RxBuffer, before RxBuffer's bound trims it
    // (the firmware upgrade reads its verdict here).
    std::function<void(const QString &)> onRxAppended;

    static frmCorvista *instance();

protected:
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void buildUi();
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    QWidget *buildTasksView();
    // The Quick Config groups in a row, or with PRESET under ACTION for a narrow screen.
    void arrangeQuickGroups(bool stacked);
    // Fits the window to its screen and centres it there.
    void placeOnScreen();
    // PRESET goes under ACTION where the screen is too narrow for the three groups in a row.
    void arrangeForScreen();
    void setConnectedImages(bool connected);
    void showDisconnectedState();
    void writeLog(const QString &data);
    // Writes what is kept for the log; a failure asks Retry or Cancel (once the link is free).
    void flushLog();
    void logWriteAnswered(int answer);
    // Once a tick: the log's name still leads to the open file, or the user is asked.
    void checkLogStillThere();
    void logGoneAnswered(int answer);
    void keepSavesOffTheLog();
    // The answer to a line error's box: Cancel disconnects.
    void lineErrorAnswered(int answer);
    // Appends a received chunk to RxBuffer, bounded, and notes whether it holds "CLOSED".
    void appendToRxBuffer(const QString &data);

    QWidget *m_content = nullptr;   // everything between the toolbar and the status bar
    class QHBoxLayout *m_middle = nullptr;   // GENERAL beside the Tasks or the Advanced view
    class ContentFit *m_fit = nullptr;
    std::function<bool()> m_portAnswered;   // the armed time-out's last look (StartPortTimeout)
    std::unique_ptr<QFile> m_logFile;
    QByteArray m_logQueue;      // received text not yet in the log file (bounded)
    qint64 m_logDropped = 0;    // bytes past that bound, lost since the log was last written
    QByteArray m_logSinceCheck; // written since the log's name was last seen to lead to its file
    bool m_logWriting = false;  // flushLog is running (its Retry/Cancel box may be open)
    // A question about the log is open or waits for the link: the traffic is kept meanwhile.
    enum class LogTrouble { None, WriteFailed, Gone };
    LogTrouble m_logTrouble = LogTrouble::None;
    QTimer *m_logWatch = nullptr;
    // How much of RxBuffer the receive path has searched for "CLOSED", the text it searched (to
    // tell when a sender has reset it) and whether the word was found there.
    qsizetype m_rxSearchedTo = 0;
    quintptr m_rxSearchedData = 0;
    bool m_rxClosedFound = false;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_unloading = false;   // Form_Unload is running (its drain wait handles events)
};
