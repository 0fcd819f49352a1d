#include "platform/Dialogs.h"
#include "platform/AppPaths.h"
#include "platform/LinkGate.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLoggingCategory>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPrintDialog>
#include <QPrinter>
#include <QStandardPaths>
#include <QUrl>

#include <algorithm>
#include <deque>
#include <optional>

Q_LOGGING_CATEGORY(lcDialogs, "wavecrest.dialogs", QtWarningMsg)

namespace {

QPointer<QWidget> g_parent;
std::function<void()> g_refusal;

// A question that waits for the link to be free.
struct WaitingQuestion
{
    QString key;
    std::function<QString()> text;
    int buttons;
    int icon;
    QString title;
    std::function<void(int)> answered;
};

std::deque<WaitingQuestion> g_waiting;
bool g_askingPosted = false;
bool g_asking = false;

void dropWaiting(const QString &key)
{
    std::erase_if(g_waiting, [&key](const WaitingQuestion &q) { return q.key == key; });
}

// The prompts are written with CR or CR LF line ends; a Qt label breaks lines only at LF and
// draws a CR as a blank.
QString shownText(const QString &text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

void dress(QMessageBox &box, const QString &text, int icon, const QString &title)
{
    box.setWindowTitle(title.isEmpty() ? Dialogs::applicationTitle() : title);
    box.setText(shownText(text));
    switch (icon) {
    case Msg::Critical: box.setIcon(QMessageBox::Critical); break;
    case Msg::Question: box.setIcon(QMessageBox::Question); break;
    case Msg::Exclamation: box.setIcon(QMessageBox::Warning); break;
    case Msg::Information: box.setIcon(QMessageBox::Information); break;
    default: box.setIcon(QMessageBox::NoIcon); break;
    }
}

class QtDialogs : public Dialogs
{
protected:
    int showMsgBox(const QString &text, int buttons, int icon, const QString &title) override
    {
        QMessageBox box(parentWindow());
        dress(box, text, icon, title);
        struct B { QMessageBox::StandardButton b; int result; };
        QList<B> list;
        switch (buttons) {
        case Msg::OKCancel: list = {{QMessageBox::Ok, Msg::OK}, {QMessageBox::Cancel, Msg::Cancel}}; break;
        case Msg::AbortRetryIgnore:
            list = {{QMessageBox::Abort, Msg::Abort}, {QMessageBox::Retry, Msg::Retry}, {QMessageBox::Ignore, Msg::Ignore}};
            break;
        case Msg::YesNoCancel:
            list = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No}, {QMessageBox::Cancel, Msg::Cancel}};
            break;
        case Msg::YesNo: list = {{QMessageBox::Yes, Msg::Yes}, {QMessageBox::No, Msg::No}}; break;
        case Msg::RetryCancel: list = {{QMessageBox::Retry, Msg::Retry}, {QMessageBox::Cancel, Msg::Cancel}}; break;
        default: list = {{QMessageBox::Ok, Msg::OK}}; break;
        }
        QMessageBox::StandardButtons all;
        for (const B &b : list)
            all |= b.b;
        box.setStandardButtons(all);
        box.setDefaultButton(list.first().b);
        const int answer = box.exec();
        for (const B &b : list)
            if (answer == b.b)
                return b.result;
        // Closed with Escape or the close box: the box's cancelling answer.
        for (const B &b : list)
            if (b.result == Msg::Cancel || b.result == Msg::No)
                return b.result;
        return list.first().result;
    }

    void showNotice(const QString &text, int icon, const QString &title) override
    {
        auto *box = new QMessageBox(parentWindow());
        dress(*box, text, icon, title);
        box->setStandardButtons(QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        box->show();
    }

    QString showInputBox(const QString &prompt, const QString &title, const QString &defaultText) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(parentWindow(), title.isEmpty() ? applicationTitle() : title,
                                                   shownText(prompt), QLineEdit::Normal, defaultText, &ok);
        return ok ? text : QString();
    }

    static QString startPath(const QString &folder, const QString &fileName)
    {
        return fileName.isEmpty() ? folder : QDir(folder).filePath(fileName);
    }

