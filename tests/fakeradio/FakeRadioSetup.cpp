// The simulated radio's bench-test commands: the two test frequencies, keying the transmitter,
// and leaving the mode. They exist only while the prompt is "SETUP>".
#include "fakeradio/FakeRadio.h"

#include <QRegularExpression>

namespace {

const QString Unrecognised = QStringLiteral("UNRECOGNISED COMMAND");
const QString ProgrammedOk = QStringLiteral("PROGRAMMED OK");
const QString AccessDenied = QStringLiteral("ACCESS DENIED");
const QString InvalidEntry = QStringLiteral("INVALID ENTRY");

// The test frequencies are whole kHz steps from 902.200 to 927.600 MHz.
constexpr int LowestKHz = 902200;
constexpr int HighestKHz = 927600;

// "915", "915.5" or "915.500" as the 7 characters the reply shows; nothing when out of range or
// finer than a kHz.
std::optional<QString> frequencyText(const QString &typed)
{
    static const QRegularExpression form(QStringLiteral("^(\\d{3})(?:\\.(\\d{1,3}))?$"));
    const QRegularExpressionMatch m = form.match(typed);
    if (!m.hasMatch())
        return std::nullopt;
    const int kHz = m.captured(1).toInt() * 1000 + m.captured(2).leftJustified(3, QLatin1Char('0')).toInt();
    if (kHz < LowestKHz || kHz > HighestKHz)
        return std::nullopt;
    return QStringLiteral("%1.%2").arg(kHz / 1000).arg(kHz % 1000, 3, 10, QLatin1Char('0'));
}

} // namespace

void FakeRadio::registerSetupCommands()
{
    // "rx" alone answers "RX 915.000"; "rx 915.5" sets it.
    const auto frequency = [this](const QString &label, QString Config::*field) {
        return [this, label, field](const QString &rest) -> std::optional<QString> {
            if (m_config.stage != Stage::Setup)
                return Unrecognised;
            if (rest.isEmpty())
                return label + QLatin1Char(' ') + m_config.*field;
            if (!mayWrite())
                return AccessDenied;
            const std::optional<QString> text = frequencyText(rest);
            if (!text)
                return InvalidEntry;
            m_config.*field = *text;
            return ProgrammedOk;
        };
    };
    m_commands.insert(QStringLiteral("rx"), frequency(QStringLiteral("RX"), &Config::rxFrequency));
    m_commands.insert(QStringLiteral("tx"), frequency(QStringLiteral("TX"), &Config::txFrequency));

    const auto keying = [this](bool on) {
        return [this, on](const QString &) -> std::optional<QString> {
            if (m_config.stage != Stage::Setup)
                return Unrecognised;
            if (!mayWrite())
                return AccessDenied;
            m_config.keyed = on;
            return std::nullopt;
        };
    };
    m_commands.insert(QStringLiteral("key"), keying(true));
    m_commands.insert(QStringLiteral("dkey"), keying(false));

    // Leaving the mode also drops the carrier.
    const Handler quit = m_commands.value(QStringLiteral("quit"));
    m_commands.insert(QStringLiteral("quit"), [this, quit](const QString &rest) -> std::optional<QString> {
        if (m_config.stage == Stage::Setup)
            m_config.keyed = false;
        return quit ? quit(rest) : std::nullopt;
    });
}
