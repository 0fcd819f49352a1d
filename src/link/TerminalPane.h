// The terminal pane: a text box whose text is kept the way the radio link sees it (lines end in
// CR LF), shown in a plain text editor. Keys typed into it are handed to keyTyped() first, and
// whatever is pasted into it (keys, context menu, middle click, drop) to pasted(); typed text that
// is not one single-byte key (a key outside Latin-1, an input method's text) goes to textTyped().
// text() changes at once; the editor catches up at most every ShowIntervalMs, so a radio that
// sends many small chunks costs one update of the editor per interval, not one per chunk.
#pragma once

#include <QPlainTextEdit>
#include <QTimer>
#include <functional>

class TerminalPane : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TerminalPane(QWidget *parent = nullptr);

    // The text is kept short so that appending stays cheap: before a chunk is shown, a text
    // longer than CutAbove loses its first CutSize characters, and a longer chunk cuts what more
    // it needs, so the text never holds more than Limit.
    static constexpr int CutAbove = 16000;
    static constexpr int CutSize = 4096;
    static constexpr int Limit = CutAbove + CutSize;
    // The editor shows new text at once, or at most this long after its last update.
    static constexpr int ShowIntervalMs = 50;

    QString text() const { return m_text; }
    void setText(const QString &text);
    int length() const { return int(m_text.size()); }

    // Writes at the end; when replaceLast is set the last character is replaced (a backspace
    // received at the start of a chunk). Only the new text is converted and laid out.
    void writeAtEnd(const QString &data, bool replaceLast = false);
    // Takes the first count characters away, as text().mid(count) would.
    void removeFront(int count);
    void clear();
    // True while the editor does not show text() yet.
    bool showPending() const { return m_showTimer.isActive(); }

    // The typed character; the handler sets it to 0 to swallow the key.
    std::function<void(int &keyAscii)> keyTyped;
    // Pasted text: the handler sends it; the pane itself is not changed by a paste.
    std::function<void(const QString &text)> pasted;
    // Typed text that is not one single-byte character (a key outside Latin-1, the text an input
    // method or a dead key composed): true when the handler took it, and the pane shows nothing.
    std::function<bool(const QString &text)> textTyped;

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;
    void inputMethodEvent(QInputMethodEvent *event) override;

private:
    // The widget's form of text that follows the character before (a null one at the start):
    // CR LF, a lone CR and a lone LF are each one line break.
    static QString forDisplay(QStringView text, QChar before = QChar());
    void syncFromWidget();
    // The editor's characters that stay once the pending removals are made.
    int shownKept() const;
    void scheduleShow();
    void showNow();

    QString m_text;
    // What the editor lacks: its first m_dropFront and last m_dropBack characters go, then
    // m_append is added at its end.
    int m_dropFront = 0;
    int m_dropBack = 0;
    QString m_append;
    QTimer m_showTimer;
    qint64 m_shownAt = -ShowIntervalMs;
};
