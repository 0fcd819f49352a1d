// The simulated radio's diagnostics: "rssi" starts a stream of signal-strength reports that any
// CR stops; "ZONE DATA" shows the per-zone traffic counters, which rise with every query, and
// "zone clear" sets them back to 0.
#include "fakeradio/FakeRadio.h"
#include "platform/Clock.h"

#include <QTimer>

struct FakeRadio::Diagnostics
{
    QTimer rssiTimer;
    int nextLevel = 0;
};

namespace {
// "RSSI -85 dBm", "RSSI -105dBm": the level fills four characters, blanks behind it.
QByteArray rssiReport(int level)
{
    return "RSSI " + QByteArray::number(level).leftJustified(4, ' ') + "dBm";
}

const char *const FieldLabels[3] = {"TX TOTAL", "RX TOTAL", "RX ERROR"};
constexpr int CountLimit = 100000000;   // what 8 characters hold
} // namespace

std::array<std::array<int, 3>, 8> FakeRadio::defaultZoneRise()
{
    std::array<std::array<int, 3>, 8> rise{};
    for (int z = 0; z < 8; ++z)
        rise[z] = {12 + 3 * z, 10 + 2 * z, z % 3};
    return rise;
}

void FakeRadio::registerDiagnosticCommands()
{
    m_diagnostics = std::make_shared<Diagnostics>();
    connect(&m_diagnostics->rssiTimer, &QTimer::timeout, this, [this] {
        const QList<int> &levels = m_config.rssiLevels;
        if (levels.isEmpty())
            return;
        const int level = levels[m_diagnostics->nextLevel++ % levels.size()];
        emit transmit(rssiReport(level) + "\r\n");
    });

    m_commands.insert(QStringLiteral("rssi"), [this](const QString &) -> std::optional<QString> {
        const QList<int> &levels = m_config.rssiLevels;
        m_diagnostics->nextLevel = 0;
        Clock::startTimer(m_diagnostics->rssiTimer, m_config.rssiIntervalMs);
        if (levels.isEmpty())
            return std::nullopt;
        return QString::fromLatin1(rssiReport(levels[m_diagnostics->nextLevel++ % levels.size()]));
    });

    m_commands.insert(QStringLiteral("zone"), [this](const QString &rest) -> std::optional<QString> {
        if (rest.compare(QLatin1String("clear"), Qt::CaseInsensitive) == 0) {
            m_config.zoneCounts = {};
            return std::nullopt;
        }
        if (rest.compare(QLatin1String("data"), Qt::CaseInsensitive) != 0)
            return QStringLiteral("UNRECOGNISED COMMAND");
        QStringList lines;
        for (int z = 0; z < 8; ++z) {
            for (int f = 0; f < 3; ++f) {
                int &count = m_config.zoneCounts[z][f];
                count = (count + m_config.zoneRise[z][f]) % CountLimit;
                lines << QStringLiteral("%1:%2 %3").arg(z + 1).arg(QLatin1String(FieldLabels[f])).arg(count, 8);
            }
        }
        return lines.join(QStringLiteral("\r\n"));
    });
}

void FakeRadio::stopRssiStream()
{
    m_diagnostics->rssiTimer.stop();
}

bool FakeRadio::rssiStreaming() const
{
    return m_diagnostics->rssiTimer.isActive();
}
