// Programming a radio from a configuration file against the simulated radio over a
// pseudo-terminal: which lines reach the radio and in what order, the pauses, the unit number
// question, the check that a file is a configuration file, and a radio that stops answering.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

// A line costs about 12 ms of real time; the 2 s port time-out 200 ms.
constexpr double Scale = 0.1;

const QString NotAConfigFile = QStringLiteral("The file does not appear to be a saved configuration file\r\n"
                                              "that was created with this Wavecrest Configuration utility.\r\n\r\n"
                                              "Do you want to send it to the radio anyway ?");
const QString TimedOut = QStringLiteral("Radio Communication Error.\r\n\r\nPlease Reconnect.\r\n\r\n"
                                        "If there is still a problem, please check all cabling and the power supply.");

void writeLines(const QString &path, const QStringList &lines, const char *lineEnd = "\r\n")
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    for (const QString &line : lines)
        f.write(line.toLatin1() + lineEnd);
}

QStringList savedConfiguration()
{
    return {"#Created by Karvel Wavecrest Configuration Software Version 3.0.1", "#On 01/02/2024",
            "#With Firmware Version:  17-2851A01 3.2.0  01Jan2024", "", "", "UNIT 12345", "ADDR 1001", "XADDR 3"};
}

const QStringList Baseline{"#baseline", "XPRI 2", "CTS 7"};

QString cannotBeRead(const QString &path, const QString &why)
{
    return QStringLiteral("The file could not be read:\r\n") + QDir::toNativeSeparators(path)
        + QStringLiteral("\r\n\r\n") + why;
}

// Everything the radio heard; the connect's lines were emptied before the test began.
QStringList heard(FakeRadio &radio)
{
    return radio.lines();
}

QStringList inputDefaults(const ScriptedDialogs &d)
{
    QStringList out;
    for (const auto &s : d.shown)
        if (s.kind == QLatin1String("input"))
            out << s.defaultText;
    return out;
}

} // namespace

