// Cutting values out of the radio's replies as the main window's read-out receives them:
// " " + echo + CR LF + reply line + CR LF + prompt.
#pragma once

#include <QString>
#include <optional>

// The reply line after the echo of keyword, up to the CR LF before the prompt (">", or "SETUP>"
// in setup mode) that follows the echo; searches ignore case. Nothing when the keyword or that
// prompt is missing or the radio sent no reply line; an empty reply line gives an empty value.
std::optional<QString> ReplyValueRule(const QString &keyword, const QString &rxBuffer, bool inSetupMode);

// The firmware revision digits from the "srev" answer: characters 20, 22 and 24 of RxBuffer
// ("3.2.0" there gives "320"), whatever they are; counted from the blank in front of the echo
// when a late reply stands before it.
QString firmwareRevNumberFrom(const QString &rxBuffer);

// The running version from the second line of the "srev" reply ("3.2.0  01Jan2025" gives
// "3.2.0"); empty when that line does not start digit, dot, digit, dot, digit.
QString firmwareVersionFromSrev(const QString &srevReply);
