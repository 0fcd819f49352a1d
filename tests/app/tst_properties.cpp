// The COM port dialog: the port list, the switch of an open port, and what reaches the store.
#include "app/frmProperties.h"
#include "common/SharedState.h"
#include "platform/CommControl.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "support/ScriptedDialogs.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Missing = QStringLiteral("<missing>");

// An in-memory port: remembers what was written and refuses to open the ports listed in refused.
class MemoryPort : public CommControl
{
public:
    bool portOpen() const override { return m_open; }
    void setPortOpen(bool open) override
    {
        if (open && !m_open && refused.contains(m_commPort))
            throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port already open"));
        m_open = open;
    }
    void writeOut(const QByteArray &bytes) override
    {
        if (!m_open)
            throw CommError(CommErr::PortNotOpen, QStringLiteral("Operation valid only when the port is open"));
        written += bytes;
    }
    QByteArray input() override { return {}; }
    int inBufferCount() const override { return 0; }
    int outBufferCount() const override { return 0; }

    QSet<int> refused;
    QByteArray written;

private:
    bool m_open = false;
};

QString storedPort()
{
    return GetSetting(Dialogs::applicationTitle(), QStringLiteral("Properties"), QStringLiteral("CommPort"), Missing);
}

const QString SwitchQuestion = QStringLiteral(
    "Warning: The COM port is already open. Changing the COM port will close the current session,\n"
    "possibly interupting a connection with a radio.\n\nDo you wish to continue and switch COM ports?");
} // namespace

