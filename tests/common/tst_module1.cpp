// The shared procedures: bit-text conversions, file tests and the pause that handles no events.
#include "common/Module1.h"
#include "platform/Clock.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <ctime>

class TestModule1 : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void cleanup()
    {
        Clock::setScale(1.0);
    }

    void hexToBin_data()
    {
        QTest::addColumn<QString>("hex");
        QTest::addColumn<QString>("bits");

        QTest::newRow("lower-case digits") << "1f" << "00011111";
        QTest::newRow("0x prefix: x skipped, 0 kept") << "0x1F" << "000000011111";
        QTest::newRow("full extension map") << "8000000A" << "10000000000000000000000000001010";
        QTest::newRow("every digit")
            << "0123456789abcdef"
            << "0000000100100011010001010110011110001001101010111100110111101111";
        QTest::newRow("blanks, signs and line ends skipped") << " -F\r\n0+" << "11110000";
        QTest::newRow("letters beyond F skipped") << "G1z" << "0001";
        QTest::newRow("empty") << "" << "";
    }

    void hexToBin()
    {
        QFETCH(QString, hex);
        QFETCH(QString, bits);
        QCOMPARE(HexToBin(hex), bits);
    }

    void binToHex_data()
    {
        QTest::addColumn<QString>("bits");
        QTest::addColumn<QString>("hex");

        QTest::newRow("eight bits") << "00011111" << "1F";
        QTest::newRow("blank inside loses whole groups") << "0001 1111" << "1";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("32 bits give 8 upper-case digits") << "10000000000000000000000000001010" << "8000000A";
        QTest::newRow("30 bits: last two dropped") << "111111111111111111111111111101" << "FFFFFFF";
        QTest::newRow("group with another character gives nothing") << "00x10010" << "2";
        QTest::newRow("all sixteen groups")
            << "0000000100100011010001010110011110001001101010111100110111101111" << "0123456789ABCDEF";
    }

    void binToHex()
    {
        QFETCH(QString, bits);
        QFETCH(QString, hex);
        QCOMPARE(BinToHex(bits), hex);
    }

    void fileTests_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("fileExists");
        QTest::addColumn<bool>("dirExists");

        QTest::newRow("file") << "Presets/Preset1.txt" << true << false;
        QTest::newRow("folder counts as existing") << "Presets" << true << true;
        QTest::newRow("folder with trailing slash") << "Presets/" << true << true;
        QTest::newRow("missing path") << "Presets/Preset7.txt" << false << false;
        QTest::newRow("path through a file") << "Presets/Preset1.txt/x" << false << false;
        QTest::newRow("empty path") << "" << false << false;
        QTest::newRow("embedded NUL") << QStringLiteral("Presets") + QChar(0) + "x" << false << false;
    }

    void fileTests()
    {
        QFETCH(QString, path);
        QFETCH(bool, fileExists);
        QFETCH(bool, dirExists);

        QDir(m_dir.path()).mkpath("Presets");
        QFile file(m_dir.filePath("Presets/Preset1.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        const QString full = path.isEmpty() ? path : m_dir.path() + u'/' + path;
        QCOMPARE(FileExists(full), fileExists);
        QCOMPARE(DirExists(full), dirExists);
    }

    void controlCharacters_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("holds");
        QTest::newRow("plain text") << "Pump 3 - east, 30 dBm" << false;
        QTest::newRow("empty") << "" << false;
        QTest::newRow("carriage return") << "Pump 3\rpwr 21" << true;
        QTest::newRow("line feed") << "Pump 3\npwr 21" << true;
        QTest::newRow("tab") << "PWR\t21" << true;
        QTest::newRow("escape") << QString(QChar(27)) << true;
        QTest::newRow("delete") << QString(QChar(127)) << true;
        QTest::newRow("a C1 control") << QString(QChar(0x85)) << true;
        QTest::newRow("a Latin-1 letter") << QString(QChar(0xE9)) << false;
    }

    void controlCharacters()
    {
        QFETCH(QString, text);
        QFETCH(bool, holds);
        QCOMPARE(HoldsControlCharacter(text), holds);
    }

    void controlCharacterMessageSaysNothingWasSent()
    {
        QCOMPARE(ControlCharacterMessage(),
                 QStringLiteral("The entry holds a line end or another control character, which the radio would "
                                "take as a command of its own.\r\n\r\nNothing was sent; type the value on one "
                                "line."));
    }

    void delayOfZeroReturnsAtOnce()
    {
        Clock::setScale(1.0);
        const qint64 start = Clock::nowMs();
        Delay(0);
        Delay(-5);
        // Not even the shortest pause; a hang would take far longer than this.
        QVERIFY(Clock::nowMs() - start < 1000);
    }

    void delayTakesItsTime()
    {
        Clock::setScale(0.2);   // 1000 ms nominal = 200 ms real
        const qint64 start = Clock::nowMs();
        Delay(1000);
        const qint64 took = Clock::nowMs() - start;
        // Its CPU is benchmarks/bench_waits' figure.
        QVERIFY2(took >= 1000 && took < 10000, qPrintable(QString::number(took)));
    }

    void delayHandlesNoEvents()
    {
        Clock::setScale(0.05);
        bool timerRan = false;
        bool queuedCallRan = false;
        QTimer::singleShot(0, this, [&] { timerRan = true; });
        QMetaObject::invokeMethod(this, [&] { queuedCallRan = true; }, Qt::QueuedConnection);

        Delay(1000);
        QVERIFY(!timerRan);
        QVERIFY(!queuedCallRan);

        QTRY_VERIFY(timerRan && queuedCallRan);
    }
};

QTEST_GUILESS_MAIN(TestModule1)
#include "tst_module1.moc"
