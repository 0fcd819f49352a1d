#include "fakeradio/FakeRadio.h"
#include "support/MockCommControl.h"
#include "support/PtyPort.h"

#include "platform/Clock.h"

#include <QLoggingCategory>
#include <QRegularExpression>
#include <QTimer>
#include <algorithm>
#include <limits>
#include <set>

Q_LOGGING_CATEGORY(lcFakeRadio, "wavecrest.fakeradio", QtWarningMsg)

namespace {

using Config = FakeRadio::Config;
using Stage = FakeRadio::Stage;

constexpr char Esc = 27;
constexpr char Backspace = 8;
constexpr char Delete = 127;

// The program would copy a line holding a setting word, "DENIED", "n/a" or a prompt into its
// files or take it for an answer, so the error line holds none of them.
const QString Unrecognised = QStringLiteral("UNRECOGNISED COMMAND");
const QString ProgrammedOk = QStringLiteral("PROGRAMMED OK");
const QString AccessDenied = QStringLiteral("ACCESS DENIED");
const QString InvalidEntry = QStringLiteral("INVALID ENTRY");

// Turns a value as typed into the form the radio stores, or refuses it.
using Check = std::function<std::optional<QString>(const QString &value, const Config &config, int revision)>;

struct Row
{
    QString keyword;
    QString label;                    // in front of the value in the reply line
    QString Config::*field = nullptr; // null: the reply function says everything
    int from = 0;                     // exists from this revision on
    int below = 0;                    // exists only below this revision (0: no limit)
    Check check;                      // null: the setting can only be read
    std::function<QString(const Config &)> reply;      // null: label + value
    std::function<void(Config &, const QString &)> apply; // null: store the checked value
    bool emptyAllowed = false;        // "own " alone sets the empty text
};

bool isMaster(const Config &c)
{
    return c.mode.compare(QLatin1String("M"), Qt::CaseInsensitive) == 0;
}

Check number(int lo, int hi, bool noneAllowed = false)
{
    return [=](const QString &v, const Config &, int) -> std::optional<QString> {
        if (noneAllowed && v.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("NONE");
        bool ok = false;
        const int n = v.toInt(&ok);
        if (!ok || n < lo || n > hi)
            return std::nullopt;
        return QString::number(n);
    };
}

Check oneOf(const QStringList &words)
{
    return [=](const QString &v, const Config &, int) -> std::optional<QString> {
        const QString up = v.toUpper();
        if (!words.contains(up))
            return std::nullopt;
        return up;
    };
}

const Check onOff = oneOf({QStringLiteral("ON"), QStringLiteral("OFF")});

Check text(int maxLength)
{
    return [=](const QString &v, const Config &, int) -> std::optional<QString> { return v.left(maxLength); };
}

// Eight hex digits, blanks anywhere ("FFFF FFFF", "0000FFFF").
Check hex8(bool grouped)
{
    return [=](const QString &v, const Config &, int) -> std::optional<QString> {
        QString digits = v;
        digits.remove(QLatin1Char(' '));
        digits = digits.toUpper();
        static const QRegularExpression hex(QStringLiteral("^[0-9A-F]{8}$"));
        if (!hex.match(digits).hasMatch())
            return std::nullopt;
        return grouped ? digits.left(4) + QLatin1Char(' ') + digits.mid(4) : digits;
    };
}

const QList<int> &rates()
{
    static const QList<int> r{300, 600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200};
    return r;
}

// "9600" keeps the character format the radio has; "9600 8N1" sets both.
std::optional<QString> checkBaud(const QString &v, const Config &c, int)
{
    const QStringList parts = v.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.isEmpty() || parts.size() > 2 || !rates().contains(parts[0].toInt()))
        return std::nullopt;
    QString format = c.baud.section(QLatin1Char(' '), 1, 1);
    if (parts.size() == 2) {
        static const QRegularExpression shape(QStringLiteral("^[78][NEO][12]$"));
        format = parts[1].toUpper();
        if (!shape.match(format).hasMatch())
            return std::nullopt;
    }
    return format.isEmpty() ? parts[0] : parts[0] + QLatin1Char(' ') + format;
}

std::optional<QString> checkPower(const QString &v, const Config &, int)
{
    QString n = v;
    if (n.endsWith(QLatin1String("dBm"), Qt::CaseInsensitive))
        n.chop(3);
    bool ok = false;
    const int dbm = n.trimmed().toInt(&ok);
    if (!ok || dbm < 20 || dbm > 30)
        return std::nullopt;
    return QString::number(dbm);
}

// Zones 1-8, any order and repeats; the radio lists them ascending.
std::optional<QString> checkSkip(const QString &v, const Config &, int)
{
    if (v.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("NONE");
    std::set<int> zones;
    for (const QString &part : v.split(QLatin1Char(','))) {
        bool ok = false;
        const int z = part.trimmed().toInt(&ok);
        if (!ok || z < 1 || z > 8)
            return std::nullopt;
        zones.insert(z);
    }
    QStringList out;
    for (int z : zones)
        out << QString::number(z);
    return out.join(QLatin1Char(','));
}

// A tolerance in dBm, always negative; "60" is taken as -60.
std::optional<QString> checkXrssi(const QString &v, const Config &, int)
{
    QString n = v;
    if (n.startsWith(QLatin1Char('-')))
        n.remove(0, 1);
    bool ok = false;
    const int level = n.toInt(&ok);
    if (!ok || level < 0 || level > 130)
        return std::nullopt;
    return QStringLiteral("-%1").arg(level);
}

std::optional<QString> checkXaddr(const QString &v, const Config &c, int revision)
{
    return number(0, revision < 200 ? 63 : 31)(v, c, revision);
}

std::optional<QString> checkSense(const QString &v, const Config &c, int revision)
{
    QString s = v;
    if (s.startsWith(QLatin1Char(':')))
        s = s.mid(1).trimmed();
    return oneOf({QStringLiteral("HI"), QStringLiteral("LO")})(s, c, revision);
}

QString onOffSuffix(bool on)
{
    return on ? QStringLiteral(" (ON)") : QStringLiteral(" (OFF)");
}

// DLINK and RTU: a value and an on/off state, set by separate commands and shown as "19200 (ON)".
Row withState(const char *keyword, QString Config::*value, bool Config::*on, const Check &valueCheck)
{
    Row row{keyword, QString::fromLatin1(keyword).toUpper() + QLatin1Char(' '), value, 200, 0,
            [valueCheck](const QString &v, const Config &c, int rev) -> std::optional<QString> {
                if (auto state = onOff(v, c, rev))
                    return state;
                return valueCheck(v, c, rev);
            }};
    row.reply = [value, on, label = row.label](const Config &c) { return label + c.*value + onOffSuffix(c.*on); };
    row.apply = [value, on](Config &c, const QString &v) {
        if (v == QLatin1String("ON") || v == QLatin1String("OFF"))
            c.*on = v == QLatin1String("ON");
        else
            c.*value = v;
    };
    return row;
}

// The settings the radio knows, one row each: the query word, the reply, the gate and the check
// of a new value. A new setting is one more row.
const QList<Row> &settingRows()
{
    static const QList<Row> rows = [] {
        QList<Row> r;
        r << Row{"ser", {}, nullptr, 0, 0, nullptr,
                 [](const Config &c) { return QStringLiteral("SN ") + c.serialNumber; }};
        r << Row{"unit", "UNIT ", &Config::unit, 0, 0, number(10000, 65000)};
        r << Row{"srev", {}, nullptr, 0, 0, nullptr, [](const Config &c) {
                     if (!c.srevReply.isEmpty())
                         return c.srevReply;
                     return c.partNumber + QStringLiteral("\r\n") + c.version + QStringLiteral("  ") + c.releaseDate;
                 }};
        Row own{"own", {}, &Config::own, 0, 0, text(30)};
        own.emptyAllowed = true;
        Row owm = own;
        owm.keyword = QStringLiteral("owm");
        owm.field = &Config::owm;
        r << own << owm;
        r << Row{"temp", {}, &Config::temp};
        r << Row{"alrm", {}, &Config::alrm};
        r << Row{"mode", "MODE ", &Config::mode, 0, 0, oneOf({"M", "R", "X"})};
        r << Row{"pwr", {}, &Config::pwr, 0, 0, checkPower,
                 [](const Config &c) { return QStringLiteral("PWR %1 dBm").arg(c.pwr); }};
        r << Row{"baud", "BAUD ", &Config::baud, 0, 0, checkBaud};
        r << Row{"port", "PORT ", &Config::port, 0, 0, oneOf({"RS232", "RS485"})};
        r << Row{"device", "DEVICE ", &Config::device, 0, 0, oneOf({"DCE", "CTS KEY"})};
        r << Row{"amask", "MASK: ", &Config::amask, 0, 0, hex8(true)};
        r << Row{"asense", "ALARM ACTIVE ", &Config::asense, 0, 0, checkSense};
        r << Row{"cts", "CTS ", &Config::cts, 0, 0, number(0, 255)};
        r << Row{"ctshold", "CTSHOLD ", &Config::ctshold, 0, 0, number(0, 6000), [](const Config &c) {
                     // A DCE device has no CTS line to hold.
                     return QStringLiteral("CTSHOLD ")
                         + (c.device.compare(QLatin1String("DCE"), Qt::CaseInsensitive) == 0 ? QStringLiteral("n/a")
                                                                                                : c.ctshold);
                 }};
        r << Row{"rxtot", "RXTOT ", &Config::rxtot, 0, 0, number(1, 1440, true)};
        r << Row{"rxd", "RXD ", &Config::rxd, 300, 0, number(0, 255)};
        r << Row{"sleep", "SLEEP ", &Config::sleep, 0, 0, onOff, [](const Config &c) {
                     // A master never sleeps.
                     return QStringLiteral("SLEEP ") + (isMaster(c) ? QStringLiteral("n/a") : c.sleep);
                 }};
        r << Row{"lpmhold", "LPMHOLD ", &Config::lpmhold, 320, 0, number(0, 1000)};
        r << Row{"addr", "ADDR ", &Config::addr, 0, 0, number(1, 65000, true)};
        r << Row{"csaddr", "CSADDR ", &Config::csaddr, 300, 0, number(1, 65000, true), [](const Config &c) {
                     return QStringLiteral("CSADDR ") + (isMaster(c) ? c.csaddr : QStringLiteral("n/a"));
                 }};
        r << Row{"hoptime", "HOPTIME ", &Config::hoptime, 0, 0, oneOf({"7", "28"})};
        r << Row{"skip", "SKIP ", &Config::skip, 0, 0, checkSkip};
        r << Row{"lpm", "LPM ", &Config::lpm, 320, 0, number(0, 7)};
        r << Row{"repeat", "REPEAT ", &Config::repeat, 0, 0, number(0, 10), [](const Config &c) {
                     // Only the master uses the count; elsewhere it can be set but not shown.
                     return QStringLiteral("REPEAT ") + (isMaster(c) ? c.repeat : QStringLiteral("PROGRAMMABLE ONLY"));
                 }};
        r << Row{"retry", "RETRY ", &Config::retry, 0, 0, number(0, 10)};
        r << Row{"fec", "FEC ", &Config::fec, 0, 0, onOff};
        r << Row{"buff", "BUFF ", &Config::buff, 0, 0, onOff};
        r << Row{"saf", "SAF ", &Config::saf, 0, 0, onOff};
        r << Row{"xaddr", "XADDR ", &Config::xaddr, 0, 0, checkXaddr};
        r << Row{"xmin", "XMIN ", &Config::xmin, 0, 200, number(0, 63)};
        r << Row{"xmax", "XMAX ", &Config::xmax, 0, 200, number(0, 63)};
        r << Row{"xpri", "XPRI ", &Config::xpri, 200, 0, number(0, 31, true)};
        r << Row{"xrssi", "XRSSI ", &Config::xrssi, 200, 0, checkXrssi};
        r << Row{"xmap", "XMAP ", &Config::xmap, 200, 0, hex8(false)};
        r << Row{"show sync", {}, nullptr, 0, 0, nullptr, [](const Config &c) {
                     return isMaster(c) ? QStringLiteral("NOT AVAILABLE") : c.showSync;
                 }};
        r << Row{"dtype", "DTYPE ", &Config::dtype, 200, 0, oneOf({"NODE", "ROOT"})};
        r << withState("dlink", &Config::dlink, &Config::dlinkOn,
                       [](const QString &v, const Config &, int) -> std::optional<QString> {
                           const int rate = v.toInt();
                           if (rate < 1200 || !rates().contains(rate))
                               return std::nullopt;
                           return QString::number(rate);
                       });
        r << withState("rtu", &Config::rtu, &Config::rtuOn, number(0, 80));
        return r;
    }();
    return rows;
}

const Row *findRow(const QString &keyword, int revision)
{
    for (const Row &row : settingRows()) {
        if (row.keyword != keyword)
            continue;
        if (revision < row.from || (row.below > 0 && revision >= row.below))
            return nullptr;
        return &row;
    }
    return nullptr;
}

} // namespace

FakeRadio::FakeRadio(QObject *parent) : FakeRadio(Config{}, parent) {}

struct FakeRadio::Pacing
{
    int pieceBytes = 0;
    int gapMs = 0;
    QByteArray queue;
    QTimer timer;
    qint64 lastPieceMs = std::numeric_limits<qint64>::min() / 2;
    std::function<void(const QByteArray &)> sink;
};

FakeRadio::FakeRadio(const Config &config, QObject *parent)
    : QObject(parent), m_config(config), m_pacing(std::make_shared<Pacing>())
{
    m_pacing->timer.setSingleShot(true);
    m_pacing->timer.setTimerType(Qt::PreciseTimer);
    connect(&m_pacing->timer, &QTimer::timeout, this, &FakeRadio::sendPiece);
    registerCommands();
    registerFirmwareCommands();
    registerDiagnosticCommands();
    registerSetupCommands();
}

FakeRadio::~FakeRadio() = default;

int FakeRadio::revision() const
{
    const QString &v = m_config.version;
    if (v.size() >= 5 && v[0].isDigit() && v[2].isDigit() && v[4].isDigit())
        return QString(v[0]).append(v[2]).append(v[4]).toInt();
    return 999;
}

QString FakeRadio::prompt() const
{
    switch (m_config.stage) {
    case Stage::Setup: return QStringLiteral("SETUP>");
    case Stage::Loader: return imageReceiving() ? QString() : m_config.loaderPrompt;
    case Stage::Normal: break;
    }
    if (m_nextStatPage >= 0)
        return QStringLiteral("MORE>");
    return QStringLiteral(">");
}

bool FakeRadio::awake() const
{
    if (m_config.silentBursts < 0)
        return false;
    return m_bursts > m_config.silentBursts || m_config.silentBursts == 0;
}

bool FakeRadio::mayWrite() const
{
    return m_config.loggedIn || m_config.password.isEmpty();
}

void FakeRadio::clearLog()
{
    m_lines.clear();
    m_received.clear();
}

void FakeRadio::registerCommands()
{
    const Handler none = [](const QString &) -> std::optional<QString> { return std::nullopt; };
    // Commands that only switch a flag and answer with no reply line.
    const auto sets = [](bool &flag, bool value) {
        return Handler([&flag, value](const QString &) -> std::optional<QString> {
            flag = value;
            return std::nullopt;
        });
    };

    m_loaderCommands.insert(QStringLiteral("open"), sets(m_lineOpen, true));
    m_loaderCommands.insert(QStringLiteral("clos"), sets(m_lineOpen, false));
    m_loaderCommands.insert(QStringLiteral("quit"), none);

    m_commands.insert(QStringLiteral("open"), sets(m_lineOpen, true));
    m_commands.insert(QStringLiteral("clos"), sets(m_lineOpen, false));
    m_commands.insert(QStringLiteral("deco"), sets(m_echo, false));
    m_commands.insert(QStringLiteral("eeco"), sets(m_echo, true));
    m_commands.insert(QStringLiteral("quit"), [this](const QString &) -> std::optional<QString> {
        if (m_config.stage == Stage::Setup)
            m_config.stage = Stage::Normal;
        return std::nullopt;
    });
    m_commands.insert(QStringLiteral("setup"), [this](const QString &) -> std::optional<QString> {
        if (!mayWrite())
            return AccessDenied;
        m_config.stage = Stage::Setup;
        return std::nullopt;
    });
    m_commands.insert(QStringLiteral("pass"), [this](const QString &rest) -> std::optional<QString> {
        if (rest.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0) {
            m_config.loggedIn = false;
            return std::nullopt;
        }
        if (rest.isEmpty() || (!m_config.password.isEmpty() && rest != m_config.password))
            return QStringLiteral("PASSWORD INVALID");
        m_config.loggedIn = true;
        return QStringLiteral("PASSWORD OK");
    });
    // Sets the password, or with nothing after it removes it.
    m_commands.insert(QStringLiteral("k7m2"), [this](const QString &rest) -> std::optional<QString> {
        if (!mayWrite())
            return AccessDenied;
        m_config.password = rest.left(4);
        m_config.loggedIn = true;
        return ProgrammedOk;
    });
    m_commands.insert(QStringLiteral("stat"), [this](const QString &) -> std::optional<QString> {
        m_nextStatPage = 0;
        return nextStatPage();
    });
    m_commands.insert(QStringLiteral("code"), [this](const QString &rest) -> std::optional<QString> {
        if (!mayWrite())
            return AccessDenied;
        if (rest.compare(QLatin1String("NONE"), Qt::CaseInsensitive) == 0) {
            m_config.encryptionCode = QStringLiteral("NONE");
            return ProgrammedOk;
        }
        bool ok = false;
        const int code = rest.toInt(&ok);
        if (!ok || code < 1 || code > 255)
            return InvalidEntry;
        m_config.encryptionCode = QString::number(code);
        return ProgrammedOk;
    });
}

std::optional<QString> FakeRadio::nextStatPage()
{
    const QStringList &pages = m_config.statPages;
    if (m_nextStatPage < 0 || m_nextStatPage >= pages.size()) {
        m_nextStatPage = -1;
        return std::nullopt;
    }
    const QString page = pages[m_nextStatPage++];
    if (m_nextStatPage >= pages.size())
        m_nextStatPage = -1;
    return page;
}

void FakeRadio::receive(const QByteArray &bytes)
{
    m_received += bytes;
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        // Once the loader is told to program, the image's bytes are its own.
        if (imageReceiving() && (i = receiveImage(bytes, i, out)) >= bytes.size())
            break;
        const char c = bytes[i];
        if (loaderDropsByte(c))
            continue;
        if (c == Esc) {
            // Starts a wake-up burst; also drops a partly typed line.
            ++m_bursts;
            m_partial.clear();
        } else if (c == '\n') {
            // Only ever part of a line end the program adds; answering it would stack prompts.
        } else if (c == '\r') {
            const QString line = QString::fromLatin1(m_partial);
            m_partial.clear();
            handleLine(line, out);
        } else if (c == Backspace || c == Delete) {
            if (!m_partial.isEmpty()) {
                m_partial.chop(1);
                if (awake() && m_echo)
                    out += "\b \b";
            }
        } else if (static_cast<unsigned char>(c) >= 0x20) {
            m_partial += c;
            if (awake() && m_echo)
                out += c;
        }
    }
    if (!out.isEmpty()) {
        qCDebug(lcFakeRadio) << "->" << out;
        emit transmit(out);
    }
}

