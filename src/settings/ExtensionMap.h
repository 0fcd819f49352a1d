// The extension map: which of the extension addresses 0-31 a radio may talk to. The radio holds
// it as 8 hexadecimal digits, most significant first; bit n set allows address n, so "00000001"
// is address 0 alone and "80000000" address 31 alone.
#pragma once

#include <QString>

#include <array>

namespace ExtensionMap {

constexpr int AddressCount = 32;

// One tick per address, indexed by the address.
using Ticks = std::array<bool, AddressCount>;

// The digits of the radio's answer to "xmap" as RxBuffer holds it: the echo, CR LF, "XMAP ", the
// digits, CR LF and the prompt. Empty when the echo or the prompt is missing.
QString cutFromReply(const QString &RxBuffer);

// ticks with every address the digits reach set from them. Characters that are not hexadecimal
// digits are skipped, and a map of fewer than 8 digits reaches down from address 31 only as far as
// its bits go: the addresses below keep their ticks.
Ticks applyRadioForm(const QString &digits, Ticks ticks);

// The 8 capital digits the radio takes for these ticks.
QString radioForm(const Ticks &ticks);

} // namespace ExtensionMap
