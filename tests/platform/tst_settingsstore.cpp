// The per-user settings store, kept in a temporary folder so the user's own store is never touched.
#include "platform/SettingsStore.h"
#include "support/FullDisk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {
const QString App = QStringLiteral("KARVEL Wavecrest SS Configuration");

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
}

class TestSettingsStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        SettingsStore::setFolder(m_dir->path());
    }

    void cleanup()
    {
        SettingsStore::setFolder(QString());
    }

    void storeLivesInTheChosenFolder()
    {
        QVERIFY(SaveSetting(App, "Properties", "CommPort", "3"));
        const QString file = SettingsStore::fileName(App);
        QVERIFY2(file.startsWith(m_dir->path() + u'/'), qPrintable(file));
        QVERIFY(QFileInfo::exists(file));
    }

    void freshStoreGivesDefaults_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");

        QTest::newRow("port") << "Properties" << "CommPort" << "1";
        QTest::newRow("text colour in &H form") << "Preferences" << "TextColor" << "&H990000";
        QTest::newRow("keep-alive") << "Preferences" << "KeepAlive" << "True";
        QTest::newRow("no default gives empty text") << "Preferences" << "LogoutOnQuit" << "";
    }

    void freshStoreGivesDefaults()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QCOMPARE(GetSetting(App, section, key, defaultValue), defaultValue);
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");

        QTest::newRow("port number") << "Properties" << "CommPort" << "3";
        QTest::newRow("Boolean text") << "Preferences" << "ConnectOnLaunch" << "False";
        QTest::newRow("colour as decimal text") << "Preferences" << "TextColor" << "10027008";
        QTest::newRow("empty value is kept, not the default") << "Properties" << "CommPort" << "";
        QTest::newRow("text that looks like a list stays text") << "Preferences" << "BackColor" << "1, 2";
    }

    void roundTrip()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);

        QVERIFY(SaveSetting(App, section, key, value));
        QCOMPARE(GetSetting(App, section, key, "default"), value);
    }

    void sectionsAndApplicationsAreSeparate()
    {
        QVERIFY(SaveSetting(App, "Properties", "CommPort", "5"));
        QCOMPARE(GetSetting(App, "Preferences", "CommPort", "1"), QString("1"));
        QCOMPARE(GetSetting("Another Program", "Properties", "CommPort", "1"), QString("1"));
    }

    void laterSaveReplacesEarlier()
    {
        QVERIFY(SaveSetting(App, "Properties", "CommPort", "2"));
        QVERIFY(SaveSetting(App, "Properties", "CommPort", "7"));
        QCOMPARE(GetSetting(App, "Properties", "CommPort", "1"), QString("7"));
    }

    // The disk fills up while the store is written: every setting it had stays, and the new one
    // is reported as not saved and does not read back.
    void fullDiskKeepsTheStore()
    {
        QVERIFY(SaveSetting(App, "Properties", "CommPort", "3"));
        QVERIFY(SaveSetting(App, "Preferences", "KeepAlive", "True"));
        const QString file = SettingsStore::fileName(App);
        const QByteArray before = contents(file);
        QVERIFY(!before.isEmpty());
        QString error;
        {
            // Room for the store as it is and a little more, not for the new line.
            FullDisk disk(before.size() + 4);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            QVERIFY(!SaveSetting(App, "Preferences", "TextColor", "10027008", &error));
        }
        QCOMPARE(contents(file), before);
        QVERIFY2(error.contains(QStringLiteral("File too large")), qPrintable(error));
        QCOMPARE(GetSetting(App, "Properties", "CommPort", "1"), QString("3"));
        QCOMPARE(GetSetting(App, "Preferences", "KeepAlive", "False"), QString("True"));
        QCOMPARE(GetSetting(App, "Preferences", "TextColor", "&H990000"), QString("&H990000"));
        QCOMPARE(QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(file).fileName()});
    }

    void unreadableStoreRaisesError70()
    {
        // A folder where the store's file should be cannot be read, even by root.
        const QString file = SettingsStore::fileName(App);
        QVERIFY(QDir().mkpath(file));
        try {
            GetSetting(App, "Properties", "CommPort", "1");
            QFAIL("no error raised");
        } catch (const RuntimeError &error) {
            QCOMPARE(error.number(), 70);
            QVERIFY(!error.text().isEmpty());
        }
        QVERIFY(!SaveSetting(App, "Properties", "CommPort", "3"));
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "tst_settingsstore.moc"
