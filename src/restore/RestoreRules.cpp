#include "restore/RestoreRules.h"

#include "settings/RadioSettingCatalogue.h"

#include "common/Module1.h"
#include "config/ConfigReport.h"
#include "link/Exchange.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace Restore {

namespace {

const QString NotAvailable = QStringLiteral("NOT AVAILABLE");
const QString NA = QStringLiteral("n/a");

bool available(const QString &text)
{
    return !text.contains(NotAvailable, Qt::CaseInsensitive) && !text.contains(NA, Qt::CaseInsensitive);
}

bool gate(RevisionGate g, const QString &rev)
{
    return revisionGatePasses(g, rev);
}

// The file reader's revision column: "from N", met when the revision cannot be read.
bool from(double threshold, const QString &rev)
{
    const std::optional<double> value = firmwareRevisionValue(rev);
    return !value || *value >= threshold;
}

// The value of a DLINK or RTU box: from the skip after the (lower-case) word, up to the blank
// before "(". Nothing when the box has no "(" after its first blank.
std::optional<QString> linkValue(const QString &text, const QString &lowerWord, int skip)
{
    const int word = int(text.indexOf(lowerWord)) + 1;   // 0 when absent, as the count starts there
    const int paren = int(text.indexOf(QLatin1Char('('))) + 1;
    const int blank = int(text.indexOf(QLatin1Char(' '))) + 1;
    const int length = paren - blank - 2;
    if (paren == 0 || length < 0)
        return std::nullopt;
    return text.mid(word + skip - 1, length);
}

} // namespace

const QList<const RadioSetting *> &rows()
{
    static const QList<const RadioSetting *> list = [] {
        QList<const RadioSetting *> out;
        for (const RadioSetting &row : RadioSettingCatalogue())
            if (row.hasRestoreEntry())
                out << &row;
        std::stable_sort(out.begin(), out.end(),
                         [](const RadioSetting *a, const RadioSetting *b) { return a->restoreOrder < b->restoreOrder; });
        return out;
    }();
    return list;
}

QList<const RadioSetting *> programOrder()
{
    QList<const RadioSetting *> out = rows();
    const auto xrssi = std::find_if(out.begin(), out.end(), [](auto *r) { return r->box == QLatin1String("XRSSI"); });
    const auto xpri = std::find_if(out.begin(), out.end(), [](auto *r) { return r->box == QLatin1String("XPRI"); });
    if (xrssi != out.end() && xpri != out.end())
        std::iter_swap(xrssi, xpri);
    return out;
}

QList<const RadioSetting *> readOutGroup(int group)
{
    QList<const RadioSetting *> out;
    for (const RadioSetting &row : RadioSettingCatalogue())
        if (row.hasRestoreEntry() && row.restoreGroup == group)
            out << &row;
    return out;
}

int pageOf(const RadioSetting &row)
{
    // The last order on each page: unit to owner message, mode to alarm sense, ...
    static const int lastOnPage[] = {3, 10, 16, 21, 25, 32, 35};
    for (int page = 0; page < 7; ++page)
        if (row.restoreOrder <= lastOnPage[page])
            return page;
    return 6;
}

const QStringList &masterRuleBoxes()
{
    static const QStringList boxes = {u"CSADDR"_s,   u"HopTime"_s, u"SkippedZones"_s, u"LPM"_s,
                                      u"RepeatCount"_s, u"RetryCount"_s, u"FEC"_s, u"DataBuff"_s,
                                      u"StoreAndForward"_s};
    return boxes;
}

const QStringList &modeCheckMasterBoxes()
{
    static const QStringList boxes = {u"DataBuff"_s,    u"FEC"_s,          u"HopTime"_s,        u"RepeatCount"_s,
                                      u"RetryCount"_s, u"SkippedZones"_s, u"StoreAndForward"_s};
    return boxes;
}

