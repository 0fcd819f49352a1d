// The main timer tick and the read-out of every setting, against the simulated radio over a
// pseudo-terminal; and the reply cut on its own.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "settings/ReplyCut.h"
#include "support/RadioRig.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {
FakeRadio::Config radioAt(const QString &version, const QString &mode)
{
    FakeRadio::Config c;
    c.version = version;
    c.mode = mode;
    return c;
}

// Connects and runs one read-out; returns the queries the radio received during it.
QStringList readOut(RadioRig &rig)
{
    frmCorvista &w = rig.window();
    if (!w.MSComm1->portOpen())
        w.ConnectRadio();
    Clock::pumpFor(100);
    rig.settle();
    rig.radio().clearLog();
    shared().RefreshRequested = true;
    w.Timer1_Timer();
    Clock::pumpFor(50);
    rig.settle();
    return rig.radio().lines();
}

// The box's own state, whatever the page around it (the pages are disabled in the Tasks view).
bool enabled(QWidget *box)
{
    return !box->testAttribute(Qt::WA_ForceDisabled);
}

QString box(RadioRig &rig, const char *name)
{
    return rig.window().Pages.box(QString::fromLatin1(name))->text();
}

// What the settings pages show: every box's text and whether it takes a click, and the RSSI button.
QStringList pageView(frmCorvista &w)
{
    QStringList view;
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (QWidget *b = w.Pages.box(row.box))
            view << row.box + QLatin1Char('=') + w.Pages.box(row.box)->text() + (enabled(b) ? "" : " (disabled)");
    view << QStringLiteral("RSSI button enabled: %1").arg(w.ButtonRSSI->isEnabled());
    return view;
}

const QStringList AllQueries320 = {
    "", "ser", "unit", "srev", "own", "deco", "own WAVECREST SS", "eeco", "owm", "temp", "alrm", "mode", "pwr", "baud",
    "port", "device", "amask", "asense", "cts", "ctshold", "rxtot", "rxd", "sleep", "lpmhold", "addr", "csaddr",
    "hoptime", "skip", "lpm", "repeat", "retry", "fec", "buff", "saf", "xaddr", "xpri", "xrssi", "show sync", "dtype",
    "dlink", "rtu"};
} // namespace

