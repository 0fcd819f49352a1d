// Editing a setting by clicking its value box, against the simulated radio over a
// pseudo-terminal: what the user is asked, the command line the radio receives, and the re-read
// that follows.
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QTest>
#include <QTimer>

#define RIG(name, ...)                                                                                                 \
    RadioRig name{__VA_ARGS__};                                                                                        \
    if (!name.ok())                                                                                                    \
        QSKIP("This machine gives no pseudo-terminal.");

namespace {

// A radio that takes every write, so an accepted edit ends its wait at once.
FakeRadio::Config openRadio()
{
    FakeRadio::Config c;
    c.password.clear();
    return c;
}

// Connects and leaves the wire quiet for the edit: the main timer stopped (no read-out or
// keep-alive meets it), the connect's last prompts received, the radio's log and the dialogs empty.
void setBox(frmCorvista &w, const QString &name, const QString &text)
{
    w.Pages.box(name)->setText(text);
}

// The user's click, as the box reports it.
void click(frmCorvista &w, const QString &name)
{
    emit w.Pages.box(name)->clicked();
}

QStringList linesOf(const QString &sent)
{
    return sent.isEmpty() ? QStringList() : QStringList{sent};
}

} // namespace

class TestEditHandlers : public QObject
{
    Q_OBJECT
private slots:
    void lineEndInAnAnswerSendsNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("answer");
        QTest::newRow("owner's message with a CR and a second command") << "OwnerMessage" << "Pump 3\rpwr 21";
        QTest::newRow("owner's name with a line feed") << "OwnerName" << "Pump 3\npwr 21";
        QTest::newRow("stripped row with CR LF at the end") << "RxTimeOut" << "RXTOT 10\r\n";
        QTest::newRow("network address sent whole") << "NetworkAddress" << "ADDR 5\rpwr 21";
        QTest::newRow("a tab") << "PowerLevel" << "PWR\t21";
    }

    void lineEndInAnAnswerSendsNothing()
    {
        QFETCH(QString, box);
        QFETCH(QString, answer);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("Mode"), QStringLiteral("MODE M"));
        rig.dialogs().answerInput(answer);

        click(w, box);

        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{});
        QCOMPARE(rig.radio().config().pwr, QStringLiteral("30"));
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{ControlCharacterMessage()});
        QCOMPARE(rig.dialogs().messages()[0].title, QStringLiteral("Error!"));
        QCOMPARE(rig.dialogs().messages()[0].icon, int(Msg::Critical));
        QVERIFY(!shared().RefreshRequested);
    }

    void inputEditSendsOneCommand_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("sent");

        QTest::newRow("default answer is re-sent after its label") << "MODE M" << "RxTimeOut" << "RXTOT 10"
                                                                    << "RXTOT 10" << "rxtot 10";
        QTest::newRow("power default keeps its unit") << "MODE M" << "PowerLevel" << "PWR 30 dBm" << "PWR 30 dBm"
                                                      << "pwr 30 dBm";
        QTest::newRow("XMIN label typed in lower case is stripped") << "MODE M" << "XMIN" << "XMIN 0" << "xmin 5"
                                                                    << "xmin 5";
        QTest::newRow("XMIN value alone") << "MODE M" << "XMIN" << "XMIN 0" << "5" << "xmin 5";
        QTest::newRow("words before the label go with it") << "MODE M" << "RxTimeOut" << "RXTOT 10"
                                                           << "set rxtot 20" << "rxtot 20";
        QTest::newRow("blanks after the label stay") << "MODE M" << "RxTimeOut" << "RXTOT 10" << "RXTOT  20"
                                                     << "rxtot  20";
        QTest::newRow("alarm mask default keeps the blank after MASK:")
            << "MODE M" << "AlarmMask" << "MASK: FFFF FFFF" << "MASK: FFFF FFFF" << "amask  FFFF FFFF";
        QTest::newRow("alarm sense label of two words") << "MODE M" << "AlarmSense" << "ALARM ACTIVE HI"
                                                        << "ALARM ACTIVE LO" << "asense LO";
        QTest::newRow("network address default is sent whole") << "MODE M" << "NetworkAddress" << "ADDR 1000"
                                                               << "ADDR 1000" << "ADDR 1000";
        QTest::newRow("network address with addr in lower case is sent as typed")
            << "MODE M" << "NetworkAddress" << "ADDR 1000" << "addr 2000" << "addr 2000";
        QTest::newRow("bare network address gets the command word") << "MODE M" << "NetworkAddress" << "ADDR 1000"
                                                                    << "2000" << "addr 2000";
        QTest::newRow("clock sync address typed there is sent whole") << "MODE M" << "NetworkAddress"
                                                                      << "ADDR 1000" << "CSADDR 5" << "CSADDR 5";
        QTest::newRow("XRSSI bare value gets a minus") << "MODE M" << "XRSSI" << "XRSSI -90" << "60"
                                                       << "xrssi -60";
        QTest::newRow("XRSSI label and negative value") << "MODE M" << "XRSSI" << "XRSSI -90" << "XRSSI -60"
                                                        << "xrssi -60";
        QTest::newRow("XRSSI label without minus loses it with the label")
            << "MODE M" << "XRSSI" << "XRSSI -90" << "XRSSI 60" << "xrssi 60";
        QTest::newRow("owner name is sent whole") << "MODE M" << "OwnerName" << "WAVECREST SS" << "PUMP 3 UNIT 5"
                                                  << "own PUMP 3 UNIT 5";
        QTest::newRow("radio mode") << "MODE M" << "Mode" << "MODE M" << "MODE R" << "mode R";
        QTest::newRow("master-only box on a master") << "MODE M" << "HopTime" << "HOPTIME 28" << "7" << "hoptime 7";
        QTest::newRow("extension address on an extension") << "MODE X" << "XADDR" << "XADDR 0" << "XADDR 3"
                                                            << "xaddr 3";
    }

    void inputEditSendsOneCommand()
    {
        QFETCH(QString, mode);
        QFETCH(QString, box);
        QFETCH(QString, boxText);
        QFETCH(QString, answer);
        QFETCH(QString, sent);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("Mode"), mode);
        setBox(w, box, boxText);
        rig.dialogs().answerInput(answer);

        click(w, box);

        QCOMPARE(rig.dialogs().shown.size(), 1);
        QCOMPARE(rig.dialogs().shown[0].kind, QStringLiteral("input"));
        QCOMPARE(rig.dialogs().shown[0].defaultText, boxText);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{sent});
        QVERIFY(shared().RefreshRequested);
        // The page shows the old value until the re-read.
        QCOMPARE(w.Pages.box(box)->text(), boxText);
    }

    void acceptedEditReachesTheRadio_data()
    {
        QTest::addColumn<int>("key");   // 0: the mouse's left button
        QTest::newRow("a click on the box") << 0;
        QTest::newRow("Enter on the focused box") << int(Qt::Key_Return);
        QTest::newRow("the keypad's Enter on the focused box") << int(Qt::Key_Enter);
        QTest::newRow("Space on the focused box") << int(Qt::Key_Space);
        QTest::newRow("F2 on the focused box") << int(Qt::Key_F2);
    }

    void acceptedEditReachesTheRadio()
    {
        QFETCH(int, key);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("UnitAddr"), QStringLiteral("UNIT 12345"));
        rig.dialogs().answerInput(QStringLiteral("UNIT 23456"));
        QWidget *box = w.Pages.box(QStringLiteral("UnitAddr"));
        if (key)
            QTest::keyClick(box, Qt::Key(key));
        else
            QTest::mouseClick(box, Qt::LeftButton);
        QCOMPARE(rig.dialogs().shown.size(), 1);
        QCOMPARE(rig.radio().config().unit, QStringLiteral("23456"));
        QVERIFY(w.txtTerm->text().contains(QStringLiteral("PROGRAMMED OK")));
        QCOMPARE(rig.dialogs().shown[0].title, QStringLiteral("Program Unit Address"));
        QCOMPARE(rig.dialogs().shown[0].text, QStringLiteral("Enter the Unit Address:\r\r    10000 to 65000"));
    }

    void emptyAnswerSendsNothing()
    {
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("RxTimeOut"), QStringLiteral("RXTOT 10"));
        click(w, QStringLiteral("RxTimeOut"));  // unscripted: Cancel
        QCOMPARE(rig.dialogs().shown.size(), 1);
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(!shared().RefreshRequested);
    }

    void extensionAddressPromptFollowsRevision_data()
    {
        QTest::addColumn<QString>("revision");
        QTest::addColumn<QString>("prompt");
        QTest::newRow("revision 210 asks 0-31") << "210" << "Enter the extension address (0-31):";
        QTest::newRow("revision 200 asks 0-31") << "200" << "Enter the extension address (0-31):";
        QTest::newRow("revision 120 asks 0-63") << "120" << "Enter the extension address (0-63):";
        QTest::newRow("unreadable revision asks 0-63") << "3.2" << "Enter the extension address (0-63):";
    }

    void extensionAddressPromptFollowsRevision()
    {
        QFETCH(QString, revision);
        QFETCH(QString, prompt);
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        shared().FirmwareRevNumber = revision;
        setBox(w, QStringLiteral("Mode"), QStringLiteral("MODE M"));
        click(w, QStringLiteral("XADDR"));
        QCOMPARE(rig.dialogs().shown.size(), 1);
        QCOMPARE(rig.dialogs().shown[0].text, prompt);
        QCOMPARE(rig.dialogs().shown[0].title, QStringLiteral("Program extension address"));
    }

    void modeGuards_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("asks");
        QTest::newRow("master-only input on a remote does nothing") << "HopTime" << "HOPTIME 28" << "MODE R" << false;
        QTest::newRow("master-only toggle on a remote does nothing") << "DataBuff" << "BUFF ON" << "MODE R" << false;
        QTest::newRow("master-only box on an extension does nothing") << "RetryCount" << "RETRY 3" << "MODE X"
                                                                      << false;
        QTest::newRow("a blank behind MODE M is not master") << "SkippedZones" << "SKIP NONE" << "MODE M " << false;
        QTest::newRow("master-only box on a master asks") << "RepeatCount" << "REPEAT 3" << "MODE M" << true;
        QTest::newRow("master in lower case is master") << "FEC" << "FEC ON" << "mode m" << true;
        QTest::newRow("sleep on a master does nothing") << "SleepMode" << "SLEEP OFF" << "MODE M" << false;
        QTest::newRow("sleep on a remote asks") << "SleepMode" << "SLEEP OFF" << "MODE R" << true;
        QTest::newRow("extension address on a remote does nothing") << "XADDR" << "XADDR 0" << "MODE R" << false;
        QTest::newRow("extension address on a master asks") << "XADDR" << "XADDR 0" << "MODE M" << true;
        QTest::newRow("unguarded box asks on a remote") << "RxTimeOut" << "RXTOT 10" << "MODE R" << true;
    }

    void modeGuards()
    {
        QFETCH(QString, box);
        QFETCH(QString, boxText);
        QFETCH(QString, mode);
        QFETCH(bool, asks);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("Mode"), mode);
        setBox(w, box, boxText);
        rig.dialogs().answerMsgBox(Msg::Cancel);

        click(w, box);

        QCOMPARE(rig.dialogs().shown.size(), asks ? 1 : 0);
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(!shared().RefreshRequested);
    }

    void closedPortAsksThenSendsNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<int>("reply");
        QTest::addColumn<int>("questions");
        QTest::newRow("input row asks, then sends nothing") << "RxTimeOut" << "RXTOT 10" << int(Msg::OK) << 1;
        QTest::newRow("toggle asks, then sends nothing") << "DataBuff" << "BUFF ON" << int(Msg::OK) << 1;
        QTest::newRow("device type asks, then sends nothing") << "DeviceType" << "DEVICE DCE" << int(Msg::Yes) << 1;
        QTest::newRow("alarm status asks nothing") << "AlarmInfo" << "NO ALARMS" << int(Msg::OK) << 0;
        QTest::newRow("show sync asks nothing and keeps its text") << "ShowSync" << "DEPTH 1" << int(Msg::OK) << 0;
    }

    void closedPortAsksThenSendsNothing()
    {
        QFETCH(QString, box);
        QFETCH(QString, boxText);
        QFETCH(int, reply);
        QFETCH(int, questions);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        w.MSComm1->setPortOpen(false);
        setBox(w, QStringLiteral("Mode"), QStringLiteral("MODE M"));
        setBox(w, box, boxText);
        rig.dialogs().answerInput(QStringLiteral("20"));
        rig.dialogs().answerMsgBox(reply);

        click(w, box);

        QCOMPARE(rig.dialogs().shown.size(), questions);
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QVERIFY(!shared().RefreshRequested);
        QCOMPARE(w.Pages.box(box)->text(), boxText);
    }

    void toggles_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("sent");
        const QString buffTitle = QStringLiteral("Data Buffering Setting");
        QTest::newRow("BUFF ON is turned off") << "DataBuff" << "MODE M" << "BUFF ON" << int(Msg::OK)
                                               << "Turn Data Buffering off?" << buffTitle << "buff OFF";
        QTest::newRow("buff on in lower case is recognised") << "DataBuff" << "MODE M" << "buff on" << int(Msg::OK)
                                                             << "Turn Data Buffering off?" << buffTitle << "buff OFF";
        QTest::newRow("BUFF OFF is turned on") << "DataBuff" << "MODE M" << "BUFF OFF" << int(Msg::OK)
                                               << "Turn Data Buffering on?" << buffTitle << "buff ON";
        QTest::newRow("Cancel sends nothing") << "DataBuff" << "MODE M" << "BUFF ON" << int(Msg::Cancel)
                                              << "Turn Data Buffering off?" << buffTitle << "";
        QTest::newRow("FEC ON is turned off") << "FEC" << "MODE M" << "FEC ON" << int(Msg::OK)
                                              << "Turn Forward Error Correction off?"
                                              << "Forward Error Correction Setting" << "fec OFF";
        QTest::newRow("SAF OFF is turned on") << "StoreAndForward" << "MODE M" << "SAF OFF" << int(Msg::OK)
                                              << "Turn Store & Forward mode on?" << "Store and Forward Mode Setting"
                                              << "saf ON";
        QTest::newRow("SLEEP ON on a remote is turned off") << "SleepMode" << "MODE R" << "SLEEP ON" << int(Msg::OK)
                                                            << "Turn Sleep mode off?" << "Sleep Mode Setting"
                                                            << "sleep OFF";
    }

    void toggles()
    {
        QFETCH(QString, box);
        QFETCH(QString, mode);
        QFETCH(QString, boxText);
        QFETCH(int, answer);
        QFETCH(QString, question);
        QFETCH(QString, title);
        QFETCH(QString, sent);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("Mode"), mode);
        setBox(w, box, boxText);
        rig.dialogs().answerMsgBox(answer);

        click(w, box);

        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, question);
        QCOMPARE(boxes[0].title, title);
        QCOMPARE(boxes[0].buttons, int(Msg::OKCancel));
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), linesOf(sent));
        QCOMPARE(shared().RefreshRequested, !sent.isEmpty());
    }

    void toggleWithUnknownTextSendsNothing_data()
    {
        QTest::addColumn<QString>("boxText");
        QTest::newRow("design text before the first read") << "n/a";
        QTest::newRow("empty box") << "";
        QTest::newRow("a blank behind the ON text") << "BUFF ON ";
        QTest::newRow("label only") << "BUFF";
    }

    void toggleWithUnknownTextSendsNothing()
    {
        QFETCH(QString, boxText);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("Mode"), QStringLiteral("MODE M"));
        setBox(w, QStringLiteral("DataBuff"), boxText);

        click(w, QStringLiteral("DataBuff"));

        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QVERIFY(boxes[0].text.contains(QStringLiteral("Data Buffering setting is unknown")));
        QCOMPARE(boxes[0].buttons, int(Msg::OKOnly));
        QCOMPARE(boxes[0].icon, int(Msg::Exclamation));
        QCOMPARE(boxes[0].title, QStringLiteral("Data Buffering Setting"));
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(!shared().RefreshRequested);
    }

    void deviceType_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("sent");
        QTest::newRow("Yes programs DCE") << int(Msg::Yes) << "device DCE";
        QTest::newRow("No programs CTS KEY") << int(Msg::No) << "device CTS KEY";
        QTest::newRow("Cancel sends nothing") << int(Msg::Cancel) << "";
    }

    void deviceType()
    {
        QFETCH(int, answer);
        QFETCH(QString, sent);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        setBox(w, QStringLiteral("DeviceType"), QStringLiteral("DEVICE CTS KEY"));
        rig.dialogs().answerMsgBox(answer);

        click(w, QStringLiteral("DeviceType"));

        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Program Device Type to DCE?\r\rYES for DCE      NO for CTS KEY"));
        QCOMPARE(boxes[0].buttons, int(Msg::YesNoCancel));
        QCOMPARE(boxes[0].title, QStringLiteral("Program Device Type"));
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), linesOf(sent));
        QCOMPARE(shared().RefreshRequested, !sent.isEmpty());
    }

    void alarmStatusPages_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<int>("pagesShown");
        QTest::newRow("one page, no MORE>") << 1 << QStringList{"stat"} << 1;
        QTest::newRow("two pages") << 2 << QStringList{"stat", ""} << 2;
        QTest::newRow("three pages") << 3 << QStringList{"stat", "", ""} << 3;
        QTest::newRow("no more than two further pages") << 4 << QStringList{"stat", "", ""} << 3;
    }

    void alarmStatusPages()
    {
        QFETCH(int, pages);
        QFETCH(QStringList, sent);
        QFETCH(int, pagesShown);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        QStringList report;
        for (int i = 1; i <= pages; ++i)
            report << QStringLiteral("STATUS PAGE %1").arg(i);
        rig.radio().config().statPages = report;
        setBox(w, QStringLiteral("AlarmInfo"), QStringLiteral("NO ALARMS"));

        click(w, QStringLiteral("AlarmInfo"));
        Clock::pumpFor(100);

        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), sent);
        const QString term = w.txtTerm->text();
        for (int i = 1; i <= pages; ++i)
            QCOMPARE(term.contains(report[i - 1]), i <= pagesShown);
        QVERIFY(rig.dialogs().shown.isEmpty());
        QVERIFY(!shared().RefreshRequested);
        QCOMPARE(w.Pages.box(QStringLiteral("AlarmInfo"))->text(), QStringLiteral("NO ALARMS"));
    }

    void showSyncRereadsItsBox_data()
    {
        QTest::addColumn<QString>("radioMode");
        QTest::addColumn<bool>("setup");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<QString>("shown");
        QTest::newRow("a remote shows its sync source") << "R" << false << false << "DEPTH 1 UNIT 10001 XADDR 0";
        QTest::newRow("a master shows not available") << "M" << false << false << "NOT AVAILABLE";
        QTest::newRow("setup mode cuts at SETUP>") << "R" << true << false << "DEPTH 1 UNIT 10001 XADDR 0";
        QTest::newRow("a silent radio leaves the box after 4 s") << "R" << false << true << "OLD SYNC";
    }

    void showSyncRereadsItsBox()
    {
        QFETCH(QString, radioMode);
        QFETCH(bool, setup);
        QFETCH(bool, silent);
        QFETCH(QString, shown);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().mode = radioMode;
        if (setup) {
            rig.radio().config().stage = FakeRadio::Stage::Setup;
            shared().InSetupMode = true;
        }
        if (silent)
            rig.radio().config().silentBursts = -1;
        setBox(w, QStringLiteral("ShowSync"), QStringLiteral("OLD SYNC"));

        const double start = Clock::nowSeconds();
        click(w, QStringLiteral("ShowSync"));
        const double waited = Clock::nowSeconds() - start;

        QCOMPARE(w.Pages.box(QStringLiteral("ShowSync"))->text(), shown);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{"show sync"});
        QVERIFY(!shared().RefreshRequested);
        QVERIFY(rig.dialogs().shown.isEmpty());
        if (silent)
            QVERIFY2(waited >= 3.9, qPrintable(QString::number(waited)));
    }

    void waitEndsAtTheAnswerOrAfterThreeSeconds_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("boxText");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<bool>("silent");
        QTest::addColumn<bool>("fullWait");
        QTest::newRow("accepted value ends the wait at once") << "RxTimeOut" << "RXTOT 10" << true << false << false;
        QTest::newRow("refused value waits the full 3 s") << "RxTimeOut" << "RXTOT 10" << false << false << true;
        QTest::newRow("refused alarm mask ends at the prompt") << "AlarmMask" << "MASK: FFFF FFFF" << false << false
                                                               << false;
        QTest::newRow("silent radio waits the full 3 s") << "RxTimeOut" << "RXTOT 10" << true << true << true;
    }

    void waitEndsAtTheAnswerOrAfterThreeSeconds()
    {
        QFETCH(QString, box);
        QFETCH(QString, boxText);
        QFETCH(bool, loggedIn);
        QFETCH(bool, silent);
        QFETCH(bool, fullWait);
        FakeRadio::Config config;
        config.loggedIn = loggedIn;
        RIG(rig, 0.05, config);
        frmCorvista &w = connectQuietly(rig);
        if (silent)
            rig.radio().config().silentBursts = -1;
        setBox(w, box, boxText);
        rig.dialogs().answerInput(boxText);

        const double start = Clock::nowSeconds();
        click(w, box);
        const double waited = Clock::nowSeconds() - start;

        const QString why = QStringLiteral("waited %1 s").arg(waited);
        if (fullWait)
            QVERIFY2(waited >= 2.95 && waited < 30.0, qPrintable(why));
        else
            QVERIFY2(waited < 2.95, qPrintable(why));   // ended by the answer, before the deadline
        // The answer is never judged: the re-read is asked for either way, and no message shows.
        QVERIFY(shared().RefreshRequested);
        QCOMPARE(rig.dialogs().messages().size(), 0);
    }

    void boxesWithoutAnEditDoNothing_data()
    {
        QTest::addColumn<QString>("box");
        QTest::newRow("serial number") << "SerialNumber";
        QTest::newRow("software revision") << "SoftwareRev";
        QTest::newRow("temperature") << "Temperature";
    }

    void boxesWithoutAnEditDoNothing()
    {
        QFETCH(QString, box);
        RIG(rig, 0.02, openRadio());
        frmCorvista &w = connectQuietly(rig);
        click(w, box);
        Clock::pumpFor(100);
        QVERIFY(rig.dialogs().shown.isEmpty());
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
        QVERIFY(!shared().RefreshRequested);
    }
};

QTEST_MAIN(TestEditHandlers)
#include "tst_edithandlers.moc"
