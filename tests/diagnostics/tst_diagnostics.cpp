// The RSSI, zone data and zone quality windows: what they show for the radio's replies, what they
// send, and the simulated radio end to end through the main window's buttons.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "diagnostics/ZoneChart.h"
#include "diagnostics/frmRSSI.h"
#include "diagnostics/frmZoneData.h"
#include "diagnostics/frmZoneQuality.h"
#include "platform/Clock.h"
#include "support/MockCommControl.h"
#include "support/RadioRig.h"
#include "support/TestEnv.h"
#include "support/ZoneReplies.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using Counts = QList<qint64>;

namespace {
// Counts with one zone's field set: zone 1..8, field 0 TX, 1 RX, 2 errors.
Counts oneCount(int zone, int field, qint64 value)
{
    Counts c(24, 0);
    c[(zone - 1) * 3 + field] = value;
    return c;
}

// Receive totals and errors per zone (transmit totals 0).
Counts receiveCounts(const QList<qint64> &totals, const QList<qint64> &errors)
{
    Counts c(24, 0);
    for (int z = 0; z < 8; ++z) {
        c[z * 3 + 1] = totals.value(z);
        c[z * 3 + 2] = errors.value(z);
    }
    return c;
}

// A whole reply in which one count (zone 1..8, field as above) is not a number.
QString replyWithGarbledCount(int zone, int field)
{
    QString reply = zoneDataReply(Counts(24, 1));
    const char *labels[] = {"TX TOTAL", "RX TOTAL", "RX ERROR"};
    const qsizetype at = reply.indexOf(QStringLiteral("%1:%2").arg(zone).arg(QLatin1String(labels[field])));
    return reply.replace(at + 11, 8, QStringLiteral("   1?3  "));
}

QStringList texts(QLabel *const *labels, int n)
{
    QStringList out;
    for (int i = 0; i < n; ++i)
        out << labels[i]->text();
    return out;
}

// Runs action on the modal window of type W as soon as it shows; returns whether one showed.
template<typename W>
void whenShown(const std::function<void(W &)> &action)
{
    QTimer::singleShot(0, [action] {
        W *w = nullptr;
        Clock::waitFor([&] { return (w = qobject_cast<W *>(QApplication::activeModalWidget())) != nullptr; }, 5000);
        QVERIFY2(w, "the window did not show");
        action(*w);
        if (w->isVisible())
            w->close();
    });
}
} // namespace

