// The INI reader and writer behind the settings file, judged by the text on disk.
#include "platform/PrivateProfile.h"
#include "support/FullDisk.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {
// A settings file as a person might keep it by hand.
const QByteArray HandWritten =
    "; Karvel settings, edited by hand\r\n"
    "\r\n"
    "[Presets]\r\n"
    "  Caption1 =  Master North  \r\n"
    "caption2=Remote\t\r\n"
    "; Caption3 = commented out\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "\r\n"
    "[ Other ]\r\n"
    "Caption1=other section\r\n"
    "[PRESETS]\r\n"
    "Caption9=second section of the same name\r\n";
} // namespace

class TestPrivateProfile : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString path(const QString &name = QStringLiteral("settings.ini")) const { return m_dir.filePath(name); }

    void put(const QByteArray &bytes, const QString &name = QStringLiteral("settings.ini"))
    {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray contents(const QString &name = QStringLiteral("settings.ini"))
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

private slots:
    void init()
    {
        QFile::remove(path());
    }

    void readsHandWrittenFile_data()
    {
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("defaultValue");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<QString>("text");

        QTest::newRow("blanks around = and value are dropped") << "Presets" << "Caption1" << "" << 100 << "Master North";
        QTest::newRow("section and key match without regard to case") << "presets" << "CAPTION2" << "" << 100 << "Remote";
        QTest::newRow("commented-out key gives the default") << "Presets" << "Caption3" << "dflt" << 100 << "dflt";
        QTest::newRow("empty value is returned empty, not the default") << "Presets" << "Empty" << "dflt" << 100 << "";
        QTest::newRow("line without = is no key") << "Presets" << "NoEquals" << "dflt" << 100 << "dflt";
        QTest::newRow("blanks inside the brackets are dropped") << "Other" << "Caption1" << "" << 100 << "other section";
        QTest::newRow("same key of another section is not found") << "Other" << "Caption2" << "x" << 100 << "x";
        QTest::newRow("missing section gives the default") << "Nowhere" << "Caption1" << "dflt" << 100 << "dflt";
        QTest::newRow("trailing blanks of the default are dropped") << "Nowhere" << "k" << "dflt  " << 100 << "dflt";
        QTest::newRow("value longer than the buffer is cut") << "Presets" << "Caption1" << "" << 7 << "Master";
        QTest::newRow("default longer than the buffer is cut") << "Nowhere" << "k" << "abcdef" << 4 << "abc";
        QTest::newRow("only the first section of a name is searched") << "Presets" << "Caption9" << "dflt" << 100 << "dflt";
    }

    void readsHandWrittenFile()
    {
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, defaultValue);
        QFETCH(int, bufferSize);
        QFETCH(QString, text);

        put(HandWritten);
        const ProfileString got = getPrivateProfileString(section, key, defaultValue, bufferSize, path());
        QCOMPARE(got.text, text);
        QCOMPARE(got.count, int(text.size()));
    }

    void missingFileGivesDefault()
    {
        const ProfileString got = getPrivateProfileString("Presets", "Caption1", "dflt", 100, path("none.ini"));
        QCOMPARE(got.text, QString("dflt"));
        QCOMPARE(got.count, 4);
        QCOMPARE(getPrivateProfileString("Presets", "Caption1", "", 100, path("none.ini")).count, 0);
    }

    void readsLatin1AndBareLineFeeds()
    {
        put("[Presets]\nCaption1=Stra\xdf" "e \xe9t\xe9\n");
        QCOMPARE(getPrivateProfileString("Presets", "Caption1", "", 100, path()).text,
                 QString::fromUtf8("Straße été"));
    }

    void writes_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QByteArray>("after");

        QTest::newRow("new file gets section, key and CR LF")
            << QByteArray() << "Presets" << "Caption1" << "Master"
            << QByteArray("[Presets]\r\nCaption1=Master\r\n");
        QTest::newRow("existing key is replaced in place, keeping its spelling")
            << HandWritten << "PRESETS" << "caption1" << "Master South"
            << QByteArray(HandWritten).replace("  Caption1 =  Master North  \r\n", "Caption1=Master South\r\n");
        QTest::newRow("missing key goes after the last key of its section")
            << HandWritten << "presets" << "Caption4" << "Repeater"
            << QByteArray(HandWritten).replace("NoEquals\r\n", "NoEquals\r\nCaption4=Repeater\r\n");
        QTest::newRow("missing section is added at the end after a blank line")
            << HandWritten << "Colours" << "Text" << "255"
            << HandWritten + "\r\n[Colours]\r\nText=255\r\n";
        QTest::newRow("file with bare line feeds keeps them")
            << QByteArray("[A]\nx=1\n") << "B" << "y" << "2"
            << QByteArray("[A]\nx=1\n\n[B]\ny=2\n");
        QTest::newRow("last line without a line end")
            << QByteArray("[A]\r\nx=1") << "A" << "y" << "2"
            << QByteArray("[A]\r\nx=1\r\ny=2");
        QTest::newRow("key of an empty section follows its header")
            << QByteArray("[A]\r\n\r\n[B]\r\nz=3\r\n") << "A" << "y" << "2"
            << QByteArray("[A]\r\ny=2\r\n\r\n[B]\r\nz=3\r\n");
        QTest::newRow("value is written as Latin-1")
            << QByteArray() << "A" << "k" << QString::fromUtf8("Straße")
            << QByteArray("[A]\r\nk=Stra\xdf" "e\r\n");
        // Behind the mark a Latin-1 byte would read as damaged UTF-8 and the whole file be lost.
        QTest::newRow("UTF-8 with a byte-order mark comes back as single-byte text without it")
            << QByteArray("\xEF\xBB\xBF[A]\r\nk=Stra\xC3\x9F" "e\r\n") << "A" << "x" << QString::fromUtf8("é")
            << QByteArray("[A]\r\nk=Stra\xdf" "e\r\nx=\xe9\r\n");
        QTest::newRow("last line ended by a lone CR keeps its key whole")
            << QByteArray("[Presets]\r\nOne=1\r\nTwo=2\r") << "Presets" << "Three" << "3"
            << QByteArray("[Presets]\r\nOne=1\r\nTwo=2\rThree=3\r\n");
        QTest::newRow("file of lone CRs keeps them")
            << QByteArray("[A]\rx=1\r") << "B" << "y" << "2"
            << QByteArray("[A]\rx=1\r\r[B]\ry=2\r");
        QTest::newRow("lone CR ends a key replaced in place")
            << QByteArray("[A]\rx=1\ry=2\r") << "A" << "x" << "9"
            << QByteArray("[A]\rx=9\ry=2\r");
        QTest::newRow("line breaks in a value cannot plant keys")
            << QByteArray() << "A" << "k" << "one\r\n[B]\r\nx=1"
            << QByteArray("[A]\r\nk=one  [B]  x=1\r\n");
    }

    void writes()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        QFETCH(QByteArray, after);

        if (!before.isEmpty())
            put(before);
        QVERIFY(writePrivateProfileString(section, key, value, path()) != 0);
        QCOMPARE(contents(), after);
    }

    void writtenValueReadsBack()
    {
        put(HandWritten);
        QVERIFY(writePrivateProfileString("Other", "Caption1", "  padded  ", path()));
        QCOMPARE(getPrivateProfileString("OTHER", "caption1", "", 100, path()).text, QString("padded"));
        QCOMPARE(getPrivateProfileString("Presets", "Caption1", "", 100, path()).text, QString("Master North"));
    }

    void loneCarriageReturnEndsALine()
    {
        put("[Presets]\r\nOne=1\r\nTwo=2\r");
        QVERIFY(writePrivateProfileString("Presets", "Three", "3", path()) != 0);
        QCOMPARE(getPrivateProfileString("Presets", "Two", "", 100, path()).text, QString("2"));
        QCOMPARE(getPrivateProfileString("Presets", "Three", "", 100, path()).text, QString("3"));
        QCOMPARE(getPrivateProfileString("Presets", "One", "", 100, path()).text, QString("1"));

        put("[A]\rx=1\ry=2");
        QCOMPARE(getPrivateProfileString("A", "x", "", 100, path()).text, QString("1"));
        QCOMPARE(getPrivateProfileString("A", "y", "", 100, path()).text, QString("2"));
    }

    // The disk fills up while the file is written: the old file stays whole and no file is made
    // where there was none.
    void fullDiskKeepsTheOldFile()
    {
        put(HandWritten);
        {
            FullDisk disk(16);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            QCOMPARE(writePrivateProfileString("Presets", "Caption4", "Repeater", path()), 0);
            QCOMPARE(writePrivateProfileString("A", "k", "a value longer than the room left", path("new.ini")), 0);
        }
        QCOMPARE(contents(), HandWritten);
        QVERIFY(!QFile::exists(path("new.ini")));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"settings.ini"});
    }

    void failedWriteLeavesNothingBehind()
    {
        QCOMPARE(writePrivateProfileString("A", "k", "v", m_dir.filePath("no/such/folder/x.ini")), 0);
        QVERIFY(!QFile::exists(m_dir.filePath("no/such/folder/x.ini")));
        QCOMPARE(writePrivateProfileString("A", "k", "v", QString()), 0);

        // A folder in the file's place cannot be read, so it is not overwritten either.
        QVERIFY(QDir(m_dir.path()).mkdir("taken.ini"));
        QCOMPARE(writePrivateProfileString("A", "k", "v", path("taken.ini")), 0);
        QVERIFY(QFileInfo(path("taken.ini")).isDir());
    }
};

QTEST_GUILESS_MAIN(TestPrivateProfile)
#include "tst_privateprofile.moc"