void FakeRadio::handleLine(const QString &line, QByteArray &out)
{
    m_lines << line;
    stopRssiStream();   // any CR ends the signal-strength reports
    if (!m_config.hangsAt.isEmpty() && line.compare(m_config.hangsAt, Qt::CaseInsensitive) == 0)
        m_config.silentBursts = -1;
    qCDebug(lcFakeRadio) << "<-" << line << (awake() ? "" : "(asleep)");
    if (!awake())
        return;
    // The line end goes out even with the echo off: answers then start with CR LF.
    out += "\r\n";
    if (const std::optional<QString> reply = execute(line))
        out += reply->toLatin1() + "\r\n";
    if (!rssiStreaming())
        out += prompt().toLatin1();
}

std::optional<QString> FakeRadio::execute(const QString &line)
{
    // At "MORE>" a bare CR shows the next page; anything else leaves the report.
    if (m_nextStatPage >= 0) {
        if (line.isEmpty())
            return nextStatPage();
        m_nextStatPage = -1;
    }
    QString body = line;
    while (body.startsWith(QLatin1Char(' ')))
        body.remove(0, 1);
    if (body.trimmed().isEmpty())
        return std::nullopt;

    const int blank = body.indexOf(QLatin1Char(' '));
    QString word = (blank < 0 ? body : body.left(blank)).toLower();
    QString rest = blank < 0 ? QString() : body.mid(blank + 1).trimmed();
    bool hasRest = blank >= 0;

    const QHash<QString, Handler> &commands =
        m_config.stage == Stage::Loader ? m_loaderCommands : m_commands;
    if (const auto it = commands.constFind(word); it != commands.constEnd())
        return (*it)(rest);
    if (m_config.stage == Stage::Loader)
        return Unrecognised;

    // Two-word forms: the sync query, and the alarm sense as configuration files write it.
    if (word == QLatin1String("show") && rest.compare(QLatin1String("sync"), Qt::CaseInsensitive) == 0) {
        word = QStringLiteral("show sync");
        rest.clear();
        hasRest = false;
    } else if (word == QLatin1String("alarm") && rest.startsWith(QLatin1String("active"), Qt::CaseInsensitive)) {
        word = QStringLiteral("asense");
        rest = rest.mid(6).trimmed();
    }
    return setting(word, rest, hasRest);
}

