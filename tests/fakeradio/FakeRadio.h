// The simulated Wavecrest SS radio: its command line, whatever carries the bytes. receive() takes
// what the program sent; transmit() carries the radio's echo, replies and prompts. attach() puts it
// on an in-memory serial control or on a pseudo-terminal. On a pseudo-terminal it is strict, as a
// real UART is: it hears the program's bytes at the line speed the program set and loses those
// still on the line when the program changes the line's settings or closes the port. So a test
// that looks at what the radio heard waits for the line first (RadioRig::settle()).
#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class MockCommControl;
class PtyPort;

class FakeRadio : public QObject
{
    Q_OBJECT
public:
    // What runs: the application (">"), its bench-test mode ("SETUP>") or only the loader.
    enum class Stage { Normal, Setup, Loader };
    // A rise per poll that differs from zone to zone, so the bars tell the zones apart.
    static std::array<std::array<int, 3>, 8> defaultZoneRise();

    // The radio's state. Tests set it before or between exchanges; the radio changes it as
    // commands arrive. Setting fields hold the value without the reply's label.
    struct Config
    {
        // srev: line 1 is the part number (10 characters), line 2 the version and its date.
        QString partNumber = QStringLiteral("17-2851A01");
        QString version = QStringLiteral("3.2.0");
        QString releaseDate = QStringLiteral("01Jan2024");
        QString srevReply;  // when not empty, the whole srev answer (lines joined by CR LF)
        QString serialNumber = QStringLiteral("00123456");

        Stage stage = Stage::Normal;
        int silentBursts = 0;  // wake-up bursts that go unanswered first; -1: never answers
        QString hangsAt;       // a command (any case) after which the radio answers nothing more
        QStringList bareQueries;  // queries (lower case) answered with the echo and prompt, no reply line
        bool loggedIn = false;
        QString password = QStringLiteral("1234");  // empty: no password, writes always allowed
        QString encryptionCode = QStringLiteral("NONE");

        QString unit = QStringLiteral("12345");
        QString own = QStringLiteral("WAVECREST SS");
        QString owm = QStringLiteral("KARVEL");
        QString temp = QStringLiteral("TEMP 25C");  // whole reply line
        QString alrm = QStringLiteral("NO ALARMS"); // whole reply line
        QString mode = QStringLiteral("M");
        QString pwr = QStringLiteral("30");
        QString baud = QStringLiteral("9600 8N1");
        QString port = QStringLiteral("RS232");
        QString device = QStringLiteral("CTS KEY");
        QString amask = QStringLiteral("FFFF FFFF");
        QString asense = QStringLiteral("HI");
        QString cts = QStringLiteral("0");
        QString ctshold = QStringLiteral("0");
        QString rxtot = QStringLiteral("NONE");
        QString rxd = QStringLiteral("0");
        QString sleep = QStringLiteral("OFF");
        QString lpmhold = QStringLiteral("0");
        QString addr = QStringLiteral("1000");
        QString csaddr = QStringLiteral("NONE");
        QString hoptime = QStringLiteral("28");
        QString skip = QStringLiteral("NONE");
        QString lpm = QStringLiteral("0");
        QString repeat = QStringLiteral("3");
        QString retry = QStringLiteral("3");
        QString fec = QStringLiteral("ON");
        QString buff = QStringLiteral("OFF");
        QString saf = QStringLiteral("OFF");
        QString xaddr = QStringLiteral("0");
        QString xmin = QStringLiteral("0");
        QString xmax = QStringLiteral("31");
        QString xpri = QStringLiteral("NONE");
        QString xrssi = QStringLiteral("-90");
        QString xmap = QStringLiteral("00000001");
        QString showSync = QStringLiteral("DEPTH 1 UNIT 10001 XADDR 0");  // a master shows NOT AVAILABLE
        QString dtype = QStringLiteral("NODE");
        QString dlink = QStringLiteral("19200");
        bool dlinkOn = false;
        QString rtu = QStringLiteral("0");
        bool rtuOn = false;
        // "stat": the status report, a page per entry; every page but the last ends in "MORE>",
        // and a bare CR there shows the next one.
        QStringList statPages = {QStringLiteral("UNIT 12345  MODE M  TEMP 25C\r\nSYNC OK  DEPTH 0"),
                                 QStringLiteral("MAJOR ALARM 0000 0000\r\nMINOR ALARM 0000 0000"),
                                 QStringLiteral("TX TOTAL 1024  RX TOTAL 998  RX ERROR 3")};
        // Firmware upgrade: whether the application asks "ARE YOU SURE?" after "PROGRAM", the
        // loader's answer to "ERASE", and how long the loader checks a received image before
        // its verdict (nominal ms).
        bool confirmsProgram = true;
        QString eraseReply = QStringLiteral("FLASH ERASED");
        int verdictDelayMs = 0;
        // The prompt the woken loader shows (a loader that comes up wrong shows another).
        QString loaderPrompt = QStringLiteral("LOADER>");
        // A loader that holds the line for holdSeconds (nominal) once holdAfterBytes of the image
        // have come (0: never), and one that answers every good record with recordReply.
        int holdAfterBytes = 0;
        double holdSeconds = 0;
        QString recordReply;
        // Bench-test (setup) mode: the test frequencies as the reply shows them (7 characters,
        // MHz) and whether the transmitter is keyed (FakeRadioSetup.cpp).
        QString rxFrequency = QStringLiteral("915.000");
        QString txFrequency = QStringLiteral("920.000");
        bool keyed = false;
        // Diagnostics (FakeRadioDiagnostics.cpp): the levels "rssi" reports in turn and how often,
        // and per zone the TX total, RX total and RX error counts with what each "ZONE DATA" adds.
        QList<int> rssiLevels = {-85, -87, -84};
        int rssiIntervalMs = 250;
        std::array<std::array<int, 3>, 8> zoneCounts{};
        std::array<std::array<int, 3>, 8> zoneRise = defaultZoneRise();
    };

