// The preferences dialog against the terminal pane and the settings store.
#include "app/TerminalColours.h"
#include "app/TerminalLook.h"
#include "app/frmPreferences.h"
#include "common/SharedState.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "support/FullDisk.h"
#include "support/ScriptedDialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Missing = QStringLiteral("<missing>");

QString stored(const QString &key)
{
    return GetSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), key, Missing);
}

void store(const QString &key, const QString &value)
{
    SaveSetting(Dialogs::applicationTitle(), QStringLiteral("Preferences"), key, value);
}

QColor vb(quint32 value)
{
    return TerminalColours::toQColor(value);
}
} // namespace

class TestPreferences : public QObject
{
    Q_OBJECT
    QTemporaryDir m_dir;
    QPlainTextEdit *m_pane = nullptr;

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
        m_pane = new QPlainTextEdit;
        // Not the defaults, so a test sees what was read rather than what happened to be there.
        TerminalLook{vb(0x00BB00), vb(0x000000), false}.applyTo(*m_pane);
    }

    void cleanup() { delete m_pane; }

    void storedColourText_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("reads");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("decimal navy blue as the program writes it") << "10027008" << true << QColor(0, 0, 0x99);
        QTest::newRow("&H form of the text default") << "&H990000" << true << QColor(0, 0, 0x99);
        QTest::newRow("&h in lower case") << "&hfacd87" << true << QColor(0x87, 0xCD, 0xFA);
        QTest::newRow("255 from an earlier run is red") << "255" << true << QColor(255, 0, 0);
        QTest::newRow("blanks around the number") << " 16777215 " << true << QColor(255, 255, 255);
        QTest::newRow("a word does not read") << "Navy" << false << QColor();
        QTest::newRow("empty text does not read") << "" << false << QColor();
        QTest::newRow("a system colour index is no colour") << "&H80000005" << false << QColor();
        QTest::newRow("negative number does not read") << "-1" << false << QColor();
    }

    void storedColourText()
    {
        QFETCH(QString, text);
        QFETCH(bool, reads);
        QFETCH(QColor, colour);
        quint32 value = 0x123456;
        QCOMPARE(TerminalColours::parse(text, &value), reads);
        if (reads)
            QCOMPARE(TerminalColours::toQColor(value), colour);
        else
            QCOMPARE(value, 0x123456u);
    }

    void freshStoreGivesBoldNavyOnWhite()
    {
        TerminalLook::readStored(TerminalLook::of(*m_pane)).applyTo(*m_pane);
        QCOMPARE(m_pane->palette().color(QPalette::Text), QColor(0, 0, 0x99));
        QCOMPARE(m_pane->palette().color(QPalette::Base), QColor(255, 255, 255));
        QVERIFY(m_pane->font().bold());

        frmPreferences dlg(m_pane);
        QCOMPARE(dlg.TextColorList->currentText(), QStringLiteral("Navy Blue"));
        QCOMPARE(dlg.BackgroundColorList->currentText(), QStringLiteral("White"));
        QVERIFY(dlg.BoldCheck->isChecked());
    }

    void storedLookPreselects_data()
    {
        QTest::addColumn<QString>("textColor");
        QTest::addColumn<QString>("backColor");
        QTest::addColumn<QString>("boldText");
        QTest::addColumn<QString>("textRow");
        QTest::addColumn<QString>("backRow");
        QTest::addColumn<bool>("bold");
        QTest::newRow("stored 255 preselects Red") << "255" << "16777215" << "True" << "Red" << "White" << true;
        QTest::newRow("&H forms preselect their rows") << "&H006400" << "&HD2FAFA" << "False" << "Dark Green"
                                                      << "Light Yellow" << false;
        QTest::newRow("bold read in any case") << "0" << "139" << "fALSE" << "Black" << "Maroon" << false;
        QTest::newRow("colour outside the table shows White") << "12345" << "&H00BB00" << "true" << "White"
                                                              << "Green" << true;
        QTest::newRow("unreadable values keep the pane's look") << "teal" << "" << "maybe" << "Green" << "Black"
                                                                << false;
    }

    void storedLookPreselects()
    {
        QFETCH(QString, textColor);
        QFETCH(QString, backColor);
        QFETCH(QString, boldText);
        QFETCH(QString, textRow);
        QFETCH(QString, backRow);
        QFETCH(bool, bold);
        store(QStringLiteral("TextColor"), textColor);
        store(QStringLiteral("BackColor"), backColor);
        store(QStringLiteral("BoldText"), boldText);
        TerminalLook::readStored(TerminalLook::of(*m_pane)).applyTo(*m_pane);

        frmPreferences dlg(m_pane);
        QCOMPARE(dlg.TextColorList->count(), 10);
        QCOMPARE(dlg.TextColorList->itemText(0), QStringLiteral("White"));
        QCOMPARE(dlg.BackgroundColorList->itemText(9), QStringLiteral("Light Yellow"));
        QCOMPARE(dlg.TextColorList->currentText(), textRow);
        QCOMPARE(dlg.BackgroundColorList->currentText(), backRow);
        QCOMPARE(dlg.BoldCheck->isChecked(), bold);
    }

    void checkBoxesFollowTheFlags_data()
    {
        QTest::addColumn<bool>("connect");
        QTest::addColumn<bool>("keepAlive");
        QTest::addColumn<bool>("logout");
        QTest::newRow("fresh start: keep-alive and logout on") << false << true << true;
        QTest::newRow("only connect on launch") << true << false << false;
    }

    void checkBoxesFollowTheFlags()
    {
        QFETCH(bool, connect);
        QFETCH(bool, keepAlive);
        QFETCH(bool, logout);
        shared().ConnectOnLaunchPref = connect;
        shared().KeepAlivePref = keepAlive;
        shared().LogoutOnQuitPref = logout;
        frmPreferences dlg(m_pane);
        QCOMPARE(dlg.ConnectOnLaunchCheck->isChecked(), connect);
        QCOMPARE(dlg.KeepAliveCheck->isChecked(), keepAlive);
        QCOMPARE(dlg.LogoutCheck->isChecked(), logout);
        QCOMPARE(dlg.KeepAliveCheck->text(), QStringLiteral("Keep Radio Connection Alive"));
    }

    void okWritesAllSixKeys_data()
    {
        QTest::addColumn<QString>("textRow");
        QTest::addColumn<QString>("backRow");
        QTest::addColumn<Qt::CheckState>("bold");
        QTest::addColumn<Qt::CheckState>("connect");
        QTest::addColumn<Qt::CheckState>("keepAlive");
        QTest::addColumn<Qt::CheckState>("logout");
        QTest::addColumn<QStringList>("expected");   // Connect, KeepAlive, Logout, Bold, Text, Back
        QTest::newRow("unchanged defaults are written too")
            << "Navy Blue" << "White" << Qt::Checked << Qt::Unchecked << Qt::Checked << Qt::Checked
            << QStringList{"False", "True", "True", "True", "10027008", "16777215"};
        QTest::newRow("red on black, plain text, all switches flipped")
            << "Red" << "Black" << Qt::Unchecked << Qt::Checked << Qt::Unchecked << Qt::Unchecked
            << QStringList{"True", "False", "False", "False", "255", "0"};
        QTest::newRow("greyed boxes count as ticked")
            << "Light Blue" << "Light Yellow" << Qt::PartiallyChecked << Qt::PartiallyChecked
            << Qt::PartiallyChecked << Qt::PartiallyChecked
            << QStringList{"True", "True", "True", "True", "16436615", "13826810"};
    }

    void okWritesAllSixKeys()
    {
        QFETCH(QString, textRow);
        QFETCH(QString, backRow);
        QFETCH(Qt::CheckState, bold);
        QFETCH(Qt::CheckState, connect);
        QFETCH(Qt::CheckState, keepAlive);
        QFETCH(Qt::CheckState, logout);
        QFETCH(QStringList, expected);

        frmPreferences dlg(m_pane);
        dlg.show();
        dlg.TextColorList->setCurrentText(textRow);
        dlg.BackgroundColorList->setCurrentText(backRow);
        const QList<QPair<QCheckBox *, Qt::CheckState>> boxes = {{dlg.BoldCheck, bold},
                                                                 {dlg.ConnectOnLaunchCheck, connect},
                                                                 {dlg.KeepAliveCheck, keepAlive},
                                                                 {dlg.LogoutCheck, logout}};
        for (const auto &[box, state] : boxes) {
            box->setTristate(state == Qt::PartiallyChecked);
            box->setCheckState(state);
        }
        QTest::mouseClick(dlg.OKButton, Qt::LeftButton);

        QCOMPARE(dlg.result(), int(QDialog::Accepted));
        QVERIFY(!dlg.isVisible());
        const QStringList keys = {"ConnectOnLaunch", "KeepAlive", "LogoutOnQuit", "BoldText", "TextColor", "BackColor"};
        for (int i = 0; i < keys.size(); ++i)
            QCOMPARE(stored(keys[i]), expected[i]);
        QCOMPARE(shared().ConnectOnLaunchPref, expected[0] == "True");
        QCOMPARE(shared().KeepAlivePref, expected[1] == "True");
        QCOMPARE(shared().LogoutOnQuitPref, expected[2] == "True");
        QCOMPARE(m_pane->font().bold(), expected[3] == "True");
        QCOMPARE(m_pane->palette().color(QPalette::Text), vb(expected[4].toUInt()));
        QCOMPARE(m_pane->palette().color(QPalette::Base), vb(expected[5].toUInt()));
    }

    void colourOutsideTableIsWrittenAsWhite()
    {
        setTerminalTextColour(*m_pane, vb(12345));
        frmPreferences dlg(m_pane);
        dlg.OKButton_Click();
        QCOMPARE(stored("TextColor"), QStringLiteral("16777215"));
        QCOMPARE(m_pane->palette().color(QPalette::Text), QColor(255, 255, 255));
    }

    // OK on a full disk: the preferences apply for this run, the store keeps what it had, and the
    // user reads once why they were not saved.
    void fullDiskOnOkSaysSoAndKeepsTheStore()
    {
        const QString app = Dialogs::applicationTitle();
        QVERIFY(SaveSetting(app, "Preferences", "KeepAlive", "False"));
        const QString file = SettingsStore::fileName(app);
        QFile before(file);
        QVERIFY(before.open(QIODevice::ReadOnly));
        const QByteArray stored = before.readAll();
        before.close();
        ScriptedDialogs dialogs;
        frmPreferences dlg(m_pane);
        dlg.KeepAliveCheck->setChecked(true);
        {
            FullDisk disk(10);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            dlg.OKButton_Click();
        }
        QVERIFY(before.open(QIODevice::ReadOnly));
        QCOMPARE(before.readAll(), stored);
        const auto shown = dialogs.messages();
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("File I/O Error"));
        QVERIFY2(shown[0].text.contains(QStringLiteral("File too large")), qPrintable(shown[0].text));
        QVERIFY(shared().KeepAlivePref);
        QCOMPARE(GetSetting(app, "Preferences", "KeepAlive", "x"), QStringLiteral("False"));
    }

    void cancelWritesNothing()
    {
        shared().KeepAlivePref = true;
        const TerminalLook before = TerminalLook::of(*m_pane);
        frmPreferences dlg(m_pane);
        dlg.show();
        dlg.TextColorList->setCurrentText("Red");
        dlg.BoldCheck->setChecked(true);
        dlg.KeepAliveCheck->setChecked(false);
        QTest::mouseClick(dlg.CancelButton, Qt::LeftButton);

        QCOMPARE(dlg.result(), int(QDialog::Rejected));
        QVERIFY(!dlg.isVisible());
        for (const char *key : {"ConnectOnLaunch", "KeepAlive", "LogoutOnQuit", "BoldText", "TextColor", "BackColor"})
            QCOMPARE(stored(key), Missing);
        QVERIFY(shared().KeepAlivePref);
        QCOMPARE(m_pane->palette().color(QPalette::Text), before.text);
        QCOMPARE(m_pane->font().bold(), before.bold);
    }
};

QTEST_MAIN(TestPreferences)
#include "tst_preferences.moc"
