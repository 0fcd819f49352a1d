// The firmware upgrade against the simulated radio over a pseudo-terminal: the file questions,
// the refusal of a damaged file, the way into the loader, the transfer at 115200 baud with its
// progress and Cancel, the verdict, and the return to 19200 with a new connect.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "fakeradio/FirmwareImage.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/LinkGate.h"
#include "settings/SettingsPages.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"
#include "support/UnpluggablePort.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
const QString Erase = QStringLiteral("Erase Current Firmware?");
const QString Success = QStringLiteral("Radio programming was successful.");
const QString Failed = QStringLiteral("Radio programming FAILED.");
const QString LinkSettings = QStringLiteral("19200,N,8,1");
// Rows that judge the loader's verdict run at this scale: its 1.5 s of grace are 300 ms of real
// time, and the 0.3 s between a late verdict and the end of that time 60 ms, room for a busy
// machine.
constexpr double VerdictScale = 0.2;

QString fixture(const QString &name)
{
    return QFINDTESTDATA(QStringLiteral("data/") + name);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QString writeFile(RadioRig &rig, const QString &name, const QByteArray &bytes)
{
    const QString path = rig.env().path(name);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
    return path;
}

// What the loader was sent after its "PROGRAM", as long as the file and one byte more.
QByteArray sentToLoader(RadioRig &rig, qsizetype fileSize)
{
    const QByteArray rx = rig.radio().received();
    const QByteArray commands = "ERASE\rPROGRAM\r";
    const qsizetype at = rx.indexOf(commands);
    return at < 0 ? QByteArray() : rx.mid(at + commands.size(), fileSize + 1);
}

// Connected to the radio with no read-out pending; the running version is the test's.
frmCorvista &connectTo(RadioRig &rig, const QString &current = QStringLiteral("3.2.0"))
{
    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    shared().RefreshRequested = false;
    shared().CurrentFirmwareVersion = current;
    rig.dialogs().clear();
    rig.settle();
    rig.radio().clearLog();
    return w;
}

QStringList titles(RadioRig &rig)
{
    QStringList out;
    for (const auto &m : rig.dialogs().messages())
        out << m.title;
    return out;
}

int indexOf(const QStringList &lines, const QString &line, int from = 0)
{
    for (int i = from; i < lines.size(); ++i)
        if (lines[i].compare(line, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

bool upgradeControlsEnabled(frmCorvista &w)
{
    return w.mnuSendText->isEnabled() && w.toolButtons["TransmitTextFile"]->isEnabled();
}

// The link as a technician checks it after an upgrade: open again at 19200 on both ends.
void verifyBackAt19200(RadioRig &rig, frmCorvista &w)
{
    QVERIFY(w.MSComm1->portOpen());
    QCOMPARE(w.MSComm1->settings(), LinkSettings);
    QCOMPARE(w.panelSettings->text(), QStringLiteral("Settings: ") + LinkSettings);
    QCOMPARE(rig.pty().baudRate(), 19200);
    QVERIFY(upgradeControlsEnabled(w));
    QVERIFY(!frmProgram::instance().isVisible());
}

// The values the progress bar showed, with the caption it showed them under.
struct ProgressLog
{
    QStringList steps;
    QMetaObject::Connection link;
    ProgressLog()
    {
        frmProgram &p = frmProgram::instance();
        link = QObject::connect(p.ProgressBar1, &QProgressBar::valueChanged, [this, &p](int v) {
            if (p.isVisible())
                steps << QStringLiteral("%1 %2").arg(p.windowTitle()).arg(v);
        });
    }
    ~ProgressLog() { QObject::disconnect(link); }
    QStringList under(const QString &caption) const
    {
        QStringList out;
        for (const QString &s : steps)
            if (s.startsWith(caption + QLatin1Char(' ')))
                out << s.mid(caption.size() + 1);
        return out;
    }
};
} // namespace

class TestFirmwareUpgrade : public QObject
{
    Q_OBJECT
private slots:
    void fileQuestions_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("current");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("asked");    // the titles of the boxes shown, in order
        QTest::addColumn<int>("icon");             // of the first box
        QTest::addColumn<QString>("firstText");    // empty: not compared
        QTest::addColumn<bool>("reachesRadio");    // "PROGRAM" went out and the erase question came

        const QList<int> no{Msg::No};
        const QList<int> yesNo{Msg::Yes, Msg::No};
        const QString older = QStringLiteral("WARNING!! The firmware you are about to load into the radio, version 1.2.0\r"
                                             "is older than the version currently installed, version 1.3.0.\r\r"
                                             "\t      Are you sure you wish to continue?");
        const QString same = QStringLiteral("WARNING!! The firmware you are about to load into the radio, version 1.2.0\r"
                                            "appears to be the same version as the one currently installed, also "
                                            "version 1.2.0.\r\r\t           Are you sure you wish to continue?");

        // The header checks take "s0", but the loader does not take "s" records.
        QTest::newRow("s records pass the header checks and are refused before anything is sent")
            << "lowercase.s28" << "3.2.0" << no << QStringList{"Error"} << int(Msg::Critical)
            << "Error: This firmware file is damaged. Line 1 is not a valid S-record: it begins with a lower-case "
               "\"s\".\r\rNothing has been sent to the radio."
            << false;
        QTest::newRow("1.2.0 against 1.3.0 asks the older question")
            << "v120.s28" << "1.3.0" << no << QStringList{"Warning!"} << int(Msg::Exclamation) << older << false;
        QTest::newRow("1.2.0 against 1.2.0 asks the same-version question")
            << "v120.s28" << "1.2.0" << no << QStringList{"Warning!"} << int(Msg::Exclamation) << same << false;
        QTest::newRow("1.2.0 against 2.0.0 asks the older question")
            << "v120.s28" << "2.0.0" << no << QStringList{"Warning!"} << int(Msg::Exclamation) << "" << false;
        QTest::newRow("2.0.0 against 1.2.0 asks nothing") << "v200.s28" << "1.2.0" << no << QStringList{Erase}
                                                          << int(Msg::NoIcon) << "" << true;
        QTest::newRow("an older file against the radio's version, Yes goes on")
            << "older.s28" << "3.2.0" << yesNo << QStringList{"Warning!", Erase} << int(Msg::Exclamation) << "" << true;
        QTest::newRow("the radio's own version, Yes goes on")
            << "same.s28" << "3.2.0" << yesNo << QStringList{"Warning!", Erase} << int(Msg::Exclamation) << "" << true;
        QTest::newRow("1.2.A asks the install question once, Yes goes on")
            << "letter.s28" << "1.1.0" << yesNo << QStringList{"WARNING", Erase} << int(Msg::Critical)
            << "WARNING!! The firmware you are about to load contains an alpha: 'A'. Are you sure you wish to install this?"
            << true;
        QTest::newRow("No at the letter question ends the run")
            << "letter.s28" << "1.1.0" << no << QStringList{"WARNING"} << int(Msg::Critical) << "" << false;
        QTest::newRow("a letter in the running version is asked about it")
            << "valid.s28" << "3.2.B" << yesNo << QStringList{"WARNING", Erase} << int(Msg::Critical)
            << "WARNING!! The current version contains an alpha: 'B'. Are you sure you wish to override this?" << true;
        QTest::newRow("no running version: only the erase question, naming none")
            << "valid.s28" << "" << no << QStringList{Erase} << int(Msg::NoIcon)
            << "Ready to erase the current firmware, version , and install version 3.3.0.\r\r\t\t"
               "Are you sure you wish to continue?"
            << true;
        QTest::newRow("wrong part number asks whether it is firmware, No ends")
            << "wrong_part.s28" << "3.2.0" << no << QStringList{"Error"} << int(Msg::Critical)
            << "Error: This Does not appear to be a valid firmware file. Continue working with it?" << false;
        QTest::newRow("wrong part number, Yes goes on")
            << "wrong_part.s28" << "3.2.0" << yesNo << QStringList{"Error", Erase} << int(Msg::Critical) << "" << true;
    }

    void fileQuestions()
    {
        QFETCH(QString, file);
        QFETCH(QString, current);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, asked);
        QFETCH(int, icon);
        QFETCH(QString, firstText);
        QFETCH(bool, reachesRadio);
        RIG(rig);
        frmCorvista &w = connectTo(rig, current);
        rig.dialogs().answerOpen(fixture(file));
        for (int a : answers)
            rig.dialogs().answerMsgBox(a);

        w.mnuSendText_Click();
        Clock::pumpFor(300);

        QCOMPARE(titles(rig), asked);
        QCOMPARE(rig.dialogs().messages().first().icon, icon);
        if (!firstText.isEmpty())
            QCOMPARE(rig.dialogs().messages().first().text, firstText);
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        QCOMPARE(indexOf(lines, QStringLiteral("PROGRAM")) >= 0, reachesRadio);
        if (reachesRadio) {
            // No at the erase question: the radio is told so and keeps its firmware.
            QVERIFY(indexOf(lines, QStringLiteral("NO")) > indexOf(lines, QStringLiteral("PROGRAM")));
            QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
            QVERIFY(shared().DownloadCancelled);
        } else {
            QVERIFY(rig.radio().received().isEmpty());
        }
        QVERIFY(upgradeControlsEnabled(w));
        QVERIFY(w.MSComm1->portOpen());
        QCOMPARE(w.MSComm1->settings(), LinkSettings);
    }

    void damagedFileIsRefusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("message");

        const QByteArray valid = contents(fixture("valid.s28"));
        QTest::newRow("bad checksum")
            << contents(fixture("bad_checksum.s28"))
            << "Error: This firmware file is damaged. Line 7 is not a valid S-record: its checksum is wrong.\r\r"
               "Nothing has been sent to the radio.";
        QTest::newRow("cut short at a line end") << valid.left(valid.indexOf("S8"))
                                                 << "Error: This firmware file is damaged. Line 41 is not a valid "
                                                    "S-record: the file ends here without an end record (S7, S8 or "
                                                    "S9).\r\rNothing has been sent to the radio.";
        QTest::newRow("cut inside a record") << valid.left(1000)
                                             << "Error: This firmware file is damaged. Line 22 is not a valid "
                                                "S-record: its length does not match its byte count.\r\r"
                                                "Nothing has been sent to the radio.";
    }

    void damagedFileIsRefusedBeforeAnythingIsSent()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, message);
        RIG(rig);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("damaged.s28"), file));

        w.mnuSendText_Click();
        Clock::pumpFor(300);

        QCOMPARE(rig.dialogs().messageTexts(), QStringList{message});
        QCOMPARE(rig.dialogs().messages().first().title, QStringLiteral("Error"));
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
        QVERIFY(upgradeControlsEnabled(w));
        QCOMPARE(w.MSComm1->settings(), LinkSettings);
    }

    void theDialogAndItsEnds_data()
    {
        QTest::addColumn<bool>("fromToolbar");
        QTest::addColumn<QStringList>("opens");      // the dialog's answers ("" is Cancel)
        QTest::addColumn<QStringList>("messages");

        const QString missing = QStringLiteral("/nonexistent/new.s28");
        QTest::newRow("menu item, Cancel") << false << QStringList{""} << QStringList{};
        QTest::newRow("toolbar button, Cancel") << true << QStringList{""} << QStringList{};
        QTest::newRow("a file that is not there asks again")
            << false << QStringList{missing, ""} << QStringList{missing + " not found!"};
        QTest::newRow("a file too short for its header asks again") << true << QStringList{"short-header", ""}
                                                                    << QStringList{};
    }

    void theDialogAndItsEnds()
    {
        QFETCH(bool, fromToolbar);
        QFETCH(QStringList, opens);
        QFETCH(QStringList, messages);
        RIG(rig);
        frmCorvista &w = connectTo(rig);
        for (const QString &answer : opens) {
            if (answer == QLatin1String("short-header"))
                rig.dialogs().answerOpen(writeFile(rig, answer, "S013000031372D32383531"));
            else
                rig.dialogs().answerOpen(answer);
        }
        bool enabledMeanwhile = true;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) { enabledMeanwhile = w.mnuSendText->isEnabled(); };

        if (fromToolbar)
            w.toolButtons["TransmitTextFile"]->trigger();
        else
            w.mnuSendText->trigger();
        Clock::pumpFor(200);

        QList<ScriptedDialogs::Shown> dialogsShown;
        for (const auto &s : rig.dialogs().shown)
            if (s.kind == QLatin1String("open"))
                dialogsShown << s;
        QCOMPARE(dialogsShown.size(), opens.size());
        QCOMPARE(dialogsShown.first().title, QStringLiteral("Firmware Upgrade File Selection"));
        QCOMPARE(dialogsShown.first().defaultText, QStringLiteral("S28 Files (*.S28)|*.s28|All Files (*.*)|*.*"));
        QCOMPARE(rig.dialogs().messageTexts(), messages);
        if (!messages.isEmpty()) {
            QVERIFY(!enabledMeanwhile);
            QCOMPARE(rig.dialogs().messages().first().icon, int(Msg::Exclamation));
        }
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QVERIFY(upgradeControlsEnabled(w));
    }

    void radioWithoutTheUpgradeCommandEndsSilently()
    {
        FakeRadio::Config config;
        config.confirmsProgram = false;
        RIG(rig, 0.02, config);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(fixture("valid.s28"));

        w.mnuSendText_Click();
        Clock::pumpFor(300);

        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        QCOMPARE(lines, QStringList{QStringLiteral("PROGRAM")});
        QVERIFY(rig.dialogs().messages().isEmpty());
        QVERIFY(upgradeControlsEnabled(w));
        QVERIFY(w.MSComm1->portOpen());
        QCOMPARE(w.MSComm1->settings(), LinkSettings);
        QCOMPARE(rig.pty().baudRate(), 19200);
    }

    void validUpgradeEndToEnd()
    {
        RIG(rig, VerdictScale);
        frmCorvista &w = connectTo(rig);
        // The boxes let events run as real ones do, so the radio takes what is sent while the
        // user reads them.
        rig.dialogs().setModal(500);
        const QString path = fixture("valid.s28");
        rig.dialogs().answerOpen(path);
        rig.dialogs().answerMsgBox(Msg::Yes);
        ProgressLog progress;

        w.mnuSendText_Click();

        QCOMPARE(titles(rig), (QStringList{Erase, QStringLiteral("Programmed OK")}));
        QCOMPARE(rig.dialogs().messageTexts().last(), Success);
        const FakeRadio::LoaderLog &loader = rig.radio().loaderLog();
        // The file went out unchanged at 115200, with one filler byte after it.
        const QByteArray file = contents(path);
        QCOMPARE(sentToLoader(rig, file.size()), file + '\r');
        QCOMPARE(loader.baud, 115200);
        QCOMPARE(loader.verdict, QStringLiteral("PROGRAMMED OK"));
        QCOMPARE(progress.under(QStringLiteral("Erasing...")),
                 (QStringList{"10", "20", "30", "40", "50", "60", "70", "80", "90"}));
        // 1898 bytes in blocks of 512: the bar shows each block's start but the last.
        QCOMPARE(progress.under(QStringLiteral("Downloading Firmware to the radio...")), (QStringList{"26", "53"}));

        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        const int confirm = indexOf(lines, QStringLiteral("PROGRAM"));
        const int erase = indexOf(lines, QStringLiteral("ERASE"));
        QVERIFY(confirm >= 0);
        QCOMPARE(indexOf(lines, QStringLiteral("YES")), confirm + 1);
        QVERIFY(erase > confirm);
        QCOMPARE(indexOf(lines, QStringLiteral("PROGRAM"), erase), erase + 1);
        const int exit = indexOf(lines, QStringLiteral("EXIT"));
        QVERIFY(exit > erase);
        QVERIFY(indexOf(lines, QStringLiteral("CLOS"), exit) > exit);
        QVERIFY(indexOf(lines, QStringLiteral("OPEN"), exit) > exit);

        // "EXIT" waited until the loader had finished the image: nothing of it was lost.
        QVERIFY(!loader.strayDropped);
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
        QCOMPARE(rig.radio().config().version, QStringLiteral("3.3.0"));
        verifyBackAt19200(rig, w);
        // The new connect asks for a read-out, which shows the new version.
        QVERIFY(Clock::waitFor([] { return shared().CurrentFirmwareVersion == QLatin1String("3.3.0"); }, 30000));
        QVERIFY(w.Pages.box(QStringLiteral("SoftwareRev"))->text().contains(QStringLiteral("3.3.0")));
    }

    void fileShorterThanOneBlock()
    {
        RIG(rig, VerdictScale);
        frmCorvista &w = connectTo(rig);
        const QString path = fixture("short.s28");
        QVERIFY(contents(path).size() < w.MSComm1->outBufferSize());
        rig.dialogs().answerOpen(path);
        rig.dialogs().answerMsgBox(Msg::Yes);
        ProgressLog progress;

        w.mnuSendText_Click();

        QCOMPARE(sentToLoader(rig, contents(path).size()), contents(path) + '\r');
        QVERIFY(progress.under(QStringLiteral("Downloading Firmware to the radio...")).isEmpty());
        QCOMPARE(rig.dialogs().messageTexts().last(), Success);
        QCOMPARE(rig.radio().config().version, QStringLiteral("3.3.0"));
        verifyBackAt19200(rig, w);
    }

    void radioAlreadyInItsLoaderGoesStraightTo115200()
    {
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Loader;
        RIG(rig, VerdictScale, config);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(fixture("valid.s28"));

        w.mnuSendText_Click();

        QCOMPARE(titles(rig), QStringList{QStringLiteral("Programmed OK")});
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        // A bare CR and 20 CR pairs at 115200, then the loader's commands; nothing before them.
        QCOMPARE(lines.mid(0, 41), QStringList(41, QString()));
        QCOMPARE(lines.value(41), QStringLiteral("ERASE"));
        QCOMPARE(lines.value(42), QStringLiteral("PROGRAM"));
        QCOMPARE(rig.radio().loaderLog().baud, 115200);
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
        verifyBackAt19200(rig, w);
    }

    void radioReadingAtLineSpeedStillGivesItsVerdict()
    {
        RIG(rig, VerdictScale);
        frmCorvista &w = connectTo(rig);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("paced.s28"), image));
        rig.dialogs().answerMsgBox(Msg::Yes);
        // The file backs up in the terminal's buffer, out of the program's sight, and reaches the
        // loader well after the program's own buffer has emptied.
        rig.radio().setPacedReading(true);

        w.mnuSendText_Click();

        QCOMPARE(rig.dialogs().messageTexts().value(1), Success);
        QCOMPARE(sentToLoader(rig, image.size()), image + '\r');
        const FakeRadio::LoaderLog &log = rig.radio().loaderLog();
        QVERIFY(log.lastByteAt - log.firstByteAt > 0.95 * double(image.size()) * 10.0 / 115200.0);
        QCOMPARE(rig.radio().config().version, QStringLiteral("3.3.0"));
        verifyBackAt19200(rig, w);
    }

    void timerDeadlinesWaitForTheTransfer_data()
    {
        QTest::addColumn<int>("keepAliveCount");
        QTest::newRow("keep-alive deadline") << 0;
        QTest::newRow("read-out deadline") << 8;
    }

    // The main timer's keep-alive or read-out falls due while the image goes out: the loader
    // still gets the file byte for byte, and nothing of it goes out on the connection the
    // upgrade ends with.
    void timerDeadlinesWaitForTheTransfer()
    {
        QFETCH(int, keepAliveCount);
        RIG(rig, VerdictScale);
        frmCorvista &w = connectTo(rig);
        SharedState &s = shared();
        s.KeepAlivePref = true;
        s.KeepAliveCount = qint16(keepAliveCount);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("long.s28"), image));
        rig.dialogs().answerMsgBox(Msg::Yes);
        // The radio takes the file at line speed, so the transfer lasts several ticks.
        rig.radio().setPacedReading(true);
        const auto transferring = [] {
            const frmProgram &p = frmProgram::instance();
            return p.isVisible() && p.windowTitle() == QLatin1String("Downloading Firmware to the radio...");
        };
        bool due = false;
        int ticksWhileDue = 0;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (!due && transferring()) {
                s.KeepAliveDue = Clock::nowSeconds();
                due = true;
            }
        });
        connect(w.Timer1, &QTimer::timeout, this, [&] {
            if (due && transferring())
                ++ticksWhileDue;
        });
        watch.start(1);

        w.mnuSendText_Click();
        watch.stop();

        QVERIFY(due);
        QVERIFY(ticksWhileDue > 0);
        QCOMPARE(sentToLoader(rig, image.size()), image + '\r');
        QCOMPARE(rig.radio().loaderLog().verdict, QStringLiteral("PROGRAMMED OK"));
        QCOMPARE(rig.dialogs().messageTexts().value(1), Success);
        QCOMPARE(s.KeepAliveCount, qint16(keepAliveCount));
        verifyBackAt19200(rig, w);
        // The upgrade ends with a new connection: its read-out follows, and the keep-alive held
        // back on the old one is forgotten, the new one keeping its own schedule.
        QVERIFY(Clock::waitFor([] { return shared().CurrentFirmwareVersion == QLatin1String("3.3.0"); }, 30000));
        Clock::pumpFor(3000);
        QCOMPARE(s.KeepAliveCount, qint16(keepAliveCount));
        QVERIFY(!s.KeepAliveOverdue);
    }

    void cancelDuringTheTransfer_data()
    {
        QTest::addColumn<QString>("eraseReply");
        QTest::newRow("the loader's plain answers") << "FLASH ERASED";
        // An answer before the last block is no verdict on the transfer.
        QTest::newRow("a loader whose ERASE answer says PROGRAMMED OK") << "FLASH ERASED, LAST IMAGE PROGRAMMED OK";
    }

    void cancelDuringTheTransfer()
    {
        QFETCH(QString, eraseReply);
        FakeRadio::Config config;
        config.eraseReply = eraseReply;
        RIG(rig, 0.02, config);
        frmCorvista &w = connectTo(rig);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("big.s28"), image));
        rig.dialogs().answerMsgBox(Msg::Yes);
        bool clicked = false;
        QObject::connect(&rig.pty(), &PtyPort::received, &rig.pty(), [&] {
            if (!clicked && rig.radio().loaderLog().image.size() > 4096) {
                clicked = true;
                QTest::mouseClick(frmProgram::instance().Command1, Qt::LeftButton);
            }
        });

        w.mnuSendText_Click();

        QVERIFY(clicked);
        QVERIFY(rig.radio().loaderLog().image.size() < image.size());
        QVERIFY(rig.dialogs().messageTexts().contains(Failed));
        QVERIFY(!rig.dialogs().messageTexts().contains(Success));
        QVERIFY(rig.settle());
        QVERIFY(indexOf(rig.radio().lines(), QStringLiteral("EXIT")) < 0);
        // The radio is left with its loader only, and the new connect says so.
        QVERIFY(rig.dialogs().messageTexts().last().startsWith(QStringLiteral("ERROR - This radio needs software!")));
        verifyBackAt19200(rig, w);
    }

    void verdictThatComesLate_data()
    {
        QTest::addColumn<int>("delayMs");
        QTest::addColumn<bool>("succeeds");
        QTest::addColumn<double>("atLeast");   // nominal seconds from the last record to the verdict box

        // A good verdict is taken at once, but "EXIT" and the box wait until the loader has had
        // 1.5 s after the output drained to finish the image.
        QTest::newRow("a verdict at once, EXIT after the loader's time") << 0 << true << 1.4;
        QTest::newRow("a verdict 1.2 s after the last record still counts") << 1200 << true << 1.4;
        QTest::newRow("no verdict 1.5 s after the output drained reads as failed") << 4000 << false << 1.4;
    }

    void verdictThatComesLate()
    {
        QFETCH(int, delayMs);
        QFETCH(bool, succeeds);
        QFETCH(double, atLeast);
        FakeRadio::Config config;
        config.verdictDelayMs = delayMs;
        RIG(rig, VerdictScale, config);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(fixture("valid.s28"));
        rig.dialogs().answerMsgBox(Msg::Yes);
        double verdictShownAt = -1;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == Success || s.text == Failed)
                verdictShownAt = Clock::nowSeconds();
        };

        w.mnuSendText_Click();

        QCOMPARE(rig.dialogs().messageTexts().contains(Success), succeeds);
        QCOMPARE(rig.dialogs().messageTexts().contains(Failed), !succeeds);
        const double after = verdictShownAt - rig.radio().loaderLog().lastByteAt;
        QVERIFY2(after >= atLeast, qPrintable(QString::number(after)));
        verifyBackAt19200(rig, w);
    }

    // A driver that reports its queue as a UART's does: the loader hears the whole file, and the
    // verdict comes the loader's time after the last byte. benchmarks/bench_firmware gives the
    // transfer's pace against the line rate, its CPU and the verdict's delay.
    void transferOnAUartLineIsHeardWholeAndJudged()
    {
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Loader;
        RIG(rig, 0.1, config);
        rig.useUartQueue();
        frmCorvista &w = connectTo(rig);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("uart.s28"), image));
        double verdictShownAt = -1;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &s) {
            if (s.text == Success || s.text == Failed)
                verdictShownAt = Clock::nowSeconds();
        };

        {
            // A radio of its own, as a real one is: nothing it does wakes the program.
            ThreadedRadio threaded(rig.radio(), rig.pty());
            w.mnuSendText_Click();
        }

        const FakeRadio::LoaderLog &log = rig.radio().loaderLog();
        QCOMPARE(log.verdict, QStringLiteral("PROGRAMMED OK"));
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{Success});
        QVERIFY2(verdictShownAt - log.lastByteAt >= 1.4, qPrintable(QString::number(verdictShownAt - log.lastByteAt)));
        verifyBackAt19200(rig, w);
    }

    // A loader that holds the line (back-pressure) answers once the held bytes have left; one that
    // talks more than RxBuffer keeps still has its verdict read.
    void verdictSurvivesASlowLineOrALongReply_data()
    {
        QTest::addColumn<int>("holdAfterBytes");
        QTest::addColumn<int>("recordReplySize");
        QTest::addColumn<int>("verdictDelayMs");
        QTest::addColumn<int>("stallMs");   // the program does not run for this long once the file is out
        QTest::newRow("a loader that holds the line 30 s mid-file") << 20000 << 0 << 0 << 0;
        QTest::newRow("a loader that says more than 1 MiB during the file") << 0 << 1400 << 0 << 0;
        // The answer waits in the kernel, unread, when the program looks at the clock again.
        QTest::newRow("the program does not run past the grace while the verdict comes") << 0 << 0 << 1000 << 2500;
    }

    void verdictSurvivesASlowLineOrALongReply()
    {
        QFETCH(int, holdAfterBytes);
        QFETCH(int, recordReplySize);
        QFETCH(int, verdictDelayMs);
        QFETCH(int, stallMs);
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Loader;
        config.holdAfterBytes = holdAfterBytes;
        config.holdSeconds = 30;
        config.verdictDelayMs = verdictDelayMs;
        if (recordReplySize > 0)
            config.recordReply = QString(recordReplySize, QLatin1Char('.')) + QStringLiteral("\r\n");
        RIG(rig, VerdictScale, config);
        // Only a driver that reports its queue tells when the held bytes have left.
        if (holdAfterBytes > 0)
            rig.useUartQueue();
        frmCorvista &w = connectTo(rig);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("slow.s28"), image));
        bool transferSeen = false;
        bool stalled = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            const frmProgram &p = frmProgram::instance();
            if (p.isVisible() && p.windowTitle() == QLatin1String("Downloading Firmware to the radio..."))
                transferSeen = true;
            else if (transferSeen && stallMs > 0 && !std::exchange(stalled, true))
                Clock::sleepMs(stallMs);
        });
        watch.start(1);

        {
            ThreadedRadio threaded(rig.radio(), rig.pty());
            w.mnuSendText_Click();
        }
        watch.stop();
        QCOMPARE(stalled, stallMs > 0);

        QCOMPARE(rig.radio().loaderLog().verdict, QStringLiteral("PROGRAMMED OK"));
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{Success});
        QCOMPARE(rig.radio().config().version, QStringLiteral("3.3.0"));
        verifyBackAt19200(rig, w);
    }

    // The radio was erased, and what answers the wake-up is not the loader: the user is told, and
    // the link comes back as after any failed upgrade.
    void loaderThatComesUpWrongIsReported()
    {
        FakeRadio::Config config;
        config.loaderPrompt = QStringLiteral(">");
        RIG(rig, 0.02, config);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(fixture("valid.s28"));
        rig.dialogs().answerMsgBox(Msg::Yes);

        w.mnuSendText_Click();

        QCOMPARE(titles(rig), (QStringList{Erase, QStringLiteral("Radio Error")}));
        QCOMPARE(rig.dialogs().messageTexts().last(), Failed);
        QVERIFY(rig.settle());
        QCOMPARE(indexOf(rig.radio().lines(), QStringLiteral("ERASE")), -1);
        verifyBackAt19200(rig, w);
    }

    void everyWayOutOfTheTransferGoesBackTo19200_data()
    {
        QTest::addColumn<QString>("way");
        QTest::newRow("the adapter pulled during the file") << "unplug";
        QTest::newRow("the adapter pulled before EXIT") << "unplug at verdict";
        QTest::newRow("Cancel in the progress window") << "cancel";
        QTest::newRow("the operation ended from outside") << "end";
    }

    void everyWayOutOfTheTransferGoesBackTo19200()
    {
        QFETCH(QString, way);
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Loader;
        RIG(rig, 0.02, config);
        UnpluggablePort::install();
        struct GateReset
        {
            ~GateReset() { LinkGate::reset(); }
        } gateReset;
        frmCorvista &w = connectTo(rig);
        const QByteArray image = FirmwareImage::make(QStringLiteral("3.3.0"), 64 * 1024);
        rig.dialogs().answerOpen(writeFile(rig, QStringLiteral("out.s28"), image));
        bool done = false;
        connect(&rig.pty(), &PtyPort::received, this, [&] {
            const FakeRadio::LoaderLog &log = rig.radio().loaderLog();
            if (done || (way == "unplug at verdict" ? log.verdict.isEmpty() : log.image.size() < 4096))
                return;
            done = true;
            if (way == "cancel")
                QTest::mouseClick(frmProgram::instance().Command1, Qt::LeftButton);
            else if (way == "end")
                LinkGate::endOperations();
            else
                UnpluggablePort::unplug();
        });

        w.mnuSendText_Click();
        Clock::pumpFor(300);

        QVERIFY(done);
        QCOMPARE(w.MSComm1->settings(), LinkSettings);
        if (way.startsWith("unplug")) {
            QVERIFY(!w.MSComm1->portOpen());
            UnpluggablePort::plugBack();
            w.mnuOpen_Click();
            QVERIFY(w.MSComm1->portOpen());
            QCOMPARE(w.panelSettings->text(), QStringLiteral("Settings: ") + LinkSettings);
        }
        QVERIFY(w.MSComm1->portOpen());
        QCOMPARE(rig.pty().baudRate(), 19200);
    }

    void loaderWakeUpHasThirtyAttempts_data()
    {
        QTest::addColumn<int>("silentAttempts");   // -1: the loader never answers
        QTest::newRow("a loader that never wakes leaves the radio disconnected") << -1;
        // Its answer comes during the last attempt's pauses, when nothing is read.
        QTest::newRow("a loader that answers the last attempt takes the file") << 29;
    }

    void loaderWakeUpHasThirtyAttempts()
    {
        QFETCH(int, silentAttempts);
        RIG(rig, silentAttempts < 0 ? 0.01 : VerdictScale);
        frmCorvista &w = connectTo(rig);
        rig.dialogs().answerOpen(fixture("valid.s28"));
        rig.dialogs().answerMsgBox(Msg::Yes);
        const int bursts = rig.radio().burstsHeard();
        // The radio goes quiet once it has erased itself.
        onHeard(&rig.pty(), &rig.radio(), "YES\r", [&] {
            rig.radio().config().silentBursts = silentAttempts < 0 ? -1 : bursts + silentAttempts;
        }, Qt::DirectConnection);

        {
            // A radio of its own answers while the program pauses, as a real one does.
            ThreadedRadio threaded(rig.radio(), rig.pty());
            w.mnuSendText_Click();
        }

        if (silentAttempts >= 0) {
            QCOMPARE(titles(rig), (QStringList{Erase, QStringLiteral("Programmed OK")}));
            QCOMPARE(rig.radio().config().version, QStringLiteral("3.3.0"));
            verifyBackAt19200(rig, w);
            return;
        }
        QCOMPARE(titles(rig), QStringList{Erase});
        QCOMPARE(w.txtTerm->text(), QStringLiteral("Error. Please reconnect."));
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        QVERIFY(!upgradeControlsEnabled(w));
        Clock::pumpFor(200);
        QCOMPARE(rig.radio().burstsHeard(), bursts + 30);
    }
};

QTEST_MAIN(TestFirmwareUpgrade)
#include "tst_firmwareupgrade.moc"