    QString chooseOpenFile(const QString &title, const QString &filter, const QString &folder,
                           const QString &fileName) override
    {
        return QFileDialog::getOpenFileName(parentWindow(), title, startPath(folder, fileName), qtFilter(filter));
    }

    QString chooseSaveFile(const QString &title, const QString &filter, const QString &folder,
                           const QString &fileName) override
    {
        // The callers ask about replacing an existing file themselves.
        return QFileDialog::getSaveFileName(parentWindow(), title, startPath(folder, fileName), qtFilter(filter),
                                            nullptr, QFileDialog::DontConfirmOverwrite);
    }

    bool showPrinterDialog(QPrinter &printer) override
    {
        QPrintDialog dialog(&printer, parentWindow());
        return dialog.exec() == QDialog::Accepted;
    }

    int runDialog(QDialog &dialog) override { return dialog.exec(); }

    QAction *runMenu(QMenu &menu, const QPoint &pos) override { return menu.exec(pos); }

public:
    bool shellOpen(const QString &address) override
    {
        return QDesktopServices::openUrl(QUrl(address));
    }

    void beep() override { QApplication::beep(); }
};

QtDialogs g_qtDialogs;
Dialogs *g_dialogs = nullptr;
QString g_documents;
QString g_lastFolder;

bool inTempFolder(const QString &folder)
{
    const QString temp = QDir::cleanPath(AppPaths::inProgramFolder(QStringLiteral("Temp")));
    const QString f = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
    return f.compare(temp, Qt::CaseInsensitive) == 0
        || f.startsWith(temp + QLatin1Char('/'), Qt::CaseInsensitive);
}

void rememberFolderOf(const QString &path)
{
    if (path.isEmpty())
        return;
    const QString folder = QFileInfo(path).absolutePath();
    if (!inTempFolder(folder))
        g_lastFolder = folder;
}

// Whether a window with an event loop of its own must not open now: an operation waits for the
// radio under this code. The user hears why; an operation that a way out ended, still unwinding,
// drops its own windows without a word.
bool refused()
{
    if (!LinkGate::busy())
        return false;
    if (!LinkGate::operationEnded()) {
        if (g_refusal)
            g_refusal();
        else
            dialogs().beep();
    }
    return true;
}

int cancelledAnswer(int buttons)
{
    switch (buttons) {
    case Msg::AbortRetryIgnore: return Msg::Abort;
    case Msg::YesNo: return Msg::No;
    default: return Msg::Cancel;
    }
}

} // namespace

std::optional<int> Dialogs::askOrHold(const QString &key, const std::function<QString()> &text, int buttons, int icon,
                                     const QString &title, const std::function<void(int)> &answeredLater)
{
    if (!LinkGate::busy()) {
        dropWaiting(key);
        const LinkGate::PumpScope round;
        return showMsgBox(text(), buttons, icon, title);
    }
    qCInfo(lcDialogs) << "question held until the operation has ended:" << key;
    WaitingQuestion question{key, text, buttons, icon, title, answeredLater};
    const auto same = std::find_if(g_waiting.begin(), g_waiting.end(),
                                   [&key](const WaitingQuestion &q) { return q.key == key; });
    if (same != g_waiting.end())
        *same = std::move(question);
    else
        g_waiting.push_back(std::move(question));
    // The questions are asked from the event loop once the link is free, not inside the
    // operation's last steps.
    LinkGate::setFreedHook([] {
        if (g_waiting.empty() || g_askingPosted || !QCoreApplication::instance())
            return;
        g_askingPosted = true;
        QMetaObject::invokeMethod(QCoreApplication::instance(), [] {
            g_askingPosted = false;
            askWaitingQuestions();
        }, Qt::QueuedConnection);
    });
    return std::nullopt;
}

void Dialogs::askWaitingQuestions()
{
    // One box at a time: a link freed while one stands open finds the asking under way.
    if (g_asking)
        return;
    g_asking = true;
    struct Done
    {
        ~Done() { g_asking = false; }
    } done;
    while (!g_waiting.empty() && !LinkGate::busy()) {
        WaitingQuestion question = std::move(g_waiting.front());
        g_waiting.pop_front();
        int answer;
        {
            const LinkGate::PumpScope round;
            answer = dialogs().showMsgBox(question.text(), question.buttons, question.icon, question.title);
        }
        if (question.answered)
            question.answered(answer);
    }
}