std::optional<QString> FakeRadio::setting(const QString &keyword, const QString &rest, bool hasRest)
{
    const Row *row = findRow(keyword, revision());
    if (!row)
        return Unrecognised;

    const bool isWrite = row->emptyAllowed ? hasRest : !rest.isEmpty();
    if (!isWrite && m_config.bareQueries.contains(keyword))
        return std::nullopt;
    if (!isWrite) {
        if (row->reply)
            return row->reply(m_config);
        return row->label + m_config.*(row->field);
    }
    if (!row->check)
        return Unrecognised;
    if (!mayWrite())
        return AccessDenied;
    const QString typed = row->emptyAllowed ? rest : rest.simplified();
    const std::optional<QString> value = row->check(typed, m_config, revision());
    if (!value)
        return InvalidEntry;
    if (row->apply)
        row->apply(m_config, *value);
    else
        m_config.*(row->field) = *value;
    return ProgrammedOk;
}

void FakeRadio::sendClosed()
{
    m_lineOpen = false;
    const QByteArray out = "\r\nCLOSED\r\n" + prompt().toLatin1();
    qCDebug(lcFakeRadio) << "->" << out;
    emit transmit(out);
}

void FakeRadio::attach(MockCommControl *port)
{
    m_links << connect(port, &MockCommControl::dataWritten, this, &FakeRadio::receive);
    m_links << connect(this, &FakeRadio::transmit, port, [this, port](const QByteArray &b) {
        deliver(b, [port](const QByteArray &p) { port->feed(p); });
    });
}

