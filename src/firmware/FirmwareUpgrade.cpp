// The firmware upgrade: checks a firmware file against the radio, puts the radio into its loader
// (which erases the old firmware), sends the file at 115200 baud and brings the link back at 19200.
#include "app/frmCorvista.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "firmware/SRecord.h"
#include "link/Exchange.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/RegularFile.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLoggingCategory>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <optional>

Q_LOGGING_CATEGORY(lcFirmware, "wavecrest.firmware", QtWarningMsg)

namespace {

const QString LoaderSettings = QStringLiteral("115200,N,8,1");
const QString LinkSettings = QStringLiteral("19200,N,8,1");
// Ends the last block. A CR also closes an end record that the file leaves without a line end.
constexpr char Filler = '\r';
// The loader answers once the last record has reached it. It is given this long after the output
// has left the port.
constexpr double VerdictGraceSeconds = 1.5;
// The loader may answer before it has finished writing the image, and loses a byte that comes
// meanwhile: "EXIT" waits this long after the output has drained, however early the answer came.
constexpr double LoaderFinishSeconds = 1.5;
constexpr qint64 OutputDrainLimitMs = 10000;
// More than the radio's loader can hold: a larger file is not firmware for this radio.
constexpr qint64 MaxFirmwareBytes = 16 << 20;

struct FirmwareFile
{
    QString path;
    QByteArray bytes;
    QString version;   // decoded from the header record
};

void setUpgradeEnabled(frmCorvista &w, bool enabled)
{
    w.mnuSendText->setEnabled(enabled);
    w.toolButtons["TransmitTextFile"]->setEnabled(enabled);
}

bool answeredYes(const QString &text, int icon, const QString &title)
{
    return MsgBox(text, Msg::YesNo, icon, title) == Msg::Yes;
}

bool continueWithDoubtfulFile()
{
    return answeredYes(QStringLiteral("Error: This Does not appear to be a valid firmware file. Continue working with it?"),
                       Msg::Critical, QStringLiteral("Error"));
}

// The questions about the new version against the running one; false when the user said No.
bool versionQuestionsAnswered(const QString &current, const QString &incoming)
{
    for (const SRecord::LetterQuestion &q : SRecord::letterQuestions(current, incoming)) {
        const QString text = q.inCurrent
            ? QStringLiteral("WARNING!! The current version contains an alpha: '%1'. Are you sure you wish to override this?")
            : QStringLiteral("WARNING!! The firmware you are about to load contains an alpha: '%1'. Are you sure you wish to install this?");
        if (!answeredYes(text.arg(q.letter), Msg::Critical, QStringLiteral("WARNING")))
            return false;
    }
    const QString lead = QStringLiteral("WARNING!! The firmware you are about to load into the radio, version ") + incoming
        + QLatin1Char('\r');
    if (SRecord::isOlder(current, incoming)) {
        return answeredYes(lead + QStringLiteral("is older than the version currently installed, version ") + current
                               + QStringLiteral(".\r\r\t      Are you sure you wish to continue?"),
                           Msg::Exclamation, QStringLiteral("Warning!"));
    }
    if (SRecord::isSame(current, incoming)) {
        return answeredYes(lead + QStringLiteral("appears to be the same version as the one currently installed, also version ")
                               + current + QStringLiteral(".\r\r\t           Are you sure you wish to continue?"),
                           Msg::Exclamation, QStringLiteral("Warning!"));
    }
    return true;
}

// The file dialog and every check of the file; nothing when the run ends here (Cancel or No).
std::optional<FirmwareFile> chooseFirmwareFile()
{
    for (;;) {
        const QString path = dialogs().openFile(QStringLiteral("Firmware Upgrade File Selection"),
                                                QStringLiteral("S28 Files (*.S28)|*.s28|All Files (*.*)|*.*"), QString());
        if (path.isEmpty())
            return std::nullopt;
        if (!FileExists(path)) {
            MsgBox(path + QStringLiteral(" not found!"), Msg::OKOnly, Msg::Exclamation);
            continue;
        }
        // A file that cannot be read, or is too short for its header, is a failure of the
        // header read: the dialog comes back. One that is no file, or more than the loader can
        // hold, is named and refused before the radio is asked for anything.
        QString error;
        const std::optional<QByteArray> bytes = RegularFile::readSingleByte(path, MaxFirmwareBytes, &error);
        if (!bytes) {
            RegularFile::showReadFailure(path, error);
            continue;
        }
        FirmwareFile file{path, *bytes, {}};
        if (file.bytes.size() < 60)
            continue;
        const QByteArrayView head = QByteArrayView(file.bytes).first(60);
        if (!SRecord::hasHeaderType(head) && !continueWithDoubtfulFile())
            return std::nullopt;
        if (!SRecord::hasPartNumber(head) && !continueWithDoubtfulFile())
            return std::nullopt;
        const std::optional<QString> version = SRecord::versionOf(head);
        if (!version)
            continue;
        file.version = *version;
        if (!versionQuestionsAnswered(shared().CurrentFirmwareVersion, file.version))
            return std::nullopt;
        // The loader erases the radio's firmware before it takes the file, so a damaged file
        // would leave the radio with none: every record is checked before anything is sent.
        if (const auto fault = SRecord::findFault(file.bytes)) {
            MsgBox(QStringLiteral("Error: This firmware file is damaged. Line %1 is not a valid S-record: %2.\r\r"
                                  "Nothing has been sent to the radio.")
                       .arg(fault->line)
                       .arg(fault->reason),
                   Msg::OKOnly, Msg::Critical, QStringLiteral("Error"));
            return std::nullopt;
        }
        return file;
    }
}

// The loader's form of the wake-up: the port is already open, the terminal keeps showing what
// arrives and gets one ">" per attempt. False after 30 attempts, with the radio disconnected.
bool wakeLoader(frmCorvista &w)
{
    SharedState &s = shared();
    CommControl &port = *w.MSComm1;
    s.RxBuffer.clear();
    for (int attempt = 0; attempt < 30; ++attempt) {
        // The loader's answer to the previous attempt reaches RxBuffer here.
        Clock::doEvents();
        Exchange::sendRaw(port, QByteArray("\x1b\r\n"));
        Clock::sleepMs(qint64(Clock::random() * 701.0 + 400.0));
        for (int j = 0; j <= 3; ++j) {
            Exchange::sendRaw(port, QByteArray("\r\r"));
            Clock::sleepMs(100);
        }
        // The answer to the last attempt is looked at before the loader is given up.
        if (attempt == 29)
            Clock::doEvents();
        w.txtTerm->writeAtEnd(QStringLiteral(">"));
        if (s.RxBuffer.endsWith(QLatin1Char('>'))) {
            Clock::sleepMs(1000);
            return true;
        }
    }
    w.DisconnectRadio();
    w.txtTerm->setText(QStringLiteral("Error. Please reconnect."));
    return false;
}

// The radio's application erases itself and starts its loader; the progress window gives it
// about 8 s before the loader is woken.
void showEraseProgress()
{
    frmProgram &progress = frmProgram::instance();
    progress.ProgressBar1->setValue(0);
    progress.setWindowTitle(QStringLiteral("Erasing..."));
    progress.showModeless();
    Clock::sleepMs(1000);
    for (int step = 0; step <= 9; ++step) {
        progress.Label1->setText(QStringLiteral("Erasing current firmware..."));
        progress.ProgressBar1->setValue(10 * step);
        Clock::doEvents();
        Clock::sleepMs(500);
    }
    shared().DownloadCancelled = true;
    progress.unload();
}

enum class LoaderEntry { Ready, Ended, Disconnected, NoLoader };

LoaderEntry enterLoader(frmCorvista &w, const FirmwareFile &file)
{
    SharedState &s = shared();
    CommControl &port = *w.MSComm1;
    // A radio found without application firmware at connect already runs its loader.
    if (!Exchange::endsWith(s.RxBuffer, Prompt::Loader, CompareMode::IgnoreCase)) {
        Exchange::sendAndWait(port, QStringLiteral("PROGRAM"), {Prompt::AreYouSure, Prompt::Ready}, 3,
                              CompareMode::IgnoreCase);
        if (Exchange::contains(s.RxBuffer, Prompt::AreYouSure, CompareMode::IgnoreCase)) {
            const QString question = QStringLiteral("Ready to erase the current firmware, version ")
                + s.CurrentFirmwareVersion + QStringLiteral(", and install version ") + file.version
                + QStringLiteral(".\r\r\t\tAre you sure you wish to continue?");
            if (!answeredYes(question, Msg::NoIcon, QStringLiteral("Erase Current Firmware?"))) {
                Exchange::commandLine(port, QStringLiteral("NO"));
                setUpgradeEnabled(w, true);
                s.DownloadCancelled = true;
                return LoaderEntry::Ended;
            }
            Exchange::commandLine(port, QStringLiteral("YES"));
            Delay(2000);
            showEraseProgress();
            if (!wakeLoader(w))
                return LoaderEntry::Disconnected;
            // The radio's firmware is gone and what answered is not its loader: the user must
            // hear of it, and the link comes back as after a failed transfer.
            if (!Exchange::endsWith(s.RxBuffer, Prompt::Loader, CompareMode::IgnoreCase)) {
                qCInfo(lcFirmware) << "the woken radio is not in its loader:" << s.RxBuffer.right(40);
                return LoaderEntry::NoLoader;
            }
        }
    }
    if (!Exchange::endsWith(s.RxBuffer, Prompt::Loader, CompareMode::IgnoreCase)) {
        qCInfo(lcFirmware) << "the radio is not in its loader; nothing sent";
        setUpgradeEnabled(w, true);
        return LoaderEntry::Ended;
    }
    return LoaderEntry::Ready;
}

struct Transfer
{
    bool programmed = false;   // the loader answered "PROGRAMMED OK" to the file
    double drainedAt = 0;      // nominal seconds: the file has left the port by then
};

// The loader's answer to the last block, looked for in what arrives from then on as it arrives:
// RxBuffer keeps only its newest megabyte, and a talkative loader fills that.
class VerdictWatch
{
public:
    explicit VerdictWatch(frmCorvista &w) : m_w(w) {}
    ~VerdictWatch() { m_w.onRxAppended = nullptr; }
    VerdictWatch(const VerdictWatch &) = delete;
    VerdictWatch &operator=(const VerdictWatch &) = delete;

