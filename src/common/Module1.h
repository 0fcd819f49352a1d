// The small procedures every window uses: the fixed pause, the hexadecimal and bit-text
// conversions of the extension map, and the file and folder tests.
#pragma once

#include <QString>

// Pauses for ms (nominal) milliseconds without handling any event: the receive event, timer
// ticks and clicks wait until it is over. 0 or less returns at once.
void Delay(qint32 ms);

// "1f" -> "00011111": four bits per hexadecimal digit (either case); any other character is skipped.
QString HexToBin(const QString &hex);
// "00011111" -> "1F": each group of four "0"/"1" characters gives one digit; a group holding
// anything else, or a short last group, gives nothing.
QString BinToHex(const QString &bits);

// True when the path names anything that exists, a folder included; false for an empty path
// and on any failure.
bool FileExists(const QString &path);
// True when the path names an existing folder.
bool DirExists(const QString &path);

// True when the text holds a line end, a tab or another control character.
bool HoldsControlCharacter(const QString &text);
// What the user is told when a typed answer holds one.
QString ControlCharacterMessage();
// Whether a typed answer may go to the radio. A control character in it would end the command
// early and start one of the radio's own ("Pump 3" CR "pwr 21" as an owner's message sets the
// power too), so such an answer gets a message and the caller sends nothing.
bool AnswerSendable(const QString &answer);
