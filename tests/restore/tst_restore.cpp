// The store and restore window against the simulated radio over a pseudo-terminal: the port
// handover, the read-out, a report file read into the New column, programming the ticked rows,
// saving the window's file variant, the not-logged-in warning and a radio that goes away.
// The window sleeps between its commands without handling events, so the radio runs on a thread
// of its own and answers meanwhile, as a real one does.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "common/frmProgram.h"
#include "platform/Clock.h"
#include "restore/RestoreRules.h"
#include "restore/frmRestore.h"
#include "support/FullDisk.h"
#include "support/RadioRig.h"
#include "support/UnpluggablePort.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabBar>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <optional>

using namespace Qt::Literals::StringLiterals;

namespace {

// Moves the rig's radio and pty onto a thread; everything the test asks of the radio goes there.
class RadioThread
{
public:
    explicit RadioThread(RadioRig &rig) : m_rig(rig)
    {
        m_thread.start();
        rig.pty().moveToThread(&m_thread);
        rig.radio().moveToThread(&m_thread);
    }
    ~RadioThread()
    {
        QThread *main = QThread::currentThread();
        run([this, main] {
            m_rig.radio().moveToThread(main);
            m_rig.pty().moveToThread(main);
        });
        m_thread.quit();
        m_thread.wait();
    }
    void run(const std::function<void()> &f)
    {
        QMetaObject::invokeMethod(&m_rig.radio(), f, Qt::BlockingQueuedConnection);
    }
    // The lines the radio took, without the bare CRs of prompts and wake-ups.
    QStringList commands()
    {
        QStringList out;
        run([&] {
            for (const QString &l : m_rig.radio().lines())
                if (!l.trimmed().isEmpty())
                    out << l;
        });
        return out;
    }
    QStringList allLines()
    {
        QStringList out;
        run([&] { out = m_rig.radio().lines(); });
        return out;
    }
    void clearLog()
    {
        run([this] { m_rig.radio().clearLog(); });
    }

private:
    RadioRig &m_rig;
    QThread m_thread;
};

FakeRadio::Config radioAt(const QString &version, bool writable = true)
{
    FakeRadio::Config c;
    c.version = version;
    if (writable)
        c.password.clear();
    return c;
}

frmCorvista &connectQuiet(RadioRig &rig, RadioThread &radio, const QString &rev)
{
    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    w.Timer1->stop();
    Clock::pumpFor(200);
    shared().RefreshRequested = false;
    shared().FirmwareRevNumber = rev;
    w.Pages.box(QStringLiteral("NetworkAddress"))->setText(QStringLiteral("ADDR 1000"));
    radio.clearLog();
    rig.dialogs().clear();
    return w;
}

// Opens the restore window and waits for its first read-out to end.
frmRestore *openRestore(frmCorvista &w)
{
    w.mnuConfigRestore_Click();
    frmRestore *r = frmRestore::openWindow();
    if (r && !Clock::waitFor([r] { return frmRestore::flags().ExchangeIdle && !r->readingOut(); }, 60000))
        return nullptr;
    return r;
}

QStringList after(const QStringList &lines, const QString &first)
{
    const qsizetype i = lines.indexOf(first);
    return i < 0 ? QStringList() : lines.mid(i);
}

// The window reads its port once, a fixed time after each command: that time must leave a loaded
// machine room to answer.
const double Scale = 0.3;

// The radio stops answering and the main window's tick runs, as when a radio is unplugged from
// its power while the restore window is open. Once the tick has closed the window the radio
// answers again, so the reconnect that follows does not wait out all its attempts.
class SilentRadio
{
public:
    SilentRadio(RadioRig &rig, RadioThread &radio, frmCorvista &w) : m_rig(rig), m_radio(radio)
    {
        radio.run([&] { rig.radio().config().silentBursts = -1; });
        Clock::startTimer(*w.Timer1, 1000);
        QObject::connect(&m_watch, &QTimer::timeout, &m_watch, [this] {
            if (frmRestore::openWindow())
                return;
            m_watch.stop();
            m_radio.run([this] { m_rig.radio().config().silentBursts = 0; });
        });
        m_watch.start(10);
    }

private:
    RadioRig &m_rig;
    RadioThread &m_radio;
    QTimer m_watch;
};

const QString CommErrorText = QStringLiteral("There was an error communicating with the radio. Please reconnect and try again");

} // namespace

class TestRestore : public QObject
{
    Q_OBJECT
private slots:
    void init() { frmRestore::resetFlags(); }

