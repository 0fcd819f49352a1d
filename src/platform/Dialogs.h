// Every dialog a user answers (message and input boxes, file, printer), every window or menu that
// runs an event loop of its own, and the shell calls go through this one seam, so tests can script
// the answers and read back what was shown.
//
// A window with its own event loop, opened from a handler while an operation waits for the radio,
// would hold the operation until it closed. So while an operation holds the link and the caller is
// not the operation's own code (LinkGate::busy()), the seam opens no such window: a message with
// OK only is shown without blocking, anything else is refused with a beep and a word in the status
// bar and answers as if cancelled. Each window's event loop is marked as one round for the link
// gate, so what runs inside it (a timer, a Disconnect) is not taken for the code that opened it.
//
// That refusal is for windows a user opens. A question the program raises itself from such a
// handler (a line error, a log that cannot be written) must not be answered for the user with a
// choice that stops, disconnects, closes or discards: askOrHold keeps it until the link is free
// and asks it then, while the caller goes on as after the harmless answer.
#pragma once

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QAction;
class QDialog;
class QMenu;
class QPoint;
class QPrinter;
class QWidget;

namespace Msg {
enum Buttons { OKOnly = 0, OKCancel = 1, AbortRetryIgnore = 2, YesNoCancel = 3, YesNo = 4, RetryCancel = 5 };
enum Icon { NoIcon = 0, Critical = 16, Question = 32, Exclamation = 48, Information = 64 };
enum Result { OK = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };
} // namespace Msg

// Error number of a cancelled common dialog.
constexpr int CancelErrorNumber = 32755;

class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // A message box; an empty title shows the application title. Returns a Msg::Result.
    int msgBox(const QString &text, int buttons, int icon, const QString &title);
    // A message with OK only that does not wait for its answer: the caller goes on at once.
    void notice(const QString &text, int icon, const QString &title);
    // An input box; Cancel returns the empty text.
    QString inputBox(const QString &prompt, const QString &title, const QString &defaultText);
    // Open and Save dialogs; the filter is "Description|pattern|Description|pattern". Each starts
    // in fileDialogFolder(), and the folder of the file chosen is where the next one starts.
    // Cancel returns the empty text.
    QString openFile(const QString &title, const QString &filter, const QString &fileName);
    QString saveFile(const QString &title, const QString &filter, const QString &fileName);
    // The printer dialog; false on Cancel.
    bool printerDialog(QPrinter &printer);
    // A window of the program shown modally: QDialog::exec's result (Rejected when refused).
    // ownerTicket: the window is the operation's own (the holder of that ticket acts through its
    // buttons), so what runs inside its loop counts as that operation's code.
    int execModal(QDialog &dialog, int ownerTicket = 0);
    // A pop-up menu at pos: the action chosen, or nothing (refused or dismissed).
    QAction *execMenu(QMenu &menu, const QPoint &pos);
    // A question the program raises itself, from code that may run while an operation waits for
    // the radio. While an operation holds the link and this is not its code, the question waits
    // until the link is free and is asked then, with answeredLater(result); nothing is returned
    // and the caller goes on at once as after its harmless answer. Otherwise it is asked now and
    // its answer returned. A question still waiting under the same key is not asked twice: the
    // newer one takes its place. text is read when the question is asked.
    std::optional<int> askOrHold(const QString &key, const std::function<QString()> &text, int buttons, int icon,
                                 const QString &title, const std::function<void(int)> &answeredLater);
    // Takes back a waiting question whose subject has gone (the log was closed meanwhile).
    static void withdraw(const QString &key);
    static void withdrawAll();
    static bool waiting(const QString &key);
    // The shell: "OPEN" a web address.
    virtual bool shellOpen(const QString &address) = 0;
    virtual void beep() = 0;

    // The folder a file dialog starts in: the one last chosen in a file dialog since the program
    // started, else the user's documents folder. Never the program's Temp folder, which is
    // emptied at every start.
    static QString fileDialogFolder();
    // Where the user's documents are (empty: where the platform keeps them); also forgets the
    // folder last chosen. Tests point it into their own folder.
    static void setDocumentsFolder(const QString &folder);

    static QString applicationTitle();
    // "Log Files (*.LOG)|*.log|All Files (*.*)|*.*" in the form the Qt file dialogs take.
    static QString qtFilter(const QString &filter);
    // The window dialogs are shown over (the active window when none is set).
    static void setParentWindow(QWidget *window);
    static QWidget *parentWindow();
    // How a refused window is told to the user (the main window's beep and status text); without
    // one, a beep.
    static void setRefusal(std::function<void()> tell);

protected:
    // Asks the waiting questions, in turn, while the link is free.
    static void askWaitingQuestions();

    // The windows themselves; the public entries above have let them open.
    virtual int showMsgBox(const QString &text, int buttons, int icon, const QString &title) = 0;
    virtual void showNotice(const QString &text, int icon, const QString &title) = 0;
    virtual QString showInputBox(const QString &prompt, const QString &title, const QString &defaultText) = 0;
    virtual bool showPrinterDialog(QPrinter &printer) = 0;
    virtual int runDialog(QDialog &dialog) = 0;
    virtual QAction *runMenu(QMenu &menu, const QPoint &pos) = 0;
    // The dialogs themselves, shown in folder with fileName (may be empty) proposed.
    virtual QString chooseOpenFile(const QString &title, const QString &filter, const QString &folder,
                                   const QString &fileName) = 0;
    virtual QString chooseSaveFile(const QString &title, const QString &filter, const QString &folder,
                                   const QString &fileName) = 0;
};

// The dialogs in use: the real ones unless a test installed its own.
Dialogs &dialogs();
void setDialogs(Dialogs *replacement);   // nullptr restores the real ones

// Shorthand for the common case.
inline int MsgBox(const QString &text, int buttons = Msg::OKOnly, int icon = Msg::NoIcon, const QString &title = {})
{
    return dialogs().msgBox(text, buttons, icon, title);
}
