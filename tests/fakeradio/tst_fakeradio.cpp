// The simulated radio as the program meets it: bytes written to a serial control, the answer read
// back from it, judged with the same cuts the program makes.
#include "fakeradio/FakeRadio.h"
#include "platform/Clock.h"
#include "platform/SerialCommControl.h"
#include "support/MockCommControl.h"
#include "support/PtyPort.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

Q_DECLARE_METATYPE(FakeRadio::Stage)

namespace {

const QString Unknown = QStringLiteral("UNRECOGNISED COMMAND");

// The radio on an open in-memory port. send() writes like the program and returns the answer,
// which is already in the port's buffer when the write returns.
struct Bench
{
    MockCommControl port;
    FakeRadio radio;

    explicit Bench(const FakeRadio::Config &config = {}) : radio(config)
    {
        radio.attach(&port);
        port.setPortOpen(true);
    }
    QByteArray send(const QByteArray &bytes)
    {
        port.output(bytes);
        return port.input();
    }
    QString ask(const QString &line) { return QString::fromLatin1(send(line.toLatin1() + '\r')); }
};

FakeRadio::Config radioAt(const QString &version, const QString &mode = QStringLiteral("M"), bool loggedIn = true)
{
    FakeRadio::Config c;
    c.version = version;
    c.mode = mode;
    c.loggedIn = loggedIn;
    return c;
}

QByteArray answer(const QString &echo, const QString &line, const QString &prompt = QStringLiteral(">"))
{
    return (echo + QStringLiteral("\r\n") + line + QStringLiteral("\r\n") + prompt).toLatin1();
}

// The read-out's cut: from two characters after the echoed keyword to the CR LF before the prompt.
QString cutValue(const QString &rx, const QString &keyword, const QString &prompt = QStringLiteral(">"))
{
    const int p = rx.indexOf(keyword, 0, Qt::CaseInsensitive);
    const int e = rx.indexOf(prompt, 0, Qt::CaseInsensitive);
    const int length = e - p - int(keyword.size()) - 4;
    if (p < 0 || e < 0 || length < 0)
        return QStringLiteral("<no value>");
    return rx.mid(p + keyword.size() + 2, length);
}

// The configuration lines the report writer makes from the radio's echo-off answers.
QStringList reportLines(Bench &b)
{
    b.send("deco\r\n");
    const auto standard = [](QString t, const QString &keyword) {
        const int p = t.indexOf(keyword, 0, Qt::CaseInsensitive);
        return p < 0 ? QString() : t.mid(p, t.size() - 3 - p);
    };
    QStringList lines;
    const auto add = [&](const QString &line) {
        if (!line.isEmpty())
            lines << line;
    };
    const auto row = [&](const char *query, const char *keyword, bool skipNa = false) {
        const QString t = b.ask(QString::fromLatin1(query));
        if (!(skipNa && t.contains(QLatin1String("n/a"), Qt::CaseInsensitive)))
            add(standard(t, QString::fromLatin1(keyword)));
    };
    row("unit", "UNIT");
    for (const char *q : {"OWN", "OWM"}) {
        const QString t = b.ask(QString::fromLatin1(q));
        if (t.size() >= 6)
            lines << QString::fromLatin1(q) + QLatin1Char(' ') + t.mid(2, t.size() - 5);
    }
    const QString mode = b.ask(QStringLiteral("mode"));
    const int m = mode.indexOf(QLatin1String("MODE"), 0, Qt::CaseInsensitive);
    add(mode.mid(m, 6));
    const QString pwr = b.ask(QStringLiteral("pwr"));
    add(pwr.mid(pwr.indexOf(QLatin1String("PWR"), 0, Qt::CaseInsensitive), 10));
    row("baud", "BAUD");
    row("port", "PORT");
    row("device", "DEVICE");
    const QString mask = standard(b.ask(QStringLiteral("amask")).remove(QLatin1Char(':')), QStringLiteral("MASK"));
    if (!mask.isEmpty())
        lines << QLatin1Char('A') + mask;
    add(standard(b.ask(QStringLiteral("asense")).remove(QLatin1Char(':')), QStringLiteral("ALARM")));
    row("cts", "CTS");
    row("ctshold", "CTSHOLD", true);
    row("rxtot", "RXTOT");
    row("rxd", "RXD");
    row("sleep", "SLEEP", true);
    row("lpmhold", "LPMHOLD");
    row("addr", "ADDR");
    if (mode.mid(m + 5, 1).compare(QLatin1String("M"), Qt::CaseInsensitive) == 0) {
        const QString cs = standard(b.ask(QStringLiteral("csaddr")), QStringLiteral("CSADDR"));
        lines << (cs.isEmpty() ? QStringLiteral("CSADDR NONE") : cs);
        for (const char *q : {"hoptime", "skip", "lpm", "repeat", "retry", "fec", "buff", "saf"})
            row(q, QByteArray(q).toUpper().constData());
    }
    for (const char *q : {"xaddr", "xmap", "xrssi", "xpri", "dtype"})
        row(q, QByteArray(q).toUpper().constData());
    const QString dlink = b.ask(QStringLiteral("dlink"));
    const int d = dlink.indexOf(QLatin1String("DLINK"), 0, Qt::CaseInsensitive);
    if (d >= 0) {
        lines << dlink.mid(d, dlink.lastIndexOf(QLatin1Char(' ')) - d);
        lines << (dlink.contains(QLatin1String("(ON)"), Qt::CaseInsensitive) ? QStringLiteral("DLINK ON")
                                                                               : QStringLiteral("DLINK OFF"));
    }
    b.send("eeco\r");
    return lines;
}

QByteArray wakeBurst(Bench &b)
{
    QByteArray heard = b.send("\x1b\r\n");
    for (int j = 0; j < 4; ++j)
        heard += b.send("\r\r");
    return heard;
}

} // namespace

