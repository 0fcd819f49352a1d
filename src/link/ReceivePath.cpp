// The main window's receive path, terminal keys, communications log, port time-out and the
// radio actions of the Tasks view.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/DeviceLoss.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/LinkGate.h"
#include "platform/RegularFile.h"
#include "platform/SafeFile.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

Q_LOGGING_CATEGORY(lcLink, "wavecrest.link", QtWarningMsg)

namespace {
// What went wrong with the log, naming it: the system's words alone do not say which file.
QString logFailure(const QString &path, const QString &what, const QString &why)
{
    return QStringLiteral("The log file could not be ") + what + QStringLiteral(":\r\n")
        + QDir::toNativeSeparators(path) + QStringLiteral("\r\n\r\n") + why;
}
} // namespace


void frmCorvista::MSComm1_OnComm()
{
    SharedState &s = shared();
    // A lost device is news for whoever reads the port directly too: it is never left aside.
    if (s.IgnoreCommEvents && MSComm1->commEvent() != CommEv::DeviceLost)
        return;
    try {
        const int event = MSComm1->commEvent();
        if (event == CommEv::Receive) {
            QString data = MSComm1->inputText();
            ShowReceivedText(txtTerm, data);
            return;
        }
        if (event == CommEv::Send)
            return;
        if (event == CommEv::DeviceLost) {
            // The adapter went away: the port is already closed. Show the disconnected state and
            // say so once.
            qCInfo(lcLink) << "serial device lost";
            StopPortTimeout();
            const bool directRead = s.IgnoreCommEvents;
            DisconnectRadio();
            s.IgnoreCommEvents = directRead;   // the direct reader still ends its own way
            s.ConnectAborted = true;
            DeviceLoss::report();
            return;
        }
        const QString evText = CommEv::eventText(event);
        if (!evText.isEmpty()) {
            if (s.ShowCommStatus)
                setStatusText(QStringLiteral("Status: ") + evText);
            Clock::startTimer(*Timer2, 2000);
            return;
        }
        const QString errText = CommEv::errorText(event);
        if (s.ShowCommStatus)
            setStatusText(QStringLiteral("Status: ") + errText);
        dialogs().beep();
        const int answer = MsgBox(errText, Msg::OKCancel, Msg::NoIcon, QStringLiteral("Click Cancel to quit, OK to ignore."));
        if (answer == Msg::Cancel) {
            DisconnectRadio();
            s.ConnectAborted = true;
            if (MSComm1->portOpen())
                MSComm1->setPortOpen(false);
        }
        Clock::startTimer(*Timer2, 2000);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::ShowReceivedText(TerminalPane *Term, QString &Data)
{
    SharedState &s = shared();
    if (s.DiscardRx) {
        s.RxBuffer = QStringLiteral(" ");
        Data = QStringLiteral(" ");
    }
    TermTextLen = Term->length();
    if (TermTextLen > TerminalPane::CutAbove) {
        Term->removeFront(TerminalPane::CutSize);
        TermTextLen = Term->length();
    }
    appendToRxBuffer(Data);
    if (m_rxClosedFound)
        DisableRadioActions();

    // A backspace at the start of the chunk replaces the terminal's last character; one further
    // in takes the character before it out of the chunk.
    bool replaceLast = false;
    if (Data.contains(QChar(8))) {
        QString kept;
        kept.reserve(Data.size());
        for (const QChar c : std::as_const(Data)) {
            if (c != QChar(8))
                kept += c;
            else if (!kept.isEmpty())
                kept.chop(1);
            else
                replaceLast = TermTextLen > 0;
        }
        Data = kept;
    }
    Data.remove(QChar(10));
    Data.replace(QChar(13), QStringLiteral("\r\n"));

    if (s.ShowRxText) {
        // A chunk longer than the cut would leave the terminal above its limit: the text cuts as
        // much more as the chunk needs, and of a chunk longer than the limit only its end shows.
        const qsizetype over = TermTextLen + Data.size() - TerminalPane::Limit;
        if (over >= TermTextLen) {
            Term->clear();
            Term->writeAtEnd(Data.right(TerminalPane::Limit));
        } else {
            if (over > 0)
                Term->removeFront(int(over));
            Term->writeAtEnd(Data, replaceLast);
        }
    }
    if (s.LogFileNum != 0)
        writeLog(Data);
}

void frmCorvista::appendToRxBuffer(const QString &data)
{
    SharedState &s = shared();
    // The text searched last time is searched no more: only the new text, with the word's length
    // before it for a word split between chunks. A sender's reset, or text another window added,
    // starts the search over.
    const bool searched = s.RxBuffer.size() == m_rxSearchedTo && quintptr(s.RxBuffer.constData()) == m_rxSearchedData;
    qsizetype from = searched ? qMax<qsizetype>(0, m_rxSearchedTo - Reply::Closed.size()) : 0;
    if (!searched)
        m_rxClosedFound = false;
    if (onRxAppended)
        onRxAppended(data);
    s.RxBuffer += data;
    if (s.RxBuffer.size() > SharedState::RxBufferLimit) {
        const qsizetype drop = s.RxBuffer.size() - SharedState::RxBufferLimit;
        s.RxBuffer.remove(0, drop);
        from = qMax<qsizetype>(0, from - drop);
    }
    // Once found, the word counts until the text is reset, even after it was dropped.
    if (!m_rxClosedFound)
        m_rxClosedFound = QStringView(s.RxBuffer).mid(from).contains(Reply::Closed, Qt::CaseInsensitive);
    m_rxSearchedTo = s.RxBuffer.size();
    m_rxSearchedData = quintptr(s.RxBuffer.constData());
}

void frmCorvista::writeLog(const QString &data)
{
    // Text that arrives while the Retry/Cancel box is open waits behind what is still unwritten,
    // so the file keeps the terminal's order and one failure asks once.
    m_logQueue += data.toLatin1();
    if (m_logWriting)
        return;
    m_logWriting = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_logWriting};
    for (;;) {
        if (!m_logFile) {
            m_logQueue.clear();
            return;
        }
        // A retry goes on where the failed write stopped, so nothing is logged twice.
        const qint64 n = m_logFile->write(m_logQueue);
        if (n > 0)
            m_logQueue.remove(0, n);
        if (m_logQueue.isEmpty() && m_logFile->flush())
            return;
        const int answer = MsgBox(logFailure(LogFileName, QStringLiteral("written"), m_logFile->errorString()),
                                  Msg::RetryCancel, Msg::Critical, Dialogs::applicationTitle());
        if (answer != Msg::Retry) {
            mnuCloseLog_Click();
            m_logQueue.clear();
            return;
        }
    }
}

void frmCorvista::txtTerm_KeyPress(int &KeyAscii)
{
    try {
        if (MSComm1->portOpen()) {
            // A key typed while an operation talks to the radio would land in its exchange.
            const Exchange::LinkOwnership key;
            if (refusedWhileBusy(key)) {
                KeyAscii = 0;
                return;
            }
            MSComm1->output(QByteArray(1, char(KeyAscii)));
            if (!shared().TermLocalEcho) {
                txtTerm->moveCursor(QTextCursor::End);
                KeyAscii = 0;
            }
        }
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::txtTerm_Paste(const QString &text)
{
    try {
        // With the port closed there is no radio to echo it: the pane shows nothing of a paste.
        if (!MSComm1->portOpen())
            return;
        const Exchange::LinkOwnership paste;
        if (refusedWhileBusy(paste))
            return;
        // CR LF, CR and LF alike end a line as the Enter key does.
        QString typed = text;
        typed.replace(QStringLiteral("\r\n"), QStringLiteral("\r")).replace(QLatin1Char('\n'), QLatin1Char('\r'));
        if (typed.isEmpty() || !AnswerSendable(QString(typed).remove(QLatin1Char('\r'))))
            return;
        MSComm1->output(typed.toLatin1());
        txtTerm->moveCursor(QTextCursor::End);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::mnuOpenLog_Click()
{
    if (refusedWhileBusy())
        return;
    SharedState &s = shared();
    const QString filter = QStringLiteral("Log Files (*.LOG)|*.log|Text Files (*.TXT)|*.txt|All Files (*.*)|*.*");
    int answer = Msg::No;
    for (;;) {
        // A log file may be new, so the dialog takes names that do not exist yet.
        const QString path = dialogs().saveFile(QStringLiteral("Open a Communications Log File"), filter, QString());
        if (path.isEmpty())
            return;
        LogFileName = path;
        // A folder, a device or a pipe is no log: asking whether to replace it would be no help,
        // and opening a pipe to append would wait for a reader for ever.
        if (const QString why = RegularFile::notAFile(path); !why.isEmpty()) {
            MsgBox(logFailure(path, QStringLiteral("opened"), why), Msg::OKOnly, Msg::Exclamation,
                   Dialogs::applicationTitle());
            return;
        }
        if (!QFileInfo::exists(path)) {
            answer = Msg::No;
            break;
        }
        answer = MsgBox(QStringLiteral("Replace existing file - ") + path + QStringLiteral("?\r\r")
                            + QStringLiteral("Click 'NO' to append to the file."),
                        Msg::YesNoCancel, Msg::Question, Dialogs::applicationTitle());
        if (answer != Msg::Cancel)
            break;
    }
    if (answer == Msg::Yes) {
        QFile old(LogFileName);
        if (old.exists() && !old.remove()) {
            MsgBox(logFailure(LogFileName, QStringLiteral("replaced"), old.errorString()), Msg::OKOnly,
                   Msg::Exclamation, Dialogs::applicationTitle());
            return;
        }
    }
    auto file = std::make_unique<QFile>(LogFileName);
    QString error;
    if (!RegularFile::openForAppend(*file, &error)) {
        MsgBox(logFailure(LogFileName, QStringLiteral("opened"), error), Msg::OKOnly, Msg::Exclamation,
               Dialogs::applicationTitle());
        s.LogFileNum = 0;
        return;
    }
    m_logFile = std::move(file);
    // A save onto the log would replace the file under it, and the traffic would go on into the
    // old file, which no name reaches any more.
    SafeFile::keepOff(m_logFile.get(), QStringLiteral("It is the communications log, open and being written. "
                                                      "Close the log first, or save under another name."));
    s.LogFileNum = 1;
    setWindowTitle(QStringLiteral("Wavecrest Terminal - ") + QFileInfo(LogFileName).fileName());
    mnuOpenLog->setEnabled(false);
    toolButtons["OpenLogFile"]->setEnabled(false);
    mnuCloseLog->setEnabled(true);
    toolButtons["CloseLogFile"]->setEnabled(true);
}

void frmCorvista::mnuCloseLog_Click()
{
    if (m_logFile) {
        SafeFile::release(m_logFile.get());
        m_logFile->close();
    }
    m_logFile.reset();
    shared().LogFileNum = 0;
    mnuOpenLog->setEnabled(true);
    toolButtons["OpenLogFile"]->setEnabled(true);
    mnuCloseLog->setEnabled(false);
    toolButtons["CloseLogFile"]->setEnabled(false);
}

void frmCorvista::StartPortTimeout(const std::function<bool()> &answered)
{
    m_portAnswered = answered;
    Clock::startTimer(*tmrPortTO, 2000);
}

void frmCorvista::StopPortTimeout()
{
    tmrPortTO->stop();
    m_portAnswered = nullptr;
}

void frmCorvista::tmrPortTO_Timer()
{
    tmrPortTO->stop();
    // A program that was not running when the time ran out may find the answer waiting unread:
    // the reader looks at the port once more, and an answer that is there is no time-out.
    if (const std::function<bool()> answered = std::exchange(m_portAnswered, nullptr)) {
        try {
            if (answered())
                return;
        } catch (const CommError &e) {
            qCInfo(lcLink) << "no last look at the port:" << e.text();
        }
    }
    shared().PortTimedOut = true;
    // A wait on a device that went away ends; the loss has been reported. So does the wait of an
    // operation that the user's Disconnect or Exit ended.
    if (DeviceLoss::reported() || LinkGate::operationEnded()) {
        DisableRadioActions();
        return;
    }
    MsgBox(QStringLiteral("Radio Communication Error.\r\n\r\nPlease Reconnect.\r\n\r\n"
                          "If there is still a problem, please check all cabling and the power supply."),
           Msg::OKOnly, Msg::NoIcon, QStringLiteral("Radio Communications Error"));
    DisableRadioActions();
}

void frmCorvista::DisableRadioActions()
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmdSaveToFile, cmdSaveToPreset, cmdProgramFromFile})
        w->setEnabled(false);
    for (QPushButton *b : cmdPre)
        b->setEnabled(false);
    for (QWidget *w : std::initializer_list<QWidget *>{cmdMaster, cmdRemote, cmdRepeater, cmdSubRemote, cmbBaud,
                                                       txtNewADDR, sldPwr, cmdPrint})
        w->setEnabled(false);
}

void frmCorvista::EnableRadioActions()
{
    for (QWidget *w : std::initializer_list<QWidget *>{cmdSaveToFile, cmdSaveToPreset, cmdProgramFromFile, cmbBaud,
                                                       txtNewADDR, sldPwr, cmdMaster, cmdRemote, cmdRepeater,
                                                       cmdSubRemote, cmdPrint})
        w->setEnabled(true);
    for (QPushButton *b : cmdPre)
        if (b->property("Tag").toString().compare(QLatin1String("EMPTY"), Qt::CaseInsensitive) != 0)
            b->setEnabled(true);
    UpdateSaveToPresetButton();
}
