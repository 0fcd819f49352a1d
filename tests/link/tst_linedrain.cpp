// Commands sent just before the port closes or changes hands reach a radio that reads at the
// line's speed: the port lets its output leave the line first. The clock runs at its real pace,
// so that a few characters' line time is long beside what the program does between two calls.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "support/RadioRig.h"

#include <QTest>

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
};

QTEST_MAIN(TestLineDrain)
#include "tst_linedrain.moc"
