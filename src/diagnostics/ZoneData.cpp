#include "diagnostics/ZoneData.h"

namespace ZoneData {

namespace {
constexpr int CountOffset = 9;   // from the label's first character to its count
constexpr int CountWidth = 8;
const QLatin1StringView Labels[FieldCount] = {QLatin1StringView("TX TOTAL"), QLatin1StringView("RX TOTAL"),
                                              QLatin1StringView("RX ERROR")};

// Blanks either side of the digits are the radio's padding; anything else is not a count.
std::optional<qint64> wholeNumber(QStringView field)
{
    const QStringView digits = field.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    for (const QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return digits.toLongLong();
}
} // namespace

QString label(Field field)
{
    return Labels[field];
}

bool looksComplete(const QString &buffer)
{
    return buffer.size() >= CompleteLength && buffer.contains(QLatin1String("8:RX ERROR"));
}

Counts readCounts(const QString &buffer, const QList<Field> &fields)
{
    // The zone windows read a reply on every poll: it is searched in place, with no copies.
    Counts counts;
    for (int zone = 1; zone <= Zones; ++zone) {
        const QChar block[2] = {QChar(u'0' + zone), QLatin1Char(':')};
        qsizetype p = buffer.indexOf(QStringView(block, 2));
        if (p < 0)
            return counts;
        for (const Field field : fields) {
            p = buffer.indexOf(Labels[field], p);
            if (p < 0)
                return counts;
            p += CountOffset;
            if (buffer.size() - p < CountWidth)
                return counts;
            const std::optional<qint64> n = wholeNumber(QStringView(buffer).mid(p, CountWidth));
            if (!n)
                return counts;
            counts.value[zone - 1][field] = n;
        }
    }
    counts.complete = true;
    return counts;
}

SkipReply readSkip(const QString &buffer)
{
    SkipReply reply;
    // The echo "skip" stands in the first characters; the reply's word is searched behind it.
    const qsizetype p = buffer.indexOf(QLatin1String("SKIP"), 4);
    if (p < 0)
        return reply;
    reply.found = true;
    if (buffer.indexOf(QLatin1String("NONE"), p) >= 0)
        return reply;
    const qsizetype blank = buffer.indexOf(QLatin1Char(' '), p);
    if (blank < 0)
        return reply;
    // Zones are single digits: only the character right after the blank and after each comma.
    qsizetype q = blank + 1;
    for (;;) {
        if (q < buffer.size()) {
            const QChar c = buffer[q];
            if (c >= QLatin1Char('1') && c <= QLatin1Char('8'))
                reply.zones << c.digitValue();
        }
        const qsizetype comma = buffer.indexOf(QLatin1Char(','), q);
        if (comma < 0)
            break;
        q = comma + 1;
    }
    return reply;
}

} // namespace ZoneData
