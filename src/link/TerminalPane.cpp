#include "link/TerminalPane.h"

#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>

TerminalPane::TerminalPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!signalsBlocked())
            syncFromWidget();
    });
}

QString TerminalPane::forDisplay(const QString &text)
{
    QString out = text;
    out.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

void TerminalPane::syncFromWidget()
{
    // The user edited the text locally (port closed): take the widget's text as ours.
    QString t = toPlainText();
    t.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    m_text = t;
}

void TerminalPane::setText(const QString &text)
{
    m_text = text;
    const QSignalBlocker block(this);
    setPlainText(forDisplay(text));
    moveCursor(QTextCursor::End);
}

void TerminalPane::clear()
{
    setText(QString());
}

void TerminalPane::writeAtEnd(const QString &data, bool replaceLast)
{
    const QString before = forDisplay(m_text);
    if (replaceLast && !m_text.isEmpty())
        m_text.chop(1);
    m_text += data;
    const QString after = forDisplay(m_text);
    const QSignalBlocker block(this);
    QScrollBar *bar = verticalScrollBar();
    if (after.startsWith(before)) {
        QTextCursor c(document());
        c.movePosition(QTextCursor::End);
        c.insertText(after.mid(before.size()));
    } else {
        setPlainText(after);
    }
    moveCursor(QTextCursor::End);
    bar->setValue(bar->maximum());
}

void TerminalPane::keyPressEvent(QKeyEvent *event)
{
    const QString typed = event->text();
    if (keyTyped && typed.size() == 1 && typed[0].unicode() < 256) {
        int keyAscii = typed[0].unicode();
        keyTyped(keyAscii);
        if (keyAscii == 0)
            return;
    }
    QPlainTextEdit::keyPressEvent(event);
}
