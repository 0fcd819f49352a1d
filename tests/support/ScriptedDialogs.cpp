#include "support/ScriptedDialogs.h"

#include "platform/Clock.h"

#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QMenu>
#include <QPrinter>
#include <QTimer>

ScriptedDialogs::ScriptedDialogs()
{
    setDialogs(this);
    // A question an earlier test left waiting is not this test's.
    withdrawAll();
}

ScriptedDialogs::~ScriptedDialogs()
{
    withdrawAll();
    setDialogs(nullptr);
}

QList<ScriptedDialogs::Shown> ScriptedDialogs::messages() const
{
    QList<Shown> out;
    for (const Shown &s : shown)
        if (s.kind == QLatin1String("msgbox") || s.kind == QLatin1String("notice"))
            out << s;
    return out;
}

QStringList ScriptedDialogs::messageTexts() const
{
    QStringList out;
    for (const Shown &s : messages())
        out << s.text;
    return out;
}

void ScriptedDialogs::runModalLoop()
{
    if (m_modalMs <= 0)
        return;
    ++m_openBoxes;
    QEventLoop loop;
    QTimer::singleShot(Clock::realMs(m_modalMs), &loop, &QEventLoop::quit);
    loop.exec();
    --m_openBoxes;
}

int ScriptedDialogs::beeps() const
{
    int n = 0;
    for (const Shown &s : shown)
        n += s.kind == QLatin1String("beep");
    return n;
}

int ScriptedDialogs::showMsgBox(const QString &text, int buttons, int icon, const QString &title)
{
    Shown s{QStringLiteral("msgbox"), text, title.isEmpty() ? applicationTitle() : title, buttons, icon, {},
            m_openBoxes};
    shown << s;
    if (onMsgBox)
        onMsgBox(s);
    runModalLoop();
    if (!m_msg.isEmpty())
        return m_msg.dequeue();
    switch (buttons) {
    case Msg::AbortRetryIgnore: return Msg::Abort;
    case Msg::YesNoCancel:
    case Msg::YesNo: return Msg::Yes;
    case Msg::RetryCancel: return Msg::Retry;
    default: return Msg::OK;
    }
}

void ScriptedDialogs::showNotice(const QString &text, int icon, const QString &title)
{
    shown << Shown{QStringLiteral("notice"), text, title.isEmpty() ? applicationTitle() : title, Msg::OKOnly, icon, {},
                   m_openBoxes};
}

QString ScriptedDialogs::showInputBox(const QString &prompt, const QString &title, const QString &defaultText)
{
    shown << Shown{QStringLiteral("input"), prompt, title, 0, 0, defaultText, m_openBoxes};
    runModalLoop();
    return m_input.isEmpty() ? QString() : m_input.dequeue();
}

namespace {
QString fileAnswer(QQueue<QString> &answers, const QString &folder)
{
    if (answers.isEmpty())
        return {};
    const QString answer = answers.dequeue();
    return answer.isEmpty() || QDir::isAbsolutePath(answer) ? answer : QDir(folder).filePath(answer);
}
} // namespace

QString ScriptedDialogs::chooseOpenFile(const QString &title, const QString &filter, const QString &folder,
                                        const QString &)
{
    Shown s{QStringLiteral("open"), {}, title, 0, 0, filter, m_openBoxes};
    s.folder = folder;
    shown << s;
    runModalLoop();
    return fileAnswer(m_open, folder);
}

QString ScriptedDialogs::chooseSaveFile(const QString &title, const QString &filter, const QString &folder,
                                        const QString &)
{
    Shown s{QStringLiteral("save"), {}, title, 0, 0, filter, m_openBoxes};
    s.folder = folder;
    shown << s;
    runModalLoop();
    return fileAnswer(m_save, folder);
}

bool ScriptedDialogs::showPrinterDialog(QPrinter &printer)
{
    shown << Shown{QStringLiteral("print"), {}, {}, 0, 0, {}};
    runModalLoop();
    if (m_print.isEmpty())
        return false;
    auto setup = m_print.dequeue();
    if (!setup)
        return false;
    setup(printer);
    return true;
}

int ScriptedDialogs::runDialog(QDialog &dialog)
{
    shown << Shown{QStringLiteral("dialog"), dialog.windowTitle(), dialog.windowTitle(), 0, 0, {}, m_openBoxes};
    if (m_windowMs > 0)
        QTimer::singleShot(Clock::realMs(m_windowMs), &dialog, [&dialog] { dialog.reject(); });
    ++m_openBoxes;
    const int result = dialog.exec();
    --m_openBoxes;
    return result;
}

QAction *ScriptedDialogs::runMenu(QMenu &menu, const QPoint &pos)
{
    shown << Shown{QStringLiteral("menu"), menu.title(), menu.title(), 0, 0, {}, m_openBoxes};
    if (m_windowMs > 0)
        QTimer::singleShot(Clock::realMs(m_windowMs), &menu, [&menu] { menu.close(); });
    ++m_openBoxes;
    QAction *chosen = menu.exec(pos);
    --m_openBoxes;
    return chosen;
}

bool ScriptedDialogs::shellOpen(const QString &address)
{
    shown << Shown{QStringLiteral("shell"), address, {}, 0, 0, {}};
    return true;
}

void ScriptedDialogs::beep()
{
    shown << Shown{QStringLiteral("beep"), {}, {}, 0, 0, {}};
}
