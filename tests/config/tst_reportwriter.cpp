// The configuration report: the cuts of the radio's answers into file lines, the header lines,
// the print file's name and page layout; and SAVE TO FILE and PRINT against the simulated radio
// over a pseudo-terminal: the file on disk, the bytes on the wire, the terminal, the dialogs.
// With them every save that replaces a file (the report, the restore window's Save, a preset,
// the settings store), given a file with links, another owner or no room to grow.
#include "app/frmCorvista.h"
#include "app/frmPreferences.h"
#include "common/SharedState.h"
#include "config/ConfigReport.h"
#include "config/ReportPrinter.h"
#include "link/TerminalPane.h"
#include "platform/AppPaths.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"
#include "restore/frmRestore.h"
#include "support/FullDisk.h"
#include "support/RadioRig.h"
#include "support/ThreadedRadio.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <ctime>
#include <functional>
#include <optional>

#ifdef Q_OS_LINUX
#include <sys/fsuid.h>
#include <unistd.h>
#endif

using ConfigChange = std::function<void(FakeRadio::Config &)>;
Q_DECLARE_METATYPE(ConfigChange)

// The saves that replace a file, and what is at the name they write to.
enum class Saver { Report, RestoreSave, Preset, PresetSave, SettingsStore };
enum class Target {
    ReadOnly, ReadOnlyAsRoot, OtherOwner, LinkChain, HardLink, LockedFolder, NewInLockedFolder, FullDiskInPlace
};
Q_DECLARE_METATYPE(Saver)
Q_DECLARE_METATYPE(Target)

