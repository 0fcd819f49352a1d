#include "config/ConfigReport.h"

#include "settings/RadioSettingCatalogue.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>
#include <algorithm>

namespace ConfigReport {

namespace {

// Rows 18 to 26 only mean something on a master; rows 30 to 32 get no dot in the terminal.
constexpr int MasterGroupFirst = 18;
constexpr int MasterGroupLast = 26;
constexpr int LastDottedRow = 29;

// Every answer ends with CR LF and the prompt.
constexpr int ClosingLength = 3;

Cut cutFor(const RadioSetting &setting)
{
    static const QHash<QString, Cut> special{
        {QStringLiteral("own"), Cut::OwnerText},       {QStringLiteral("owm"), Cut::OwnerText},
        {QStringLiteral("mode"), Cut::FirstSix},       {QStringLiteral("pwr"), Cut::FirstTen},
        {QStringLiteral("amask"), Cut::ColonsRemovedA}, {QStringLiteral("asense"), Cut::ColonsRemoved},
        {QStringLiteral("ctshold"), Cut::NoLineWhenNA}, {QStringLiteral("sleep"), Cut::NoLineWhenNA},
        {QStringLiteral("csaddr"), Cut::NoneWhenAbsent}, {QStringLiteral("dlink"), Cut::ValueAndState},
    };
    return special.value(setting.keyword, Cut::Standard);
}

int find(const QString &text, const QString &what)
{
    return int(text.indexOf(what, 0, Qt::CaseInsensitive));
}

// From the keyword up to, not including, the closing CR LF ">"; nothing without the keyword.
std::optional<QString> standardLine(const QString &keyword, const QString &text)
{
    const int p = find(text, keyword);
    if (p < 0)
        return std::nullopt;
    const int length = int(text.size()) - ClosingLength - p;
    if (length < 0)
        throw CutError(QStringLiteral("answer too short after %1").arg(keyword));
    return text.mid(p, length);
}

QString withoutColons(QString text)
{
    return text.remove(QLatin1Char(':'));
}

} // namespace

const QList<Row> &rows()
{
    static const QList<Row> table = [] {
        QList<Row> out;
        for (const RadioSetting &s : RadioSettingCatalogue())
            if (s.reportOrder > 0)
                out << Row{s.reportOrder, s.reportQuery, s.reportKeyword, s.reportStatus, cutFor(s)};
        std::sort(out.begin(), out.end(), [](const Row &a, const Row &b) { return a.order < b.order; });
        return out;
    }();
    return table;
}

bool masterOnly(const Row &row)
{
    return row.order >= MasterGroupFirst && row.order <= MasterGroupLast;
}

bool dotAfter(const Row &row)
{
    return row.order <= LastDottedRow;
}

QStringList rowLines(const Row &row, const QString &collected)
{
    std::optional<QString> line;
    switch (row.cut) {
    case Cut::Standard:
        line = standardLine(row.keyword, collected);
        break;
    case Cut::OwnerText:
        // An empty owner text answers only the two line breaks and the prompt.
        if (collected.size() >= 6)
            line = row.query + QLatin1Char(' ') + collected.mid(2, collected.size() - 2 - ClosingLength);
        break;
    case Cut::FirstSix:
    case Cut::FirstTen:
        if (const int p = find(collected, row.keyword); p >= 0)
            line = collected.mid(p, row.cut == Cut::FirstSix ? 6 : 10);
        break;
    case Cut::ColonsRemovedA:
        if (const auto cut = standardLine(row.keyword, withoutColons(collected)))
            line = QLatin1Char('A') + *cut;
        break;
    case Cut::ColonsRemoved:
        line = standardLine(row.keyword, withoutColons(collected));
        break;
    case Cut::NoLineWhenNA:
        if (!collected.contains(QLatin1String("n/a"), Qt::CaseInsensitive))
            line = standardLine(row.keyword, collected);
        break;
    case Cut::NoneWhenAbsent:
        line = standardLine(row.keyword, collected);
        if (!line)
            line = row.keyword + QStringLiteral(" NONE");
        break;
    case Cut::ValueAndState: {
        const int p = find(collected, row.keyword);
        if (p < 0)
            break;
        // The value ends at the blank before the bracketed state.
        const int length = int(collected.lastIndexOf(QLatin1Char(' '))) - p;
        if (length < 0)
            throw CutError(QStringLiteral("no state after %1").arg(row.keyword));
        const bool on = collected.contains(QLatin1String("(ON)"), Qt::CaseInsensitive);
        return {collected.mid(p, length), row.keyword + (on ? QStringLiteral(" ON") : QStringLiteral(" OFF"))};
    }
    }
    return line ? QStringList{*line} : QStringList{};
}

QString modeLetter(const QStringList &modeLines)
{
    if (modeLines.isEmpty() || modeLines.first().size() < 6)
        return {};
    return modeLines.first().mid(5, 1);
}

bool isMasterLetter(const QString &letter)
{
    return letter.compare(QLatin1String("M"), Qt::CaseInsensitive) == 0;
}

QString programVersion()
{
    return QStringLiteral("%1.%2.%3").arg(WAVECREST_VERSION_MAJOR).arg(WAVECREST_VERSION_MINOR).arg(WAVECREST_VERSION_PATCH);
}

QString createdLine()
{
    return QStringLiteral("#Created by Karvel Wavecrest Configuration Software Version ") + programVersion();
}

QString dateLine(const QDate &date)
{
    return QStringLiteral("#On ") + QLocale::system().toString(date, QLocale::ShortFormat);
}

std::optional<QString> serialNumberLine(const QString &collected)
{
    const int p = find(collected, QStringLiteral("SN"));
    if (p < 0)
        return std::nullopt;
    return QStringLiteral("#From Radio, serial number: ") + collected.mid(p, 11);
}

std::optional<QString> firmwareLine(const QString &collected)
{
    const int p = find(collected, QStringLiteral("srev"));
    if (p < 0)
        return std::nullopt;
    // Past the echo and its line break; every inner line break becomes one blank.
    const int start = p + 4 + 2;
    const int length = int(collected.size()) - ClosingLength - start;
    if (length < 0)
        throw CutError(QStringLiteral("firmware answer too short"));
    QString answer = collected.mid(start, length);
    answer.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return QStringLiteral("#With Firmware Version:  ") + answer;
}

QByteArray fileLine(const QString &line)
{
    return line.toLatin1() + "\r\n";
}

QString printFileName(const QString &programFolder, const QString &serialNumberText)
{
    QString folder = programFolder;
    while (folder.size() > 1 && (folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'))))
        folder.chop(1);
    // The box holds whatever the radio answered: a "/" or ".." in it must not lead out of Temp.
    QString name;
    for (const QChar c : serialNumberText.mid(3)) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'-'
            || u == u'_')
            name += c;
    }
    if (name.isEmpty())
        name = QStringLiteral("config");
    return folder + QStringLiteral("/Temp/") + name + QStringLiteral(".txt");
}

QList<QStringList> printPages(const QStringList &lines, int linesPerPage, int columns)
{
    linesPerPage = qMax(1, linesPerPage);
    columns = qMax(1, columns);
    QStringList printed;
    for (const QString &line : lines) {
        if (line.isEmpty())
            printed << line;
        for (qsizetype at = 0; at < line.size(); at += columns)
            printed << line.mid(at, columns);
    }
    QList<QStringList> pages;
    for (qsizetype at = 0; at < printed.size(); at += linesPerPage)
        pages << printed.mid(at, linesPerPage);
    if (pages.isEmpty())
        pages << QStringList{};
    return pages;
}

QStringList splitLines(const QString &text)
{
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\n|\r"));
    QStringList lines = text.split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace ConfigReport