class TestFakeRadio : public QObject
{
    Q_OBJECT

private slots:
    void replyShape_data()
    {
        QTest::addColumn<FakeRadio::Stage>("stage");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("expected");
        const auto N = FakeRadio::Stage::Normal;
        const auto S = FakeRadio::Stage::Setup;
        const auto L = FakeRadio::Stage::Loader;
        QTest::newRow("query: echo, line end, reply line, line end, prompt") << N << QByteArray("unit\r")
                                                                              << QByteArray("unit\r\nUNIT 12345\r\n>");
        QTest::newRow("echo keeps the case as sent") << N << QByteArray("UNIT\r") << QByteArray("UNIT\r\nUNIT 12345\r\n>");
        QTest::newRow("blanks around a query are echoed and tolerated")
            << N << QByteArray("  unit \r") << QByteArray("  unit \r\nUNIT 12345\r\n>");
        QTest::newRow("bare CR gives the line end and the prompt") << N << QByteArray("\r") << QByteArray("\r\n>");
        QTest::newRow("OPEN has no reply line") << N << QByteArray("OPEN\r") << QByteArray("OPEN\r\n>");
        QTest::newRow("open in lower case") << N << QByteArray("open\r") << QByteArray("open\r\n>");
        QTest::newRow("CLOS has no reply line") << N << QByteArray("CLOS\r") << QByteArray("CLOS\r\n>");
        QTest::newRow("QUIT outside setup mode changes nothing") << N << QByteArray("QUIT\r") << QByteArray("QUIT\r\n>");
        QTest::newRow("LF and ESC echo nothing") << N << QByteArray("\x1b\r\n") << QByteArray("\r\n>");
        QTest::newRow("ESC drops a partly typed line")
            << N << QByteArray("uni\x1bt\r") << QByteArray("unit\r\n" + Unknown.toLatin1() + "\r\n>");
        QTest::newRow("setup mode: every answer ends SETUP>") << S << QByteArray("unit\r")
                                                             << QByteArray("unit\r\nUNIT 12345\r\nSETUP>");
        QTest::newRow("setup mode: bare CR") << S << QByteArray("\r") << QByteArray("\r\nSETUP>");
        QTest::newRow("QUIT leaves setup mode") << S << QByteArray("QUIT\r") << QByteArray("QUIT\r\n>");
        QTest::newRow("quit in lower case leaves setup mode") << S << QByteArray("quit\r") << QByteArray("quit\r\n>");
        QTest::newRow("setup enters bench-test mode") << N << QByteArray("setup\r") << QByteArray("setup\r\nSETUP>");
        QTest::newRow("loader: bare CR") << L << QByteArray("\r") << QByteArray("\r\nLOADER>");
        QTest::newRow("loader: OPEN answered with its prompt") << L << QByteArray("OPEN\r") << QByteArray("OPEN\r\nLOADER>");
        QTest::newRow("loader knows no settings")
            << L << QByteArray("unit\r") << QByteArray("unit\r\n" + Unknown.toLatin1() + "\r\nLOADER>");
    }

