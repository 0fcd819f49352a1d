// The radio's bench-test mode against the simulated radio over a pseudo-terminal: the menu
// entry's questions and refusals, the frequency read-back and its cut, frequency edits, keying,
// and the two ways out of the window.
#include "app/ClickableLabel.h"
#include "app/frmCorvista.h"
#include "common/Module1.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "settings/frmSetup.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QPushButton>
#include <QTest>
#include <QTimer>

Q_DECLARE_METATYPE(FakeRadio::Stage)

namespace {

FakeRadio::Config loggedIn()
{
    FakeRadio::Config c;
    c.loggedIn = true;
    return c;
}

// Connects and leaves the wire quiet: no read-out or keep-alive meets the exchanges under test.
// Answers Yes to the warning and enters the mode; the window is then loaded and shown.
frmSetup &enterSetupMode(RadioRig &rig, frmCorvista &w)
{
    rig.dialogs().answerMsgBox(Msg::Yes);
    w.mnuSetupMode_Click();
    rig.settle();
    rig.radio().clearLog();
    rig.dialogs().clear();
    return *w.m_frmSetup;
}

bool windowShown(frmCorvista &w)
{
    return w.m_frmSetup && w.m_frmSetup->isLoaded() && w.m_frmSetup->isVisible();
}

// What reaches the radio once the program's last write has crossed the pseudo-terminal.
QStringList linesAfterPump(RadioRig &rig)
{
    Clock::pumpFor(100);
    rig.settle();
    return rig.radio().lines();
}

} // namespace

