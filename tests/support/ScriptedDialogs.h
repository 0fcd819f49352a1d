// A scripted stand-in for every dialog: queue the answers a user would give, run the code,
// then read back what was shown. Constructing one installs it; destroying it restores the real ones.
// An unscripted message box answers its first button; an unscripted input or file dialog
// answers the empty text (Cancel); an unscripted printer dialog is cancelled. The program's own
// windows and menus (QDialog::exec, QMenu::exec) run for real.
#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <QQueue>
#include <QString>
#include <functional>

class ScriptedDialogs : public Dialogs
{
public:
    struct Shown
    {
        // "msgbox", "notice" (a message that did not wait), "input", "open", "save", "print",
        // "dialog", "menu", "shell", "beep"
        QString kind;
        QString text;    // message, prompt, address, window title
        QString title;
        int buttons = 0;
        int icon = 0;
        QString defaultText;  // input default, file filter
        int openBoxes = 0;    // boxes still open when this one showed (a box over a box)
        QString folder;       // the folder a file dialog started in
    };

    ScriptedDialogs();
    ~ScriptedDialogs() override;

    // Answers, used in order per kind.
    void answerMsgBox(int result) { m_msg.enqueue(result); }
    void answerInput(const QString &text) { m_input.enqueue(text); }
    // A file dialog's answer; a bare name is typed into the dialog left at its start folder.
    void answerOpen(const QString &path) { m_open.enqueue(path); }
    void answerSave(const QString &path) { m_save.enqueue(path); }
    // The printer dialog: configure the printer (e.g. to a PDF file) and accept, or cancel.
    void answerPrinter(std::function<void(QPrinter &)> setup) { m_print.enqueue(std::move(setup)); }
    void cancelPrinter() { m_print.enqueue(nullptr); }
    // Called whenever a message box is shown (before it answers), e.g. to act meanwhile.
    std::function<void(const Shown &)> onMsgBox;
    // Modal mode: each box (message, input, file, printer) runs a nested event loop for this many
    // nominal milliseconds before it answers, as a real modal box does while the user reads it:
    // timers fire, the main window ticks, windows close. With windowsToo, a window or menu of the
    // program stays open that long too and is then closed as the user would (Escape). 0 (the
    // default) answers boxes at once; windows and menus are otherwise left to the test.
    void setModal(int nominalMs, bool windowsToo = false)
    {
        m_modalMs = nominalMs;
        m_windowMs = windowsToo ? nominalMs : 0;
    }
    int modalMs() const { return m_modalMs; }

    QList<Shown> shown;
    QList<Shown> messages() const;             // the message boxes, waiting or not
    QStringList messageTexts() const;
    int beeps() const;
    void clear() { shown.clear(); }

    bool shellOpen(const QString &address) override;
    void beep() override;

protected:
    int showMsgBox(const QString &text, int buttons, int icon, const QString &title) override;
    void showNotice(const QString &text, int icon, const QString &title) override;
    QString showInputBox(const QString &prompt, const QString &title, const QString &defaultText) override;
    bool showPrinterDialog(QPrinter &printer) override;
    int runDialog(QDialog &dialog) override;
    QAction *runMenu(QMenu &menu, const QPoint &pos) override;
    QString chooseOpenFile(const QString &title, const QString &filter, const QString &folder,
                           const QString &fileName) override;
    QString chooseSaveFile(const QString &title, const QString &filter, const QString &folder,
                           const QString &fileName) override;

private:
    void runModalLoop();

    int m_modalMs = 0;
    int m_windowMs = 0;
    int m_openBoxes = 0;
    QQueue<int> m_msg;
    QQueue<QString> m_input, m_open, m_save;
    QQueue<std::function<void(QPrinter &)>> m_print;
};