    // What the loader made of the last image it was sent (FakeRadioLoader.cpp).
    struct LoaderLog
    {
        QByteArray image;         // every byte after the loader's "PROGRAM", up to the verdict
        int goodRecords = 0;
        int firstBadLine = 0;     // 0: every record was good
        QString verdict;          // "PROGRAMMED OK", or why not
        int baud = 0;             // the line speed the program had set when the image began
        double firstByteAt = -1;  // nominal seconds of the image's first and last byte
        double lastByteAt = -1;
        // The loader was still finishing the image when a byte other than a line end came, and
        // dropped it (a command sent then loses its first letter).
        bool strayDropped = false;
    };

    explicit FakeRadio(QObject *parent = nullptr);
    explicit FakeRadio(const Config &config, QObject *parent = nullptr);
    ~FakeRadio() override;

    Config &config() { return m_config; }
    const Config &config() const { return m_config; }

    // Firmware revision as the program reads it ("3.2.0" is 320); a version that is not of that
    // form counts as the newest.
    int revision() const;
    QString prompt() const;
    bool echoOn() const { return m_echo; }
    bool awake() const;
    int burstsHeard() const { return m_bursts; }
    bool commandLineOpen() const { return m_lineOpen; }

    // Every complete line received (without its CR, a bare CR as ""), and every byte received.
    QStringList lines() const { return m_lines; }
    QByteArray received() const { return m_received; }
    void clearLog();

    // Bytes from the program; the answer goes out through transmit() before this returns.
    void receive(const QByteArray &bytes);

    // Unsolicited: the radio reports that it closed its command line.
    void sendClosed();

    void attach(MockCommControl *port);
    void attach(PtyPort *pty);
    void detach();
    // On a pseudo-terminal: the line keeps its time (PtyPort::setLineTiming). On by default; a
    // test that turns it off says why it needs instant delivery.
    void setStrictLine(bool on);

    // Reads from the pseudo-terminal no faster than the line delivers, so the program's output
    // backs up as it would on a real line: the strict line.
    void setPacedReading(bool on);
    // Answers in pieces of at most pieceBytes, gapMs (nominal) apart, as a radio behind a slow
    // adapter does: an answer can still be coming after the program's fixed pauses. pieceBytes 0
    // sends each answer whole at once. The pieces' timer stays on the thread that made the radio.
    void setPacedReply(int pieceBytes, int gapMs);
    const LoaderLog &loaderLog() const;

signals:
    void transmit(const QByteArray &bytes);

private:
    using Handler = std::function<std::optional<QString>(const QString &rest)>;

    void registerCommands();
    void handleLine(const QString &line, QByteArray &out);
    std::optional<QString> execute(const QString &line);
    std::optional<QString> setting(const QString &keyword, const QString &rest, bool hasRest);
    bool mayWrite() const;

    Config m_config;
    bool m_echo = true;
    bool m_lineOpen = false;
    bool m_strictLine = true;
    int m_bursts = 0;
    QByteArray m_partial;
    QStringList m_lines;
    QByteArray m_received;
    QHash<QString, Handler> m_commands;
    QHash<QString, Handler> m_loaderCommands;
    QList<QMetaObject::Connection> m_links;
    int m_nextStatPage = -1;  // the status page a bare CR shows next; -1: not paging
    std::optional<QString> nextStatPage();

    // The application's upgrade command and the loader (FakeRadioLoader.cpp).
    struct Firmware;
    std::shared_ptr<Firmware> m_firmware;
    PtyPort *m_pty = nullptr;
    void registerFirmwareCommands();
    void registerSetupCommands();
    // Signal-strength reports and zone counters (FakeRadioDiagnostics.cpp).
    struct Diagnostics;
    std::shared_ptr<Diagnostics> m_diagnostics;
    void registerDiagnosticCommands();
    void stopRssiStream();
    bool rssiStreaming() const;
    bool imageReceiving() const;
    // Takes image bytes from bytes[from] on; returns where the command line goes on.
    qsizetype receiveImage(const QByteArray &bytes, qsizetype from, QByteArray &out);
    // A byte the loader loses while it finishes an image it has just taken.
    bool loaderDropsByte(char c);
    // What is on its way to the program (setPacedReply), and where it goes.
    struct Pacing;
    std::shared_ptr<Pacing> m_pacing;
    void deliver(const QByteArray &bytes, std::function<void(const QByteArray &)> sink);
    void sendPiece();
};
