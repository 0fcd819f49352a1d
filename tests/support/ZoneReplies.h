// The radio's "ZONE DATA" reply as tests write it: the echo, 24 count lines, the prompt.
#pragma once

#include <QList>
#include <QString>

// counts: zone 1 TX, RX, errors, zone 2 TX, ... (missing ones are 0).
inline QString zoneDataReply(const QList<qint64> &counts, QChar separator = QLatin1Char(' '))
{
    QString reply = QStringLiteral("ZONE DATA\r\n");
    const char *labels[] = {"TX TOTAL", "RX TOTAL", "RX ERROR"};
    for (int i = 0; i < 24; ++i)
        reply += QStringLiteral("%1:%2%3%4\r\n")
                     .arg(i / 3 + 1)
                     .arg(QLatin1String(labels[i % 3]))
                     .arg(separator)
                     .arg(counts.value(i), 8);
    return reply + QLatin1Char('>');
}
