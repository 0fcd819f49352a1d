// The state the windows share: the module variables and the main window's shared fields.
// It lives for the whole run and is touched only on the user-interface thread.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>

struct SharedState
{
    // ---- module variables ----
    QString RxBuffer;                 // what the radio sent since the last reset
    // RxBuffer keeps only the newest text past this many characters, far above any reply an
    // exchange reads, so a radio that streams while no exchange resets it costs no more memory.
    static constexpr qsizetype RxBufferLimit = 1024 * 1024;
    bool RefreshRequested = false;    // a full re-read of the settings is wanted
    bool InSetupMode = false;         // replies end with "SETUP>"
    QString FirmwareRevNumber;        // "320" for revision 3.2.0
    QString CurrentFirmwareVersion;   // "3.2.0"
    QString CurrentXmap;              // 8 hexadecimal digits
    QString LoginMode;                // "pass" or "code"
    bool TermLocalEcho = false;
    bool EchoOff = false;             // "deco" was the last of the echo commands sent
    bool DownloadCancelled = false;
    bool RestoreCommFailed = false;
    bool AboutMode = false;
    bool PropertiesOK = false;
    bool PassEnabledPref = false;
    bool ConnectOnLaunchPref = false;
    bool KeepAlivePref = false;
    bool LogoutOnQuitPref = false;
    QString IniFilePath;

    // ---- fields of the main window that several windows use ----
    bool IgnoreCommEvents = false;    // the receive event leaves input for a direct reader
    bool PortTimedOut = false;
    bool ShowCommStatus = true;
    QDateTime ConnectStart;
    double KeepAliveDue = 0;          // seconds on the clock of waits
    qint16 KeepAliveCount = 0;
    bool KeepAliveOverdue = false;    // a keep-alive fell due while another operation held the link
    // From the radio's erase until the new firmware is confirmed: a radio left now has none.
    bool FirmwareTransferRunning = false;
    bool AccessCheckPending = false;
    bool ConnectOnLaunchPending = false;
    bool ConnectAborted = false;
    bool DisconnectRequested = false;
    bool ShowRxText = true;
    bool DiscardRx = false;
    qint16 LogFileNum = 0;

    // Layout state of the main window.
    bool TerminalVisible = true;
    bool LayoutReady = false;
    int InfoFrameTop0 = 0;
    int NetSetOffset = 0;
    int FormHeight0 = 0;
    qint16 SelectedTabIndex = 1;
    bool AdvancedView = false;

    // State of the configuration-file procedures of the main window.
    bool ReportWritten = false;
    QStringList ConfigLines;          // at most 101 lines (0 to 100)
    int PresetMenuIndex = 0;
};

// The one instance.
SharedState &shared();
// Back to the start values (tests).
void resetShared();
