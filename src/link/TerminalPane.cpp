#include "link/TerminalPane.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>

TerminalPane::TerminalPane(QWidget *parent) : QPlainTextEdit(parent)
{
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setUndoRedoEnabled(false);
    // Tab moves on to the next control, as in any text box of a form; Shift+Tab goes back.
    setTabChangesFocus(true);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!signalsBlocked())
            syncFromWidget();
    });
    m_showTimer.setSingleShot(true);
    connect(&m_showTimer, &QTimer::timeout, this, &TerminalPane::showNow);
}

QString TerminalPane::forDisplay(QStringView text, QChar before)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        if (c == QLatin1Char('\n') && before == QLatin1Char('\r')) {
            before = c;
            continue;
        }
        out += c == QLatin1Char('\r') ? QChar(QLatin1Char('\n')) : c;
        before = c;
    }
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
    m_dropFront = m_dropBack = 0;
    m_append.clear();
    m_showTimer.stop();
    const QSignalBlocker block(this);
    setPlainText(forDisplay(text));
    moveCursor(QTextCursor::End);
}

void TerminalPane::clear()
{
    setText(QString());
}

int TerminalPane::shownKept() const
{
    return document()->characterCount() - 1 - m_dropFront - m_dropBack;
}

void TerminalPane::writeAtEnd(const QString &data, bool replaceLast)
{
    if (replaceLast && !m_text.isEmpty()) {
        // The LF of a CR LF has no line break of its own in the editor: the CR alone still
        // shows one.
        const qsizetype n = m_text.size();
        const bool pairedLf = m_text[n - 1] == QLatin1Char('\n') && n > 1 && m_text[n - 2] == QLatin1Char('\r');
        m_text.chop(1);
        if (!pairedLf) {
            if (!m_append.isEmpty())
                m_append.chop(1);
            else if (shownKept() > 0)
                ++m_dropBack;
        }
    }
    m_append += forDisplay(data, m_text.isEmpty() ? QChar() : m_text.back());
    m_text += data;
    scheduleShow();
}

void TerminalPane::removeFront(int count)
{
    count = qBound(0, count, length());
    if (count == 0)
        return;
    // Editor characters of the removed text: a CR LF inside it is one; a CR LF cut in two keeps
    // its line break with the LF that stays.
    const QStringView gone = QStringView(m_text).left(count);
    int shown = count;
    for (qsizetype i = 1; i < gone.size(); ++i)
        if (gone[i] == QLatin1Char('\n') && gone[i - 1] == QLatin1Char('\r'))
            --shown;
    if (count < length() && gone.back() == QLatin1Char('\r') && m_text[count] == QLatin1Char('\n'))
        --shown;
    m_text.remove(0, count);
    const int kept = shownKept();
    if (shown <= kept) {
        m_dropFront += shown;
    } else {
        m_dropFront += kept;
        m_append.remove(0, shown - kept);
    }
    scheduleShow();
}

void TerminalPane::scheduleShow()
{
    if (m_showTimer.isActive())
        return;
    const qint64 since = Clock::nowMs() - m_shownAt;
    if (since >= ShowIntervalMs || since < 0)
        showNow();
    else
        Clock::startTimer(m_showTimer, int(ShowIntervalMs - since));
}

void TerminalPane::showNow()
{
    m_showTimer.stop();
    m_shownAt = Clock::nowMs();
    const QSignalBlocker block(this);
    QTextCursor c(document());
    if (m_dropBack > 0) {
        c.movePosition(QTextCursor::End);
        c.setPosition(c.position() - m_dropBack, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    if (m_dropFront > 0) {
        c.setPosition(0);
        c.setPosition(m_dropFront, QTextCursor::KeepAnchor);
        c.removeSelectedText();
    }
    if (!m_append.isEmpty()) {
        c.movePosition(QTextCursor::End);
        c.insertText(m_append);
    }
    m_dropFront = m_dropBack = 0;
    m_append.clear();
    moveCursor(QTextCursor::End);
    QScrollBar *bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

bool TerminalPane::event(QEvent *event)
{
    // Whatever the user does to the text starts from all of it.
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::ShortcutOverride:
    case QEvent::MouseButtonPress:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::Drop:
        if (m_showTimer.isActive())
            showNow();
        break;
    default:
        break;
    }
    return QPlainTextEdit::event(event);
}

void TerminalPane::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+V is a paste, not the control byte its text would be.
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    const QString typed = event->text();
    if (keyTyped && typed.size() == 1 && typed[0].unicode() < 256) {
        int keyAscii = typed[0].unicode();
        keyTyped(keyAscii);
        if (keyAscii == 0)
            return;
    } else if (textTyped && !typed.isEmpty() && textTyped(typed)) {
        return;
    }
    // The pane shows what the radio sent: a cut would take some of it away.
    if (event->matches(QKeySequence::Cut)) {
        copy();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TerminalPane::mousePressEvent(QMouseEvent *event)
{
    // A press inside the selection would start a drag, which moves the text out of the pane and
    // runs an event loop of its own; here it starts a new selection instead.
    if (event->button() == Qt::LeftButton && textCursor().hasSelection()) {
        QTextCursor c = textCursor();
        c.clearSelection();
        setTextCursor(c);
    }
    QPlainTextEdit::mousePressEvent(event);
}

void TerminalPane::contextMenuEvent(QContextMenuEvent *event)
{
    // Copy and Select All leave the text as it is, and Paste sends: nothing here edits the pane.
    QMenu menu(this);
    menu.addAction(tr("&Copy"), QKeySequence::Copy, this, &QPlainTextEdit::copy)
        ->setEnabled(textCursor().hasSelection());
    menu.addAction(tr("&Paste"), QKeySequence::Paste, this, &QPlainTextEdit::paste)->setEnabled(canPaste());
    menu.addSeparator();
    menu.addAction(tr("Select All"), QKeySequence::SelectAll, this, &QPlainTextEdit::selectAll)
        ->setEnabled(!document()->isEmpty());
    dialogs().execMenu(menu, event->globalPos());
}

void TerminalPane::inputMethodEvent(QInputMethodEvent *event)
{
    // The composed text is typed text; what is still being composed shows as the editor shows it.
    if (textTyped && !event->commitString().isEmpty() && textTyped(event->commitString())) {
        QInputMethodEvent composing(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&composing);
        event->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void TerminalPane::insertFromMimeData(const QMimeData *source)
{
    if (!pasted) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    if (source->hasText())
        pasted(source->text());
}
