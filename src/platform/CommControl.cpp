#include "platform/CommControl.h"
#include "platform/Clock.h"
#include "platform/LinkGate.h"
#include "platform/SerialCommControl.h"

#include <QLoggingCategory>

#include <QStringList>
#include <algorithm>
#include <cmath>

Q_LOGGING_CATEGORY(lcWriteGate, "wavecrest.link", QtWarningMsg)

void CommControl::output(const QByteArray &bytes)
{
    if (!LinkGate::writePermitted()) {
        qCInfo(lcWriteGate) << "write refused while another operation holds the link:" << bytes.left(40);
        throw CommError(CommErr::WriteRefused, QStringLiteral("The radio is busy with another operation"));
    }
    writeOut(bytes);
}

double CommControl::lineSeconds(qsizetype bytes) const
{
    int baud = 0, dataBits = 8, stopBits = 1;
    char parity = 'N';
    if (bytes <= 0 || !parseSettings(m_settings, &baud, &parity, &dataBits, &stopBits) || baud <= 0)
        return 0;
    const int bitsPerCharacter = 1 + dataBits + (parity == 'N' ? 0 : 1) + stopBits;
    return double(bytes) * bitsPerCharacter / baud;
}

bool CommControl::waitUntilSent(qint64 timeoutMs, const std::function<bool()> &stop)
{
    // Nothing signals an empty queue, so the wait wakes when the queue's own line time says it
    // will be empty, and looks again. A queue that has not moved since the last look (a far end
    // that holds the line, a stalled device) is looked at less often, down to a few times a second.
    constexpr double StalledLookSeconds = 0.25;
    const double deadline = Clock::nowSeconds() + double(timeoutMs) / 1000.0;
    const auto stopped = [&] { return stop && stop(); };
    // A closed port has nothing left to send.
    const auto over = [&] { return secondsUntilSent() <= 0 || stopped(); };
    int lastQueued = -1;
    double stalledLook = 0;
    for (;;) {
        if (secondsUntilSent() <= 0)
            return true;
        if (stopped())
            return false;
        const double now = Clock::nowSeconds();
        if (now >= deadline)
            return false;
        const int queued = outBufferCount();
        double wait = secondsUntilSent();
        if (queued > 0 && queued == lastQueued) {
            stalledLook = std::min(StalledLookSeconds, std::max(wait, 2 * stalledLook));
            wait = std::max(wait, stalledLook);
        } else {
            stalledLook = 0;
        }
        lastQueued = queued;
        wait = std::min(wait, deadline - now);
        const double realMs = wait * 1000.0 * Clock::scale();
        if (realMs >= 2.0) {
            // Until about a millisecond before the queue is due to be empty: a timer may be a
            // millisecond late.
            const qint64 nominalMs = qint64(std::floor((std::floor(realMs) - 1.0) / Clock::scale()));
            Clock::waitFor(over, std::max<qint64>(1, nominalMs));
            continue;
        }
        // The last millisecond or two: what is pending is handled, and the rest is slept, which
        // is finer than a timer.
        Clock::doEvents();
        if (over())
            continue;
        const double left = std::min(secondsUntilSent(), deadline - Clock::nowSeconds());
        Clock::sleepMs(std::max<qint64>(1, qint64(std::ceil(left * 1000.0))));
    }
}

void CommControl::setCommPort(int port)
{
    if (portOpen())
        throw CommError(CommErr::PortAlreadyOpen, QStringLiteral("Port already open"));
    if (port < 1 || port > 16)
        throw CommError(CommErr::InvalidPortNumber, QStringLiteral("Invalid port number"));
    m_commPort = port;
}

void CommControl::setSettings(const QString &settings)
{
    if (!parseSettings(settings, nullptr, nullptr, nullptr, nullptr))
        throw CommError(CommErr::InvalidSettings, QStringLiteral("Invalid property value"));
    m_settings = settings;
    if (portOpen())
        applySettings();
}

bool CommControl::parseSettings(const QString &text, int *baud, char *parity, int *dataBits, int *stopBits)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok1 = false, ok2 = false, ok3 = false;
    const int b = parts[0].trimmed().toInt(&ok1);
    const QString p = parts[1].trimmed().toUpper();
    const int d = parts[2].trimmed().toInt(&ok2);
    const int s = parts[3].trimmed().toInt(&ok3);
    if (!ok1 || !ok2 || !ok3 || b <= 0 || p.size() != 1 || !QStringLiteral("NEOMS").contains(p)
        || d < 5 || d > 8 || (s != 1 && s != 2))
        return false;
    if (baud) *baud = b;
    if (parity) *parity = p[0].toLatin1();
    if (dataBits) *dataBits = d;
    if (stopBits) *stopBits = s;
    return true;
}

namespace {
std::function<std::unique_ptr<CommControl>(QObject *)> &factory()
{
    static std::function<std::unique_ptr<CommControl>(QObject *)> f;
    return f;
}
} // namespace

namespace CommFactory {
std::unique_ptr<CommControl> create(QObject *parent)
{
    if (factory())
        return factory()(parent);
    return std::make_unique<SerialCommControl>(parent);
}

void setFactory(std::function<std::unique_ptr<CommControl>(QObject *)> f)
{
    factory() = std::move(f);
}
} // namespace CommFactory

namespace CommEv {

QString eventText(int event)
{
    switch (event) {
    case CommEv::CTS: return QStringLiteral("Change in CTS Detected");
    case CommEv::DSR: return QStringLiteral("Change in DSR Detected");
    case CommEv::CD: return QStringLiteral("Change in CD Detected");
    case CommEv::Ring: return QStringLiteral("Connecting");
    case CommEv::EOFChar: return QStringLiteral("End of File Detected");
    default: return {};
    }
}

QString errorText(int event)
{
    switch (event) {
    case CommEv::Break: return QStringLiteral("Break Received");
    case CommEv::CTSTO: return QStringLiteral("CTS Timeout");
    case CommEv::DSRTO: return QStringLiteral("DSR Timeout");
    case CommEv::Frame: return QStringLiteral("Framing Error");
    case CommEv::Overrun: return QStringLiteral("Overrun Error");
    case CommEv::CDTO: return QStringLiteral("Carrier Detect Timeout");
    case CommEv::RxOver: return QStringLiteral("Receive Buffer Overflow");
    case CommEv::RxParity: return QStringLiteral("Parity Error");
    case CommEv::TxFull: return QStringLiteral("Transmit Buffer Full");
    case CommEv::DCB: return QStringLiteral("Error retrieving DCB");
    default: return QStringLiteral("Unknown error or event");
    }
}

} // namespace CommEv