void Dialogs::withdraw(const QString &key)
{
    dropWaiting(key);
}

void Dialogs::withdrawAll()
{
    g_waiting.clear();
}

bool Dialogs::waiting(const QString &key)
{
    return std::any_of(g_waiting.begin(), g_waiting.end(), [&key](const WaitingQuestion &q) { return q.key == key; });
}

int Dialogs::msgBox(const QString &text, int buttons, int icon, const QString &title)
{
    if (buttons == Msg::OKOnly && LinkGate::busy()) {
        showNotice(text, icon, title);
        return Msg::OK;
    }
    if (refused()) {
        // Only a window the user opened gets here: the program's own questions use askOrHold.
        qCInfo(lcDialogs) << "question refused during an operation:" << title;
        return cancelledAnswer(buttons);
    }
    const LinkGate::PumpScope round;
    return showMsgBox(text, buttons, icon, title);
}

void Dialogs::notice(const QString &text, int icon, const QString &title)
{
    showNotice(text, icon, title);
}

QString Dialogs::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    if (refused())
        return {};
    const LinkGate::PumpScope round;
    return showInputBox(prompt, title, defaultText);
}

bool Dialogs::printerDialog(QPrinter &printer)
{
    if (refused())
        return false;
    const LinkGate::PumpScope round;
    return showPrinterDialog(printer);
}

int Dialogs::execModal(QDialog &dialog, int ownerTicket)
{
    if (refused())
        return QDialog::Rejected;
    const LinkGate::PumpScope round;
    std::optional<LinkGate::OwnerCode> ownersWindow;
    if (ownerTicket != 0)
        ownersWindow.emplace(ownerTicket);
    return runDialog(dialog);
}

QAction *Dialogs::execMenu(QMenu &menu, const QPoint &pos)
{
    if (refused())
        return nullptr;
    const LinkGate::PumpScope round;
    return runMenu(menu, pos);
}

QString Dialogs::openFile(const QString &title, const QString &filter, const QString &fileName)
{
    if (refused())
        return {};
    QString path;
    {
        const LinkGate::PumpScope round;
        path = chooseOpenFile(title, filter, fileDialogFolder(), fileName);
    }
    rememberFolderOf(path);
    return path;
}

QString Dialogs::saveFile(const QString &title, const QString &filter, const QString &fileName)
{
    if (refused())
        return {};
    QString path;
    {
        const LinkGate::PumpScope round;
        path = chooseSaveFile(title, filter, fileDialogFolder(), fileName);
    }
    rememberFolderOf(path);
    return path;
}

QString Dialogs::fileDialogFolder()
{
    if (!g_lastFolder.isEmpty() && QFileInfo(g_lastFolder).isDir())
        return g_lastFolder;
    QString documents = g_documents;
    if (documents.isEmpty())
        documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir() && !inTempFolder(documents))
        return documents;
    return QDir::homePath();
}

void Dialogs::setDocumentsFolder(const QString &folder)
{
    g_documents = folder;
    g_lastFolder.clear();
}

QString Dialogs::applicationTitle()
{
    return QStringLiteral("KARVEL Wavecrest SS Configuration");
}

QString Dialogs::qtFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i];
        const int paren = description.indexOf(QLatin1Char('('));
        if (paren > 0)
            description = description.left(paren).trimmed();
        QString patterns = parts[i + 1];
        patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
        out << QStringLiteral("%1 (%2)").arg(description, patterns);
    }
    return out.join(QStringLiteral(";;"));
}

void Dialogs::setRefusal(std::function<void()> tell)
{
    g_refusal = std::move(tell);
}

void Dialogs::setParentWindow(QWidget *window)
{
    g_parent = window;
}

QWidget *Dialogs::parentWindow()
{
    if (g_parent)
        return g_parent;
    return QApplication::activeWindow();
}

Dialogs &dialogs()
{
    return g_dialogs ? *g_dialogs : static_cast<Dialogs &>(g_qtDialogs);
}

void setDialogs(Dialogs *replacement)
{
    g_dialogs = replacement;
}
