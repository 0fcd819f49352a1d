// ReadINI and WriteINI on the settings file beside the program.
#include "common/SharedState.h"
#include "common/modINI.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestModIni : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    void put(const QByteArray &bytes)
    {
        QFile file(shared().IniFilePath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

private slots:
    void init()
    {
        resetShared();
        shared().IniFilePath = m_dir.filePath("KarvelWCQXConfig.ini");
        QFile::remove(shared().IniFilePath);
    }

    void reads_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("expected");

        const QByteArray presets = "[Presets]\r\nCaption1 = Master North \r\nCaption2=\r\n";
        QTest::newRow("stored value, blanks dropped") << presets << "Presets" << "Caption1" << "Master North";
        QTest::newRow("key in another case") << presets << "PRESETS" << "caption1" << "Master North";
        QTest::newRow("empty value reads as NOT SET") << presets << "Presets" << "Caption2" << "NOT SET";
        QTest::newRow("missing key reads as NOT SET") << presets << "Presets" << "Caption3" << "NOT SET";
        QTest::newRow("missing section reads as NOT SET") << presets << "Other" << "Caption1" << "NOT SET";
        QTest::newRow("missing file reads as NOT SET") << QByteArray() << "Presets" << "Caption1" << "NOT SET";
        QTest::newRow("value of 99 characters comes back whole")
            << "[P]\r\nk=" + QByteArray(99, 'x') + "\r\n" << "P" << "k" << QString(99, u'x');
        QTest::newRow("longer value is cut to 99 characters")
            << "[P]\r\nk=" + QByteArray(98, 'x') + "yz\r\n" << "P" << "k" << QString(98, u'x') + u'y';
        QTest::newRow("blank at the cut is dropped too")
            << "[P]\r\nk=" + QByteArray(98, 'x') + " z\r\n" << "P" << "k" << QString(98, u'x');
    }

    void reads()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, expected);

        if (!file.isEmpty())
            put(file);
        QCOMPARE(ReadINI(section, key), expected);
    }

    void writeCreatesFileAndReadsBack()
    {
        QVERIFY(WriteINI("Presets", "Caption1", "Remote East") != 0);
        QFile file(shared().IniFilePath);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("[Presets]\r\nCaption1=Remote East\r\n"));
        QCOMPARE(ReadINI("Presets", "Caption1"), QString("Remote East"));
    }

    void writeEmptyValueReadsAsNotSet()
    {
        QVERIFY(WriteINI("Presets", "Caption1", "Remote East"));
        QVERIFY(WriteINI("Presets", "Caption1", ""));
        QCOMPARE(ReadINI("Presets", "Caption1"), QString("NOT SET"));
    }

    void writeToUnwritablePlaceFails()
    {
        shared().IniFilePath = m_dir.filePath("missing-folder/KarvelWCQXConfig.ini");
        QCOMPARE(WriteINI("Presets", "Caption1", "x"), 0);
        QCOMPARE(ReadINI("Presets", "Caption1"), QString("NOT SET"));
    }
};

QTEST_GUILESS_MAIN(TestModIni)
#include "tst_modini.moc"