class TestDiagnostics : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<MockCommControl> port;

    // A window on an open in-memory port with its timers stopped, so each step runs when called.
    template<typename W>
    std::unique_ptr<W> quietWindow()
    {
        auto w = std::make_unique<W>(*port);
        for (QTimer *t : w->template findChildren<QTimer *>())
            t->stop();
        port->takeWritten();
        return w;
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>(0.02);
        port = std::make_unique<MockCommControl>();
        port->setPortOpen(true);
    }

    void cleanup()
    {
        port.reset();
        env.reset();
    }

    // ---- RSSI ----

    void rssiStartsTheReportsAndEndsThemWithACarriageReturn()
    {
        frmRSSI w(*port);
        QCOMPARE(port->written(), QByteArray("rssi\r"));
        QCOMPARE(shared().RxBuffer, QStringLiteral(" "));
        QCOMPARE(w.Text1->text(), QStringLiteral("n/a"));
        QCOMPARE(w.ProgressBar1->value(), 50);
        w.Command1->click();
        QCOMPARE(port->written(), QByteArray("rssi\r\r"));
        QVERIFY(!w.Timer1->isActive());
    }

    void rssiReports_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("bar");
        QTest::addColumn<QString>("left");
        QTest::newRow("-85 dBm shows sign, digits and a blank") << " rssi\r\nRSSI -85 dBm\r\n" << "-85 " << 85 << " ";
        QTest::newRow("-105 fills the field") << " RSSI -105dBm\r\n" << "-105" << 65 << " ";
        QTest::newRow("-130 dBm stops at the bottom") << " RSSI -130dBm\r\n" << "-130" << 50 << " ";
        QTest::newRow("-40 dBm stops at the top") << " RSSI -40 dBm\r\n" << "-40 " << 120 << " ";
        QTest::newRow("report cut in two waits for the rest") << " RSSI -8" << "n/a" << 50 << " RSSI -8";
        QTest::newRow("several reports: first shown, all dropped")
            << " RSSI -91 dBm\r\nRSSI -60 dBm\r\nRSSI -70 dBm\r\n" << "-91 " << 79 << " ";
        QTest::newRow("case matters") << " rssi -85 dbm" << "n/a" << 50 << " rssi -85 dbm";
        QTest::newRow("tail of a cut report before a new cut one waits")
            << " 6 dBm\r\nRSSI -" << "n/a" << 50 << " 6 dBm\r\nRSSI -";
        QTest::newRow("tail of a cut report before a whole one")
            << " 6 dBm\r\nRSSI -72 dBm\r\n" << "-72 " << 98 << " ";
        QTest::newRow("dashes instead of a number show no signal") << " RSSI ---- dBm\r\n" << "----" << 50 << " ";
        QTest::newRow("blanks instead of a number show no signal") << " RSSI      dBm\r\n" << "    " << 50 << " ";
        QTest::newRow("ERR instead of a number shows no signal") << " RSSI ERR dBm\r\n" << "ERR " << 50 << " ";
    }

    void rssiReports()
    {
        QFETCH(QString, buffer);
        QFETCH(QString, shown);
        QFETCH(int, bar);
        QFETCH(QString, left);
        auto w = quietWindow<frmRSSI>();
        shared().RxBuffer = buffer;
        w->Timer1_Timer();
        QCOMPARE(w->Text1->text(), shown);
        QCOMPARE(w->ProgressBar1->value(), bar);
        QCOMPARE(shared().RxBuffer, left);
    }

    // ---- zone data ----

    void zoneDataLoadAsksForTheSkippedZones()
    {
        frmZoneData w(*port);
        QCOMPARE(port->written(), QByteArray("skip\r"));
        QCOMPARE(shared().RxBuffer, QStringLiteral(" "));
        QCOMPARE(w.frameZone[0]->title(), QStringLiteral("Zone 1"));
        QCOMPARE(w.labelZone[10]->text(), QStringLiteral("10"));
        QCOMPARE(w.zoneTXBar[0]->heightTwips(), 0);
        QCOMPARE(w.zoneTXBar[0]->topTwips(), 4455);
    }

    void zoneDataPollsOnlyWhenTheBufferIsEmpty()
    {
        auto w = quietWindow<frmZoneData>();
        shared().RxBuffer.clear();
        w->pollTimer_Timer();
        QCOMPARE(port->takeWritten(), QByteArray("ZONE DATA\r"));
        // Part of the reply: 500 ms more, no new poll.
        shared().RxBuffer = zoneDataReply({}).left(300);
        w->pollTimer_Timer();
        QVERIFY(w->resetTimer->isActive());
        QVERIFY(!w->pollTimer->isActive());
        QVERIFY(port->takeWritten().isEmpty());
    }

    // A whole-length reply with a count that is no number is dropped after the grace period.
    void zoneDataDropsAReplyItCannotRead()
    {
        auto w = quietWindow<frmZoneData>();
        const QString garbled = replyWithGarbledCount(5, 1);
        QCOMPARE(garbled.size(), 516);
        shared().RxBuffer = garbled;
        w->pollTimer_Timer();
        QVERIFY(w->resetTimer->isActive());
        QVERIFY(!w->pollTimer->isActive());
        QCOMPARE(shared().RxBuffer, garbled);
        w->resetTimer_Timer();
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        QVERIFY(w->pollTimer->isActive());
        w->pollTimer_Timer();
        QCOMPARE(port->takeWritten(), QByteArray("ZONE DATA\r"));
    }

    void zoneCountsShowOnlyWhenTheyRiseByLessThanAThousand_data()
    {
        QTest::addColumn<QList<qint64>>("replies");   // zone 3 TX totals, one reply each
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("topTick");
        QTest::newRow("all zero") << QList<qint64>{0} << QStringList{"0"} << QStringList{"10"};
        QTest::newRow("100, then 1200, then 1250") << QList<qint64>{100, 1200, 1250}
                                                   << QStringList{"100", "100", "1250"}
                                                   << QStringList{"100", "100", "10000"};
        QTest::newRow("first reply of 1000 stays 0") << QList<qint64>{1000} << QStringList{"0"} << QStringList{"10"};
        QTest::newRow("lower count leaves the label") << QList<qint64>{250, 40} << QStringList{"250", "250"}
                                                      << QStringList{"1000", "1000"};
    }

    void zoneCountsShowOnlyWhenTheyRiseByLessThanAThousand()
    {
        QFETCH(QList<qint64>, replies);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, topTick);
        auto w = quietWindow<frmZoneData>();
        for (int i = 0; i < replies.size(); ++i) {
            shared().RxBuffer = zoneDataReply(oneCount(3, 0, replies[i]));
            w->pollTimer_Timer();
            QCOMPARE(shared().RxBuffer, QString());
            QCOMPARE(w->zoneTXCount[2]->text(), shown[i]);
            QCOMPARE(w->labelZone[10]->text(), topTick[i]);
            QCOMPARE(w->labelZone[11 * 7 + 10]->text(), topTick[i]);
            const int expectedBar = qRound(3615.0 / topTick[i].toDouble() * shown[i].toDouble());
            QCOMPARE(w->zoneTXBar[2]->heightTwips(), expectedBar);
            QCOMPARE(w->zoneRXBar[2]->heightTwips(), 0);
        }
        QCOMPARE(texts(w->zoneTXCount, 8).count(QStringLiteral("0")), shown.last() == "0" ? 8 : 7);
    }

    void resetSetsTheScaleBackAndAsksTheRadioToClear()
    {
        auto w = quietWindow<frmZoneData>();
        for (const qint64 n : {900, 1800, 2700, 3600}) {
            shared().RxBuffer = zoneDataReply(oneCount(1, 1, n));
            w->pollTimer_Timer();
        }
        QCOMPARE(w->zoneRXCount[0]->text(), QStringLiteral("3600"));
        QCOMPARE(w->labelZone[10]->text(), QStringLiteral("10000"));

        w->mnuResetZoneData->trigger();
        QCOMPARE(port->takeWritten(), QByteArray("zone clear\r"));
        QCOMPARE(w->zoneRXCount[0]->text(), QStringLiteral("0"));
        QCOMPARE(w->labelZone[10]->text(), QStringLiteral("10"));
        QCOMPARE(w->labelZone[5]->text(), QStringLiteral("5"));
        QCOMPARE(w->zoneRXBar[0]->heightTwips(), 0);

        // The echo of the clear is dropped; the radio's counters, now small, are below the
        // remembered ones and leave the labels at 0.
        shared().RxBuffer = QStringLiteral("zone clear\r\n>");
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        shared().RxBuffer = zoneDataReply(oneCount(1, 1, 12));
        w->pollTimer_Timer();
        QCOMPARE(w->zoneRXCount[0]->text(), QStringLiteral("0"));
        QCOMPARE(w->PrevRxTotal[0], 12);
    }

    // A poll moves only the bars that changed; what a zone window then shows must be what a full
    // layout of each chart shows.
    void zoneChartsShowWhatAFullLayoutShows_data()
    {
        QTest::addColumn<bool>("quality");            // the zone quality window, else zone data
        QTest::addColumn<QList<qint64>>("replies");   // zone 5 RX totals, one reply each
        QTest::addColumn<bool>("resize");
        QTest::addColumn<bool>("reset");
        QTest::newRow("counts within the scale") << false << QList<qint64>{4, 9} << false << false;
        QTest::newRow("a count that widens the scale tenfold") << false << QList<qint64>{8, 900} << false << false;
        QTest::newRow("a smaller window after the counts") << false << QList<qint64>{300, 700} << true << false;
        QTest::newRow("a reset after the counts") << false << QList<qint64>{300, 700} << false << true;
        QTest::newRow("zone quality: a bar rising to full") << true << QList<qint64>{1000, 1000} << false << false;
        QTest::newRow("zone quality: a smaller window") << true << QList<qint64>{1000, 1000} << true << false;
    }

    void zoneChartsShowWhatAFullLayoutShows()
    {
        QFETCH(bool, quality);
        QFETCH(QList<qint64>, replies);
        QFETCH(bool, resize);
        QFETCH(bool, reset);
        std::unique_ptr<QDialog> window;
        std::function<void()> poll;
        frmZoneData *data = nullptr;
        QList<ZoneBar *> bars;
        QList<QLabel *> ticks;
        if (quality) {
            auto w = quietWindow<frmZoneQuality>();
            poll = [q = w.get()] { q->pollTimer_Timer(); };
            bars = QList<ZoneBar *>(std::begin(w->usableBar), std::end(w->usableBar));
            ticks = QList<QLabel *>(std::begin(w->labelZone), std::end(w->labelZone));
            window = std::move(w);
        } else {
            auto w = quietWindow<frmZoneData>();
            poll = [d = w.get()] { d->pollTimer_Timer(); };
            for (int z = 0; z < 8; ++z)
                bars << w->zoneTXBar[z] << w->zoneRXBar[z] << w->zoneErrorsBar[z];
            ticks = QList<QLabel *>(std::begin(w->labelZone), std::end(w->labelZone));
            data = w.get();
            window = std::move(w);
        }
        window->show();
        for (const qint64 n : replies) {
            shared().RxBuffer = zoneDataReply(oneCount(5, 1, n));
            poll();
        }
        if (reset)
            data->mnuResetZoneData_Click();
        if (resize)
            window->resize(window->width() - 60, window->height() - 40);
        QCoreApplication::processEvents();
        const auto placed = [&] {
            QList<QRect> at;
            for (const ZoneBar *bar : bars)
                at << (bar->isVisible() ? bar->geometry() : QRect());
            for (const QLabel *tick : ticks)
                at << tick->geometry();
            return at;
        };
        const QList<QRect> shown = placed();
        QCOMPARE(shown.count(QRect()) < bars.size(), !reset);
        for (const ZoneBar *bar : bars)
            qobject_cast<ZoneChart *>(bar->parentWidget())->relayout();
        QCOMPARE(shown, placed());
    }

    void skippedZonesGetTheirCaption_data()
    {
        QTest::addColumn<QString>("buffer");
        QTest::addColumn<QStringList>("captions");
        QStringList plain;
        for (int z = 1; z <= 8; ++z)
            plain << QStringLiteral("Zone %1").arg(z);
        QStringList twoSeven = plain;
        twoSeven[1] = "Zone 2 (skipped)";
        twoSeven[6] = "Zone 7 (skipped)";
        QTest::newRow("SKIP 2,7") << " skip\r\nSKIP 2,7\r\n>" << twoSeven;
        QTest::newRow("SKIP NONE") << " skip\r\nSKIP NONE\r\n>" << plain;
    }

    void skippedZonesGetTheirCaption()
    {
        QFETCH(QString, buffer);
        QFETCH(QStringList, captions);
        auto w = quietWindow<frmZoneData>();
        shared().RxBuffer = buffer;
        w->pollTimer_Timer();
        QStringList shown;
        for (QGroupBox *frame : w->frameZone)
            shown << frame->title();
        QCOMPARE(shown, captions);
        QCOMPARE(shared().RxBuffer, QString());
    }

    void incompleteReplyIsDroppedOnTheLateTick_data()
    {
        QTest::addColumn<QString>("buffer");
        const QString full = zoneDataReply(oneCount(1, 0, 5));
        QTest::newRow("515 characters with the last line") << full.right(515);
        QTest::newRow("unknown text") << QStringLiteral("UNRECOGNISED COMMAND\r\n>");
    }

    void incompleteReplyIsDroppedOnTheLateTick()
    {
        QFETCH(QString, buffer);
        auto w = quietWindow<frmZoneData>();
        shared().RxBuffer = buffer;
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, buffer);
        QVERIFY(w->resetTimer->isActive());
        w->resetTimer_Timer();
        QVERIFY(w->pollTimer->isActive());
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        QVERIFY(!w->resetTimer->isActive());
        QCOMPARE(w->zoneTXCount[0]->text(), QStringLiteral("0"));
    }

    void stoppingAndStartingTheUpdates()
    {
        frmZoneData w(*port);
        QVERIFY(w.pollTimer->isActive());
        w.mnuToggleZoneUpdates->trigger();
        QVERIFY(!w.pollTimer->isActive());
        QCOMPARE(w.mnuToggleZoneUpdates->text(), QStringLiteral("&Start Zone Updates"));
        // Stopped by the user: getting the focus back does not start it.
        w.Form_GotFocus();
        QVERIFY(!w.pollTimer->isActive());
        shared().RxBuffer = QStringLiteral("left over");
        w.mnuToggleZoneUpdates->trigger();
        QVERIFY(w.pollTimer->isActive());
        QCOMPARE(shared().RxBuffer, QString());
        QCOMPARE(w.mnuToggleZoneUpdates->text(), QStringLiteral("&Stop Zone Updates"));
    }

    void lostPortStopsPollingWithOneMessage()
    {
        frmZoneData w(*port);
        port->setPortOpen(false);
        shared().RxBuffer.clear();
        // Ticks keep coming while the message is up; one message, then polling is off.
        QVERIFY(Clock::waitFor([&] { return !env->dialogs().messages().isEmpty(); }, 5000));
        Clock::pumpFor(500);
        const auto boxes = env->dialogs().messages();
        QCOMPARE(boxes.size(), 1);
        QCOMPARE(boxes[0].text, frmCorvista::commErrorText());
        QCOMPARE(boxes[0].title, QStringLiteral("Error"));
        QVERIFY(!w.pollTimer->isActive());
        QCOMPARE(w.mnuToggleZoneUpdates->text(), QStringLiteral("&Start Zone Updates"));
    }

    // ---- zone quality ----

    void zoneQualityConfirmsJumps_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::addColumn<QString>("skip");
        QTest::addColumn<QList<Counts>>("replies");
        QTest::addColumn<QList<QStringList>>("shown");   // zones 1-4 after each reply
        const Counts steady = receiveCounts({1000, 1000, 1000, 1000}, {50, 0, 100, 999});
        QTest::newRow("first reply is a jump, second shows it")
            << false << QString() << QList<Counts>{steady, steady}
            << QList<QStringList>{{"0", "0", "0", "0"}, {"95", "100", "90", "0"}};
        QTest::newRow("95 to 40 then 42 shows 95 then 42")
            << false << QString()
            << QList<Counts>{receiveCounts({1000}, {50}), receiveCounts({1000}, {50}), receiveCounts({1000}, {600}),
                             receiveCounts({1000}, {580})}
            << QList<QStringList>{{"0", "0", "0", "0"}, {"95", "0", "0", "0"}, {"95", "0", "0", "0"},
                                  {"42", "0", "0", "0"}};
        const Counts uneven = receiveCounts({1000, 500, 250, 250}, {});
        QTest::newRow("blocked frequencies against the average of zones in use")
            << true << QStringLiteral(" skip\r\nSKIP 5,6,7,8\r\n>") << QList<Counts>{uneven, uneven}
            << QList<QStringList>{{"0", "0", "0", "0"}, {"100", "100", "50", "50"}};
        QTest::newRow("blocked frequencies with every zone skipped")
            << true << QStringLiteral(" skip\r\nSKIP 1,2,3,4,5,6,7,8\r\n>") << QList<Counts>{steady, steady}
            << QList<QStringList>{{"0", "0", "0", "0"}, {"95", "100", "90", "0"}};
    }

    void zoneQualityConfirmsJumps()
    {
        QFETCH(bool, blocked);
        QFETCH(QString, skip);
        QFETCH(QList<Counts>, replies);
        QFETCH(QList<QStringList>, shown);
        auto w = quietWindow<frmZoneQuality>();
        if (blocked)
            w->mnuBlockedFrequencies->trigger();
        QCOMPARE(w->mnuNormalAveraging->isChecked(), !blocked);
        if (!skip.isEmpty()) {
            shared().RxBuffer = skip;
            w->pollTimer_Timer();
            QCOMPARE(shared().RxBuffer, QString());
        }
        for (int i = 0; i < replies.size(); ++i) {
            shared().RxBuffer = zoneDataReply(replies[i]);
            w->pollTimer_Timer();
            QCOMPARE(shared().RxBuffer, QString());
            QCOMPARE(texts(w->percentUsable, 4), shown[i]);
            for (int z = 0; z < 4; ++z)
                QCOMPARE(w->usableBar[z]->heightTwips(), shown[i][z].toInt() * 3615 / 100);
        }
    }

    void repeatedSkipReplyIsCountedOnce()
    {
        auto w = quietWindow<frmZoneQuality>();
        for (int i = 0; i < 2; ++i) {
            shared().RxBuffer = QStringLiteral(" skip\r\nSKIP 3,5\r\n>");
            w->pollTimer_Timer();
        }
        QCOMPARE(w->SkippedCount, 2);
        QCOMPARE(w->frameZone[2]->title(), QStringLiteral("Zone 3 (skipped)"));
    }

    void zoneQualityDropsWhatItCannotUse()
    {
        auto w = quietWindow<frmZoneQuality>();
        // Incomplete zone reply: polling goes on; once the 500 ms have run out it is dropped.
        shared().RxBuffer = zoneDataReply({}).left(200);
        w->pollTimer_Timer();
        QVERIFY(w->resetTimer->isActive());
        QCOMPARE(w->resetTimerTag, QStringLiteral("incompleteZoneData"));
        w->resetTimer_Timer();
        QVERIFY(w->DiscardIncomplete);
        shared().RxBuffer = zoneDataReply({});   // complete by now, still dropped
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        QVERIFY(!w->resetTimer->isActive());
        QVERIFY(!w->DiscardIncomplete);

        // Unknown text stops the poll for 500 ms, then goes.
        shared().RxBuffer = QStringLiteral("UNIT 12345\r\n>");
        w->pollTimer_Timer();
        QVERIFY(!w->pollTimer->isActive());
        QCOMPARE(w->resetTimerTag, QStringLiteral("unknownData"));
        w->resetTimer_Timer();
        QVERIFY(w->pollTimer->isActive());
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());

        w->pollTimer_Timer();
        QCOMPARE(port->takeWritten(), QByteArray("ZONE DATA\r"));
    }

    void zoneQualityDropsAReplyItCannotRead()
    {
        auto w = quietWindow<frmZoneQuality>();
        shared().RxBuffer = replyWithGarbledCount(4, 2);
        w->pollTimer_Timer();
        QCOMPARE(w->resetTimerTag, QStringLiteral("incompleteZoneData"));
        w->resetTimer_Timer();
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        w->pollTimer_Timer();
        QCOMPARE(port->takeWritten(), QByteArray("ZONE DATA\r"));

        // Its transmit totals are not read, so a garbled one there does not matter.
        shared().RxBuffer = replyWithGarbledCount(4, 0);
        w->pollTimer_Timer();
        QCOMPARE(shared().RxBuffer, QString());
        QCOMPARE(w->RxTotal[3], 1);
    }

    // ---- end to end, on the simulated radio ----

    void buttonsOpenTheWindowsOnlyWithThePortOpen()
    {
        port.reset();
        env.reset();
        RIG(rig, 0.02);
        frmCorvista &w = rig.openWindow();
        w.ButtonRSSI_Click();
        QCOMPARE(rig.dialogs().messageTexts(), QStringList{"Please Toggle COMM Port open first."});
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().isEmpty());
    }

    void rssiWindowShowsTheLiveLevel()
    {
        port.reset();
        env.reset();
        FakeRadio::Config config;
        config.rssiLevels = {-85, -105};
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        w.Timer1->stop();   // no read-out mixes into the reports
        QVERIFY(rig.settle());
        rig.radio().clearLog();

        QStringList seen;
        whenShown<frmRSSI>([&](frmRSSI &r) {
            QCOMPARE(r.windowTitle(), QStringLiteral("RSSI"));
            QVERIFY(Clock::waitFor([&] { return r.Text1->text() == QLatin1String("-85 "); }, 5000));
            QCOMPARE(r.ProgressBar1->value(), 85);
            QVERIFY(Clock::waitFor([&] { return r.Text1->text() == QLatin1String("-105"); }, 5000));
            QCOMPARE(r.ProgressBar1->value(), 65);
            r.grab().save(QStringLiteral("/tmp/diag_rssi.png"));
            r.Command1->click();
        });
        w.ButtonRSSI_Click();
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().size() == 2; }, 5000));
        QCOMPARE(rig.radio().lines(), (QStringList{"rssi", ""}));
        // The CR ended the reports: nothing more arrives.
        Clock::pumpFor(300);
        shared().RxBuffer.clear();
        Clock::pumpFor(1000);
        QVERIFY(!shared().RxBuffer.contains(QLatin1String("RSSI")));
    }

    void zoneWindowsFollowTheRadiosCounters()
    {
        port.reset();
        env.reset();
        FakeRadio::Config config;
        config.skip = QStringLiteral("2,7");
        RIG(rig, 0.02, config);
        frmCorvista &w = rig.openWindow();
        w.ConnectRadio();
        w.Timer1->stop();
        QVERIFY(rig.settle());

        bool qualityShown = false;
        whenShown<frmZoneData>([&](frmZoneData &z) {
            QCOMPARE(z.windowTitle(), QStringLiteral("Zone Data"));
            QVERIFY(Clock::waitFor([&] { return z.frameZone[6]->title() == QLatin1String("Zone 7 (skipped)"); }, 100000));
            QCOMPARE(z.frameZone[1]->title(), QStringLiteral("Zone 2 (skipped)"));
            QCOMPARE(z.frameZone[0]->title(), QStringLiteral("Zone 1"));
            // Counts rise with every poll.
            QVERIFY(Clock::waitFor([&] { return z.zoneTXCount[7]->text().toInt() > 200; }, 600000));
            QVERIFY(z.zoneRXCount[7]->text().toInt() > 0);
            QVERIFY(z.labelZone[10]->text().toInt() >= 1000);
            QVERIFY(z.zoneTXBar[7]->heightTwips() > z.zoneTXBar[0]->heightTwips());
            z.grab().save(QStringLiteral("/tmp/diag_zonedata.png"));

            whenShown<frmZoneQuality>([&](frmZoneQuality &q) {
                qualityShown = true;
                QVERIFY(!z.pollTimer->isActive());
                QVERIFY(Clock::waitFor([&] { return q.percentUsable[1]->text() != QLatin1String("0"); }, 600000));
                QCOMPARE(q.SkippedCount, 2);
                q.grab().save(QStringLiteral("/tmp/diag_zonequality.png"));
                q.mnuExitScreen->trigger();
            });
            z.mnuShowZoneQuality->trigger();
            QVERIFY(qualityShown);
            QVERIFY(z.pollTimer->isActive());

            z.mnuResetZoneData->trigger();
            QCOMPARE(z.zoneTXCount[7]->text(), QStringLiteral("0"));
            QVERIFY(Clock::waitFor([&] { return rig.radio().lines().contains(QStringLiteral("zone clear")); }, 100000));
            QCOMPARE(rig.radio().config().zoneCounts[0][0] < 1000, true);
            z.mnuExitScreen->trigger();
        });
        const int before = int(rig.radio().lines().size());
        w.ButtonZoneData_Click();
        QVERIFY(qualityShown);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().lines().mid(before).contains(QStringLiteral("ZONE DATA")));
        // Nothing is sent on closing.
        Clock::pumpFor(300);
        QVERIFY(rig.settle());
        const QStringList after = rig.radio().lines();
        Clock::pumpFor(500);
        QVERIFY(rig.settle());
        QCOMPARE(rig.radio().lines().size(), after.size());
    }
};

QTEST_MAIN(TestDiagnostics)
#include "tst_diagnostics.moc"
