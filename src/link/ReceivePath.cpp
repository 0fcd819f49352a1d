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
#include "platform/FileIdentity.h"
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

// The log's questions (a write that failed, a file that went) are one at a time, under one key.
const QString LogQuestion = QStringLiteral("log");
// While the log cannot be written the traffic is kept for it, up to this much; what comes after
// that is lost, and the question says how much.
constexpr qsizetype LogKeptLimit = 8 << 20;
// How often the log's name is checked to lead to the open file (nominal ms).
constexpr int LogCheckMs = 1000;

QString lineErrorTitle()
{
    return QStringLiteral("Click Cancel to quit, OK to ignore.");
}

// Appends what fits under the bound; returns how many bytes did not.
qint64 keepBounded(QByteArray &kept, const QByteArray &bytes)
{
    const qsizetype room = qMax<qsizetype>(0, LogKeptLimit - kept.size());
    kept += bytes.left(room);
    return bytes.size() - qMin(room, bytes.size());
}
} // namespace


void frmCorvista::MSComm1_OnComm()
{
    SharedState &s = shared();
    // A lost device is news for whoever reads the port directly too, and so is a line error: what
    // that reader takes in may be damaged. Neither is left aside.
    const int event = MSComm1->commEvent();
    const bool lineError = event != CommEv::Send && event != CommEv::Receive && event != CommEv::DeviceLost
                           && CommEv::eventText(event).isEmpty();
    if (s.IgnoreCommEvents && event != CommEv::DeviceLost && !lineError)
        return;
    try {
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
        // Cancel would disconnect under an operation that holds the link (a firmware transfer
        // left with an erased radio): the operation goes on as after OK, and the box comes once
        // it has ended, one for each kind of error met meanwhile.
        const std::optional<int> answer = dialogs().askOrHold(
            QStringLiteral("line error ") + errText, [errText] { return errText; }, Msg::OKCancel, Msg::NoIcon,
            lineErrorTitle(), [this](int later) { lineErrorAnswered(later); });
        if (answer)
            lineErrorAnswered(*answer);
        Clock::startTimer(*Timer2, 2000);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

void frmCorvista::lineErrorAnswered(int answer)
{
    if (answer != Msg::Cancel || m_unloaded)
        return;
    try {
        DisconnectRadio();
        shared().ConnectAborted = true;
        if (MSComm1->portOpen())
            MSComm1->setPortOpen(false);
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
    m_logDropped += keepBounded(m_logQueue, data.toLatin1());
    // Text that arrives while a question about the log is open, or waits for an operation to
    // end, waits behind what is still unwritten: the file keeps the terminal's order and one
    // failure asks once.
    if (m_logWriting || m_logTrouble != LogTrouble::None)
        return;
    flushLog();
}

void frmCorvista::flushLog()
{
    m_logWriting = true;
    struct Done
    {
        bool &flag;
        ~Done() { flag = false; }
    } done{m_logWriting};
    for (;;) {
        if (!m_logFile) {
            m_logQueue.clear();
            m_logDropped = 0;
            return;
        }
        // A retry goes on where the failed write stopped, so nothing is logged twice.
        const qint64 n = m_logFile->write(m_logQueue);
        if (n > 0) {
            keepBounded(m_logSinceCheck, m_logQueue.left(n));
            m_logQueue.remove(0, n);
            // A short write says nothing yet: the next one goes on, or tells why it cannot.
            if (!m_logQueue.isEmpty())
                continue;
        }
        // A flush that wrote part of the file's buffer fails without the system's reason; the
        // next one writes the rest or gives it.
        if (m_logQueue.isEmpty() && (m_logFile->flush() || m_logFile->flush())) {
            m_logDropped = 0;
            return;
        }
        const QString why = m_logFile->errorString();
        m_logTrouble = LogTrouble::WriteFailed;
        const std::optional<int> answer = dialogs().askOrHold(
            LogQuestion,
            [this, why] {
                QString text = logFailure(LogFileName, QStringLiteral("written"), why);
                if (m_logDropped > 0)
                    text += QStringLiteral("\r\n\r\n%1 bytes received since then could not be kept for it.")
                                .arg(m_logDropped);
                return text;
            },
            Msg::RetryCancel, Msg::Critical, Dialogs::applicationTitle(),
            [this](int later) { logWriteAnswered(later); });
        // Asked once the operation has ended: the traffic is kept for it meanwhile.
        if (!answer)
            return;
        m_logTrouble = LogTrouble::None;
        if (*answer != Msg::Retry) {
            m_logQueue.clear();
            mnuCloseLog_Click();
            return;
        }
    }
}

void frmCorvista::logWriteAnswered(int answer)
{
    m_logTrouble = LogTrouble::None;
    if (!m_logFile)
        return;
    if (answer == Msg::Retry) {
        flushLog();
        return;
    }
    m_logQueue.clear();
    mnuCloseLog_Click();
}

void frmCorvista::checkLogStillThere()
{
    if (!m_logFile || m_logWriting || m_logTrouble != LogTrouble::None)
        return;
    if (FileIdentity::nameLeadsTo(*m_logFile, LogFileName)) {
        m_logSinceCheck.clear();
        return;
    }
    qCInfo(lcLink) << "the log file is no longer at its name:" << LogFileName;
    // What went into the file since its name last led to it is in a file nobody can reach (or
    // under another name): it goes to the file made again, ahead of what comes meanwhile.
    QByteArray kept = std::exchange(m_logSinceCheck, QByteArray());
    m_logDropped += keepBounded(kept, m_logQueue);
    m_logQueue = kept;
    m_logTrouble = LogTrouble::Gone;
    const std::optional<int> answer = dialogs().askOrHold(
        LogQuestion,
        [this] {
            return QStringLiteral("The log file is no longer there: it was deleted or moved while it was open.\r\n")
                + QDir::toNativeSeparators(LogFileName)
                + QStringLiteral("\r\n\r\nCreate it again and go on writing the log?");
        },
        Msg::YesNo, Msg::Exclamation, Dialogs::applicationTitle(), [this](int later) { logGoneAnswered(later); });
    if (answer)
        logGoneAnswered(*answer);
}

void frmCorvista::logGoneAnswered(int answer)
{
    m_logTrouble = LogTrouble::None;
    if (!m_logFile)
        return;
    if (answer != Msg::Yes) {
        m_logQueue.clear();
        mnuCloseLog_Click();
        return;
    }
    auto file = std::make_unique<QFile>(LogFileName);
    QString error;
    if (!RegularFile::openForAppend(*file, &error)) {
        m_logQueue.clear();
        mnuCloseLog_Click();
        MsgBox(logFailure(LogFileName, QStringLiteral("opened"), error), Msg::OKOnly, Msg::Exclamation,
               Dialogs::applicationTitle());
        return;
    }
    SafeFile::release(m_logFile.get());
    m_logFile->close();
    m_logFile = std::move(file);
    keepSavesOffTheLog();
    flushLog();
}

void frmCorvista::keepSavesOffTheLog()
{
    // A save onto the log would replace the file under it, and the traffic would go on into the
    // old file, which no name reaches any more.
    SafeFile::keepOff(m_logFile.get(), QStringLiteral("It is the communications log, open and being written. "
                                                      "Close the log first, or save under another name."));
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
            Exchange::typedKeys(*MSComm1, QString(QChar(KeyAscii)));
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
        Exchange::typedKeys(*MSComm1, typed);
        txtTerm->moveCursor(QTextCursor::End);
    } catch (const CommError &e) {
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}

bool frmCorvista::txtTerm_TypedText(const QString &text)
{
    // The radio takes single bytes: text that is not one comes whole, as a paste does, so that a
    // character it cannot take is refused with the paste's message and shown nowhere.
    if (!MSComm1->portOpen())
        return false;
    txtTerm_Paste(text);
    return true;
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
    keepSavesOffTheLog();
    m_logSinceCheck.clear();
    if (!m_logWatch) {
        m_logWatch = new QTimer(this);
        connect(m_logWatch, &QTimer::timeout, this, &frmCorvista::checkLogStillThere);
    }
    Clock::startTimer(*m_logWatch, LogCheckMs);
    s.LogFileNum = 1;
    setWindowTitle(QStringLiteral("Wavecrest Terminal - ") + QFileInfo(LogFileName).fileName());
    mnuOpenLog->setEnabled(false);
    toolButtons["OpenLogFile"]->setEnabled(false);
    mnuCloseLog->setEnabled(true);
    toolButtons["CloseLogFile"]->setEnabled(true);
}

void frmCorvista::mnuCloseLog_Click()
{
    // A question about the log that still waits has nothing left to ask about.
    Dialogs::withdraw(LogQuestion);
    if (m_logWatch)
        m_logWatch->stop();
    if (m_logFile) {
        // What was kept for a file that could not be written goes in now if it can: nobody is
        // asked any more. It does not go after a file that was deleted under the log.
        if (!m_logQueue.isEmpty() && m_logTrouble != LogTrouble::Gone)
            m_logFile->write(m_logQueue);
        SafeFile::release(m_logFile.get());
        m_logFile->close();
    }
    m_logFile.reset();
    m_logQueue.clear();
    m_logSinceCheck.clear();
    m_logDropped = 0;
    m_logTrouble = LogTrouble::None;
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
