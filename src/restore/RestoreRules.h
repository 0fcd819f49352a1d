// The restore window's rules as plain text work, apart from any window: its rows and their
// order, the exact cut of a reply, the lines of its configuration file variant, how a file line
// fills the New column, and the commands that programming sends.
#pragma once

#include "settings/RadioSettingCatalogue.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace Restore {

// The 35 rows, in the order of Check All and Uncheck All (XMAX before XMIN, XRSSI before XPRI).
const QList<const RadioSetting *> &rows();
// The order programming sends them in: the same, but XPRI before XRSSI.
QList<const RadioSetting *> programOrder();
// The rows one group of the read-out asks, in the order it asks them.
QList<const RadioSetting *> readOutGroup(int group);
// The page (RadSet frame 0-6) a row stands on.
int pageOf(const RadioSetting &row);

// The mode-dependent rows: the nine of the read-out's and the file reader's master rule, the
// seven of the mode check (without CSADDR and LPM), and the sleep row.
const QStringList &masterRuleBoxes();
const QStringList &modeCheckMasterBoxes();
inline const QString SleepBox = QStringLiteral("SleepMode");
inline const QString XaddrBox = QStringLiteral("XADDR");

// The reply line between the echo of query and the prompt (">", or "SETUP>" in setup mode) that
// follows it, found by exact search; nothing when the cut would have a negative length.
std::optional<QString> cutReply(const QString &query, const QString &rxBuffer, bool inSetupMode);

// ---- the configuration file this window writes ----

// "From Radio, serial number: " and the answer to "ser"; nothing without "ser" and ">".
std::optional<QString> serialNumberLine(const QString &collected);
// "With Firmware Version: " and the lines of the answer to "srev"; nothing without "srev" and ">".
std::optional<QStringList> firmwareLines(const QString &collected);
// "Created by ..." and "On ..." (the report writer's lines without their "#").
QStringList createdLines(const QDate &date);
// The setting lines, from the current-value boxes (boxText gives a box's text by name).
QStringList settingLines(const std::function<QString(const QString &)> &boxText, const QString &FirmwareRevNumber);

// ---- reading a configuration file into the New column ----

enum class Rule { None, Master, Sleep, Remote };

// State of one read: the extension range's ends and the map they build.
struct ReadState
{
    QString xmin;
    QString xmax;
    QString mask = QString(32, QLatin1Char('0'));
};

// What one file line does to the window.
struct LineEffect
{
    QString newBox;        // the New box written ("NewMode"); empty: none
    QString text;          // its text
    bool pair = false;     // DLINK and RTU: pairText() decides the text
    QString enableCheck;   // the check box the line enables; empty: none
    Rule rule = Rule::None;
};

// The keyword the line belongs to decides; nothing for a line without one or one its revision
// gate drops.
std::optional<LineEffect> interpretLine(const QString &line, const QString &FirmwareRevNumber, ReadState &state);
// The New text of a DLINK or RTU row after one more of its lines.
QString pairText(const QString &current, const QString &line);
// Whether the line after the part-number line draws the notice of an older file.
bool olderFileNotice(const QString &nextLine, const QString &FirmwareRevNumber);
inline const QString PartNumber = QStringLiteral("17-2851");

// ---- programming ----

// The commands (without their CR) for one ticked row with this New text. A row whose New text is
// still the "n/a" the reading of a file put there got no value from the file: it sends nothing.
QStringList programCommands(const RadioSetting &row, const QString &newText);
// What the user is told once programming has left rows out because the radio cannot take their
// New text as one command: each row by its caption and that text.
QString rowsLeftOutMessage(const QList<std::pair<const RadioSetting *, QString>> &rows);

} // namespace Restore
