#include "platform/CommControl.h"
#include "platform/LinkGate.h"
#include "platform/SerialCommControl.h"

#include <QLoggingCategory>

#include <QStringList>

Q_LOGGING_CATEGORY(lcWriteGate, "wavecrest.link", QtWarningMsg)

void CommControl::output(const QByteArray &bytes)
{
    if (!LinkGate::writePermitted()) {
        qCInfo(lcWriteGate) << "write refused while another operation holds the link:" << bytes.left(40);
        throw CommError(CommErr::WriteRefused, QStringLiteral("The radio is busy with another operation"));
    }
    writeOut(bytes);
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