std::optional<QString> cutReply(const QString &query, const QString &rxBuffer, bool inSetupMode)
{
    const qsizetype p = rxBuffer.indexOf(query);
    const qsizetype e = Exchange::answerEnd(rxBuffer, query, inSetupMode ? Prompt::Setup : Prompt::Ready,
                                            CompareMode::Exact) - 1;
    if (p < 0 || e < 0)
        return std::nullopt;
    const qsizetype length = e - (p + query.size() + 2) - 2;
    if (length < 0)
        return std::nullopt;
    return rxBuffer.mid(p + query.size() + 2, length);
}

std::optional<QString> serialNumberLine(const QString &collected)
{
    const qsizetype p = collected.indexOf(QStringLiteral("ser"));
    const qsizetype e = Exchange::answerEnd(collected, QStringLiteral("ser"), Prompt::Ready, CompareMode::Exact) - 1;
    if (p < 0 || e < 0 || e - 2 - (p + 5) < 0)
        return std::nullopt;
    return QStringLiteral("From Radio, serial number: ") + collected.mid(p + 5, e - 2 - (p + 5));
}

std::optional<QStringList> firmwareLines(const QString &collected)
{
    const qsizetype p = collected.indexOf(QStringLiteral("srev"));
    const qsizetype e = Exchange::answerEnd(collected, QStringLiteral("srev"), Prompt::Ready, CompareMode::Exact) - 1;
    if (p < 0 || e < 0 || e - 2 - (p + 6) < 0)
        return std::nullopt;
    QStringList lines{QStringLiteral("With Firmware Version: ")};
    lines += collected.mid(p + 6, e - 2 - (p + 6)).split(QStringLiteral("\r\n"));
    return lines;
}

QStringList createdLines(const QDate &date)
{
    return {ConfigReport::createdLine().mid(1), ConfigReport::dateLine(date).mid(1)};
}

QStringList settingLines(const std::function<QString(const QString &)> &boxText, const QString &rev)
{
    QStringList out;
    const auto plain = [&](const QString &box) {
        const QString text = boxText(box);
        if (available(text))
            out << text;
    };
    const auto prefixed = [&](const QString &prefix, const QString &box) {
        const QString text = boxText(box);
        if (available(text))
            out << prefix + text;
    };
    // "MODE M": an M from the second character on.
    const bool master = boxText(QStringLiteral("Mode")).indexOf(QLatin1Char('M'), 1) >= 0;

    plain(u"UnitAddr"_s);
    prefixed(u"OWN "_s, u"OwnerName"_s);
    prefixed(u"OWM "_s, u"OwnerMessage"_s);
    for (const QString &box : {u"Mode"_s, u"PowerLevel"_s, u"BaudRate"_s, u"Port"_s, u"DeviceType"_s})
        plain(box);
    if (const QString mask = boxText(u"AlarmMask"_s); available(mask))
        out << QStringLiteral("AMASK ") + mask.right(9);
    for (const QString &box : {u"AlarmSense"_s, u"CTSdelay"_s, u"CTSHOLDdelay"_s})
        plain(box);
    if (master)
        plain(u"RxTimeOut"_s);
    if (gate(RevisionGate::From300, rev))
        plain(u"RXD"_s);
    plain(u"SleepMode"_s);
    if (gate(RevisionGate::From320, rev))
        plain(u"LPMHOLD"_s);
    plain(u"NetworkAddress"_s);
    if (master) {
        if (gate(RevisionGate::From300, rev))
            plain(u"CSADDR"_s);
        plain(u"HopTime"_s);
        plain(u"SkippedZones"_s);
        if (gate(RevisionGate::From320, rev))
            plain(u"LPM"_s);
        for (const QString &box : {u"RepeatCount"_s, u"RetryCount"_s, u"FEC"_s, u"DataBuff"_s, u"StoreAndForward"_s})
            plain(box);
    }
    plain(u"XADDR"_s);
    if (gate(RevisionGate::Below200, rev)) {
        plain(u"XMIN"_s);
        plain(u"XMAX"_s);
    } else {
        for (const QString &box : {u"XMAP"_s, u"XPRI"_s, u"XRSSI"_s})
            plain(box);
    }
    if (gate(RevisionGate::From200, rev)) {
        plain(u"DTYPE"_s);
        const QString dlink = boxText(u"DLINK"_s);
        if (available(dlink))
            if (const std::optional<QString> rate = linkValue(dlink, u"dlink"_s, 7))
                out << QStringLiteral("DLINK ") + *rate;
        // The state line goes out whatever the box holds, so a file always switches the link.
        out << (dlink.contains(QStringLiteral("ON")) ? u"DLINK ON"_s : u"DLINK OFF"_s);
        const QString rtu = boxText(u"SoftRTU"_s);
        if (available(rtu)) {
            if (const std::optional<QString> number = linkValue(rtu, u"rtu"_s, 5)) {
                out << QStringLiteral("RTU ") + *number;
                out << (rtu.contains(QStringLiteral("ON")) ? u"RTU ON"_s : u"RTU OFF"_s);
            }
        }
    }
    return out;
}