namespace {

// Real time runs a tenth of nominal: a report takes a few hundred milliseconds, and the radio's
// answers still come well inside the 100 ms between nudges of the "ser" wait.
constexpr double Scale = 0.1;

const ConfigReport::Row &row(const QString &query)
{
    for (const ConfigReport::Row &r : ConfigReport::rows())
        if (r.query.compare(query, Qt::CaseInsensitive) == 0)
            return r;
    qFatal("no report row %s", qPrintable(query));
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QStringList fileLines(const QString &path)
{
    QStringList lines = QString::fromLatin1(readFile(path)).split(QStringLiteral("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The golden file with today's date where the date line stands.
QByteArray golden(const QString &name)
{
    const QString path = QFINDTESTDATA(QStringLiteral("golden/") + name);
    QByteArray bytes = readFile(path);
    bytes.replace("%DATE%", QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat).toLatin1());
    return bytes;
}

// What the program sent, as the radio heard it, without the bare line ends.
QStringList commandsHeard(const FakeRadio &radio)
{
    QStringList out;
    for (const QString &line : radio.lines())
        if (!line.isEmpty())
            out << line;
    return out;
}

// What the program sent up to the closing "eeco", once the radio has heard it (the radio only
// reads when events run, and the report ends without handling any).
QStringList commandsThroughEeco(FakeRadio &radio)
{
    if (!Clock::waitFor([&] { return radio.lines().contains(QStringLiteral("eeco")); }, 2000))
        qWarning("no eeco reached the radio");
    const QStringList heard = commandsHeard(radio);
    return heard.mid(0, heard.indexOf(QStringLiteral("eeco")) + 1);
}

QString terminalAfter(const QString &word, int dots)
{
    return QStringLiteral("\r\n").repeated(5) + word + QString(dots, QLatin1Char('.'));
}

bool pdfTextAvailable()
{
    return !QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty();
}

// The PDF's text as poppler's pdftotext reads it, the layout kept.
QString pdfText(const QString &pdf)
{
    QProcess extract;
    extract.start(QStandardPaths::findExecutable(QStringLiteral("pdftotext")),
                  {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    extract.waitForFinished(10000);
    return QString::fromUtf8(extract.readAllStandardOutput());
}

// Connects and lets the first read-out fill the pages now, not inside the report's waits.
frmCorvista &connectAndRead(RadioRig &rig)
{
    frmCorvista &w = rig.openWindow();
    w.ConnectRadio();
    w.Timer1_Timer();
    // The read-out's last commands reach the radio before its log starts afresh.
    Clock::pumpFor(200);
    rig.settle();
    rig.radio().clearLog();
    rig.dialogs().clear();
    return w;
}

// The technician's own account, another user and a group they share, for the tests run as root.
constexpr uint Technician = 64010;
constexpr uint OtherUser = 64011;
constexpr uint SharedGroup = 64020;

} // namespace

#define RIG(name, ...)                                                                                                 \
    RadioRig name{__VA_ARGS__};                                                                                        \
    if (!name.ok())                                                                                                    \
        QSKIP("This machine gives no pseudo-terminal.");

class TestReportWriter : public QObject
{
    Q_OBJECT
private slots:
    // ---- answers cut into lines ----

    void answerBecomesLines_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("collected");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("standard line runs from the keyword to the prompt")
            << "unit" << "\r\nUNIT 12345\r\n>" << QStringList{"UNIT 12345"};
        QTest::newRow("the deco prompt in front of the first answer is passed over")
            << "unit" << "deco\r\n>\r\nUNIT 12345\r\n>" << QStringList{"UNIT 12345"};
        QTest::newRow("keyword found whatever its case") << "rxtot" << "\r\nrxtot 10\r\n>" << QStringList{"rxtot 10"};
        QTest::newRow("an answer without the keyword gives no line")
            << "rxd" << "\r\nUNRECOGNISED COMMAND\r\n>" << QStringList{};
        QTest::newRow("owner name") << "OWN" << "\r\nWAVECREST SS\r\n>" << QStringList{"OWN WAVECREST SS"};
        QTest::newRow("owner message") << "OWM" << "\r\nKARVEL\r\n>" << QStringList{"OWM KARVEL"};
        QTest::newRow("empty owner name gives no OWN line") << "OWN" << "\r\n\r\n>" << QStringList{};
        QTest::newRow("one-letter owner name still gives a line") << "OWN" << "\r\nX\r\n>" << QStringList{"OWN X"};
        QTest::newRow("mode line is six characters") << "mode" << "\r\nMODE M  \r\n>" << QStringList{"MODE M"};
        QTest::newRow("power line is ten characters") << "pwr" << "\r\nPWR 30 dBm\r\n>" << QStringList{"PWR 30 dBm"};
        QTest::newRow("alarm mask loses its colon and gains an A")
            << "amask" << "\r\nMASK: FFFF FFFF\r\n>" << QStringList{"AMASK FFFF FFFF"};
        QTest::newRow("alarm sense loses its colon") << "asense" << "\r\nALARM ACTIVE: LO\r\n>"
                                                     << QStringList{"ALARM ACTIVE LO"};
        QTest::newRow("CTSHOLD n/a gives no line") << "ctshold" << "\r\nCTSHOLD n/a\r\n>" << QStringList{};
        QTest::newRow("SLEEP N/A in capitals gives no line") << "sleep" << "\r\nSLEEP N/A\r\n>" << QStringList{};
        QTest::newRow("SLEEP with a value") << "sleep" << "\r\nSLEEP ON\r\n>" << QStringList{"SLEEP ON"};
        QTest::newRow("CSADDR unknown to the radio") << "csaddr" << "\r\nUNRECOGNISED COMMAND\r\n>"
                                                     << QStringList{"CSADDR NONE"};
        QTest::newRow("CSADDR with an address") << "csaddr" << "\r\nCSADDR 1001\r\n>" << QStringList{"CSADDR 1001"};
        QTest::newRow("DLINK (ON)") << "dlink" << "\r\nDLINK 19200 (ON)\r\n>"
                                    << QStringList{"DLINK 19200", "DLINK ON"};
        QTest::newRow("DLINK (on) in lower case") << "dlink" << "\r\nDLINK 9600 (on)\r\n>"
                                                  << QStringList{"DLINK 9600", "DLINK ON"};
        QTest::newRow("DLINK (OFF)") << "dlink" << "\r\nDLINK 19200 (OFF)\r\n>"
                                     << QStringList{"DLINK 19200", "DLINK OFF"};
        QTest::newRow("DLINK in any other state is off") << "dlink" << "\r\nDLINK 19200 (WAIT)\r\n>"
                                                         << QStringList{"DLINK 19200", "DLINK OFF"};
        QTest::newRow("DLINK unknown to the radio gives neither line")
            << "dlink" << "\r\nUNRECOGNISED COMMAND\r\n>" << QStringList{};
    }

    void answerBecomesLines()
    {
        QFETCH(QString, query);
        QFETCH(QString, collected);
        QFETCH(QStringList, lines);
        QCOMPARE(ConfigReport::rowLines(row(query), collected), lines);
    }

    void answerTooShortToCutIsAFailure()
    {
        QVERIFY_THROWS_EXCEPTION(ConfigReport::CutError,
                                 ConfigReport::rowLines(row(QStringLiteral("dlink")), QStringLiteral("\r\nDLINK\r\n>")));
        QVERIFY_THROWS_EXCEPTION(ConfigReport::CutError, ConfigReport::firmwareLine(QStringLiteral("srev>")));
    }

    void modeLetterDecidesTheMasterRows_data()
    {
        QTest::addColumn<QString>("modeAnswer");
        QTest::addColumn<bool>("master");
        QTest::newRow("MODE M") << "\r\nMODE M\r\n>" << true;
        QTest::newRow("mode m in lower case") << "\r\nmode m\r\n>" << true;
        QTest::newRow("MODE R") << "\r\nMODE R\r\n>" << false;
        QTest::newRow("MODE X") << "\r\nMODE X\r\n>" << false;
        QTest::newRow("no MODE in the answer") << "\r\nUNRECOGNISED COMMAND\r\n>" << false;
    }

    void modeLetterDecidesTheMasterRows()
    {
        QFETCH(QString, modeAnswer);
        QFETCH(bool, master);
        const QStringList lines = ConfigReport::rowLines(row(QStringLiteral("mode")), modeAnswer);
        QCOMPARE(ConfigReport::isMasterLetter(ConfigReport::modeLetter(lines)), master);
    }

    void headerLines_data()
    {
        QTest::addColumn<QString>("which");
        QTest::addColumn<QString>("collected");
        QTest::addColumn<QString>("line");
        QTest::newRow("two-line srev answer joined by one blank")
            << "srev" << "\r\n>srev\r\n17-2851A01\r\n1.2.0  ddMmmyyyy\r\n>"
            << "#With Firmware Version:  17-2851A01 1.2.0  ddMmmyyyy";
        QTest::newRow("no srev echo gives no firmware line") << "srev" << "\r\n>" << QString();
        QTest::newRow("serial number is the 11 characters from SN")
            << "ser" << "\r\n>\r\n>ser\r\nSN 00123456\r\n>" << "#From Radio, serial number: SN 00123456";
        QTest::newRow("sn found whatever its case") << "ser" << "ser\r\nsn 00000042\r\n>"
                                                    << "#From Radio, serial number: sn 00000042";
        QTest::newRow("no SN gives no serial number line") << "ser" << "ser\r\n\r\n>" << QString();
    }

    void headerLines()
    {
        QFETCH(QString, which);
        QFETCH(QString, collected);
        QFETCH(QString, line);
        const std::optional<QString> got = which == QLatin1String("srev") ? ConfigReport::firmwareLine(collected)
                                                                          : ConfigReport::serialNumberLine(collected);
        QCOMPARE(got.value_or(QString()), line);
    }

    void printFileName_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::addColumn<QString>("serialBox");
        QTest::addColumn<QString>("fileName");
        QTest::newRow("serial number drops its first three characters") << "/opt/wc" << "SN 00123456"
                                                                         << "/opt/wc/Temp/00123456.txt";
        QTest::newRow("four characters leave one") << "/opt/wc" << "SN 1" << "/opt/wc/Temp/1.txt";
        QTest::newRow("three characters give config.txt") << "/opt/wc" << "SN " << "/opt/wc/Temp/config.txt";
        QTest::newRow("one character gives config.txt") << "/opt/wc" << "n" << "/opt/wc/Temp/config.txt";
        QTest::newRow("empty box gives config.txt") << "/opt/wc" << "" << "/opt/wc/Temp/config.txt";
        QTest::newRow("folder taken without its trailing separator") << "/opt/wc/" << "SN 7" << "/opt/wc/Temp/7.txt";
        QTest::newRow("a slash cannot leave Temp") << "/opt/wc" << "SN ../../etc/passwd"
                                                   << "/opt/wc/Temp/etcpasswd.txt";
        QTest::newRow("dots alone give config.txt") << "/opt/wc" << "SN .." << "/opt/wc/Temp/config.txt";
        QTest::newRow("backslashes, blanks and line ends are dropped")
            << "/opt/wc" << "SN 12\\34 5\r\n6" << "/opt/wc/Temp/123456.txt";
        QTest::newRow("dashes and underscores stay") << "/opt/wc" << "SN A-1_b" << "/opt/wc/Temp/A-1_b.txt";
    }

    void printFileName()
    {
        QFETCH(QString, folder);
        QFETCH(QString, serialBox);
        QFETCH(QString, fileName);
        QCOMPARE(ConfigReport::printFileName(folder, serialBox), fileName);
    }

    void printPagesBreakAndWrap_data()
    {
        QTest::addColumn<int>("lineCount");
        QTest::addColumn<int>("lineLength");
        QTest::addColumn<int>("linesPerPage");
        QTest::addColumn<int>("columns");
        QTest::addColumn<QList<int>>("pageSizes");
        QTest::newRow("a report fits one page") << 40 << 20 << 60 << 80 << QList<int>{40};
        QTest::newRow("a full page and the rest") << 130 << 20 << 60 << 80 << QList<int>{60, 60, 10};
        QTest::newRow("exactly one page") << 60 << 20 << 60 << 80 << QList<int>{60};
        QTest::newRow("long lines are carried on, not cut off") << 10 << 100 << 60 << 40 << QList<int>{30};
        QTest::newRow("empty lines keep their place") << 5 << 0 << 60 << 80 << QList<int>{5};
    }

    void printPagesBreakAndWrap()
    {
        QFETCH(int, lineCount);
        QFETCH(int, lineLength);
        QFETCH(int, linesPerPage);
        QFETCH(int, columns);
        QFETCH(QList<int>, pageSizes);
        QStringList lines;
        for (int i = 0; i < lineCount; ++i)
            lines << QString(lineLength, QLatin1Char('a' + i % 26));
        const QList<QStringList> pages = ConfigReport::printPages(lines, linesPerPage, columns);
        QList<int> sizes;
        for (const QStringList &page : pages)
            sizes << int(page.size());
        QCOMPARE(sizes, pageSizes);
        // Nothing is lost: the pages read back as the text.
        QString printed;
        for (const QStringList &page : pages)
            printed += page.join(QString());
        QCOMPARE(printed, lines.join(QString()));
    }

    // ---- SAVE TO FILE against the simulated radio ----

    void savedFileMatchesTheGoldenFile_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("goldenName");
        QTest::addColumn<QStringList>("commands");
        QTest::addColumn<int>("dots");
        const QStringList head{"ser", "srev", "deco", "unit", "OWN", "OWM", "mode", "pwr", "baud", "port", "device",
                               "amask", "asense", "cts", "ctshold", "rxtot", "rxd", "sleep", "lpmhold", "addr"};
        const QStringList masterRows{"csaddr", "hoptime", "skip", "lpm", "repeat", "retry", "fec", "buff", "saf"};
        const QStringList tail{"xaddr", "xmap", "xrssi", "xpri", "dtype", "dlink", "eeco"};
        QTest::newRow("master: every row, 34 queries") << "M" << "master320.txt" << head + masterRows + tail << 31;
        QTest::newRow("remote: no master-only rows, 25 queries") << "R" << "remote320.txt" << head + tail << 22;
    }

    void savedFileMatchesTheGoldenFile()
    {
        QFETCH(QString, mode);
        QFETCH(QString, goldenName);
        QFETCH(QStringList, commands);
        QFETCH(int, dots);
        FakeRadio::Config config;
        config.mode = mode;
        RIG(rig, Scale, config);
        frmCorvista &w = connectAndRead(rig);
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        rig.dialogs().answerSave(path);

        w.cmdSaveToFile->click();

        QCOMPARE(readFile(path), golden(goldenName));
        QCOMPARE(w.txtTerm->text(), terminalAfter(QStringLiteral("SAVING."), dots));
        QCOMPARE(w.panelStatus->text(), QStringLiteral("DLINK"));
        QVERIFY(w.Timer2->isActive());
        QVERIFY(shared().ReportWritten);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(shared().RefreshRequested);
        QVERIFY(w.frQuick->isEnabled());
        QCOMPARE(commandsThroughEeco(rig.radio()), commands);
        // The report's own line ends: two CR LF pairs first, "deco" with CR LF.
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().startsWith("\r\n\r\nser\r"));
        QVERIFY(rig.radio().received().contains("deco\r\nunit\r"));
        QVERIFY(rig.radio().echoOn());
        QCOMPARE(rig.dialogs().shown.size(), 1);
        QCOMPARE(rig.dialogs().shown[0].title, QStringLiteral("Radio Configuration Save"));
        QCOMPARE(rig.dialogs().shown[0].defaultText, QStringLiteral("TEXT Files (*.txt)|*.txt|All Files (*.*)|*.*"));
        // The status panel clears 2 s after the report.
        QVERIFY(Clock::waitFor([&] { return w.panelStatus->text() == QLatin1String("Status: "); }, 4000));
    }

    void radioSettingsShapeTheFile_data()
    {
        QTest::addColumn<ConfigChange>("change");
        QTest::addColumn<QStringList>("present");
        QTest::addColumn<QStringList>("absent");   // no line starts with these
        QTest::newRow("empty owner name gives no OWN line")
            << ConfigChange([](FakeRadio::Config &c) { c.own.clear(); }) << QStringList{"OWM KARVEL"}
            << QStringList{"OWN"};
        QTest::newRow("empty owner message gives no OWM line")
            << ConfigChange([](FakeRadio::Config &c) { c.owm.clear(); }) << QStringList{"OWN WAVECREST SS"}
            << QStringList{"OWM"};
        QTest::newRow("master that does not know CSADDR gets CSADDR NONE")
            << ConfigChange([](FakeRadio::Config &c) {
                   c.version = QStringLiteral("2.1.0");
                   c.csaddr = QStringLiteral("2000");
               })
            << QStringList{"CSADDR NONE", "HOPTIME 28", "#With Firmware Version:  17-2851A01 2.1.0  01Jan2024"}
            << QStringList{"RXD", "LPMHOLD", "LPM "};
        QTest::newRow("master's clock sync address is copied")
            << ConfigChange([](FakeRadio::Config &c) { c.csaddr = QStringLiteral("2000"); })
            << QStringList{"CSADDR 2000"} << QStringList{"CSADDR NONE"};
        QTest::newRow("CTSHOLD n/a on a DCE device gives no line")
            << ConfigChange([](FakeRadio::Config &c) { c.device = QStringLiteral("DCE"); })
            << QStringList{"DEVICE DCE", "RXTOT NONE"} << QStringList{"CTSHOLD"};
        QTest::newRow("SLEEP n/a on a master gives no line")
            << ConfigChange([](FakeRadio::Config &c) { c.sleep = QStringLiteral("ON"); }) << QStringList{"LPMHOLD 0"}
            << QStringList{"SLEEP"};
        QTest::newRow("SLEEP on a repeater is written")
            << ConfigChange([](FakeRadio::Config &c) {
                   c.mode = QStringLiteral("X");
                   c.sleep = QStringLiteral("ON");
               })
            << QStringList{"MODE X", "SLEEP ON"} << QStringList{"CSADDR", "SAF"};
        QTest::newRow("DLINK (ON) gives DLINK ON")
            << ConfigChange([](FakeRadio::Config &c) {
                   c.dlinkOn = true;
                   c.dlink = QStringLiteral("9600");
               })
            << QStringList{"DLINK 9600", "DLINK ON"} << QStringList{"DLINK OFF"};
        QTest::newRow("two-line srev answer is one header line")
            << ConfigChange([](FakeRadio::Config &c) {
                   c.srevReply = QStringLiteral("17-2851A01\r\n1.2.0  ddMmmyyyy");
                   c.version = QStringLiteral("1.2.0");
               })
            << QStringList{"#With Firmware Version:  17-2851A01 1.2.0  ddMmmyyyy"} << QStringList{"DLINK", "XMAP"};
    }

    void radioSettingsShapeTheFile()
    {
        QFETCH(ConfigChange, change);
        QFETCH(QStringList, present);
        QFETCH(QStringList, absent);
        FakeRadio::Config config;
        change(config);
        RIG(rig, Scale, config);
        frmCorvista &w = connectAndRead(rig);
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        rig.dialogs().answerSave(path);
        w.cmdSaveToFile->click();

        QVERIFY(shared().ReportWritten);
        const QStringList lines = fileLines(path);
        for (const QString &line : present)
            QVERIFY2(lines.contains(line), qPrintable(line + QStringLiteral(" missing from\n") + lines.join('\n')));
        for (const QString &start : absent)
            for (const QString &line : lines)
                QVERIFY2(!line.startsWith(start), qPrintable(line));
    }

    void portTimeOutKeepsTheChosenFile_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("an existing file keeps its content") << true;
        QTest::newRow("no file is left where there was none") << false;
    }

