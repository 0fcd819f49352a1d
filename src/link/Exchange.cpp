#include "link/Exchange.h"

#include "common/Module1.h"
#include "common/SharedState.h"
#include "platform/Clock.h"
#include "platform/CommControl.h"
#include "platform/LinkGate.h"

#include <QLoggingCategory>

Q_LOGGING_CATEGORY(lcExchange, "wavecrest.link", QtWarningMsg)

namespace Exchange {

static Qt::CaseSensitivity cs(CompareMode mode)
{
    return mode == CompareMode::IgnoreCase ? Qt::CaseInsensitive : Qt::CaseSensitive;
}

bool contains(const QString &haystack, const QString &needle, CompareMode mode)
{
    return haystack.contains(needle, cs(mode));
}

bool endsWith(const QString &haystack, const QString &needle, CompareMode mode)
{
    return haystack.endsWith(needle, cs(mode));
}

int instr(const QString &haystack, const QString &needle, CompareMode mode)
{
    return int(haystack.indexOf(needle, 0, cs(mode))) + 1;
}

QByteArray commandBytes(const QString &text)
{
    if (!RadioCanTake(text)) {
        qCInfo(lcExchange) << "command not written, the radio cannot take it as one line:" << text.left(40);
        throw CommError(CommErr::UnsendableText, QStringLiteral("The command holds a character the radio cannot take"));
    }
    return text.toLatin1() + CR;
}

void commandLine(CommControl &port, const QString &text)
{
    port.output(commandBytes(text));
}

void sendRaw(CommControl &port, const QByteArray &bytes)
{
    port.output(bytes);
}

void typedKeys(CommControl &port, const QString &keys)
{
    if (HoldsCharacterOutsideLatin1(keys)) {
        qCInfo(lcExchange) << "keys not written, the radio cannot take them:" << keys.left(40);
        throw CommError(CommErr::UnsendableText, QStringLiteral("The keys hold a character the radio cannot take"));
    }
    port.output(keys.toLatin1());
}

bool replyWait(const QStringList &expected, double seconds, CompareMode mode)
{
    auto allThere = [&] {
        for (const QString &text : expected)
            if (!contains(shared().RxBuffer, text, mode))
                return false;
        return true;
    };
    return Clock::waitFor(allThere, qint64(seconds * 1000.0));
}

bool replyWaitAny(const QStringList &anyOf, double seconds, CompareMode mode)
{
    auto oneThere = [&] {
        for (const QString &text : anyOf)
            if (contains(shared().RxBuffer, text, mode))
                return true;
        return false;
    };
    return Clock::waitFor(oneThere, qint64(seconds * 1000.0));
}

bool sendAndWait(CommControl &port, const QString &command, const QStringList &expected, double seconds,
                 CompareMode mode)
{
    shared().RxBuffer = QStringLiteral(" ");
    commandLine(port, command);
    return replyWait(expected, seconds, mode);
}

bool radioEchoes()
{
    return !shared().EchoOff;
}

int answerEnd(const QString &rx, const QString &command, const QString &prompt, CompareMode mode, bool echoed)
{
    const int echo = instr(rx, command, mode);
    if (echo == 0)
        return 0;
    if (!echoed)
        return instr(rx, prompt, mode);
    return int(rx.indexOf(prompt, echo - 1 + command.size(), cs(mode))) + 1;
}

int lateReplyLength(const QString &rx, const QString &command, CompareMode mode)
{
    const int echo = radioEchoes() ? instr(rx, command, mode) : 0;
    return echo > 2 ? echo - 2 : 0;
}

bool answerWait(const QString &command, const QString &prompt, double seconds, CompareMode mode)
{
    return Clock::waitFor([&] { return answerEnd(shared().RxBuffer, command, prompt, mode) > 0; },
                          qint64(seconds * 1000.0));
}

bool sendAndAwaitAnswer(CommControl &port, const QString &command, const QString &prompt, double seconds,
                        CompareMode mode)
{
    shared().RxBuffer = QStringLiteral(" ");
    commandLine(port, command);
    return answerWait(command, prompt, seconds, mode);
}

void unawaitedCommand(CommControl &port, const QString &command, int pauseMs, bool readAndDrop)
{
    commandLine(port, command);
    if (pauseMs > 0)
        Clock::sleepMs(pauseMs);
    if (readAndDrop)
        port.input();
}

void echoOff(CommControl &port)
{
    commandLine(port, QStringLiteral("deco"));
    shared().EchoOff = true;
}

void echoOn(CommControl &port)
{
    commandLine(port, QStringLiteral("eeco"));
    shared().EchoOff = false;
}

void ensureEchoOff(CommControl &port)
{
    if (shared().EchoOff)
        return;
    shared().RxBuffer = QStringLiteral(" ");
    echoOff(port);
    replyWait({Prompt::Ready}, EchoPromptSeconds, CompareMode::IgnoreCase);
}

WriteAccess writeAccessProbe(CommControl &port, const QString &settingText, double seconds,
                             const std::function<void()> &clearTerminal)
{
    if (!RadioCanTake(settingText))
        return WriteAccess::NotProbed;
    echoOff(port);
    shared().RxBuffer = QStringLiteral(" ");
    commandLine(port, settingText);
    // The three texts never stand in one reply: this is a fixed pause that handles events.
    replyWait({Reply::ProgrammedOk, Reply::AccessDenied, Prompt::Ready}, seconds, CompareMode::IgnoreCase);
    if (clearTerminal)
        clearTerminal();
    return contains(shared().RxBuffer, Reply::Denied, CompareMode::IgnoreCase) ? WriteAccess::Denied
                                                                                : WriteAccess::Granted;
}

LinkOwnership::LinkOwnership() : m_ticket(LinkGate::acquire())
{
}

LinkOwnership::~LinkOwnership()
{
    LinkGate::release(m_ticket);
}

bool linkOwned()
{
    return LinkGate::owned();
}

DirectReadScope::DirectReadScope()
{
    shared().IgnoreCommEvents = true;
}

DirectReadScope::~DirectReadScope()
{
    shared().IgnoreCommEvents = false;
}

bool promptReached(const QString &collected, PromptEnd end)
{
    if (end == PromptEnd::LastCharIsPrompt)
        return collected.endsWith(QLatin1Char('>'));
    return collected.endsWith(QStringLiteral("\r\n>"));
}

bool polledPromptExchange(CommControl &port, const QByteArray &commandBytes, int pauseMs, PromptEnd end,
                          int pollPauseMs, const PortTimeout &timeout, QString &collected)
{
    port.output(commandBytes);
    if (pauseMs > 0)
        Clock::sleepMs(pauseMs);
    const ArmedPortTimeout armed(timeout, [&] {
        collected += port.inputText();
        return promptReached(collected, end);
    });
    bool reached = false;
    for (;;) {
        if (pollPauseMs > 0)
            Clock::sleepMs(pollPauseMs);
        // The window's events are handled on every round, also when the answer is already in.
        Clock::doEvents();
        collected += port.inputText();
        // A time-out that fired while events ran has already told the user; the answer is lost.
        if (timeout.timedOut())
            break;
        if (promptReached(collected, end)) {
            reached = true;
            break;
        }
        // Wait in the event loop for more input or the time-out, rather than spinning.
        Clock::waitFor([&] { return port.inBufferCount() > 0 || timeout.timedOut(); }, 100);
    }
    return reached;
}

} // namespace Exchange
