// Commands sent just before the port closes or changes hands reach a radio that reads at the
// line's speed: the port lets its output leave the line first, handling events meanwhile, and
// stops at once when the user gives the output up. The clock runs at its real pace where a few
// characters' line time must be long beside what the program does between two calls.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"
#include "support/RadioRig.h"

#include <QSocketNotifier>
#include <QTest>
#include <QTimer>

class TestLineDrain : public QObject
{
    Q_OBJECT
private slots:
    void logoutAtQuitReachesTheRadio_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("quitting with the port open") << true;
        QTest::newRow("quitting with the port closed opens it for the logout") << false;
    }

    void logoutAtQuitReachesTheRadio()
    {
        QFETCH(bool, open);
        RIG(rig, 1.0);
        rig.radio().setStrictLine(true);
        frmCorvista &w = rig.openWindow();
        shared().KeepAlivePref = false;
        if (open)
            w.MSComm1->setPortOpen(true);
        QVERIFY(rig.settle());
        rig.radio().clearLog();
        shared().LogoutOnQuitPref = true;

        w.close();
        QVERIFY(rig.settle());

        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QCOMPARE(rig.radio().lines(), QStringList{QStringLiteral("PASS NONE")});
    }

    void closAtDisconnectReachesTheRadio()
    {
        RIG(rig, 1.0);
        rig.radio().setStrictLine(true);
        frmCorvista &w = rig.openWindow();
        shared().KeepAlivePref = false;
        w.MSComm1->setPortOpen(true);

        w.DisconnectRadio();
        QVERIFY(rig.settle());

        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QCOMPARE(rig.radio().lines(), QStringList{QStringLiteral("CLOS")});
    }

    void drainHandlesEventsAndEndsWithTheQueue_data()
    {
        QTest::addColumn<QString>("drain");
        QTest::addColumn<double>("holdSeconds");
        QTest::newRow("closing the port") << "close" << 0.0;
        QTest::newRow("disconnecting") << "disconnect" << 0.0;
        QTest::newRow("changing the line's speed") << "speed" << 0.0;
        QTest::newRow("a close on a line held past the queue's line time waits for the driver's drain")
            << "close" << 1.2;
        QTest::newRow("a speed change on a line held past the queue's line time waits for the driver's drain")
            << "speed" << 1.2;
    }

    // A kilobyte still queued on a line that drains at 19200 baud: the window's timers tick while
    // it drains, the driver's own drain comes after the last write and before the line changes,
    // and the radio hears every byte. A line held longer than the queue's line time (the device
    // still holds bytes the queue no longer counts) is waited out by the driver's drain.
    void drainHandlesEventsAndEndsWithTheQueue()
    {
        QFETCH(QString, drain);
        QFETCH(double, holdSeconds);
        RIG(rig, 0.1);
        rig.useUartQueue();
        frmCorvista &w = rig.openWindow();
        // The port is opened here, not by a connect: the window's keep-alive would be due at once.
        shared().KeepAlivePref = false;
        w.MSComm1->setPortOpen(true);
        QVERIFY(rig.settle());
        const QByteArray queued = QByteArray(1000, 'x') + '\r';
        int ticks = 0, ticksInDriverDrain = 0;
        QTimer counter;
        counter.setTimerType(Qt::PreciseTimer);
        connect(&counter, &QTimer::timeout, this, [&] {
            ++ticks;
            ticksInDriverDrain += rig.pty().draining() ? 1 : 0;
        });
        counter.start(2);

        w.MSComm1->output(queued);
        rig.pty().holdLine(holdSeconds);
        if (drain == "close")
            w.MSComm1->setPortOpen(false);
        else if (drain == "disconnect")
            w.DisconnectRadio();
        else
            w.MSComm1->setSettings(QStringLiteral("115200,N,8,1"));
        counter.stop();

        QVERIFY(ticks > 0);
        if (holdSeconds > 0)
            QVERIFY(ticksInDriverDrain > 0);
        QVERIFY(rig.pty().drainCalls() > 0);
        QCOMPARE(rig.pty().undrainedChanges(), 0);
        QVERIFY(rig.settle());
        QVERIFY2(rig.pty().lostBytes().isEmpty(), byteDifference(rig.pty().lostBytes(), {}));
        QVERIFY2(rig.radio().received().startsWith(queued), byteDifference(rig.radio().received(), queued));
    }

    void whatHandlersDoDuringADrain_data()
    {
        QTest::addColumn<QString>("drain");
        QTest::addColumn<QString>("handler");
        QTest::newRow("a write while the port closes is refused") << "close" << "write";
        QTest::newRow("a close while the port closes waits with it") << "close" << "close";
        QTest::newRow("an open while the port closes comes after the close") << "close" << "open";
        QTest::newRow("a write while the speed changes goes at the new speed") << "speed" << "write";
        QTest::newRow("a speed asked for while the speed changes is the one the line gets") << "speed" << "speed";
    }

    // A handler that runs while the line drains (a timer here) neither puts bytes into a line
    // about to change nor starts a drain of its own; to it a closing port is closed.
    void whatHandlersDoDuringADrain()
    {
        QFETCH(QString, drain);
        QFETCH(QString, handler);
        RIG(rig, 0.1);
        rig.useUartQueue();
        frmCorvista &w = rig.openWindow();
        CommControl &port = *w.MSComm1;
        shared().KeepAlivePref = false;
        port.setPortOpen(true);
        QVERIFY(rig.settle());
        const QByteArray queued = QByteArray(1000, 'x') + '\r';
        // As long as what is queued: at the old speed it would outlast the drain and be cut.
        const QByteArray late = QByteArray(1000, 'y') + '\r';
        int refused = 0;
        // Runs at the first event round, which is the drain's.
        bool ran = false;
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            ran = true;
            try {
                if (handler == "write")
                    port.output(late);
                else if (handler == "close")
                    port.setPortOpen(false);
                else if (handler == "open")
                    port.setPortOpen(!port.portOpen());
                else
                    port.setSettings(QStringLiteral("57600,N,8,1"));
            } catch (const CommError &e) {
                refused = e.number();
            }
        });

        port.output(queued);
        if (drain == "close")
            port.setPortOpen(false);
        else
            port.setSettings(QStringLiteral("115200,N,8,1"));
        const bool ranInTheDrain = ran;
        QVERIFY(rig.settle());
        Clock::pumpFor(100);

        QVERIFY(ranInTheDrain);
        QVERIFY2(rig.pty().lostBytes().isEmpty(), byteDifference(rig.pty().lostBytes(), {}));
        QCOMPARE(port.portOpen(), drain == "speed" || handler == "open");
        if (drain == "close")
            QCOMPARE(refused, handler == "write" ? CommErr::PortNotOpen : 0);
        const QByteArray expected = drain == "speed" && handler == "write" ? queued + late : queued;
        QVERIFY2(rig.radio().received() == expected, byteDifference(rig.radio().received(), expected));
        if (handler == "speed") {
            QCOMPARE(port.settings(), QStringLiteral("57600,N,8,1"));
            QCOMPARE(rig.pty().baudRate(), 57600);
        }
    }

    void givingUpTheOutputAtQuitEndsAtOnce_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Ignore closes at once") << int(Msg::Ignore);
        QTest::newRow("Abort keeps the window and the queue, which goes out as usual") << int(Msg::Abort);
    }

    // Nobody takes the bytes: the shut-down's 10 s run out, and the user's answer ends the wait
    // for the output there and then. benchmarks/bench_waits prints how soon the window closes.
    void givingUpTheOutputAtQuitEndsAtOnce()
    {
        QFETCH(int, answer);
        RIG(rig, 0.1);
        frmCorvista &w = rig.openWindow();
        w.MSComm1->setPortOpen(true);
        rig.radio().detach();
        rig.pty().findChild<QSocketNotifier *>()->setEnabled(false);
        for (int block = 0; block < 64; ++block)
            w.MSComm1->output(QByteArray(512, 'S'));
        QVERIFY(w.MSComm1->outBufferCount() > 0);
        shared().LogoutOnQuitPref = true;
        rig.dialogs().answerMsgBox(answer);

        const bool closed = w.close();

        QCOMPARE(rig.dialogs().messageTexts(), QStringList{QStringLiteral("Data cannot be sent")});
        QCOMPARE(closed, answer == Msg::Ignore);
        QCOMPARE(w.MSComm1->portOpen(), answer == Msg::Abort);
        if (answer == Msg::Ignore) {
            QCOMPARE(w.MSComm1->outBufferCount(), 0);
            return;
        }
        // Only Ignore gives the output up: kept, it goes out once the line takes bytes again.
        QVERIFY(w.MSComm1->outBufferCount() > 0);
        rig.pty().findChild<QSocketNotifier *>()->setEnabled(true);
        QVERIFY(Clock::waitFor([&] { return w.MSComm1->outBufferCount() == 0; }, 120000));
    }
};

QTEST_MAIN(TestLineDrain)
#include "tst_linedrain.moc"
