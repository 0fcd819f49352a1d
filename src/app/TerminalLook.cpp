#include "app/TerminalLook.h"

#include "app/TerminalColours.h"
#include "platform/Dialogs.h"
#include "platform/SettingsStore.h"

#include <QPalette>
#include <QPlainTextEdit>

TerminalLook TerminalLook::defaults()
{
    return {TerminalColours::toQColor(0x990000), TerminalColours::toQColor(0xFFFFFF), true};
}

TerminalLook TerminalLook::of(const QPlainTextEdit &pane)
{
    const QPalette p = pane.palette();
    return {p.color(QPalette::Text), p.color(QPalette::Base), pane.font().bold()};
}

void TerminalLook::applyTo(QPlainTextEdit &pane) const
{
    setTerminalBold(pane, bold);
    setTerminalTextColour(pane, text);
    setTerminalBackColour(pane, back);
}

TerminalLook TerminalLook::readStored(const TerminalLook &current)
{
    const QString app = Dialogs::applicationTitle();
    const QString section = QStringLiteral("Preferences");
    TerminalLook look = current;

    bool bold = false;
    if (parseStoredBool(GetSetting(app, section, QStringLiteral("BoldText"), QStringLiteral("True")), &bold))
        look.bold = bold;
    quint32 colour = 0;
    if (TerminalColours::parse(GetSetting(app, section, QStringLiteral("TextColor"), QStringLiteral("&H990000")), &colour))
        look.text = TerminalColours::toQColor(colour);
    if (TerminalColours::parse(GetSetting(app, section, QStringLiteral("BackColor"), QStringLiteral("&HFFFFFF")), &colour))
        look.back = TerminalColours::toQColor(colour);
    return look;
}

void setTerminalTextColour(QPlainTextEdit &pane, const QColor &colour)
{
    QPalette p = pane.palette();
    p.setColor(QPalette::Text, colour);
    pane.setPalette(p);
}

void setTerminalBackColour(QPlainTextEdit &pane, const QColor &colour)
{
    QPalette p = pane.palette();
    p.setColor(QPalette::Base, colour);
    pane.setPalette(p);
}

void setTerminalBold(QPlainTextEdit &pane, bool bold)
{
    QFont f = pane.font();
    f.setBold(bold);
    pane.setFont(f);
}

QString storedBoolText(bool value)
{
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool parseStoredBool(const QString &text, bool *value)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        *value = true;
    else if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        *value = false;
    else
        return false;
    return true;
}
