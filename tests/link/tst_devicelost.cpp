// One unplugged adapter, one message: whatever the main window is doing when the serial device
// goes away ends with the communication error box alone. The boxes run their own event loops, as
// real ones do while the user reads them, so what runs meanwhile counts too.
#include "app/frmCorvista.h"
#include "common/SharedState.h"
#include "diagnostics/frmZoneQuality.h"
#include "link/TerminalPane.h"
#include "link/frmLogin.h"
#include "link/frmSetPass.h"
#include "platform/Clock.h"
#include "settings/frmDTYPEOptions.h"
#include "support/QuietConnect.h"
#include "support/RadioRig.h"
#include "support/UnpluggablePort.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace Qt::Literals::StringLiterals;

namespace {

void writeFile(const QString &path, const QStringList &lines)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write((lines.join(u"\r\n"_s) + u"\r\n"_s).toLatin1());
}

const QStringList ConfigFile = {u"Created by Karvel Wavecrest Configuration Software Version 3.0.1"_s,
                                u"With Firmware Version: "_s, u""_s, u"MODE M"_s, u"PWR 30"_s, u"ADDR 1000"_s,
                                u"HOPTIME 28"_s};

// Closes the window shown over the main window once the device has gone and the loss had time to
// be noticed (a diagnostics window stays open until its user closes it).
class CloseAfterLoss : public QObject
{
public:
    CloseAfterLoss()
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            if (!UnpluggablePort::unplugged() || ++m_ticks < 30)
                return;
            if (QWidget *w = QApplication::activeModalWidget())
                w->close();
        });
        m_timer.start(10);
    }

private:
    QTimer m_timer;
    int m_ticks = 0;
};

} // namespace

class TestDeviceLost : public QObject
{
    Q_OBJECT
private slots:
    void oneLossOneMessage_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QByteArray>("heard");   // the adapter goes when the radio hears this
        QTest::newRow("read-out") << u"readout"_s << QByteArray("mode");
        QTest::newRow("report writer") << u"report"_s << QByteArray("srev");
        QTest::newRow("line sender") << u"sender"_s << QByteArray("PWR");
        QTest::newRow("preset") << u"preset"_s << QByteArray("PWR");
        QTest::newRow("quick setup") << u"quick"_s << QByteArray("MODE");
        QTest::newRow("setup mode") << u"setup"_s << QByteArray("rx");
        QTest::newRow("option dialog") << u"option"_s << QByteArray("dtype");
        QTest::newRow("RSSI") << u"rssi"_s << QByteArray("rssi");
        QTest::newRow("zone data") << u"zonedata"_s << QByteArray("ZONE DATA");
        QTest::newRow("zone quality") << u"zonequality"_s << QByteArray("ZONE DATA");
        QTest::newRow("firmware upgrade") << u"firmware"_s << QByteArray("ERASE");
        QTest::newRow("new password") << u"newpassword"_s << QByteArray("k7m2 ");
        QTest::newRow("login wait") << u"login"_s << QByteArray("pass ");
        QTest::newRow("encryption code wait") << u"code"_s << QByteArray("code ");
        QTest::newRow("extension map read") << u"xmap"_s << QByteArray("xmap");
    }

    void oneLossOneMessage()
    {
        QFETCH(QString, operation);
        QFETCH(QByteArray, heard);
        // The fixed pauses and the port's time-out leave a busy machine room for the radio's answers.
        RIG(rig, 0.1, writableRadio());
        UnpluggablePort::install();
        frmCorvista &w = connectQuietly(rig);
        rig.dialogs().setModal(1000);
        qsizetype atLoss = -1;
        onHeard(&rig.pty(), &w, heard, [&] {
            if (atLoss >= 0)
                return;
            atLoss = rig.dialogs().messages().size();
            UnpluggablePort::unplug();
        });
        CloseAfterLoss closer;

        if (operation == u"readout") {
            shared().RefreshRequested = true;
            w.Timer1_Timer();
        } else if (operation == u"report") {
            rig.dialogs().answerSave(rig.env().path(u"report.txt"_s));
            w.cmdSaveToFile_Click();
        } else if (operation == u"sender") {
            const QString path = rig.env().path(u"config.txt"_s);
            writeFile(path, ConfigFile);
            rig.dialogs().answerOpen(path);
            w.cmdProgramFromFile_Click();
        } else if (operation == u"preset") {
            writeFile(frmCorvista::presetPath(1), ConfigFile);
            w.cmdPre_MouseUp(0, 1);
        } else if (operation == u"quick") {
            w.txtNewADDR->setText(u"2001"_s);
            w.cmdMaster_Click();
        } else if (operation == u"setup") {
            w.mnuSetupMode_Click();
        } else if (operation == u"option") {
            QTimer::singleShot(0, &w, [] {
                if (!Clock::waitFor([] { return qobject_cast<frmDTYPEOptions *>(QApplication::activeModalWidget()); }, 5000))
                    return;
                qobject_cast<frmDTYPEOptions *>(QApplication::activeModalWidget())->NodeButton->click();
            });
            emit w.Pages.box(u"DTYPE"_s)->clicked();
        } else if (operation == u"rssi") {
            w.ButtonRSSI_Click();
        } else if (operation == u"zonedata") {
            w.ButtonZoneData_Click();
        } else if (operation == u"zonequality") {
            frmZoneQuality window(*w.MSComm1, &w);
            window.exec();
        } else if (operation == u"firmware") {
            rig.dialogs().answerOpen(QFINDTESTDATA("../firmware/data/v200.s28"));
            w.mnuSendText_Click();
        } else if (operation == u"newpassword") {
            w.mnuSetPass_Click();
            auto *window = w.findChild<frmSetPass *>();
            QVERIFY(window);
            window->PassRadio[0]->click();
            window->Pass1->setText(u"ab12"_s);
            window->Pass2->setText(u"ab12"_s);
            window->OKButton->click();
        } else if (operation == u"login" || operation == u"code") {
            // The login window shows after the code's write-access probe: the user types once it is there.
            QTimer typing;
            connect(&typing, &QTimer::timeout, &w, [&typing] {
                if (auto *login = qobject_cast<frmLogin *>(QApplication::activeModalWidget())) {
                    typing.stop();
                    login->txtPassword->setText(u"12"_s);
                    login->cmdOK->click();
                }
            });
            typing.start(10);
            if (operation == u"login")
                w.mnuAccessCode_Click();
            else
                w.mnuEncryptCode_Click();
        } else if (operation == u"xmap") {
            emit w.Pages.box(u"XMAP"_s)->clicked();
        }
        Clock::pumpFor(1000);

        QVERIFY2(atLoss >= 0, qPrintable(u"the radio never heard it; it heard: "_s + rig.radio().lines().join(u" | ")
                                         + u"; shown: "_s + rig.dialogs().messageTexts().join(u" | ")));
        QCOMPARE(rig.dialogs().messageTexts().mid(atLoss).join(u" | "), frmCorvista::commErrorText());
        QVERIFY(!w.MSComm1->portOpen());
        QVERIFY(w.toolButtons["Connect"]->isEnabled());
        // Nothing reports a success the radio never confirmed.
        QVERIFY(!w.txtTerm->toPlainText().contains(u"ACCEPTED"_s));
        QVERIFY(!w.toolButtons["Logout"]->isEnabled());
        QVERIFY(!shared().PassEnabledPref);
    }
};

QTEST_MAIN(TestDeviceLost)
#include "tst_devicelost.moc"
