#include "settings/ExtensionMap.h"

#include "common/Module1.h"
#include "link/Exchange.h"

namespace ExtensionMap {

namespace {
// From the echo's first character to the digits: "xmap", CR LF and the reply label "XMAP ".
constexpr int DigitsAfterEcho = 11;
// The echo's start to the digits, plus the CR LF that stands before the prompt.
constexpr int NotDigitsBeforePrompt = 13;
} // namespace

QString cutFromReply(const QString &RxBuffer)
{
    const int echo = Exchange::instr(RxBuffer, QStringLiteral("xmap"), CompareMode::IgnoreCase);
    const int prompt = Exchange::answerEnd(RxBuffer, QStringLiteral("xmap"), Prompt::Ready, CompareMode::IgnoreCase);
    if (echo == 0 || prompt == 0)
        return {};
    const int length = prompt - (echo + NotDigitsBeforePrompt);
    if (length <= 0)
        return {};
    return RxBuffer.mid(echo + DigitsAfterEcho - 1, length);
}

Ticks applyRadioForm(const QString &digits, Ticks ticks)
{
    // Bit text, most significant first: its first character is address 31.
    const QString bits = HexToBin(digits);
    for (int position = 0; position < bits.size() && position < AddressCount; ++position) {
        const int address = AddressCount - 1 - position;
        if (bits[position] == QLatin1Char('1'))
            ticks[address] = true;
        else if (bits[position] == QLatin1Char('0'))
            ticks[address] = false;
    }
    return ticks;
}

QString radioForm(const Ticks &ticks)
{
    QString bits;
    for (int address = AddressCount - 1; address >= 0; --address)
        bits += ticks[address] ? QLatin1Char('1') : QLatin1Char('0');
    return BinToHex(bits);
}

} // namespace ExtensionMap
