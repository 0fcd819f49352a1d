#include "platform/PortMap.h"

#include <QCollator>
#include <QSerialPortInfo>
#include <QtGlobal>
#include <algorithm>

namespace PortMap {

QStringList enumerate()
{
    QStringList adapters, builtIn;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
        const QString name = info.portName();
        const bool adapter = info.hasVendorIdentifier() || name.contains(QLatin1String("USB"), Qt::CaseInsensitive)
            || name.contains(QLatin1String("ACM"), Qt::CaseInsensitive);
        (adapter ? adapters : builtIn) << info.systemLocation();
    }
    QCollator natural;
    natural.setNumericMode(true);
    auto byName = [&](const QString &a, const QString &b) { return natural.compare(a, b) < 0; };
    std::sort(adapters.begin(), adapters.end(), byName);
    std::sort(builtIn.begin(), builtIn.end(), byName);
    return adapters + builtIn;
}

QString deviceFor(int port)
{
    const QByteArray var = "WAVECREST_COM" + QByteArray::number(port);
    const QString overridden = qEnvironmentVariable(var.constData());
    if (!overridden.isEmpty())
        return overridden;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(port);
#else
    const QStringList devices = enumerate();
    if (port >= 1 && port <= devices.size())
        return devices.at(port - 1);
    return {};
#endif
}

} // namespace PortMap
