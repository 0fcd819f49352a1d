// The terminal pane's colour table and the colour numbers the settings store keeps: the
// platform's 0xBBGGRR form, written as decimal text, read in decimal or "&H" hexadecimal.
#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace TerminalColours {

struct Entry
{
    QString name;
    quint32 value;   // 0xBBGGRR
};

// The ten colours in the order both colour lists show them ("White" first).
const QList<Entry> &table();
// Row of the table holding this colour number, -1 when none does.
int rowOf(quint32 value);

// Colour number (0xBBGGRR) to QColor and back.
QColor toQColor(quint32 value);
quint32 fromQColor(const QColor &colour);

// Reads a stored colour: decimal ("10027008") or "&H" hexadecimal ("&H990000", any case).
// Returns false (and leaves *value alone) when the text is no whole number or no RGB colour.
bool parse(const QString &text, quint32 *value);
// The form the store keeps: decimal text ("10027008" for navy blue).
QString toStoredText(quint32 value);

} // namespace TerminalColours