void FakeRadio::attach(PtyPort *pty)
{
    m_links << connect(pty, &PtyPort::received, this, &FakeRadio::receive);
    m_links << connect(this, &FakeRadio::transmit, pty, [this, pty](const QByteArray &b) {
        deliver(b, [pty](const QByteArray &p) { pty->write(p); });
    });
    m_pty = pty;
    m_pty->setLineTiming(m_strictLine);
}

void FakeRadio::setStrictLine(bool on)
{
    m_strictLine = on;
    if (m_pty)
        m_pty->setLineTiming(on);
}

void FakeRadio::setPacedReply(int pieceBytes, int gapMs)
{
    m_pacing->pieceBytes = pieceBytes;
    m_pacing->gapMs = gapMs;
}

void FakeRadio::deliver(const QByteArray &bytes, std::function<void(const QByteArray &)> sink)
{
    Pacing &p = *m_pacing;
    if (p.pieceBytes <= 0 && p.queue.isEmpty()) {
        sink(bytes);
        return;
    }
    p.sink = std::move(sink);
    p.queue += bytes;
    if (p.timer.isActive())
        return;
    const qint64 wait = p.lastPieceMs + p.gapMs - Clock::nowMs();
    if (wait <= 0)
        sendPiece();
    else
        Clock::startTimer(p.timer, int(wait));
}

void FakeRadio::sendPiece()
{
    Pacing &p = *m_pacing;
    const QByteArray piece = p.pieceBytes > 0 ? p.queue.left(p.pieceBytes) : p.queue;
    p.queue.remove(0, piece.size());
    p.lastPieceMs = Clock::nowMs();
    if (p.sink && !piece.isEmpty())
        p.sink(piece);
    if (!p.queue.isEmpty())
        Clock::startTimer(p.timer, p.gapMs);
}

void FakeRadio::detach()
{
    for (const QMetaObject::Connection &c : std::as_const(m_links))
        disconnect(c);
    m_links.clear();
    m_pacing->timer.stop();
    m_pacing->queue.clear();
    m_pacing->sink = nullptr;
    if (m_pty)
        m_pty->setLineTiming(false);
    m_pty = nullptr;
}
