// Connecting to the simulated radio over a pseudo-terminal: the wake-up handshake, the connect
// sequence, disconnect, Refresh, and a radio that goes away.
#include "app/ClickableLabel.h"
#include "app/frmCorvista.h"
#include "app/frmProperties.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <ctime>

namespace {
int indexOfLine(const QStringList &lines, const QString &line)
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].compare(line, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}
} // namespace

class TestConnect : public QObject
{
    Q_OBJECT
private slots:
    void radioThatAnswersConnects_data()
    {
        QTest::addColumn<int>("silentBursts");
        QTest::newRow("answers at once") << 0;
        QTest::newRow("answers after three bursts") << 3;
    }

    void radioThatAnswersConnects()
    {
        QFETCH(int, silentBursts);
        FakeRadio::Config config;
        config.silentBursts = silentBursts;
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        // The read-out the window's next tick would start is not what this test looks at.
        const bool ticking = w.Timer1->isActive();
        w.Timer1->stop();
        QVERIFY(rig.settle());

        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(!shared().ConnectAborted);
        QCOMPARE(w.panelSettings->text(), QStringLiteral("Settings: 19200,N,8,1"));
        QVERIFY(shared().RefreshRequested);
        QVERIFY(shared().AccessCheckPending);
        QVERIFY(rig.radio().commandLineOpen());
        QVERIFY(w.toolButtons["Disconnect"]->isEnabled());
        QVERIFY(!w.toolButtons["Connect"]->isEnabled());
        QVERIFY(w.toolButtons["TransmitTextFile"]->isEnabled());
        QVERIFY(w.mnuConfigRestore->isEnabled());
        QVERIFY(w.mnuOpen->isChecked());
        QVERIFY(w.cmdSaveToFile->isEnabled());
        QVERIFY(ticking);
        QVERIFY2(w.txtTerm->text().startsWith(QStringLiteral("Connected")), qPrintable(w.txtTerm->text().left(200)));
        QVERIFY(rig.dialogs().messages().isEmpty());
        QVERIFY(rig.radio().burstsHeard() > silentBursts);
    }

    void radioInSetupModeIsToldToQuitFirst()
    {
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Setup;
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        const bool refreshAsked = shared().RefreshRequested;
        // The connect is done at the first prompt; the rest of what it sent is still on the line.
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        const int quit = indexOfLine(lines, QStringLiteral("QUIT"));
        const int open = indexOfLine(lines, QStringLiteral("OPEN"));
        QVERIFY(quit >= 0);
        QVERIFY(open > quit);
        QVERIFY(refreshAsked);
    }