std::optional<LineEffect> interpretLine(const QString &line, const QString &rev, ReadState &state)
{
    const auto has = [&line](const char *word) { return line.contains(QLatin1String(word)); };
    // The New box and the check box a line fills are the catalogue row's of its value box. A
    // line with a mode rule ticks nothing itself: the rule decides.
    const auto effect = [](const QString &box, const QString &text, bool pair = false, Rule rule = Rule::None) {
        const RadioSetting *row = findSettingByBox(box);
        return LineEffect{row->restoreNewBox(), text, pair, rule == Rule::None ? row->restoreCheck : QString(), rule};
    };
    const auto whole = [&line, &effect](const QString &box, Rule rule = Rule::None) {
        return effect(box, line, false, rule);
    };

    if (has("UNIT"))
        return whole(u"UnitAddr"_s);
    if (has("OWN"))
        return effect(u"OwnerName"_s, line.mid(4), false);
    if (has("OWM"))
        return effect(u"OwnerMessage"_s, line.mid(4), false);
    if (has("MODE"))
        return whole(u"Mode"_s);
    if (has("PWR"))
        return whole(u"PowerLevel"_s);
    if (has("BAUD"))
        return whole(u"BaudRate"_s);
    if (has("PORT"))
        return whole(u"Port"_s);
    if (has("DEVICE"))
        return whole(u"DeviceType"_s);
    if (has("AMASK"))
        return effect(u"AlarmMask"_s, QStringLiteral("MASK: ") + line.mid(5), false);
    if (has("ALARM ACTIVE"))
        return whole(u"AlarmSense"_s);
    if (has("CTS") && !has("CTSHOLD"))
        return whole(u"CTSdelay"_s);
    if (has("CTSHOLD"))
        return whole(u"CTSHOLDdelay"_s);
    if (has("RXTOT"))
        return whole(u"RxTimeOut"_s);
    if (has("RXD"))
        return from(300, rev) ? std::optional(whole(u"RXD"_s)) : std::nullopt;
    if (has("SLEEP"))
        return whole(u"SleepMode"_s, Rule::Sleep);
    if (has("LPMHOLD"))
        return from(320, rev) ? std::optional(whole(u"LPMHOLD"_s)) : std::nullopt;
    if (has("ADDR") && !has("XADDR") && !has("CSADDR"))
        return whole(u"NetworkAddress"_s);
    if (has("CSADDR"))
        return from(300, rev) ? std::optional(whole(u"CSADDR"_s, Rule::Master)) : std::nullopt;
    if (has("HOPTIME"))
        return whole(u"HopTime"_s, Rule::Master);
    if (has("SKIP"))
        return whole(u"SkippedZones"_s, Rule::Master);
    if (has("LPM") && !has("LPMHOLD"))
        return from(320, rev) ? std::optional(whole(u"LPM"_s, Rule::Master)) : std::nullopt;
    if (has("REPEAT"))
        return whole(u"RepeatCount"_s, Rule::Master);
    if (has("RETRY"))
        return whole(u"RetryCount"_s, Rule::Master);
    if (has("FEC"))
        return whole(u"FEC"_s, Rule::Master);
    if (has("BUFF"))
        return whole(u"DataBuff"_s, Rule::Master);
    if (has("SAF"))
        return whole(u"StoreAndForward"_s, Rule::Master);
    if (has("XADDR"))
        return whole(u"XADDR"_s, Rule::Remote);
    const bool extensions = from(100, rev);
    if (has("XMIN")) {
        if (!extensions)
            return whole(u"XMIN"_s);
        state.xmin = line.mid(5);
        return LineEffect{};
    }
    if (has("XMAX")) {
        if (!extensions)
            return whole(u"XMAX"_s);
        state.xmax = line.mid(5);
        if (!state.xmin.isEmpty()) {
            bool okMin = false, okMax = false;
            const int low = state.xmin.trimmed().toInt(&okMin);
            const int high = state.xmax.trimmed().toInt(&okMax);
            if (okMin && okMax)
                for (int i = qMax(low, 0); i <= qMin(high, 31); ++i)
                    state.mask[32 - i - 1] = QLatin1Char('1');
        }
        return effect(u"XMAP"_s, QStringLiteral("XMAP ") + BinToHex(state.mask), false);
    }
    if (!extensions && (has("XMAP") || has("XPRI") || has("XRSSI") || has("DTYPE") || has("DLINK") || has("RTU")))
        return std::nullopt;
    if (has("XMAP"))
        return whole(u"XMAP"_s);
    if (has("XPRI"))
        return whole(u"XPRI"_s);
    if (has("XRSSI"))
        return whole(u"XRSSI"_s);
    if (has("DTYPE"))
        return whole(u"DTYPE"_s);
    if (has("DLINK"))
        return effect(u"DLINK"_s, line, true);
    if (has("RTU"))
        return effect(u"SoftRTU"_s, line, true);
    return std::nullopt;
}