    void portIsHandedOverAndGivenBack()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));

        frmRestore *r = openRestore(w);
        QVERIFY(r);
        const QStringList lines = radio.commands();
        QCOMPARE(lines.mid(0, 3), (QStringList{"deco", "ADDR 1000", "eeco"}));
        QVERIFY(!lines.contains(QStringLiteral("CLOS")));
        QVERIFY(!lines.contains(QStringLiteral("OPEN")));
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(r->MSComm2->portOpen());
        QVERIFY(radio.allLines().count(QString()) >= 8);   // the wake-up's CRs
        QVERIFY(rig.dialogs().messages().isEmpty());

        QCOMPARE(r->box("Mode")->value(), QStringLiteral("MODE M"));
        QCOMPARE(r->box("UnitAddr")->value(), QStringLiteral("UNIT 12345"));
        QCOMPARE(r->box("OwnerName")->value(), QStringLiteral("WAVECREST SS"));
        QCOMPARE(r->box("SoftRTU")->value(), QStringLiteral("RTU 0 (OFF)"));
        QCOMPARE(r->ProgressLabel->text(), QStringLiteral("100%"));
        QVERIFY(!r->ProgressLabel->isEnabled());
        QCOMPARE(r->blockFill(9), QColor(127, 163, 199));
        QVERIFY(r->toolButtons["SaveConfig"]->isEnabled());
        QVERIFY(!r->toolButtons["ProgramRadio"]->isEnabled());

        radio.clearLog();
        r->CloseButton_Click();
        Clock::pumpFor(100);
        QVERIFY(!frmRestore::openWindow());
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(shared().RefreshRequested);
        QVERIFY(radio.commands().isEmpty());   // no handshake, no "OPEN" on the way back
    }

    // The radio reads at the line's speed: "eeco" must have left the line before the main
    // window's port closes for the handover.
    void eecoLeavesBeforeThePortIsHandedOver()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        rig.radio().setStrictLine(true);
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));

        frmRestore *r = openRestore(w);
        QVERIFY(r);
        QCOMPARE(radio.commands().mid(0, 3), (QStringList{"deco", "ADDR 1000", "eeco"}));
        QByteArray lost;
        radio.run([&] { lost = rig.pty().lostBytes(); });
        QCOMPARE(lost, QByteArray());
        r->CloseButton_Click();
        Clock::pumpFor(100);
    }

    void readOutAsksTheGroupsItsRevisionAllows_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("queries");
        QTest::addColumn<bool>("xminShown");
        QTest::addColumn<int>("hopTop");
        const QStringList head = {"unit", "own", "owm", "mode", "pwr", "baud", "port", "device", "amask",
                                  "asense", "cts", "ctshold", "rxtot"};
        QTest::newRow("3.2.0 asks all but xmin and xmax")
            << "3.2.0"
            << head + QStringList{"rxd", "sleep", "lpmhold", "addr", "csaddr", "hoptime", "skip", "lpm", "repeat", "retry",
                                  "fec", "buff", "saf", "xaddr", "xmap", "xpri", "xrssi", "dtype", "dlink", "rtu"}
            << false << 1080;
        QTest::newRow("3.1.0 shows CSADDR but does not ask it")
            << "3.1.0"
            << head + QStringList{"rxd", "sleep", "addr", "hoptime", "skip", "repeat", "retry", "fec", "buff", "saf",
                                  "xaddr", "xmap", "xpri", "xrssi", "dtype", "dlink", "rtu"}
            << false << 1080;
        QTest::newRow("1.5.0 asks xmin and xmax and no diagnostics")
            << "1.5.0"
            << head + QStringList{"sleep", "addr", "hoptime", "skip", "repeat", "retry", "fec", "buff", "saf", "xaddr",
                                  "xmin", "xmax"}
            << true << 720;
    }

    void readOutAsksTheGroupsItsRevisionAllows()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, queries);
        QFETCH(bool, xminShown);
        QFETCH(int, hopTop);
        RIG(rig, Scale, radioAt(version));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QString(version).remove(QLatin1Char('.')));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        QCOMPARE(after(radio.commands(), QStringLiteral("unit")), queries);
        // Pages other than the current one are hidden with their stack; the rows' own state counts.
        QCOMPARE(!r->check("XMINCheck")->isHidden(), xminShown);
        QCOMPARE(!r->box("XMAP")->isHidden(), !xminShown);
        QCOMPARE(!r->DiagWarnLabel->isHidden(), xminShown);
        QCOMPARE(r->rowTop("HopTime"), hopTop);
        for (int i = 0; i < 10; ++i)
            QVERIFY(r->ProgressBlock[i]->isVisibleTo(r));
        r->unload();
    }

    void reportFileFillsTheNewColumn()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        radio.run([&] {
            rig.radio().config().dlink = QStringLiteral("9600");
            rig.radio().config().dlinkOn = true;
            rig.radio().config().amask = QStringLiteral("0000 FFFF");
        });
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        w.SaveConfigurationReport(path, false);
        QVERIFY(QFile::exists(path));

        frmRestore *r = openRestore(w);
        QVERIFY(r);
        rig.dialogs().answerOpen(path);
        r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));

        QCOMPARE(r->box("NewMode")->value(), QStringLiteral("MODE M"));
        QCOMPARE(r->box("NewUnitAddr")->value(), QStringLiteral("UNIT 12345"));
        QCOMPARE(r->box("NewOwnerName")->value(), QStringLiteral("WAVECREST SS"));
        QCOMPARE(r->box("NewAlarmMask")->value(), QStringLiteral("MASK:  0000 FFFF"));
        QCOMPARE(r->box("NewDLINK")->value(), QStringLiteral("DLINK 9600 (ON)"));
        QCOMPARE(r->box("NewXMIN")->value(), QStringLiteral("n/a"));
        QVERIFY(r->check("ModeCheck")->isEnabled());
        QVERIFY(r->check("HopCheck")->isEnabled());      // master rule at "MODE M"
        QVERIFY(!r->check("SleepCheck")->isEnabled());
        QVERIFY(!r->check("XMINCheck")->isEnabled());
        QVERIFY(r->toolButtons["ProgramRadio"]->isEnabled());
        QVERIFY(r->FileSettingsLabel->text().endsWith(QStringLiteral("radio.txt:")));
        QVERIFY(frmRestore::flags().FileLoaded);

        r->CheckAllButton_Click();
        QVERIFY(r->check("ModeCheck")->isChecked());
        QVERIFY(r->check("HopCheck")->isChecked());
        QVERIFY(!r->check("SleepCheck")->isChecked());

        r->TabStrip->setCurrentIndex(1);
        r->grab().save(QStringLiteral("/tmp/restore-window.png"));
        r->unload();
    }

    // The master rule and the sleep rule each touch their own rows only.
    void fileModeRulesKeepToTheirRows_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("fileLine");
        QTest::addColumn<QStringList>("enabled");
        const QStringList masterChecks = {"CSADDRCheck", "HopCheck",  "SkipCheck", "LPMCheck", "RptctCheck",
                                          "RetryCheck",  "FECCheck", "BuffCheck", "SAFCheck"};
        QTest::newRow("SLEEP ON against a master") << "M" << "SLEEP ON" << QStringList{};
        QTest::newRow("SLEEP ON against a remote") << "R" << "SLEEP ON" << QStringList{"SleepCheck"};
        QTest::newRow("HOPTIME 7 against a remote") << "R" << "HOPTIME 7" << QStringList{};
        QTest::newRow("HOPTIME 7 against a master") << "M" << "HOPTIME 7" << masterChecks;
    }

    void fileModeRulesKeepToTheirRows()
    {
        QFETCH(QString, mode);
        QFETCH(QString, fileLine);
        QFETCH(QStringList, enabled);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        rig.radio().config().mode = mode;
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        QCOMPARE(r->box("Mode")->value(), QStringLiteral("MODE ") + mode);
        const QString path = rig.env().path(QStringLiteral("one.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(fileLine.toLatin1() + "\r\n");
        file.close();
        rig.dialogs().answerOpen(path);
        r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));

        for (const QString &c : {"SleepCheck", "CSADDRCheck", "HopCheck", "SkipCheck", "LPMCheck", "RptctCheck",
                                 "RetryCheck", "FECCheck", "BuffCheck", "SAFCheck"})
            QVERIFY2(r->check(c)->isEnabled() == enabled.contains(c), qPrintable(c));
        r->unload();
    }

    // Configuration files come with the line ends of the system that wrote them.
    void fileReaderTakesEveryLineEnd()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        const QList<std::pair<QString, QByteArray>> ends{{"CR LF", "\r\n"}, {"LF", "\n"}, {"CR", "\r"}};
        for (const auto &[name, eol] : ends) {
            const QString path = rig.env().path(QStringLiteral("ends.txt"));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#Created by hand" + eol + "UNIT 4711" + eol + "MODE R" + eol + "HOPTIME 50" + eol);
            file.close();
            rig.dialogs().answerOpen(path);
            r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));
            QCOMPARE(r->box("NewUnitAddr")->value(), QStringLiteral("UNIT 4711"));
            QCOMPARE(r->box("NewMode")->value(), QStringLiteral("MODE R"));
            QCOMPARE(r->box("NewHopTime")->value(), QStringLiteral("HOPTIME 50"));
        }
        r->unload();
    }

    void programSendsOnlyTickedRowsInOrder_data()
    {
        QTest::addColumn<QStringList>("newTexts");   // box=text
        QTest::addColumn<QStringList>("ticks");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("told");   // the one message after the run
        QTest::newRow("nothing ticked sends nothing") << QStringList{} << QStringList{} << QStringList{} << QString();
        QTest::newRow("xmax goes before xmin")
            << QStringList{"NewXMIN=XMIN 2", "NewXMAX=XMAX 9"} << QStringList{"XMINCheck", "XMAXCheck"}
            << QStringList{"XMAX 9", "XMIN 2"} << QString();
        QTest::newRow("dlink pair sends the rate, then the state")
            << QStringList{"NewDLINK=DLINK 19200 (ON)"} << QStringList{"DLINKCheck"}
            << QStringList{"DLINK 19200", "DLINK ON"} << QString();
        QTest::newRow("rtu pair off") << QStringList{"NewSoftRTU=RTU 12 (OFF)"} << QStringList{"SoftRTUCheck"}
                                      << QStringList{"RTU 12", "RTU OFF"} << QString();
        QTest::newRow("amask and asense take their forms")
            << QStringList{"NewAlarmMask=MASK:  0000FFFF", "NewAlarmSense=ALARM ACTIVE HI", "NewMode=MODE R"}
            << QStringList{"AlrsCheck", "AlarmMaskCheck"}
            << QStringList{"amask   0000FFFF", "asense HI"} << QString();
        QTest::newRow("owner rows get their word; mode before xaddr")
            << QStringList{"NewXADDR=XADDR 5", "NewOwnerName=NORTH", "NewMode=MODE X"}
            << QStringList{"XADDRCheck", "ModeCheck", "OwnCheck"}
            << QStringList{"own NORTH", "MODE X", "XADDR 5"} << QString();
        QTest::newRow("rows still saying n/a send nothing, a pair row neither")
            << QStringList{"NewOwnerName=n/a", "NewMode=n/a", "NewDLINK=n/a", "NewSoftRTU=n/a", "NewPowerLevel=PWR 20"}
            << QStringList{"OwnCheck", "ModeCheck", "DLINKCheck", "SoftRTUCheck", "PowerCheck"}
            << QStringList{"PWR 20"} << QString();
        const QString escaped = QStringLiteral("UNIT 23456\x1b" "MODE R");
        QTest::newRow("a row with an escape is left out and named once")
            << QStringList{"NewUnitAddr=" + escaped, "NewPowerLevel=PWR 20"} << QStringList{"UnitCheck", "PowerCheck"}
            << QStringList{"PWR 20"}
            << Restore::rowsLeftOutMessage({{findSettingByBox(QStringLiteral("UnitAddr")), escaped}});
        QTest::newRow("rows with a line end, a backspace or a character outside Latin-1 are left out")
            << QStringList{"NewOwnerName=BENCH\rPWR 21", "NewOwnerMessage=N\bORTH", "NewHopTime=HOPTIME 7\u20ac",
                           "NewRetryCount=RETRY 3"}
            << QStringList{"OwnCheck", "OwmCheck", "HopCheck", "RetryCheck"} << QStringList{"RETRY 3"}
            << Restore::rowsLeftOutMessage({{findSettingByBox(QStringLiteral("OwnerName")), u"BENCH\rPWR 21"_s},
                                            {findSettingByBox(QStringLiteral("OwnerMessage")), u"N\bORTH"_s},
                                            {findSettingByBox(QStringLiteral("HopTime")), u"HOPTIME 7\u20ac"_s}});
    }

    void programSendsOnlyTickedRowsInOrder()
    {
        QFETCH(QStringList, newTexts);
        QFETCH(QStringList, ticks);
        QFETCH(QStringList, sent);
        QFETCH(QString, told);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        rig.dialogs().clear();
        for (const QString &t : newTexts)
            r->box(t.section(QLatin1Char('='), 0, 0))->setValue(t.section(QLatin1Char('='), 1));
        for (const QString &c : ticks) {
            r->check(c)->setEnabled(true);
            r->check(c)->setChecked(true);
        }
        radio.clearLog();
        r->ProgramSelectedSettings();
        QCOMPARE(radio.commands(), sent);
        QCOMPARE(rig.dialogs().messageTexts(), told.isEmpty() ? QStringList() : QStringList{told});
        for (const QString &c : ticks)
            QVERIFY(!r->check(c)->isChecked());
        QVERIFY(frmRestore::flags().RereadRequested);
        QVERIFY(r->Timer1->isActive());
        r->unload();
    }

    void secondSmallerFileSendsOnlyItsRows_data()
    {
        QTest::addColumn<QString>("then");
        QTest::newRow("Check All after it sends its one row") << "check all";
        QTest::newRow("Uncheck All after it sends nothing") << "uncheck all";
        QTest::newRow("every box ticked by hand after it sends only its row") << "tick every box";
    }

    // A full file, Check All, then a file holding one line: no row of the first file, and no "n/a"
    // of the rows the second one left empty, goes to the radio.
    void secondSmallerFileSendsOnlyItsRows()
    {
        QFETCH(QString, then);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        const QString full = rig.env().path(QStringLiteral("full.txt"));
        w.SaveConfigurationReport(full, false);
        const QString small = rig.env().path(QStringLiteral("small.txt"));
        QFile file(small);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("UNIT 34567\r\n");
        file.close();
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        rig.dialogs().answerOpen(full);
        r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));
        r->CheckAllButton_Click();
        QVERIFY(r->check(QStringLiteral("OwnCheck"))->isChecked());
        QVERIFY(r->check(QStringLiteral("DLINKCheck"))->isChecked());

        rig.dialogs().answerOpen(small);
        r->Toolbar1_ButtonClick(QStringLiteral("OpenConfig"));
        QList<QCheckBox *> boxes;
        for (const RadioSetting *row : Restore::rows())
            boxes << r->check(row->restoreCheck);
        for (QCheckBox *c : boxes)
            QVERIFY2(!c->isChecked(), qPrintable(c->objectName()));
        if (then == u"check all"_s)
            r->CheckAllButton_Click();
        else if (then == u"uncheck all"_s)
            r->UnCheckAllButton_Click();
        else
            for (QCheckBox *c : boxes)
                c->setChecked(true);
        radio.clearLog();
        rig.dialogs().clear();
        r->Toolbar1_ButtonClick(QStringLiteral("ProgramRadio"));
        QCOMPARE(radio.commands(), then == u"uncheck all"_s ? QStringList() : QStringList{"UNIT 34567"});
        QVERIFY(rig.dialogs().messages().isEmpty());
        r->unload();
    }

    // Save and Program would talk to the radio in the middle of the read-out's exchanges.
    void saveAndProgramDuringTheReadOutBeep_data()
    {
        QTest::addColumn<QString>("key");
        QTest::newRow("Save") << "SaveConfig";
        QTest::newRow("Program") << "ProgramRadio";
    }

    void saveAndProgramDuringTheReadOutBeep()
    {
        QFETCH(QString, key);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        r->check(QStringLiteral("UnitCheck"))->setEnabled(true);
        r->check(QStringLiteral("UnitCheck"))->setChecked(true);
        rig.dialogs().clear();
        bool clicked = false;
        onHeard(&rig.pty(), r, "mode", [&] {
            if (clicked || !r->readingOut())
                return;
            clicked = true;
            r->Toolbar1_ButtonClick(key);
        });
        r->RequestReread();
        QVERIFY(Clock::waitFor([&] { return clicked && frmRestore::flags().ExchangeIdle && !r->readingOut(); }, 60000));
        QCOMPARE(rig.dialogs().beeps(), 1);
        QCOMPARE(rig.dialogs().shown.size(), 1);   // the beep alone: no Save dialog
        QVERIFY(r->check(QStringLiteral("UnitCheck"))->isChecked());
        r->unload();
    }

    // When the existence test itself fails, the system's words say why; a missing file is named.
    void loadTellsWhyAFileCannotBeTested_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("a missing file is not found") << "missing.txt" << "%1 not found!";
        QTest::newRow("a name too long for the system") << QString(300, u'n') + ".txt" << "File name too long";
        QTest::newRow("a name whose links go round in a loop") << "loop.txt" << "Too many levels of symbolic links";
    }

    void loadTellsWhyAFileCannotBeTested()
    {
        QFETCH(QString, name);
        QFETCH(QString, message);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        frmCorvista &w = rig.openWindow();
        // A link to itself: every look at the name follows it again.
        QFile::link(rig.env().path(QStringLiteral("loop.txt")), rig.env().path(QStringLiteral("loop.txt")));
        const QString path = rig.env().path(name);
        frmRestore r(w);
        rig.dialogs().answerOpen(path);
        r.ReadConfigurationFile();
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{message.arg(path)});
        QCOMPARE(rig.dialogs().messages().value(0).icon, int(Msg::Exclamation));
        // The window is as it was: nothing read.
        QCOMPARE(r.FileSettingsLabel->text(), QStringLiteral("Settings in file"));
        QVERIFY(!frmRestore::flags().FileLoaded);
    }

    void saveWritesTheWindowsVariant_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("over an older file") << "saved.txt";
        QTest::newRow("over an older file with a 250-byte name") << QString(246, u's') + ".txt";
    }

    void saveWritesTheWindowsVariant()
    {
        QFETCH(QString, name);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        const QString path = rig.env().path(name);
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("an older file that is longer than anything the save writes\r\n");
        old.close();
        rig.dialogs().answerSave(path);
        // While the "Saving..." display stands in for the hidden window, the main window takes no
        // click: here one on Advanced, as the window system delivers it.
        bool clickedDuringDisplay = false;
        QTimer clicker;
        connect(&clicker, &QTimer::timeout, &w, [&] {
            if (clickedDuringDisplay || !frmProgram::instance().isVisible() || r->isVisible())
                return;
            clickedDuringDisplay = true;
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                              w.ButtonAdv->mapTo(&w, w.ButtonAdv->rect().center()));
        });
        clicker.start(1);
        r->Toolbar1_ButtonClick(QStringLiteral("SaveConfig"));
        clicker.stop();
        QVERIFY(clickedDuringDisplay);
        QVERIFY(!shared().AdvancedView);

        const QStringList lines = crLfFileLines(path);
        QVERIFY(lines.value(0).startsWith(QStringLiteral("Created by Karvel Wavecrest Configuration Software Version ")));
        QVERIFY(lines.value(1).startsWith(QStringLiteral("On ")));
        QCOMPARE(lines.mid(2, 6), (QStringList{"From Radio, serial number: SN 00123456", "With Firmware Version: ",
                                               "17-2851A01", "3.2.0  01Jan2024", "", ""}));
        const QStringList body = lines.mid(8);
        QCOMPARE(body.mid(0, 4), (QStringList{"UNIT 12345", "OWN WAVECREST SS", "OWM KARVEL", "MODE M"}));
        QVERIFY(body.contains(QStringLiteral("AMASK FFFF FFFF")));
        QVERIFY(!body.contains(QStringLiteral("SLEEP n/a")));    // a master's sleep is not available
        QCOMPARE(body.mid(body.size() - 8), (QStringList{"XMAP 00000001", "XPRI NONE", "XRSSI -90", "DTYPE NODE",
                                                         "DLINK 19200", "DLINK OFF", "RTU 0", "RTU OFF"}));
        QVERIFY(!body.contains(QStringLiteral("XMIN 0")));
        QVERIFY(frmRestore::openWindow() && frmRestore::openWindow()->isVisible());
        QVERIFY(shared().RefreshRequested);
        r->unload();
    }

    // A save that cannot be completed leaves the file that was there and shows no "Saving..."
    // display: a full disk and a file where the folder should be say why in the system's words,
    // a radio lost on the way has said so already.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("failure");
        QTest::addColumn<QString>("message");
        QTest::newRow("full disk") << "disk" << "File too large";
        QTest::newRow("a file where the folder should be") << "folder" << "Not a directory";
        QTest::newRow("radio lost during the save")
            << "radio" << "There was an error communicating with the radio. Please reconnect and try again";
    }

    void failedSaveKeepsTheOldFile()
    {
        QFETCH(QString, failure);
        QFETCH(QString, message);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        QString path = rig.env().path(QStringLiteral("saved.txt"));
        const QByteArray before("Created by an earlier save\r\nUNIT 10001\r\n");
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(before);
        old.close();
        if (failure == QLatin1String("folder"))
            path = rig.env().path(QStringLiteral("saved.txt/inside.txt"));
        if (failure == QLatin1String("radio"))
            radio.run([&] { rig.radio().config().silentBursts = -1; });
        rig.dialogs().clear();
        rig.dialogs().answerSave(path);
        shared().DownloadCancelled = false;
        {
            std::optional<FullDisk> disk;
            if (failure == QLatin1String("disk")) {
                disk.emplace(100);
                if (!disk->active())
                    QSKIP("no file-size limit on this system");
            }
            r->Toolbar1_ButtonClick(QStringLiteral("SaveConfig"));
        }
        radio.run([&] { rig.radio().config().silentBursts = 0; });

        QFile saved(rig.env().path(QStringLiteral("saved.txt")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), before);
        QCOMPARE(QDir(rig.env().home()).entryList({QStringLiteral("saved*")}, QDir::Files | QDir::Hidden),
                 QStringList{"saved.txt"});
        const QStringList texts = rig.dialogs().messageTexts();
        QVERIFY2(texts.size() == 1 && texts[0].contains(message), qPrintable(texts.join(QStringLiteral(" | "))));
        QVERIFY(!shared().DownloadCancelled);   // no progress display: nothing was saved
        QVERIFY(r->isEnabled());
        QVERIFY(frmRestore::flags().ExchangeIdle);
        r->unload();
    }

    void notLoggedInWarns_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opens");
        QTest::newRow("No keeps the window closed") << int(Msg::No) << false;
        QTest::newRow("Yes opens it for saving") << int(Msg::Yes) << true;
    }

    void notLoggedInWarns()
    {
        QFETCH(int, answer);
        QFETCH(bool, opens);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0"), false));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        rig.dialogs().answerMsgBox(answer);
        w.mnuConfigRestore_Click();
        QCOMPARE(rig.dialogs().messages().value(0).title, QStringLiteral("Warning!"));
        QVERIFY(rig.dialogs().messages().value(0).text.startsWith(QStringLiteral("Warning! You are not currently logged in")));
        QVERIFY(Clock::waitFor([&] { return radio.commands().size() >= 3; }, 2000));
        QCOMPARE(radio.commands().mid(0, 3), (QStringList{"deco", "ADDR 1000", "eeco"}));
        QCOMPARE(frmRestore::openWindow() != nullptr, opens);
        QCOMPARE(w.MSComm1->portOpen(), !opens);
        QCOMPARE(shared().RefreshRequested, !opens);
        if (frmRestore *r = frmRestore::openWindow())
            r->unload();
    }

    void lostRadioClosesTheWindowAndReconnects()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        frmRestore *r = openRestore(w);
        QVERIFY(r);
        Clock::startTimer(*w.Timer1, 1000);
        radio.run([&] { rig.radio().config().silentBursts = -1; });
        radio.clearLog();
        r->RequestReread();
        QVERIFY(Clock::waitFor([] { return !frmRestore::openWindow(); }, 10000));
        QVERIFY(rig.dialogs().messageTexts().contains(
            QStringLiteral("There was an error communicating with the radio. Please reconnect and try again")));
        radio.run([&] { rig.radio().config().silentBursts = 0; });
        QVERIFY(Clock::waitFor([&] { return radio.commands().contains(QStringLiteral("OPEN")); }, 60000));
        const QStringList lines = radio.commands();
        QVERIFY(lines.contains(QStringLiteral("CLOS")));
        QVERIFY(lines.indexOf(QStringLiteral("CLOS")) < lines.indexOf(QStringLiteral("OPEN")));
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(!shared().RestoreCommFailed);
    }

    // Each box below runs its own event loop, as a real one does while the user reads it: the
    // main window's tick closes the restore window meanwhile, under the procedure that showed it.
    void lostRadioDuringProgramWithModalBoxes()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        QPointer<frmRestore> r = openRestore(w);
        QVERIFY(r);
        for (const QString &row : {u"UnitAddr"_s, u"Mode"_s, u"PowerLevel"_s, u"HopTime"_s}) {
            r->box(u"New"_s + row)->setValue(r->box(row)->value());
            const RadioSetting *setting = findSettingByBox(row);
            r->check(setting->restoreCheck)->setEnabled(true);
            r->check(setting->restoreCheck)->setChecked(true);
        }
        // Long enough for the reconnect that the tick runs meanwhile.
        rig.dialogs().setModal(6000);
        SilentRadio silent(rig, radio, w);
        r->Toolbar1_ButtonClick(QStringLiteral("ProgramRadio"));

        QVERIFY(!frmRestore::openWindow());
        // The window went once the procedure had returned (here, outside any event loop, that
        // is when deferred deletions are sent).
        QVERIFY(r);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(r.isNull());
        QVERIFY(!rig.dialogs().messages().isEmpty());
        for (const QString &text : rig.dialogs().messageTexts())
            QCOMPARE(text, CommErrorText);
        QVERIFY(Clock::waitFor([&] { return w.MSComm1->portOpen() && radio.commands().contains(u"OPEN"_qs); }, 20000));
    }

    void closedDuringSaveWithModalBoxes()
    {
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        QPointer<frmRestore> r = openRestore(w);
        QVERIFY(r);
        const QString path = rig.env().path(QStringLiteral("saved.txt"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("the file saved before\r\n");
        old.close();
        rig.dialogs().answerSave(path);
        rig.dialogs().setModal(6000);
        // The user closes the window while the box about the lost radio is open.
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) {
            QTimer::singleShot(50, &w, [] {
                if (frmRestore *open = frmRestore::openWindow())
                    open->close();
            });
        };
        SilentRadio silent(rig, radio, w);
        r->Toolbar1_ButtonClick(QStringLiteral("SaveConfig"));

        QVERIFY(!frmRestore::openWindow());
        QVERIFY(r);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(r.isNull());
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{CommErrorText});
        QCOMPARE(crLfFileLines(path), QStringList{u"the file saved before"_s});
        QVERIFY(w.MSComm1->portOpen());
    }

    void closedWhileOpening_data()
    {
        QTest::addColumn<QByteArray>("heard");
        QTest::newRow("while the pages are laid out") << QByteArray("eeco");
        QTest::newRow("during the wake-up") << QByteArray("\x1b");
        QTest::newRow("during the first read-out") << QByteArray("mode");
    }

    // The close box works at any time; the window goes once its own loops have let it.
    void closedWhileOpening()
    {
        QFETCH(QByteArray, heard);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        rig.dialogs().setModal(1500);
        bool closed = false;
        bool heardIt = false;
        onHeard(&rig.pty(), &w, heard, [&] { heardIt = true; });
        // At the first event round once the radio has heard it and the window is there: the
        // bytes can cross the line before or after the window has registered itself.
        QTimer closer;
        connect(&closer, &QTimer::timeout, &w, [&] {
            if (frmRestore *open = frmRestore::openWindow(); open && heardIt && !closed) {
                closed = true;
                open->close();
            }
        });
        closer.start(1);
        w.mnuConfigRestore_Click();
        QPointer<frmRestore> r = frmRestore::openWindow();
        QVERIFY2(Clock::waitFor([&] { return closed && !frmRestore::openWindow(); }, 30000),
                 qPrintable(QStringLiteral("closed: %1; the radio heard: %2")
                                .arg(closed)
                                .arg(QString::fromLatin1(rig.radio().received().toPercentEncoding(" ")))));
        QVERIFY(Clock::waitFor([&] { return r.isNull(); }, 5000));
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(rig.dialogs().messages().isEmpty());
        Clock::pumpFor(300);
    }

    void unpluggedGivesOneMessage_data()
    {
        QTest::addColumn<QString>("during");
        QTest::addColumn<QByteArray>("heard");   // the adapter goes when the radio hears this
        QTest::newRow("the read-out") << u"readout"_s << QByteArray("mode");
        QTest::newRow("programming") << u"program"_s << QByteArray("UNIT");
        QTest::newRow("saving") << u"save"_s << QByteArray("ser");
    }

    // The window closes, the main window shows itself disconnected and nothing tries the missing
    // device again: the one message is the communication error box.
    void unpluggedGivesOneMessage()
    {
        QFETCH(QString, during);
        QFETCH(QByteArray, heard);
        RIG(rig, Scale, radioAt(QStringLiteral("3.2.0")));
        UnpluggablePort::install();
        RadioThread radio(rig);
        frmCorvista &w = connectQuiet(rig, radio, QStringLiteral("320"));
        QPointer<frmRestore> r = openRestore(w);
        QVERIFY(r);
        Clock::startTimer(*w.Timer1, 1000);
        rig.dialogs().setModal(1500);
        onHeard(&rig.pty(), &rig.pty(), heard, [] { UnpluggablePort::unplug(); }, Qt::DirectConnection);

        if (during == u"readout") {
            r->RequestReread();
        } else if (during == u"program") {
            for (const QString &row : {u"UnitAddr"_s, u"Mode"_s, u"PowerLevel"_s}) {
                r->box(u"New"_s + row)->setValue(r->box(row)->value());
                const RadioSetting *setting = findSettingByBox(row);
                r->check(setting->restoreCheck)->setEnabled(true);
                r->check(setting->restoreCheck)->setChecked(true);
            }
            r->Toolbar1_ButtonClick(QStringLiteral("ProgramRadio"));
        } else {
            rig.dialogs().answerSave(rig.env().path(QStringLiteral("saved.txt")));
            r->Toolbar1_ButtonClick(QStringLiteral("SaveConfig"));
        }
        QVERIFY(Clock::waitFor([&] { return !frmRestore::openWindow(); }, 20000));
        Clock::pumpFor(2000);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(r.isNull());
        QVERIFY(UnpluggablePort::unplugged());
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{CommErrorText});
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        QVERIFY(!shared().RestoreCommFailed);
    }

    // The plain rules, where a row of text says it all.
    void fileLinesGoToTheirRows_data()
    {
        QTest::addColumn<QString>("rev");
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("text");
        QTest::newRow("owner message holding UNIT is taken as the unit line")
            << "320" << QStringList{"OWM UNIT 7 NORTH"} << "NewUnitAddr" << "OWM UNIT 7 NORTH";
        QTest::newRow("DEVICE CTS KEY is the device type") << "320" << QStringList{"DEVICE CTS KEY"} << "NewDeviceType"
                                                           << "DEVICE CTS KEY";
        QTest::newRow("XMIN 3 and XMAX 5 build the map") << "320" << QStringList{"XMIN 3", "XMAX 5"} << "NewXMAP"
                                                         << "XMAP 00000038";
        QTest::newRow("a second pair adds to the map")
            << "320" << QStringList{"XMIN 3", "XMAX 5", "XMIN 0", "XMAX 0"} << "NewXMAP" << "XMAP 00000039";
        QTest::newRow("XMAX without XMIN gives an empty map") << "320" << QStringList{"XMAX 5"} << "NewXMAP"
                                                              << "XMAP 00000000";
        QTest::newRow("RXD below 300 is dropped") << "250" << QStringList{"RXD 5"} << "" << "";
        QTest::newRow("LPMHOLD never fills LPM") << "320" << QStringList{"LPMHOLD 10"} << "NewLPMHOLD" << "LPMHOLD 10";
        QTest::newRow("AMASK takes the mask label") << "320" << QStringList{"AMASK 0000FFFF"} << "NewAlarmMask"
                                                    << "MASK:  0000FFFF";
    }

    void fileLinesGoToTheirRows()
    {
        QFETCH(QString, rev);
        QFETCH(QStringList, lines);
        QFETCH(QString, box);
        QFETCH(QString, text);
        Restore::ReadState state;
        std::optional<Restore::LineEffect> last;
        for (const QString &l : lines)
            last = Restore::interpretLine(l, rev, state);
        QCOMPARE(last ? last->newBox : QString(), box);
        QCOMPARE(last ? last->text : QString(), text);
    }

    // What the window reads 50 ms after a command can begin with a reply that came late for the
    // command before: the answer is the one behind this command's echo.
    void cutsTakeTheAnswerBehindTheEcho_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("cut");
        QTest::newRow("a setting") << "owm" << "ACCESS DENIED\r\n>owm\r\nKARVEL\r\n>" << "KARVEL";
        QTest::newRow("the serial number") << "ser" << "\r\n>ser\r\nSN 00123456\r\n>"
                                           << "From Radio, serial number: SN 00123456";
        QTest::newRow("the firmware") << "srev" << "\r\n>srev\r\n17-2851A01\r\n3.2.0\r\n>"
                                      << "With Firmware Version: |17-2851A01|3.2.0";
        QTest::newRow("an answer still coming gives nothing") << "owm" << "\r\n>owm\r\nKAR" << "";
    }

    void cutsTakeTheAnswerBehindTheEcho()
    {
        QFETCH(QString, query);
        QFETCH(QString, reply);
        QFETCH(QString, cut);
        std::optional<QString> got;
        if (query == u"ser"_s)
            got = Restore::serialNumberLine(reply);
        else if (query == u"srev"_s)
            got = Restore::firmwareLines(reply).value_or(QStringList()).join(u'|');
        else
            got = Restore::cutReply(query, reply, false);
        QCOMPARE(got.value_or(QString()), cut);
    }

    void pairLinesJoin()
    {
        QCOMPARE(Restore::pairText("n/a", "DLINK 19200"), QStringLiteral("DLINK 19200"));
        QCOMPARE(Restore::pairText("DLINK 19200", "DLINK OFF"), QStringLiteral("DLINK 19200 (OFF)"));
        QCOMPARE(Restore::pairText("n/a", "DLINK OFF"), QStringLiteral("DLINK OFF"));
        // Nothing from the file: nothing to send, not even the state.
        QCOMPARE(Restore::programCommands(*findSettingByBox("DLINK"), "n/a"), QStringList{});
        QCOMPARE(Restore::programCommands(*findSettingByBox("DLINK"), "DLINK OFF"), QStringList{"DLINK OFF"});
    }

    void savedLinesFollowModeAndRevision_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("rev");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");
        QTest::newRow("remote: no RXTOT and no master rows")
            << "MODE R" << "320" << QStringList{"SLEEP ON", "XADDR 0"} << QStringList{"RXTOT 10", "HOPTIME 28", "SAF OFF"};
        QTest::newRow("below 200: XMIN and XMAX, no extensions or links")
            << "MODE M" << "150" << QStringList{"XMIN 0", "XMAX 31", "RXTOT 10"}
            << QStringList{"XMAP 00000001", "DTYPE NODE", "DLINK OFF", "RTU 0"};
        QTest::newRow("unreadable revision writes no n/a box")
            << "MODE M" << "" << QStringList{"XMIN 0", "DLINK OFF"} << QStringList{"n/a", "XMAP 00000001"};
    }

    void savedLinesFollowModeAndRevision()
    {
        QFETCH(QString, mode);
        QFETCH(QString, rev);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        const QHash<QString, QString> boxes = {
            {"Mode", mode},          {"RxTimeOut", "RXTOT 10"}, {"SleepMode", "SLEEP ON"},   {"HopTime", "HOPTIME 28"},
            {"StoreAndForward", "SAF OFF"}, {"XADDR", "XADDR 0"}, {"XMIN", "XMIN 0"},       {"XMAX", "XMAX 31"},
            {"XMAP", "XMAP 00000001"}, {"DTYPE", "DTYPE NODE"},  {"DLINK", "n/a"},          {"SoftRTU", "RTU 0 (OFF)"},
            {"RXD", "n/a"},           {"CSADDR", "n/a"}};
        const QStringList lines = Restore::settingLines(
            [&](const QString &b) { return boxes.value(b, QStringLiteral("n/a")); }, rev);
        for (const QString &p : present)
            QVERIFY2(lines.contains(p), qPrintable(p));
        for (const QString &a : absent)
            QVERIFY2(!lines.contains(a), qPrintable(a));
    }
};

QTEST_MAIN(TestRestore)
#include "tst_restore.moc"