    void radioInItsLoaderNeedsSoftware()
    {
        FakeRadio::Config config;
        config.stage = FakeRadio::Stage::Loader;
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].title, QStringLiteral("Radio Error"));
        QVERIFY(boxes[0].text.startsWith(QStringLiteral("ERROR - This radio needs software!")));
        QCOMPARE(boxes[0].icon, int(Msg::Critical));
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(!shared().RefreshRequested);
        QVERIFY(w.toolButtons["TransmitTextFile"]->isEnabled());
    }

    void silentRadioGivesUpAfterThirtyAttempts()
    {
        FakeRadio::Config config;
        config.silentBursts = -1;
        RIG(rig, 0.005, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(shared().ConnectAborted);
        // What was written last reaches the radio when events run again.
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().contains(QStringLiteral("CLOS")); }, 1000));
        QCOMPARE(rig.radio().burstsHeard(), 30);
        QVERIFY(w.txtTerm->text().endsWith(QStringLiteral("Error. Please reconnect.")));
        QCOMPARE(w.panelStatus->text(), QStringLiteral("Status: Error. Please reconnect."));
        QVERIFY(rig.dialogs().messages().isEmpty());
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        QVERIFY(!w.cmdSaveToFile->isEnabled());
    }

    void disconnectDuringTheHandshakeStopsIt()
    {
        FakeRadio::Config config;
        config.silentBursts = -1;
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        // The click arrives while the handshake runs (after the second burst); it is handled at
        // the next attempt.
        QObject::connect(&rig.pty(), &PtyPort::received, &w, [&] {
            if (rig.radio().burstsHeard() == 2)
                QTimer::singleShot(0, &w, [&] { w.DisconnectRadio(); });
        });
        w.ConnectRadio();
        const int bursts = rig.radio().burstsHeard();
        QVERIFY2(bursts >= 2 && bursts <= 4, qPrintable(QString::number(bursts)));
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.txtTerm->text().contains(QStringLiteral("Disconnected")));
        QVERIFY(rig.dialogs().messages().isEmpty());
        Clock::pumpFor(500);
        QCOMPARE(rig.radio().burstsHeard(), bursts);
    }

    void portOpenWhileConnectedClosesAndConnectsAgain()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        shared().RefreshRequested = false;
        w.mnuOpen_Click();
        const bool refreshAsked = shared().RefreshRequested;
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        QCOMPARE(lines.value(0), QStringLiteral("CLOS"));
        QVERIFY(indexOfLine(lines, QStringLiteral("OPEN")) > 0);
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(refreshAsked);
    }

    // However the last connection ended, the menu item runs the whole connect sequence again.
    void portOpenReconnectsAfterTheLinkEnded_data()
    {
        QTest::addColumn<QString>("ending");
        QTest::newRow("after a disconnect") << QStringLiteral("disconnect");
        QTest::newRow("after the radio was unplugged and plugged in again") << QStringLiteral("unplugged");
        QTest::newRow("after thirty unanswered attempts") << QStringLiteral("silent");
    }

    void portOpenReconnectsAfterTheLinkEnded()
    {
        QFETCH(QString, ending);
        FakeRadio::Config config;
        if (ending == QLatin1String("silent"))
            config.silentBursts = -1;
        PtyPort replugged;   // outlives the rig: the radio may still be attached to it
        // The handshake's waits are this scale of their nominal time: room for a busy machine.
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        if (ending == QLatin1String("disconnect")) {
            w.DisconnectRadio();
        } else if (ending == QLatin1String("unplugged")) {
            rig.pty().close();
            // At this scale the line watch notices in milliseconds; the bound only catches a hang.
            QVERIFY(Clock::waitFor([&] { return !w.MSComm1->portOpen(); }, 2000000));
            QVERIFY(replugged.open());
            rig.radio().detach();
            rig.radio().attach(&replugged);
            qputenv("WAVECREST_COM1", replugged.slavePath().toLocal8Bit());
        } else {
            rig.radio().config().silentBursts = 0;
        }
        QVERIFY(shared().ConnectAborted);
        QVERIFY(!w.MSComm1->portOpen());
        // The radio is on one line or the other; what is sent has reached it once both are quiet.
        const auto settled = [&] {
            return rig.settle() && Clock::waitFor([&] { return replugged.lineQuiet(); }, 400000);
        };
        Clock::pumpFor(200);
        QVERIFY(settled());
        rig.radio().clearLog();
        rig.dialogs().clear();
        const int bursts = rig.radio().burstsHeard();

        w.mnuOpen->trigger();
        QVERIFY(w.MSComm1->portOpen());
        QVERIFY(rig.radio().burstsHeard() > bursts);
        QVERIFY(w.mnuOpen->isChecked());
        QVERIFY(!shared().ConnectAborted);
        QVERIFY(w.txtTerm->text().startsWith(QStringLiteral("Connected")));
        // The radio's actions are open again, as after Connect.
        QVERIFY(w.cmdSaveToFile->isEnabled());
        QVERIFY(w.cmdMaster->isEnabled());
        QVERIFY(w.cmdProgramFromFile->isEnabled());
        // (Only now may events run: the main timer's read-out writes over the terminal.)
        QVERIFY(settled());
        QVERIFY(indexOfLine(rig.radio().lines(), QStringLiteral("OPEN")) >= 0);
        // The next ticks of the main timer read the radio's settings.
        QVERIFY(Clock::waitFor([&] { return indexOfLine(rig.radio().lines(), QStringLiteral("mode")) >= 0; }, 5000));
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    void refreshConnectsOrAsksForARead()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.ButtonRefresh_Click();
        QVERIFY(w.MSComm1->portOpen());
        // No tick of the main timer reads the radio while the test looks at what a click sends.
        w.Timer1->stop();
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().commandLineOpen());
        shared().RefreshRequested = false;
        Clock::pumpFor(200);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        w.ButtonRefresh_Click();
        QVERIFY(shared().RefreshRequested);
        Clock::pumpFor(200);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
    }

    void portThatCannotBeOpened()
    {
        RIG(rig);
        qputenv("WAVECREST_COM1", "/nonexistent/wavecrest-tty");
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        const auto boxes = rig.dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, QStringLiteral("The selected COM port is not available. Please select another port."));
        QCOMPARE(boxes[0].title, QStringLiteral("Error"));
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
    }

    void disconnectSendsClosAndShowsTheDisconnectedState()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        w.DisconnectRadio();
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().contains(QStringLiteral("CLOS")); }, 1000));
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.txtTerm->text().endsWith(QStringLiteral("Disconnected")));
        QVERIFY(w.txtTerm->text().contains(QStringLiteral("*** CLOS command sent to the radio")));
        QCOMPARE(w.panelSettings->text(), QStringLiteral("Settings: "));
        QVERIFY(!w.toolButtons["Login"]->isEnabled());
        QVERIFY(!w.mnuSetupMode->isEnabled());
        QVERIFY(!w.Timer1->isActive());
        QVERIFY(w.panelConnectTime->text().isEmpty());
    }

    void unpluggedRadioLeavesTheProgramDisconnected()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        QVERIFY(w.MSComm1->portOpen());
        rig.pty().close();
        QVERIFY(Clock::waitFor([&] { return !w.MSComm1->portOpen(); }, 20000));
        Clock::pumpFor(500);
        QCOMPARE(rig.dialogs().messages().size(), 1);
        QVERIFY(shared().ConnectAborted);
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        QVERIFY(!w.cmdSaveToFile->isEnabled());
    }

    void unpluggedDuringAReadOutGivesOneMessage()
    {
        RIG(rig);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        Clock::pumpFor(100);
        // The adapter is pulled while the read-out waits for the "mode" answer.
        onHeard(&rig.pty(), &w, "mode", [&] { QTimer::singleShot(0, &w, [&] { rig.pty().close(); }); });
        rig.dialogs().clear();
        shared().RefreshRequested = true;
        w.Timer1_Timer();
        Clock::pumpFor(500);
        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.dialogs().messages().size(), 1);
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
    }

    // Setup > a port that is not there > Yes: the old port was closed for the switch and the new
    // one never opened, so the window shows the connection gone.
    void failedPortSwitchShowsTheWindowDisconnected()
    {
        RIG(rig, 0.02);
        qputenv("WAVECREST_COM16", "/dev/ttyWAVECREST-absent");
        frmCorvista &w = connectQuietly(rig);
        QTimer choose;
        connect(&choose, &QTimer::timeout, &w, [&choose] {
            if (auto *dialog = qobject_cast<frmProperties *>(QApplication::activeModalWidget())) {
                choose.stop();
                dialog->cboPort->setCurrentIndex(15);
                dialog->cmdOK->click();
                // The dialog stays after the failure; the user leaves it.
                dialog->cmdCancel->click();
            }
        });
        choose.start(10);
        w.mnuProperties_Click();
        qunsetenv("WAVECREST_COM16");

        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.dialogs().messages().size(), 2);   // the switch question, then why it failed
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        QVERIFY(!w.toolButtons["Disconnect"]->isEnabled());
        QVERIFY(!w.toolButtons["Login"]->isEnabled() && !w.toolButtons["Logout"]->isEnabled());
        QVERIFY(w.imgConnected->isHidden() && !w.imgNotConnected->isHidden());
        QVERIFY(!w.Timer1->isActive() || w.panelConnectTime->text().isEmpty());
        QVERIFY(!w.cmdSaveToFile->isEnabled());
    }
};

QTEST_MAIN(TestConnect)
#include "tst_connect.moc"