QString pairText(const QString &current, const QString &line)
{
    if (current == NA)
        return line;
    return current + (line.contains(QStringLiteral("ON")) ? u" (ON)"_s : u" (OFF)"_s);
}

bool olderFileNotice(const QString &nextLine, const QString &rev)
{
    const std::optional<double> value = firmwareRevisionValue(rev);
    return nextLine.startsWith(QLatin1Char('1')) && value && *value >= 200;
}

QStringList programCommands(const RadioSetting &row, const QString &newText)
{
    // A tick left from an earlier file, or set by hand, on a row this file gave no value.
    if (newText == QLatin1String("n/a"))
        return {};
    const QString &box = row.box;
    if (box == QLatin1String("OwnerName"))
        return {QStringLiteral("own ") + newText};
    if (box == QLatin1String("OwnerMessage"))
        return {QStringLiteral("owm ") + newText};
    if (box == QLatin1String("AlarmMask"))
        return {QStringLiteral("amask ") + newText.mid(5)};
    if (box == QLatin1String("AlarmSense"))
        return {QStringLiteral("asense ") + newText.mid(13)};
    if (box == QLatin1String("DLINK") || box == QLatin1String("SoftRTU")) {
        const QString word = box == QLatin1String("DLINK") ? u"DLINK"_s : u"RTU"_s;
        QStringList out;
        const qsizetype paren = newText.indexOf(QLatin1Char('('));
        if (paren >= 0)
            out << newText.left(qMax<qsizetype>(0, paren - 1));
        out << word + (newText.contains(QStringLiteral("ON")) ? u" ON"_s : u" OFF"_s);
        return out;
    }
    return {newText};
}

QString rowsLeftOutMessage(const QList<std::pair<const RadioSetting *, QString>> &rows)
{
    QString text = QStringLiteral("These settings were not sent to the radio: the value from the file holds a line "
                                  "end, a tab or another control character, or a character outside Latin-1, which "
                                  "the radio cannot take as one command.\r\n");
    for (const auto &[row, newText] : rows) {
        QString name = row->restoreCaption;
        if (name.startsWith(u"Restore "_s))
            name = name.mid(8);
        text += QStringLiteral("\r\n%1: %2").arg(name, ShowControlCharacters(newText));
    }
    return text + QStringLiteral("\r\n\r\nThe other ticked settings were sent. Correct the file, open it again and "
                                 "program these settings.");
}

} // namespace Restore
