// The terminal pane: a text box whose text is kept the way the radio link sees it (lines end in
// CR LF), shown in a plain text editor. Keys typed into it are handed to keyTyped() first.
#pragma once

#include <QPlainTextEdit>
#include <functional>

class TerminalPane : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit TerminalPane(QWidget *parent = nullptr);

    QString text() const { return m_text; }
    void setText(const QString &text);
    int length() const { return int(m_text.size()); }

    // Writes at the end; when replaceLast is set the last character is replaced (a backspace
    // received at the start of a chunk).
    void writeAtEnd(const QString &data, bool replaceLast = false);
    void clear();

    // The typed character; the handler sets it to 0 to swallow the key.
    std::function<void(int &keyAscii)> keyTyped;

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    static QString forDisplay(const QString &text);
    void syncFromWidget();

    QString m_text;
};
