// The terminal pane's look (text colour, background colour, bold text) as the preferences keep
// it. The pane holds it in its palette (Text, Base) and font, so it must carry no style sheet.
#pragma once

#include <QColor>
#include <QString>

class QPlainTextEdit;

struct TerminalLook
{
    QColor text;
    QColor back;
    bool bold = true;

    // Bold navy blue on white: what a fresh store and an unreadable store give.
    static TerminalLook defaults();
    // What the pane shows now.
    static TerminalLook of(const QPlainTextEdit &pane);
    void applyTo(QPlainTextEdit &pane) const;

    // Reads "BoldText", "TextColor" and "BackColor" of the "Preferences" section, each with its
    // default when missing; a stored value that does not read keeps that part of current.
    // Throws RuntimeError (70) like GetSetting when the store cannot be read.
    static TerminalLook readStored(const TerminalLook &current);
};

// One part at a time, for the preference steps that set them one by one.
void setTerminalTextColour(QPlainTextEdit &pane, const QColor &colour);
void setTerminalBackColour(QPlainTextEdit &pane, const QColor &colour);
void setTerminalBold(QPlainTextEdit &pane, bool bold);

// Booleans as the store keeps them: written "True"/"False", read in any case.
QString storedBoolText(bool value);
bool parseStoredBool(const QString &text, bool *value);   // false when the text is neither
