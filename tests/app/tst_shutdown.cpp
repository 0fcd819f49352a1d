// Quitting leaves the radio as it should be: the windows that say something when they close say
// it before the logout (a keyed transmitter is de-keyed, the password window's echo-off bracket is
// closed), and a quit signal runs the same shut-down as the window's close.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/QuitSignals.h"
#include "settings/frmSetup.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/SavedSignalHandlers.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

#include <csignal>

using namespace Qt::Literals::StringLiterals;

class TestShutdown : public QObject
{
    Q_OBJECT
private slots:
    void windowsSayTheirLastWordsBeforeTheLogout_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<QStringList>("lastLines");
        QTest::newRow("setup window with the transmitter keyed") << u"setup"_s
                                                                 << QStringList{u"KEY"_s, u"DKEY"_s, u"PASS NONE"_s};
        QTest::newRow("setup window with the transmitter off") << u"setup off"_s
                                                               << QStringList{u"tx"_s, u"PASS NONE"_s};
        QTest::newRow("password window") << u"password"_s << QStringList{u"deco"_s, u"eeco"_s, u"PASS NONE"_s};
    }

    void windowsSayTheirLastWordsBeforeTheLogout()
    {
        QFETCH(QString, window);
        QFETCH(QStringList, lastLines);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.quitOnUnload = false;
        shared().LogoutOnQuitPref = true;
        if (window.startsWith(u"setup"_s)) {
            w.mnuSetupMode_Click();
            QVERIFY(w.m_frmSetup && w.m_frmSetup->isVisible());
            if (window == u"setup"_s)
                w.m_frmSetup->Key->click();
        } else {
            w.mnuSetPass_Click();
        }
        QVERIFY(rig.settle());

        w.mnuFileExit->trigger();
        QVERIFY(rig.settle());

        QStringList heard = rig.radio().lines();
        heard.removeAll(QString());
        QCOMPARE(heard.mid(heard.size() - lastLines.size()), lastLines);
        QVERIFY(!w.MSComm1->portOpen());
    }

    void quitSignalRunsTheShutdown_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("SIGTERM") << int(SIGTERM);
        QTest::newRow("SIGINT") << int(SIGINT);
        QTest::newRow("SIGHUP") << int(SIGHUP);
    }

    void quitSignalRunsTheShutdown()
    {
        QFETCH(int, signal);
        RIG(rig, 0.02, writableRadio());
        frmCorvista &w = connectQuietly(rig);
        w.quitOnUnload = false;
        shared().LogoutOnQuitPref = true;
        const QString log = rig.env().path(u"comms.log"_s);
        rig.dialogs().answerSave(log);
        w.mnuOpenLog_Click();
        QVERIFY(shared().LogFileNum != 0);
        const SavedSignalHandlers saved;
        QVERIFY(QuitSignals::install(&w, [&w] { w.quitOnSignal(); }));

        ::raise(signal);
        QVERIFY(Clock::waitFor([&] { return !w.MSComm1->portOpen(); }, 5000));
        // A logout cut at the close, or still on its way, shows here in full.
        QVERIFY2(rig.settle(), rig.radio().received());
        QVERIFY2(rig.pty().lostBytes().isEmpty(), rig.pty().lostBytes());

        QStringList heard = rig.radio().lines();
        heard.removeAll(QString());
        QCOMPARE(heard, QStringList{u"PASS NONE"_s});
        QCOMPARE(int(shared().LogFileNum), 0);
        QVERIFY(w.mnuOpenLog->isEnabled());
        QVERIFY(rig.dialogs().messages().isEmpty());
    }
};

QTEST_MAIN(TestShutdown)
#include "tst_shutdown.moc"
