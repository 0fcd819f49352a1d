// The simulated radio's firmware side: the application's "PROGRAM" confirmation, the loader's
// commands and the S-record image it takes after "PROGRAM".
#include "fakeradio/FakeRadio.h"
#include "platform/Clock.h"
#include "support/PtyPort.h"

#include <QTimer>
#include <cctype>

namespace {

constexpr char Esc = 27;
const QString ProgrammedOk = QStringLiteral("PROGRAMMED OK");
// After the end record the loader writes the last of the image to flash; a byte that comes
// meanwhile is lost, as on a real loader.
constexpr double FinishingSeconds = 0.3;

// The loader's own record check: type, byte count and checksum.
bool goodRecord(const QByteArray &line)
{
    static const QByteArray types = "012356789";
    if (line.size() < 4 || (line[0] != 'S' && line[0] != 's') || !types.contains(line[1]))
        return false;
    const QByteArray hex = line.mid(2);
    for (const char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    if (hex.size() % 2 != 0)
        return false;
    const QByteArray bytes = QByteArray::fromHex(hex);
    if (static_cast<unsigned char>(bytes[0]) != bytes.size() - 1)
        return false;
    unsigned sum = 0;
    for (const char b : bytes)
        sum += static_cast<unsigned char>(b);
    return (sum & 0xFF) == 0xFF;
}

bool endRecord(const QByteArray &line)
{
    return line.size() >= 2 && (line[1] == '7' || line[1] == '8' || line[1] == '9');
}

} // namespace

struct FakeRadio::Firmware
{
    bool confirmPending = false;   // the application asked "ARE YOU SURE?"
    bool receiving = false;        // the loader takes an image
    bool imageGood = false;        // the flash holds a complete, good image
    QString imageVersion;
    QByteArray line;               // the image line being received
    int lineNo = 0;
    double finishingUntil = -1;    // nominal seconds; the one lost byte is still to come
    LoaderLog log;
};

void FakeRadio::registerFirmwareCommands()
{
    m_firmware = std::make_shared<Firmware>();
    Firmware &f = *m_firmware;
    const QString unrecognised = QStringLiteral("UNRECOGNISED COMMAND");

    m_commands.insert(QStringLiteral("program"), [this, &f, unrecognised](const QString &) -> std::optional<QString> {
        if (!m_config.confirmsProgram)
            return unrecognised;
        f.confirmPending = true;
        return QStringLiteral("ARE YOU SURE?");
    });
    // "YES" erases the application; what runs from then on is the loader.
    m_commands.insert(QStringLiteral("yes"), [this, &f, unrecognised](const QString &) -> std::optional<QString> {
        if (!f.confirmPending)
            return unrecognised;
        f.confirmPending = false;
        f.imageGood = false;
        m_config.stage = Stage::Loader;
        return QStringLiteral("ERASING APPLICATION");
    });
    m_commands.insert(QStringLiteral("no"), [&f, unrecognised](const QString &) -> std::optional<QString> {
        if (!f.confirmPending)
            return unrecognised;
        f.confirmPending = false;
        return QStringLiteral("PROGRAMMING CANCELLED");
    });

    m_loaderCommands.insert(QStringLiteral("erase"), [this, &f](const QString &) -> std::optional<QString> {
        f.imageGood = false;
        return m_config.eraseReply;
    });
    m_loaderCommands.insert(QStringLiteral("program"), [&f](const QString &) -> std::optional<QString> {
        f.receiving = true;
        f.imageGood = false;
        f.imageVersion.clear();
        f.line.clear();
        f.lineNo = 0;
        f.finishingUntil = -1;
        f.log = LoaderLog{};
        return QStringLiteral("SEND S-RECORDS");
    });
    // The application restarts with the version its image carries; without a good image the
    // loader stays.
    m_loaderCommands.insert(QStringLiteral("exit"), [this, &f](const QString &) -> std::optional<QString> {
        if (!f.imageGood)
            return QStringLiteral("NO VALID APPLICATION");
        m_config.stage = Stage::Normal;
        m_config.version = f.imageVersion;
        m_config.srevReply.clear();
        m_lineOpen = false;
        return QStringLiteral("STARTING APPLICATION");
    });
}

bool FakeRadio::imageReceiving() const
{
    return m_firmware && m_firmware->receiving;
}

const FakeRadio::LoaderLog &FakeRadio::loaderLog() const
{
    return m_firmware->log;
}

qsizetype FakeRadio::receiveImage(const QByteArray &bytes, qsizetype from, QByteArray &out)
{
    Firmware &f = *m_firmware;
    const auto finish = [&](const QString &verdict) {
        f.receiving = false;
        f.log.verdict = verdict;
        const QByteArray answer = "\r\n" + verdict.toLatin1() + "\r\n" + prompt().toLatin1();
        if (m_config.verdictDelayMs <= 0) {
            out += answer;
            return;
        }
        // The loader checks the flash before it answers.
        QTimer::singleShot(Clock::realMs(m_config.verdictDelayMs), this, [this, answer] { emit transmit(answer); });
    };

    for (qsizetype i = from; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == Esc) {
            // A wake-up burst breaks the transfer off; the command line takes the burst.
            finish(QStringLiteral("PROGRAMMING ABORTED"));
            return i;
        }
        const double now = Clock::nowSeconds();
        if (f.log.firstByteAt < 0) {
            f.log.firstByteAt = now;
            f.log.baud = m_pty ? m_pty->baudRate() : 0;
        }
        f.log.lastByteAt = now;
        f.log.image += c;
        if (m_config.holdAfterBytes > 0 && f.log.image.size() == m_config.holdAfterBytes && m_pty)
            m_pty->holdLine(m_config.holdSeconds);
        if (c != '\r' && c != '\n') {
            f.line += c;
            continue;
        }
        if (f.line.isEmpty())
            continue;
        const QByteArray line = f.line;
        f.line.clear();
        ++f.lineNo;
        if (!goodRecord(line)) {
            if (f.log.firstBadLine == 0)
                f.log.firstBadLine = f.lineNo;
        } else {
            ++f.log.goodRecords;
            out += m_config.recordReply.toLatin1();
            if (line[1] == '0' && line.size() >= 40)
                f.imageVersion = QString::fromLatin1(QByteArray::fromHex(line.mid(30, 10)));
        }
        if (endRecord(line)) {
            f.finishingUntil = now + FinishingSeconds;
            f.imageGood = f.log.firstBadLine == 0;
            finish(f.imageGood ? ProgrammedOk : QStringLiteral("PROGRAMMING FAILED - BAD RECORD"));
            return i + 1;
        }
    }
    return bytes.size();
}

bool FakeRadio::loaderDropsByte(char c)
{
    if (!m_firmware || m_firmware->finishingUntil < 0)
        return false;
    Firmware &f = *m_firmware;
    if (Clock::nowSeconds() > f.finishingUntil) {
        f.finishingUntil = -1;
        return false;
    }
    // The line ends that close the file are expected; the first other byte is lost.
    if (c == '\r' || c == '\n')
        return false;
    f.finishingUntil = -1;
    f.log.strayDropped = true;
    return true;
}

void FakeRadio::setPacedReading(bool on)
{
    setStrictLine(on);
}
