// Commands sent just before the port closes or changes hands reach a radio that reads at the
// line's speed: the port lets its output leave the line first, handling events meanwhile, and
// stops at once when the user gives the output up. The clock runs at its real pace where a few
// characters' line time must be long beside what the program does between two calls.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"
#include "support/RadioRig.h"

#include <QElapsedTimer>
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
        if (open)
            w.MSComm1->setPortOpen(true);
        rig.settle();
        rig.radio().clearLog();
        shared().LogoutOnQuitPref = true;

        w.close();
        rig.settle();

        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QCOMPARE(rig.radio().lines(), QStringList{QStringLiteral("PASS NONE")});
    }

    void closAtDisconnectReachesTheRadio()
    {
        RIG(rig, 1.0);
        rig.radio().setStrictLine(true);
        frmCorvista &w = rig.openWindow();
        w.MSComm1->setPortOpen(true);

        w.DisconnectRadio();
        rig.settle();

        QVERIFY(!w.MSComm1->portOpen());
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QCOMPARE(rig.radio().lines(), QStringList{QStringLiteral("CLOS")});
    }

    void drainHandlesEventsAndEndsWithTheQueue_data()
    {
        QTest::addColumn<QString>("drain");
        QTest::newRow("closing the port") << "close";
        QTest::newRow("disconnecting") << "disconnect";
        QTest::newRow("changing the line's speed") << "speed";
    }

    // A kilobyte still queued on a line that drains at 19200 baud: the drain lasts its line time
    // and not much more, the window's timers tick meanwhile, and the radio hears every byte.
    void drainHandlesEventsAndEndsWithTheQueue()
    {
        QFETCH(QString, drain);
        RIG(rig, 0.1);
        rig.useUartQueue();
        frmCorvista &w = rig.openWindow();
        w.MSComm1->setPortOpen(true);
        rig.settle();
        const QByteArray queued = QByteArray(1000, 'x') + '\r';
        int ticks = 0;
        QTimer counter;
        counter.setTimerType(Qt::PreciseTimer);
        connect(&counter, &QTimer::timeout, this, [&] { ++ticks; });
        counter.start(2);

        w.MSComm1->output(queued);
        const double start = Clock::nowSeconds();
        if (drain == "close")
            w.MSComm1->setPortOpen(false);
        else if (drain == "disconnect")
            w.DisconnectRadio();
        else
            w.MSComm1->setSettings(QStringLiteral("115200,N,8,1"));
        const double took = Clock::nowSeconds() - start;
        counter.stop();

        const double lineTime = double(queued.size()) * 10.0 / 19200.0;
        QVERIFY2(took >= 0.95 * lineTime && took < lineTime + 0.3, qPrintable(QString::number(took)));
        QVERIFY2(ticks >= 5, qPrintable(QString::number(ticks)));
        QVERIFY(rig.settle());
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QVERIFY(rig.radio().received().startsWith(queued));
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
        port.setPortOpen(true);
        rig.settle();
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
        QCOMPARE(rig.pty().lostBytes(), QByteArray());
        QVERIFY(rig.radio().received().startsWith(queued));
        QCOMPARE(port.portOpen(), drain == "speed" || handler == "open");
        if (drain == "close")
            QCOMPARE(refused, handler == "write" ? CommErr::PortNotOpen : 0);
        QCOMPARE(rig.radio().received(), drain == "speed" && handler == "write" ? queued + late : queued);
        if (handler == "speed") {
            QCOMPARE(port.settings(), QStringLiteral("57600,N,8,1"));
            QCOMPARE(rig.pty().baudRate(), 57600);
        }
    }

    void givingUpTheOutputAtQuitEndsAtOnce_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Ignore closes at once") << int(Msg::Ignore);
        QTest::newRow("Abort keeps the window, the queue is gone") << int(Msg::Abort);
    }

    // Nobody takes the bytes: the shut-down's 10 s run out, and the user's answer ends the wait
    // for the output there and then.
    void givingUpTheOutputAtQuitEndsAtOnce()
    {
        QFETCH(int, answer);
        RIG(rig, 0.03);
        frmCorvista &w = rig.openWindow();
        w.MSComm1->setPortOpen(true);
        rig.radio().detach();
        rig.pty().findChild<QSocketNotifier *>()->setEnabled(false);
        for (int block = 0; block < 64; ++block)
            w.MSComm1->output(QByteArray(512, 'S'));
        QVERIFY(w.MSComm1->outBufferCount() > 0);
        shared().LogoutOnQuitPref = true;
        rig.dialogs().answerMsgBox(answer);
        // Real milliseconds: the 10 s the close used to sleep on are 300 ms here.
        QElapsedTimer sinceAnswer;
        rig.dialogs().onMsgBox = [&](const ScriptedDialogs::Shown &) { sinceAnswer.start(); };

        const bool closed = w.close();
        const qint64 after = sinceAnswer.elapsed();

        QCOMPARE(rig.dialogs().messageTexts(), QStringList{QStringLiteral("Data cannot be sent")});
        QVERIFY2(after < 100, qPrintable(QStringLiteral("%1 ms").arg(after)));
        QCOMPARE(closed, answer == Msg::Ignore);
        QCOMPARE(w.MSComm1->portOpen(), answer == Msg::Abort);
        QCOMPARE(w.MSComm1->outBufferCount(), 0);
    }
};

QTEST_MAIN(TestLineDrain)
#include "tst_linedrain.moc"