class TestReadOut : public QObject
{
    Q_OBJECT
private slots:
    void replyCut_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("rx");
        QTest::addColumn<bool>("setup");
        QTest::addColumn<bool>("hasValue");
        QTest::addColumn<QString>("value");
        QTest::newRow("the whole reply line, label included") << "unit" << " unit\r\nUNIT 12345\r\n>" << false << true
                                                              << "UNIT 12345";
        QTest::newRow("an empty reply line empties the box") << "temp" << " temp\r\n\r\n>" << false << true << "";
        QTest::newRow("no reply line keeps the box") << "temp" << " temp\r\n>" << false << false << "";
        QTest::newRow("keyword found in any case") << "mode" << " MODE\r\nMODE M\r\n>" << false << true << "MODE M";
        QTest::newRow("setup mode cuts at SETUP>") << "pwr" << " pwr\r\nPWR 30 dBm\r\nSETUP>" << true << true
                                                   << "PWR 30 dBm";
        QTest::newRow("without the echo the label is cut into") << "unit" << " \r\nUNIT 12345\r\n>" << false << true
                                                                << "2345";
        QTest::newRow("no prompt gives nothing") << "unit" << " unit\r\nUNIT 1" << false << false << "";
        QTest::newRow("a late reply before the echo is passed over")
            << "owm" << " \r\nACCESS DENIED\r\n>\r\n>owm\r\nKARVEL\r\n>" << false << true << "KARVEL";
        QTest::newRow("behind a late reply the answer waits for its own prompt")
            << "owm" << " \r\n>owm\r\nKARV" << false << false << "";
    }

    void replyCut()
    {
        QFETCH(QString, keyword);
        QFETCH(QString, rx);
        QFETCH(bool, setup);
        QFETCH(bool, hasValue);
        QFETCH(QString, value);
        const std::optional<QString> got = ReplyValueRule(keyword, rx, setup);
        QCOMPARE(got.has_value(), hasValue);
        if (hasValue)
            QCOMPARE(*got, value);
    }

    void revisionAndVersionFromSrev_data()
    {
        QTest::addColumn<QString>("rx");
        QTest::addColumn<QString>("rev");
        QTest::addColumn<QString>("version");
        QTest::newRow("3.2.0") << " srev\r\n17-2851A01\r\n3.2.0  01Jan2024\r\n>" << "320" << "3.2.0";
        QTest::newRow("2.1.0") << " srev\r\n17-2851A01\r\n2.1.0  01Jan2020\r\n>" << "210" << "2.1.0";
        QTest::newRow("a letter is taken as it stands") << " srev\r\n17-2851A01\r\n3.A.0  x\r\n>" << "3A0" << "";
        QTest::newRow("a short buffer gives fewer digits") << " srev\r\n17-28" << "" << "";
        QTest::newRow("behind a late reply the digits move with the echo")
            << " \r\n>srev\r\n17-2851A01\r\n3.2.0  01Jan2024\r\n>" << "320" << "3.2.0";
    }

    void revisionAndVersionFromSrev()
    {
        QFETCH(QString, rx);
        QFETCH(QString, rev);
        QFETCH(QString, version);
        QCOMPARE(firmwareRevNumberFrom(rx), rev);
        const std::optional<QString> reply = ReplyValueRule(QStringLiteral("srev"), rx, false);
        QCOMPARE(firmwareVersionFromSrev(reply.value_or(QString())), version);
    }

    void master320ReadsEveryRowButXminXmax()
    {
        // The access probe is a fixed pause for the answer: give it real time even under load.
        RIG(rig, 0.5, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        const QStringList lines = readOut(rig);
        QCOMPARE(lines.join(u'|'), AllQueries320.join(u'|'));
        QCOMPARE(shared().FirmwareRevNumber, QStringLiteral("320"));
        QCOMPARE(shared().CurrentFirmwareVersion, QStringLiteral("3.2.0"));
        QCOMPARE(box(rig, "SerialNumber"), QStringLiteral("SN 00123456"));
        QCOMPARE(box(rig, "UnitAddr"), QStringLiteral("UNIT 12345"));
        QCOMPARE(box(rig, "SoftwareRev"), QStringLiteral("17-2851A01\r\n3.2.0  01Jan2024"));
        QCOMPARE(box(rig, "OwnerName"), QStringLiteral("WAVECREST SS"));
        QCOMPARE(box(rig, "Mode"), QStringLiteral("MODE M"));
        QCOMPARE(box(rig, "PowerLevel"), QStringLiteral("PWR 30 dBm"));
        QCOMPARE(box(rig, "AlarmMask"), QStringLiteral("MASK: FFFF FFFF"));
        QCOMPARE(box(rig, "SleepMode"), QStringLiteral("SLEEP n/a"));
        QCOMPARE(box(rig, "CSADDR"), QStringLiteral("CSADDR NONE"));
        QCOMPARE(box(rig, "ShowSync"), QStringLiteral("NOT AVAILABLE"));
        QCOMPARE(box(rig, "DLINK"), QStringLiteral("DLINK 19200 (OFF)"));
        QCOMPARE(box(rig, "XMIN"), QStringLiteral("n/a"));
        QVERIFY(!w.ButtonRSSI->isEnabled());
        QVERIFY(w.ButtonZoneData->isEnabled());
        QVERIFY(!enabled(w.Pages.box("SleepMode")));
        QVERIFY(enabled(w.Pages.box("CSADDR")));
        QVERIFY(enabled(w.Pages.box("RetryCount")));
        QVERIFY(enabled(w.Pages.box("XADDR")));
        QVERIFY(enabled(w.Pages.box("SoftRTU")));
        QVERIFY(!!w.Pages.box("XMIN")->isHidden());
        QVERIFY(!w.Pages.box("XPRI")->isHidden());
        // Not logged in: the probe was refused.
        QVERIFY(w.toolButtons["Login"]->isEnabled());
        QVERIFY(!w.toolButtons["Logout"]->isEnabled());
        QVERIFY(!shared().AccessCheckPending);
        QVERIFY(rig.radio().echoOn());
    }

    void lateAnswersAreNotTakenForTheNextQuery_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::newRow("a master gets every box and the master layout") << "M";
        QTest::newRow("a remote gets every box and the remote layout") << "R";
    }

    // A radio behind a slow adapter answers in 16-byte pieces 300 ms apart, so the answers to the
    // write-access probe and to "eeco" are still coming when the next query goes out. The pages
    // must show what an in-step read-out of the same radio shows.
    void lateAnswersAreNotTakenForTheNextQuery()
    {
        QFETCH(QString, mode);
        RIG(rig, 0.05, radioAt("3.2.0", mode));
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        Clock::pumpFor(100);
        rig.radio().setPacedReply(16, 300);
        readOut(rig);
        QVERIFY(rig.settle());
        const QStringList paced = pageView(w);
        rig.radio().setPacedReply(0, 0);
        readOut(rig);
        QCOMPARE(paced, pageView(w));
    }

    void remote210SkipsTheGatedQueries()
    {
        RIG(rig, 0.02, radioAt("2.1.0", "R"));
        frmCorvista &w = rig.openWindow();
        const QStringList lines = readOut(rig);
        for (const char *q : {"rxd", "lpmhold", "csaddr", "lpm", "xaddr", "xmin", "xmax"})
            QVERIFY2(!lines.contains(QLatin1String(q)), q);
        for (const char *q : {"xpri", "xrssi", "dtype", "dlink", "rtu", "repeat"})
            QVERIFY2(lines.contains(QLatin1String(q)), q);
        QCOMPARE(box(rig, "XADDR"), QStringLiteral("NOT AVAILABLE"));
        QCOMPARE(box(rig, "RepeatCount"), QStringLiteral("NOT AVAILABLE"));
        for (const char *hidden : {"RXD", "CSADDR", "LPMHOLD", "LPM", "XMIN", "XMAX"}) {
            QVERIFY2(!!w.Pages.box(hidden)->isHidden(), hidden);
            QVERIFY2(!!w.Pages.label(hidden)->isHidden(), hidden);
        }
        QCOMPARE(rowTopTwips(w.Pages, QStringLiteral("HopTime")), 720);
        QVERIFY(w.ButtonRSSI->isEnabled());
        QVERIFY(!enabled(w.Pages.box("XADDR")));
        QVERIFY(enabled(w.Pages.box("SleepMode")));
        QVERIFY(!enabled(w.Pages.box("RetryCount")));
    }

    void gatesPassAtTheirExactRevision_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QStringList>("sent");
        QTest::addColumn<QStringList>("notSent");
        QTest::newRow("2.0.0") << "2.0.0" << QStringList{"xpri", "dtype"} << QStringList{"xmin", "rxd", "csaddr", "lpm"};
        QTest::newRow("1.9.9") << "1.9.9" << QStringList{"xmin", "xmax"} << QStringList{"xpri", "dtype", "rxd"};
        QTest::newRow("3.0.0") << "3.0.0" << QStringList{"rxd", "csaddr"} << QStringList{"lpm", "lpmhold"};
        QTest::newRow("3.2.0") << "3.2.0" << QStringList{"lpm", "lpmhold"} << QStringList{"xmin"};
    }

    void gatesPassAtTheirExactRevision()
    {
        QFETCH(QString, version);
        QFETCH(QStringList, sent);
        QFETCH(QStringList, notSent);
        RIG(rig, 0.02, radioAt(version, "M"));
        frmCorvista &w = rig.openWindow();
        const QStringList lines = readOut(rig);
        for (const QString &q : sent)
            QVERIFY2(lines.contains(q), qPrintable(q));
        for (const QString &q : notSent)
            QVERIFY2(!lines.contains(q), qPrintable(q));
        if (version == QLatin1String("2.0.0")) {
            QVERIFY(!w.Pages.box("XMAP")->isHidden());
            QVERIFY(!!w.Pages.box("XMIN")->isHidden());
        }
    }

    void setupModeCutsAtSetupPrompt()
    {
        FakeRadio::Config c = radioAt("3.2.0", "M");
        RIG(rig, 0.02, c);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        rig.radio().config().stage = FakeRadio::Stage::Setup;
        readOut(rig);
        QVERIFY(shared().InSetupMode);
        QCOMPARE(box(rig, "UnitAddr"), QStringLiteral("UNIT 12345"));
        QCOMPARE(box(rig, "Mode"), QStringLiteral("MODE M"));
        QVERIFY(w.ButtonRSSI->isEnabled());
    }

    void repeaterGetsTheNonMasterLayout()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "X"));
        frmCorvista &w = rig.openWindow();
        const QStringList lines = readOut(rig);
        QVERIFY(lines.contains(QStringLiteral("xaddr")));
        QVERIFY(enabled(w.Pages.box("XADDR")));
        for (const char *b : {"RetryCount", "RepeatCount", "HopTime", "SkippedZones", "DataBuff", "StoreAndForward",
                              "FEC", "LPM", "CSADDR"})
            QVERIFY2(!enabled(w.Pages.box(b)), b);
        QVERIFY(enabled(w.Pages.box("SleepMode")));
        QVERIFY(w.ButtonRSSI->isEnabled());
    }

    void modeWithATrailingBlankIsNotMaster()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "M "));
        frmCorvista &w = rig.openWindow();
        readOut(rig);
        QCOMPARE(box(rig, "Mode"), QStringLiteral("MODE M "));
        QVERIFY(!enabled(w.Pages.box("RetryCount")));
        QVERIFY(w.ButtonRSSI->isEnabled());
    }

    void loggedInRadioEnablesLogout()
    {
        FakeRadio::Config c = radioAt("3.2.0", "M");
        c.loggedIn = true;
        RIG(rig, 0.5, c);
        frmCorvista &w = rig.openWindow();
        readOut(rig);
        QVERIFY(!w.toolButtons["Login"]->isEnabled());
        QVERIFY(w.toolButtons["Logout"]->isEnabled());
        // The probe wrote back the radio's own owner name, and the terminal was emptied after it.
        QCOMPARE(rig.radio().config().own, QStringLiteral("WAVECREST SS"));
        QVERIFY(!w.txtTerm->text().contains(QStringLiteral("WAVECREST SS")));
        // Only once per connection.
        const QStringList again = readOut(rig);
        QVERIFY(!again.contains(QStringLiteral("deco")));
    }

    void probeWaitsForAnAnsweredOwnerQuery()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        // Only the read-out below, with its quiet owner query, may run the probe: not one of the
        // window's own ticks on a machine that lets them pile up.
        w.Timer1->stop();
        Clock::pumpFor(100);
        // The radio goes quiet just for the "own" query: the box keeps a stale text.
        w.Pages.box("OwnerName")->setText(QStringLiteral("ANOTHER RADIO"));
        auto conn = onHeard(&rig.pty(), &rig.pty(), "owm", [&] { rig.radio().config().silentBursts = 0; });
        onHeard(&rig.pty(), &rig.pty(), "srev", [&] { rig.radio().config().silentBursts = -1; });
        const QStringList lines = readOut(rig);
        QObject::disconnect(conn);
        QVERIFY(!lines.contains(QStringLiteral("own ANOTHER RADIO")));
        QVERIFY(!lines.contains(QStringLiteral("deco")));
        QVERIFY(shared().AccessCheckPending);
        QCOMPARE(rig.radio().config().own, QStringLiteral("WAVECREST SS"));
        QVERIFY(w.toolButtons["Login"]->isEnabled());
    }

    void probeWritesOnlyANameThisReadOutRead()
    {
        FakeRadio::Config c = radioAt("3.2.0", "M");
        c.password.clear();   // every write is taken: a probe would change the name
        c.bareQueries = QStringList{"own"};
        RIG(rig, 0.02, c);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        Clock::pumpFor(100);
        w.Pages.box("OwnerName")->setText(QStringLiteral("ANOTHER RADIO"));
        QStringList lines = readOut(rig);
        QVERIFY(lines.contains(QStringLiteral("own")));
        QVERIFY(!lines.contains(QStringLiteral("own ANOTHER RADIO")));
        QVERIFY(!lines.contains(QStringLiteral("deco")));
        QCOMPARE(rig.radio().config().own, QStringLiteral("WAVECREST SS"));
        QCOMPARE(box(rig, "OwnerName"), QStringLiteral("ANOTHER RADIO"));
        QVERIFY(shared().AccessCheckPending);

        // The next read-out that reads the name probes with it.
        rig.radio().config().bareQueries.clear();
        lines = readOut(rig);
        QVERIFY(lines.contains(QStringLiteral("own WAVECREST SS")));
        QVERIFY(!shared().AccessCheckPending);
        QVERIFY(!w.toolButtons["Login"]->isEnabled());
        QVERIFY(rig.radio().echoOn());
    }

    void keepAlive()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        readOut(rig);
        // A deadline before the ninth sends a bare CR; the ninth and later start a read-out.
        // (Events run only before the deadline is set: the window's own timer ticks as well.)
        QVERIFY(rig.settle());
        shared().KeepAliveCount = 7;
        shared().KeepAliveDue = Clock::nowSeconds();
        rig.radio().clearLog();
        w.Timer1_Timer();
        QVERIFY(Clock::waitFor([&] { return !rig.radio().lines().isEmpty(); }, 500));
        QCOMPARE(rig.radio().lines(), QStringList{QString()});
        QCOMPARE(shared().KeepAliveCount, qint16(8));
        QVERIFY(shared().KeepAliveDue > Clock::nowSeconds() + 239);

        QVERIFY(rig.settle());
        shared().KeepAliveDue = Clock::nowSeconds();
        rig.radio().clearLog();
        w.Timer1_Timer();
        Clock::pumpFor(50);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().contains(QStringLiteral("rtu")));
        QCOMPARE(shared().KeepAliveCount, qint16(8));
    }

    void tickStaysOutOfAnOwnedLink_data()
    {
        QTest::addColumn<int>("keepAliveCount");
        QTest::addColumn<bool>("keepAliveDue");
        QTest::addColumn<QString>("heardAfter");
        QTest::addColumn<QString>("between");   // what the user does once the operation has ended
        QTest::newRow("keep-alive deadline: the CR waits") << 0 << true << "" << "";
        QTest::newRow("ninth deadline: the read-out waits") << 8 << true << "ser" << "";
        QTest::newRow("requested read-out waits") << 0 << false << "ser" << "";
        QTest::newRow("a held-back CR is forgotten at disconnect and connect") << 0 << true << "" << "disconnect";
        QTest::newRow("a held-back CR is forgotten when Port Open connects anew") << 0 << true << "" << "port open";
    }

    // While another operation owns the link the tick writes nothing; what fell due goes out at
    // the first tick after the operation.
    void tickStaysOutOfAnOwnedLink()
    {
        QFETCH(int, keepAliveCount);
        QFETCH(bool, keepAliveDue);
        QFETCH(QString, heardAfter);
        QFETCH(QString, between);
        RIG(rig, 0.02, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        readOut(rig);
        w.Timer1->stop();
        SharedState &s = shared();
        s.KeepAlivePref = true;
        s.KeepAliveCount = qint16(keepAliveCount);
        s.KeepAliveDue = keepAliveDue ? Clock::nowSeconds() : Clock::nowSeconds() + 100;
        s.RefreshRequested = !keepAliveDue;
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        {
            Exchange::LinkOwnership operation;
            for (int i = 0; i < 3; ++i) {
                w.Timer1_Timer();
                Clock::pumpFor(50);
            }
            QCOMPARE(rig.radio().lines(), QStringList());
            // The deadline moves on meanwhile; what was held back on this connection still goes.
            s.KeepAliveDue = Clock::nowSeconds() + 240;
        }
        if (!between.isEmpty()) {
            // A new connection starts its own schedule: its first tick sends nothing.
            if (between == u"disconnect")
                w.DisconnectRadio();
            else
                w.mnuOpen_Click();
            w.ConnectRadio();
            w.Timer1->stop();
            s.RefreshRequested = false;
            Clock::pumpFor(100);
            QVERIFY(rig.settle());
            rig.radio().clearLog();
            w.Timer1_Timer();
            Clock::pumpFor(50);
            QVERIFY(rig.settle());
            QCOMPARE(rig.radio().lines(), QStringList());
            QCOMPARE(s.KeepAliveCount, qint16(keepAliveCount));
            return;
        }
        const double released = Clock::nowSeconds();
        w.Timer1_Timer();
        Clock::pumpFor(50);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines().value(0), QString());
        QCOMPARE(rig.radio().lines().contains(QStringLiteral("ser")), !heardAfter.isEmpty());
        QCOMPARE(s.KeepAliveCount, qint16(keepAliveDue && keepAliveCount < 8 ? keepAliveCount + 1 : keepAliveCount));
        QVERIFY(!s.RefreshRequested);
        if (keepAliveDue)
            QVERIFY(s.KeepAliveDue >= released + 240);
        QVERIFY(!Exchange::linkOwned());
    }

    void aTickNeverStartsASecondReadOut()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        Clock::pumpFor(100);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        // Ticks keep coming while the read-out waits, and an edit asks for another read-out.
        QTimer again;
        QObject::connect(&again, &QTimer::timeout, &w, [] { shared().RefreshRequested = true; });
        Clock::startTimer(again, 300);
        shared().RefreshRequested = true;
        w.Timer1_Timer();
        again.stop();
        // The read-out waited for its last answer: the radio has heard all of it.
        const QStringList lines = rig.radio().lines();
        QCOMPARE(lines.count(QStringLiteral("ser")), 1);
        QCOMPARE(lines.last(), QStringLiteral("rtu"));
        // The request made meanwhile is served by a later tick.
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().count(QStringLiteral("ser")) == 2; }, 20000));
    }

    void closedPortDuringATickShowsOneMessage()
    {
        RIG(rig, 0.02, radioAt("3.2.0", "M"));
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        Clock::pumpFor(100);
        // The radio goes silent, so the prologue falls back to the wake-up, which gives up and
        // closes the port; the first query then meets the closed port.
        rig.radio().config().silentBursts = -1;
        rig.dialogs().clear();
        shared().RefreshRequested = true;
        Clock::setScale(0.002);
        w.Timer1_Timer();
        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.dialogs().messageTexts(),
                 QStringList{QStringLiteral("There was an error communicating with the radio. Please reconnect and try again")});
        QVERIFY(!shared().RefreshRequested);
    }
};

QTEST_MAIN(TestReadOut)
#include "tst_readout.moc"
