#include "app/TerminalColours.h"

namespace TerminalColours {

const QList<Entry> &table()
{
    static const QList<Entry> rows = {
        {QStringLiteral("White"), 0xFFFFFF},
        {QStringLiteral("Black"), 0x000000},
        {QStringLiteral("Light Blue"), 0xFACD87},
        {QStringLiteral("Blue"), 0xFF0000},
        {QStringLiteral("Navy Blue"), 0x990000},
        {QStringLiteral("Red"), 0x0000FF},
        {QStringLiteral("Maroon"), 0x00008B},
        {QStringLiteral("Green"), 0x00BB00},
        {QStringLiteral("Dark Green"), 0x006400},
        {QStringLiteral("Light Yellow"), 0xD2FAFA},
    };
    return rows;
}

int rowOf(quint32 value)
{
    const QList<Entry> &rows = table();
    for (int i = 0; i < rows.size(); ++i)
        if (rows[i].value == value)
            return i;
    return -1;
}

QColor toQColor(quint32 value)
{
    return QColor(int(value & 0xFF), int((value >> 8) & 0xFF), int((value >> 16) & 0xFF));
}

quint32 fromQColor(const QColor &colour)
{
    const QColor rgb = colour.toRgb();
    return quint32(rgb.red()) | (quint32(rgb.green()) << 8) | (quint32(rgb.blue()) << 16);
}

bool parse(const QString &text, quint32 *value)
{
    const QString t = text.trimmed();
    bool ok = false;
    qint64 n = 0;
    if (t.startsWith(QLatin1String("&H"), Qt::CaseInsensitive))
        n = t.mid(2).toLongLong(&ok, 16);
    else
        n = t.toLongLong(&ok, 10);
    // Anything beyond 24 bits would be a system-colour index or garbage, not a colour the pane can show.
    if (!ok || n < 0 || n > 0xFFFFFF)
        return false;
    *value = quint32(n);
    return true;
}

QString toStoredText(quint32 value)
{
    return QString::number(value);
}

} // namespace TerminalColours