    void start()
    {
        m_w.onRxAppended = [this](const QString &data) {
            if (m_found)
                return;
            m_tail += data;
            m_found = m_tail.contains(Reply::ProgrammedOk, Qt::CaseInsensitive);
            m_tail = m_tail.right(Reply::ProgrammedOk.size() - 1);
        };
    }
    bool found() const { return m_found; }

private:
    frmCorvista &m_w;
    QString m_tail;
    bool m_found = false;
};

// Sends the file at 115200 baud.
Transfer transferFirmware(frmCorvista &w, const FirmwareFile &file)
{
    SharedState &s = shared();
    CommControl &port = *w.MSComm1;
    port.setSettings(LoaderSettings);
    w.setSettingsText(QStringLiteral("Settings are FORCED to ") + port.settings() + QStringLiteral(" for programming."));
    Exchange::commandLine(port, QString());
    for (int i = 0; i < 20; ++i) {
        Exchange::sendRaw(port, QByteArray("\r\r"));
        Clock::sleepMs(20);
    }
    // From here until the verdict the radio holds no firmware it can run.
    s.FirmwareTransferRunning = true;
    Exchange::commandLine(port, QStringLiteral("ERASE"));
    w.txtTerm->clear();
    s.RxBuffer = QStringLiteral(" ");

    s.DownloadCancelled = false;
    frmProgram &progress = frmProgram::instance();
    progress.setWindowTitle(QStringLiteral("Downloading Firmware to the radio..."));
    progress.Label1->setText(QStringLiteral("Transmitting S28 File - ") + QFileInfo(file.path).fileName());
    progress.ProgressBar1->setValue(0);
    progress.showModeless();

    const qsizetype blockSize = qMax(1, port.outBufferSize());
    const qsizetype length = file.bytes.size();
    Clock::sleepMs(2000);
    Exchange::commandLine(port, QStringLiteral("PROGRAM"));
    w.statusBar()->setEnabled(false);
    s.ShowCommStatus = false;

    // An answer that came before the last block went out belongs to something else.
    VerdictWatch verdict(w);
    qsizetype sent = 0;
    int k = 0;
    bool exhausted = false;
    const auto cancelled = [&] { return s.DownloadCancelled; };
    while (!exhausted && !s.DownloadCancelled) {
        QByteArray block;
        if (length - sent <= blockSize) {
            block = file.bytes.mid(sent) + Filler;
            exhausted = true;
            verdict.start();
        } else {
            progress.ProgressBar1->setValue(int(double(k) * double(blockSize) / double(length) * 100.0));
            ++k;
            block = file.bytes.mid(sent, blockSize);
        }
        sent += block.size();
        port.output(block);
        // No deadline: a line without handshaking always drains, and Cancel ends the wait too.
        port.waitUntilSent(std::numeric_limits<qint64>::max() / 2, cancelled);
    }
    // The grace for the loader's answer counts from here: the last byte has left the port (a
    // loader that held the line meanwhile is given its time).
    const double drainedAt = Clock::nowSeconds();
    qCDebug(lcFirmware) << "transfer ended:" << sent << "of" << length << "bytes, cancelled:" << !exhausted;

    s.DownloadCancelled = true;
    progress.unload();
    Clock::waitFor([&] { return verdict.found(); },
                   qint64(std::max(0.0, drainedAt + VerdictGraceSeconds - Clock::nowSeconds()) * 1000.0));
    return {verdict.found(), drainedAt};
}

// Holds "EXIT" back until the loader has had its time after the last byte left the port.
void waitForLoaderToFinish(CommControl &port, double drainedAt)
{
    if (port.outBufferCount() != 0) {
        if (!port.waitUntilSent(OutputDrainLimitMs))
            qCInfo(lcFirmware) << "output still queued:" << port.outBufferCount() << "bytes";
        drainedAt = std::max(drainedAt, Clock::nowSeconds());
    }
    const double readyAt = drainedAt + LoaderFinishSeconds;
    Clock::pumpFor(qint64(std::max(0.0, readyAt - Clock::nowSeconds()) * 1000.0));
}

// The verdict; with the program about to end on a quit signal, nobody may be there to answer a
// box, so it is shown without waiting.
void showVerdict(const frmCorvista &w, const QString &text, const QString &title)
{
    if (w.quitAfterFirmwareTransfer)
        dialogs().notice(text, Msg::Exclamation, title);
    else
        MsgBox(text, Msg::OKOnly, Msg::Exclamation, title);
}

void reportAndReconnect(frmCorvista &w, const Transfer &transfer)
{
    SharedState &s = shared();
    CommControl &port = *w.MSComm1;
    if (transfer.programmed) {
        frmProgram::instance().ProgressBar1->setValue(100);
        Clock::doEvents();
        waitForLoaderToFinish(port, transfer.drainedAt);
        Exchange::commandLine(port, QStringLiteral("EXIT"));
        s.FirmwareTransferRunning = false;
        showVerdict(w, QStringLiteral("Radio programming was successful."), QStringLiteral("Programmed OK"));
    } else {
        s.FirmwareTransferRunning = false;
        showVerdict(w, QStringLiteral("Radio programming FAILED."), QStringLiteral("Radio Error"));
    }
    setUpgradeEnabled(w, true);
    s.DownloadCancelled = true;
    frmProgram::instance().unload();
    // "EXIT" reaches the loader at 115200: the speed changes once the output has left.
    port.setSettings(LinkSettings);
    w.setSettingsText(QStringLiteral("Settings: ") + port.settings());
    // The shut-down follows at once: it logs out on the link as it stands.
    if (w.quitAfterFirmwareTransfer)
        return;
    w.DisconnectRadio();
    s.ShowCommStatus = true;
    Clock::sleepMs(500);
    // The disconnect leaves ConnectAborted set, which makes the connect sequence skip its
    // wake-up, and the radio actions disabled: only the full connect brings the link back.
    w.ConnectRadio();
}

} // namespace