class TestProperties : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        SettingsStore::setFolder(m_dir.path());
    }

    void init()
    {
        resetShared();
        QFile::remove(SettingsStore::fileName(Dialogs::applicationTitle()));
    }

    void listSelectsTheCurrentPort_data()
    {
        QTest::addColumn<int>("port");
        QTest::newRow("Com1") << 1;
        QTest::newRow("Com7") << 7;
        QTest::newRow("Com16, the last entry") << 16;
    }

    void listSelectsTheCurrentPort()
    {
        QFETCH(int, port);
        MemoryPort comm;
        comm.setCommPort(port);
        frmProperties dlg(comm);
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(dlg.cboPort->count(), 16);
        for (int n = 1; n <= 16; ++n)
            QCOMPARE(dlg.cboPort->itemText(n - 1), QStringLiteral("Com%1").arg(n));
        QCOMPARE(dlg.cboPort->currentText(), QStringLiteral("Com%1").arg(port));
    }

    void deviceShownBesideTheList()
    {
        qputenv("WAVECREST_COM3", "/dev/ttyWAVECREST3");
        qunsetenv("WAVECREST_COM16");
        MemoryPort comm;
        frmProperties dlg(comm);
        dlg.cboPort->setCurrentIndex(2);
        QCOMPARE(dlg.lblDevice->text(), QStringLiteral("Device: /dev/ttyWAVECREST3"));
        dlg.cboPort->setCurrentIndex(15);   // no machine here has sixteen serial devices
        QCOMPARE(dlg.lblDevice->text(), QStringLiteral("Device: not present"));
        QCOMPARE(dlg.cboPort->currentText(), QStringLiteral("Com16"));
        qunsetenv("WAVECREST_COM3");
    }

    void okWithTheSamePort_data()
    {
        QTest::addColumn<bool>("open");
        QTest::newRow("disconnected: port kept closed and stored") << false;
        QTest::newRow("connected: port stays open and stored") << true;
    }

    void okWithTheSamePort()
    {
        QFETCH(bool, open);
        ScriptedDialogs ui;
        MemoryPort comm;
        comm.setCommPort(5);
        comm.setPortOpen(open);
        frmProperties dlg(comm);
        dlg.show();
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);
        QVERIFY(ui.messages().isEmpty());
        QCOMPARE(comm.portOpen(), open);
        QCOMPARE(storedPort(), QStringLiteral("5"));
        QVERIFY(shared().PropertiesOK);
        QCOMPARE(dlg.result(), int(QDialog::Accepted));
    }

    void switchingAnOpenPortAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("portAfter");
        QTest::addColumn<QString>("stored");
        QTest::addColumn<bool>("propertiesOK");
        QTest::newRow("Yes moves the open connection to Com3") << int(Msg::Yes) << 3 << "3" << true;
        QTest::newRow("No leaves Com1 open and stores nothing") << int(Msg::No) << 1 << Missing << false;
    }

    void switchingAnOpenPortAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(int, portAfter);
        QFETCH(QString, stored);
        QFETCH(bool, propertiesOK);
        ScriptedDialogs ui;
        ui.answerMsgBox(answer);
        MemoryPort comm;
        comm.setPortOpen(true);
        QList<bool> shownStates;
        frmProperties dlg(comm, [&](bool open) { shownStates << open; });
        dlg.show();
        dlg.cboPort->setCurrentText(QStringLiteral("Com3"));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);

        QCOMPARE(ui.messages().size(), 1);
        const ScriptedDialogs::Shown box = ui.messages().first();
        QCOMPARE(box.text, SwitchQuestion);
        QCOMPARE(box.title, QStringLiteral("Warning"));
        QCOMPARE(box.buttons, int(Msg::YesNo));
        QCOMPARE(box.icon, int(Msg::Exclamation));

        QCOMPARE(comm.commPort(), portAfter);
        QVERIFY(comm.portOpen());
        QVERIFY(comm.written.isEmpty());   // a plain switch: nothing is said to the radio
        QCOMPARE(storedPort(), stored);
        QCOMPARE(shared().PropertiesOK, propertiesOK);
        QVERIFY(!dlg.isVisible());
        QCOMPARE(shownStates, propertiesOK ? QList<bool>{true} : QList<bool>{});
    }

    void switchingAClosedPortAsksNothing()
    {
        ScriptedDialogs ui;
        MemoryPort comm;
        frmProperties dlg(comm);
        dlg.cboPort->setCurrentText(QStringLiteral("Com3"));
        dlg.cmdOK_Click();
        QVERIFY(ui.messages().isEmpty());
        QCOMPARE(comm.commPort(), 3);
        QVERIFY(!comm.portOpen());
        QCOMPARE(storedPort(), QStringLiteral("3"));
        QVERIFY(shared().PropertiesOK);
    }

    void portThatWillNotOpenRestoresTheOldOne()
    {
        ScriptedDialogs ui;
        ui.answerMsgBox(Msg::Yes);
        MemoryPort comm;
        comm.refused << 3;
        comm.setPortOpen(true);
        QList<bool> shownStates;
        frmProperties dlg(comm, [&](bool open) { shownStates << open; });
        dlg.show();
        dlg.cboPort->setCurrentText(QStringLiteral("Com3"));
        QTest::mouseClick(dlg.cmdOK, Qt::LeftButton);

        QCOMPARE(ui.messages().size(), 2);
        const ScriptedDialogs::Shown error = ui.messages().at(1);
        QCOMPARE(error.text, QStringLiteral("Port already open"));
        QCOMPARE(error.icon, int(Msg::Exclamation));
        QCOMPARE(error.buttons, int(Msg::OKOnly));
        QCOMPARE(comm.commPort(), 1);
        QVERIFY(!comm.portOpen());              // closed for the switch, and stays closed
        QCOMPARE(shownStates, QList<bool>{false});   // so the menus stop showing it open
        QCOMPARE(storedPort(), Missing);
        QVERIFY(!shared().PropertiesOK);
        QVERIFY(dlg.isVisible());               // the user may pick another port
    }

    void cancelStoresNothing()
    {
        ScriptedDialogs ui;
        shared().PropertiesOK = true;
        MemoryPort comm;
        frmProperties dlg(comm);
        dlg.show();
        dlg.cboPort->setCurrentText(QStringLiteral("Com9"));
        QTest::mouseClick(dlg.cmdCancel, Qt::LeftButton);
        QVERIFY(!shared().PropertiesOK);
        QCOMPARE(comm.commPort(), 1);
        QCOMPARE(storedPort(), Missing);
        QVERIFY(!dlg.isVisible());
    }
};

QTEST_MAIN(TestProperties)
#include "tst_properties.moc"