    void portTimeOutKeepsTheChosenFile()
    {
        QFETCH(bool, existed);
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        rig.radio().config().hangsAt = QStringLiteral("ctshold");
        QDir folder(rig.env().path(QStringLiteral("reports")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QString path = folder.filePath(QStringLiteral("radio.txt"));
        const QByteArray before("#Created by an earlier report\r\nUNIT 10001\r\n");
        if (existed)
            writeFile(path, before);
        rig.dialogs().answerSave(path);
        rig.dialogs().answerMsgBox(Msg::Yes);

        w.cmdSaveToFile->click();

        QCOMPARE(QFile::exists(path), existed);
        if (existed)
            QCOMPARE(readFile(path), before);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), existed ? 1 : 0);
        QVERIFY(rig.dialogs().messageTexts().contains(
            QStringLiteral("Radio Communication Error.\r\n\r\nPlease Reconnect.\r\n\r\n"
                           "If there is still a problem, please check all cabling and the power supply.")));
        QVERIFY(!shared().ReportWritten);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(!shared().PortTimedOut);
        QVERIFY(!w.tmrPortTO->isActive());
        QCOMPARE(w.panelStatus->text(), QString());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(shared().RefreshRequested);
        QVERIFY(!w.cmdSaveToFile->isEnabled());
        // The terminal shows the dots of the rows that were answered: the header and rows 1 to 11.
        QCOMPARE(w.txtTerm->text(), terminalAfter(QStringLiteral("SAVING."), 2 + 11));
        const QStringList heard = commandsThroughEeco(rig.radio());
        QCOMPARE(heard.mid(heard.indexOf(QStringLiteral("ctshold"))), (QStringList{"ctshold", "eeco"}));
    }

