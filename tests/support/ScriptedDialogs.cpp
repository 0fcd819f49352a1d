#include "support/ScriptedDialogs.h"

#include "platform/Clock.h"

#include <QDir>
#include <QEventLoop>
#include <QPrinter>
#include <QTimer>

ScriptedDialogs::ScriptedDialogs()
{
    setDialogs(this);
}

ScriptedDialogs::~ScriptedDialogs()
{
    setDialogs(nullptr);
}

QList<ScriptedDialogs::Shown> ScriptedDialogs::messages() const
{
    QList<Shown> out;
    for (const Shown &s : shown)
        if (s.kind == QLatin1String("msgbox"))
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

int ScriptedDialogs::msgBox(const QString &text, int buttons, int icon, const QString &title)
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

QString ScriptedDialogs::inputBox(const QString &prompt, const QString &title, const QString &defaultText)
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

bool ScriptedDialogs::printerDialog(QPrinter &printer)
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

bool ScriptedDialogs::shellOpen(const QString &address)
{
    shown << Shown{QStringLiteral("shell"), address, {}, 0, 0, {}};
    return true;
}

void ScriptedDialogs::beep()
{
    shown << Shown{QStringLiteral("beep"), {}, {}, 0, 0, {}};
}
