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
// The same; when the test itself failed for another reason than a missing file or folder (no
// permission, a name too long, links in a loop), *failure gets the system's text for it.
bool FileExists(const QString &path, QString *failure);
// True when the path names an existing folder.
bool DirExists(const QString &path);

// True when the text holds a line end, a tab or another control character.
bool HoldsControlCharacter(const QString &text);
// True when the text holds a character that is not one byte of Latin-1 (an emoji, "€").
bool HoldsCharacterOutsideLatin1(const QString &text);
// The one rule for every text that goes to the radio as (part of) a command, or into a file the
// line sender reads: no control character, since one would end the command early and start one
// of the radio's own ("Pump 3" CR "pwr 21" as an owner's message sets the power too), and nothing
// outside Latin-1, since the radio takes single bytes and would store "?" for it.
bool RadioCanTake(const QString &text);
// The text with each control character written as its name in angle brackets ("<TAB>", "<ESC>",
// "<0x82>"), so that a message can show where a line holds one.
QString ShowControlCharacters(const QString &text);
// What the user is told when a typed answer holds a control character.
QString ControlCharacterMessage();
// What the user is told when a typed answer holds a character outside Latin-1.
QString OutsideLatin1Message();
// Whether a typed answer may go to the radio (or into a preset file): when the radio cannot take
// it the user gets the message and the caller sends or saves nothing.
bool AnswerSendable(const QString &answer);