    void serWaitNudgesWithoutFlooding()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        rig.radio().config().silentBursts = -1;
        rig.dialogs().answerSave(rig.env().path(QStringLiteral("radio.txt")));
        w.cmdSaveToFile->click();

        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().contains(QStringLiteral("eeco")); }, 2000));
        // Between "ser" and the closing "eeco" only nudges: CR LF, heard as empty lines, at most one
        // per 100 ms of the 2000 ms time-out.
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        const int ser = int(lines.indexOf(QStringLiteral("ser")));
        const int eeco = int(lines.indexOf(QStringLiteral("eeco")));
        QVERIFY(ser >= 0 && eeco > ser);
        const int nudges = eeco - ser - 1;
        QVERIFY2(nudges >= 1 && nudges <= 21, qPrintable(QString::number(nudges)));
        QVERIFY(lines.mid(ser + 1, nudges).join(QString()).isEmpty());
        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().contains("ser\r\r\n\r\n"));
        QVERIFY(!QFile::exists(rig.env().path(QStringLiteral("radio.txt"))));
    }

    void slowRadioStillGivesTheWholeFile()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        // From now on every answer comes 300 ms late: the "ser" wait nudges, and the prompts the
        // nudges raise come late as well.
        rig.radio().detach();
        connect(&rig.pty(), &PtyPort::received, &rig.radio(), &FakeRadio::receive);
        connect(&rig.radio(), &FakeRadio::transmit, &rig.pty(), [&pty = rig.pty()](const QByteArray &bytes) {
            QTimer::singleShot(Clock::realMs(300), &pty, [&pty, bytes] { pty.write(bytes); });
        });
        rig.pty().setLineTiming(true);   // detaching the radio took the line's timing with it
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        rig.dialogs().answerSave(path);

        w.cmdSaveToFile->click();

        QCOMPARE(readFile(path), golden(QStringLiteral("master320.txt")));
        QVERIFY(rig.settle());
        const QStringList lines = rig.radio().lines();
        const qsizetype ser = lines.indexOf(QStringLiteral("ser"));
        QVERIFY(ser >= 0);
        QCOMPARE(lines.value(ser + 1), QString());
        QVERIFY(rig.dialogs().messages().isEmpty());
    }

    // A radio that answers at once still leaves the window its events: the timers tick (and the
    // window paints) between the queries, and the file is the same.
    void windowEventsRunDuringTheReport()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        w.Timer1->stop();
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        rig.dialogs().answerSave(path);
        const int ticks = ticksWhileThreaded(rig.radio(), rig.pty(), [&] { w.cmdSaveToFile->click(); });
        QVERIFY2(ticks >= 30, qPrintable(QStringLiteral("%1 ticks").arg(ticks)));
        QCOMPARE(readFile(path), golden(QStringLiteral("master320.txt")));
    }

    // A keep-alive that falls due during a report goes out after it, not between its queries.
    void keepAliveDueDuringTheReportWaits()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString path = rig.env().path(QStringLiteral("radio.txt"));
        rig.dialogs().answerSave(path);
        SharedState &s = shared();
        s.KeepAlivePref = true;
        s.KeepAliveCount = 0;
        s.KeepAliveDue = Clock::nowSeconds();
        int ticks = 0;
        connect(w.Timer1, &QTimer::timeout, this, [&ticks] { ++ticks; });

        w.cmdSaveToFile->click();

        QVERIFY(ticks > 0);
        QCOMPARE(s.KeepAliveCount, qint16(0));
        QCOMPARE(readFile(path), golden(QStringLiteral("master320.txt")));
        QVERIFY(Clock::waitFor([&] { return s.KeepAliveCount == 1; }, 3000));
    }

    void overwriteQuestion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<QString>("name");
        QTest::newRow("Yes overwrites the file") << int(Msg::Yes) << "old.txt";
        QTest::newRow("Yes overwrites a file with a 250-byte name") << int(Msg::Yes) << QString(246, u'x') + ".txt";
        QTest::newRow("No shows the Save dialog again") << int(Msg::No) << "old.txt";
        QTest::newRow("Cancel sends nothing") << int(Msg::Cancel) << "old.txt";
    }

    void overwriteQuestion()
    {
        QFETCH(int, answer);
        QFETCH(QString, name);
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString existing = rig.env().path(name);
        const QString other = rig.env().path(QStringLiteral("new.txt"));
        writeFile(existing, "OLD\r\n");
        rig.dialogs().answerSave(existing);
        rig.dialogs().answerMsgBox(answer);
        rig.dialogs().answerSave(other);

        w.cmdSaveToFile->click();
        QVERIFY(shared().RefreshRequested);
        // The read-out the click asks for would talk to the radio; only the report's bytes count.
        shared().RefreshRequested = false;
        Clock::pumpFor(300);

        QStringList kinds;
        for (const auto &shown : rig.dialogs().shown)
            kinds << shown.kind;
        const auto question = rig.dialogs().messages().value(0);
        QCOMPARE(question.text, QStringLiteral("File Exists !!\r\n\r\nOverwrite ? "));
        QCOMPARE(question.title, QStringLiteral("File I/O Error"));
        QCOMPARE(question.buttons, int(Msg::YesNoCancel));
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
        switch (answer) {
        case Msg::Yes:
            QCOMPARE(kinds, (QStringList{"save", "msgbox"}));
            QVERIFY(fileLines(existing).contains(QStringLiteral("UNIT 12345")));
            QVERIFY(!QFile::exists(other));
            QCOMPARE(QDir(rig.env().home()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".txt")),
                     QStringList{name});
            break;
        case Msg::No:
            QCOMPARE(kinds, (QStringList{"save", "msgbox", "save"}));
            QCOMPARE(readFile(existing), QByteArray("OLD\r\n"));
            QVERIFY(fileLines(other).contains(QStringLiteral("UNIT 12345")));
            break;
        default:
            QCOMPARE(kinds, (QStringList{"save", "msgbox"}));
            QCOMPARE(readFile(existing), QByteArray("OLD\r\n"));
            QVERIFY(!QFile::exists(other));
            QVERIFY(rig.radio().received().isEmpty());
            QVERIFY(!shared().ReportWritten);
            break;
        }
    }

    void cancelledSaveDialogSendsNothing()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString terminal = w.txtTerm->text();

        w.cmdSaveToFile->click();
        QVERIFY(shared().RefreshRequested);
        shared().RefreshRequested = false;
        Clock::pumpFor(300);

        QVERIFY(rig.settle());
        QVERIFY(rig.radio().received().isEmpty());
        QCOMPARE(w.txtTerm->text(), terminal);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(!shared().ReportWritten);
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(QDir(rig.env().home()).entryList({QStringLiteral("*.txt")}, QDir::Files).isEmpty());
    }

    void saveWithThePortClosedDoesNothing()
    {
        RIG(rig, Scale);
        frmCorvista &w = rig.openWindow();
        w.cmdSaveToFile_Click();
        QVERIFY(rig.dialogs().shown.isEmpty());
        QVERIFY(!w.MSComm1->portOpen());
    }

    // ---- file errors ----

    // The disk fills up while the report is written: the file the user had stays as it was,
    // nothing new is left behind, the system's words are shown and no report counts as written.
    void fullDiskKeepsTheChosenFile_data()
    {
        QTest::addColumn<bool>("existed");
        QTest::newRow("an existing report keeps its content") << true;
        QTest::newRow("no file is left where there was none") << false;
    }

    void fullDiskKeepsTheChosenFile()
    {
        QFETCH(bool, existed);
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        QDir folder(rig.env().path(QStringLiteral("reports")));
        QVERIFY(folder.mkpath(QStringLiteral(".")));
        const QString path = folder.filePath(QStringLiteral("radio.txt"));
        const QByteArray before("#Created by an earlier report\r\nUNIT 10001\r\n");
        if (existed)
            writeFile(path, before);
        rig.dialogs().answerSave(path);
        rig.dialogs().answerMsgBox(Msg::Yes);
        {
            FullDisk disk(100);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            w.cmdSaveToFile->click();
        }

        QCOMPARE(QFile::exists(path), existed);
        if (existed)
            QCOMPARE(readFile(path), before);
        QCOMPARE(folder.entryList(QDir::Files | QDir::Hidden | QDir::System).size(), existed ? 1 : 0);
        const auto shown = rig.dialogs().messages();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().title, QStringLiteral("File I/O Error"));
        QVERIFY2(shown.last().text.contains(QStringLiteral("File too large")), qPrintable(shown.last().text));
        QVERIFY(shown.last().text.contains(QDir::toNativeSeparators(path)));
        QVERIFY(!shared().ReportWritten);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(Clock::waitFor([&] { return rig.radio().lines().contains(QStringLiteral("eeco")); }, 2000));
    }

    // A folder the report cannot go to, or the open log: nothing is asked of the radio beyond the
    // closing "eeco", and the user reads why.
    void unwritableFolderSaysSo_data()
    {
        QTest::addColumn<QString>("target");
        QTest::newRow("a folder the user may not write") << "locked";
        QTest::newRow("a file where the folder should be") << "file";
        QTest::newRow("the open communications log goes on logging") << "log";
    }

    void unwritableFolderSaysSo()
    {
        QFETCH(QString, target);
        const bool readOnlyFolder = target == QLatin1String("locked");
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        QString path;
        QString reason;
        if (target == QLatin1String("log")) {
            path = rig.env().path(QStringLiteral("radio.log"));
            reason = QStringLiteral("communications log");
            rig.dialogs().answerSave(path);
            w.mnuOpenLog_Click();
            QCOMPARE(shared().LogFileNum, qint16(1));
            rig.dialogs().answerMsgBox(Msg::Yes);   // "File Exists !!"
        } else if (readOnlyFolder) {
            QDir folder(rig.env().path(QStringLiteral("locked")));
            QVERIFY(folder.mkpath(QStringLiteral(".")));
            QVERIFY(QFile::setPermissions(folder.path(), QFile::ReadOwner | QFile::ExeOwner));
            QFile probe(folder.filePath(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QSKIP("This user may write anywhere (root): a read-only folder stops nothing.");
            }
            path = folder.filePath(QStringLiteral("radio.txt"));
            reason = QStringLiteral("Permission denied");
        } else {
            writeFile(rig.env().path(QStringLiteral("notafolder")), "x");
            path = rig.env().path(QStringLiteral("notafolder/radio.txt"));
            reason = QStringLiteral("Not a directory");
        }
        rig.dialogs().answerSave(path);

        w.cmdSaveToFile->click();
        if (readOnlyFolder)
            QFile::setPermissions(QFileInfo(path).path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        if (target == QLatin1String("log")) {
            QVERIFY(!fileLines(path).contains(QStringLiteral("UNIT 12345")));
            QCOMPARE(shared().LogFileNum, qint16(1));
            w.mnuCloseLog_Click();
        } else {
            QVERIFY(!QFile::exists(path));
        }
        auto shown = rig.dialogs().messages();
        if (target == QLatin1String("log"))
            shown.removeFirst();   // "File Exists !!"
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("File I/O Error"));
        QVERIFY2(shown[0].text.contains(reason), qPrintable(shown[0].text));
        QVERIFY(!shared().ReportWritten);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(!commandsHeard(rig.radio()).contains(QStringLiteral("ser")));
    }

    // Every save over a file the user has: it writes to the file the name leads to, keeps that
    // file's owner, group, permissions and other names, writes it in place where a new file could
    // not take its name, and refuses what the user may not write with the system's reason. As root,
    // rows "as the technician" take up an ordinary account's file access; root writes what the
    // system lets it write.
    void savesKeepToTheFileTheyReplace_data()
    {
        QTest::addColumn<Saver>("saver");
        QTest::addColumn<Target>("target");
        QTest::addColumn<QStringList>("reason");   // in the one message, "%1" the folder; none: written
        const QStringList denied{"Permission denied"};
        for (const auto &[saver, name] : {std::pair{Saver::Report, "report"}, {Saver::RestoreSave, "restore Save"},
                                          {Saver::Preset, "preset description"}, {Saver::SettingsStore, "store"}}) {
            QTest::addRow("%s: a read-only file is refused, as the technician", name)
                << saver << Target::ReadOnly << denied;
            QTest::addRow("%s: a read-only file stays so, written as root", name)
                << saver << Target::ReadOnlyAsRoot << QStringList();
            QTest::addRow("%s: another user's group-writable file keeps its owner, as the technician", name)
                << saver << Target::OtherOwner << QStringList();
            QTest::addRow("%s: a chain of links leads to the file", name)
                << saver << Target::LinkChain << QStringList();
            QTest::addRow("%s: a second hard link shows the new text", name)
                << saver << Target::HardLink << QStringList();
            QTest::addRow("%s: a link into a folder without write access, as the technician", name)
                << saver << Target::LockedFolder << QStringList();
            if (saver != Saver::Preset)   // a description goes only to a preset file that is there
                QTest::addRow("%s: a new file in a folder without write access names the folder, as the technician",
                              name)
                    << saver << Target::NewInLockedFolder << (QStringList{"folder %1"} + denied);
            QTest::addRow("%s: a full disk in the in-place write puts the old bytes back", name)
                << saver << Target::FullDiskInPlace << QStringList{"File too large", "put back"};
        }
        QTest::newRow("preset save: a read-only file in a free slot is refused, as the technician")
            << Saver::PresetSave << Target::ReadOnly << denied;
    }

    void savesKeepToTheFileTheyReplace()
    {
        QFETCH(Saver, saver);
        QFETCH(Target, target);
        QFETCH(QStringList, reason);
#ifdef Q_OS_LINUX
        const bool root = ::geteuid() == 0;
        if ((target == Target::ReadOnlyAsRoot || target == Target::OtherOwner) && !root)
            QSKIP("Only root can give a file to another user, or write a read-only one.");
        const bool restore = saver == Saver::RestoreSave;
        FakeRadio::Config config;
        config.password.clear();   // the restore window warns of a radio it may not write
        RIG(rig, restore ? 0.3 : Scale, config);
        std::optional<ThreadedRadio> threaded;   // the restore window sleeps between its commands
        frmCorvista *w = restore ? &rig.openWindow() : &connectAndRead(rig);
        if (restore) {
            frmRestore::resetFlags();
            threaded.emplace(rig.radio(), rig.pty());
            w->ConnectRadio();
            w->Timer1->stop();
            w->mnuConfigRestore_Click();
            frmRestore *r = frmRestore::openWindow();
            QVERIFY(r && Clock::waitFor([r] { return frmRestore::flags().ExchangeIdle && !r->readingOut(); }, 60000));
        }
        const QDir home(rig.env().home());
        QString path = home.filePath(QStringLiteral("files/radio.txt"));
        QByteArray before = "#Created by an earlier report\r\nUNIT 10001\r\n";
        QByteArray newText = "UNIT 12345";
        if (saver == Saver::Preset || saver == Saver::PresetSave) {
            path = frmCorvista::presetPath(1);
            before = saver == Saver::Preset ? "#PresetFile1\r\n#Name:Tower\r\nADDR 1001\r\n" : "#PresetFile9\r\n";
            newText = "#Name:Pump station by the river";
        } else if (saver == Saver::SettingsStore) {
            path = SettingsStore::fileName(Dialogs::applicationTitle());
            before = "[Preferences]\r\nKeepAlive=True\r\n";
            newText = "KeepAlive=False";
        }
        const QString folder = QFileInfo(path).path();
        const auto open = QFile::Permissions(0x7777);   // everyone may do everything
        const auto locked = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther | QFile::ExeOther;
        QString real = target == Target::LinkChain ? home.filePath(QStringLiteral("real/radio.txt"))
                     : target == Target::LockedFolder ? home.filePath(QStringLiteral("locked/radio.txt"))
                                                      : path;
        const QString second = home.filePath(target == Target::LinkChain ? QStringLiteral("deep/links/second.txt")
                                                                         : QStringLiteral("also.txt"));
        for (const QString &file : {path, real, second})
            QVERIFY(QDir().mkpath(QFileInfo(file).path()));
        QFile::remove(path);
        QVERIFY(QFile::setPermissions(home.path(), locked | QFile::WriteOwner));   // the technician passes through
        auto unlock = qScopeGuard([&] { QFile::setPermissions(QFileInfo(real).path(), open); });
        const QByteArray realName = QFile::encodeName(real);
        if (target != Target::NewInLockedFolder)
            writeFile(real, before);
        switch (target) {
        case Target::ReadOnly:
        case Target::ReadOnlyAsRoot:
        case Target::OtherOwner:
            QVERIFY(!root || target == Target::ReadOnlyAsRoot
                    || ::chown(realName, target == Target::ReadOnly ? Technician : OtherUser, SharedGroup) == 0);
            // rw-rw-r-- or r--r--r--
            QVERIFY(QFile::setPermissions(real, QFile::Permissions(target == Target::OtherOwner ? 0x6664 : 0x4444)));
            QVERIFY(QFile::setPermissions(folder, open));   // a new file could take its name
            break;
        case Target::LinkChain:
            // Relative, and reached through a link to its folder: it starts from where the folder is.
            QVERIFY(QFile::link(QStringLiteral("../../real/radio.txt"), second)
                    && QFile::link(QFileInfo(second).path(), home.filePath(QStringLiteral("links")))
                    && QFile::link(home.filePath(QStringLiteral("links/second.txt")), path));
            break;
        case Target::HardLink:
        case Target::FullDiskInPlace:
            QVERIFY(::link(realName, QFile::encodeName(second)) == 0);
            break;
        case Target::LockedFolder:
            QVERIFY(!root || ::chown(realName, Technician, SharedGroup) == 0);
            QVERIFY(QFile::link(real, path) && QFile::setPermissions(QFileInfo(real).path(), locked));
            break;
        case Target::NewInLockedFolder:
            QVERIFY(QFile::setPermissions(folder, locked));
            break;
        }
        const QFileInfo was(real);
        const auto owned = std::tuple(was.exists(), was.ownerId(), was.groupId(), was.permissions());
        rig.dialogs().clear();
        {
            const bool asTechnician = root && target != Target::ReadOnlyAsRoot && target != Target::LinkChain
                && target != Target::HardLink && target != Target::FullDiskInPlace;
            const auto technician = qScopeGuard([asTechnician] {
                if (asTechnician) {
                    ::setfsuid(0);
                    ::setfsgid(0);
                }
            });
            // On this thread only: file access as the technician's own account.
            if (asTechnician)
                QVERIFY(::setfsgid(SharedGroup) == 0 && ::setfsuid(Technician) == 0
                        && ::setfsuid(uid_t(-1)) == int(Technician));
            std::optional<FullDisk> disk;
            if (target == Target::FullDiskInPlace && !disk.emplace(before.size()).active())
                QSKIP("no file-size limit on this system");
            if (saver == Saver::Report) {
                rig.dialogs().answerSave(path);
                rig.dialogs().answerMsgBox(Msg::Yes);   // "File Exists !!" where there is one
                w->cmdSaveToFile->click();
            } else if (restore) {
                rig.dialogs().answerSave(path);
                frmRestore::openWindow()->Toolbar1_ButtonClick(QStringLiteral("SaveConfig"));
            } else if (saver == Saver::SettingsStore) {
                frmPreferences preferences(w->txtTerm);
                preferences.KeepAliveCheck->setChecked(false);
                preferences.OKButton_Click();
            } else {
                if (saver == Saver::PresetSave)
                    rig.dialogs().answerInput(QStringLiteral("Pump"));
                rig.dialogs().answerInput(QStringLiteral("Pump station by the river"));
                rig.dialogs().answerMsgBox(Msg::Yes);   // replace a file that gives the button no preset
                shared().PresetMenuIndex = 0;
                saver == Saver::PresetSave ? w->cmdSaveToPreset_Click() : w->mnuPresetEditDesc_Click();
            }
        }
        if (restore && frmRestore::openWindow())
            frmRestore::openWindow()->unload();

        const QByteArray after = readFile(real);
        if (reason.isEmpty())
            QVERIFY2(after.contains(newText), after.constData());
        else
            QCOMPARE(after, target == Target::NewInLockedFolder ? QByteArray() : before);
        const QFileInfo is(real);
        QCOMPARE(std::tuple(is.exists(), is.ownerId(), is.groupId(), is.permissions()), owned);
        if (target == Target::LinkChain)
            QVERIFY(QFileInfo(path).isSymLink() && QFileInfo(second).isSymLink());
        else if (target == Target::HardLink || target == Target::FullDiskInPlace)
            QCOMPARE(readFile(second), after);
        QCOMPARE(QDir(QFileInfo(real).path()).entryList({".wavecrest-save-*"}, QDir::Files | QDir::Hidden),
                 QStringList());
        auto shown = rig.dialogs().messages();
        shown.removeIf([](const auto &box) { return box.text.startsWith(QLatin1String("File Exists !!")); });
        QCOMPARE(shown.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty())
            reason << QDir::toNativeSeparators(path);
        for (QString piece : reason)
            QVERIFY2(shown[0].text.contains(piece.replace("%1", QDir::toNativeSeparators(folder))),
                     qPrintable(shown[0].text));
#else
        QSKIP("Needs links, owners and another user's file access.");
#endif
    }

    void printOnAFullDiskPrintsNothing()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString pdf = rig.env().path(QStringLiteral("report.pdf"));
        rig.dialogs().answerPrinter([&](QPrinter &printer) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        });
        {
            FullDisk disk(100);
            if (!disk.active())
                QSKIP("no file-size limit on this system");
            w.cmdPrint->click();
        }
        for (const auto &s : rig.dialogs().shown)
            QVERIFY(s.kind != QLatin1String("print"));
        QVERIFY(!QFile::exists(pdf));
        const auto shown = rig.dialogs().messages();
        QVERIFY(!shown.isEmpty());
        QCOMPARE(shown.last().title, QStringLiteral("File I/O Error"));
        QVERIFY(shown.last().text.contains(QStringLiteral("File too large")));
        QVERIFY(!shared().ReportWritten);
        QVERIFY(w.frQuick->isEnabled());
    }

    // ---- PRINT ----

    void printFileIsNamedFromTheSerialNumber_data()
    {
        QTest::addColumn<QString>("serialBox");   // empty: as the read-out left it
        QTest::addColumn<QString>("fileName");
        QTest::newRow("serial number from the radio") << QString() << "Temp/00123456.txt";
        QTest::newRow("short serial number box gives config.txt") << "SN" << "Temp/config.txt";
    }

    void printFileIsNamedFromTheSerialNumber()
    {
        QFETCH(QString, serialBox);
        QFETCH(QString, fileName);
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        QCOMPARE(w.Pages.box(QStringLiteral("SerialNumber"))->text(), QStringLiteral("SN 00123456"));
        if (!serialBox.isEmpty())
            w.Pages.box(QStringLiteral("SerialNumber"))->setText(serialBox);
        QDir(AppPaths::inProgramFolder(QStringLiteral("Temp"))).removeRecursively();
        rig.dialogs().cancelPrinter();
        // "Preparing Report" stays the whole report long, however long the radio takes.
        QStringList panel;
        QTimer watch;
        connect(&watch, &QTimer::timeout, &w, [&] {
            if (panel.isEmpty() || panel.last() != w.panelStatus->text())
                panel << w.panelStatus->text();
        });
        watch.start(1);

        w.cmdPrint->click();
        watch.stop();
        if (panel.last() != w.panelStatus->text())
            panel << w.panelStatus->text();
        QCOMPARE(panel.mid(panel.indexOf(QStringLiteral("Preparing Report"))),
                 (QStringList{"Preparing Report", "Printing"}));

        const QString printFile = AppPaths::inProgramFolder(fileName);
        QCOMPARE(readFile(printFile), QByteArray("\r\n\r\n") + golden(QStringLiteral("master320.txt")));
        QVERIFY(shared().ReportWritten);
    }

    void printGoesToThePrinterChosen()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString pdf = rig.env().path(QStringLiteral("report.pdf"));
        QString docName;
        rig.dialogs().answerPrinter([&](QPrinter &printer) {
            docName = printer.docName();
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
        });
        // An old print file of the same radio is replaced, not asked about.
        QDir().mkpath(AppPaths::inProgramFolder(QStringLiteral("Temp")));
        writeFile(AppPaths::inProgramFolder(QStringLiteral("Temp/00123456.txt")), "OLD\r\n");

        w.cmdPrint->click();

        QVERIFY(rig.dialogs().messages().isEmpty());
        QCOMPARE(docName, QStringLiteral("00123456.txt"));
        QCOMPARE(w.txtTerm->text(), terminalAfter(QStringLiteral("PRINTING."), 31));
        QCOMPARE(w.panelStatus->text(), QStringLiteral("Printing"));
        QVERIFY(w.Timer2->isActive());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(shared().RefreshRequested);
        const QByteArray bytes = readFile(pdf);
        QVERIFY(bytes.startsWith("%PDF"));

        if (!pdfTextAvailable())
            QSKIP("pdftotext is not installed: the PDF's text is not checked.");
        const QString text = pdfText(pdf).simplified();
        const QStringList report = fileLines(AppPaths::inProgramFolder(QStringLiteral("Temp/00123456.txt")));
        QCOMPARE(report.size(), 40);
        for (const QString &line : report)
            QVERIFY2(text.contains(line.simplified()), qPrintable(line));
    }

    // The working folder is Temp, emptied at every start: a PDF printed there would be lost. The
    // dialog proposes the folder the file dialogs start in, under the report's name.
    void printerProposesAFileOutsideTemp()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        QVERIFY(QDir::setCurrent(AppPaths::inProgramFolder(QStringLiteral("Temp"))));
        QString proposed;
        rig.dialogs().answerPrinter([&](QPrinter &printer) { proposed = printer.outputFileName(); });

        w.cmdPrint->click();

        QCOMPARE(proposed, QDir(rig.env().path(QStringLiteral("Documents"))).filePath(QStringLiteral("00123456.pdf")));
        QVERIFY(!QFileInfo(proposed).absolutePath().startsWith(AppPaths::inProgramFolder(QStringLiteral("Temp"))));
        // Accepted as proposed, the dialog prints there.
        QVERIFY(readFile(proposed).startsWith("%PDF"));
    }

    // A folder in the print file's place cannot be written: one message says so and names it,
    // and the radio is not asked for a report.
    void folderInPlaceOfThePrintFileSaysSo()
    {
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        const QString printFile = AppPaths::inProgramFolder(QStringLiteral("Temp/00123456.txt"));
        QVERIFY(QDir().mkpath(printFile));

        w.cmdPrint->click();

        const auto shown = rig.dialogs().shown;
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].title, QStringLiteral("File I/O Error"));
        QCOMPARE(shown[0].text, QStringLiteral("The file could not be saved:\r\n") + QDir::toNativeSeparators(printFile)
                                    + QStringLiteral("\r\n\r\nIt is a folder, not a file."));
        QVERIFY(rig.settle());
        QVERIFY(!commandsHeard(rig.radio()).contains(QStringLiteral("ser")));
        QVERIFY(!shared().ReportWritten);
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(w.frQuick->isEnabled());
    }

    void longTextIsPrintedOnSeveralPages()
    {
        TestEnv env;
        const QString pdf = env.path(QStringLiteral("long.pdf"));
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        QStringList lines;
        for (int i = 1; i <= 200; ++i)
            lines << QStringLiteral("LINE %1").arg(i);
        QVERIFY(ReportPrinter::printText(printer, lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")));
        static const QRegularExpression pageObject(QStringLiteral("/Type\\s*/Page[^s]"));
        const int pages = int(QString::fromLatin1(readFile(pdf)).count(pageObject));
        QVERIFY2(pages >= 3 && pages <= 5, qPrintable(QString::number(pages)));

        if (!pdfTextAvailable())
            QSKIP("pdftotext is not installed: the PDF's text is not checked.");
        // Each page but the first starts with a form feed.
        QStringList text = pdfText(pdf).split(QLatin1Char('\n'));
        for (QString &line : text)
            line = line.trimmed();
        for (const QString &line : lines)
            QVERIFY2(text.contains(line), qPrintable(line));
    }

    void printCancelledOrAbortedPrintsNothing_data()
    {
        QTest::addColumn<QString>("hangsAt");
        QTest::addColumn<bool>("dialogShown");
        QTest::addColumn<QString>("message");   // beyond the print file's name
        QTest::newRow("Cancel in the printer dialog") << QString() << true << QString();
        QTest::newRow("port time-out during the report: no printer dialog") << "sleep" << false << QString();
        QTest::newRow("print file gone while the dialog is open: a message names it")
            << QString() << false << "No such file or directory";
    }

    void printCancelledOrAbortedPrintsNothing()
    {
        QFETCH(QString, hangsAt);
        QFETCH(bool, dialogShown);
        QFETCH(QString, message);
        RIG(rig, Scale);
        frmCorvista &w = connectAndRead(rig);
        rig.radio().config().hangsAt = hangsAt;
        const QString pdf = rig.env().path(QStringLiteral("report.pdf"));
        const QString printFile = AppPaths::inProgramFolder(QStringLiteral("Temp/00123456.txt"));
        if (dialogShown)
            rig.dialogs().cancelPrinter();
        else
            rig.dialogs().answerPrinter([&](QPrinter &printer) {
                if (!message.isEmpty())
                    QFile::remove(printFile);
                printer.setOutputFormat(QPrinter::PdfFormat);
                printer.setOutputFileName(pdf);
            });

        w.cmdPrint->click();

        const QStringList texts = rig.dialogs().messageTexts();
        if (!message.isEmpty())
            QVERIFY2(texts.size() == 1 && texts[0].contains(QDir::toNativeSeparators(printFile))
                         && texts[0].contains(message), qPrintable(texts.join(" | ")));
        bool shown = false;
        for (const auto &s : rig.dialogs().shown)
            shown |= s.kind == QLatin1String("print");
        QCOMPARE(shown, dialogShown || !message.isEmpty());
        QVERIFY(!QFile::exists(pdf));
        QCOMPARE(shared().ReportWritten, dialogShown || !message.isEmpty());
        QVERIFY(w.frQuick->isEnabled());
        QVERIFY(!shared().IgnoreCommEvents);
        QVERIFY(shared().RefreshRequested);
    }
};

QTEST_MAIN(TestReportWriter)
#include "tst_reportwriter.moc"