class TestSetupMode : public QObject
{
    Q_OBJECT
private slots:
    void menuWithThePortClosedOnlyAsksToOpenIt()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.mnuSetupMode_Click();
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Please Toggle COMM Port open first."));
        QCOMPARE(boxes[0].title, QStringLiteral("User Help"));
        QCOMPARE(boxes[0].buttons, int(Msg::OKOnly));
        QCOMPARE(boxes[0].icon, int(Msg::NoIcon));
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QVERIFY(!windowShown(w));
    }

    void declinedWarningSendsNothing_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("inSetupModeBefore");
        QTest::newRow("No keeps the flag clear") << int(Msg::No) << false;
        QTest::newRow("No keeps the flag set") << int(Msg::No) << true;
        QTest::newRow("a closed box is not Yes") << int(Msg::Cancel) << false;
    }

    void declinedWarningSendsNothing()
    {
        QFETCH(int, answer);
        QFETCH(bool, inSetupModeBefore);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        shared().InSetupMode = inSetupModeBefore;
        rig.dialogs().answerMsgBox(answer);
        w.mnuSetupMode_Click();

        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("Setup mode is intended for bench testing only.\r\n\r\n"
                                               "Are you sure you want to continue?"));
        QCOMPARE(boxes[0].title, QStringLiteral("Warning"));
        QCOMPARE(boxes[0].buttons + boxes[0].icon, 52);
        QVERIFY(linesAfterPump(rig).isEmpty());
        QCOMPARE(shared().InSetupMode, inSetupModeBefore);
        QVERIFY(!windowShown(w));
    }

    void radioThatRefusesLeavesTheModeOff()
    {
        RIG(rig);   // not logged in: the radio answers ACCESS DENIED
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.mnuSetupMode_Click();

        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), QStringList{QStringLiteral("setup")});
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[1].text, QStringLiteral("You must be logged in before entering setup mode."));
        QCOMPARE(boxes[1].title, QStringLiteral("Error!"));
        QCOMPARE(boxes[1].icon, int(Msg::Exclamation));
        QVERIFY(!shared().InSetupMode);
        QVERIFY(!windowShown(w));
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
    }

    void enteringReadsBothFrequencies()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        w.ButtonRSSI->setEnabled(false);   // a master outside setup mode
        rig.radio().config().rxFrequency = QStringLiteral("903.125");
        rig.radio().config().txFrequency = QStringLiteral("927.600");
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.mnuSetupMode_Click();

        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(),
                 (QStringList{QStringLiteral("setup"), QStringLiteral("rx"), QStringLiteral("tx")}));
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Setup);
        QVERIFY(windowShown(w));
        frmSetup &f = *w.m_frmSetup;
        QCOMPARE(f.windowTitle(), QStringLiteral("Setup Mode"));
        QCOMPARE(f.RxFrequency->text(), QStringLiteral("903.125"));
        QCOMPARE(f.TxFrequency->text(), QStringLiteral("927.600"));
        QVERIFY(f.Key->isEnabled());
        QVERIFY(!f.DKey->isEnabled());
        QVERIFY(w.ButtonRSSI->isEnabled());
        QVERIFY(shared().InSetupMode);
        QCOMPARE(rig.dialogs().messages().size(), 1);   // the warning only
    }

    void silentRadioStillGetsTheWindow()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        rig.radio().config().silentBursts = -1;
        rig.dialogs().answerMsgBox(Msg::Yes);
        const qint64 t0 = Clock::nowMs();
        w.mnuSetupMode_Click();
        // 3 s for "setup", then 0.1 s and 4 s for each frequency.
        QVERIFY(Clock::nowMs() - t0 >= 11000);
        QVERIFY(windowShown(w));
        QCOMPARE(w.m_frmSetup->RxFrequency->text(), QStringLiteral("n/a"));
        QCOMPARE(w.m_frmSetup->TxFrequency->text(), QStringLiteral("n/a"));
        QVERIFY(shared().InSetupMode);
    }

    // The box takes the frequency behind the reply's label at "SETUP>", and the buffer's last
    // seven characters at any other prompt.
    void frequencyCut_data()
    {
        QTest::addColumn<FakeRadio::Stage>("stage");
        QTest::addColumn<QString>("rx");
        QTest::addColumn<QString>("tx");
        QTest::newRow("setup prompt gives the frequency") << FakeRadio::Stage::Setup << "915.000" << "920.000";
        QTest::newRow("normal prompt gives the buffer's end, prompt included")
            << FakeRadio::Stage::Normal << "MAND\r\n>" << "MAND\r\n>";
    }

    void frequencyCut()
    {
        QFETCH(FakeRadio::Stage, stage);
        QFETCH(QString, rx);
        QFETCH(QString, tx);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        rig.radio().config().stage = stage;
        f.ReadRxFrequency();
        f.ReadTxFrequency();
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(), (QStringList{QStringLiteral("rx"), QStringLiteral("tx")}));
        QCOMPARE(f.RxFrequency->text(), rx);
        QCOMPARE(f.TxFrequency->text(), tx);
    }

    void frequencyEdit_data()
    {
        QTest::addColumn<bool>("transmit");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QString>("shown");

        QTest::newRow("bare rx value gets the command word")
            << false << "910.5" << QStringList{"rx 910.5", "rx"} << "910.500";
        QTest::newRow("rx label in capitals is sent as typed")
            << false << "RX 902.200" << QStringList{"RX 902.200", "rx"} << "902.200";
        QTest::newRow("rx label in lower case gets a second word")
            << false << "rx 910.5" << QStringList{"rx rx 910.5", "rx"} << "915.000";
        QTest::newRow("rx out of range is left to the radio")
            << false << "927.601" << QStringList{"rx 927.601", "rx"} << "915.000";
        QTest::newRow("empty rx answer sends nothing") << false << "" << QStringList{} << "915.000";
        QTest::newRow("bare tx value gets the command word")
            << true << "927.6" << QStringList{"tx 927.6", "tx"} << "927.600";
        QTest::newRow("tx label in capitals is sent as typed")
            << true << "TX 903.000" << QStringList{"TX 903.000", "tx"} << "903.000";
        QTest::newRow("RX typed in the tx box is not the tx label")
            << true << "RX 903.000" << QStringList{"tx RX 903.000", "tx"} << "920.000";
        QTest::newRow("empty tx answer sends nothing") << true << "" << QStringList{} << "920.000";
    }

    void frequencyEdit()
    {
        QFETCH(bool, transmit);
        QFETCH(QString, answer);
        QFETCH(QStringList, sent);
        QFETCH(QString, shown);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        rig.dialogs().answerInput(answer);
        QLineEdit *box = transmit ? f.TxFrequency : f.RxFrequency;
        const QString before = box->text();

        emit static_cast<ValueBox *>(box)->clicked();

        QCOMPARE(linesAfterPump(rig), sent);
        QCOMPARE(box->text(), shown);
        const auto &asked = rig.dialogs().shown;
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0].kind, QStringLiteral("input"));
        QCOMPARE(asked[0].text, transmit ? QStringLiteral("Enter a new transmit frequency")
                                         : QStringLiteral("Enter a new receive frequency"));
        QCOMPARE(asked[0].title,
                 transmit ? QStringLiteral("Program Tx Frequency") : QStringLiteral("Program Rx Frequency"));
        QCOMPARE(asked[0].defaultText, before);
    }

    void lineEndInAFrequencySendsNothing()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        rig.dialogs().answerInput(QStringLiteral("910.5\rquit"));

        emit static_cast<ValueBox *>(f.RxFrequency)->clicked();

        QCOMPARE(linesAfterPump(rig), QStringList{});
        QCOMPARE(rig.radio().config().rxFrequency, QStringLiteral("915.000"));
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{ControlCharacterMessage()});
    }

    void keyAndDeKeyTakeTurns()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);

        f.DKey_Click();   // disabled: nothing happens
        QVERIFY(linesAfterPump(rig).isEmpty());

        f.Key->click();
        QCOMPARE(linesAfterPump(rig), QStringList{QStringLiteral("KEY")});
        QVERIFY(rig.radio().config().keyed);
        QVERIFY(!f.Key->isEnabled());
        QVERIFY(f.DKey->isEnabled());

        f.Key_Click();    // disabled now
        QCOMPARE(linesAfterPump(rig), QStringList{QStringLiteral("KEY")});

        f.DKey->click();
        QCOMPARE(linesAfterPump(rig), (QStringList{QStringLiteral("KEY"), QStringLiteral("DKEY")}));
        QVERIFY(!rig.radio().config().keyed);
        QVERIFY(f.Key->isEnabled());
        QVERIFY(!f.DKey->isEnabled());
    }

    void labelsExplainTheRange_data()
    {
        QTest::addColumn<bool>("transmit");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");
        QTest::newRow("receive") << false << "Receive Frequency Information"
                                 << "This selects the test receive frequency used in lieu of hopping when in "
                                    "setup mode.\r\n\r\nThe test receive frequency can be reprogrammed to any "
                                    "value\r\nbetween 902.200 MHz and 927.600 MHz, inclusive.";
        QTest::newRow("transmit") << true << "Transmit Frequency Information"
                                  << "This selects the test transmit frequency used in lieu of hopping when in "
                                     "setup mode.\r\n\r\nThe test transmit frequency can be reprogrammed to any "
                                     "value\r\nbetween 902.200 MHz and 927.600 MHz, inclusive.";
    }

    void labelsExplainTheRange()
    {
        QFETCH(bool, transmit);
        QFETCH(QString, title);
        QFETCH(QString, text);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        QTest::mouseClick(transmit ? static_cast<QWidget *>(f.TxLabel) : f.RxLabel, Qt::LeftButton);
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, title);
        QCOMPARE(boxes[0].text, text);
        QCOMPARE(boxes[0].buttons, int(Msg::OKOnly));
        QCOMPARE(boxes[0].icon, int(Msg::NoIcon));
        QVERIFY(linesAfterPump(rig).isEmpty());
    }

    void exitLeavesTheMode_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("rssiAfter");
        QTest::newRow("master closes the RSSI button") << "MODE M" << false;
        QTest::newRow("master in lower case does not") << "mode m" << true;
        QTest::newRow("remote keeps it") << "MODE R" << true;
        QTest::newRow("extension keeps it") << "MODE X" << true;
    }

    void exitLeavesTheMode()
    {
        QFETCH(QString, mode);
        QFETCH(bool, rssiAfter);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("Mode"))->setText(mode);
        frmSetup &f = enterSetupMode(rig, w);
        f.Key->click();
        QVERIFY(linesAfterPump(rig).contains(QStringLiteral("KEY")));
        QVERIFY(rig.settle());
        rig.radio().clearLog();

        f.ExitButton->click();

        QCOMPARE(linesAfterPump(rig), QStringList{QStringLiteral("quit")});
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Normal);
        QVERIFY(!rig.radio().config().keyed);
        QCOMPARE(w.ButtonRSSI->isEnabled(), rssiAfter);
        QVERIFY(shared().RefreshRequested);
        QVERIFY(!shared().InSetupMode);
        QVERIFY(!windowShown(w));
    }

    void closingTheWindowLeavesTheRadioInSetupMode()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        f.close();
        QVERIFY(linesAfterPump(rig).isEmpty());
        QVERIFY(!shared().InSetupMode);
        QVERIFY(!shared().RefreshRequested);
        QVERIFY(!windowShown(w));
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Setup);

        // Entering again loads the window afresh and reads the frequencies once more.
        rig.dialogs().answerMsgBox(Msg::Yes);
        w.mnuSetupMode_Click();
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines(),
                 (QStringList{QStringLiteral("setup"), QStringLiteral("rx"), QStringLiteral("tx")}));
        QVERIFY(windowShown(w));
        QVERIFY(shared().InSetupMode);
        QVERIFY(w.m_frmSetup->Key->isEnabled());
    }

    void closingWhileKeyedDeKeysTheTransmitter_data()
    {
        QTest::addColumn<bool>("duringReadOut");
        QTest::newRow("closed while idle: DKEY goes out") << false;
        QTest::newRow("closed during a read-out: refused, the read-out whole, DKEY when closed after") << true;
    }

    void closingWhileKeyedDeKeysTheTransmitter()
    {
        QFETCH(bool, duringReadOut);
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        f.Key->click();
        QVERIFY(linesAfterPump(rig).contains(QStringLiteral("KEY")));
        QVERIFY(rig.radio().config().keyed);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        if (duringReadOut) {
            // The close box, while the read-out that Refresh asked for waits for the radio.
            bool closed = false;
            QString told;   // the status text lasts its 2 s, the read-out may take longer
            onHeard(&rig.pty(), &w, "mode", [&] {
                if (!closed) {
                    closed = true;
                    f.close();
                    told = w.panelStatus->text();
                }
            });
            shared().RefreshRequested = true;
            w.Timer1_Timer();
            QVERIFY(closed);
            QVERIFY(windowShown(w));
            QVERIFY(f.DKey->isEnabled());
            QVERIFY(!f.Key->isEnabled());
            QCOMPARE(rig.dialogs().beeps(), 1);
            QCOMPARE(told, QStringLiteral("Status: Busy. Please wait until the radio operation has ended."));
            QVERIFY(!linesAfterPump(rig).contains(QStringLiteral("DKEY")));
            QVERIFY(rig.radio().config().keyed);
            QVERIFY(shared().InSetupMode);
            // Every box the read-out filled holds its value, cut at the setup prompt.
            for (auto it = w.Pages.boxes.cbegin(); it != w.Pages.boxes.cend(); ++it)
                QVERIFY2(!it.value()->text().contains(u"SET"), qPrintable(it.key() + QStringLiteral(": ") + it.value()->text()));
            QCOMPARE(w.Pages.box(QStringLiteral("Mode"))->text(), QStringLiteral("MODE M"));
            QVERIFY(rig.settle());
            rig.radio().clearLog();
        }
        f.close();
        QCOMPARE(linesAfterPump(rig), QStringList{QStringLiteral("DKEY")});
        QVERIFY(!rig.radio().config().keyed);
        QVERIFY(!windowShown(w));
        QCOMPARE(rig.radio().config().stage, FakeRadio::Stage::Setup);
    }

    void closedPortSendsNothing()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        w.Pages.box(QStringLiteral("Mode"))->setText(QStringLiteral("MODE R"));
        frmSetup &f = enterSetupMode(rig, w);
        w.MSComm1->setPortOpen(false);

        rig.dialogs().answerInput(QStringLiteral("910.000"));
        emit f.RxFrequency->clicked();
        QCOMPARE(rig.dialogs().shown.size(), 1);   // still asked
        f.Key->click();
        QVERIFY(f.Key->isEnabled());
        f.ExitButton->click();

        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QCOMPARE(f.RxFrequency->text(), QStringLiteral("915.000"));
        QVERIFY(shared().RefreshRequested);
        QVERIFY(!windowShown(w));
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    // The port goes away while an edit waits for the radio: the re-read meets a closed port.
    void portLostDuringAnEditShowsTheStandardMessage()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        rig.radio().config().silentBursts = -1;
        QTimer::singleShot(Clock::realMs(500), &w, [&] { w.MSComm1->setPortOpen(false); });
        rig.dialogs().answerInput(QStringLiteral("910.000"));
        emit f.RxFrequency->clicked();
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, frmCorvista::commErrorText());
        QCOMPARE(boxes[0].title, QStringLiteral("Error"));
        QCOMPARE(f.RxFrequency->text(), QStringLiteral("915.000"));
    }

    void windowRendersItsDesign()
    {
        RIG(rig, 0.02, loggedIn());
        frmCorvista &w = connectQuietly(rig);
        frmSetup &f = enterSetupMode(rig, w);
        QCOMPARE(f.Key->text(), QStringLiteral("Key"));
        QCOMPARE(f.DKey->text(), QStringLiteral("De-Key"));
        QCOMPARE(f.Key->toolTip(), QStringLiteral("Enables the transmitter"));
        QCOMPARE(f.DKey->toolTip(), QStringLiteral("Disables the transmitter"));
        QCOMPARE(f.RxLabel->toolTip(), QStringLiteral("Click for more Information"));
        QCOMPARE(f.ExitButton->text(), QStringLiteral("Exit Setup Mode"));
        QVERIFY(f.RxFrequency->showsWhole(f.RxFrequency->text()));
        const QString png = QStringLiteral("/tmp/frmSetup.png");
        QVERIFY(f.grab().save(png));
    }
};


QTEST_MAIN(TestSetupMode)
#include "tst_setupmode.moc"
