// The help a click on a setting's label shows: a title and a short text, mostly on the radio
// command behind the setting. The catalogue says which labels have help; this is their text.
#pragma once

#include <QString>

#include <optional>

struct HelpText
{
    QString title;   // empty: the message box shows the application title
    QString text;    // CR starts a new line, CR CR leaves a blank line
};

// The help of the label named labelName. Nothing for a label without help, and for the extension
// address label while FirmwareRevNumber does not read as a number: its range depends on it.
std::optional<HelpText> helpTextFor(const QString &labelName, const QString &FirmwareRevNumber);