    void replyShape()
    {
        QFETCH(FakeRadio::Stage, stage);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, expected);
        FakeRadio::Config c = radioAt(QStringLiteral("3.2.0"));
        c.stage = stage;
        Bench b(c);
        QCOMPARE(b.send(sent), expected);
    }

    void readOut_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("line");
        const QString v = QStringLiteral("3.2.0");
        const QString M = QStringLiteral("M"), R = QStringLiteral("R");
        QTest::newRow("ser holds SN and nine more") << v << M << "ser" << "SN 00123456";
        QTest::newRow("unit") << v << M << "unit" << "UNIT 12345";
        QTest::newRow("own is the bare owner name") << v << M << "own" << "WAVECREST SS";
        QTest::newRow("owm is the bare message") << v << M << "owm" << "KARVEL";
        QTest::newRow("temp") << v << M << "temp" << "TEMP 25C";
        QTest::newRow("alrm") << v << M << "alrm" << "NO ALARMS";
        QTest::newRow("mode of a master") << v << M << "mode" << "MODE M";
        QTest::newRow("mode of a remote") << v << R << "mode" << "MODE R";
        QTest::newRow("pwr is ten characters") << v << M << "pwr" << "PWR 30 dBm";
        QTest::newRow("baud") << v << M << "baud" << "BAUD 9600 8N1";
        QTest::newRow("port") << v << M << "port" << "PORT RS232";
        QTest::newRow("device") << v << M << "device" << "DEVICE CTS KEY";
        QTest::newRow("amask") << v << M << "amask" << "MASK: FFFF FFFF";
        QTest::newRow("asense") << v << M << "asense" << "ALARM ACTIVE HI";
        QTest::newRow("cts") << v << M << "cts" << "CTS 0";
        QTest::newRow("ctshold") << v << M << "ctshold" << "CTSHOLD 0";
        QTest::newRow("rxtot") << v << M << "rxtot" << "RXTOT NONE";
        QTest::newRow("rxd at exactly 300") << "3.0.0" << M << "rxd" << "RXD 0";
        QTest::newRow("rxd below 300 is unknown") << "2.9.9" << M << "rxd" << Unknown;
        QTest::newRow("sleep of a remote") << v << R << "sleep" << "SLEEP OFF";
        QTest::newRow("sleep of a master is n/a") << v << M << "sleep" << "SLEEP n/a";
        QTest::newRow("lpmhold at exactly 320") << v << M << "lpmhold" << "LPMHOLD 0";
        QTest::newRow("lpmhold below 320 is unknown") << "3.1.9" << M << "lpmhold" << Unknown;
        QTest::newRow("addr") << v << M << "addr" << "ADDR 1000";
        QTest::newRow("csaddr of a master") << v << M << "csaddr" << "CSADDR NONE";
        QTest::newRow("csaddr of a remote is n/a") << v << R << "csaddr" << "CSADDR n/a";
        QTest::newRow("csaddr below 300 is unknown") << "2.1.0" << M << "csaddr" << Unknown;
        QTest::newRow("hoptime") << v << M << "hoptime" << "HOPTIME 28";
        QTest::newRow("skip") << v << M << "skip" << "SKIP NONE";
        QTest::newRow("lpm") << v << M << "lpm" << "LPM 0";
        QTest::newRow("lpm below 320 is unknown") << "3.0.0" << M << "lpm" << Unknown;
        QTest::newRow("repeat of a master") << v << M << "repeat" << "REPEAT 3";
        QTest::newRow("repeat of a remote is programmable only") << v << R << "repeat" << "REPEAT PROGRAMMABLE ONLY";
        QTest::newRow("retry") << v << M << "retry" << "RETRY 3";
        QTest::newRow("fec") << v << M << "fec" << "FEC ON";
        QTest::newRow("buff") << v << M << "buff" << "BUFF OFF";
        QTest::newRow("saf") << v << M << "saf" << "SAF OFF";
        QTest::newRow("xaddr") << v << M << "xaddr" << "XADDR 0";
        QTest::newRow("xmin below 200") << "1.9.0" << M << "xmin" << "XMIN 0";
        QTest::newRow("xmax below 200") << "1.9.0" << M << "xmax" << "XMAX 31";
        QTest::newRow("xmin at 200 is unknown") << "2.0.0" << M << "xmin" << Unknown;
        QTest::newRow("xpri at exactly 200") << "2.0.0" << M << "xpri" << "XPRI NONE";
        QTest::newRow("xpri below 200 is unknown") << "1.9.0" << M << "xpri" << Unknown;
        QTest::newRow("xrssi") << v << M << "xrssi" << "XRSSI -90";
        QTest::newRow("xmap is eight hex digits") << v << M << "xmap" << "XMAP 00000001";
        QTest::newRow("show sync of a master") << v << M << "show sync" << "NOT AVAILABLE";
        QTest::newRow("show sync of a remote") << v << R << "show sync" << "DEPTH 1 UNIT 10001 XADDR 0";
        QTest::newRow("dtype") << v << M << "dtype" << "DTYPE NODE";
        QTest::newRow("dlink with its state in brackets") << v << M << "dlink" << "DLINK 19200 (OFF)";
        QTest::newRow("rtu with its id at characters 5-6") << v << M << "rtu" << "RTU 0 (OFF)";
        QTest::newRow("dlink below 200 is unknown") << "1.2.0" << M << "dlink" << Unknown;
    }

    void readOut()
    {
        QFETCH(QString, version);
        QFETCH(QString, mode);
        QFETCH(QString, query);
        QFETCH(QString, line);
        Bench b(radioAt(version, mode));
        const QByteArray heard = b.send(query.toLatin1() + '\r');
        QCOMPARE(heard, answer(query, line));
        // What the read-out puts into the value box: the reply line, whole.
        QCOMPARE(cutValue(QLatin1Char(' ') + QString::fromLatin1(heard), query), line);
    }

    void readOutInSetupModeCutsAtSetupPrompt()
    {
        FakeRadio::Config c;
        c.stage = FakeRadio::Stage::Setup;
        Bench b(c);
        const QString rx = QLatin1Char(' ') + b.ask(QStringLiteral("mode"));
        QCOMPARE(cutValue(rx, QStringLiteral("mode"), QStringLiteral("SETUP>")), QStringLiteral("MODE M"));
    }

    void srev_data()
    {
        QTest::addColumn<QString>("version");
        QTest::newRow("3.2.0") << "3.2.0";
        QTest::newRow("2.1.0") << "2.1.0";
        QTest::newRow("1.2.0") << "1.2.0";
    }

    void srev()
    {
        QFETCH(QString, version);
        Bench b(radioAt(version));
        const QByteArray heard = b.send("srev\r");
        QCOMPARE(heard, answer(QStringLiteral("srev"), QStringLiteral("17-2851A01\r\n") + version + "  01Jan2024"));
        // The program takes the revision from positions 20-24 of " " + the answer.
        QCOMPARE((QLatin1Char(' ') + QString::fromLatin1(heard)).mid(19, 5), version);
    }

    void echoBracket_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("sent");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("echo is on at first") << QByteArray() << QByteArray("mode\r") << QByteArray("mode\r\nMODE M\r\n>");
        QTest::newRow("deco itself is echoed") << QByteArray() << QByteArray("deco\r") << QByteArray("deco\r\n>");
        QTest::newRow("deco with CR LF gives one prompt") << QByteArray() << QByteArray("deco\r\n")
                                                          << QByteArray("deco\r\n>");
        QTest::newRow("echo off: the answer starts with the line end")
            << QByteArray("deco\r") << QByteArray("mode\r") << QByteArray("\r\nMODE M\r\n>");
        QTest::newRow("echo off hides the password") << QByteArray("deco\r") << QByteArray("pass 1234\r")
                                                     << QByteArray("\r\nPASSWORD OK\r\n>");
        QTest::newRow("echo off: bare CR") << QByteArray("deco\r") << QByteArray("\r") << QByteArray("\r\n>");
        QTest::newRow("eeco is not echoed") << QByteArray("deco\r") << QByteArray("eeco\r") << QByteArray("\r\n>");
        QTest::newRow("eeco turns the echo back on")
            << QByteArray("deco\reeco\r") << QByteArray("mode\r") << QByteArray("mode\r\nMODE M\r\n>");
    }

    void echoBracket()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, sent);
        QFETCH(QByteArray, expected);
        Bench b;
        b.send(before);
        QCOMPARE(b.send(sent), expected);
    }

    void ownerCutWithEchoOff()
    {
        // The report writer drops the first two and the last three characters of the answer.
        Bench b;
        b.send("deco\r\n");
        const QByteArray heard = b.send("OWN\r");
        QCOMPARE(heard.mid(2, heard.size() - 5), QByteArray("WAVECREST SS"));
    }

    void typeAhead_data()
    {
        QTest::addColumn<QByteArrayList>("writes");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("connect sequence in one write")
            << QByteArrayList{"\rOPEN\r\r"} << QByteArray("\r\n>OPEN\r\n>\r\n>") << QStringList{"", "OPEN", ""};
        QTest::newRow("a line split across writes")
            << QByteArrayList{"un", "it\r"} << answer("unit", "UNIT 12345") << QStringList{"unit"};
        QTest::newRow("keys typed one at a time") << QByteArrayList{"m", "o", "d", "e", "\r"}
                                                  << answer("mode", "MODE M") << QStringList{"mode"};
        QTest::newRow("backspace corrects a typed line")
            << QByteArrayList{"unx", "\b", "it\r"} << QByteArray("unx\b \bit\r\nUNIT 12345\r\n>") << QStringList{"unit"};
        QTest::newRow("quick setup commands back to back")
            << QByteArrayList{"MODE R\rADDR 5\rPWR 25\rBAUD 9600\r"}
            << answer("MODE R", "PROGRAMMED OK") + answer("ADDR 5", "PROGRAMMED OK") + answer("PWR 25", "PROGRAMMED OK")
                   + answer("BAUD 9600", "PROGRAMMED OK")
            << QStringList{"MODE R", "ADDR 5", "PWR 25", "BAUD 9600"};
        QTest::newRow("dialog pair then a bare CR")
            << QByteArrayList{"dlink on\r", "dlink 9600\r", "\r"}
            << answer("dlink on", "PROGRAMMED OK") + answer("dlink 9600", "PROGRAMMED OK") + "\r\n>"
            << QStringList{"dlink on", "dlink 9600", ""};
    }

    void typeAhead()
    {
        QFETCH(QByteArrayList, writes);
        QFETCH(QByteArray, expected);
        QFETCH(QStringList, lines);
        Bench b(radioAt(QStringLiteral("3.2.0")));
        for (const QByteArray &w : writes)
            b.port.output(w);
        QCOMPARE(b.port.input(), expected);
        QCOMPARE(b.radio.lines(), lines);
    }

    void wakeUp_data()
    {
        QTest::addColumn<int>("silentBursts");
        QTest::addColumn<FakeRadio::Stage>("stage");
        QTest::addColumn<int>("firstAnswered");  // 0: none of 30
        QTest::addColumn<QByteArray>("prompt");
        QTest::newRow("an awake radio answers the first burst") << 0 << FakeRadio::Stage::Normal << 1 << QByteArray(">");
        QTest::newRow("one burst unanswered") << 1 << FakeRadio::Stage::Normal << 2 << QByteArray(">");
        QTest::newRow("three bursts unanswered") << 3 << FakeRadio::Stage::Normal << 4 << QByteArray(">");
        QTest::newRow("never answers") << -1 << FakeRadio::Stage::Normal << 0 << QByteArray(">");
        QTest::newRow("in setup mode the burst ends SETUP>") << 2 << FakeRadio::Stage::Setup << 3
                                                              << QByteArray("SETUP>");
        QTest::newRow("in the loader the burst ends LOADER>") << 0 << FakeRadio::Stage::Loader << 1
                                                               << QByteArray("LOADER>");
    }

    void wakeUp()
    {
        QFETCH(int, silentBursts);
        QFETCH(FakeRadio::Stage, stage);
        QFETCH(int, firstAnswered);
        QFETCH(QByteArray, prompt);
        FakeRadio::Config c;
        c.silentBursts = silentBursts;
        c.stage = stage;
        Bench b(c);
        if (silentBursts != 0)
            QCOMPARE(b.send("unit\r"), QByteArray());  // asleep: not even an echo
        int answered = 0;
        QByteArray heard;
        for (int attempt = 1; attempt <= 30 && answered == 0; ++attempt) {
            heard = wakeBurst(b);
            if (!heard.isEmpty())
                answered = attempt;
        }
        QCOMPARE(answered, firstAnswered);
        if (answered) {
            // Each CR of the burst gets the line end and the prompt, and nothing else comes.
            QCOMPARE(heard, QByteArray("\r\n" + prompt).repeated(9));
            QCOMPARE(b.send("OPEN\r"), "OPEN\r\n" + prompt);
        }
    }

    void programming_data()
    {
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("readBack");
        const QString v = QStringLiteral("3.2.0");
        const QString M = QStringLiteral("M"), R = QStringLiteral("R");
        const QString ok = QStringLiteral("PROGRAMMED OK");
        const QString denied = QStringLiteral("ACCESS DENIED");
        const QString invalid = QStringLiteral("INVALID ENTRY");
        QTest::newRow("edit accepted when logged in") << true << v << M << "unit 23456" << ok << "unit" << "UNIT 23456";
        QTest::newRow("edit refused when not logged in")
            << false << v << M << "unit 23456" << denied << "unit" << "UNIT 12345";
        QTest::newRow("refused before the value is judged") << false << v << M << "pwr 99" << denied << "pwr"
                                                            << "PWR 30 dBm";
        QTest::newRow("file line UNIT") << true << v << M << "UNIT 23456" << ok << "unit" << "UNIT 23456";
        QTest::newRow("file line OWN keeps the case")
            << true << v << M << "OWN Pump Station 4" << ok << "own" << "Pump Station 4";
        QTest::newRow("file line OWM") << true << v << M << "OWM Call 555" << ok << "owm" << "Call 555";
        QTest::newRow("own with only a blank empties it") << true << v << M << "own " << ok << "own" << "";
        QTest::newRow("file line MODE") << true << v << M << "MODE R" << ok << "mode" << "MODE R";
        QTest::newRow("file line PWR with its unit") << true << v << M << "PWR 25 dBm" << ok << "pwr" << "PWR 25 dBm";
        QTest::newRow("pwr without the unit") << true << v << M << "pwr 22" << ok << "pwr" << "PWR 22 dBm";
        QTest::newRow("BAUD rate alone keeps the format")
            << true << v << M << "BAUD 19200" << ok << "baud" << "BAUD 19200 8N1";
        QTest::newRow("BAUD with a format") << true << v << M << "BAUD 4800 7E1" << ok << "baud" << "BAUD 4800 7E1";
        QTest::newRow("file line PORT") << true << v << M << "PORT RS485" << ok << "port" << "PORT RS485";
        QTest::newRow("file line DEVICE") << true << v << M << "DEVICE DCE" << ok << "device" << "DEVICE DCE";
        QTest::newRow("device CTS KEY") << true << v << M << "device CTS KEY" << ok << "device" << "DEVICE CTS KEY";
        QTest::newRow("file line AMASK") << true << v << M << "AMASK 0000 FFFF" << ok << "amask" << "MASK: 0000 FFFF";
        QTest::newRow("amask with two blanks") << true << v << M << "amask  1234 ABCD" << ok << "amask"
                                               << "MASK: 1234 ABCD";
        QTest::newRow("amask with three blanks and no inner blank")
            << true << v << M << "amask   0000ffff" << ok << "amask" << "MASK: 0000 FFFF";
        QTest::newRow("file line ALARM ACTIVE sets the sense")
            << true << v << M << "ALARM ACTIVE LO" << ok << "asense" << "ALARM ACTIVE LO";
        QTest::newRow("asense with two blanks") << true << v << M << "asense  LO" << ok << "asense" << "ALARM ACTIVE LO";
        QTest::newRow("file line CTS") << true << v << M << "CTS 10" << ok << "cts" << "CTS 10";
        QTest::newRow("file line CTSHOLD") << true << v << M << "CTSHOLD 100" << ok << "ctshold" << "CTSHOLD 100";
        QTest::newRow("file line RXTOT") << true << v << M << "RXTOT 1440" << ok << "rxtot" << "RXTOT 1440";
        QTest::newRow("file line RXD") << true << v << M << "RXD 5" << ok << "rxd" << "RXD 5";
        QTest::newRow("file line SLEEP") << true << v << R << "SLEEP ON" << ok << "sleep" << "SLEEP ON";
        QTest::newRow("file line LPMHOLD") << true << v << M << "LPMHOLD 100" << ok << "lpmhold" << "LPMHOLD 100";
        QTest::newRow("file line ADDR") << true << v << M << "ADDR 65000" << ok << "addr" << "ADDR 65000";
        QTest::newRow("file line CSADDR") << true << v << M << "CSADDR 5" << ok << "csaddr" << "CSADDR 5";
        QTest::newRow("file line HOPTIME") << true << v << M << "HOPTIME 7" << ok << "hoptime" << "HOPTIME 7";
        QTest::newRow("SKIP in any order is listed ascending")
            << true << v << M << "SKIP 5,1,2" << ok << "skip" << "SKIP 1,2,5";
        QTest::newRow("file line LPM") << true << v << M << "LPM 3" << ok << "lpm" << "LPM 3";
        QTest::newRow("file line REPEAT") << true << v << M << "REPEAT 5" << ok << "repeat" << "REPEAT 5";
        QTest::newRow("file line RETRY") << true << v << M << "RETRY 4" << ok << "retry" << "RETRY 4";
        QTest::newRow("file line FEC") << true << v << M << "FEC OFF" << ok << "fec" << "FEC OFF";
        QTest::newRow("file line BUFF") << true << v << M << "BUFF ON" << ok << "buff" << "BUFF ON";
        QTest::newRow("file line SAF") << true << v << M << "SAF ON" << ok << "saf" << "SAF ON";
        QTest::newRow("file line XADDR") << true << v << M << "XADDR 7" << ok << "xaddr" << "XADDR 7";
        QTest::newRow("XADDR with a typed leading blank") << true << v << M << "XADDR  5" << ok << "xaddr" << "XADDR 5";
        QTest::newRow("file line XMAP") << true << v << M << "XMAP 8000000F" << ok << "xmap" << "XMAP 8000000F";
        QTest::newRow("xmap in lower-case hex") << true << v << M << "xmap 0000abcd" << ok << "xmap" << "XMAP 0000ABCD";
        QTest::newRow("file line XPRI") << true << v << M << "XPRI 3" << ok << "xpri" << "XPRI 3";
        QTest::newRow("file line XRSSI") << true << v << M << "XRSSI -60" << ok << "xrssi" << "XRSSI -60";
        QTest::newRow("xrssi without the minus") << true << v << M << "xrssi 60" << ok << "xrssi" << "XRSSI -60";
        QTest::newRow("file line DTYPE") << true << v << M << "DTYPE ROOT" << ok << "dtype" << "DTYPE ROOT";
        QTest::newRow("DLINK rate") << true << v << M << "DLINK 9600" << ok << "dlink" << "DLINK 9600 (OFF)";
        QTest::newRow("DLINK ON") << true << v << M << "DLINK ON" << ok << "dlink" << "DLINK 19200 (ON)";
        QTest::newRow("RTU id") << true << v << M << "RTU 5" << ok << "rtu" << "RTU 5 (OFF)";
        QTest::newRow("RTU ON") << true << v << M << "RTU ON" << ok << "rtu" << "RTU 0 (ON)";
        QTest::newRow("XMIN below 200") << true << "1.9.0" << M << "XMIN 3" << ok << "xmin" << "XMIN 3";
        QTest::newRow("value out of range") << true << v << M << "pwr 99" << invalid << "pwr" << "PWR 30 dBm";
        QTest::newRow("unknown mode letter") << true << v << M << "mode Q" << invalid << "mode" << "MODE M";
        QTest::newRow("setting above the revision is unknown")
            << true << "2.1.0" << M << "rxd 5" << Unknown << "rxd" << Unknown;
        QTest::newRow("read-only word with a value is unknown")
            << true << v << M << "ser 123" << Unknown << "ser" << "SN 00123456";
    }

    void programming()
    {
        QFETCH(bool, loggedIn);
        QFETCH(QString, version);
        QFETCH(QString, mode);
        QFETCH(QString, sent);
        QFETCH(QString, reply);
        QFETCH(QString, query);
        QFETCH(QString, readBack);
        Bench b(radioAt(version, mode, loggedIn));
        QCOMPARE(b.ask(sent), QString::fromLatin1(answer(sent, reply)));
        QCOMPARE(cutValue(QLatin1Char(' ') + b.ask(query), query), readBack);
    }

    void reportProgramsAnotherRadio_data()
    {
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<int>("lineCount");
        QTest::newRow("master at 3.2.0") << "3.2.0" << "M" << 32;
        QTest::newRow("remote at 3.2.0") << "3.2.0" << "R" << 24;
        QTest::newRow("repeater at 2.1.0") << "2.1.0" << "X" << 22;
    }

    void reportProgramsAnotherRadio()
    {
        QFETCH(QString, version);
        QFETCH(QString, mode);
        QFETCH(int, lineCount);
        FakeRadio::Config c = radioAt(version, mode);
        c.unit = "23456";
        c.own = "Pump Station 4";
        c.owm = "Call 555";
        c.pwr = "25";
        c.baud = "19200 7E1";
        c.port = "RS485";
        c.amask = "0F0F 00FF";
        c.asense = "LO";
        c.cts = "12";
        c.ctshold = "40";
        c.rxtot = "60";
        c.rxd = "3";
        c.sleep = "ON";
        c.lpmhold = "50";
        c.addr = "4321";
        c.csaddr = "77";
        c.hoptime = "7";
        c.skip = "2,4";
        c.lpm = "2";
        c.repeat = "5";
        c.retry = "6";
        c.fec = "OFF";
        c.buff = "ON";
        c.saf = "ON";
        c.xaddr = "9";
        c.xmap = "0000FF00";
        c.xrssi = "-75";
        c.xpri = "4";
        c.dtype = "ROOT";
        c.dlink = "38400";
        c.dlinkOn = true;
        Bench source(c);
        const QStringList lines = reportLines(source);
        QCOMPARE(lines.size(), lineCount);

        // Every line the report holds goes back to a radio as a command it accepts.
        Bench target(radioAt(version, QStringLiteral("M")));
        for (const QString &line : lines)
            QCOMPARE(target.ask(line), QString::fromLatin1(answer(line, QStringLiteral("PROGRAMMED OK"))));
        QCOMPARE(reportLines(target), lines);
    }

    void unknownLines_data()
    {
        QTest::addColumn<QString>("sent");
        QTest::newRow("restore file header: created by")
            << "Created by Karvel Wavecrest Configuration Software Version 3.0.1";
        QTest::newRow("restore file header: date") << "On 01/02/2024";
        QTest::newRow("restore file header: serial number") << "From Radio, serial number: SN 00123456";
        QTest::newRow("restore file header: firmware") << "With Firmware Version: ";
        QTest::newRow("part number line") << "17-2851A01";
        QTest::newRow("version line") << "1.2.0  01Jan2024";
        QTest::newRow("n/a from the restore window") << "n/a";
        QTest::newRow("word of an older radio") << "xmin";
        QTest::newRow("setting word with a stray letter") << "unitx 5";
        QTest::newRow("nonsense") << "%$#@!";
    }

    void unknownLines()
    {
        QFETCH(QString, sent);
        Bench b(radioAt(QStringLiteral("3.2.0")));
        const QString heard = b.ask(sent);
        QVERIFY2(heard.startsWith(sent + "\r\n") && heard.endsWith("\r\n>"), qPrintable(heard));
        const QString line = heard.mid(sent.size() + 2, heard.size() - sent.size() - 5);
        QVERIFY(!line.isEmpty());
        QVERIFY(!line.contains('\r') && !line.contains('\n'));
        // Nothing the program could take for an answer or copy into a file as a setting.
        const QStringList banned{"DENIED", "CLOSED", "n/a", "PROGRAMMED OK", ">", "SETUP", "MORE>", "SN",
                                 "UNIT", "OWN", "OWM", "MODE", "PWR", "BAUD", "PORT", "DEVICE", "MASK", "ALARM",
                                 "CTS", "RXTOT", "RXD", "SLEEP", "ADDR", "HOPTIME", "SKIP", "LPM", "REPEAT",
                                 "RETRY", "FEC", "BUFF", "SAF", "XMIN", "XMAX", "XMAP", "XPRI", "XRSSI",
                                 "DTYPE", "DLINK", "RTU", "SREV", "SER"};
        for (const QString &word : banned)
            QVERIFY2(!line.contains(word, Qt::CaseInsensitive), qPrintable(word));
    }

    void login_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("loggedIn");
        QTest::addColumn<QString>("sent");
        QTest::addColumn<QString>("reply");  // empty: no reply line
        QTest::addColumn<QString>("probe");  // the answer to writing the owner name back
        const QString ok = QStringLiteral("PROGRAMMED OK");
        const QString denied = QStringLiteral("ACCESS DENIED");
        QTest::newRow("right password logs in") << "1234" << false << "pass 1234" << "PASSWORD OK" << ok;
        QTest::newRow("wrong password") << "1234" << false << "pass 9999" << "PASSWORD INVALID" << denied;
        QTest::newRow("password compared case for case") << "AbCd" << false << "pass abcd" << "PASSWORD INVALID"
                                                         << denied;
        QTest::newRow("PASS NONE logs out") << "1234" << true << "PASS NONE" << "" << denied;
        QTest::newRow("pass none in lower case logs out") << "1234" << true << "pass none" << "" << denied;
        QTest::newRow("a radio without a password takes writes") << "" << false << "unit" << "UNIT 12345" << ok;
        QTest::newRow("new password refused when logged out") << "1234" << false << "k7m2 abcd" << denied << denied;
        QTest::newRow("new password set when logged in") << "1234" << true << "k7m2 abcd" << ok << ok;
        QTest::newRow("encryption code accepted") << "1234" << true << "code 12" << ok << ok;
        QTest::newRow("encryption code out of range") << "1234" << true << "code 300" << "INVALID ENTRY" << ok;
        QTest::newRow("no encryption code") << "1234" << true << "code none" << ok << ok;
        QTest::newRow("encryption code refused when logged out") << "1234" << false << "code 12" << denied << denied;
        QTest::newRow("setup mode refused when logged out") << "1234" << false << "setup" << denied << denied;
    }

    void login()
    {
        QFETCH(QString, password);
        QFETCH(bool, loggedIn);
        QFETCH(QString, sent);
        QFETCH(QString, reply);
        QFETCH(QString, probe);
        FakeRadio::Config c;
        c.password = password;
        c.loggedIn = loggedIn;
        Bench b(c);
        const QString expected = reply.isEmpty() ? sent + QStringLiteral("\r\n>") : QString::fromLatin1(answer(sent, reply));
        QCOMPARE(b.ask(sent), expected);
        // The write-access probe: the owner name written back inside the echo-off bracket.
        b.send("deco\r");
        QCOMPARE(b.ask(QStringLiteral("own WAVECREST SS")), QStringLiteral("\r\n") + probe + QStringLiteral("\r\n>"));
    }

    void closedOnDemandArrivesAsReceiveEvent()
    {
        Bench b;
        QSignalSpy events(&b.port, &CommControl::onComm);
        b.radio.sendClosed();
        QCOMPARE(events.count(), 0);
        QVERIFY(Clock::waitFor([&] { return events.count() > 0; }, 1000));
        QCOMPARE(b.port.commEvent(), CommEv::Receive);
        const QByteArray heard = b.port.input();
        QVERIFY(heard.contains("CLOSED"));
        QVERIFY(heard.endsWith('>'));
        QVERIFY(!b.radio.commandLineOpen());
    }

    void mockDeliversChunksThroughTheEventLoop()
    {
        MockCommControl port;
        port.setPortOpen(true);
        QSignalSpy events(&port, &CommControl::onComm);
        port.feed("ab");
        port.feed("c");
        QCOMPARE(events.count(), 0);
        QCOMPARE(port.inBufferCount(), 3);  // a direct read sees the bytes before any event
        Clock::pumpFor(20);
        QCOMPARE(events.count(), 1);
        QCOMPARE(port.commEvent(), CommEv::Receive);
        QCOMPARE(port.input(), QByteArray("abc"));
        QCOMPARE(port.inBufferCount(), 0);
    }

    void mockDirectReadLeavesNoEmptyEvent()
    {
        MockCommControl port;
        port.setPortOpen(true);
        QSignalSpy events(&port, &CommControl::onComm);
        port.feed(">");
        QCOMPARE(port.input(), QByteArray(">"));
        Clock::pumpFor(20);
        QCOMPARE(events.count(), 0);
    }

    void mockErrors_data()
    {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("error");
        QTest::newRow("output while closed") << 0 << CommErr::PortNotOpen;
        QTest::newRow("input while closed") << 1 << CommErr::PortNotOpen;
        QTest::newRow("opening an open port") << 2 << CommErr::PortAlreadyOpen;
        QTest::newRow("opening a missing device") << 3 << CommErr::PortAlreadyOpen;
        QTest::newRow("changing the port number while open") << 4 << CommErr::PortAlreadyOpen;
    }

    void mockErrors()
    {
        QFETCH(int, action);
        QFETCH(int, error);
        MockCommControl port;
        int raised = 0;
        try {
            switch (action) {
            case 0: port.output(QByteArray("x")); break;
            case 1: port.input(); break;
            case 2: port.setPortOpen(true); port.setPortOpen(true); break;
            case 3: port.setOpenFails(true); port.setPortOpen(true); break;
            case 4: port.setPortOpen(true); port.setCommPort(2); break;
            }
        } catch (const CommError &e) {
            raised = e.number();
            QVERIFY(!e.text().isEmpty());
        }
        QCOMPARE(raised, error);
    }

    void mockStalledWriteWaitsInTheBuffer()
    {
        Bench b;
        b.port.setWriteStalled(true);
        b.port.output(QByteArray("unit\r"));
        QCOMPARE(b.port.outBufferCount(), 5);
        QVERIFY(b.radio.lines().isEmpty());
        QCOMPARE(b.port.inBufferCount(), 0);
        b.port.setWriteStalled(false);
        QCOMPARE(b.port.outBufferCount(), 0);
        QCOMPARE(b.port.input(), answer("unit", "UNIT 12345"));
        QCOMPARE(b.port.written(), QByteArray("unit\r"));
    }

    void mockErrorEventAndLostDevice()
    {
        MockCommControl port;
        port.setPortOpen(true);
        QList<int> seen;
        connect(&port, &CommControl::onComm, this, [&] { seen << port.commEvent(); });
        port.raiseError(CommEv::Frame);
        Clock::pumpFor(20);
        QCOMPARE(seen, QList<int>{CommEv::Frame});

        port.feed("late");
        port.loseDevice();
        QVERIFY(!port.portOpen());
        Clock::pumpFor(50);
        QCOMPARE(seen, (QList<int>{CommEv::Frame, CommEv::DeviceLost}));
        QVERIFY_THROWS_EXCEPTION(CommError, port.output(QByteArray("x")));
        port.setPortOpen(true);
        QCOMPARE(port.inBufferCount(), 0);  // what came before the loss is gone
    }

    void mockLoopback()
    {
        MockCommControl port;
        port.setPortOpen(true);
        port.setLoopback(true);
        port.output(QByteArray("ATZ\r"));
        QCOMPARE(port.input(), QByteArray("ATZ\r"));
        QCOMPARE(port.takeWritten(), QByteArray("ATZ\r"));
        QCOMPARE(port.written(), QByteArray());
    }

    void answersOverAPseudoTerminal()
    {
        PtyPort pty;
        if (!pty.open())
            QSKIP("This machine gives no pseudo-terminal.");
        FakeRadio radio;
        radio.attach(&pty);
        qputenv("WAVECREST_COM1", pty.slavePath().toLocal8Bit());
        SerialCommControl port;
        port.setCommPort(1);
        port.setSettings(QStringLiteral("19200,N,8,1"));
        port.setPortOpen(true);
        QByteArray heard;
        connect(&port, &CommControl::onComm, this, [&] {
            if (port.commEvent() == CommEv::Receive)
                heard += port.input();
        });
        port.output(QByteArray("\rOPEN\r\r"));
        QVERIFY(Clock::waitFor([&] { return heard.endsWith("\r\n>\r\n>"); }, 2000));
        QCOMPARE(heard, QByteArray("\r\n>OPEN\r\n>\r\n>"));
        QCOMPARE(radio.lines(), (QStringList{"", "OPEN", ""}));
        port.setPortOpen(false);
        qunsetenv("WAVECREST_COM1");
    }

    void programOnItsLinkUntilTerminated()
    {
        const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/fakeradio");
        if (!QFileInfo(program).isExecutable())
            QSKIP("The fakeradio program is not built beside the tests.");
        QTemporaryDir dir;
        const QString link = dir.filePath(QStringLiteral("radio"));
        QProcess process;
        process.start(program, {QStringLiteral("--link"), link, QStringLiteral("--mode"), QStringLiteral("R")});
        QVERIFY(process.waitForStarted());
        QVERIFY(process.waitForReadyRead(5000));
        const QString device = QString::fromLocal8Bit(process.readLine()).trimmed();
        QVERIFY(device.startsWith(QLatin1String("/dev/")));
        QCOMPARE(QFileInfo(link).symLinkTarget(), device);

        qputenv("WAVECREST_COM1", link.toLocal8Bit());
        SerialCommControl port;
        port.setSettings(QStringLiteral("19200,N,8,1"));
        port.setPortOpen(true);
        QByteArray heard;
        connect(&port, &CommControl::onComm, this, [&] { heard += port.input(); });
        port.output(QByteArray("mode\r"));
        QVERIFY(Clock::waitFor([&] { return heard.endsWith('>'); }, 2000));
        QCOMPARE(heard, answer("mode", "MODE R"));
        port.setPortOpen(false);
        qunsetenv("WAVECREST_COM1");

        ::kill(pid_t(process.processId()), SIGTERM);
        QVERIFY(process.waitForFinished(5000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    }
};

QTEST_GUILESS_MAIN(TestFakeRadio)
#include "tst_fakeradio.moc"