class TestConfigLoader : public QObject
{
    Q_OBJECT
private slots:
    void loadChecksTheFile_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<QString>("refusal");   // why the file is refused, in the message that names it
        QTest::addColumn<QStringList>("configLines");
        const QStringList saved = savedConfiguration();
        const QStringList plain{"ADDR 1001", "XADDR 3"};
        QTest::newRow("saved configuration loads without a question")
            << saved << QByteArray("\r\n") << int(Msg::Yes) << true << false << QString() << saved;
        QTest::newRow("firmware line found in any case")
            << QStringList{"#with firmware version: x", "ADDR 1"} << QByteArray("\r\n") << int(Msg::No) << true
            << false << QString() << QStringList{"#with firmware version: x", "ADDR 1"};
        QTest::newRow("unrecognised file answered Yes")
            << plain << QByteArray("\r\n") << int(Msg::Yes) << true << true << QString() << plain;
        QTest::newRow("unrecognised file answered No still holds its lines")
            << plain << QByteArray("\r\n") << int(Msg::No) << false << true << QString() << plain;
        QTest::newRow("LF line ends read as lines") << saved << QByteArray("\n") << int(Msg::Yes) << true << false
                                                    << QString() << saved;
        QStringList full = saved;
        while (full.size() < 101)
            full << "CTS 1";
        QTest::newRow("101 lines load") << full << QByteArray("\r\n") << int(Msg::Yes) << true << false << QString()
                                        << full;
        QTest::newRow("102 lines are refused, saying so")
            << (full + QStringList{"CTS 2"}) << QByteArray("\r\n") << int(Msg::Yes) << false << false
            << "It holds 102 lines; a configuration has at most 101." << QStringList{};
        QTest::newRow("empty file is refused, saying so") << QStringList{} << QByteArray("\r\n") << int(Msg::Yes)
                                                          << false << false << "It holds no line." << QStringList{};
    }

    void loadChecksTheFile()
    {
        QFETCH(QStringList, lines);
        QFETCH(QByteArray, lineEnd);
        QFETCH(int, answer);
        QFETCH(bool, loaded);
        QFETCH(bool, asked);
        QFETCH(QString, refusal);
        QFETCH(QStringList, configLines);
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        writeLines(rig.env().path("chosen.txt"), lines, lineEnd.constData());
        shared().ConfigLines = QStringList{"EARLIER"};
        rig.dialogs().answerMsgBox(answer);
        QString name = rig.env().path("chosen.txt");
        QCOMPARE(w.LoadConfigurationFile(name, false), loaded);
        QStringList messages;
        if (asked)
            messages << NotAConfigFile;
        if (!refusal.isEmpty())
            messages << cannotBeRead(name, refusal);
        QCOMPARE(rig.dialogs().messageTexts(), messages);
        if (!messages.isEmpty())
            QCOMPARE(rig.dialogs().messages().first().title, asked ? QStringLiteral("File Error") : "File I/O Error");
        QCOMPARE(shared().ConfigLines, configLines);
        QCOMPARE(name, rig.env().path("chosen.txt"));
    }

    void loadOfMissingFileKeepsTheLines()
    {
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        shared().ConfigLines = QStringList{"EARLIER"};
        QString name = rig.env().path("missing.txt");
        QVERIFY(!w.LoadConfigurationFile(name, false));
        QString baseline;
        QVERIFY(!w.LoadConfigurationFile(baseline, true));
        QCOMPARE(shared().ConfigLines, QStringList{"EARLIER"});
        QCOMPARE(baseline, rig.env().path("NewRadio.txt"));
    }

    void newRadioFileIsNeverQuestioned()
    {
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        writeLines(rig.env().path("NewRadio.txt"), Baseline);
        QString name = QStringLiteral("ignored.txt");
        QVERIFY(w.LoadConfigurationFile(name, true));
        QCOMPARE(name, rig.env().path("NewRadio.txt"));
        QCOMPARE(shared().ConfigLines, Baseline);
        QVERIFY(rig.dialogs().shown.isEmpty());
    }

    void sendSkipsCommentsAndPausesAtEmptyLines()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        shared().ConfigLines = {"#comment", "ADDR 1001", "", "", "XADDR 3"};
        shared().IgnoreCommEvents = true;
        w.txtTerm->setText(QStringLiteral("\r\n\r\n\r\n\r\n\r\nRESTORING."));
        const qint64 t0 = Clock::nowMs();
        w.SendConfigurationLines(false);
        const qint64 took = Clock::nowMs() - t0;
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().received(), QByteArray("ADDR 1001\rXADDR 3\r"));
        QCOMPARE(rig.radio().config().addr, QStringLiteral("1001"));
        QCOMPARE(rig.radio().config().xaddr, QStringLiteral("3"));
        // Two empty lines: two seconds of pause, and a first read 100 ms after each line.
        QVERIFY2(took >= 2200 && took < 22000, qPrintable(QString::number(took)));
        QCOMPARE(w.txtTerm->text(), QStringLiteral("\r\n\r\n\r\n\r\n\r\nRESTORING..."));
        QCOMPARE(w.panelStatus->text(), QStringLiteral("XADDR 3"));
        // The last line sent stays until something else writes the panel.
        Clock::pumpFor(2500);
        QCOMPARE(w.panelStatus->text(), QStringLiteral("XADDR 3"));
        // The finished sender leaves the flag to its caller.
        QVERIFY(shared().IgnoreCommEvents);
        QVERIFY(!w.ConfigSendAborted);
        QVERIFY(rig.dialogs().shown.isEmpty());
    }

    void unitQuestion_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QStringList>("defaults");
        QTest::addColumn<QStringList>("messages");
        QTest::newRow("a number gives UNIT and the number")
            << "UNIT 4321" << QStringList{"12345"} << "UNIT 12345" << QStringList{"UNIT 4321"}
            << QStringList{"New Unit: UNIT 12345"};
        QTest::newRow("UNIT typed in front is taken off")
            << "UNIT 4321" << QStringList{"UNIT 23456"} << "UNIT 23456" << QStringList{"UNIT 4321"}
            << QStringList{"New Unit: UNIT 23456"};
        QTest::newRow("unit in lower case is taken off")
            << "UNIT 4321" << QStringList{" unit 34567 "} << "UNIT 34567" << QStringList{"UNIT 4321"}
            << QStringList{"New Unit: UNIT 34567"};
        QTest::newRow("Cancel sends the line unchanged")
            << "UNIT 4321" << QStringList{""} << "UNIT 4321" << QStringList{"UNIT 4321"} << QStringList{};
        QTest::newRow("9999 asks again, offering what was typed")
            << "UNIT 4321" << QStringList{"9999", ""} << "UNIT 4321" << QStringList{"UNIT 4321", "9999"}
            << QStringList{};
        QTest::newRow("65001 asks again") << "UNIT 4321" << QStringList{"65001", "65000"} << "UNIT 65000"
                                          << QStringList{"UNIT 4321", "65001"}
                                          << QStringList{"New Unit: UNIT 65000"};
        QTest::newRow("too many digits for a number ask again")
            << "UNIT 4321" << QStringList{"99999999999", "99999999999999999999", ""} << "UNIT 4321"
            << QStringList{"UNIT 4321", "99999999999", "99999999999999999999"} << QStringList{};
        QTest::newRow("a line end in the answer is refused and asked again")
            << "UNIT 4321" << QStringList{"12345\r\npwr 21", "12345\r", "23456"} << "UNIT 23456"
            << QStringList{"UNIT 4321", "UNIT 4321", "UNIT 4321"}
            << QStringList{ControlCharacterMessage(), ControlCharacterMessage(), "New Unit: UNIT 23456"};
        QTest::newRow("letters ask again") << "UNIT 4321" << QStringList{"UNIT abc", "10000"} << "UNIT 10000"
                                           << QStringList{"UNIT 4321", "abc"} << QStringList{"New Unit: UNIT 10000"};
        QTest::newRow("blanks only ask again") << "UNIT 4321" << QStringList{"   ", ""} << "UNIT 4321"
                                               << QStringList{"UNIT 4321", ""} << QStringList{};
        QTest::newRow("a number that is not a whole number asks again")
            << "UNIT 4321" << QStringList{"12345.0", ""} << "UNIT 4321" << QStringList{"UNIT 4321", "12345.0"}
            << QStringList{};
        QTest::newRow("an owner text holding unit is offered too; Cancel sends it unchanged")
            << "OWN PUMP UNIT 7" << QStringList{""} << "OWN PUMP UNIT 7" << QStringList{"OWN PUMP UNIT 7"}
            << QStringList{};
    }

    void unitQuestion()
    {
        QFETCH(QString, entry);
        QFETCH(QStringList, answers);
        QFETCH(QString, sent);
        QFETCH(QStringList, defaults);
        QFETCH(QStringList, messages);
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        for (const QString &a : answers)
            rig.dialogs().answerInput(a);
        shared().ConfigLines = {entry, "ADDR 1001"};
        shared().IgnoreCommEvents = true;
        w.SendConfigurationLines(true);
        QCOMPARE(heard(rig.radio()), (QStringList{sent, "ADDR 1001"}));
        QCOMPARE(shared().ConfigLines.first(), sent);
        QCOMPARE(inputDefaults(rig.dialogs()), defaults);
        QCOMPARE(rig.dialogs().shown.first().title, QStringLiteral("Check UNIT number."));
        QVERIFY(rig.dialogs().shown.first().text.contains(
            QLatin1String("the entry MUST be a five digit number in the range above.")));
        QCOMPARE(rig.dialogs().messageTexts(), messages);
    }

    void withoutTheUnitPromptNothingIsAsked()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        shared().ConfigLines = {"UNIT 4321"};
        shared().IgnoreCommEvents = true;
        w.SendConfigurationLines(false);
        QCOMPARE(heard(rig.radio()), QStringList{"UNIT 4321"});
        QVERIFY(rig.dialogs().shown.isEmpty());
    }

    void silentRadioStopsTheSenderAfterTwoSeconds()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().hangsAt = QStringLiteral("ADDR 1001");
        shared().ConfigLines = {"ADDR 1001", "XADDR 3", "CTS 5"};
        shared().IgnoreCommEvents = true;
        const qint64 t0 = Clock::nowMs();
        w.SendConfigurationLines(false);
        const qint64 took = Clock::nowMs() - t0;
        // The time-out timer may fire up to 5 % early.
        QVERIFY2(took >= 1850 && took < 20000, qPrintable(QString::number(took)));
        Clock::pumpFor(100);
        QCOMPARE(heard(rig.radio()), QStringList{"ADDR 1001"});
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{TimedOut});
        QVERIFY(w.ConfigSendAborted);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(!shared().PortTimedOut);
        QVERIFY(shared().RefreshRequested);
        QVERIFY(!w.cmdProgramFromFile->isEnabled());
    }

    void programFromFile_data()
    {
        QTest::addColumn<bool>("withBaseline");
        QTest::addColumn<QStringList>("file");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("questions");
        const QStringList saved = savedConfiguration();
        const QStringList plain{"ADDR 1001", "XADDR 3"};
        QTest::newRow("NewRadio.txt first, then the file")
            << true << saved << QList<int>{} << QStringList{"XPRI 2", "CTS 7", "UNIT 12345", "ADDR 1001", "XADDR 3"}
            << 0;
        QTest::newRow("without NewRadio.txt the file goes once")
            << false << saved << QList<int>{} << QStringList{"UNIT 12345", "ADDR 1001", "XADDR 3"} << 0;
        QTest::newRow("unrecognised file answered No sends nothing")
            << true << plain << QList<int>{Msg::No} << QStringList{} << 1;
        QTest::newRow("unrecognised file answered Yes is asked about once")
            << true << plain << QList<int>{Msg::Yes, Msg::No} << QStringList{"XPRI 2", "CTS 7", "ADDR 1001", "XADDR 3"}
            << 1;
        QTest::newRow("header lines without # are sent like any other")
            << false << QStringList{"With Firmware Version: 3.2.0", "ADDR 1001"} << QList<int>{}
            << QStringList{"With Firmware Version: 3.2.0", "ADDR 1001"} << 0;
    }

    void programFromFile()
    {
        QFETCH(bool, withBaseline);
        QFETCH(QStringList, file);
        QFETCH(QList<int>, answers);
        QFETCH(QStringList, sent);
        QFETCH(int, questions);
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        if (withBaseline)
            writeLines(rig.env().path("NewRadio.txt"), Baseline);
        writeLines(rig.env().path("chosen.txt"), file);
        rig.dialogs().answerOpen(rig.env().path("chosen.txt"));
        for (int a : answers)
            rig.dialogs().answerMsgBox(a);
        QVERIFY(w.cmdProgramFromFile->isEnabled());
        w.cmdProgramFromFile->click();
        QCOMPARE(heard(rig.radio()), sent);
        QCOMPARE(rig.dialogs().messages().size(), questions);
        QCOMPARE(rig.dialogs().shown.first().title, QStringLiteral("Radio Configuration Restore"));
        QCOMPARE(rig.dialogs().shown.first().defaultText, QStringLiteral("TEXT Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
        if (!sent.isEmpty()) {
            QCOMPARE(w.txtTerm->text(), QStringLiteral("\r\n").repeated(5) + QStringLiteral("RESTORING.")
                                            + QString(sent.size(), QLatin1Char('.')));
            QVERIFY(shared().RefreshRequested);
        }
    }

    // A radio that answers every line at once still leaves the window its events: the timers
    // tick (and the window paints) while a long file goes out.
    void windowEventsRunWhileTheLinesGoOut()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        QStringList commands;
        for (int i = 0; i < 30; ++i)
            commands << QStringLiteral("CTS %1").arg(i);
        writeLines(rig.env().path("chosen.txt"), savedConfiguration().mid(0, 3) + commands);
        rig.dialogs().answerOpen(rig.env().path("chosen.txt"));
        const int ticks = ticksWhileThreaded(rig.radio(), rig.pty(), [&] { w.cmdProgramFromFile->click(); });
        QVERIFY2(ticks >= 30, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
        QCOMPARE(heard(rig.radio()), commands);
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    void cancelledOpenDialogSendsNothing()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        writeLines(rig.env().path("NewRadio.txt"), Baseline);
        w.cmdProgramFromFile_Click();
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(!shared().RefreshRequested);
    }

    // A baseline that is there but cannot be loaded: sending the rest without it would leave a
    // radio half old and half new, so nothing at all is sent, and the user reads why.
    void unloadableBaselineStopsTheRun_data()
    {
        QTest::addColumn<QString>("run");
        QTest::addColumn<int>("baselineLines");
        QTest::addColumn<QString>("refusal");
        const QString tooLong = QStringLiteral("It holds 150 lines; a configuration has at most 101.");
        QTest::newRow("150 lines: PROGRAM RADIO FROM FILE sends nothing") << "file" << 150 << tooLong;
        QTest::newRow("150 lines: a preset sends nothing") << "preset" << 150 << tooLong;
        QTest::newRow("150 lines: quick setup sends nothing") << "quick" << 150 << tooLong;
        QTest::newRow("empty: quick setup sends nothing") << "quick" << 0 << "It holds no line.";
    }

    void unloadableBaselineStopsTheRun()
    {
        QFETCH(QString, run);
        QFETCH(int, baselineLines);
        QFETCH(QString, refusal);
        RIG(rig, Scale, writableRadio());
        QStringList baseline;
        for (int i = 0; i < baselineLines; ++i)
            baseline << QStringLiteral("CTS %1").arg(i % 10);
        writeLines(rig.env().path("NewRadio.txt"), baseline);
        QVERIFY(QDir().mkpath(rig.env().path("Presets")));
        writeLines(rig.env().path("Presets/Preset1.txt"),
                   QStringList{"#PresetFile1", "#Name:Pump station", "#PresetCaption:Pump"} + savedConfiguration());
        writeLines(rig.env().path("chosen.txt"), savedConfiguration());
        frmCorvista &w = connectQuietly(rig);
        if (run == QLatin1String("file")) {
            rig.dialogs().answerOpen(rig.env().path("chosen.txt"));
            w.cmdProgramFromFile->click();
        } else if (run == QLatin1String("preset")) {
            rig.dialogs().answerMsgBox(Msg::Yes);
            w.cmdPre_MouseUp(0, 1);
        } else {
            rig.dialogs().answerMsgBox(Msg::Yes);
            w.cmdMaster->click();
        }
        QVERIFY(rig.settle());
        QCOMPARE(heard(rig.radio()), QStringList{});
        QStringList messages = rig.dialogs().messageTexts();
        if (run != QLatin1String("file"))
            messages.removeFirst();   // the run's own question
        QCOMPARE(messages, QStringList{cannotBeRead(rig.env().path("NewRadio.txt"), refusal)});
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(shared().RefreshRequested);
    }

    void radioSilentDuringTheBaselineGetsNothingMore()
    {
        RIG(rig, Scale, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().hangsAt = QStringLiteral("XPRI 2");
        writeLines(rig.env().path("NewRadio.txt"), Baseline);
        writeLines(rig.env().path("chosen.txt"), savedConfiguration());
        rig.dialogs().answerOpen(rig.env().path("chosen.txt"));
        w.RestoreConfiguration();
        Clock::pumpFor(100);
        QCOMPARE(heard(rig.radio()), QStringList{"XPRI 2"});
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{TimedOut});
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
    }

    // A file the report writer saved goes back into a radio line for line: every line is one the
    // radio takes, and the radio ends with the settings the file was saved from.
    void savedFileProgramsTheRadioBack()
    {
        FakeRadio::Config saved = writableRadio();
        saved.unit = QStringLiteral("23456");
        saved.own = QStringLiteral("PUMP STATION");
        saved.pwr = QStringLiteral("25");
        saved.baud = QStringLiteral("19200 8N1");
        saved.amask = QStringLiteral("0000 FFFF");
        saved.asense = QStringLiteral("LO");
        saved.addr = QStringLiteral("2001");
        saved.csaddr = QStringLiteral("2002");
        saved.skip = QStringLiteral("3,5");
        saved.xmap = QStringLiteral("0000000F");
        saved.dlinkOn = true;
        RIG(rig, Scale, saved);
        frmCorvista &w = connectQuietly(rig);
        QVERIFY(QFile::copy(QFINDTESTDATA("../../src/config/NewRadio.txt"), rig.env().path("NewRadio.txt")));
        w.SaveConfigurationReport(rig.env().path("saved.txt"), false);
        QVERIFY(shared().ReportWritten);

        rig.radio().config() = writableRadio();
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        QByteArray answers;
        connect(&rig.radio(), &FakeRadio::transmit, this, [&answers](const QByteArray &b) { answers += b; });
        rig.dialogs().answerOpen(rig.env().path("saved.txt"));
        w.RestoreConfiguration();

        QVERIFY(rig.settle());
        QVERIFY(!rig.radio().lines().isEmpty());
        for (const char *refusal : {"UNRECOGNISED", "INVALID", "DENIED"})
            QVERIFY2(!answers.contains(refusal), answers.constData());
        const FakeRadio::Config &now = rig.radio().config();
        for (auto field : {&FakeRadio::Config::unit, &FakeRadio::Config::own, &FakeRadio::Config::pwr,
                           &FakeRadio::Config::baud, &FakeRadio::Config::amask, &FakeRadio::Config::asense,
                           &FakeRadio::Config::addr, &FakeRadio::Config::csaddr, &FakeRadio::Config::skip,
                           &FakeRadio::Config::xmap})
            QCOMPARE(now.*field, saved.*field);
        QCOMPARE(now.dlinkOn, true);
    }
};

QTEST_MAIN(TestConfigLoader)
#include "tst_configloader.moc"
