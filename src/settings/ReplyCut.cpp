#include "settings/ReplyCut.h"

#include "link/Exchange.h"

std::optional<QString> ReplyValueRule(const QString &keyword, const QString &rxBuffer, bool inSetupMode)
{
    const int p = Exchange::instr(rxBuffer, keyword, CompareMode::IgnoreCase);
    const int e = Exchange::answerEnd(rxBuffer, keyword, inSetupMode ? Prompt::Setup : Prompt::Ready,
                                      CompareMode::IgnoreCase);
    if (p == 0 || e == 0)
        return std::nullopt;
    const int length = e - (p + int(keyword.size()) + 4);
    if (length < 0)
        return std::nullopt;
    return rxBuffer.mid(p + keyword.size() + 1, length);
}

QString firmwareRevNumberFrom(const QString &rxBuffer)
{
    const int late = Exchange::lateReplyLength(rxBuffer, QStringLiteral("srev"), CompareMode::IgnoreCase);
    const QString five = rxBuffer.mid(late + 19, 5);
    QString digits;
    for (int i : {0, 2, 4})
        if (i < five.size())
            digits += five[i];
    return digits;
}

QString firmwareVersionFromSrev(const QString &srevReply)
{
    const int lineEnd = int(srevReply.indexOf(QLatin1Char('\n')));
    if (lineEnd < 0)
        return {};
    const QString version = srevReply.mid(lineEnd + 1, 5);
    if (version.size() == 5 && version[0].isDigit() && version[1] == QLatin1Char('.') && version[2].isDigit()
        && version[3] == QLatin1Char('.') && version[4].isDigit())
        return version;
    return {};
}
