// The help a click on a setting's label shows: which labels have it, its exact title and text,
// the one text that depends on the radio's revision, and that asking for help never talks to the radio.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "settings/RadioSettingCatalogue.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/TestEnv.h"

#include <QTabBar>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestHelpTexts : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestEnv> env;
    std::unique_ptr<frmCorvista> w;

    void clickLabel(const QString &label, const QString &revision)
    {
        shared().FirmwareRevNumber = revision;
        env->dialogs().clear();
        emit w->Pages.label(label)->clicked();
    }

private slots:
    void init()
    {
        env = std::make_unique<TestEnv>(0.02);
        w = std::make_unique<frmCorvista>();
        w->quitOnUnload = false;
    }

    void cleanup()
    {
        w.reset();
        env.reset();
    }

    void labelShowsItsHelp_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("revision");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("text");

        QTest::newRow("serial number, its missing blank after the full stop kept")
            << "SnumLabel" << "320" << "Serial Number Information"
            << u"The SER command displays the factory programmed serial number.It is a numeric value with a maximum of "
               "eight digits, leading 0's are assumed. The command interface is designed so that once a serial number "
               "has been entered it can not be changed."_s;
        QTest::newRow("software revision with its two example lines")
            << "SrevLabel" << "320" << "Software Revision Information"
            << u"The Software Revision command (SREV) is used to display information about the currently running "
               "Firmware.   The standard form of the command takes no arguments and returns the Release Number, "
               "Revision, and Build Date of the MCU Firmware, as shown below:\r\r17-2851A01\r1.2.0  ddMmmyyyy"_s;
        QTest::newRow("temperature with its typographic dash and degree signs")
            << "TempLabel" << "320" << "Temperature Information"
            << u"This command displays the internal temperature of the transceiver in degrees Celsius.\r(Note that the "
               "radio is specified to operate in an environment between –30 C° and +60 C°).\rThis internal reading "
               "may be higher than the outside temperature by several degrees."_s;
        QTest::newRow("hop time says 29 msec") << "HopLabel" << "320" << "Hop Time"
                                               << u"The HOPTIME command selects or displays a hop time selection (7 or "
                                                  "29 msec). This command is read-only at remote radios"_s;
        QTest::newRow("extension map has no title of its own")
            << "XMAPLabel" << "320" << "KARVEL Wavecrest SS Configuration"
            << u"XMAP is a 32 bit hex entry where the least significant bit represents XADDR 0 and the most "
               "significant bit represents XADDR 31. The full 32-bit hex value represents the entire list of "
               "extensions the radio will be allowed to communicate with"_s;
        QTest::newRow("primary extension has no title of its own")
            << "XPRILabel" << "320" << "KARVEL Wavecrest SS Configuration"
            << u"XPRI designates a PRIMARY XADDR (0 to 31) with which a radio will attempt to acquire and maintain "
               "synchronization."_s;
        QTest::newRow("extension address below 200") << "XADDRLabel" << "120" << "Extension Address"
                                                     << u"Select / Display extension address. <0-63>"_s;
        QTest::newRow("extension address at 199") << "XADDRLabel" << "199" << "Extension Address"
                                                  << u"Select / Display extension address. <0-63>"_s;
        QTest::newRow("extension address at exactly 200") << "XADDRLabel" << "200" << "Extension Address"
                                                          << u"Select / Display extension address. <0-31>"_s;
        QTest::newRow("extension address at 320") << "XADDRLabel" << "320" << "Extension Address"
                                                  << u"Select / Display extension address. <0-31>"_s;
        QTest::newRow("software RTU pieces joined without blanks")
            << "SoftRTULabel" << "320" << "Software RTU"
            << u"The Software RTU is a built-in software RTU simulator that mimics the functionallity of the popular "
               "external Telvo RTU Simulator.  The RTU can be set to ON or OFF.  The RTU address can range from 0-80 "
               "and may be left enabled as long as the polling command string does not appear in the payload data "
               "stream.\r\rTelvo has two DOS-based polling programs and one Windows-based polling program that can "
               "exercise the RTU simulator feature."_s;
        QTest::newRow("help works before any read-out") << "UnitLabel" << ""
                                                        << "Unit Address"
                                                        << u"This command programs or displays the unit address of a "
                                                           "radio. The unit address provides a facility to uniquely "
                                                           "identify a single radio within a network. It is meaningful "
                                                           "primarily for diagnostic purposes.\r\rBy default it is set "
                                                           "to the last 4 digits of serial number. If re-programmed in "
                                                           "the field, the entry must consist of five digits between "
                                                           "10000 and 65000."_s;
    }

    void labelShowsItsHelp()
    {
        QFETCH(QString, label);
        QFETCH(QString, revision);
        QFETCH(QString, title);
        QFETCH(QString, text);
        clickLabel(label, revision);
        const QList<ScriptedDialogs::Shown> shown = env->dialogs().messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, title);
        QCOMPARE(shown[0].text, text);
        QCOMPARE(shown[0].buttons, int(Msg::OKOnly));
        QCOMPARE(shown[0].icon, int(Msg::NoIcon));
    }

    void alarmHelpEndsWithABlankLine()
    {
        clickLabel(u"AlarmLabel"_s, u"320"_s);
        QCOMPARE(env->dialogs().messages().size(), 1);
        const QString text = env->dialogs().messages()[0].text;
        QVERIFY(text.endsWith(u"event is also given.\r\r"_s));
        QVERIFY(text.contains(u"identified as a “Major” or “Minor” alarm"_s));
    }

    void labelShowsNothing_data()
    {
        QTest::addColumn<QString>("label");
        QTest::addColumn<QString>("revision");
        QTest::newRow("low power mode has no help") << "LPMLabel" << "320";
        QTest::newRow("low power mode hold has no help") << "LPMHOLDLabel" << "320";
        QTest::newRow("extension address before any read-out") << "XADDRLabel" << "";
        QTest::newRow("extension address at a revision that is no number") << "XADDRLabel" << "3x0";
    }

    void labelShowsNothing()
    {
        QFETCH(QString, label);
        QFETCH(QString, revision);
        clickLabel(label, revision);
        QVERIFY(env->dialogs().shown.isEmpty());
    }

    // Every label the catalogue marks for help shows a text of its own; the others show nothing.
    void everyHelpLabelHasItsText()
    {
        QSet<QString> texts;
        int withHelp = 0;
        for (const RadioSetting &row : RadioSettingCatalogue()) {
            clickLabel(row.label, u"320"_s);
            const QList<ScriptedDialogs::Shown> shown = env->dialogs().messages();
            QVERIFY2(shown.size() == (row.help ? 1 : 0), qPrintable(row.label));
            if (!row.help)
                continue;
            ++withHelp;
            QVERIFY2(!shown[0].text.isEmpty(), qPrintable(row.label));
            texts.insert(shown[0].text);
        }
        QCOMPARE(withHelp, 38);
        QCOMPARE(texts.size(), 38);
    }

    // The user's own click on a label, with a radio connected: the help shows, nothing is sent.
    void mouseClickShowsHelpAndSendsNothing_data()
    {
        QTest::addColumn<int>("key");   // 0: the mouse's left button
        QTest::newRow("a click on the label") << 0;
        QTest::newRow("Enter on the focused label") << int(Qt::Key_Return);
        QTest::newRow("F1 on the focused label") << int(Qt::Key_F1);
    }

    void mouseClickShowsHelpAndSendsNothing()
    {
        QFETCH(int, key);
        w.reset();
        env.reset();
        RIG(rig, 0.02);
        frmCorvista &main = connectQuietly(rig);

        if (!shared().AdvancedView)
            main.ButtonAdv_Click();
        main.SettingsTab->setCurrentIndex(0);
        SettingLabel *label = main.Pages.label(u"RmdLabel"_s);
        QVERIFY(label->isVisible());
        if (key) {
            // Tab reaches the label.
            QVERIFY(label->focusPolicy() & Qt::TabFocus);
            QTest::keyClick(label, Qt::Key(key));
        } else {
            QTest::mouseClick(label, Qt::LeftButton);
        }
        Clock::pumpFor(100);

        QCOMPARE(rig.dialogs().messages().size(), 1);
        QCOMPARE(rig.dialogs().messages()[0].title, u"Radio Mode"_s);
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
    }
};

QTEST_MAIN(TestHelpTexts)
#include "tst_helptexts.moc"