void frmCorvista::mnuSendText_Click()
{
    // From the file's choice to the new connect: a keep-alive CR inside an S-record makes the
    // loader abandon the file, with the old firmware already erased.
    const Exchange::LinkOwnership upgradeOwnsLink;
    if (refusedWhileBusy(upgradeOwnsLink))
        return;
    setUpgradeEnabled(*this, false);
    struct TransferEnds
    {
        frmCorvista &w;
        ~TransferEnds()
        {
            shared().FirmwareTransferRunning = false;
            // A quit signal that came during the transfer ends the program once this handler is
            // done, as File > Exit would.
            if (std::exchange(w.quitAfterFirmwareTransfer, false))
                QTimer::singleShot(0, &w, &frmCorvista::quitOnSignal);
        }
    } transferEnds{*this};
    const std::optional<FirmwareFile> file = chooseFirmwareFile();
    if (!file) {
        setUpgradeEnabled(*this, true);
        return;
    }
    try {
        const LoaderEntry entry = enterLoader(*this, *file);
        if (entry == LoaderEntry::NoLoader)
            reportAndReconnect(*this, Transfer{});
        if (entry != LoaderEntry::Ready)
            return;
        reportAndReconnect(*this, transferFirmware(*this, *file));
    } catch (const CommError &e) {
        // The run ends where it is: the controls stay disabled. The progress window would
        // otherwise stand over the error with nothing behind it.
        qCInfo(lcFirmware) << "upgrade ended by serial error" << e.number() << e.text();
        // Whatever ended the run, the port is given the radio's speed back: at 115200 every later
        // connect fails, just when the user must reconnect to load the firmware again.
        try {
            MSComm1->setSettings(LinkSettings);
        } catch (const CommError &) {
        }
        if (frmProgram::instance().isLoaded()) {
            shared().DownloadCancelled = true;
            frmProgram::instance().unload();
        }
        if (e.number() == CommErr::PortAlreadyOpen || e.number() == CommErr::PortNotOpen)
            showCommErrorBox();
    }
}
